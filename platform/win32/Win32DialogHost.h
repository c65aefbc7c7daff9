// IDialogHost over DialogBoxParamW, for the dialog templates of `instance`;
// each dialog runs in a COM apartment of its own (ComApartment.h).
#pragma once

#include <windows.h>

#include "platform/DialogHost.h"

namespace Korvane::PC::Tarnwick::Win32 {

class DialogHost : public IDialogHost {
public:
    explicit DialogHost(HINSTANCE instance) : instance_(instance) {}
    void InitCommonControls() override;
    void LoadLibraryAndKeep(std::u16string_view name) override;
    WindowHandle GetActiveWindow() override;
    std::intptr_t RunModalDialog(std::uint16_t templateId, WindowHandle parent, IDialogDelegate& dialog) override;

private:
    HINSTANCE instance_;
};

}  // namespace Korvane::PC::Tarnwick::Win32
