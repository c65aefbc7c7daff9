// Downloads through WinINet. wininet.dll is not a known DLL, so it is loaded
// from the system folder when the first session opens, and then pinned for
// the life of the process: unloading it runs its cache clean-up under the
// loader lock, which can wait for its own cache thread while that thread
// waits for the lock (seen under Wine once the cache is full).
#include <windows.h>
#include <wininet.h>

#include "platform/win32/WideText.h"
#include "platform/win32/Win32Downloads.h"

namespace Korvane::PC::Tarnwick::Win32 {
namespace {

using InternetOpenWFn = HINTERNET(WINAPI*)(LPCWSTR, DWORD, LPCWSTR, LPCWSTR, DWORD);
using InternetOpenUrlWFn = HINTERNET(WINAPI*)(HINTERNET, LPCWSTR, LPCWSTR, DWORD, DWORD, DWORD_PTR);
using InternetReadFileFn = BOOL(WINAPI*)(HINTERNET, LPVOID, DWORD, LPDWORD);
using InternetCloseHandleFn = BOOL(WINAPI*)(HINTERNET);

static_assert(INTERNET_OPEN_TYPE_PRECONFIG == 0 && INTERNET_FLAG_RELOAD == 0x80000000u);

struct Entry {
    InternetOpenUrlWFn openUrl;
    InternetReadFileFn read;
    InternetCloseHandleFn close;
};

class Request : public IInternetRequest {
public:
    Request(const Entry& entry, HINTERNET handle) : entry_(entry), handle_(handle) {}
    ~Request() override { entry_.close(handle_); }
    std::optional<std::uint32_t> Read(std::span<std::uint8_t> buffer) override {
        DWORD count = 0;
        if (!entry_.read(handle_, buffer.data(), static_cast<DWORD>(buffer.size()), &count)) return std::nullopt;
        return count;
    }

private:
    Entry entry_;
    HINTERNET handle_;
};

class Session : public IInternetSession {
public:
    Session(const Entry& entry, HINTERNET handle) : entry_(entry), handle_(handle) {}
    ~Session() override { entry_.close(handle_); }
    std::unique_ptr<IInternetRequest> OpenUrl(std::u16string_view url) override {
        HINTERNET request = entry_.openUrl(handle_, ToWin(url).c_str(), nullptr, 0, INTERNET_FLAG_RELOAD, 0);
        if (request == nullptr) return nullptr;
        return std::make_unique<Request>(entry_, request);
    }

private:
    Entry entry_;
    HINTERNET handle_;
};

}  // namespace

std::unique_ptr<IInternetSession> Internet::Open(std::u16string_view agent) {
    const auto open = wininet_.Get<InternetOpenWFn>("InternetOpenW");
    const Entry entry{wininet_.Get<InternetOpenUrlWFn>("InternetOpenUrlW"),
                      wininet_.Get<InternetReadFileFn>("InternetReadFile"),
                      wininet_.Get<InternetCloseHandleFn>("InternetCloseHandle")};
    if (open == nullptr || entry.openUrl == nullptr || entry.read == nullptr || entry.close == nullptr) {
        return nullptr;
    }
    if (!pinned_) {
        HMODULE module = nullptr;
        pinned_ = ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                                       reinterpret_cast<LPCWSTR>(reinterpret_cast<void*>(open)), &module) != FALSE;
    }
    HINTERNET session = open(ToWin(agent).c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    if (session == nullptr) return nullptr;
    return std::make_unique<Session>(entry, session);
}

}  // namespace Korvane::PC::Tarnwick::Win32
