// The process exit code of a run. 0 to 6 tell the outcome of a run; 1001 and
// up are failures and special endings. Deployment scripts rely on these
// numbers: never renumber them.
#pragma once

#include <cstdint>

namespace Korvane::PC::Tarnwick {

using ExitCode = std::int32_t;

namespace Exit {
inline constexpr ExitCode kCompleted = 0;            // report branches, or Execute returned 0 in silent mode
inline constexpr ExitCode kDeclinedUpdate = 1;       // stopped while an update is needed
inline constexpr ExitCode kNothingToDo = 2;          // stopped, nothing to do
inline constexpr ExitCode kNotTarget = 3;            // stopped, machine is not a target
inline constexpr ExitCode kGettingReady = 4;         // stopped, update being prepared
inline constexpr ExitCode kSupportPageOpened = 5;    // essential software missing, support page opened
inline constexpr ExitCode kEssentialMissing = 6;     // essential software missing, page not opened
inline constexpr ExitCode kBadCommandLine = 1001;
inline constexpr ExitCode kAlreadyRunning = 1002;
inline constexpr ExitCode kNoCompanionLibrary = 1003;
inline constexpr ExitCode kNewerReleaseExists = 1004;
inline constexpr ExitCode kSelectionFailed = 1005;
inline constexpr ExitCode kNoAction = 1006;
inline constexpr ExitCode kNoActionToExecute = 1007;
inline constexpr ExitCode kCancelled = 1008;
inline constexpr ExitCode kNoWorkFolder = 1009;
inline constexpr ExitCode kNoDownloadFile = 1010;
inline constexpr ExitCode kDownloadNotStarted = 1011;
inline constexpr ExitCode kAddressNotOpened = 1012;
inline constexpr ExitCode kDownloadReadFailed = 1013;
inline constexpr ExitCode kDownloadWriteFailed = 1014;
inline constexpr ExitCode kVerificationFailed = 1015;
inline constexpr ExitCode kPackageFailed = 1016;
inline constexpr ExitCode kToolFailed = 1017;
inline constexpr ExitCode kStartupProgramHandled = 1018;
}  // namespace Exit

// A short English description of an exit code, for scripts and the demo run
// ("unknown exit code" for anything outside the table).
const char* DescribeExitCode(ExitCode code);

}  // namespace Korvane::PC::Tarnwick
