// The Win32 side of a modal dialog: binds the dialog object to its window,
// carries out the window operations it asks for and answers the messages
// that are drawing rather than decisions (colours, high contrast, link
// notifications). It owns what it creates for the window: the caption
// brush, the two fonts, the two window icons and the logo.
#pragma once

#include <windows.h>
#include <richedit.h>

#include "platform/DialogHost.h"
#include "platform/win32/ScopedHandle.h"

namespace Korvane::PC::Tarnwick::Win32 {

// The dialog procedure that every DialogWindow runs under.
INT_PTR CALLBACK DialogWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

class DialogWindow : public IDialogWindow {
public:
    DialogWindow(HINSTANCE instance, IDialogDelegate& dialog) : instance_(instance), dialog_(dialog) {}
    DialogWindow(const DialogWindow&) = delete;
    DialogWindow& operator=(const DialogWindow&) = delete;
    ~DialogWindow() override;

    IDialogDelegate& dialog() { return dialog_; }
    void Attach(HWND window) { window_ = window; }
    // Logical pixels per inch of the dialog's device context; 96 until read.
    void ReadDpi();
    // Colour and notification messages; true when handled, with the dialog
    // procedure's return value in `result`.
    bool HandleDrawingMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result);

    WindowHandle Handle() const override { return window_; }
    void SetTitle(std::u16string_view text) override;
    void SetItemText(int controlId, std::u16string_view text) override;
    void ShowItem(int controlId, bool visible) override;
    void EnableItem(int controlId, bool enabled) override;
    void EndDialog(std::intptr_t result) override;
    void SetWindowIcons(std::uint16_t iconId) override;
    void SetScaledIcon(int controlId, std::uint16_t iconId, int width96, int height96) override;
    void SetItemFont(int controlId, Font font) override;
    void StreamRichText(int controlId, std::span<const std::uint8_t> rtf) override;
    void AlignRightEdge(int controlId, int referenceId) override;
    void PostFocus(int controlId) override;
    void OpenAddress(std::u16string_view address) override;

private:
    HBRUSH BackgroundBrush();
    HBRUSH CaptionBrush();
    HFONT MakeFont(double scale);
    INT_PTR ControlColour(UINT message, HDC dc, HWND control);
    void LinkClicked(HWND control, const CHARRANGE& range);

    HINSTANCE instance_;
    IDialogDelegate& dialog_;
    HWND window_ = nullptr;
    int dpiX_ = 96;
    int dpiY_ = 96;
    HBRUSH backgroundBrush_ = nullptr;  // a system brush: never deleted
    ScopedBrush captionBrush_;
    ScopedFont bodyFont_;
    ScopedFont captionFont_;
    ScopedIcon bigIcon_;
    ScopedIcon smallIcon_;
    ScopedIcon logo_;
};

// True when the system runs in high-contrast mode; a failing query is off.
bool HighContrastOn();

// LoadIconWithScaleDown of common controls 6 (ordinal 381; the import
// library of the cross compiler lacks it). Empty on failure.
[[nodiscard]] ScopedIcon LoadIconScaledDown(HINSTANCE instance, std::uint16_t id, int width, int height);

}  // namespace Korvane::PC::Tarnwick::Win32
