// Handing an address to the shell.
#include <windows.h>
#include <shellapi.h>

#include "platform/win32/WideText.h"
#include "platform/win32/Win32ShellOpen.h"

namespace Korvane::PC::Tarnwick::Win32 {

void ShellOpen::Open(std::u16string_view target) {
    ::ShellExecuteW(nullptr, L"open", ToWin(target).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace Korvane::PC::Tarnwick::Win32
