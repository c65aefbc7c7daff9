#include "messages/Messages.h"

#include "messages/WebAddress.h"

namespace Korvane::PC::Tarnwick {
namespace {

// The button ids of the questions; only these functions make and read them.
constexpr std::int32_t kFirstChoice = 100;
constexpr std::int32_t kSecondChoice = 200;  // the default
constexpr std::int32_t kLeaveButton = 0;     // AskKeepOpen: go on closing
constexpr std::int32_t kKeepOpenButton = 1;  // AskKeepOpen: the default

TaskDialogRequest CompanionMessage(const MessageContext& run, std::uint16_t icon) {
    TaskDialogRequest request =
        MessageRequest(run.companionLibrary.get(), StringId::kMessageTitle, StringId::kMessageFooter, OwnResource::kProgramIcon);
    request.mainIconId = icon;
    OpenLinksByRule(request, run.platform);
    return request;
}

void SetContent(TaskDialogRequest& request, std::uint16_t id) { request.contentId = id; }
void SetContent(TaskDialogRequest& request, std::u16string_view text) { request.contentText = text; }

// Shows `request` when `operation` may show in this run; its default button
// is also the answer when it is not shown or fails.
std::int32_t Show(const MessageContext& run, MessageOperation operation, TaskDialogRequest& request,
                  std::int32_t defaultResult) {
    if (!MessageShown(operation, run.options, bool(run.companionLibrary))) return defaultResult;
    request.defaultButton = defaultResult;
    return run.platform.taskDialogs.Show(request).value_or(defaultResult);
}

// Any other answer than the first button (Esc, the close box) is the second.
template <typename Content>
Choice Choose(const MessageContext& run, std::uint16_t icon, std::uint16_t mainInstruction, Content content,
              std::uint16_t firstButtonText, std::uint16_t secondButtonText) {
    TaskDialogRequest request = CompanionMessage(run, icon);
    request.mainInstructionId = mainInstruction;
    SetContent(request, content);
    request.buttons = {{kFirstChoice, firstButtonText}, {kSecondChoice, secondButtonText}};
    return Show(run, MessageOperation::kAskChoice, request, kSecondChoice) == kFirstChoice ? Choice::kFirst
                                                                                            : Choice::kSecond;
}

// Any other answer than "keep open" (Esc, the close box) lets the dialog
// close.
template <typename Content>
KeepOpen AskToKeepOpen(const MessageContext& run, WindowHandle parent, Content content) {
    TaskDialogRequest request = CompanionMessage(run, kTdWarningIcon);
    request.parent = parent;
    SetContent(request, content);
    request.buttons = {{kLeaveButton, StringId::kLeaveButton}, {kKeepOpenButton, StringId::kKeepOpenButton}};
    return Show(run, MessageOperation::kAskKeepOpen, request, kKeepOpenButton) == kKeepOpenButton ? KeepOpen::kKeep
                                                                                                  : KeepOpen::kClose;
}

}  // namespace

bool MessageShown(MessageOperation operation, const ToolOptions& options, bool companionLibraryLoaded) {
    if (options.silent || !companionLibraryLoaded) return false;
    return operation != MessageOperation::kShowMessage || !options.viewTarget;
}

TaskDialogRequest MessageRequest(ModuleHandle instance, std::uint16_t titleId, std::uint16_t footerId,
                                 std::uint16_t windowIconId) {
    TaskDialogRequest request;
    request.instance = instance;
    request.flags = kMessageFlags;
    request.windowTitleId = titleId;
    request.footerId = footerId;
    request.windowIconId = windowIconId;
    return request;
}

void OpenLinksByRule(TaskDialogRequest& request, Platform& platform) {
    request.openLink = [&platform](std::u16string_view address) {
        if (MayOpenLink(platform.runAccount, address)) platform.shellOpen.Open(address);
    };
}

std::int32_t ShowMessage(const MessageContext& run, std::uint16_t icon, std::uint16_t mainInstruction,
                         std::uint16_t content, std::uint32_t commonButtons, std::int32_t defaultResult) {
    TaskDialogRequest request = CompanionMessage(run, icon);
    request.mainInstructionId = mainInstruction;
    request.contentId = content;
    request.commonButtons = commonButtons;
    return Show(run, MessageOperation::kShowMessage, request, defaultResult);
}

Choice AskChoice(const MessageContext& run, std::uint16_t icon, std::uint16_t mainInstruction, std::uint16_t content,
                 std::uint16_t firstButtonText, std::uint16_t secondButtonText) {
    return Choose(run, icon, mainInstruction, content, firstButtonText, secondButtonText);
}

Choice AskChoice(const MessageContext& run, std::uint16_t icon, std::uint16_t mainInstruction,
                 std::u16string_view content, std::uint16_t firstButtonText, std::uint16_t secondButtonText) {
    return Choose(run, icon, mainInstruction, content, firstButtonText, secondButtonText);
}

KeepOpen AskKeepOpen(const MessageContext& run, WindowHandle parent, std::uint16_t content) {
    return AskToKeepOpen(run, parent, content);
}

KeepOpen AskKeepOpen(const MessageContext& run, WindowHandle parent, std::u16string_view content) {
    return AskToKeepOpen(run, parent, content);
}

}  // namespace Korvane::PC::Tarnwick
