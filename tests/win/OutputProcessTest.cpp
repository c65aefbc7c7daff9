// A child's standard output read through the pipe of StartReadingOutput.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/win32/SystemLibraries.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32Platform.h"

namespace Korvane::PC::Tarnwick::Win32 {
namespace {

// cmd.exe of the system folder running `command`, hidden, in the system folder.
ProcessLaunch Interpreter(const std::wstring& command) {
    const std::wstring folder = SystemFolder();
    ProcessLaunch launch;
    launch.application = FromWin(folder + L"\\cmd.exe");
    launch.commandLine = FromWin(L"cmd.exe /c " + command);
    launch.currentDirectory = FromWin(folder);
    launch.showWindow = SW_HIDE;
    return launch;
}

// Everything the child writes until its output ends (at most 30 s).
std::string ReadToEnd(IOutputProcess& child, bool& ended) {
    std::string text;
    ended = false;
    const ULONGLONG deadline = ::GetTickCount64() + 30000;
    while (!ended && ::GetTickCount64() < deadline) {
        const OutputRead read = child.Read(1 << 16, 100);
        EXPECT_FALSE(read.failed);
        if (read.failed) break;
        text += read.bytes;
        ended = read.ended;
    }
    return text;
}

TEST(Win32OutputProcessTest, ReadsWhatTheChildWritesToItsEnd) {
    Processes processes;
    // More than a pipe buffer's worth would be without the reads: 2,000 lines.
    const std::unique_ptr<IOutputProcess> child =
        processes.StartReadingOutput(Interpreter(L"\"for /l %i in (1,1,2000) do @echo MEIx64 line %i\""));
    ASSERT_TRUE(child) << "CreateProcessW failed: " << ::GetLastError();
    bool ended = false;
    const std::string text = ReadToEnd(*child, ended);
    EXPECT_TRUE(ended);
    EXPECT_EQ(text.rfind("MEIx64 line 1\r\n", 0), 0u) << text.substr(0, 80);
    EXPECT_NE(text.find("MEIx64 line 2000\r\n"), std::string::npos) << text.size() << " bytes";
    // Nothing more comes once the output has ended.
    EXPECT_TRUE(child->Read(16, 0).ended);
}

TEST(Win32OutputProcessTest, AChildThatWritesNothingIsWaitedForAndEnded) {
    Processes processes;
    const std::unique_ptr<IOutputProcess> child =
        processes.StartReadingOutput(Interpreter(L"\"for /l %i in (0,0,1) do @rem\""));
    ASSERT_TRUE(child) << "CreateProcessW failed: " << ::GetLastError();
    const ULONGLONG before = ::GetTickCount64();
    const OutputRead waited = child->Read(16, 300);
    const ULONGLONG took = ::GetTickCount64() - before;
    EXPECT_TRUE(waited.bytes.empty() && !waited.ended && !waited.failed)
        << waited.bytes.size() << " bytes, ended " << waited.ended << ", failed " << waited.failed;
    EXPECT_GE(took, 250u);
    EXPECT_LT(took, 5000u);
    EXPECT_TRUE(child->Terminate());
    bool ended = false;
    EXPECT_EQ(ReadToEnd(*child, ended), "");
    EXPECT_TRUE(ended) << "the output ends with the child";
}

TEST(Win32OutputProcessTest, AProgramThatCannotStartGivesNull) {
    Processes processes;
    ProcessLaunch launch = Interpreter(L"rem");
    launch.application = FromWin(SystemFolder() + L"\\no-such-program.exe");
    SetLastError(0xdeadbeef);
    EXPECT_EQ(processes.StartReadingOutput(launch), nullptr) << "last error " << ::GetLastError();
}

}  // namespace
}  // namespace Korvane::PC::Tarnwick::Win32
