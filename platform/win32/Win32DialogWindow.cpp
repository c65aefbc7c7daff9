#include "platform/win32/Win32DialogWindow.h"

#include <commctrl.h>
#include <richedit.h>
#include <shellapi.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "platform/win32/RichEditOleCallback.h"
#include "platform/win32/ScopeExit.h"
#include "platform/win32/SystemLibraries.h"
#include "platform/win32/WideText.h"
#include "resources/resource.h"

namespace Korvane::PC::Tarnwick::Win32 {
namespace {

static_assert(sizeof(NONCLIENTMETRICSW) == 504, "the system message font is read with the Vista-size structure");
static_assert(sizeof(HIGHCONTRASTW) == 12);
static_assert(ENM_LINK == 0x04000000 && EN_LINK == 0x070B && SF_RTF == 2);

constexpr COLORREF kCaptionBand = RGB(220, 220, 220);
constexpr int kCaptionControl = DialogControl::kCaption;
constexpr int kReleaseControl = DialogControl::kRelease;
constexpr int kRichTextControl = DialogControl::kRichText;
constexpr double kCaptionScale = 1.9;

// What the stream callback reads: the next byte and how many are left.
struct StreamCursor {
    const std::uint8_t* position;
    std::size_t left;
};

DWORD CALLBACK StreamIn(DWORD_PTR cookie, LPBYTE buffer, LONG wanted, LONG* copied) {
    auto* cursor = reinterpret_cast<StreamCursor*>(cookie);
    const std::size_t n = std::min(cursor->left, static_cast<std::size_t>(std::max<LONG>(wanted, 0)));
    std::copy_n(cursor->position, n, buffer);
    cursor->position += n;
    cursor->left -= n;
    *copied = static_cast<LONG>(n);
    return 0;
}

RECT ClientRectOf(HWND dialog, HWND control) {
    RECT rect{};
    ::GetWindowRect(control, &rect);
    ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

}  // namespace

bool HighContrastOn() {
    HIGHCONTRASTW contrast{};
    contrast.cbSize = sizeof(contrast);
    return ::SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(contrast), &contrast, 0) &&
           (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

ScopedIcon LoadIconScaledDown(HINSTANCE instance, std::uint16_t id, int width, int height) {
    // Looked up by ordinal, typed by commctrl.h's declaration.
    const auto load =
        ExportOf<decltype(&::LoadIconWithScaleDown)>(::GetModuleHandleW(L"comctl32.dll"), MAKEINTRESOURCEA(381));
    ScopedIcon icon;
    if (load == nullptr || FAILED(load(instance, MAKEINTRESOURCEW(id), width, height, icon.put()))) return {};
    return icon;
}

DialogWindow::~DialogWindow() = default;

void DialogWindow::ReadDpi() {
    HDC dc = ::GetDC(window_);
    const auto releaseDc = ScopeExit([&] { ::ReleaseDC(window_, dc); });
    dpiX_ = ::GetDeviceCaps(dc, LOGPIXELSX);
    dpiY_ = ::GetDeviceCaps(dc, LOGPIXELSY);
}

void DialogWindow::SetTitle(std::u16string_view text) { ::SetWindowTextW(window_, ToWin(text).c_str()); }

void DialogWindow::SetItemText(int controlId, std::u16string_view text) {
    ::SetDlgItemTextW(window_, controlId, ToWin(text).c_str());
}

void DialogWindow::ShowItem(int controlId, bool visible) {
    ::ShowWindow(::GetDlgItem(window_, controlId), visible ? SW_SHOW : SW_HIDE);
}

void DialogWindow::EnableItem(int controlId, bool enabled) {
    ::EnableWindow(::GetDlgItem(window_, controlId), enabled ? TRUE : FALSE);
}

void DialogWindow::EndDialog(std::intptr_t result) { ::EndDialog(window_, result); }

void DialogWindow::SetWindowIcons(std::uint16_t iconId) {
    const int big = ::GetSystemMetrics(SM_CXICON);
    bigIcon_.reset(static_cast<HICON>(
        ::LoadImageW(instance_, MAKEINTRESOURCEW(iconId), IMAGE_ICON, big, big, LR_DEFAULTCOLOR)));
    ::SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_.get()));
    const int small = ::GetSystemMetrics(SM_CXSMICON);
    smallIcon_.reset(static_cast<HICON>(
        ::LoadImageW(instance_, MAKEINTRESOURCEW(iconId), IMAGE_ICON, small, small, LR_DEFAULTCOLOR)));
    ::SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.get()));
}

void DialogWindow::SetScaledIcon(int controlId, std::uint16_t iconId, int width96, int height96) {
    const int width = ::MulDiv(width96, dpiX_, 96);
    const int height = ::MulDiv(height96, dpiY_, 96);
    ScopedIcon icon = LoadIconScaledDown(instance_, iconId, width, height);
    if (!icon) return;
    HWND control = ::GetDlgItem(window_, controlId);
    ::SetWindowPos(control, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
    auto previous =
        reinterpret_cast<HICON>(::SendMessageW(control, STM_SETICON, reinterpret_cast<WPARAM>(icon.get()), 0));
    (void)logo_.release();  // the control handed the old icon back as `previous`, destroyed just below
    if (previous != nullptr) ::DestroyIcon(previous);
    // The control draws the icon but never frees it: the dialog does, after
    // the window is gone.
    logo_ = std::move(icon);
}

// The system message face at the dialog font's size (scaled) and weight.
HFONT DialogWindow::MakeFont(double scale) {
    LOGFONTW dialogFont{};
    auto current = reinterpret_cast<HFONT>(::SendMessageW(window_, WM_GETFONT, 0, 0));
    if (current == nullptr || ::GetObjectW(current, sizeof(dialogFont), &dialogFont) == 0) return nullptr;
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    if (!::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0)) return nullptr;
    LOGFONTW font = metrics.lfMessageFont;
    font.lfHeight = static_cast<LONG>(dialogFont.lfHeight * scale);
    font.lfWidth = static_cast<LONG>(dialogFont.lfWidth * scale);
    font.lfWeight = dialogFont.lfWeight;
    return ::CreateFontIndirectW(&font);
}

