// Hosting of the modal action dialog: the COM apartment, the common controls,
// the rich-edit library and the modal loop itself.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/Handles.h"

namespace Korvane::PC::Tarnwick {

// Operations on the dialog's window that a dialog object may call while it is
// open. Only valid during the callbacks of IDialogDelegate.
class IDialogWindow {
public:
    virtual ~IDialogWindow() = default;
    virtual WindowHandle Handle() const = 0;
    virtual void SetTitle(std::u16string_view text) = 0;
    virtual void SetItemText(int controlId, std::u16string_view text) = 0;
    virtual void ShowItem(int controlId, bool visible) = 0;
    virtual void EnableItem(int controlId, bool enabled) = 0;
    virtual void EndDialog(std::intptr_t result) = 0;
};

// The object behind a modal dialog. The host binds it to the window from the
// window's first message on, so every callback already reaches it.
class IDialogDelegate {
public:
    virtual ~IDialogDelegate() = default;
    virtual void OnInitDialog(IDialogWindow& window) = 0;
    virtual void OnCommand(IDialogWindow& window, int controlId) = 0;
    // Cancel button, Esc or the close box.
    virtual void OnCloseRequest(IDialogWindow& window) = 0;
};

class IDialogHost {
public:
    virtual ~IDialogHost() = default;
    // CoInitializeEx(nullptr, coinit); returns the HRESULT.
    virtual std::int32_t CoInitializeEx(std::uint32_t coinit) = 0;
    virtual void CoUninitialize() = 0;
    virtual void InitCommonControls() = 0;
    // Loads a library of the system folder by file name (never one from the
    // program's or the current folder); the module is deliberately kept
    // loaded for the process.
    virtual void LoadLibraryAndKeep(std::u16string_view name) = 0;
    virtual WindowHandle GetActiveWindow() = 0;
    // Runs the dialog template `templateId` of the program's own resources
    // modally and returns the value given to EndDialog; -1 when the dialog
    // could not be created (the last error then tells why).
    virtual std::intptr_t RunModalDialog(std::uint16_t templateId, WindowHandle parent,
                                         IDialogDelegate& dialog) = 0;
};

}  // namespace Korvane::PC::Tarnwick
