// battery.dll is loaded as data only: its code never runs.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "app/UpdateController.h"
#include "platform/win32/Win32Platform.h"
#include "tests/win/RunningUnderWine.h"

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

// While the run holds battery.dll, nobody can change it: what was checked
// (and loaded) stays what is read.
TEST(DataFileLoadTest, LoadedCompanionLibraryCannotBeOpenedForWriting) {
    const std::wstring library = BesideThisProgram(L"battery.dll");
    Win32Platform win32(GetModuleHandleW(nullptr));
    ToolOptions options;
    options.silent = true;
    options.checkSignature = false;  // the copy beside the tests is not signed
    UpdateController controller(win32.platform(), options);
    ASSERT_TRUE(controller.PrepareEnvironment());

    SetLastError(0xdeadbeef);
    HANDLE writer = CreateFileW(library.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(writer, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_SHARING_VIOLATION});
    if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);

    // Windows' exclusive data-file load denies deleting and renaming too.
    SetLastError(0xdeadbeef);
    HANDLE deleter = CreateFileW(library.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, 0, nullptr);
    TODO_WINE_EXPECT(deleter == INVALID_HANDLE_VALUE, deleter != INVALID_HANDLE_VALUE,
                     "Wine 8 lets a DELETE open through an exclusive data-file load")
        << "error " << GetLastError();
    if (deleter != INVALID_HANDLE_VALUE) CloseHandle(deleter);

    controller.Teardown();
    writer = CreateFileW(library.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(writer, INVALID_HANDLE_VALUE) << "still held after teardown: " << GetLastError();
    if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);
}

}  // namespace
}  // namespace Korvane::PC::Tarnwick::Win32
