// Hosting of the modal action dialog: the common controls, the rich-edit
// library and the modal loop itself, run inside a COM apartment of its own.
#pragma once

#include <cstdint>
#include <span>
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

    // The window's big and small icon: icon `iconId` of the program at the
    // system's icon sizes. Each replaces (and frees) the one set before.
    virtual void SetWindowIcons(std::uint16_t iconId) = 0;
    // Icon `iconId` of the program on the icon control `controlId`, at
    // width96 x height96 pixels scaled to the dialog's DPI; the control takes
    // that size. A failed load leaves the control empty.
    virtual void SetScaledIcon(int controlId, std::uint16_t iconId, int width96, int height96) = 0;
    // The dialog's two fonts: the caption font (the dialog font enlarged)
    // and the body font (the dialog font's size in the system message face).
    // If a font cannot be made the control keeps the template font.
    enum class Font { kCaption, kBody };
    virtual void SetItemFont(int controlId, Font font) = 0;
    // Streams `rtf` into the rich-edit control `controlId` (wrapping at its
    // edge, embedded objects allowed) and turns on its link notifications.
    // An empty document leaves the control empty.
    virtual void StreamRichText(int controlId, std::span<const std::uint8_t> rtf) = 0;
    // Moves `controlId` horizontally so that its right edge lies where
    // `referenceId`'s right edge is; top and size stay.
    virtual void AlignRightEdge(int controlId, int referenceId) = 0;
    // Focuses `controlId` once the dialog's initialisation is over.
    virtual void PostFocus(int controlId) = 0;
    // Hands `address` to the shell ("open"), with the dialog as owner. The
    // caller decides what may be opened; the launch result is not examined.
    virtual void OpenAddress(std::u16string_view address) = 0;
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
    // A left click on a link of the rich text; `text` is the link's text.
    virtual void OnLinkClicked(IDialogWindow& window, std::u16string_view text) = 0;
};

class IDialogHost {
public:
    virtual ~IDialogHost() = default;
    virtual void InitCommonControls() = 0;
    // Loads a library of the system folder by file name (never one from the
    // program's or the current folder); the module is deliberately kept
    // loaded for the process.
    virtual void LoadLibraryAndKeep(std::u16string_view name) = 0;
    virtual WindowHandle GetActiveWindow() = 0;
    // Runs the dialog template `templateId` of the program's own resources
    // modally and returns the value given to EndDialog; -1 when the dialog
    // could not be created (the last error then tells why). The calling
    // thread is in a single-threaded COM apartment (OLE1/DDE off) from before
    // the window is created until after it is gone, as the rich-edit
    // control's OLE callback needs; the apartment is left again only when
    // this call entered it (a thread already in another kind of apartment
    // stays there, and the dialog runs all the same).
    [[nodiscard]] virtual std::intptr_t RunModalDialog(std::uint16_t templateId, WindowHandle parent,
                                                       IDialogDelegate& dialog) = 0;
};

}  // namespace Korvane::PC::Tarnwick
