// UTF-16 texts of a library turned into UTF-8 for the tool's output.
#pragma once

#include <string>
#include <string_view>

#include "run/ExitCode.h"

namespace Korvane::PC::Tarnwick::Companion {

// UTF-8; unpaired surrogates become U+FFFD.
std::string Utf8(std::u16string_view text);
// UTF-8 with control characters made visible (\t, \r, \n, \0, \xNN), for
// quoting a table field or a string in a finding. A counted terminator at the
// end is left out.
std::string Shown(std::u16string_view text);
// UTF-16 from UTF-8 (the fleet file, command-line values).
std::u16string Utf16(std::string_view text);
// An exit code as the tool's texts name it: its number.
inline std::string ExitNumber(ExitCode code) { return std::to_string(ToNumber(code)); }

}  // namespace Korvane::PC::Tarnwick::Companion
