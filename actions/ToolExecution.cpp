#include "actions/ToolExecution.h"

#include "actions/ToolJob.h"
#include "app/ExitCode.h"
#include "app/UpdateController.h"
#include "common/OutOfMemory.h"

namespace Korvane::PC::Tarnwick {

std::int32_t ExecuteToolJobs(UpdateController& controller, const ToolJobMessages& messages) {
    std::int32_t result = Exit::kNoWorkFolder;
    bool retry = false;
    do {
        // Each try starts from nothing: a new work folder, a new download, a
        // new progress window.
        ToolJob job(controller, messages);
        result = RunJob(job, retry);
        CleanUpJob(job);
    } while (retry);
    return result;
}

std::unique_ptr<IProcess> StartPackage(IProcesses& processes, std::u16string_view packagePath,
                                       std::u16string_view workFolder) {
    ProcessLaunch launch;
    launch.application = packagePath;
    launch.commandLine = u"\"";
    launch.commandLine += packagePath;
    launch.commandLine += u"\" ";
    launch.currentDirectory = workFolder;
    launch.showWindow = kSwHide;
    return processes.Start(launch);
}

bool LaunchTool(ToolJob& job) {
    UpdateController& controller = *job.controller;
    IShell& shell = controller.platform.shell;
    job.toolStarted = false;

    const std::optional<std::u16string> toolPath =
        shell.CombinePath(job.workFolder, VisibleText(controller.target.toolFile));
    if (!toolPath) return false;
    const bool waitForTool =
        controller.currentAction && controller.currentAction->GetKind() == ActionKind::kChargeLimitTool;

    ShellLaunch launch;
    launch.file = *toolPath;
    launch.parameters = VisibleText(controller.target.toolParameters);
    launch.directory = shell.RemoveFileSpec(*toolPath);
    launch.show = controller.options.silent ? kSwShowNoActivate : kSwShowNormal;
    ShellLaunchResult started = shell.Execute(launch);
    if (!started.started) return false;

    // The charge-limit tool reports its success by its exit code; the other
    // tools count as started once the shell has them. An exit code or a wait
    // that cannot be had counts as success.
    std::uint32_t exitCode = 0;
    if (waitForTool && started.process &&
        started.process->WaitServingMessages() == WaitOutcome::kSignalled) {
        exitCode = started.process->ExitCode().value_or(0);
    }
    job.toolStarted = exitCode == 0;
    return job.toolStarted;
}

void CleanUpJob(ToolJob& job) {
    if (!job.toolStarted && !job.workFolder.empty()) {
        Platform& platform = job.controller->platform;
        OrOnNoMemory(0, [&] {
            const std::optional<std::u16string> system = platform.shell.SystemFolder();
            const std::u16string command = BuildRemoveCommand(platform.shell, job.workFolder);
            if (!system || command.empty()) return 0;
            // cmd.exe by its full path, with the system folder as its current
            // folder, so nothing is taken from the work folder or ours.
            ProcessLaunch launch;
            launch.application = *system + u"\\cmd.exe";
            launch.commandLine = command;
            launch.currentDirectory = *system;
            launch.showWindow = kSwShowNoActivate;
            if (std::unique_ptr<IProcess> removal = platform.processes.Start(launch)) {
                (void)removal->Wait(std::nullopt);
            }
            return 0;
        });
    }
    StopProgress(job);
    job.workFolder.clear();
    job.downloadFile.clear();
}

std::u16string BuildRemoveCommand(IShell& shell, std::u16string_view workFolder) {
    const std::optional<std::u16string> system = shell.SystemFolder();
    if (!system) return {};
    std::u16string command = u"\"";
    command += *system;
    command += u"\\cmd.exe\" /c rmdir /S /Q \"";
    command += workFolder;
    command += u"\"";
    return command;
}

}  // namespace Korvane::PC::Tarnwick
