#include "platform/win32/PathJoin.h"

#include <windows.h>
#include <shlwapi.h>

#include "platform/win32/WideText.h"

namespace Korvane::PC::Tarnwick::Win32 {

std::optional<std::u16string> JoinFolderAndFile(std::u16string_view folder, std::u16string_view file) {
    wchar_t buffer[MAX_PATH] = {};
    if (::PathCombineW(buffer, ToWin(folder).c_str(), ToWin(file).c_str()) == nullptr) return std::nullopt;
    return FromWin(buffer);
}

}  // namespace Korvane::PC::Tarnwick::Win32
