// The task-dialog messages that the run raises. Texts are string ids of the
// companion library; every message shares the window title (119), the footer
// (150) and the program's icon 101 as its window icon.
#include "ui/Messages.h"

#include "app/UpdateController.h"

namespace Korvane::PC::Tarnwick {
namespace {

constexpr std::int32_t kFirstChoice = 100;
constexpr std::int32_t kSecondChoice = 200;
constexpr std::int32_t kLeave = 0;      // AskKeepOpen: go on closing
constexpr std::int32_t kKeepOpen = 1;   // AskKeepOpen: the default
constexpr std::uint16_t kLeaveText = 183;
constexpr std::uint16_t kKeepOpenText = 184;

TaskDialogRequest CompanionMessage(ModuleHandle library) {
    return MessageRequest(library, kMessageTitleString, kMessageFooterString, kProgramIcon);
}

void SetContent(TaskDialogRequest& request, std::uint16_t id) { request.contentId = id; }
void SetContent(TaskDialogRequest& request, std::u16string_view text) { request.contentText = text; }

template <typename Content>
std::int32_t Choose(UpdateController& controller, std::uint16_t icon, std::uint16_t mainInstruction,
                    Content content, std::uint16_t firstButtonText, std::uint16_t secondButtonText) {
    if (!MessageShown(MessageOperation::kAskChoice, controller.options, bool(controller.companionLibrary))) {
        return kSecondChoice;
    }
    TaskDialogRequest request = CompanionMessage(controller.companionLibrary.get());
    request.mainIconId = icon;
    request.mainInstructionId = mainInstruction;
    SetContent(request, content);
    request.buttons = {{kFirstChoice, firstButtonText}, {kSecondChoice, secondButtonText}};
    request.defaultButton = kSecondChoice;
    return controller.platform.taskDialogs.Show(request).value_or(kSecondChoice);
}

template <typename Content>
std::int32_t KeepOpen(UpdateController& controller, WindowHandle parent, Content content) {
    if (!MessageShown(MessageOperation::kAskKeepOpen, controller.options, bool(controller.companionLibrary))) {
        return kKeepOpen;
    }
    TaskDialogRequest request = CompanionMessage(controller.companionLibrary.get());
    request.parent = parent;
    request.mainIconId = kTdWarningIcon;
    SetContent(request, content);
    request.buttons = {{kLeave, kLeaveText}, {kKeepOpen, kKeepOpenText}};
    request.defaultButton = kKeepOpen;
    return controller.platform.taskDialogs.Show(request).value_or(kKeepOpen);
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

std::int32_t UpdateController::ShowMessage(std::uint16_t icon, std::uint16_t mainInstruction, std::uint16_t content,
                                           std::uint32_t commonButtons, std::int32_t defaultResult) {
    if (!MessageShown(MessageOperation::kShowMessage, options, bool(companionLibrary))) return defaultResult;
    TaskDialogRequest request = CompanionMessage(companionLibrary.get());
    request.mainIconId = icon;
    request.mainInstructionId = mainInstruction;
    request.contentId = content;
    request.commonButtons = commonButtons;
    request.defaultButton = defaultResult;
    return platform.taskDialogs.Show(request).value_or(defaultResult);
}

std::int32_t UpdateController::AskChoice(std::uint16_t icon, std::uint16_t mainInstruction, std::uint16_t content,
                                         std::uint16_t firstButtonText, std::uint16_t secondButtonText) {
    return Choose(*this, icon, mainInstruction, content, firstButtonText, secondButtonText);
}

std::int32_t UpdateController::AskChoice(std::uint16_t icon, std::uint16_t mainInstruction,
                                         std::u16string_view content, std::uint16_t firstButtonText,
                                         std::uint16_t secondButtonText) {
    return Choose(*this, icon, mainInstruction, content, firstButtonText, secondButtonText);
}

std::int32_t UpdateController::AskKeepOpen(WindowHandle parent, std::uint16_t content) {
    return KeepOpen(*this, parent, content);
}

std::int32_t UpdateController::AskKeepOpen(WindowHandle parent, std::u16string_view content) {
    return KeepOpen(*this, parent, content);
}

}  // namespace Korvane::PC::Tarnwick
