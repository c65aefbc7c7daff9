// Child processes.
#include <windows.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "platform/win32/ScopedHandle.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32Processes.h"

namespace Korvane::PC::Tarnwick::Win32 {

static_assert(kSwHide == SW_HIDE && kSwShowNormal == SW_SHOWNORMAL && kSwShowNoActivate == SW_SHOWNOACTIVATE);
static_assert(kCreateNewProcessGroup == CREATE_NEW_PROCESS_GROUP && kCreateNoWindow == CREATE_NO_WINDOW);

namespace {

constexpr DWORD kServeMessagesSliceMs = 400;

class Process : public IProcess {
public:
    explicit Process(ScopedKernelHandle handle) : handle_(std::move(handle)) {}

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

// While the pipe is empty, the process is looked at this often: output that
// arrives, and the end, are seen within this time.
constexpr DWORD kOutputPollMs = 10;
// The pipe's buffer: a whole listing fits, so the child does not wait for
// the reader until it has written that much.
constexpr DWORD kOutputPipeBytes = 1u << 20;

class OutputProcess : public IOutputProcess {
public:
    OutputProcess(ScopedKernelHandle process, ScopedKernelHandle pipe)
        : process_(std::move(process)), pipe_(std::move(pipe)) {}

    OutputRead Read(std::size_t maxBytes, std::uint32_t waitMs) override {
        const ULONGLONG deadline = ::GetTickCount64() + waitMs;
        for (;;) {
            DWORD available = 0;
            if (!::PeekNamedPipe(pipe_.get(), nullptr, 0, nullptr, &available, nullptr)) {
                // Every writer has closed its end and nothing is left.
                if (::GetLastError() == ERROR_BROKEN_PIPE) return {.ended = true};
                return {.failed = true};
            }
            if (available > 0 && maxBytes > 0) {
                // As much as is there: the read does not block.
                std::string bytes(std::min<std::size_t>({available, maxBytes, MAXDWORD}), '\0');
                DWORD got = 0;
                if (!::ReadFile(pipe_.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr)) {
                    if (::GetLastError() == ERROR_BROKEN_PIPE) return {.ended = true};
                    return {.failed = true};
                }
                bytes.resize(got);
                return {.bytes = std::move(bytes)};
            }
            // The process has ended and the pipe is empty: whatever it wrote
            // was in the pipe before it ended. (A child of its own that
            // inherited the pipe is not waited for.)
            if (ended_) return {.ended = true};
            const ULONGLONG now = ::GetTickCount64();
            if (now >= deadline) return {};
            const DWORD slice = static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, kOutputPollMs));
            switch (::WaitForSingleObject(process_.get(), slice)) {
                case WAIT_OBJECT_0:
                    ended_ = true;
                    break;
                case WAIT_TIMEOUT:
                    break;
                default:
                    return {.failed = true};
            }
        }
    }

    bool Terminate() override { return ::TerminateProcess(process_.get(), 1) != FALSE; }

private:
    ScopedKernelHandle process_;
    ScopedKernelHandle pipe_;
    bool ended_ = false;
};

// A thread-attribute list that lets the child inherit `handle` and nothing
// else, whatever other handles of this process are inheritable.
class InheritOnly {
public:
    explicit InheritOnly(HANDLE handle) : handle_(handle) {
        SIZE_T size = 0;
        ::InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        if (size == 0) return;
        storage_.resize(size);
        auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage_.data());
        if (!::InitializeProcThreadAttributeList(list, 1, 0, &size)) return;
        if (!::UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, &handle_, sizeof(handle_),
                                         nullptr, nullptr)) {
            ::DeleteProcThreadAttributeList(list);
            return;
        }
        list_ = list;
    }
    InheritOnly(const InheritOnly&) = delete;
    InheritOnly& operator=(const InheritOnly&) = delete;
    ~InheritOnly() {
        if (list_ != nullptr) ::DeleteProcThreadAttributeList(list_);
    }
    LPPROC_THREAD_ATTRIBUTE_LIST get() const { return list_; }

private:
    HANDLE handle_;  // UpdateProcThreadAttribute keeps a pointer to it
    std::vector<unsigned char> storage_;
    LPPROC_THREAD_ATTRIBUTE_LIST list_ = nullptr;
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
    return std::make_unique<Process>(ScopedKernelHandle(info.hProcess));
}

std::unique_ptr<IOutputProcess> Processes::StartReadingOutput(const ProcessLaunch& launch) {
    // The write end is inheritable (the child gets it as its standard
    // output); the read end stays this process's alone.
    SECURITY_ATTRIBUTES inheritable{sizeof(inheritable), nullptr, TRUE};
    ScopedKernelHandle pipe;
    ScopedKernelHandle childOutput;
    if (!::CreatePipe(pipe.put(), childOutput.put(), &inheritable, kOutputPipeBytes)) return nullptr;
    if (!::SetHandleInformation(pipe.get(), HANDLE_FLAG_INHERIT, 0)) return nullptr;
    const InheritOnly inheritOnly(childOutput.get());
    if (inheritOnly.get() == nullptr) return nullptr;

    const std::wstring application = ToWin(launch.application);
    std::wstring commandLine = ToWin(launch.commandLine);  // CreateProcessW may write into it
    const std::wstring directory = ToWin(launch.currentDirectory);
    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = sizeof(startup);
    startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
    if (launch.showWindow) {
        startup.StartupInfo.dwFlags |= STARTF_USESHOWWINDOW;
        startup.StartupInfo.wShowWindow = *launch.showWindow;
    }
    startup.StartupInfo.hStdInput = nullptr;
    startup.StartupInfo.hStdOutput = childOutput.get();
    startup.StartupInfo.hStdError = nullptr;
    startup.lpAttributeList = inheritOnly.get();
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(application.empty() ? nullptr : application.c_str(), commandLine.data(), nullptr, nullptr,
                          TRUE, launch.creationFlags | EXTENDED_STARTUPINFO_PRESENT, nullptr,
                          directory.empty() ? nullptr : directory.c_str(), &startup.StartupInfo, &info)) {
        return nullptr;
    }
    ::CloseHandle(info.hThread);
    // Only the child holds the write end now: the pipe breaks when it ends.
    childOutput.reset();
    return std::make_unique<OutputProcess>(ScopedKernelHandle(info.hProcess), std::move(pipe));
}

}  // namespace Korvane::PC::Tarnwick::Win32

namespace Korvane::PC::Tarnwick::Win32 {

std::unique_ptr<IProcess> AdoptProcess(HANDLE process) {
    return std::make_unique<Process>(ScopedKernelHandle(process));
}

}  // namespace Korvane::PC::Tarnwick::Win32
