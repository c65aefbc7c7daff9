#include "ui/ActionDialog.h"

#include "definitions/CompanionResources.h"
#include "messages/Messages.h"
#include "platform/TaskDialogs.h"
#include "run/PersistentState.h"

namespace Korvane::PC::Tarnwick {
namespace {

constexpr int kLogoWidth = 64;  // at 96 DPI
constexpr int kLogoHeight = 40;

bool UpdatePending(ActionKind kind, ActionState state) {
    return state == ActionState::kUpdateNeeded && kind != ActionKind::kNotTarget;
}

// The text up to its first NUL: identity texts carry their terminator.
std::u16string_view UpToNul(std::u16string_view text) { return text.substr(0, text.find(u'\0')); }

}  // namespace

DialogButtons ChooseDialogButtons(ActionKind kind, ActionState state, bool cancelAllowed) {
    if (kind == ActionKind::kNeedEssentialSoft || state == ActionState::kUpdateNeeded) {
        return {.okShown = true, .okInCancelsPlace = !cancelAllowed, .focus = kIdOk};
    }
    return {.okShown = false, .okInCancelsPlace = false, .focus = kIdCancel};
}

std::uint16_t CancelButtonTextId(ActionKind kind, ActionState state) {
    return UpdatePending(kind, state) ? StringId::kLater : StringId::kCancel;
}

void CActionDialog::OnInitDialog(IDialogWindow& window) {
    // The hosting always has an action to show; without one the dialog
    // offers nothing, like a machine that is not a target.
    IAction* action = view_.action;
    const ActionKind kind = action ? action->GetKind() : ActionKind::kNotTarget;
    const ActionState state = action ? action->GetState() : ActionState::kNothingToDo;
    const bool haveLibrary = static_cast<bool>(view_.run.companionLibrary);

    if (haveLibrary) SetTexts(window, kind, state);
    window.SetItemFont(DialogControl::kCaption, IDialogWindow::Font::kCaption);
    for (int id : {DialogControl::kRelease, DialogControl::kPcLabel, DialogControl::kMachineLine, kIdOk, kIdCancel}) {
        window.SetItemFont(id, IDialogWindow::Font::kBody);
    }
    window.SetWindowIcons(OwnResource::kProgramIcon);
    window.SetScaledIcon(DialogControl::kLogo, OwnResource::kLogoIcon, kLogoWidth, kLogoHeight);
    if (haveLibrary && action != nullptr) {
        window.StreamRichText(DialogControl::kRichText, action->GetMessageRtf());
        window.SetItemText(DialogControl::kMachineLine, MachineLine(action->GetCurrentVersionText()));
    }
    ArrangeButtons(window, ChooseDialogButtons(kind, state, view_.cancelAllowed));
}

void CActionDialog::SetTexts(IDialogWindow& window, ActionKind kind, ActionState state) {
    const auto text = [this](std::uint16_t id) { return CompanionString(id); };
    window.SetTitle(text(StringId::kActionTitle));
    window.SetItemText(DialogControl::kCaption, text(StringId::kActionCaption));
    const std::uint32_t release = ReadReleaseNumber(view_.run.platform.modules, view_.run.companionLibrary.get());
    window.SetItemText(DialogControl::kRelease,
                       FormatTemplate(view_.run.platform.text, text(StringId::kReleaseLine), {release}));
    window.SetItemText(DialogControl::kPcLabel, text(StringId::kPcLabel));
    window.SetItemText(kIdOk, text(StringId::kActionOk));
    window.SetItemText(kIdCancel, text(CancelButtonTextId(kind, state)));
}

std::u16string CActionDialog::MachineLine(const std::u16string& version) {
    std::u16string model(UpToNul(view_.run.machine.model));
    if (model.empty()) model = CompanionString(StringId::kUnknownModel);
    IText& text = view_.run.platform.text;
    if (version.empty()) return FormatTemplate(text, CompanionString(StringId::kMachineLine), {model});
    return FormatTemplate(text, CompanionString(StringId::kMachineLineWithVersion), {model, version});
}

void CActionDialog::ArrangeButtons(IDialogWindow& window, const DialogButtons& buttons) {
    if (!buttons.okShown) {
        window.ShowItem(kIdOk, false);
        window.EnableItem(kIdOk, false);
    } else if (buttons.okInCancelsPlace) {
        window.AlignRightEdge(kIdOk, kIdCancel);
        window.ShowItem(kIdCancel, false);
        window.EnableItem(kIdCancel, false);
    }
    window.PostFocus(buttons.focus);
}

std::u16string CActionDialog::CompanionString(std::uint16_t id) {
    return LoadCompanionString(view_.run.platform.modules, view_.run.companionLibrary.get(), id);
}

void CActionDialog::OnCommand(IDialogWindow& window, int controlId) {
    if (controlId == kIdOk) window.EndDialog(kIdOk);
}

void CActionDialog::OnCloseRequest(IDialogWindow& window) {
    if (view_.run.options.viewTarget) {
        if (!view_.cancelAllowed) return;
        const WindowHandle self = window.Handle();
        if (view_.cancelDaysLeft < kNoCancelLimit) {
            const std::u16string question = FormatTemplate(view_.run.platform.text,
                                                           CompanionString(StringId::kDaysLeftQuestion),
                                                           {view_.cancelDaysLeft});
            if (AskKeepOpen(view_.run.Messages(), self, question) == KeepOpen::kKeep) return;
        }
        if (AskKeepOpen(view_.run.Messages(), self, StringId::kReallyCancelQuestion) == KeepOpen::kKeep) return;
    }
    window.EndDialog(kIdCancel);
}

void CActionDialog::OnLinkClicked(IDialogWindow& window, std::u16string_view text) {
    if (MayOpenLink(view_.run.platform.runAccount, text)) window.OpenAddress(text);
}

}  // namespace Korvane::PC::Tarnwick
