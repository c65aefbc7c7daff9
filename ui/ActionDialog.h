// The modal action dialog (resource OwnResource::kActionDialog, its controls
// in DialogControl; both in resources/resource.h): explains the action in
// rich text and asks for consent. Ends with 1 (OK, consent) or 2 (cancel or
// close).
//
// The dialog decides here, portably, what it shows and what a user action
// does; the window operations of IDialogWindow carry it out (fonts, colours,
// icons and the rich-edit control are the platform's).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "actions/IAction.h"
#include "actions/RunView.h"
#include "messages/WebAddress.h"
#include "platform/DialogHost.h"
#include "resources/resource.h"

namespace Korvane::PC::Tarnwick {

// What the dialog reads of the run: the run's view, the action to explain
// (null: the dialog offers nothing, like a machine that is not a target) and
// the cancel period of the notification mode.
struct ActionDialogView {
    RunView run;
    IAction* action = nullptr;  // not owned
    bool cancelAllowed = false;
    std::uint32_t cancelDaysLeft = 0;
};

// Hosts the modal dialog: the common controls and the rich-edit library
// loaded, then the modal loop over the active window (which the host runs in
// a single-threaded COM apartment, as the rich-edit control's OLE callback
// needs).
// Returns the dialog's end code (1 = consent; -1 when it could not run).
std::intptr_t HostActionDialog(IDialogHost& host, const ActionDialogView& view);

// Which buttons the dialog shows for an action.
struct DialogButtons {
    bool okShown = false;           // false: OK is hidden and disabled
    bool okInCancelsPlace = false;  // OK stands where Cancel was; Cancel is hidden and disabled
    int focus = 0;                  // the button that gets the focus
};

// There is something to consent to for kind 8 (essential software, the
// consent opens the support step) or state 1 (an update is needed). Then OK
// shows; once the cancel period is over (`cancelAllowed` false) it takes
// Cancel's place and Cancel goes. Otherwise only Cancel shows.
DialogButtons ChooseDialogButtons(ActionKind kind, ActionState state, bool cancelAllowed);

// Cancel's caption: "later" (176) while an update is pending (state 1 of any
// kind but 0), the plain caption (116) otherwise.
std::uint16_t CancelButtonTextId(ActionKind kind, ActionState state);

class CActionDialog : public IDialogDelegate {
public:
    explicit CActionDialog(const ActionDialogView& view) : view_(view) {}

    // Texts, fonts, icons, logo, message, machine line, buttons, in order.
    void OnInitDialog(IDialogWindow& window) override;
    void OnCommand(IDialogWindow& window, int controlId) override;
    // Outside notification mode the dialog ends with 2 at once. In
    // notification mode nothing happens once the cancel period is over;
    // before that the user is asked to keep it open (first with the days
    // left while the period is limited, then once more).
    void OnCloseRequest(IDialogWindow& window) override;
    void OnLinkClicked(IDialogWindow& window, std::u16string_view text) override;

private:
    void SetTexts(IDialogWindow& window, ActionKind kind, ActionState state);
    // "Model: ..." with the installed version when the action reports one.
    std::u16string MachineLine(const std::u16string& version);
    static void ArrangeButtons(IDialogWindow& window, const DialogButtons& buttons);
    std::u16string CompanionString(std::uint16_t id);

    ActionDialogView view_;
};

}  // namespace Korvane::PC::Tarnwick
