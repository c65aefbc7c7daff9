// Version tests of the running system.
#include <windows.h>

#include "platform/win32/SystemLibraries.h"
#include "platform/win32/Win32SystemInfo.h"

namespace Korvane::PC::Tarnwick::Win32 {

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
    const auto isWow64 = TARNWICK_EXPORT(Kernel32(), IsWow64Process);
    if (isWow64 == nullptr) return std::nullopt;
    BOOL flag = FALSE;
    if (!isWow64(::GetCurrentProcess(), &flag)) return std::nullopt;
    return flag != FALSE;
}

}  // namespace Korvane::PC::Tarnwick::Win32
