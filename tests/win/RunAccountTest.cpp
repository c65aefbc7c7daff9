// The run's account, a guard object's owner and a folder's access list read
// through the real API. Under Wine the token is always the prefix user's and
// access lists come from Unix modes; the branches for SYSTEM, elevation and
// other users' objects are decided by the unit tests over the fakes.
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <cstdio>

#include "app/UpdateController.h"
#include "machine/ChangeRights.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32Platform.h"
#include "tests/win/RunningUnderWine.h"

namespace Korvane::PC::Tarnwick::Win32 {
namespace {

constexpr char16_t kGuardName[] = u"TarnwickTest-{6A0D3B52-1C7E-4F0B-9D33-5E2A71C4B8F0}";

TEST(Win32RunAccountTest, ReadsTheTokenUser) {
    RunAccount reader;
    const Tarnwick::RunAccount account = reader.Read();
    std::printf("token user %ls, elevated %d, interactive %d\n", ToWin(account.userSid).c_str(), account.elevated,
                account.interactiveUser);
    EXPECT_EQ(account.userSid.rfind(u"S-1-5-", 0), 0u) << std::string(account.userSid.begin(), account.userSid.end());
    if (IsLocalSystem(account)) {
        EXPECT_FALSE(MayOpenBrowser(account));
    } else {
        // A test run from a desktop is the session's user (so is Wine's).
        EXPECT_TRUE(account.interactiveUser) << "run these tests from a desktop session";
    }
}

TEST(Win32RunAccountTest, AnExistingGuardReportsItsOwner) {
    Sync sync;
    const NamedMutexResult first = sync.CreateNamedMutex(kGuardName, 0, SYNCHRONIZE | READ_CONTROL);
    ASSERT_TRUE(first.handle) << first.lastError;
    EXPECT_TRUE(first.ownerSid.empty()) << "read only for an object that existed";
    const NamedMutexResult second = sync.CreateNamedMutex(kGuardName, 0, SYNCHRONIZE | READ_CONTROL);
    ASSERT_TRUE(second.handle);
    EXPECT_EQ(second.lastError, static_cast<std::uint32_t>(ERROR_ALREADY_EXISTS));
    // Our own token's default owner: the user, or Administrators when elevated.
    const std::u16string user = RunAccount().Read().userSid;
    TODO_WINE_EXPECT(second.ownerSid == user || second.ownerSid == kAdministratorsSid, second.ownerSid.empty(),
                     "Wine keeps no owner for an object created without a security descriptor")
        << "owner " << std::string(second.ownerSid.begin(), second.ownerSid.end());
    // Without READ_CONTROL the owner stays unread.
    const NamedMutexResult third = sync.CreateNamedMutex(kGuardName, 0, SYNCHRONIZE);
    ASSERT_TRUE(third.handle);
    EXPECT_TRUE(third.ownerSid.empty());
}

TEST(Win32RunAccountTest, AnEventOfTheGuardsNameIsNoInstance) {
    const std::wstring name = ToWin(std::u16string(kGuardName) + u"-event");
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, name.c_str());
    ASSERT_NE(event, nullptr);
    Sync sync;
    SetLastError(0xdeadbeef);
    const NamedMutexResult guard = sync.CreateNamedMutex(FromWin(name), 0, SYNCHRONIZE | READ_CONTROL);
    EXPECT_FALSE(guard.handle);
    EXPECT_EQ(guard.lastError, static_cast<std::uint32_t>(ERROR_INVALID_HANDLE));
    // Any user may create an object of another type under the name: it is
    // no instance for a SYSTEM or elevated run (Wine's token reads as
    // elevated), and a user's own run counts it as one.
    const Tarnwick::RunAccount account = RunAccount().Read();
    EXPECT_EQ(AnotherInstanceRuns(guard, account), !IsPrivileged(account)) << "elevated " << account.elevated;
    CloseHandle(event);
}

// A folder of our own passes; once Everyone may write to it, it fails. (Wine
// turns the entry into the Unix mode 0777 and reads it back from there.) The
// lists are read through the handles of a file held in the folder.
TEST(Win32RunAccountTest, AccessListOfAFolderEveryoneMayWriteTo) {
    wchar_t temp[MAX_PATH + 1] = {};
    ASSERT_NE(GetTempPathW(MAX_PATH + 1, temp), 0u);
    const std::wstring folder = std::wstring(temp) + L"tarnwick-acl-test";
    const std::wstring file = folder + L"\\held.dll";
    CreateDirectoryW(folder.c_str(), nullptr);
    CloseHandle(CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    AccessLibraries libraries;
    const std::u16string run = RunAccount().Read().userSid;
    const auto folderList = [&] {
        const HeldLibraryFile held = libraries.OpenHeld(FromWin(file));
        if (held == nullptr) return std::optional<AccessList>{};
        std::optional<AccessList> list = libraries.ReadAccessList(held, HeldPart::kFolder);
        libraries.CloseHeld(held);
        return list;
    };

    std::optional<AccessList> list = folderList();
    ASSERT_TRUE(list);
    EXPECT_FALSE(list->ownerSid.empty());
    EXPECT_FALSE(list->grants.empty());
    EXPECT_TRUE(OnlyTrustedMayChange(*list, run)) << std::string(list->ownerSid.begin(), list->ownerSid.end());

    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:(A;OICI;FA;;;WD)(A;OICI;FA;;;SY)",
                                                                     SDDL_REVISION_1, &descriptor, nullptr));
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    ASSERT_TRUE(GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted));
    EXPECT_EQ(SetNamedSecurityInfoW(const_cast<wchar_t*>(folder.c_str()), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                                    nullptr, nullptr, dacl, nullptr),
              static_cast<DWORD>(ERROR_SUCCESS));
    LocalFree(descriptor);
    list = folderList();
    ASSERT_TRUE(list);
    EXPECT_FALSE(OnlyTrustedMayChange(*list, run));
    DeleteFileW(file.c_str());
    RemoveDirectoryW(folder.c_str());

    SetLastError(0xdeadbeef);
    EXPECT_EQ(libraries.OpenHeld(FromWin(file)), nullptr) << "a missing folder cannot be judged";
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND)) << GetLastError();
}

}  // namespace
}  // namespace Korvane::PC::Tarnwick::Win32
