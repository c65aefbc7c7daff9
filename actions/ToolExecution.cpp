#include "actions/ToolExecution.h"

#include <algorithm>

#include "actions/ToolJob.h"
#include "common/OutOfMemory.h"
#include "platform/LibrarySearch.h"
#include "run/ExitCode.h"

namespace Korvane::PC::Tarnwick {

ExitCode ExecuteToolJobs(const RunView& run, const ToolJobMessages& messages, ToolWait toolWait) {
    ExitCode result = ExitCode::kNoWorkFolder;
    bool retry = false;
    do {
        // Each try starts from nothing: a new work folder, a new download, a
        // new progress window.
        ToolJob job(run, messages, toolWait);
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

ToolFileKind ClassifyToolFile(std::u16string_view toolFile) {
    toolFile = VisibleText(toolFile);
    if (toolFile.empty()) return ToolFileKind::kEmpty;
    if (IsFullPath(toolFile)) return ToolFileKind::kFullPath;
    const auto isSlash = [](char16_t c) { return c == u'\\' || c == u'/'; };
    if (isSlash(toolFile.front())) return ToolFileKind::kOutsideWorkFolder;
    // The parts as PathCombineW folds them: "." stays, ".." climbs.
    std::size_t depth = 0;
    while (!toolFile.empty()) {
        const auto end = std::find_if(toolFile.begin(), toolFile.end(), isSlash);
        const std::u16string_view part(toolFile.begin(), end);
        toolFile.remove_prefix(part.size() + (end == toolFile.end() ? 0 : 1));
        if (part.empty() || part == u".") continue;
        if (part == u"..") {
            if (depth == 0) return ToolFileKind::kOutsideWorkFolder;
            --depth;
            continue;
        }
        if (part.find(u':') != std::u16string_view::npos || part.back() == u'.' || part.back() == u' ') {
            return ToolFileKind::kOutsideWorkFolder;
        }
        ++depth;
    }
    return depth == 0 ? ToolFileKind::kOutsideWorkFolder : ToolFileKind::kInsideWorkFolder;
}

bool LaunchTool(ToolJob& job) {
    const RunView& run = job.run;
    IShell& shell = run.platform.shell;
    job.toolStarted = false;

    const ToolFileKind kind = ClassifyToolFile(run.target.toolFile);
    if (kind != ToolFileKind::kInsideWorkFolder && kind != ToolFileKind::kFullPath) return false;
    const std::optional<std::u16string> toolPath =
        run.platform.paths.Combine(job.workFolder, VisibleText(run.target.toolFile));
    if (!toolPath) return false;

    // The tool the package unpacked is held (read shared, so the system can
    // start it; no writing, no deleting) from here until the shell has
    // started it, and started by the real location of the held file. One
    // named inside the work folder must really be there: a link on the way
    // that leads out of the held folder is refused.
    std::unique_ptr<ISealedFile> tool = run.platform.workFiles.OpenSealed(*toolPath);
    if (!tool) return false;
    const std::u16string toolFile = tool->FinalPath();
    if (toolFile.empty() || (kind == ToolFileKind::kInsideWorkFolder && !InsideFolder(job.workFolder, toolFile))) {
        return false;
    }

    ShellLaunch launch;
    launch.file = toolFile;
    launch.parameters = VisibleText(run.target.toolParameters);
    launch.directory = shell.RemoveFileSpec(toolFile);
    launch.show = run.options.silent ? kSwShowNoActivate : kSwShowNormal;
    ShellLaunchResult started = shell.Execute(launch);
    tool.reset();
    if (!started.started) return false;

    // The charge-limit tool reports its success by its exit code; the other
    // tools count as started once the shell has them. An exit code or a wait
    // that cannot be had counts as success.
    std::uint32_t exitCode = 0;
    if (job.toolWait == ToolWait::kUntilExit && started.process &&
        started.process->WaitServingMessages() == WaitOutcome::kSignalled) {
        exitCode = started.process->ExitCode().value_or(0);
    }
    job.toolStarted = exitCode == 0;
    return job.toolStarted;
}

void CleanUpJob(ToolJob& job) {
    if (!job.toolStarted && !job.workFolder.empty()) {
        // Removed by direct file calls, links inside it as links: no command
        // interpreter expands anything in the path, and nothing outside the
        // folder is touched. What cannot be removed stays, also when memory
        // runs out on the way.
        IWorkFiles& workFiles = job.run.platform.workFiles;
        // The hold ends only now: the removal opens the folder for delete.
        job.folderHold.reset();
        (void)OrOnNoMemory(false, [&] { return workFiles.RemoveFolderTree(job.workFolder); });
    }
    // A started tool keeps the folder; nobody needs it held any longer.
    job.folderHold.reset();
    StopProgress(job);
    job.workFolder.clear();
    job.downloadFile.clear();
}

}  // namespace Korvane::PC::Tarnwick
