// What `check` reads of a library besides its tables: every string of the
// program's catalogue (kCompanionStrings, with the inserts each template
// takes), the rich-text messages (kRtfMessageIds) and the progress window's
// icon group (kProgressIconId), all from run/CompanionIds.h; here only the
// resource types of an icon.
#pragma once

#include <cstdint>

#include "run/CompanionIds.h"

namespace Korvane::PC::Tarnwick::Companion {

inline constexpr std::uint16_t kRtGroupIcon = 14;  // RT_GROUP_ICON
inline constexpr std::uint16_t kRtIcon = 3;        // RT_ICON

}  // namespace Korvane::PC::Tarnwick::Companion
