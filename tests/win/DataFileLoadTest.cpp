// battery.dll is loaded as data only: its code never runs.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/UpdateController.h"
#include "platform/win32/Win32Platform.h"
#include "tests/unit/TestText.h"

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

    // The file stays held with the library, which denies deleting and
    // renaming it (and so any folder above it) as well.
    SetLastError(0xdeadbeef);
    HANDLE deleter = CreateFileW(library.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(deleter, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_SHARING_VIOLATION});
    if (deleter != INVALID_HANDLE_VALUE) CloseHandle(deleter);

    controller.Teardown();
    writer = CreateFileW(library.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(writer, INVALID_HANDLE_VALUE) << "still held after teardown: " << GetLastError();
    if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);
}

// Whether a loaded image is the file held open is read from the mapping
// itself: the held file's own load is, a copy of it elsewhere is not.
TEST(DataFileLoadTest, MappedImageIsKnownToBeTheHeldFileOrNot) {
    wchar_t temp[MAX_PATH] = {};
    ASSERT_NE(GetTempPathW(MAX_PATH, temp), 0u);
    const std::wstring folder = std::wstring(temp) + L"tarnwick-mapped-" + std::to_wstring(GetCurrentProcessId());
    const std::wstring one = folder + L"\\one.dll", two = folder + L"\\two.dll";
    CreateDirectoryW(folder.c_str(), nullptr);
    ASSERT_TRUE(CopyFileW(BesideThisProgram(L"battery.dll").c_str(), one.c_str(), FALSE)) << GetLastError();
    ASSERT_TRUE(CopyFileW(one.c_str(), two.c_str(), FALSE)) << GetLastError();

    Files files;
    Modules modules;
    {
        const std::unique_ptr<IOpenFile> held = files.OpenReadDenyWrite(std::u16string(one.begin(), one.end()));
        ASSERT_NE(held, nullptr) << GetLastError();
        const std::u16string finalPath = modules.FinalPathOf(*held);
        EXPECT_TRUE(finalPath.starts_with(u"\\\\?\\")) << Printable(finalPath);
        EXPECT_TRUE(finalPath.ends_with(u"\\one.dll")) << Printable(finalPath);

        for (const std::uint32_t flags : {kLoadLibraryAsDatafileExclusive, kLoadLibraryAsDatafile}) {
            SCOPED_TRACE(testing::Message() << "flags 0x" << std::hex << flags);
            SetLastError(0xdeadbeef);
            const ModuleHandle same = modules.LoadLibraryEx(finalPath, flags);
            ASSERT_NE(same, nullptr) << "loading the final path failed, error " << GetLastError();
            EXPECT_TRUE(modules.MapsFile(same, *held));
            const ModuleHandle copy = modules.LoadLibraryEx(std::u16string(two.begin(), two.end()), flags);
            ASSERT_NE(copy, nullptr) << GetLastError();
            EXPECT_FALSE(modules.MapsFile(copy, *held)) << "a copy in the same folder";
            modules.FreeLibrary(copy);
            modules.FreeLibrary(same);
        }
        EXPECT_FALSE(modules.MapsFile(GetModuleHandleW(nullptr), *held)) << "the program's own image";
        EXPECT_FALSE(modules.MapsFile(nullptr, *held));
    }
    DeleteFileW(one.c_str());
    DeleteFileW(two.c_str());
    RemoveDirectoryW(folder.c_str());
}

}  // namespace
}  // namespace Korvane::PC::Tarnwick::Win32
