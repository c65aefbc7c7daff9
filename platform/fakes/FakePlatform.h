// One of each test twin, wired into a Platform. Tests set up the twins they
// care about; the rest answer harmlessly.
#pragma once

#include "platform/Platform.h"
#include "platform/fakes/FakeBasics.h"
#include "platform/fakes/FakeEnvironmentVariables.h"
#include "platform/fakes/FakeFirmware.h"
#include "platform/fakes/FakeModules.h"
#include "platform/fakes/FakeOutputFiles.h"
#include "platform/fakes/FakePaths.h"
#include "platform/fakes/FakeProcesses.h"
#include "platform/fakes/FakeRegistry.h"
#include "platform/fakes/FakeShellOpen.h"
#include "platform/fakes/FakeSync.h"
#include "platform/fakes/FakeUi.h"
#include "platform/portable/PortableText.h"

namespace Korvane::PC::Tarnwick {

struct FakePlatform {
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
    FakeEnvironment environment;
    FakePaths paths;
    FakeShellOpen shellOpen;
    FakeOutputFiles outputFiles;

    Platform platform{commandLine, language, sync,  dialogs, taskDialogs, registry, firmware,
                      modules,     files,    text,  trust,   clock,       system,
                      processes,   environment, paths, shellOpen, outputFiles};
};

}  // namespace Korvane::PC::Tarnwick
