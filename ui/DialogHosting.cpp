// Hosting of the action dialog: a single-threaded COM apartment around it
// (the rich-edit control's OLE callback needs one), the common controls and
// the rich-edit library loaded, then the modal loop.
#include "ui/ActionDialog.h"

namespace Korvane::PC::Tarnwick {
namespace {

constexpr std::uint32_t kApartmentThreadedNoOle1Dde = 0x2 | 0x4;  // COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE

}  // namespace

std::intptr_t HostActionDialog(IDialogHost& host, const ActionDialogView& view) {
    const std::int32_t coinit = host.CoInitializeEx(kApartmentThreadedNoOle1Dde);
    host.InitCommonControls();
    // Kept loaded on purpose: a later pass of the dialog loads it again.
    host.LoadLibraryAndKeep(u"Msftedit.dll");
    std::intptr_t result = -1;
    {
        CActionDialog dialog(view);
        result = host.RunModalDialog(OwnResource::kActionDialog, host.GetActiveWindow(), dialog);
    }
    if (coinit >= 0) host.CoUninitialize();
    return result;
}

}  // namespace Korvane::PC::Tarnwick
