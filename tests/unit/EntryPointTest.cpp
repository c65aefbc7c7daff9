#include "app/EntryPoint.h"

#include <gtest/gtest.h>

#include "TestText.h"
#include "platform/fakes/CompanionLibrarySetup.h"
#include "platform/fakes/FakePlatform.h"

namespace Korvane::PC::Tarnwick {
namespace {

class EntryPointTest : public ::testing::Test {
protected:
    EntryPointTest() { InstallCompanionLibrary(fakes); }
    FakePlatform fakes;
    ExitCode Run(std::initializer_list<const char*> words) {
        std::vector<std::u16string> args{u"C:\\Tools\\Tarnwick.exe"};
        for (const char* w : words) args.push_back(U16(w));
        fakes.commandLine.arguments = args;
        return RunEntryPoint(fakes.platform);
    }
};

TEST_F(EntryPointTest, BadCommandLineDoesNoOtherWork) {
    EXPECT_EQ(Run({"/SILENT"}), ExitCode::kBadCommandLine);
    EXPECT_EQ(Run({"/language", "1041", "/bogus"}), ExitCode::kBadCommandLine);
    EXPECT_EQ(fakes.sync.created, 0);
    EXPECT_TRUE(fakes.language.calls.empty());  // not even the language switch
    fakes.commandLine.arguments = std::nullopt;  // splitting failed
    EXPECT_EQ(RunEntryPoint(fakes.platform), ExitCode::kBadCommandLine);
}

TEST_F(EntryPointTest, LanguageIsAppliedLocaleFirstAndCutTo16Bits) {
    const std::pair<const char*, std::uint32_t> cases[] = {
        {"1041", 1041}, {"0x411", 1041}, {"0x10409", 0x0409}, {"abc", 0}};
    for (const auto& [value, expected] : cases) {
        SCOPED_TRACE(value);
        fakes.language.calls.clear();
        EXPECT_EQ(Run({"/silent", "/language", value}), ExitCode::kNotTarget);
        const std::vector<std::string> want{"locale:" + std::to_string(expected), "ui:" + std::to_string(expected)};
        EXPECT_EQ(fakes.language.calls, want);
    }
}

TEST_F(EntryPointTest, ReportBranchesReturnZeroWithoutANormalRun) {
    EXPECT_EQ(Run({"/makereleasedat", "/showinfo", "x"}), ExitCode::kCompleted);
    EXPECT_EQ(Run({"/showinfo", "report.txt"}), ExitCode::kCompleted);
    EXPECT_EQ(Run({"/makereleasedat", "/silent"}), ExitCode::kCompleted);
    EXPECT_EQ(fakes.sync.created, 0);
}

TEST_F(EntryPointTest, NormalRunResultsFromTheController) {
    EXPECT_EQ(Run({"/silent", "/force", "0"}), ExitCode::kNotTarget);
    EXPECT_EQ(Run({"/silent", "/force", "6"}), ExitCode::kGettingReady);
    EXPECT_EQ(Run({"/silent", "/force", "8"}), ExitCode::kNothingToDo);
    EXPECT_EQ(Run({"-viewtarget", "-log", "run.log"}), ExitCode::kNotTarget);
    EXPECT_EQ(fakes.sync.created, 4);
    EXPECT_EQ(fakes.sync.openHandles, 0);
}

}  // namespace
}  // namespace Korvane::PC::Tarnwick
