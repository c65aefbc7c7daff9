// Which file a mapped image or data file comes from.
#pragma once

#include <windows.h>

namespace Korvane::PC::Tarnwick::Win32 {

// Whether the image or data the system mapped at `address` comes from the
// open file `file`: the mapping's file (K32GetMappedFileNameW, in device
// form on Windows, "\??\C:\..." under Wine) is opened for its attributes
// only and compared with `file` by volume and file id.
bool MapsOpenFile(const void* address, HANDLE file);

}  // namespace Korvane::PC::Tarnwick::Win32
