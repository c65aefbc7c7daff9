// Task dialogs: the messages and questions, and the download's progress
// window.
#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <string>
#include <vector>

#include "platform/win32/ScopedHandle.h"
#include "platform/win32/SystemLibraries.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32DialogWindow.h"
#include "platform/win32/Win32TaskDialogs.h"

namespace Korvane::PC::Tarnwick::Win32 {
namespace {

static_assert(kTdfEnableHyperlinks == TDF_ENABLE_HYPERLINKS && kTdfAllowDialogCancellation == TDF_ALLOW_DIALOG_CANCELLATION &&
              kTdfPositionRelativeToWindow == TDF_POSITION_RELATIVE_TO_WINDOW && kTdfSizeToContent == TDF_SIZE_TO_CONTENT &&
              kTdfShowMarqueeProgressBar == TDF_SHOW_MARQUEE_PROGRESS_BAR && kTdfCallbackTimer == TDF_CALLBACK_TIMER);
static_assert(kMessageFlags == 0x01001009);
static_assert(kTdcbfOkButton == TDCBF_OK_BUTTON && kTdcbfCancelButton == TDCBF_CANCEL_BUTTON &&
              kTdcbfCloseButton == TDCBF_CLOSE_BUTTON);
static_assert(sizeof(TASKDIALOGCONFIG) == 96);

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

}  // namespace Korvane::PC::Tarnwick::Win32
