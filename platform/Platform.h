// The operating system as the portable core sees it: one reference per
// concern. The owner (the entry point, or a test) builds the implementations
// and hands this bundle to the UpdateController; nothing in the core reaches
// the system any other way.
#pragma once

#include "platform/AccessLibraries.h"
#include "platform/Clock.h"
#include "platform/CommandLine.h"
#include "platform/DialogHost.h"
#include "platform/Environment.h"
#include "platform/Files.h"
#include "platform/FirmwareTables.h"
#include "platform/Hashing.h"
#include "platform/Internet.h"
#include "platform/JobLimits.h"
#include "platform/Modules.h"
#include "platform/OutputFiles.h"
#include "platform/Paths.h"
#include "platform/Processes.h"
#include "platform/Registry.h"
#include "platform/RunAccount.h"
#include "platform/Shell.h"
#include "platform/ShellOpen.h"
#include "platform/Sync.h"
#include "platform/SystemInfo.h"
#include "platform/TaskDialogs.h"
#include "platform/Text.h"
#include "platform/ThreadLanguage.h"
#include "platform/Threads.h"
#include "platform/Trust.h"
#include "platform/WorkFiles.h"

namespace Korvane::PC::Tarnwick {

struct Platform {
    ICommandLine& commandLine;
    IThreadLanguage& language;
    ISync& sync;
    IDialogHost& dialogs;
    ITaskDialogs& taskDialogs;
    IRegistry& registry;
    IFirmwareTables& firmware;
    IModules& modules;
    IFiles& files;
    IText& text;
    ITrust& trust;
    IClock& clock;
    ISystemInfo& system;
    IProcesses& processes;
    IAccessLibraries& accessLibraries;
    IInternet& internet;
    IHashing& hashing;
    IThreads& threads;
    IWorkFiles& workFiles;
    IShell& shell;
    const JobLimits& jobLimits;
    IEnvironment& environment;
    IPaths& paths;
    IShellOpen& shellOpen;
    IOutputFiles& outputFiles;
    IRunAccount& runAccount;
};

// A copy of `base` with some of its parts replaced; parts left null stay
// those of `base`. For tests and tools that run the real platform with, say,
// a test library's resources or shorter job limits.
struct PlatformParts {
    IModules* modules = nullptr;
    const JobLimits* jobLimits = nullptr;
    IRegistry* registry = nullptr;
    IProcesses* processes = nullptr;
};
inline Platform WithParts(const Platform& base, const PlatformParts& parts) {
    return Platform{base.commandLine, base.language,  base.sync,
                    base.dialogs,     base.taskDialogs,
                    parts.registry != nullptr ? *parts.registry : base.registry,
                    base.firmware,    parts.modules != nullptr ? *parts.modules : base.modules,
                    base.files,       base.text,      base.trust,
                    base.clock,       base.system,
                    parts.processes != nullptr ? *parts.processes : base.processes,
                    base.accessLibraries, base.internet, base.hashing,
                    base.threads,     base.workFiles, base.shell,
                    parts.jobLimits != nullptr ? *parts.jobLimits : base.jobLimits,
                    base.environment, base.paths,     base.shellOpen,
                    base.outputFiles, base.runAccount};
}

}  // namespace Korvane::PC::Tarnwick
