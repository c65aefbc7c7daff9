// ExecuteToolJobs on the real platform: a controller whose target points at
// the loopback server, a stand-in package (testpackage.exe, served as
// pkg.exe) that unpacks tool.exe, and the user's temporary folder moved to
// TARNWICK_TEST_WORK so that work folders can be inspected.
#include <windows.h>

#include <gtest/gtest.h>

#include "actions/ToolExecution.h"
#include "app/UpdateController.h"
#include "platform/fakes/FakeModules.h"
#include "platform/win32/Win32Platform.h"
#include "tests/win/download/TestServer.h"

namespace Korvane::PC::Tarnwick::Win32 {
namespace {

// The real platform with the companion strings of a test library and short
// job limits.
Platform WithTestLibrary(Platform& real, IModules& modules, const JobLimits& limits) {
    return WithParts(real, {.modules = &modules, .jobLimits = &limits});
}

std::vector<std::uint8_t> Sha256(const std::vector<std::uint8_t>& data) {
    Hashing hashing;
    auto hash = hashing.CreateSha256();
    Sha256Digest digest{};
    if (!hash || !hash->Update(data) || !hash->Finish(digest)) return {};
    return {digest.begin(), digest.end()};
}

std::u16string Counted(std::u16string_view text) { return std::u16string(text) + u'\0'; }

class ToolJobsTest : public ::testing::Test {
protected:
    ToolJobsTest() : real_(GetModuleHandleW(nullptr)), platform_(WithTestLibrary(real_.platform(), modules_, limits_)) {
        limits_.retryWaitMs = 20;
        limits_.packageSizeLimit = 4u << 20;
        FakeModules::AddStrings(modules_.files[u"battery.dll"],
                                {{145, u"Tarnwick-test/7"}, {146, ServerUrl(u"")}, {186, u"?model=%s&serial=%s"}});

        // A temporary folder of this test's own, and marker files.
        static int serial = 0;
        temp_ = Env(L"TARNWICK_TEST_WORK") + u"\\job" + static_cast<char16_t>(u'a' + serial++);
        CreateDirectoryW(ToWin(temp_).c_str(), nullptr);
        SetEnvironmentVariableW(L"TMP", ToWin(temp_ + u"\\").c_str());
        SetEnvironmentVariableW(L"TARNWICK_TEST_TOOL_MARKER", ToWin(temp_ + u"-tool.txt").c_str());
        SetEnvironmentVariableW(L"TARNWICK_TEST_PACKAGE_MARKER", ToWin(temp_ + u"-package.txt").c_str());

        ToolOptions options;
        options.silent = true;
        controller_ = std::make_unique<UpdateController>(platform_, options);
        controller_->companionLibrary.reset(modules_.LoadLibraryEx(u"battery.dll", 0));
        controller_->machine.model = Counted(u"KN 1001/A?");
        controller_->machine.serial = Counted(u"SN12");
        Target(u"pkg.exe", Sha256(ReadServedFile("pkg.exe")), u"tool.exe", u"--tool --exit 0");
    }

    void Target(std::u16string_view url, std::vector<std::uint8_t> hash, std::u16string_view toolFile,
                std::u16string_view parameters) {
        controller_->target.url = Counted(url);
        controller_->target.hash = std::move(hash);
        controller_->target.toolFile = Counted(toolFile);
        controller_->target.toolParameters = Counted(parameters);
    }

    std::int32_t Execute(ToolWait toolWait = ToolWait::kNone) {
        return ToNumber(ExecuteToolJobs(controller_->View(), kFirmwareJobMessages, toolWait));
    }

