// The class of the running operating system, as the definition tables'
// operating-system columns and the support page know it.
#pragma once

#include <cstdint>

namespace Korvane::PC::Tarnwick {

// 0..9 for Windows 7, 8, 8.1, 10 before release 1903 and 10 from 1903, each
// 32-bit (even) or 64-bit (odd); 10 for anything else.
using OsClass = std::int32_t;
inline constexpr OsClass kOsClassOther = 10;

}  // namespace Korvane::PC::Tarnwick
