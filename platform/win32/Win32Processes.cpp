// Child processes.
#include <windows.h>

#include "platform/win32/ScopedHandle.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32Downloads.h"
#include "platform/win32/Win32Platform.h"

namespace Korvane::PC::Tarnwick::Win32 {

static_assert(kSwHide == SW_HIDE && kSwShowNormal == SW_SHOWNORMAL && kSwShowNoActivate == SW_SHOWNOACTIVATE);
static_assert(kCreateNewProcessGroup == CREATE_NEW_PROCESS_GROUP && kCreateNoWindow == CREATE_NO_WINDOW);

namespace {

constexpr DWORD kServeMessagesSliceMs = 400;

class Process : public IProcess {
public:
    explicit Process(HANDLE handle) : handle_(handle) {}

    WaitOutcome Wait(std::optional<std::uint32_t> timeoutMs) override {
        return WaitForHandle(handle_.get(), timeoutMs);
    }

    WaitOutcome WaitServingMessages() override {
        for (;;) {
            HANDLE handle = handle_.get();
            const DWORD result = ::MsgWaitForMultipleObjects(1, &handle, FALSE, kServeMessagesSliceMs, QS_ALLINPUT);
            if (result == WAIT_OBJECT_0) return WaitOutcome::kSignalled;
            if (result == WAIT_OBJECT_0 + 1) {
                MSG message;
                while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                    ::TranslateMessage(&message);
                    ::DispatchMessageW(&message);
                }
                continue;
            }
            if (result == WAIT_TIMEOUT) continue;
            return WaitOutcome::kFailed;
        }
    }

    std::optional<std::uint32_t> ExitCode() override {
        DWORD code = 0;
        if (!::GetExitCodeProcess(handle_.get(), &code)) return std::nullopt;
        return code;
    }

private:
    ScopedKernelHandle handle_;
};

}  // namespace

std::unique_ptr<IProcess> Processes::Start(const ProcessLaunch& launch) {
    const std::wstring application = ToWin(launch.application);
    std::wstring commandLine = ToWin(launch.commandLine);  // CreateProcessW may write into it
    const std::wstring directory = ToWin(launch.currentDirectory);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    if (launch.showWindow) {
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = *launch.showWindow;
    }
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(application.empty() ? nullptr : application.c_str(), commandLine.data(), nullptr, nullptr,
                          FALSE, launch.creationFlags, nullptr, directory.empty() ? nullptr : directory.c_str(),
                          &startup, &info)) {
        return nullptr;
    }
    ::CloseHandle(info.hThread);
    return std::make_unique<Process>(info.hProcess);
}

}  // namespace Korvane::PC::Tarnwick::Win32

namespace Korvane::PC::Tarnwick::Win32 {

std::unique_ptr<IProcess> AdoptProcess(HANDLE process) { return std::make_unique<Process>(process); }

}  // namespace Korvane::PC::Tarnwick::Win32
