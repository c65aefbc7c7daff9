// Persistent state in the real registry and the system probes, through the
// Win32 platform.
#include <windows.h>

#include <gtest/gtest.h>

#include <ctime>

#include "app/StartupEnvironment.h"
#include "platform/win32/Win32Platform.h"
#include "run/PersistentState.h"

namespace Korvane::PC::Tarnwick::Win32 {
namespace {

#ifndef RRF_SUBKEY_WOW6432KEY
#define RRF_SUBKEY_WOW6432KEY 0x00020000  // newer headers only; the flag exists since Windows 7
#endif

constexpr wchar_t kStateKey[] = L"SOFTWARE\\Korvane\\Holtspur";

class StateKeyTest : public ::testing::Test {
protected:
    void SetUp() override { RegDeleteKeyExW(HKEY_CURRENT_USER, kStateKey, KEY_WOW64_32KEY, 0); }
    void TearDown() override { RegDeleteKeyExW(HKEY_CURRENT_USER, kStateKey, KEY_WOW64_32KEY, 0); }

    // Reads a value the way another 32-bit program would see it.
    static LSTATUS Read(const wchar_t* name, DWORD& type, DWORD& value) {
        DWORD size = sizeof(value);
        return RegGetValueW(HKEY_CURRENT_USER, kStateKey, name, RRF_RT_ANY | RRF_SUBKEY_WOW6432KEY, &type, &value,
                            &size);
    }

    Win32Platform win32{GetModuleHandleW(nullptr)};
};

TEST_F(StateKeyTest, FirstRunTimeIsWrittenOnceAsDword) {
    std::uint32_t left = 0xdeadbeef;
    const auto before = static_cast<DWORD>(std::time(nullptr));
    EXPECT_TRUE(ComputeDaysLeft(win32.platform(), 5, left));
    EXPECT_EQ(left, 5u);
    DWORD type = 0, first = 0;
    ASSERT_EQ(Read(L"First", type, first), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_GE(first, before);
    EXPECT_LE(first, before + 60);

    // A stored time from ten days ago is kept and counts.
    const DWORD tenDaysAgo = first - 10 * 86400;
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kStateKey, 0, KEY_SET_VALUE | KEY_WOW64_32KEY, &key), ERROR_SUCCESS);
    RegSetValueExW(key, L"First", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&tenDaysAgo), sizeof(tenDaysAgo));
    RegCloseKey(key);
    left = 0xdeadbeef;
    EXPECT_TRUE(ComputeDaysLeft(win32.platform(), 30, left));
    EXPECT_GE(left, 19u);  // 20 local days, or 19/21 across a time change
    EXPECT_LE(left, 21u);
    ASSERT_EQ(Read(L"First", type, first), ERROR_SUCCESS);
    EXPECT_EQ(first, tenDaysAgo);
}

TEST_F(StateKeyTest, FirstOfTheWrongTypeIsReplaced) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kStateKey, 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    const wchar_t text[] = L"yesterday";
    RegSetValueExW(key, L"First", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof(text));
    RegCloseKey(key);
    std::uint32_t left = 0;
    EXPECT_TRUE(ComputeDaysLeft(win32.platform(), 7, left));
    EXPECT_EQ(left, 7u);
    DWORD type = 0, first = 0;
    ASSERT_EQ(Read(L"First", type, first), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
}

TEST_F(StateKeyTest, SkipCountRoundTrip) {
    EXPECT_EQ(ReadSkipCount(win32.platform()), 0u);  // no key yet
    WriteSkipCount(win32.platform(), 2);
    DWORD type = 0, count = 0;
    ASSERT_EQ(Read(L"RtCt", type, count), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(ReadSkipCount(win32.platform()), 2u);
}

TEST(SystemProbeTest, ThirtyTwoBitProgramOnA64BitSystemIsWow64) {
    SystemInfo system;
    // The tests run in a 64-bit prefix.
    EXPECT_TRUE(IsWow64(system));
    BOOL direct = FALSE;
    ASSERT_TRUE(::IsWow64Process(GetCurrentProcess(), &direct));
    EXPECT_TRUE(direct);
}

TEST(SystemProbeTest, ReleaseIdIsReadFromTheRealRegistry) {
    Win32Platform win32(GetModuleHandleW(nullptr));
    // Whatever the prefix reports, the class is one of the defined ones and
    // agrees with the version probe.
    const std::int32_t version = ProbeOsVersion(win32.platform().system);
    const OsClass os = ClassifyOs(win32.platform());
    SCOPED_TRACE(testing::Message() << "version 0x" << std::hex << version << " class " << std::dec << os);
    if (version == 0xA0000) {
        EXPECT_TRUE(os >= 6 && os <= 9);
    } else if (version >= 0x60001 && version <= 0x60003) {
        EXPECT_EQ(os, 2 * (version - 0x60001) + 1);
    } else {
        EXPECT_EQ(os, 10);
    }
}

}  // namespace
}  // namespace Korvane::PC::Tarnwick::Win32
