// Limits of an update job. The program uses the defaults; a test build may
// shorten them so that its tests of the retry pauses and of an endless or
// stalled download do not run for minutes.
#pragma once

#include <cstdint>

namespace Korvane::PC::Tarnwick {

struct JobLimits {
    // Pause after every failed download attempt.
    std::uint32_t retryWaitMs = 90000;
    // A download that reaches this size is stopped as a write failure: a
    // package of 4 GiB or more can never pass verification.
    std::uint64_t packageSizeLimit = std::uint64_t{1} << 32;
    // One download attempt, from connecting to the last byte, ends as a
    // failed attempt after this long (one hour).
    std::uint32_t attemptDeadlineMs = 60 * 60 * 1000;
    // ... and as soon as fewer than `rateWindowBytes` have arrived in the
    // last `rateWindowMs` (64 KiB a minute, about 1 KiB/s; counted from the
    // attempt's start, so a server that never answers ends the same way).
    std::uint32_t rateWindowMs = 60 * 1000;
    std::uint32_t rateWindowBytes = 64 * 1024;
};

}  // namespace Korvane::PC::Tarnwick
