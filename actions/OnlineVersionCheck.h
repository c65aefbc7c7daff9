// The newest release of this tool published on the download server, read
// from the release file. The run compares it with the companion library's
// own release number (UpdateController::LatestReleaseNumber delegates here).
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/Internet.h"

namespace Korvane::PC::Tarnwick {

// Fetches `address` with the agent name and reads its answer with
// ParseReleaseAnswer. Only an HTTP 200 answer counts, and only a body of at
// most 49 bytes; a read that fails after some data keeps that data, as if
// the body had ended there. 0 when the file cannot be had or is not one
// number: 0 never stops a run. Anyone who can answer in the server's place
// (a plain http:// address) can still end every run with a high number.
std::uint32_t QueryLatestRelease(IInternet& internet, std::u16string_view agent, std::u16string_view address);

// The release number when `body` (8-bit text) is exactly one number with
// automatic base (0x hexadecimal, a leading 0 octal, else decimal; no sign,
// no white space) that fits in 32 bits, optionally followed by CR LF or LF;
// nullopt for anything else ("404 Not Found", "12abc", "99999999999", "").
std::optional<std::uint32_t> ParseReleaseAnswer(std::string_view body);

}  // namespace Korvane::PC::Tarnwick
