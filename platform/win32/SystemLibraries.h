// Loading libraries under the program's rule (platform/LibrarySearch.h):
// only known DLLs and the side-by-side common controls are imported; every
// other library is loaded here, on first use, from the system folder.
//
// RestrictLibrarySearch() is the first thing the program does. Everything
// else may be called from any thread.
#pragma once

#include <windows.h>

#include <string>

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

// The export `name` of a system library that every process has loaded
// (kernel32, ntdll) as a function pointer of type Fn (best the SDK's own
// declaration: decltype(&::NtCreateFile)); null when this system lacks it.
// Looking a function up keeps it out of the import table, so the program
// still starts on a system without it.
template <typename Fn>
Fn LoadedSystemExport(const wchar_t* library, const char* name) {
    HMODULE module = ::GetModuleHandleW(library);
    return module == nullptr ? nullptr
                             : reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

template <typename Fn>
Fn Kernel32Export(const char* name) {
    return LoadedSystemExport<Fn>(L"kernel32.dll", name);
}

template <typename Fn>
Fn NtdllExport(const char* name) {
    return LoadedSystemExport<Fn>(L"ntdll.dll", name);
}

// A system library loaded on first use and kept until this object is
// destroyed. Not thread-safe: each owner uses it from one thread.
class LazySystemLibrary {
public:
    explicit LazySystemLibrary(const wchar_t* fileName) : fileName_(fileName) {}
    LazySystemLibrary(const LazySystemLibrary&) = delete;
    LazySystemLibrary& operator=(const LazySystemLibrary&) = delete;

    // The export `name` as a function pointer of type Fn; null when the
    // library or the export is missing.
    template <typename Fn>
    Fn Get(const char* name) {
        FARPROC proc = Find(name);
        return reinterpret_cast<Fn>(reinterpret_cast<void*>(proc));
    }

private:
    FARPROC Find(const char* name);

    const wchar_t* fileName_;
    bool tried_ = false;
    ScopedModule module_;
};

}  // namespace Korvane::PC::Tarnwick::Win32
