// The user of an access token, read in one place: the run's account and the
// work folder's access list both take the running user from here.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "platform/win32/ScopedHandle.h"

namespace Korvane::PC::Tarnwick::Win32 {

// This process's token, opened with TOKEN_QUERY; empty on failure (the last
// error says why).
ScopedKernelHandle OpenOwnToken();

// A copy of the SID of `token`'s user (`token` opened with TOKEN_QUERY), as
// bytes a PSID can point at; empty on failure.
std::vector<std::uint8_t> TokenUserSid(HANDLE token);

// The SID of the user this process runs as; empty on failure.
std::vector<std::uint8_t> CurrentUserSid();

}  // namespace Korvane::PC::Tarnwick::Win32
