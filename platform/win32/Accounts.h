// Accounts as the token and the access lists give them.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/win32/ScopedHandle.h"

namespace Korvane::PC::Tarnwick::Win32 {

// `sid` as a string SID ("S-1-5-18"); empty on failure.
std::u16string SidString(PSID sid);

// GetTokenInformation of `kind` for `token` (opened with TOKEN_QUERY), in a
// buffer of the size the first call asks for; empty on failure.
std::vector<std::uint8_t> TokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS kind);

// This process's token, opened with TOKEN_QUERY; empty on failure (the last
// error says why).
ScopedKernelHandle OpenOwnToken();

// The user of a token, read in one place: the run's account and the work
// folder's access list both take the running user from here. A copy of the
// SID of `token`'s user (`token` opened with TOKEN_QUERY), as bytes a PSID
// can point at; empty on failure.
std::vector<std::uint8_t> TokenUserSid(HANDLE token);

// The SID of the user this process runs as; empty on failure.
std::vector<std::uint8_t> CurrentUserSid();

}  // namespace Korvane::PC::Tarnwick::Win32
