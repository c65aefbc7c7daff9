// Dialog hosting and task dialogs.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include <atomic>
#include <new>
#include <string>
#include <vector>

#include "platform/win32/ScopedHandle.h"
#include "platform/win32/SystemLibraries.h"
#include "platform/win32/Win32DialogWindow.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32Platform.h"

namespace Korvane::PC::Tarnwick::Win32 {
namespace {

static_assert(kTdfEnableHyperlinks == TDF_ENABLE_HYPERLINKS && kTdfAllowDialogCancellation == TDF_ALLOW_DIALOG_CANCELLATION &&
              kTdfPositionRelativeToWindow == TDF_POSITION_RELATIVE_TO_WINDOW && kTdfSizeToContent == TDF_SIZE_TO_CONTENT &&
              kTdfShowMarqueeProgressBar == TDF_SHOW_MARQUEE_PROGRESS_BAR && kTdfCallbackTimer == TDF_CALLBACK_TIMER);
static_assert(kMessageFlags == 0x01001009);
static_assert(kTdcbfOkButton == TDCBF_OK_BUTTON && kTdcbfCancelButton == TDCBF_CANCEL_BUTTON &&
              kTdcbfCloseButton == TDCBF_CLOSE_BUTTON);
static_assert(sizeof(TASKDIALOGCONFIG) == 96);

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

// What a message's callback needs: its window icon and the request's link
// handler.
struct MessageCallbackData {
    HICON icon;
    const TaskDialogRequest* request;
};

HRESULT CALLBACK TaskDialogCallback(HWND window, UINT notification, WPARAM /*wParam*/, LPARAM lParam,
                                    LONG_PTR data) {
    const auto& callback = *reinterpret_cast<const MessageCallbackData*>(data);
    switch (notification) {
        case TDN_CREATED:
            ::SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(callback.icon));
            ::SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(callback.icon));
            break;
        case TDN_HYPERLINK_CLICKED:
            if (callback.request->openLink && lParam != 0) {
                callback.request->openLink(FromWin(reinterpret_cast<LPCWSTR>(lParam)));
            }
            break;
        default:
            break;
    }
    return S_OK;
}

LPCWSTR IdText(std::uint16_t id) { return id == 0 ? nullptr : MAKEINTRESOURCEW(id); }

// The progress window: the marquee runs from creation on; once the job is
// no longer busy the window presses OK on itself.
HRESULT CALLBACK ProgressCallback(HWND window, UINT notification, WPARAM, LPARAM, LONG_PTR data) {
    const auto& busy = *reinterpret_cast<const std::atomic<bool>*>(data);
    if (notification == TDN_CREATED) {
        ::SendMessageW(window, TDM_SET_PROGRESS_BAR_MARQUEE, TRUE, 0);
    } else if (notification == TDN_TIMER && !busy.load()) {
        ::SendMessageW(window, TDM_CLICK_BUTTON, IDOK, 0);
        // Wine difference: Wine clicks only buttons the dialog has, and this
        // one has Cancel alone; the command ends it there as well.
        if (::GetDlgItem(window, IDOK) == nullptr) {
            ::SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        }
    }
    return S_OK;
}

// Fills `config` from `request`; `buttons` and `content` hold what it points to.
void FillConfig(const TaskDialogRequest& request, HINSTANCE programInstance, TASKDIALOGCONFIG& config,
                std::vector<TASKDIALOG_BUTTON>& buttons, std::wstring& content) {
    for (const TaskDialogButton& b : request.buttons) buttons.push_back({b.id, MAKEINTRESOURCEW(b.textId)});
    content = ToWin(request.contentText);
    config = {};
    config.cbSize = sizeof(config);
    config.hwndParent = static_cast<HWND>(request.parent);
    config.hInstance = request.instance != nullptr ? static_cast<HINSTANCE>(const_cast<void*>(request.instance))
                                                   : programInstance;
    config.dwFlags = request.flags;
    config.dwCommonButtons = request.commonButtons;
    config.pszWindowTitle = IdText(request.windowTitleId);
    config.pszMainIcon = IdText(request.mainIconId);
    config.pszMainInstruction = IdText(request.mainInstructionId);
    config.pszContent = content.empty() ? IdText(request.contentId) : content.c_str();
    config.pszFooter = IdText(request.footerId);
    config.cButtons = static_cast<UINT>(buttons.size());
    config.pButtons = buttons.empty() ? nullptr : buttons.data();
    config.nDefaultButton = request.defaultButton;
}

std::optional<std::int32_t> RunTaskDialog(const TASKDIALOGCONFIG& config) {
    int pressed = 0;
    if (FAILED(::TaskDialogIndirect(&config, &pressed, nullptr, nullptr))) return std::nullopt;
    return pressed;
}

}  // namespace

std::int32_t DialogHost::CoInitializeEx(std::uint32_t coinit) {
    return static_cast<std::int32_t>(::CoInitializeEx(nullptr, coinit));
}

void DialogHost::CoUninitialize() { ::CoUninitialize(); }

void DialogHost::InitCommonControls() { ::InitCommonControls(); }

void DialogHost::LoadLibraryAndKeep(std::u16string_view name) {
    // From the system folder only: a library of that name beside the program
    // or in the current folder must never run. Kept loaded on purpose.
    [[maybe_unused]] HMODULE kept = LoadSystemLibrary(ToWin(name).c_str());
}

WindowHandle DialogHost::GetActiveWindow() { return ::GetActiveWindow(); }

std::intptr_t DialogHost::RunModalDialog(std::uint16_t templateId, WindowHandle parent, IDialogDelegate& dialog) {
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

std::optional<std::int32_t> TaskDialogs::Show(const TaskDialogRequest& request) {
    ScopedIcon icon(LoadIconScaledDown(instance_, request.windowIconId, 0, 0));
    TASKDIALOGCONFIG config;
    std::vector<TASKDIALOG_BUTTON> buttons;
    std::wstring content;
    FillConfig(request, instance_, config, buttons, content);
    MessageCallbackData callback{icon.get(), &request};
    config.pfCallback = TaskDialogCallback;
    config.lpCallbackData = reinterpret_cast<LONG_PTR>(&callback);
    return RunTaskDialog(config);
}

std::optional<std::int32_t> TaskDialogs::ShowProgress(const TaskDialogRequest& request,
                                                      const std::atomic<bool>& busy) {
    TASKDIALOGCONFIG config;
    std::vector<TASKDIALOG_BUTTON> buttons;
    std::wstring content;
    FillConfig(request, instance_, config, buttons, content);
    config.pfCallback = ProgressCallback;
    config.lpCallbackData = reinterpret_cast<LONG_PTR>(&busy);
    return RunTaskDialog(config);
}

Win32Platform::Win32Platform(HINSTANCE instance)
    : dialogs_(instance),
      taskDialogs_(instance),
      firmware_(CreateFirmwareTables()),
      jobLimits_(CreateJobLimits()),
      platform_{commandLine_, language_, sync_,  dialogs_, taskDialogs_, registry_, *firmware_,
                modules_,     files_,    text_,  trust_,   clock_,       system_,
                processes_,   accessLibraries_, internet_, hashing_, threads_, workFiles_, shell_, jobLimits_,
                environment_, paths_, shellOpen_, outputFiles_, runAccount_} {}

}  // namespace Korvane::PC::Tarnwick::Win32
