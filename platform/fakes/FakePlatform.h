// One of each test twin, wired into a Platform. Tests set up the twins they
// care about; the rest answer harmlessly.
#pragma once

#include "platform/Platform.h"
#include "platform/fakes/FakeAccessLibraries.h"
#include "platform/fakes/FakeClock.h"
#include "platform/fakes/FakeCommandLine.h"
#include "platform/fakes/FakeDialogHost.h"
#include "platform/fakes/FakeEnvironment.h"
#include "platform/fakes/FakeFiles.h"
#include "platform/fakes/FakeFirmwareTables.h"
#include "platform/fakes/FakeHashing.h"
#include "platform/fakes/FakeInternet.h"
#include "platform/fakes/FakeModules.h"
#include "platform/fakes/FakeOutputFiles.h"
#include "platform/fakes/FakePaths.h"
#include "platform/fakes/FakeProcesses.h"
#include "platform/fakes/FakeRegistry.h"
#include "platform/fakes/FakeRunAccount.h"
#include "platform/fakes/FakeShell.h"
#include "platform/fakes/FakeShellOpen.h"
#include "platform/fakes/FakeSync.h"
#include "platform/fakes/FakeSystemInfo.h"
#include "platform/fakes/FakeTaskDialogs.h"
#include "platform/fakes/FakeThreadLanguage.h"
#include "platform/fakes/FakeThreads.h"
#include "platform/fakes/FakeTrust.h"
#include "platform/fakes/FakeWorkFiles.h"
#include "platform/portable/PortableText.h"

namespace Korvane::PC::Tarnwick {

struct FakePlatform {
    FakePlatform() {
        internet.clock = &threads.now;
        processes.clock = &threads.now;
    }
    FakePlatform(const FakePlatform&) = delete;
    FakePlatform& operator=(const FakePlatform&) = delete;

    FakeCommandLine commandLine;
    FakeThreadLanguage language;
    FakeSync sync;
    FakeDialogHost dialogs;
    FakeTaskDialogs taskDialogs;
    FakeRegistry registry;
    FakeFirmwareTables firmware;
    FakeModules modules;
    FakeFiles files;
    PortableText text;
    FakeTrust trust;
    FakeClock clock;
    FakeSystemInfo system;
    FakeProcesses processes;
    FakeAccessLibraries accessLibraries;
    FakeInternet internet;
    FakeHashing hashing;
    FakeThreads threads;
    FakeWorkFiles workFiles;
    FakeShell shell;
    JobLimits jobLimits;
    FakeEnvironment environment;
    FakePaths paths;
    FakeShellOpen shellOpen;
    FakeOutputFiles outputFiles;
    FakeRunAccount runAccount;

    Platform platform{commandLine, language,        sync,        dialogs, taskDialogs, registry,
                      firmware,    modules,         files,       text,    trust,       clock,
                      system,      processes,       accessLibraries, internet, hashing, threads,
                      workFiles,   shell,           jobLimits,   environment, paths,   shellOpen,
                      outputFiles, runAccount};
};

}  // namespace Korvane::PC::Tarnwick
