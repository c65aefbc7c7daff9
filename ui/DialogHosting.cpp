// Hosting of the action dialog: the common controls and the rich-edit
// library loaded, then the modal loop (which the host runs inside a COM
// apartment, as the rich-edit control's OLE callback needs).
#include "ui/ActionDialog.h"

namespace Korvane::PC::Tarnwick {

std::intptr_t HostActionDialog(IDialogHost& host, const ActionDialogView& view) {
    host.InitCommonControls();
    // Kept loaded on purpose: a later pass of the dialog loads it again.
    host.LoadLibraryAndKeep(u"Msftedit.dll");
    CActionDialog dialog(view);
    return host.RunModalDialog(OwnResource::kActionDialog, host.GetActiveWindow(), dialog);
}

}  // namespace Korvane::PC::Tarnwick
