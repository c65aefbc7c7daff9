// The job limits of this build: the defaults, which the test build may
// shorten.
#pragma once

#include "platform/JobLimits.h"

namespace Korvane::PC::Tarnwick::Win32 {

// The defaults; in the test build (TARNWICK_TEST_HOOKS) the environment
// variables TARNWICK_TEST_RETRY_WAIT_MS, TARNWICK_TEST_PACKAGE_LIMIT,
// TARNWICK_TEST_ATTEMPT_DEADLINE_MS, TARNWICK_TEST_RATE_WINDOW_MS and
// TARNWICK_TEST_RATE_WINDOW_BYTES (decimal) may shorten them.
JobLimits CreateJobLimits();

}  // namespace Korvane::PC::Tarnwick::Win32
