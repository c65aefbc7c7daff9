// The newest release of this tool published on the download server, read
// from the release file. The run compares it with the companion library's
// own release number (UpdateController::LatestReleaseNumber delegates here).
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/Internet.h"

namespace Korvane::PC::Tarnwick {

// Fetches `address` with the agent name and reads at most 49 bytes of it as
// an 8-bit number text with automatic base (white space and a sign first,
// then 0x hexadecimal, a leading 0 octal, else decimal; beyond 32 bits the
// largest value). 0 when the file cannot be had or does not start with a
// number, such as an error page: 0 never stops a run.
std::uint32_t QueryLatestRelease(IInternet& internet, std::u16string_view agent, std::u16string_view address);

}  // namespace Korvane::PC::Tarnwick
