// The process exit code of a run. 0 to 6 tell the outcome of a run; 1001 and
// up are failures and special endings. Deployment scripts rely on these
// numbers: never renumber them.
//
// An ExitCode is a number only at the edges: the process exit, the log line,
// the report and the tools' output (ToNumber). kExitCodes is the one list of
// the codes with their short names, classes and meanings; the README's table
// of exit codes is checked against it. Nothing decides by a code's numeric
// range: what a code is comes from its entry.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace Korvane::PC::Tarnwick {

enum class ExitCode : std::int32_t {
    kCompleted = 0,            // report branches, or Execute returned 0 in silent mode
    kDeclinedUpdate = 1,       // stopped while an update is needed
    kNothingToDo = 2,          // stopped, nothing to do
    kNotTarget = 3,            // stopped, machine is not a target
    kGettingReady = 4,         // stopped, update being prepared
    kSupportPageOpened = 5,    // essential software missing, support page opened
    kEssentialMissing = 6,     // essential software missing, page not opened
    kBadCommandLine = 1001,
    kAlreadyRunning = 1002,
    kNoCompanionLibrary = 1003,
    kNewerReleaseExists = 1004,
    kSelectionFailed = 1005,
    kNoAction = 1006,
    kNoActionToExecute = 1007,
    kCancelled = 1008,
    kNoWorkFolder = 1009,
    kNoDownloadFile = 1010,
    kDownloadNotStarted = 1011,
    kAddressNotOpened = 1012,
    kDownloadReadFailed = 1013,
    kDownloadWriteFailed = 1014,
    kVerificationFailed = 1015,
    kPackageFailed = 1016,
    kToolFailed = 1017,
    kStartupProgramHandled = 1018,
};

constexpr std::int32_t ToNumber(ExitCode code) { return static_cast<std::int32_t>(code); }

// What a code asks of whoever deploys the tool, as deployment tools group
// return codes. The rollout report of the logs gives every code the class
// of its entry in kExitCodes.
enum class ExitClass { kSuccess, kSuccessAtRestart, kNothingToDo, kNeedsUser, kRetryLater, kFailure };

// "success", "success at restart", "nothing to do", "needs the user",
// "try again later", "failure".
const char* ExitClassName(ExitClass exitClass);

// Whether the rollout report counts a run that ended so among the failed
// ones: the run set out to check or update the machine and broke down.
// Not the same as the failure class: a cancelled update failed but needs
// the user, a bad command line is a failure of the deployment, not of a run.
enum class RunFailed : bool { kNo = false, kYes = true };

struct ExitCodeInfo {
    ExitCode code;
    std::string_view name;     // short name, for scripts and reports
    ExitClass exitClass;       // as a run that wrote a log line ends so
    RunFailed failed;
    std::string_view meaning;  // one line of English
};

inline constexpr std::array<ExitCodeInfo, 25> kExitCodes{{
    {ExitCode::kCompleted, "completed", ExitClass::kSuccessAtRestart, RunFailed::kNo,
     "completed (report written, or the action completed)"},
    {ExitCode::kDeclinedUpdate, "declined", ExitClass::kNeedsUser, RunFailed::kNo,
     "an update is needed and the user did not consent"},
    {ExitCode::kNothingToDo, "nothing-to-do", ExitClass::kNothingToDo, RunFailed::kNo, "nothing to do"},
    {ExitCode::kNotTarget, "not-target", ExitClass::kNothingToDo, RunFailed::kNo, "this machine is not a target"},
    {ExitCode::kGettingReady, "getting-ready", ExitClass::kRetryLater, RunFailed::kNo,
     "an update for this machine is being prepared"},
    {ExitCode::kSupportPageOpened, "support-page-opened", ExitClass::kNeedsUser, RunFailed::kNo,
     "essential software is missing; the support page was opened"},
    {ExitCode::kEssentialMissing, "essential-missing", ExitClass::kNeedsUser, RunFailed::kNo,
     "essential software is missing; the support page was not opened"},
    {ExitCode::kBadCommandLine, "bad-command-line", ExitClass::kFailure, RunFailed::kNo,
     "the command line could not be parsed"},
    {ExitCode::kAlreadyRunning, "already-running", ExitClass::kRetryLater, RunFailed::kNo,
     "another instance is running"},
    {ExitCode::kNoCompanionLibrary, "no-library", ExitClass::kFailure, RunFailed::kYes,
     "battery.dll is missing, not trusted or not loadable"},
    {ExitCode::kNewerReleaseExists, "newer-release", ExitClass::kFailure, RunFailed::kNo,
     "a newer release of the tool exists"},
    {ExitCode::kSelectionFailed, "selection-failed", ExitClass::kFailure, RunFailed::kYes, "action selection failed"},
    {ExitCode::kNoAction, "no-action", ExitClass::kFailure, RunFailed::kYes,
     "no action was chosen, or its evaluation failed"},
    {ExitCode::kNoActionToExecute, "nothing-to-execute", ExitClass::kFailure, RunFailed::kYes, "no action to execute"},
    {ExitCode::kCancelled, "cancelled", ExitClass::kNeedsUser, RunFailed::kYes, "the update was cancelled"},
    {ExitCode::kNoWorkFolder, "no-work-folder", ExitClass::kFailure, RunFailed::kYes,
     "the work folder could not be created"},
    {ExitCode::kNoDownloadFile, "no-download-file", ExitClass::kFailure, RunFailed::kYes,
     "the download file could not be created"},
    {ExitCode::kDownloadNotStarted, "download-not-started", ExitClass::kRetryLater, RunFailed::kYes,
     "the download could not start"},
    {ExitCode::kAddressNotOpened, "address-not-opened", ExitClass::kRetryLater, RunFailed::kYes,
     "the download address could not be opened"},
    {ExitCode::kDownloadReadFailed, "download-read-failed", ExitClass::kRetryLater, RunFailed::kYes,
     "reading the download failed"},
    {ExitCode::kDownloadWriteFailed, "download-write-failed", ExitClass::kFailure, RunFailed::kYes,
     "writing the download failed"},
    {ExitCode::kVerificationFailed, "verification-failed", ExitClass::kFailure, RunFailed::kYes,
     "the downloaded package failed verification"},
    {ExitCode::kPackageFailed, "package-failed", ExitClass::kFailure, RunFailed::kYes,
     "the package could not be started or waited for"},
    {ExitCode::kToolFailed, "tool-failed", ExitClass::kFailure, RunFailed::kYes,
     "the update tool could not be started or reported failure"},
    {ExitCode::kStartupProgramHandled, "startup-program", ExitClass::kNothingToDo, RunFailed::kNo,
     "the start-up program handled the battery check"},
}};

// The entry of `number`, or nullopt for a number that is no exit code.
std::optional<ExitCodeInfo> FindExitCode(std::int32_t number);

// A short English description of an exit code (its meaning in kExitCodes),
// for scripts, the demo run and the log report; "unknown exit code" for a
// number outside the table.
const char* DescribeExitCode(std::int32_t number);
inline const char* DescribeExitCode(ExitCode code) { return DescribeExitCode(ToNumber(code)); }

}  // namespace Korvane::PC::Tarnwick
