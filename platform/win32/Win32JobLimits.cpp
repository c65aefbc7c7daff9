#include "platform/win32/Win32JobLimits.h"

#include <cstdlib>
#include <cwchar>

namespace Korvane::PC::Tarnwick::Win32 {

JobLimits CreateJobLimits() {
    JobLimits limits;
#ifdef TARNWICK_TEST_HOOKS
    const auto read = [](const wchar_t* name, std::uint32_t& value) {
        if (const wchar_t* text = _wgetenv(name); text != nullptr && *text != L'\0') {
            value = static_cast<std::uint32_t>(std::wcstoul(text, nullptr, 10));
        }
    };
    read(L"TARNWICK_TEST_RETRY_WAIT_MS", limits.retryWaitMs);
    if (const wchar_t* limit = _wgetenv(L"TARNWICK_TEST_PACKAGE_LIMIT"); limit != nullptr && *limit != L'\0') {
        limits.packageSizeLimit = std::wcstoull(limit, nullptr, 10);
    }
    read(L"TARNWICK_TEST_ATTEMPT_DEADLINE_MS", limits.attemptDeadlineMs);
    read(L"TARNWICK_TEST_RATE_WINDOW_MS", limits.rateWindowMs);
    read(L"TARNWICK_TEST_RATE_WINDOW_BYTES", limits.rateWindowBytes);
#endif
    return limits;
}

}  // namespace Korvane::PC::Tarnwick::Win32
