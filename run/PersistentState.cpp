#include "run/PersistentState.h"

#include <cmath>
#include <vector>

#include "platform/Sync.h"

namespace Korvane::PC::Tarnwick {
namespace {

std::vector<std::uint8_t> DwordBytes(std::uint32_t value) {
    return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

// Little-endian; a shorter value reads as if into a zeroed 4-byte buffer.
std::uint32_t DwordFromBytes(const std::vector<std::uint8_t>& bytes) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < bytes.size() && i < 4; ++i) value |= static_cast<std::uint32_t>(bytes[i]) << (8 * i);
    return value;
}

struct DwordRead {
    std::uint32_t error = 0;  // 0 when the value was read as a REG_DWORD
    std::uint32_t value = 0;
};

// One 4-byte REG_DWORD of the state key. A value of another type counts as
// ERROR_INVALID_DATA.
DwordRead ReadStateDword(IRegistry& registry, std::u16string_view name) {
    OpenedKey opened = OpenStateKeyForReading(registry);
    if (opened.error != 0 || !opened.key) return {opened.error != 0 ? opened.error : kErrorFileNotFound, 0};
    const RegistryValue read = opened.key->QueryValue(name, 4);
    if (read.error != 0) return {read.error, 0};
    if (read.type != kRegDword) return {kErrorInvalidData, 0};
    return {0, DwordFromBytes(read.data)};
}

void WriteStateDword(IRegistry& registry, std::u16string_view name, std::uint32_t value) {
    OpenedKey opened = OpenStateKeyForWriting(registry);
    if (opened.error != 0 || !opened.key) return;
    (void)opened.key->SetValue(name, kRegDword, DwordBytes(value));  // unwritten state never stops a run
}

std::int32_t DayNumberOf(const LocalDate& date) {
    return DayNumber(date.yearsSince1900 + 1900, date.zeroBasedMonth + 1, date.dayOfMonth);
}

}  // namespace

OpenedKey OpenForReading(IRegistry& registry, RegistryRoot root, std::u16string_view subKey) {
    return registry.OpenKey(root, subKey, kKeyRead);
}

OpenedKey OpenStateKeyForReading(IRegistry& registry) {
    return OpenForReading(registry, StateKey::root, StateKey::subKey);
}

OpenedKey OpenStateKeyForWriting(IRegistry& registry) {
    return registry.CreateKey(StateKey::root, StateKey::subKey, kKeyAllAccess);
}

std::int32_t DayNumber(std::int32_t year, std::int32_t month, std::int32_t day) {
    std::int32_t y = year;
    std::int32_t m = month;
    if (month == 1 || month == 2) {
        y = year - 1;
        m = month + 12;
    }
    // The integer quotients truncate toward zero before they are rounded
    // down as doubles.
    const double t1 = std::floor(static_cast<double>(y / 400));
    const double t2 = std::floor(static_cast<double>(y) * 365.25);
    const double t3 = std::floor(static_cast<double>(y / 100));
    const double t4 = std::floor(static_cast<double>(m - 2) * 30.59);
    return static_cast<std::int32_t>(t1 + t2 - t3 + t4 + static_cast<double>(day) - 678912.0);
}

bool ComputeDaysLeft(Platform& platform, std::uint32_t days, std::uint32_t& daysLeft) {
    if (days == 0) {
        daysLeft = 0;
        return false;
    }
    if (days >= kNoCancelLimit) {
        daysLeft = kNoCancelLimit;
        return true;
    }

    std::int64_t first = -1;
    const DwordRead stored = ReadStateDword(platform.registry, kFirstRunValue);
    if (stored.error == 0) {
        first = static_cast<std::int64_t>(stored.value);
    } else {
        // Missing, unreadable or of the wrong type: this run starts the
        // period. If the store fails, the period starts anew on every run.
        first = platform.clock.Now();
        WriteStateDword(platform.registry, kFirstRunValue, static_cast<std::uint32_t>(first));
    }

    const std::int64_t now = platform.clock.Now();
    std::uint32_t elapsed = 0;
    if (now > first) {
        // Local calendar days, not 24-hour spans.
        const std::optional<LocalDate> nowDate = platform.clock.ToLocalDate(now);
        const std::optional<LocalDate> firstDate = platform.clock.ToLocalDate(first);
        if (nowDate && firstDate) elapsed = static_cast<std::uint32_t>(DayNumberOf(*nowDate) - DayNumberOf(*firstDate));
    }

    if (days > elapsed) {
        daysLeft = days - elapsed;
        return true;
    }
    daysLeft = 0;
    return false;
}

void WriteSkipCount(IRegistry& registry, std::uint32_t count) { WriteStateDword(registry, kSkipCountValue, count); }

void WriteSkipCount(Platform& platform, std::uint32_t count) { WriteSkipCount(platform.registry, count); }

std::uint32_t ReadSkipCount(IRegistry& registry) {
    const DwordRead stored = ReadStateDword(registry, kSkipCountValue);
    return stored.error == 0 ? stored.value : 0;
}

std::uint32_t ReadSkipCount(Platform& platform) { return ReadSkipCount(platform.registry); }

}  // namespace Korvane::PC::Tarnwick
