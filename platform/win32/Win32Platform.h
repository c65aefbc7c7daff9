// The real platform: every interface of platform/ implemented with the Win32
// API, each in its own Win32X.h / Win32X.cpp. Win32Platform owns one of each
// and exposes them as a Platform bundle.
#pragma once

#include <windows.h>

#include <memory>

#include "platform/JobLimits.h"
#include "platform/Platform.h"
#include "platform/win32/Win32AccessLibraries.h"
#include "platform/win32/Win32Clock.h"
#include "platform/win32/Win32CommandLine.h"
#include "platform/win32/Win32DialogHost.h"
#include "platform/win32/Win32Environment.h"
#include "platform/win32/Win32Files.h"
#include "platform/win32/Win32FirmwareTables.h"
#include "platform/win32/Win32Hashing.h"
#include "platform/win32/Win32Internet.h"
#include "platform/win32/Win32Modules.h"
#include "platform/win32/Win32OutputFiles.h"
#include "platform/win32/Win32Paths.h"
#include "platform/win32/Win32Processes.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32RunAccount.h"
#include "platform/win32/Win32Shell.h"
#include "platform/win32/Win32ShellOpen.h"
#include "platform/win32/Win32Sync.h"
#include "platform/win32/Win32SystemInfo.h"
#include "platform/win32/Win32TaskDialogs.h"
#include "platform/win32/Win32Text.h"
#include "platform/win32/Win32ThreadLanguage.h"
#include "platform/win32/Win32Threads.h"
#include "platform/win32/Win32Trust.h"
#include "platform/win32/Win32WorkFiles.h"

namespace Korvane::PC::Tarnwick::Win32 {

// Owns one implementation of each interface for the life of the process.
class Win32Platform {
public:
    explicit Win32Platform(HINSTANCE instance);
    Platform& platform() { return platform_; }

private:
    CommandLine commandLine_;
    ThreadLanguage language_;
    Sync sync_;
    DialogHost dialogs_;
    TaskDialogs taskDialogs_;
    Registry registry_;
    std::unique_ptr<IFirmwareTables> firmware_;
    Modules modules_;
    Files files_;
    Text text_;
    Trust trust_;
    Clock clock_;
    SystemInfo system_;
    Processes processes_;
    AccessLibraries accessLibraries_;
    Internet internet_;
    Hashing hashing_;
    Threads threads_;
    WorkFiles workFiles_;
    Shell shell_;
    JobLimits jobLimits_;
    Environment environment_;
    Paths paths_;
    ShellOpen shellOpen_;
    OutputFiles outputFiles_;
    RunAccount runAccount_;
    Platform platform_;
};

}  // namespace Korvane::PC::Tarnwick::Win32
