#include "ui/ActionDialog.h"

#include "platform/TaskDialogs.h"

namespace Korvane::PC::Tarnwick {

// The dialog shows its template as it stands for now: the rich text, the
// machine line and the button layout come with the dialog's own logic.
void CActionDialog::OnInitDialog(IDialogWindow& /*window*/) {}

void CActionDialog::OnCommand(IDialogWindow& window, int controlId) {
    if (controlId == kIdOk) window.EndDialog(kIdOk);
}

void CActionDialog::OnCloseRequest(IDialogWindow& window) { window.EndDialog(kIdCancel); }

}  // namespace Korvane::PC::Tarnwick
