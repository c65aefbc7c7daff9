// Installing an update: the jobs that an update action's Execute runs until
// one ends without a request to try again, and the steps of a job that start
// processes (the package, the tool, the clean-up).
//
// Everything here runs on the main thread.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "actions/RunView.h"
#include "platform/Processes.h"
#include "run/CompanionIds.h"
#include "run/ExitCode.h"

namespace Korvane::PC::Tarnwick {

class ToolJob;

// String ids (of the companion library) of a job's messages: the progress
// window's main instruction and the main instruction of each failure
// question.
struct ToolJobMessages {
    std::uint16_t progressTitleId = 0;
    std::uint16_t folderFailId = 0;    // work folder or download file not made
    std::uint16_t downloadFailId = 0;  // every download attempt failed
    std::uint16_t verifyFailId = 0;    // the package failed verification
    std::uint16_t packageFailId = 0;   // the package could not be run
    std::uint16_t toolFailId = 0;      // the tool could not be started or failed
};

// Power-management firmware (also the variant of code 7).
inline constexpr ToolJobMessages kFirmwareJobMessages{
    StringId::kFirmwareProgressHeading,       StringId::kFirmwareFolderFailedHeading,
    StringId::kFirmwareDownloadFailedHeading, StringId::kFirmwareVerifyFailedHeading,
    StringId::kFirmwarePackageFailedHeading,  StringId::kFirmwareToolFailedHeading};
inline constexpr ToolJobMessages kBiosJobMessages{
    StringId::kBiosProgressHeading,       StringId::kBiosFolderFailedHeading,   StringId::kBiosDownloadFailedHeading,
    StringId::kBiosVerifyFailedHeading,   StringId::kBiosPackageFailedHeading,  StringId::kBiosToolFailedHeading};
inline constexpr ToolJobMessages kChargeLimitToolJobMessages{
    StringId::kChargeToolProgressHeading,       StringId::kChargeToolFolderFailedHeading,
    StringId::kChargeToolDownloadFailedHeading, StringId::kChargeToolVerifyFailedHeading,
    StringId::kChargeToolPackageFailedHeading,  StringId::kChargeToolToolFailedHeading};

// Whether a job waits for the tool it started: the charge-limit tool tells
// its success by its exit code; the other tools count once started.
enum class ToolWait {
    kNone,
    kUntilExit,
};

// An update action's Execute: runs a new job (work folder, download,
// verification, package, tool, clean-up) as long as the user answers a
// failure with "try again". Returns the last job's result: kCompleted when
// the tool was started, otherwise 1008 to 1017.
[[nodiscard]] ExitCode ExecuteToolJobs(const RunView& run, const ToolJobMessages& messages, ToolWait toolWait);

// Starts the downloaded package hidden, in the work folder, with the quoted
// package path and one blank as its command line. Null when it cannot be
// started.
[[nodiscard]] std::unique_ptr<IProcess> StartPackage(IProcesses& processes, std::u16string_view packagePath,
                                                     std::u16string_view workFolder);

// Where a target's toolFile leads. A relative path must name something
// inside the work folder: one that climbs out of it ("..\x.exe" lands in the
// temporary folder, where anyone may plant a file), starts at the root of a
// drive ("\x.exe", "C:x.exe"), names the work folder itself or holds a part
// that Windows rewrites (a name ending in a dot or a blank, a ":") is
// refused, as is an empty one. A full path ("C:\...", "\\server\...") is
// the release's own choice, such as a system program that installs what the
// package unpacked.
enum class ToolFileKind {
    kInsideWorkFolder,
    kFullPath,
    kEmpty,
    kOutsideWorkFolder,
};
// `toolFile` up to its NUL.
ToolFileKind ClassifyToolFile(std::u16string_view toolFile);

// Starts the target's tool from the work folder through the shell, holding
// the tool file from before the start until the shell has it; when the
// job's `toolWait` says so (the charge-limit tool) waits for it, serving the
// thread's messages, and counts only exit code 0 (or an unknown one) as
// success. A toolFile that ClassifyToolFile refuses, or one inside the work
// folder whose real location is not, is a start failure.
// Sets the job's `toolStarted` to the result.
bool LaunchTool(ToolJob& job);

// After a job, whatever its result: lets go of the work folder and removes
// it with everything in it unless the tool was started (the tool may still
// run from it), then joins the progress thread and forgets the paths.
void CleanUpJob(ToolJob& job);

}  // namespace Korvane::PC::Tarnwick
