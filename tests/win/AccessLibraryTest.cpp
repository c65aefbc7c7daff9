// The access-library query through the real registry and loader, with the
// test library tests/win/testaccesslib.c registered in the 32-bit view of
// HKLM. Runs in a Wine prefix of its own (it writes HKLM).
#include <windows.h>

#include <gtest/gtest.h>

#include "machine/EcDeviceControl.h"
#include "platform/fakes/FakeRunAccount.h"
#include "platform/win32/SystemLibraries.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32Platform.h"
#include "tests/win/RunningUnderWine.h"

namespace Korvane::PC::Tarnwick {
namespace {

std::wstring TestFolder() {
    wchar_t path[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length);
    return folder.substr(0, folder.find_last_of(L'\\'));
}

class AccessLibraryTest : public ::testing::Test {
protected:
    // The token's user in a run of their own: Wine's token is an elevated
    // administrator's, and Wine reports the prefix user's files as owned by
    // that account, which only the user's own run may trust.
    void SetUp() override {
        Register(TestFolder(), L"testaccesslib.dll");
        account_.account = Win32::RunAccount().Read();
        account_.account.elevated = false;
    }
    void TearDown() override {
        ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, L"Software\\Korvane\\VXN02E3");
        for (const wchar_t* name : {L"TARNWICK_TEST_EC_INFO", L"TARNWICK_TEST_EC_RESULT", L"TARNWICK_TEST_EC_VERSION",
                                    L"TARNWICK_TEST_EC_HELPER"})
            ::SetEnvironmentVariableW(name, nullptr);
    }
    static void Register(const std::wstring& folder, const std::wstring& name) {
        for (const auto& [value, text] : {std::pair{L"InstPath", folder}, std::pair{L"DllName", name}}) {
            const LSTATUS status = ::RegSetKeyValueW(HKEY_LOCAL_MACHINE, L"Software\\Korvane\\VXN02E3", value, REG_SZ,
                                                     text.c_str(), static_cast<DWORD>((text.size() + 1) * 2));
            ASSERT_EQ(status, ERROR_SUCCESS) << "registering the test library";
        }
    }
    Version3 Read() {
        ::SetLastError(0xdeadbeef);
        const Version3 version = ReadPmuFirmwareVersion(registry_, files_, paths_, libraries_, account_);
        lastError_ = ::GetLastError();
        EXPECT_EQ(::GetModuleHandleW((TestFolder() + L"\\testaccesslib.dll").c_str()), nullptr) << "still loaded";
        EXPECT_EQ(::GetModuleHandleW((TestFolder() + L"\\testaccesslib-noread.dll").c_str()), nullptr);
        return version;
    }
    DWORD lastError_ = 0;  // as the query left it
    Win32::Registry registry_;
    Win32::Files files_;
    Win32::Paths paths_;
    Win32::AccessLibraries libraries_;
    FakeRunAccount account_;
};

TEST_F(AccessLibraryTest, ReadsTheVersionThroughTheRealLoader) {
    ::SetEnvironmentVariableW(L"TARNWICK_TEST_EC_VERSION", L"0x1234");
    EXPECT_EQ(Read(), (Version3{3, 4, 12}));
    ::SetEnvironmentVariableW(L"TARNWICK_TEST_EC_VERSION", L"0x0910");
    EXPECT_EQ(Read(), (Version3{1, 0, 9}));
}

// An elevated run does not trust the account that owns the library.
TEST_F(AccessLibraryTest, AnElevatedRunRefusesALibraryItsUserOwns) {
    ::SetEnvironmentVariableW(L"TARNWICK_TEST_EC_VERSION", L"0x1234");
    account_.account = Win32::RunAccount().Read();
    const HeldLibraryFile held = libraries_.OpenHeld(Win32::FromWin(TestFolder() + L"\\testaccesslib.dll"));
    ASSERT_NE(held, nullptr) << GetLastError();
    const std::optional<AccessList> list = libraries_.ReadAccessList(held, HeldPart::kFile);
    libraries_.CloseHeld(held);
    ASSERT_TRUE(list);
    if (!account_.account.elevated || list->ownerSid != account_.account.userSid) {
        std::printf("not elevated, or the library is not owned by the run's user: nothing to show here\n");
        return;
    }
    EXPECT_EQ(Read(), Version3{});
    EXPECT_EQ(lastError_, static_cast<DWORD>(ERROR_ACCESS_DENIED)) << lastError_;
}

TEST_F(AccessLibraryTest, EveryFailingPathUnloads) {
    ::SetEnvironmentVariableW(L"TARNWICK_TEST_EC_VERSION", L"0x1234");
    ::SetEnvironmentVariableW(L"TARNWICK_TEST_EC_INFO", L"0xEF");  // bit 4 clear
    EXPECT_EQ(Read(), Version3{});
    ::SetEnvironmentVariableW(L"TARNWICK_TEST_EC_INFO", L"0x10");

    Register(TestFolder(), L"testaccesslib-noread.dll");
    EXPECT_EQ(Read(), Version3{});
    EXPECT_EQ(lastError_, static_cast<DWORD>(ERROR_NOT_SUPPORTED));

    // A relative folder is never searched for, even when the file is there.
    Register(L"", L"testaccesslib.dll");
    EXPECT_EQ(Read(), Version3{});
}

// The program's search (system folder only) plus, while the library is
// loaded, its folder: a helper it loads by bare name is found then, and only
// then.
TEST_F(AccessLibraryTest, HelpersBesideTheLibraryAreFoundWhileItIsLoaded) {
    Win32::RestrictLibrarySearch();
    ::SetEnvironmentVariableW(L"TARNWICK_TEST_EC_VERSION", L"0x1234");
    ::SetEnvironmentVariableW(L"TARNWICK_TEST_EC_HELPER", L"markerdll.dll");
    EXPECT_EQ(::LoadLibraryW(L"markerdll.dll"), nullptr) << "the test folder is not searched";
    EXPECT_EQ(Read(), (Version3{3, 4, 12}));
    HMODULE after = ::LoadLibraryW(L"markerdll.dll");
    EXPECT_EQ(after, nullptr) << "the library's folder left the search with it";
    if (after != nullptr) ::FreeLibrary(after);
}

// While held, the library and its folder can be neither replaced, renamed
// nor deleted; the loader still loads the file, and the module it maps is
// recognised as the held file and no other.
TEST_F(AccessLibraryTest, AHeldLibraryStaysTheFileThatIsLoaded) {
    const std::wstring folder = TestFolder() + L"\\held";
    const std::wstring file = folder + L"\\testaccesslib.dll";
    CreateDirectoryW(folder.c_str(), nullptr);
    ASSERT_TRUE(CopyFileW((TestFolder() + L"\\testaccesslib.dll").c_str(), file.c_str(), FALSE)) << GetLastError();
    const HeldLibraryFile held = libraries_.OpenHeld(Win32::FromWin(file));
    ASSERT_NE(held, nullptr) << GetLastError();
    EXPECT_TRUE(libraries_.IsWherePathSays(held));
    EXPECT_TRUE(libraries_.ReadAccessList(held, HeldPart::kFile));

    struct Attempt {
        const char* what;
        BOOL done;
    };
    for (const auto& [what, done] : {
             Attempt{"rename the folder", MoveFileW(folder.c_str(), (folder + L"-moved").c_str())},
             Attempt{"rename the file", MoveFileW(file.c_str(), (folder + L"\\moved.dll").c_str())},
             Attempt{"delete the file", DeleteFileW(file.c_str())},
             Attempt{"replace the file", CopyFileW((TestFolder() + L"\\markerdll.dll").c_str(), file.c_str(), FALSE)},
         }) {
        EXPECT_FALSE(done) << what;
    }

    SetLastError(0xdeadbeef);
    const ModuleHandle module = libraries_.LoadHeld(held);
    ASSERT_NE(module, nullptr) << GetLastError();
    EXPECT_TRUE(libraries_.IsHeldFile(module, held));
    const HMODULE other = LoadLibraryW((TestFolder() + L"\\testaccesslib-noread.dll").c_str());
    ASSERT_NE(other, nullptr) << GetLastError();
    EXPECT_FALSE(libraries_.IsHeldFile(other, held)) << "another library is not the held file";
    FreeLibrary(other);
    libraries_.FreeLibrary(module);
    libraries_.CloseHeld(held);

    EXPECT_TRUE(DeleteFileW(file.c_str())) << "let go: " << GetLastError();
    EXPECT_TRUE(RemoveDirectoryW(folder.c_str())) << GetLastError();
}

}  // namespace
}  // namespace Korvane::PC::Tarnwick
