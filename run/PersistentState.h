// The two per-user values kept between runs and the day arithmetic of the
// cancel period.
//
// Key: HKEY_CURRENT_USER "SOFTWARE\Korvane\Holtspur" (the registry view a
// 32-bit process sees by default), with
//   "First" REG_DWORD: low 32 bits of the calendar time of the first run that
//           computed a cancel period; written only when missing, unreadable
//           or of another type;
//   "RtCt"  REG_DWORD: the skip count of the notification mode.
// Neither value is ever deleted. Registry failures never stop a run.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/Platform.h"
#include "platform/Registry.h"

namespace Korvane::PC::Tarnwick {

struct StateKey {
    static constexpr RegistryRoot root = RegistryRoot::CurrentUser;
    static constexpr std::u16string_view subKey = u"SOFTWARE\\Korvane\\Holtspur";
};

inline constexpr std::u16string_view kFirstRunValue = u"First";
inline constexpr std::u16string_view kSkipCountValue = u"RtCt";

// A number of cancel days at or above this means "no limit".
inline constexpr std::uint32_t kNoCancelLimit = 1000;

// RegOpenKeyExW(root, subKey, 0, KEY_READ). Also used for keys other than
// the state key.
OpenedKey OpenForReading(IRegistry& registry, RegistryRoot root, std::u16string_view subKey);
OpenedKey OpenStateKeyForReading(IRegistry& registry);
// RegCreateKeyExW on the state key with KEY_ALL_ACCESS; creates it if needed.
OpenedKey OpenStateKeyForWriting(IRegistry& registry);

// Modified Julian Day number of a date (month 1..12, day 1..31), computed in
// double precision with the truncations of the classic formula:
// 1858-11-17 is 0, 2000-01-01 is 51544.
std::int32_t DayNumber(std::int32_t year, std::int32_t month, std::int32_t day);

// Days left of a cancel period of `days` local calendar days that started
// with the first run recorded in "First" (recorded now when missing).
// days 0: daysLeft 0 and false, registry untouched. days >= 1000: daysLeft
// 1000 and true. Otherwise true with daysLeft = days - elapsed while days is
// above the elapsed days, else daysLeft 0 and false.
bool ComputeDaysLeft(Platform& platform, std::uint32_t days, std::uint32_t& daysLeft);

// Stores "RtCt"; a failure is ignored.
void WriteSkipCount(IRegistry& registry, std::uint32_t count);
void WriteSkipCount(Platform& platform, std::uint32_t count);
// "RtCt", or 0 when the key or value is missing or the value is not a
// REG_DWORD.
std::uint32_t ReadSkipCount(IRegistry& registry);
std::uint32_t ReadSkipCount(Platform& platform);

}  // namespace Korvane::PC::Tarnwick
