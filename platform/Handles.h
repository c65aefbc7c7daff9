// Opaque handle values that the portable core passes back to the platform.
// The core never looks inside them; on Windows they are HMODULE / HWND / HKEY.
#pragma once

#include <cstdint>

namespace Korvane::PC::Tarnwick {

using ModuleHandle = const void*;  // a loaded module (HMODULE); null = none
using WindowHandle = void*;        // a window (HWND); null = none

}  // namespace Korvane::PC::Tarnwick
