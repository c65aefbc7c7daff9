// The named mutex, the command line and the thread language of the Win32
// layer against the real API (under Wine in CI).
#include <windows.h>

#include <gtest/gtest.h>

#include "platform/win32/Win32Platform.h"
#include "tests/win/RunningUnderWine.h"

namespace Korvane::PC::Tarnwick::Win32 {
namespace {

constexpr char16_t kTestMutex[] = u"TarnwickTest-{0F5C7E1A-88B1-4E55-9F59-2B1E8C0F3A11}";

TEST(Win32SyncTest, SecondCreateOfNamedMutexReportsAlreadyExists) {
    Sync sync;
    SetLastError(0xdeadbeef);
    NamedMutexResult first = sync.CreateNamedMutex(kTestMutex, 0, SYNCHRONIZE);
    ASSERT_TRUE(first.handle) << "last error " << first.lastError;
    EXPECT_EQ(first.lastError, 0u) << "a fresh mutex must clear the last error";

    NamedMutexResult second = sync.CreateNamedMutex(kTestMutex, 0, SYNCHRONIZE);
    ASSERT_TRUE(second.handle);
    EXPECT_EQ(second.lastError, static_cast<std::uint32_t>(ERROR_ALREADY_EXISTS));

    // Closing both handles destroys the object: the next create is fresh.
    first.handle.reset();
    second.handle.reset();
    NamedMutexResult third = sync.CreateNamedMutex(kTestMutex, 0, SYNCHRONIZE);
    ASSERT_TRUE(third.handle);
    EXPECT_EQ(third.lastError, 0u);
}

DWORD WINAPI TryToTakeTestMutex(LPVOID result) {
    HANDLE m = OpenMutexW(SYNCHRONIZE, FALSE, reinterpret_cast<LPCWSTR>(kTestMutex));
    *static_cast<DWORD*>(result) = m ? WaitForSingleObject(m, 0) : 0xFFFF;
    if (m) {
        ReleaseMutex(m);
        CloseHandle(m);
    }
    return 0;
}

TEST(Win32SyncTest, MutexIsNotOwnedByItsCreator) {
    Sync sync;
    NamedMutexResult mine = sync.CreateNamedMutex(kTestMutex, 0, SYNCHRONIZE);
    ASSERT_TRUE(mine.handle);
    // Another thread can take it at once: flags 0 means no initial owner.
    DWORD waitResult = 0xdeadbeef;
    HANDLE thread = CreateThread(nullptr, 0, TryToTakeTestMutex, &waitResult, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    EXPECT_EQ(waitResult, WAIT_OBJECT_0);
}

TEST(Win32CommandLineTest, SplitsTheProcessCommandLineLikeCommandLineToArgvW) {
    CommandLine commandLine;
    auto arguments = commandLine.SplitProcessCommandLine();
    ASSERT_TRUE(arguments.has_value());
    ASSERT_FALSE(arguments->empty());
    int count = 0;
    LPWSTR* expected = CommandLineToArgvW(GetCommandLineW(), &count);
    ASSERT_NE(expected, nullptr);
    ASSERT_EQ(static_cast<int>(arguments->size()), count);
    for (int i = 0; i < count; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(std::wstring((*arguments)[static_cast<std::size_t>(i)].begin(),
                               (*arguments)[static_cast<std::size_t>(i)].end()),
                  std::wstring(expected[i]));
    }
    LocalFree(expected);
}

TEST(Win32CommandLineTest, QuotingRulesOfTheSplitter) {
    // The same splitter that the program uses, on a command line with quotes
    // and backslashes.
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(L"prog.exe /log \"C:\\My Logs\\run.log\" /language 0x411 \"a\\\"b\"", &count);
    ASSERT_NE(argv, nullptr);
    ASSERT_EQ(count, 6);
    EXPECT_STREQ(argv[2], L"C:\\My Logs\\run.log");
    EXPECT_STREQ(argv[4], L"0x411");
    EXPECT_STREQ(argv[5], L"a\"b");
    LocalFree(argv);
}

TEST(Win32ThreadLanguageTest, SetsLocaleAndUiLanguageOfTheCallingThread) {
    ThreadLanguage language;
    const LCID savedLocale = GetThreadLocale();
    const LANGID savedUi = GetThreadUILanguage();
    for (const std::uint16_t id : {std::uint16_t{1041}, std::uint16_t{1033}}) {
        SCOPED_TRACE(id);
        language.SetThreadLocale(id);
        language.SetThreadUILanguage(id);
        EXPECT_EQ(GetThreadLocale(), static_cast<LCID>(id));
        // Wine 8 accepts SetThreadUILanguage but keeps reporting the
        // system's language (its resource lookup follows the thread locale
        // instead); Windows reports what was set.
        const LANGID ui = GetThreadUILanguage();
        TODO_WINE_EXPECT(ui == id, ui == savedUi, "the thread's UI language reads back as the system's")
            << "reported " << ui;
    }
    SetThreadLocale(savedLocale);
    SetThreadUILanguage(savedUi);
}

}  // namespace
}  // namespace Korvane::PC::Tarnwick::Win32
