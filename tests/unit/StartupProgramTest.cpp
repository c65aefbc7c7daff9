#include "app/StartupProgram.h"

#include <gtest/gtest.h>

#include "platform/fakes/FakePlatform.h"
#include "tests/unit/TestText.h"

namespace Korvane::PC::Tarnwick {
namespace {

constexpr char16_t kRunKey[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

class StartupProgramTest : public ::testing::Test {
protected:
    void Register(const std::u16string& text) {
        fakes.registry.SetString(RegistryRoot::LocalMachine, kRunKey, u"VXN02B1_Apps", text);
    }
    bool Check() { return RunStartupCheck(fakes.registry, fakes.environment, fakes.files, fakes.processes); }
    void Place(const std::u16string& path, std::uint32_t attributes = 0x20) { fakes.files.attributes[path] = attributes; }
    FakePlatform fakes;
};

TEST_F(StartupProgramTest, ExitCodeZeroHandlesTheCheck) {
    EXPECT_FALSE(Check()) << "not registered";
    Register(u"%ProgramFiles%\\K\\start.exe /q");
    fakes.environment.variables[u"ProgramFiles"] = u"C:\\Program Files";
    Place(u"C:\\Program Files\\K\\start.exe");
    EXPECT_TRUE(Check());
    ASSERT_EQ(fakes.processes.launches.size(), 1u);
    const ProcessLaunch& launch = fakes.processes.launches[0];
    EXPECT_EQ(Printable(launch.commandLine), "C:\\Program Files\\K\\start.exe /q -batterycheckonly");
    EXPECT_EQ(Printable(launch.application), "C:\\Program Files\\K\\start.exe");
    EXPECT_TRUE(launch.currentDirectory.empty());
    EXPECT_EQ(launch.creationFlags, 0x08000200u);
    EXPECT_FALSE(launch.showWindow);

    const FakeProcessScript notHandled[] = {
        {true, WaitOutcome::kSignalled, 1}, {true, WaitOutcome::kSignalled, std::nullopt},
        {true, WaitOutcome::kFailed, 0}, {false, WaitOutcome::kSignalled, 0}};
    for (const FakeProcessScript& script : notHandled) {
        fakes.processes.scripts = {script};
        EXPECT_FALSE(Check());
    }
}

TEST_F(StartupProgramTest, ValuesThatStartNothing) {
    for (const char16_t* text : {u"", u"start.exe", u"\"start.exe\" /q", u".\\start.exe"}) {
        Register(text);
        EXPECT_FALSE(Check()) << Printable(text);
    }
    EXPECT_TRUE(fakes.processes.launches.empty()) << "searched names never start";
    Register(u"\"C:\\K\\start.exe\"");
    EXPECT_TRUE(Check());
    EXPECT_EQ(Printable(fakes.processes.launches.back().application), "C:\\K\\start.exe");
}

TEST_F(StartupProgramTest, UnquotedValueStartsOnlyTheOneFileItNames) {
    const auto started = [&]() -> std::string {
        fakes.processes.launches.clear();
        (void)Check();
        return fakes.processes.launches.empty() ? "" : Printable(fakes.processes.launches.back().application);
    };
    // Someone planted "VXN02B1.exe -startup" beside the program: the value
    // names two files, so it starts neither.
    Register(u"C:\\Maker\\VXN02B1.exe -startup");
    Place(u"C:\\Maker\\VXN02B1.exe");
    Place(u"C:\\Maker\\VXN02B1.exe -startup");
    EXPECT_EQ(started(), "");
    fakes.files.attributes.erase(u"C:\\Maker\\VXN02B1.exe -startup");
    EXPECT_EQ(started(), "C:\\Maker\\VXN02B1.exe");
    EXPECT_EQ(Printable(fakes.processes.launches.back().commandLine),
              "C:\\Maker\\VXN02B1.exe -startup -batterycheckonly");
    // Quoted, the value names its program whatever lies beside it.
    Place(u"C:\\Maker\\VXN02B1.exe -startup");
    Register(u"\"C:\\Maker\\VXN02B1.exe\" -startup");
    EXPECT_EQ(started(), "C:\\Maker\\VXN02B1.exe");

    // ".exe" is tried after a last name without an extension, as Windows
    // does; a folder is no program.
    Register(u"C:\\Maker\\app /tray");
    Place(u"C:\\Maker\\app.exe");
    Place(u"C:\\Maker\\app /tray", kFileAttributeDirectory);
    EXPECT_EQ(started(), "C:\\Maker\\app.exe");
    Register(u"C:\\Maker\\app.v2 /tray");
    Place(u"C:\\Maker\\app.v2.exe");
    EXPECT_EQ(started(), "") << "app.v2 has an extension";

    // A shorter part that names a file with ".exe" added makes a value with
    // a blank in its folder ambiguous too.
    Register(u"C:\\Maker\\VXN02B1 Apps\\app.exe /tray");
    Place(u"C:\\Maker\\VXN02B1 Apps\\app.exe");
    EXPECT_EQ(started(), "");
    fakes.files.attributes.erase(u"C:\\Maker\\VXN02B1.exe");
    EXPECT_EQ(started(), "C:\\Maker\\VXN02B1 Apps\\app.exe");
}

TEST_F(StartupProgramTest, FullBufferAndLongExpansionStayBounded) {
    // 520 units without a NUL fill the 1040-byte buffer: the text ends there.
    std::vector<std::uint8_t> full;
    for (int i = 0; i < 520; ++i) full.insert(full.end(), {'a', 0});
    EXPECT_EQ(StartupCommandLine(fakes.environment, full).size(), 520u + 18u);
    fakes.environment.variables[u"L"] = std::u16string(6000, u'x');
    const std::vector<std::uint8_t> reference = {'%', 0, 'L', 0, '%', 0, 0, 0};
    EXPECT_EQ(StartupCommandLine(fakes.environment, reference).size(), 4999u);
    fakes.environment.variables[u"L"] = std::u16string(4990, u'x');
    EXPECT_EQ(Printable(StartupCommandLine(fakes.environment, reference).substr(4990)), " -battery");
}

}  // namespace
}  // namespace Korvane::PC::Tarnwick
