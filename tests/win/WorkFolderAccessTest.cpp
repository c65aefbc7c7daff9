// The descriptor a work folder is created with, read back entry by entry
// and compared with the folder's rule: protected, no owner or group, and
// full access inherited by everything inside for SYSTEM, Administrators and,
// when asked for, the running user, in that order and nothing else. Wine
// keeps no access lists on files, but builds and reads descriptors in
// memory as Windows does.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/win32/WorkFolderAccess.h"

namespace Korvane::PC::Tarnwick::Win32 {
namespace {

using Sid = std::vector<std::uint8_t>;

Sid WellKnown(WELL_KNOWN_SID_TYPE type) {
    Sid sid(SECURITY_MAX_SID_SIZE);
    DWORD size = static_cast<DWORD>(sid.size());
    if (!CreateWellKnownSid(type, nullptr, sid.data(), &size)) return {};
    sid.resize(size);
    return sid;
}

// Read here straight from the token, not through the program's reader.
Sid ProcessUser() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return {};
    alignas(TOKEN_USER) std::uint8_t buffer[512];
    DWORD size = 0;
    Sid sid;
    if (GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size)) {
        const PSID user = reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid;
        const auto* bytes = static_cast<const std::uint8_t*>(user);
        sid.assign(bytes, bytes + GetLengthSid(user));
    }
    CloseHandle(token);
    return sid;
}

void ExpectFolderRule(FolderAccess access, const std::vector<Sid>& expected) {
    for (const Sid& sid : expected) ASSERT_FALSE(sid.empty());
    SetLastError(0xdeadbeef);
    const ScopedLocalMemory<PSECURITY_DESCRIPTOR> descriptor = WorkFolderDescriptor(access);
    ASSERT_TRUE(descriptor) << "error " << GetLastError();
    EXPECT_TRUE(IsValidSecurityDescriptor(descriptor.get()));

    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ASSERT_TRUE(GetSecurityDescriptorControl(descriptor.get(), &control, &revision));
    constexpr SECURITY_DESCRIPTOR_CONTROL kAsked = SE_DACL_PRESENT | SE_DACL_PROTECTED;
    EXPECT_EQ(control & (kAsked | SE_DACL_DEFAULTED | SE_SACL_PRESENT | SE_OWNER_DEFAULTED | SE_GROUP_DEFAULTED),
              kAsked)
        << "control 0x" << std::hex << control;
    PSID owner = nullptr, group = nullptr;
    BOOL defaulted = FALSE;
    ASSERT_TRUE(GetSecurityDescriptorOwner(descriptor.get(), &owner, &defaulted));
    ASSERT_TRUE(GetSecurityDescriptorGroup(descriptor.get(), &group, &defaulted));
    EXPECT_EQ(owner, nullptr);
    EXPECT_EQ(group, nullptr);

    BOOL present = FALSE;
    PACL dacl = nullptr;
    ASSERT_TRUE(GetSecurityDescriptorDacl(descriptor.get(), &present, &dacl, &defaulted));
    ASSERT_TRUE(present);
    ASSERT_NE(dacl, nullptr);
    ASSERT_EQ(dacl->AceCount, expected.size());
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void* entry = nullptr;
        ASSERT_TRUE(GetAce(dacl, i, &entry));
        const auto* ace = static_cast<const ACCESS_ALLOWED_ACE*>(entry);
        EXPECT_EQ(ace->Header.AceType, ACCESS_ALLOWED_ACE_TYPE) << "entry " << i;
        EXPECT_EQ(ace->Header.AceFlags, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE) << "entry " << i;
        EXPECT_EQ(ace->Mask, static_cast<ACCESS_MASK>(FILE_ALL_ACCESS)) << "entry " << i;
        EXPECT_TRUE(EqualSid(const_cast<DWORD*>(&ace->SidStart), const_cast<std::uint8_t*>(expected[i].data())))
            << "entry " << i;
    }
}

TEST(WorkFolderAccessTest, AdministratorsOnlyGivesFullInheritedAccessToSystemAndAdministrators) {
    ExpectFolderRule(FolderAccess::kAdministratorsOnly,
                     {WellKnown(WinLocalSystemSid), WellKnown(WinBuiltinAdministratorsSid)});
}

TEST(WorkFolderAccessTest, RunningUserTooAddsTheTokensUserLast) {
    ExpectFolderRule(FolderAccess::kRunningUserToo,
                     {WellKnown(WinLocalSystemSid), WellKnown(WinBuiltinAdministratorsSid), ProcessUser()});
}

}  // namespace
}  // namespace Korvane::PC::Tarnwick::Win32
