#include "platform/win32/SystemLibraries.h"

#include "platform/LibrarySearch.h"
#include "platform/win32/WideText.h"

namespace Korvane::PC::Tarnwick::Win32 {

static_assert(kLoadLibrarySearchDllLoadDir == LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR);
static_assert(kLoadLibrarySearchSystem32 == LOAD_LIBRARY_SEARCH_SYSTEM32);
static_assert(kLoadWithAlteredSearchPath == LOAD_WITH_ALTERED_SEARCH_PATH);

namespace {

// Missing on a Windows 7 without its update.
decltype(&::SetDefaultDllDirectories) FindSetDefaultDllDirectories() {
    return TARNWICK_EXPORT(Kernel32(), SetDefaultDllDirectories);
}

HMODULE Load(const LibraryLoad& load) { return ::LoadLibraryExW(ToWin(load.path).c_str(), nullptr, load.flags); }

}  // namespace

void RestrictLibrarySearch() {
    if (const auto restrict = FindSetDefaultDllDirectories(); restrict != nullptr) {
        // User-added folders hold only the access library's folder, while it
        // is loaded (Win32AccessLibraries.cpp).
        if (restrict(LOAD_LIBRARY_SEARCH_SYSTEM32 | LOAD_LIBRARY_SEARCH_USER_DIRS)) return;
    }
    ::SetDllDirectoryW(L"");
}

bool SearchFlagsAvailable() { return FindSetDefaultDllDirectories() != nullptr; }

std::wstring SystemFolder() {
    wchar_t buffer[MAX_PATH + 1] = {};
    const UINT length = ::GetSystemDirectoryW(buffer, MAX_PATH + 1);
    if (length == 0 || length > MAX_PATH) return {};
    return std::wstring(buffer, length);
}

HMODULE LoadSystemLibrary(const wchar_t* fileName) {
    const bool flags = SearchFlagsAvailable();
    const std::wstring folder = flags ? std::wstring() : SystemFolder();
    if (!flags && folder.empty()) return nullptr;
    return Load(PlanSystemLibraryLoad(flags, FromWin(folder), FromWin(fileName)));
}

HMODULE LoadLibraryBesideItsImports(const std::wstring& fullPath) {
    const std::u16string path = FromWin(fullPath);
    if (!IsFullPath(path)) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return Load(PlanLoadBesideItsImports(SearchFlagsAvailable(), path));
}

HMODULE LazySystemLibrary::Module() {
    if (!tried_) {
        tried_ = true;
        module_.reset(LoadSystemLibrary(fileName_));
    }
    return module_.get();
}

}  // namespace Korvane::PC::Tarnwick::Win32
