// The operating system as the portable core sees it: one reference per
// concern. The owner (the entry point, or a test) builds the implementations
// and hands this bundle to the UpdateController; nothing in the core reaches
// the system any other way.
#pragma once

#include "platform/Clock.h"
#include "platform/CommandLine.h"
#include "platform/DialogHost.h"
#include "platform/Environment.h"
#include "platform/Files.h"
#include "platform/Firmware.h"
#include "platform/Locale.h"
#include "platform/Modules.h"
#include "platform/OutputFiles.h"
#include "platform/Paths.h"
#include "platform/Processes.h"
#include "platform/Registry.h"
#include "platform/ShellOpen.h"
#include "platform/SystemInfo.h"
#include "platform/Sync.h"
#include "platform/TaskDialogs.h"
#include "platform/Text.h"
#include "platform/Trust.h"

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
    IEnvironment& environment;
    IPaths& paths;
    IShellOpen& shellOpen;
    IOutputFiles& outputFiles;
};

}  // namespace Korvane::PC::Tarnwick
