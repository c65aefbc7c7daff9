// Dialog hosting and task dialogs.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include <new>
#include <vector>

#include "platform/win32/ScopedHandle.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32Platform.h"

namespace Korvane::PC::Tarnwick::Win32 {
namespace {

// Binds one dialog object to its window and carries out the window
// operations it asks for.
class DialogBinding : public IDialogWindow {
public:
    explicit DialogBinding(IDialogDelegate& dialog) : dialog_(dialog) {}

    IDialogDelegate& dialog() { return dialog_; }
    void Attach(HWND window) { window_ = window; }

    WindowHandle Handle() const override { return window_; }
    void SetTitle(std::u16string_view text) override { ::SetWindowTextW(window_, ToWin(text).c_str()); }
    void SetItemText(int controlId, std::u16string_view text) override {
        ::SetDlgItemTextW(window_, controlId, ToWin(text).c_str());
    }
    void ShowItem(int controlId, bool visible) override {
        ::ShowWindow(::GetDlgItem(window_, controlId), visible ? SW_SHOW : SW_HIDE);
    }
    void EnableItem(int controlId, bool enabled) override {
        ::EnableWindow(::GetDlgItem(window_, controlId), enabled ? TRUE : FALSE);
    }
    void EndDialog(std::intptr_t result) override { ::EndDialog(window_, result); }

private:
    IDialogDelegate& dialog_;
    HWND window_ = nullptr;
};

// Dialog windows created but not yet bound to their object. A dialog
// procedure gets no context before WM_INITDIALOG, yet the object must see the
// window's very first message (WM_SETFONT); so the hosting thread records
// (object, thread) here just before creating the window, and the first
// message on that thread takes the entry. Process-wide by nature; the lock
// is held only while an entry is pushed or taken.
class PendingCreations {
public:
    PendingCreations() { ::InitializeCriticalSection(&lock_); }
    ~PendingCreations() { ::DeleteCriticalSection(&lock_); }

    void Push(DialogBinding* binding, DWORD thread) {
        ::EnterCriticalSection(&lock_);
        entries_.push_back({binding, thread});
        ::LeaveCriticalSection(&lock_);
    }
    // Takes the newest entry of `thread`; null when there is none.
    DialogBinding* Take(DWORD thread) {
        DialogBinding* found = nullptr;
        ::EnterCriticalSection(&lock_);
        for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) {
            if (it->thread == thread) {
                found = it->binding;
                entries_.erase(std::next(it).base());
                break;
            }
        }
        ::LeaveCriticalSection(&lock_);
        return found;
    }
    void Remove(DialogBinding* binding) {
        ::EnterCriticalSection(&lock_);
        std::erase_if(entries_, [binding](const Entry& e) { return e.binding == binding; });
        ::LeaveCriticalSection(&lock_);
    }

private:
    struct Entry {
        DialogBinding* binding;
        DWORD thread;
    };
    CRITICAL_SECTION lock_;
    std::vector<Entry> entries_;
};

PendingCreations& Pending() {
    static PendingCreations pending;
    return pending;
}

INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM /*lParam*/) {
    auto* binding = reinterpret_cast<DialogBinding*>(::GetWindowLongPtrW(window, DWLP_USER));
    if (binding == nullptr) {
        binding = Pending().Take(::GetCurrentThreadId());
        if (binding == nullptr) return FALSE;
        binding->Attach(window);
        ::SetWindowLongPtrW(window, DWLP_USER, reinterpret_cast<LONG_PTR>(binding));
    }
    switch (message) {
        case WM_INITDIALOG:
            binding->dialog().OnInitDialog(*binding);
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDCANCEL) {
                binding->dialog().OnCloseRequest(*binding);
            } else {
                binding->dialog().OnCommand(*binding, LOWORD(wParam));
            }
            return TRUE;
        case WM_CLOSE:
            binding->dialog().OnCloseRequest(*binding);
            return TRUE;
        default:
            return FALSE;
    }
}

HRESULT CALLBACK TaskDialogCallback(HWND window, UINT notification, WPARAM /*wParam*/, LPARAM lParam,
                                    LONG_PTR data) {
    switch (notification) {
        case TDN_CREATED:
            ::SendMessageW(window, WM_SETICON, ICON_BIG, data);
            ::SendMessageW(window, WM_SETICON, ICON_SMALL, data);
            break;
        case TDN_HYPERLINK_CLICKED:
            ::ShellExecuteW(nullptr, L"open", reinterpret_cast<LPCWSTR>(lParam), nullptr, nullptr, SW_SHOWNORMAL);
            break;
        default:
            break;
    }
    return S_OK;
}

