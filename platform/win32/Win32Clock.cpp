// Calendar time from the runtime and the local wall-clock time.
#include <windows.h>

#include <ctime>

#include "platform/win32/Win32Clock.h"

namespace Korvane::PC::Tarnwick::Win32 {

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

}  // namespace Korvane::PC::Tarnwick::Win32
