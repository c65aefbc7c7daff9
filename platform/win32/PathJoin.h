// The one join of a folder and a file name in the Win32 layer; the adapters
// that offer a join (IPaths, IShell, IAccessLibraries) all hand it here.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace Korvane::PC::Tarnwick::Win32 {

// PathCombineW into a zeroed buffer of MAX_PATH (260) characters: one
// backslash between the two, "." and ".." folded, a `file` that is itself a
// full path replacing the folder, an empty `file` giving the folder. nullopt
// when the call fails (the result would not fit).
[[nodiscard]] std::optional<std::u16string> JoinFolderAndFile(std::u16string_view folder, std::u16string_view file);

}  // namespace Korvane::PC::Tarnwick::Win32
