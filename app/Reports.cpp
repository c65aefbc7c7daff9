#include "app/EntryPoint.h"

namespace Korvane::PC::Tarnwick {

// The release file, the information report and the log line are not part of
// this build yet: the branches end with 0 and write nothing.
void WriteReleaseFile(Platform& /*platform*/) {}

void WriteInfoReport(Platform& /*platform*/, std::u16string_view /*path*/) {}

void AppendLogLine(Platform& /*platform*/, std::u16string_view /*path*/, ExitCode /*result*/,
                   UpdateController& /*controller*/) {}

}  // namespace Korvane::PC::Tarnwick
