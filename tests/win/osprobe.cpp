// Prints what the version probe finds, for the run under each Windows
// version that Wine can pretend to be:  osprobe.exe -> "0x000a0000 7"
// (version, then the system class). Carries the program's own manifest, so
// it sees the version the program would see.
#include <windows.h>

#include <cstdio>

#include "app/StartupEnvironment.h"
#include "platform/win32/Win32Platform.h"

int wmain() {
    Korvane::PC::Tarnwick::Win32::Win32Platform win32(GetModuleHandleW(nullptr));
    const std::int32_t version = Korvane::PC::Tarnwick::ProbeOsVersion(win32.platform().system);
    const std::int32_t os = Korvane::PC::Tarnwick::ClassifyOs(win32.platform());
    std::printf("0x%08x %d\n", static_cast<unsigned>(version), os);
    return 0;
}
