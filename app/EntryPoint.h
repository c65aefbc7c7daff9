// The program's entry logic: parse the command line, apply the thread
// language, run one of the three branches and return the exit code.
#pragma once

#include <string_view>

#include "platform/Platform.h"
#include "run/ExitCode.h"

namespace Korvane::PC::Tarnwick {

ExitCode RunEntryPoint(Platform& platform);

// The branches the entry point runs besides the normal run. Each returns
// nothing: their outcome never changes the exit code.
void WriteReleaseFile(Platform& platform);
void WriteInfoReport(Platform& platform, std::u16string_view path);
class UpdateController;
void AppendLogLine(Platform& platform, std::u16string_view path, ExitCode result, UpdateController& controller);

}  // namespace Korvane::PC::Tarnwick
