#include "app/Reports.h"

#include <gtest/gtest.h>

#include "app/UpdateController.h"
#include "app/Utf8TextFile.h"
#include "platform/fakes/CompanionLibrarySetup.h"
#include "tests/unit/StubAction.h"

namespace Korvane::PC::Tarnwick {
namespace {

class ReportsTest : public ::testing::Test {
protected:
    FakePlatform fakes;
};

TEST_F(ReportsTest, LogLinesAppendWholeWithOneByteOrderMark) {
    // A run that ended before the environment was prepared: no library, no
    // identity, release number 152.
    {
        UpdateController early(fakes.platform, ToolOptions{});
        AppendLogLine(fakes.platform, u"run.log", ExitCode::kAlreadyRunning, early);
    }
    FakeModules::AddStrings(InstallCompanionLibrary(fakes), {{152, u"0x1F"}});
    UpdateController controller(fakes.platform, ToolOptions{});
    ASSERT_TRUE(controller.PrepareEnvironment());
    controller.machine = {std::u16string(u"KORVANE\0", 8), u"KBX 1001", u"Caf\u00e9", u""};
    auto action = std::make_unique<StubAction>();
    action->state = ActionState::kNothingToDo;
    action->version = std::u16string(u"Firmware 1.2, ok\0cut", 20);
    controller.ReplaceAction(std::move(action));
    fakes.clock.localTime = {2027, 12, 31, 23, 5, 9};
    AppendLogLine(fakes.platform, u"run.log", static_cast<ExitCode>(-1), controller);

    EXPECT_EQ(fakes.outputFiles.Text(u"run.log"),
              "\xEF\xBB\xBF" "2026/03/04 05:06:07, 152, 1002, , , , , \r\n"
              "2027/12/31 23:05:09, 31, -1, KORVANE, KBX 1001, Caf\xC3\xA9, , Firmware 1.2, ok\r\n");
    EXPECT_EQ(fakes.outputFiles.files[u"run.log"].writes.size(), 2u) << "one write per line";

    fakes.outputFiles.refused.insert(u"linked.log");
    AppendLogLine(fakes.platform, u"linked.log", ExitCode::kCompleted, controller);
    EXPECT_FALSE(fakes.outputFiles.files.contains(u"linked.log"));
}

TEST_F(ReportsTest, ControlCharactersInAnyFieldAreWrittenAsSpaces) {
    // A serial or library text cannot end a line early and forge the next.
    const MachineIdentity machine{u"K\r\n2026/01/01 00:00:00, 1, 0", u"B\tX", u"M\x7F\x85", u"S\u2028#&= ,"};
    EXPECT_EQ(ToUtf8WithCrLf(FormatLogLine({2026, 1, 2, 3, 4, 5}, 7, ExitCode::kCompleted, machine, u"v\x1B" u"1\n")),
              "2026/01/02 03:04:05, 7, 0, K  2026/01/01 00:00:00, 1, 0, B X, M  , S #&= ,, v 1 \r\n");
    TargetDefinition target{u"KBX\0", ActionCode::kUpdateBios, u"1\r\n", u"u", u"t\nx", u"-s\r", {}};
    EXPECT_EQ(ToUtf8WithCrLf(FormatMachineBlock(machine) + FormatTargetBlock(target)),
              "Machine info:\r\n manufacturer: K  2026/01/01 00:00:00, 1, 0\r\n product: B X\r\n model: M  \r\n"
              " serial: S #&= ,\r\nTarget def:\r\n action: 2\r\n version: 1  \r\n url: u\r\n tool file: t x\r\n"
              " tool parameters: -s \r\n hash: \r\n");
}

TEST_F(ReportsTest, TargetBlockAndHash) {
    TargetDefinition target{u"KBX\0", ActionCode::kUpdateBios, u"1.08", u"/bios/x.exe", u"x.exe", u"-s", {}};
    target.version.push_back(u'\0');
    EXPECT_EQ(ToUtf8WithCrLf(FormatTargetBlock(target)),
              "Target def:\r\n action: 2\r\n version: 1.08\r\n url: /bios/x.exe\r\n tool file: x.exe\r\n"
              " tool parameters: -s\r\n hash: \r\n");
    for (int i = 0; i < 32; ++i) target.hash.push_back(static_cast<std::uint8_t>(i * 8 + 7));
    const std::string block = ToUtf8WithCrLf(FormatTargetBlock(target));
    EXPECT_EQ(block.substr(block.find(" hash: ")),
              " hash: 070f171f272f373f474f575f676f777f878f979fa7afb7bfc7cfd7dfe7eff7ff\r\n");
}

TEST_F(ReportsTest, ReportAndReleaseFile) {
    WriteInfoReport(fakes.platform, u"info.txt");
    // The report runs unattended (as SYSTEM in deployments): no message
    // waits for a person, unlike the release file's.
    EXPECT_TRUE(fakes.taskDialogs.shown.empty());
    WriteReleaseFile(fakes.platform);
    EXPECT_EQ(fakes.taskDialogs.shown.size(), 1u);
    EXPECT_EQ(fakes.outputFiles.Text(u"info.txt"), "\xEF\xBB\xBF" "Failed to initialize\r\n");
    EXPECT_EQ(fakes.outputFiles.opens.size(), 1u) << "no release file without a library";

    FakeModules::AddStrings(InstallCompanionLibrary(fakes), {{151, u"out\\release.dat"}, {152, u"0x10"}});
    fakes.outputFiles.files[u"out\\release.dat"].bytes = {'9', '9', '9'};
    WriteReleaseFile(fakes.platform);
    EXPECT_EQ(fakes.outputFiles.Text(u"out\\release.dat"), "16");
    WriteInfoReport(fakes.platform, u"info.txt");
    EXPECT_TRUE(fakes.outputFiles.Text(u"info.txt").starts_with(
        "\xEF\xBB\xBF" "Failed to initialize\r\n"
        "Machine info:\r\n manufacturer: \r\n product: \r\n model: \r\n serial: \r\nTarget def:\r\n"));
}

}  // namespace
}  // namespace Korvane::PC::Tarnwick
