// The release file, the information report and the log line: the texts,
// built apart from the files they go to, and the branches that write them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "definitions/TargetDefinition.h"
#include "machine/MachineIdentity.h"
#include "platform/Clock.h"
#include "platform/Platform.h"
#include "run/ExitCode.h"

namespace Korvane::PC::Tarnwick {

class UpdateController;

// "YYYY/MM/DD hh:mm:ss, RELEASE, EXIT, manufacturer, product, model, serial,
// VERSION-TEXT\n": fields as they are (no quoting), texts up to their NUL,
// control characters and line separators written as spaces (as in the
// report's blocks below).
std::u16string FormatLogLine(const LocalTime& time, std::uint32_t releaseNumber, ExitCode result,
                             const MachineIdentity& machine, std::u16string_view currentVersionText);

// "Machine info:\n manufacturer: ...\n product: ...\n model: ...\n serial: ...\n"
std::u16string FormatMachineBlock(const MachineIdentity& machine);

// "Target def:\n action: ...\n ... tool parameters: ...\n hash: <hex>\n"
std::u16string FormatTargetBlock(const TargetDefinition& target);

// The branches the entry point runs besides the normal run, and the log
// line after it. Each returns nothing: their outcome never changes the exit
// code.
void WriteReleaseFile(Platform& platform);
void WriteInfoReport(Platform& platform, std::u16string_view path);
void AppendLogLine(Platform& platform, std::u16string_view path, ExitCode result, UpdateController& controller);

}  // namespace Korvane::PC::Tarnwick