LPCWSTR IdText(std::uint16_t id) { return id == 0 ? nullptr : MAKEINTRESOURCEW(id); }

// LoadIconWithScaleDown exists only in common controls 6, which exports it
// by ordinal 381 (the import library of the cross compiler lacks it); the
// manifest makes the loaded comctl32.dll the version 6 one.
HICON LoadWindowIcon(HINSTANCE instance, std::uint16_t id) {
    using LoadIconWithScaleDownFn = HRESULT(WINAPI*)(HINSTANCE, PCWSTR, int, int, HICON*);
    HMODULE comctl = ::GetModuleHandleW(L"comctl32.dll");
    if (comctl == nullptr) return nullptr;
    const auto load = reinterpret_cast<LoadIconWithScaleDownFn>(
        reinterpret_cast<void*>(::GetProcAddress(comctl, MAKEINTRESOURCEA(381))));
    HICON icon = nullptr;
    if (load == nullptr || FAILED(load(instance, MAKEINTRESOURCEW(id), 0, 0, &icon))) return nullptr;
    return icon;
}

}  // namespace

std::int32_t DialogHost::CoInitializeEx(std::uint32_t coinit) {
    return static_cast<std::int32_t>(::CoInitializeEx(nullptr, coinit));
}

void DialogHost::CoUninitialize() { ::CoUninitialize(); }

void DialogHost::InitCommonControls() { ::InitCommonControls(); }

void DialogHost::LoadLibraryAndKeep(std::u16string_view name) { ::LoadLibraryW(ToWin(name).c_str()); }

WindowHandle DialogHost::GetActiveWindow() { return ::GetActiveWindow(); }

std::intptr_t DialogHost::RunModalDialog(std::uint16_t templateId, WindowHandle parent, IDialogDelegate& dialog) {
    auto* binding = new (std::nothrow) DialogBinding(dialog);
    if (binding == nullptr) {
        ::SetLastError(ERROR_OUTOFMEMORY);
        return -1;
    }
    std::unique_ptr<DialogBinding> owned(binding);
    Pending().Push(binding, ::GetCurrentThreadId());
    const INT_PTR result =
        ::DialogBoxParamW(instance_, MAKEINTRESOURCEW(templateId), static_cast<HWND>(parent), DialogProc, 0);
    // A window that was never created leaves its entry behind.
    Pending().Remove(binding);
    return result;
}

std::optional<std::int32_t> TaskDialogs::Show(const TaskDialogRequest& request) {
    ScopedIcon icon(LoadWindowIcon(instance_, request.windowIconId));
    std::vector<TASKDIALOG_BUTTON> buttons;
    for (const TaskDialogButton& b : request.buttons) buttons.push_back({b.id, MAKEINTRESOURCEW(b.textId)});

    TASKDIALOGCONFIG config{};
    config.cbSize = sizeof(config);
    config.hwndParent = static_cast<HWND>(request.parent);
    config.hInstance = request.instance != nullptr ? static_cast<HINSTANCE>(const_cast<void*>(request.instance))
                                                   : instance_;
    config.dwFlags = request.flags;
    config.dwCommonButtons = request.commonButtons;
    config.pszWindowTitle = IdText(request.windowTitleId);
    config.pszMainIcon = IdText(request.mainIconId);
    config.pszMainInstruction = IdText(request.mainInstructionId);
    const std::wstring contentText = ToWin(request.contentText);
    config.pszContent = request.contentId != 0 || contentText.empty() ? IdText(request.contentId) : contentText.c_str();
    config.pszFooter = IdText(request.footerId);
    config.cButtons = static_cast<UINT>(buttons.size());
    config.pButtons = buttons.empty() ? nullptr : buttons.data();
    config.nDefaultButton = request.defaultButton;
    config.pfCallback = TaskDialogCallback;
    config.lpCallbackData = reinterpret_cast<LONG_PTR>(icon.get());
    int pressed = 0;
    if (FAILED(::TaskDialogIndirect(&config, &pressed, nullptr, nullptr))) return std::nullopt;
    return pressed;
}

Win32Platform::Win32Platform(HINSTANCE instance)
    : dialogs_(instance),
      taskDialogs_(instance),
      firmware_(CreateFirmwareTables()),
      platform_{commandLine_, language_, sync_,  dialogs_, taskDialogs_, registry_, *firmware_,
                modules_,     files_,    text_,  trust_,   clock_,       system_,
                processes_,   environment_, paths_, shellOpen_, outputFiles_} {}

}  // namespace Korvane::PC::Tarnwick::Win32