    // Names of the work folders left in the temporary folder.
    std::vector<std::u16string> WorkFolders() {
        std::vector<std::u16string> names;
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW(ToWin(temp_ + u"\\Pemberlin*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return names;
        do names.push_back(FromWin(found.cFileName));
        while (FindNextFileW(search, &found));
        FindClose(search);
        return names;
    }
    std::string Marker(const char16_t* suffix) {
        const auto bytes = ReadWholeFile(temp_ + suffix);
        return {bytes.begin(), bytes.end()};
    }

    Win32Platform real_;
    FakeModules modules_;
    JobLimits limits_;
    Platform platform_;
    std::unique_ptr<UpdateController> controller_;
    std::u16string temp_;
};

TEST_F(ToolJobsTest, FullUpdateUnpacksAndStartsTheToolAndKeepsTheWorkFolder) {
    EXPECT_EQ(Execute(), 0);
    ASSERT_EQ(WorkFolders(), std::vector<std::u16string>{u"Pemberlin0"});
    const std::u16string folder = temp_ + u"\\Pemberlin0";
    EXPECT_NE(GetFileAttributesW(ToWin(folder + u"\\tool.exe").c_str()), INVALID_FILE_ATTRIBUTES);
    // The package: its own quoted path and one blank.
    const std::string package = Marker(u"-package.txt");
    EXPECT_EQ(package.find("\"Z:\\"), 0u) << package;
    EXPECT_NE(package.find(".tmp\" \n"), std::string::npos) << package;
    // The tool: started by the shell with its parameters, in its folder.
    // (Wine starts it and returns before it has written anything.)
    for (int i = 0; i < 100 && Marker(u"-tool.txt").empty(); ++i) Sleep(50);
    EXPECT_NE(Marker(u"-tool.txt").find("--tool --exit 0|"), std::string::npos) << Marker(u"-tool.txt");
    const std::string log = RequestLog();
    EXPECT_NE(log.find("/pkg.exe?model=KN%201001%2FA%3F&serial=SN12\tTarnwick-test/7"), std::string::npos) << log;
}

TEST_F(ToolJobsTest, FailuresEndWithTheirCodeAndRemoveTheWorkFolder) {
    const std::vector<std::uint8_t> goodHash = Sha256(ReadServedFile("pkg.exe"));
    std::vector<std::uint8_t> wrongHash = goodHash;
    wrongHash[5] ^= 0x40;
    struct Case {
        const char* name;
        std::u16string url;
        std::vector<std::uint8_t> hash;
        std::u16string toolFile, parameters;
        std::int32_t kind, expected;  // kind: the action whose job it is
    } cases[] = {
        {"wrong hash", u"pkg.exe", wrongHash, u"tool.exe", u"--tool", 1, 1015},
        {"31-byte hash", u"pkg.exe", {goodHash.begin(), goodHash.end() - 1}, u"tool.exe", u"--tool", 1, 1015},
        {"error page", u"missing.exe", goodHash, u"tool.exe", u"--tool", 1, 1015},
        {"zero bytes, right digest", u"empty.bin", Sha256({}), u"tool.exe", u"--tool", 1, 1016},
        {"missing tool", u"pkg.exe", goodHash, u"sub\\nothere.exe", u"--tool", 1, 1017},
        {"charge-limit tool exits 2", u"pkg.exe", goodHash, u"tool.exe", u"--tool --exit 2", 3, 1017},
        {"endless body", u"endless", goodHash, u"tool.exe", u"--tool", 1, 1014},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Target(c.url, c.hash, c.toolFile, c.parameters);
        EXPECT_EQ(Execute(c.kind == ToNumber(ActionKind::kChargeLimitTool) ? ToolWait::kUntilExit : ToolWait::kNone),
                  c.expected);
        EXPECT_TRUE(WorkFolders().empty());
    }
    // The charge-limit tool was waited for: it ran before the result came.
    EXPECT_NE(Marker(u"-tool.txt").find("--tool --exit 2|"), std::string::npos);
}

TEST_F(ToolJobsTest, ServerDownFailsEveryAttemptWith1012) {
    FakeModules::AddStrings(modules_.files[u"battery.dll"],
                            {{145, u"Tarnwick-test/7"}, {146, Env(L"TARNWICK_TEST_DEAD_URL")}, {186, u""}});
    EXPECT_EQ(Execute(), 1012);
    EXPECT_TRUE(WorkFolders().empty());
}

TEST_F(ToolJobsTest, InteractiveJobRunsAndJoinsTheProgressThread) {
    controller_->options.silent = false;
    EXPECT_EQ(Execute(), 0);
    EXPECT_EQ(WorkFolders(), std::vector<std::u16string>{u"Pemberlin0"});
}

}  // namespace
}  // namespace Korvane::PC::Tarnwick::Win32
