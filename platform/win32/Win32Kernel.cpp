// Command line, thread language, named mutex, files, clock and version tests.
#include <windows.h>
#include <shellapi.h>
#include <shlwapi.h>
#include <aclapi.h>

#include <ctime>
#include <utility>

#include "platform/win32/ScopedHandle.h"
#include "platform/win32/SystemLibraries.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32Platform.h"

namespace Korvane::PC::Tarnwick::Win32 {

std::optional<std::vector<std::u16string>> CommandLine::SplitProcessCommandLine() {
    int count = 0;
    ScopedLocalMemory<LPWSTR*> argv(::CommandLineToArgvW(::GetCommandLineW(), &count));
    if (!argv) return std::nullopt;
    std::vector<std::u16string> arguments;
    arguments.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) arguments.push_back(FromWin(argv.get()[i]));
    return arguments;
}

void ThreadLanguage::SetThreadLocale(std::uint32_t lcid) { ::SetThreadLocale(lcid); }

void ThreadLanguage::SetThreadUILanguage(std::uint16_t langId) { ::SetThreadUILanguage(langId); }

std::int32_t ThreadLanguage::GetUserNationGeoId() { return static_cast<std::int32_t>(::GetUserGeoID(GEOCLASS_NATION)); }

namespace {

class KernelObject : public IKernelObject {
public:
    explicit KernelObject(ScopedKernelHandle handle) : handle_(std::move(handle)) {}

private:
    ScopedKernelHandle handle_;
};

}  // namespace

NamedMutexResult Sync::CreateNamedMutex(std::u16string_view name, std::uint32_t flags, std::uint32_t access) {
    const std::wstring wideName = ToWin(name);
    // Owned from the call on, so that running out of memory below cannot
    // leave the guard held for the rest of the process.
    ScopedKernelHandle mutex(::CreateMutexExW(nullptr, wideName.c_str(), flags, access));
    const HANDLE handle = mutex.get();
    NamedMutexResult result;
    result.lastError = ::GetLastError();
    if (handle == nullptr) return result;
    result.handle = std::make_unique<KernelObject>(std::move(mutex));
    if (result.lastError == ERROR_ALREADY_EXISTS) {
        PSID owner = nullptr;
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        if (::GetSecurityInfo(handle, SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr,
                              nullptr, &descriptor) == ERROR_SUCCESS) {
            const ScopedLocalMemory<PSECURITY_DESCRIPTOR> owned(descriptor);
            result.ownerSid = SidString(owner);
        }
    }
    return result;
}

std::optional<std::uint32_t> Files::GetFileAttributes(std::u16string_view path) {
    const DWORD attributes = ::GetFileAttributesW(ToWin(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return std::nullopt;
    return attributes;
}

std::optional<std::u16string> Files::ReplaceFileName(std::u16string_view path, std::u16string_view fileName) {
    if (path.size() >= MAX_PATH) return std::nullopt;
    wchar_t buffer[MAX_PATH] = {};
    std::copy(path.begin(), path.end(), buffer);
    ::PathRemoveFileSpecW(buffer);
    if (!::PathAppendW(buffer, ToWin(fileName).c_str())) return std::nullopt;
    return FromWin(buffer);
}

namespace {

class OpenFile : public IOpenFile {
public:
    explicit OpenFile(HANDLE handle) : handle_(handle) {}
    void* NativeHandle() const override { return handle_.get(); }

private:
    ScopedFileHandle handle_;
};

}  // namespace

std::unique_ptr<IOpenFile> Files::OpenReadDenyWrite(std::u16string_view path) {
    HANDLE handle = ::CreateFileW(ToWin(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<OpenFile>(handle);
}

void Files::SetLastError(std::uint32_t error) { ::SetLastError(error); }

std::uint32_t Files::GetLastError() { return ::GetLastError(); }

std::int64_t Clock::Now() { return _time64(nullptr); }

std::optional<LocalDate> Clock::ToLocalDate(std::int64_t time) {
    const __time64_t t = time;
    std::tm local{};
    if (_localtime64_s(&local, &t) != 0) return std::nullopt;
    return LocalDate{local.tm_year, local.tm_mon, local.tm_mday};
}

LocalTime Clock::GetLocalTime() {
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

bool SystemInfo::VersionAtLeast(std::uint32_t major, std::uint32_t minor, std::uint16_t servicePackMajor) {
    OSVERSIONINFOEXW info{};
    info.dwOSVersionInfoSize = sizeof(info);
    info.dwMajorVersion = major;
    info.dwMinorVersion = minor;
    info.wServicePackMajor = servicePackMajor;
    ULONGLONG mask = 0;
    mask = ::VerSetConditionMask(mask, VER_MAJORVERSION, VER_GREATER_EQUAL);
    mask = ::VerSetConditionMask(mask, VER_MINORVERSION, VER_GREATER_EQUAL);
    mask = ::VerSetConditionMask(mask, VER_SERVICEPACKMAJOR, VER_GREATER_EQUAL);
    return ::VerifyVersionInfoW(&info, VER_MAJORVERSION | VER_MINORVERSION | VER_SERVICEPACKMAJOR, mask) != FALSE;
}

std::optional<bool> SystemInfo::IsWow64Process() {
    using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
    const auto isWow64 = Kernel32Export<IsWow64ProcessFn>("IsWow64Process");
    if (isWow64 == nullptr) return std::nullopt;
    BOOL flag = FALSE;
    if (!isWow64(::GetCurrentProcess(), &flag)) return std::nullopt;
    return flag != FALSE;
}

}  // namespace Korvane::PC::Tarnwick::Win32
