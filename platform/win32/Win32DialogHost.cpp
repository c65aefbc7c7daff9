// Hosting of a modal dialog: its COM apartment, the common controls, the
// rich-edit library, and the binding of the window to its dialog object.
#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <new>
#include <vector>

#include "platform/win32/ComApartment.h"
#include "platform/win32/SystemLibraries.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32DialogHost.h"
#include "platform/win32/Win32DialogWindow.h"

namespace Korvane::PC::Tarnwick::Win32 {
namespace {

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

    void Push(DialogWindow* binding, DWORD thread) {
        ::EnterCriticalSection(&lock_);
        entries_.push_back({binding, thread});
        ::LeaveCriticalSection(&lock_);
    }
    // Takes the newest entry of `thread`; null when there is none.
    DialogWindow* Take(DWORD thread) {
        DialogWindow* found = nullptr;
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
    void Remove(DialogWindow* binding) {
        ::EnterCriticalSection(&lock_);
        std::erase_if(entries_, [binding](const Entry& e) { return e.binding == binding; });
        ::LeaveCriticalSection(&lock_);
    }

private:
    struct Entry {
        DialogWindow* binding;
        DWORD thread;
    };
    CRITICAL_SECTION lock_;
    std::vector<Entry> entries_;
};

PendingCreations& Pending() {
    static PendingCreations pending;
    return pending;
}

}  // namespace

void DialogHost::InitCommonControls() { ::InitCommonControls(); }

void DialogHost::LoadLibraryAndKeep(std::u16string_view name) {
    // From the system folder only: a library of that name beside the program
    // or in the current folder must never run. Kept loaded on purpose.
    [[maybe_unused]] HMODULE kept = LoadSystemLibrary(ToWin(name).c_str());
}

WindowHandle DialogHost::GetActiveWindow() { return ::GetActiveWindow(); }

std::intptr_t DialogHost::RunModalDialog(std::uint16_t templateId, WindowHandle parent, IDialogDelegate& dialog) {
    // The rich-edit control's OLE callback needs a single-threaded apartment
    // from before the window exists until after it and its binding are gone.
    const ComApartment apartment(COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    auto* binding = new (std::nothrow) DialogWindow(instance_, dialog);
    if (binding == nullptr) {
        ::SetLastError(ERROR_OUTOFMEMORY);
        return -1;
    }
    std::unique_ptr<DialogWindow> owned(binding);
    Pending().Push(binding, ::GetCurrentThreadId());
    const INT_PTR result =
        ::DialogBoxParamW(instance_, MAKEINTRESOURCEW(templateId), static_cast<HWND>(parent), DialogWindowProc, 0);
    // A window that was never created leaves its entry behind.
    Pending().Remove(binding);
    return result;
}

INT_PTR CALLBACK DialogWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* binding = reinterpret_cast<DialogWindow*>(::GetWindowLongPtrW(window, DWLP_USER));
    if (binding == nullptr) {
        binding = Pending().Take(::GetCurrentThreadId());
        if (binding == nullptr) return FALSE;
        binding->Attach(window);
        ::SetWindowLongPtrW(window, DWLP_USER, reinterpret_cast<LONG_PTR>(binding));
    }
    switch (message) {
        case WM_INITDIALOG:
            binding->ReadDpi();
            binding->dialog().OnInitDialog(*binding);
            return FALSE;  // the focus comes with a posted WM_NEXTDLGCTL
        case WM_COMMAND:
            if (HIWORD(wParam) != BN_CLICKED) return FALSE;
            if (LOWORD(wParam) == IDCANCEL) {
                binding->dialog().OnCloseRequest(*binding);
            } else {
                binding->dialog().OnCommand(*binding, LOWORD(wParam));
            }
            return TRUE;
        case WM_CLOSE:
            binding->dialog().OnCloseRequest(*binding);
            return TRUE;
        default: {
            INT_PTR result = FALSE;
            return binding->HandleDrawingMessage(message, wParam, lParam, result) ? result : FALSE;
        }
    }
}

}  // namespace Korvane::PC::Tarnwick::Win32
