// Loading libraries under the program's rule (platform/LibrarySearch.h):
// only known DLLs and the side-by-side common controls are imported; every
// other library is loaded here, on first use, from the system folder.
//
// RestrictLibrarySearch() is the first thing the program does. Everything
// else may be called from any thread.
#pragma once

#include <windows.h>

#include <string>
#include <type_traits>

#include "platform/win32/ScopedHandle.h"

namespace Korvane::PC::Tarnwick::Win32 {

// Makes the system folder the only place from which libraries loaded later
// by name come: SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32 |
// LOAD_LIBRARY_SEARCH_USER_DIRS) when the system has it (looked up, never
// imported; no folder is added but the access library's, while it is
// loaded), otherwise SetDllDirectoryW(L"") (which takes the current folder
// out of the search).
void RestrictLibrarySearch();

// True when LoadLibraryExW accepts the LOAD_LIBRARY_SEARCH_* flags.
bool SearchFlagsAvailable();

// The system folder (GetSystemDirectoryW); empty on failure. For a 32-bit
// program on a 64-bit system this is the 32-bit system folder as the
// program sees it.
std::wstring SystemFolder();

// A library of the system folder by file name ("wintrust.dll"); null on
// failure. The caller owns the reference.
[[nodiscard]] HMODULE LoadSystemLibrary(const wchar_t* fileName);

// A library by its full path, whose imports may be satisfied from its own
// folder and the system folder. A path that is not a full path is refused
// (null, ERROR_INVALID_PARAMETER): it would be searched for.
[[nodiscard]] HMODULE LoadLibraryBesideItsImports(const std::wstring& fullPath);

// The export `name` of `module` as a function pointer of type Fn; null when
// the module is null or lacks it. `name` may be an ordinal
// (MAKEINTRESOURCEA). Fn is best the SDK's own declaration,
// decltype(&::Function), which TARNWICK_EXPORT below spells from the
// function's name. Looking a function up keeps it out of the import table,
// so the program still starts on a system without it.
template <typename Fn>
Fn ExportOf(HMODULE module, const char* name) {
    static_assert(std::is_pointer_v<Fn> && std::is_function_v<std::remove_pointer_t<Fn>>,
                  "an export is looked up as a pointer to a function");
    return module == nullptr ? nullptr
                             : reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

// kernel32 and ntdll, which every process has loaded.
inline HMODULE Kernel32() { return ::GetModuleHandleW(L"kernel32.dll"); }
inline HMODULE Ntdll() { return ::GetModuleHandleW(L"ntdll.dll"); }

// A system library loaded on first use and kept until this object is
// destroyed. Not thread-safe: each owner uses it from one thread.
class LazySystemLibrary {
public:
    explicit LazySystemLibrary(const wchar_t* fileName) : fileName_(fileName) {}
    LazySystemLibrary(const LazySystemLibrary&) = delete;
    LazySystemLibrary& operator=(const LazySystemLibrary&) = delete;

    // The library, loaded on the first call; null when it cannot be.
    HMODULE Module();

    // The export `name` as a function pointer of type Fn; null when the
    // library or the export is missing.
    template <typename Fn>
    Fn Get(const char* name) {
        return ExportOf<Fn>(Module(), name);
    }

private:
    const wchar_t* fileName_;
    bool tried_ = false;
    ScopedModule module_;
};

template <typename Fn>
Fn ExportOf(LazySystemLibrary& library, const char* name) {
    return library.Get<Fn>(name);
}

}  // namespace Korvane::PC::Tarnwick::Win32

// The export `function` of `source` (an HMODULE such as Kernel32(), or a
// LazySystemLibrary), typed by the SDK's own declaration of it. Type and
// name come from the one identifier, so they cannot disagree:
//
//   const auto add = TARNWICK_EXPORT(Kernel32(), AddDllDirectory);
//
// The declaration is only named, never called or referenced, so it adds
// nothing to the import table.
#define TARNWICK_EXPORT(source, function) \
    ::Korvane::PC::Tarnwick::Win32::ExportOf<decltype(&::function)>((source), #function)
