// The modal action dialog (template 129): explains the action in rich text
// and asks for consent. Ends with 1 (OK, consent) or 2 (cancel or close).
//
// The dialog decides here, portably, what it shows and what a user action
// does; the window operations of IDialogWindow carry it out (fonts, colours,
// icons and the rich-edit control are the platform's).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/DialogHost.h"
#include "ui/WebAddress.h"

namespace Korvane::PC::Tarnwick {

class UpdateController;

// Controls of template 129 besides IDOK (1) and IDCANCEL (2).
namespace DialogControl {
inline constexpr int kCaption = 1000;
inline constexpr int kRelease = 1001;
inline constexpr int kRichText = 1002;
inline constexpr int kPcLabel = 1005;
inline constexpr int kMachineLine = 1006;
inline constexpr int kLogo = 1007;
}  // namespace DialogControl

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
DialogButtons ChooseDialogButtons(std::int32_t kind, std::int32_t state, bool cancelAllowed);

// Cancel's caption: "later" (176) while an update is pending (state 1 of any
// kind but 0), the plain caption (116) otherwise.
std::uint16_t CancelButtonTextId(std::int32_t kind, std::int32_t state);

class CActionDialog : public IDialogDelegate {
public:
    explicit CActionDialog(UpdateController* controller) : controller_(controller) {}

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
    void SetTexts(IDialogWindow& window, std::int32_t kind, std::int32_t state);
    // "Model: ..." with the installed version when the action reports one.
    std::u16string MachineLine(const std::u16string& version);
    static void ArrangeButtons(IDialogWindow& window, const DialogButtons& buttons);
    std::u16string CompanionString(std::uint16_t id);

    UpdateController* controller_;  // not owned
};

}  // namespace Korvane::PC::Tarnwick
