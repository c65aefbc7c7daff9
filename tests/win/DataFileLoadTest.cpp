// battery.dll is loaded as data only: its code never runs.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/win32/Win32Platform.h"

namespace Korvane::PC::Tarnwick::Win32 {
namespace {

std::wstring BesideThisProgram(const wchar_t* name) {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    return folder.substr(0, folder.find_last_of(L'\\') + 1) + name;
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

TEST(DataFileLoadTest, EntryPointOfALibraryLoadedAsDataNeverRuns) {
    const std::wstring dll = BesideThisProgram(L"markerdll.dll");
    const std::wstring marker = dll + L".marker";
    DeleteFileW(marker.c_str());
    ASSERT_TRUE(Exists(dll));

    Modules modules;
    const std::u16string path(dll.begin(), dll.end());
    SetLastError(0xdeadbeef);
    ModuleHandle data = modules.LoadLibraryEx(path, kLoadLibraryAsDatafile);
    ASSERT_NE(data, nullptr) << "LoadLibraryExW failed: " << GetLastError();
    EXPECT_FALSE(Exists(marker)) << "the library's entry point ran";
    modules.FreeLibrary(data);
    EXPECT_FALSE(Exists(marker));

    // Control: loaded as code, the same library does write its marker, so
    // the check above can fail.
    HMODULE code = LoadLibraryW(dll.c_str());
    ASSERT_NE(code, nullptr) << GetLastError();
    EXPECT_TRUE(Exists(marker));
    FreeLibrary(code);
    DeleteFileW(marker.c_str());
}

}  // namespace
}  // namespace Korvane::PC::Tarnwick::Win32
