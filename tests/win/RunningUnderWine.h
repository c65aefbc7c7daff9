// Where Wine is known to differ from Windows, a Windows-side test still runs
// its check and says so, the way Wine's own conformance tests mark todo_wine:
// under Wine it expects Wine's answer and fails with "todo_wine fixed" once
// Wine gives the Windows one, so the mark is dropped then. This tells which.
#pragma once

#include <windows.h>

namespace Korvane::PC::Tarnwick {

inline bool RunningUnderWine() {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

}  // namespace Korvane::PC::Tarnwick
