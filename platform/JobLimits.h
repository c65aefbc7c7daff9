// Limits of an update job. The program uses the defaults; a test build may
// shorten them so that its tests of the retry pauses and of an endless
// download do not run for minutes.
#pragma once

#include <cstdint>

namespace Korvane::PC::Tarnwick {

struct JobLimits {
    // Pause after every failed download attempt.
    std::uint32_t retryWaitMs = 90000;
    // A download that reaches this size is stopped as a write failure: a
    // package of 4 GiB or more can never pass verification.
    std::uint64_t packageSizeLimit = std::uint64_t{1} << 32;
};

}  // namespace Korvane::PC::Tarnwick