void DialogWindow::SetItemFont(int controlId, Font font) {
    ScopedFont& held = font == Font::kCaption ? captionFont_ : bodyFont_;
    if (!held) held.reset(MakeFont(font == Font::kCaption ? kCaptionScale : 1.0));
    if (!held) return;
    ::SendDlgItemMessageW(window_, controlId, WM_SETFONT, reinterpret_cast<WPARAM>(held.get()), TRUE);
}

void DialogWindow::StreamRichText(int controlId, std::span<const std::uint8_t> rtf) {
    if (rtf.empty()) return;
    HWND control = ::GetDlgItem(window_, controlId);
    // No target device, line width 0: lines wrap at the control's edge.
    ::SendMessageW(control, EM_SETTARGETDEVICE, 0, 0);
    // The control holds its own reference for as long as it needs one; the
    // one from Create goes when this ends.
    const ScopedComReference<CMyRichEditOleCallback> callback(CMyRichEditOleCallback::Create());
    if (callback && SUCCEEDED(callback.get()->CreationResult())) {
        ::SendMessageW(control, EM_SETOLECALLBACK, 0, reinterpret_cast<LPARAM>(callback.get()));
    }
    StreamCursor cursor{rtf.data(), rtf.size()};
    EDITSTREAM stream{reinterpret_cast<DWORD_PTR>(&cursor), 0, StreamIn};
    ::SendMessageW(control, EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&stream));
    const LRESULT mask = ::SendMessageW(control, EM_GETEVENTMASK, 0, 0);
    ::SendMessageW(control, EM_SETEVENTMASK, 0, mask | ENM_LINK);
}

void DialogWindow::AlignRightEdge(int controlId, int referenceId) {
    HWND control = ::GetDlgItem(window_, controlId);
    const RECT moving = ClientRectOf(window_, control);
    const RECT reference = ClientRectOf(window_, ::GetDlgItem(window_, referenceId));
    ::SetWindowPos(control, nullptr, reference.right - (moving.right - moving.left), moving.top, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER);
}

void DialogWindow::PostFocus(int controlId) {
    ::PostMessageW(window_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(::GetDlgItem(window_, controlId)), TRUE);
}

void DialogWindow::OpenAddress(std::u16string_view address) {
    ::ShellExecuteW(window_, L"open", ToWin(address).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

HBRUSH DialogWindow::BackgroundBrush() {
    if (backgroundBrush_ == nullptr) backgroundBrush_ = ::GetSysColorBrush(COLOR_WINDOW);
    return backgroundBrush_;
}

HBRUSH DialogWindow::CaptionBrush() {
    if (!captionBrush_) captionBrush_.reset(::CreateSolidBrush(kCaptionBand));
    return captionBrush_.get();
}

// The dialog in the window colour with a light grey caption band; the
// release line is drawn straight over the band.
INT_PTR DialogWindow::ControlColour(UINT message, HDC dc, HWND control) {
    if (message == WM_CTLCOLORSTATIC) {
        const int id = ::GetDlgCtrlID(control);
        if (id == kCaptionControl) {
            ::SetBkMode(dc, TRANSPARENT);
            return reinterpret_cast<INT_PTR>(CaptionBrush());
        }
        if (id == kReleaseControl) {
            ::SetBkMode(dc, TRANSPARENT);
            return reinterpret_cast<INT_PTR>(::GetStockObject(NULL_BRUSH));
        }
    }
    return reinterpret_cast<INT_PTR>(BackgroundBrush());
}

void DialogWindow::LinkClicked(HWND control, const CHARRANGE& range) {
    if (range.cpMax <= range.cpMin) return;
    std::vector<wchar_t> text(static_cast<std::size_t>(range.cpMax - range.cpMin) + 1);
    TEXTRANGEW request{range, text.data()};
    const LRESULT length = ::SendMessageW(control, EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&request));
    if (length > 0) dialog_.OnLinkClicked(*this, FromWin(std::wstring_view(text.data(), static_cast<std::size_t>(length))));
}

bool DialogWindow::HandleDrawingMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
    switch (message) {
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORSTATIC:
            // High contrast: 0, so that the system colours apply.
            result = HighContrastOn()
                         ? 0
                         : ControlColour(message, reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
            return true;
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            if (header->idFrom != kRichTextControl || header->code != EN_LINK) return false;
            const auto* link = reinterpret_cast<const ENLINK*>(lParam);
            if (link->msg != WM_LBUTTONUP) {
                result = FALSE;
                return true;
            }
            LinkClicked(header->hwndFrom, link->chrg);
            ::SetWindowLongPtrW(window_, DWLP_MSGRESULT, 1);
            result = TRUE;
            return true;
        }
        default:
            return false;
    }
}

}  // namespace Korvane::PC::Tarnwick::Win32
