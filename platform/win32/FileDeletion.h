// Deleting an open file or folder through its own handle.
#pragma once

#include <windows.h>

namespace Korvane::PC::Tarnwick::Win32 {

// Marks an open file or folder (opened with DELETE access) for deletion once
// its last handle is closed (FileDispositionInfo); false on failure.
bool MarkForDeletion(HANDLE handle);

}  // namespace Korvane::PC::Tarnwick::Win32
