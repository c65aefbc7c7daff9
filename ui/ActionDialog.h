// The modal action dialog (template 129): explains the action and asks for
// consent. Ends with 1 (OK, consent) or 2 (cancel or close).
#pragma once

#include "platform/DialogHost.h"

namespace Korvane::PC::Tarnwick {

class UpdateController;

class CActionDialog : public IDialogDelegate {
public:
    explicit CActionDialog(UpdateController* controller) : controller_(controller) {}

    void OnInitDialog(IDialogWindow& window) override;
    void OnCommand(IDialogWindow& window, int controlId) override;
    void OnCloseRequest(IDialogWindow& window) override;

private:
    UpdateController* controller_;  // not owned
};

}  // namespace Korvane::PC::Tarnwick
