// How the program reads a definition row's version text for each action.
//
// ReadVersionNumbers follows the number readers' rules (skip to the first
// decimal digit, then "%u.%u..." for `count` numbers, unread numbers 0).
// TODO(merge): call ParseVersion2/3/4 of machine/ once they land, so the check
// uses the program's own readers.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace Korvane::PC::Tarnwick::Companion {

using VersionNumbers = std::array<std::uint32_t, 4>;

VersionNumbers ReadVersionNumbers(std::u16string_view text, int count);

}  // namespace Korvane::PC::Tarnwick::Companion
