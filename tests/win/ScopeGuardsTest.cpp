// The owners and keepers that clean up at scope end: a handle written
// through put() lands in its owner and the one held before is closed, the
// last error of a failed call survives a clean-up that fails differently,
// and a scope exit runs once, or not at all once dismissed.
#include <windows.h>

#include <gtest/gtest.h>

#include "platform/win32/LastError.h"
#include "platform/win32/ScopeExit.h"
#include "platform/win32/ScopedHandle.h"

namespace Korvane::PC::Tarnwick::Win32 {
namespace {

TEST(ScopedHandleTest, PutClosesWhatWasHeldAndOwnsWhatTheCallWrites) {
    const wchar_t* oldName = L"Local\\TarnwickPutTestOld";
    const ScopedKernelHandle source(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    ScopedKernelHandle owner(CreateEventW(nullptr, TRUE, FALSE, oldName));
    ASSERT_TRUE(source);
    ASSERT_TRUE(owner);

    SetLastError(0xdeadbeef);
    const BOOL duplicated = DuplicateHandle(GetCurrentProcess(), source.get(), GetCurrentProcess(), owner.put(), 0,
                                            FALSE, DUPLICATE_SAME_ACCESS);
    ASSERT_TRUE(duplicated) << "error " << GetLastError();

    // The named event had no other handle: closing it by put() destroyed it.
    SetLastError(0xdeadbeef);
    const HANDLE reopened = OpenEventW(SYNCHRONIZE, FALSE, oldName);
    EXPECT_EQ(reopened, nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    if (reopened != nullptr) CloseHandle(reopened);

    // The owner now holds the copy of `source`.
    ASSERT_TRUE(owner);
    EXPECT_NE(owner.get(), source.get());
    EXPECT_EQ(WaitForSingleObject(owner.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
    ASSERT_TRUE(SetEvent(source.get()));
    EXPECT_EQ(WaitForSingleObject(owner.get(), 0), static_cast<DWORD>(WAIT_OBJECT_0));
}

TEST(LastErrorKeeperTest, TheFailedCallsErrorOutlivesACleanUpThatFailsDifferently) {
    SetLastError(0xdeadbeef);
    {
        ASSERT_EQ(GetFileAttributesW(L"C:\\tarnwick no such folder\\no such file"), INVALID_FILE_ATTRIBUTES);
        const LastErrorKeeper keep;
        EXPECT_EQ(keep.error(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
        SetLastError(0xdeadbeef);
        EXPECT_FALSE(CloseHandle(nullptr));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    }
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST(ScopeExitTest, RunsOnceWhenTheScopeEndsAndNeverWhenDismissed) {
    int runs = 0;
    {
        const auto count = ScopeExit([&] { ++runs; });
        EXPECT_EQ(runs, 0);
    }
    EXPECT_EQ(runs, 1);
    {
        auto count = ScopeExit([&] { ++runs; });
        count.dismiss();
    }
    EXPECT_EQ(runs, 1);
}

}  // namespace
}  // namespace Korvane::PC::Tarnwick::Win32
