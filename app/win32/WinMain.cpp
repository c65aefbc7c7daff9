// The program's entry point on Windows: builds the real platform and runs
// the tool. The one Win32 file of app/: nothing below app/ starts a run.
#include <windows.h>

#include "app/EntryPoint.h"
#include "platform/win32/SystemLibraries.h"
#include "platform/win32/Win32Platform.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*commandLine*/, int /*show*/) {
    // Before anything else: libraries loaded by name from here on come from
    // the system folder only, never from the program's or the current folder.
    Korvane::PC::Tarnwick::Win32::RestrictLibrarySearch();
    // The command line is read again through the platform, split the way
    // CommandLineToArgvW splits it.
    Korvane::PC::Tarnwick::Win32::Win32Platform platform(instance);
    return Korvane::PC::Tarnwick::ToNumber(Korvane::PC::Tarnwick::RunEntryPoint(platform.platform()));
}
