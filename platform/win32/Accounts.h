// Accounts as the token and the access lists give them.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace Korvane::PC::Tarnwick::Win32 {

// `sid` as a string SID ("S-1-5-18"); empty on failure.
std::u16string SidString(PSID sid);

// GetTokenInformation of `kind` for `token` (opened with TOKEN_QUERY), in a
// buffer of the size the first call asks for; empty on failure.
std::vector<std::uint8_t> TokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS kind);

}  // namespace Korvane::PC::Tarnwick::Win32
