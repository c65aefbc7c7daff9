// Calendar time and its local broken-down form.
#pragma once

#include <cstdint>
#include <optional>

namespace Korvane::PC::Tarnwick {

struct LocalDate {
    int yearsSince1900 = 0;  // tm_year
    int zeroBasedMonth = 0;  // tm_mon
    int dayOfMonth = 1;      // tm_mday
};

// The wall-clock time of the local time zone (GetLocalTime).
struct LocalTime {
    std::uint16_t year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

class IClock {
public:
    virtual ~IClock() = default;
    // Seconds since 1970-01-01 00:00 UTC (64-bit calendar time).
    virtual std::int64_t Now() = 0;
    // The runtime's thread-safe local-time conversion; nullopt on failure.
    [[nodiscard]] virtual std::optional<LocalDate> ToLocalDate(std::int64_t time) = 0;
    // GetLocalTime.
    virtual LocalTime GetLocalTime() = 0;
};

}  // namespace Korvane::PC::Tarnwick
