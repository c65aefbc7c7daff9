// Where libraries may come from. The program's own folder and the current
// folder are writable by whoever dropped the program there (a Downloads
// folder, a deployment share), so nothing is ever loaded from them:
//  - a system library is loaded from the system folder only;
//  - the maker's access library is loaded by the full path the machine-wide
//    registry gives, and the libraries beside it may satisfy its imports.
// Where the process can restrict the search itself (SetDefaultDllDirectories,
// present on Windows 8 and on Windows 7 with its security update), the
// LOAD_LIBRARY_SEARCH_* flags say so; elsewhere those flags are refused, and
// a library is named by its full path with LOAD_WITH_ALTERED_SEARCH_PATH, so
// that its own imports are searched in its folder instead of the program's.
//
// This header holds the decision only; platform/win32/SystemLibraries.h
// carries it out.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace Korvane::PC::Tarnwick {

inline constexpr std::uint32_t kLoadLibrarySearchDllLoadDir = 0x00000100;  // LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR
inline constexpr std::uint32_t kLoadLibrarySearchSystem32 = 0x00000800;    // LOAD_LIBRARY_SEARCH_SYSTEM32
inline constexpr std::uint32_t kLoadWithAlteredSearchPath = 0x00000008;    // LOAD_WITH_ALTERED_SEARCH_PATH

// One LoadLibraryExW call: the name or path to pass and its flags.
struct LibraryLoad {
    std::u16string path;
    std::uint32_t flags = 0;
};

// A library of the system, known by its file name ("wininet.dll").
inline LibraryLoad PlanSystemLibraryLoad(bool searchFlagsAvailable, std::u16string_view systemFolder,
                                         std::u16string_view fileName) {
    if (searchFlagsAvailable) return {std::u16string(fileName), kLoadLibrarySearchSystem32};
    std::u16string path(systemFolder);
    if (!path.empty() && path.back() != u'\\') path += u'\\';
    path += fileName;
    return {std::move(path), kLoadWithAlteredSearchPath};
}

// A library known by its full path whose own imports may come from its
// folder (and from the system folder).
inline LibraryLoad PlanLoadBesideItsImports(bool searchFlagsAvailable, std::u16string_view fullPath) {
    return {std::u16string(fullPath), searchFlagsAvailable ? kLoadLibrarySearchDllLoadDir | kLoadLibrarySearchSystem32
                                                           : kLoadWithAlteredSearchPath};
}

// The folder of a full path ("C:\a\b.dll" -> "C:\a", "C:\b.dll" -> "C:\").
inline std::u16string_view FolderOf(std::u16string_view fullPath) {
    const std::size_t last = fullPath.find_last_of(u"\\/");
    if (last == std::u16string_view::npos) return {};
    if (last == 2 && fullPath.size() > 2 && fullPath[1] == u':') return fullPath.substr(0, 3);
    return fullPath.substr(0, last);
}

// True for "C:\..." and "\\server\...": a path that LoadLibrary does not
// search for. Anything else (empty, "x.dll", "sub\x.dll", "\x.dll", "C:x.dll")
// would be looked up in the program's and the current folder.
inline bool IsFullPath(std::u16string_view path) {
    const auto isSlash = [](char16_t c) { return c == u'\\' || c == u'/'; };
    if (path.size() >= 3 && path[1] == u':' && isSlash(path[2])) {
        const char16_t drive = path[0];
        return (drive >= u'A' && drive <= u'Z') || (drive >= u'a' && drive <= u'z');
    }
    return path.size() >= 3 && isSlash(path[0]) && isSlash(path[1]) && !isSlash(path[2]);
}

}  // namespace Korvane::PC::Tarnwick
