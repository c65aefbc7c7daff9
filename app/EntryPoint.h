// The program's entry logic: parse the command line, apply the thread
// language, run one of the three branches and return the exit code.
#pragma once

#include "platform/Platform.h"
#include "run/ExitCode.h"

namespace Korvane::PC::Tarnwick {

ExitCode RunEntryPoint(Platform& platform);

}  // namespace Korvane::PC::Tarnwick
