// Test twin of IClock: a calendar time the test sets, a fixed offset for
// the local date (no time-zone rules) and a scripted local wall-clock time.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/Clock.h"

namespace Korvane::PC::Tarnwick {

class FakeClock : public IClock {
public:
    std::int64_t now = 0;
    // Local offset in seconds added before splitting into a date.
    std::int64_t utcOffsetSeconds = 0;
    bool localConversionFails = false;
    LocalTime localTime{2026, 3, 4, 5, 6, 7};
    std::int64_t Now() override { return now; }
    std::optional<LocalDate> ToLocalDate(std::int64_t time) override;
    LocalTime GetLocalTime() override { return localTime; }
};

// Days since 1970-01-01 to a civil date (proleptic Gregorian).
inline LocalDate CivilFromSeconds(std::int64_t seconds) {
    std::int64_t days = seconds / 86400;
    if (seconds % 86400 < 0) --days;
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t doe = days - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const std::int64_t d = doy - (153 * mp + 2) / 5 + 1;
    const std::int64_t m = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t y = yoe + era * 400 + (m <= 2 ? 1 : 0);
    return LocalDate{static_cast<int>(y - 1900), static_cast<int>(m - 1), static_cast<int>(d)};
}

inline std::optional<LocalDate> FakeClock::ToLocalDate(std::int64_t time) {
    if (localConversionFails) return std::nullopt;
    return CivilFromSeconds(time + utcOffsetSeconds);
}

}  // namespace Korvane::PC::Tarnwick
