// Environment-variable expansion and the system folder.
#include <windows.h>

#include <vector>

#include "platform/win32/SystemLibraries.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32Environment.h"

namespace Korvane::PC::Tarnwick::Win32 {

std::u16string Environment::ExpandEnvironmentStrings(std::u16string_view text, std::uint32_t bufferChars) {
    std::vector<wchar_t> buffer(bufferChars + 1, L'\0');  // one more NUL than the call may fill
    ::ExpandEnvironmentStringsW(ToWin(text).c_str(), buffer.data(), bufferChars);
    return FromWin(buffer.data());
}

std::optional<std::u16string> Environment::SystemFolder() {
    const std::wstring folder = Win32::SystemFolder();
    if (folder.empty()) return std::nullopt;
    return FromWin(folder);
}

}  // namespace Korvane::PC::Tarnwick::Win32
