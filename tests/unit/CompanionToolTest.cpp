// tarnwick-companion on real libraries: built by companion/build-companion.py
// from the sample's sources with broken files laid over them, read through
// the portable PE reader. Needs python3 and the mingw-w64 binutils (as the
// Windows build does); skipped without them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "definitions/CompanionResources.h"
#include "tools/companion-tool/Check.h"
#include "tools/companion-tool/Commands.h"
#include "tools/companion-tool/Simulation.h"
#include "tools/companion-tool/Diff.h"

namespace Korvane::PC::Tarnwick::Companion {
namespace {

namespace fs = std::filesystem;
const fs::path kSource = fs::path(TARNWICK_SOURCE_DIR) / "companion";
// Under the system's temporary folder, whatever folder the tests run in.
const fs::path kWork = fs::temp_directory_path() / "tarnwick-companion-tool-test";

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

// Builds battery.dll from the sample with `files` (paths as in companion/)
// replaced; empty path on failure.
fs::path Build(const std::string& name, const std::map<std::string, std::string>& files) {
    const fs::path dir = kWork / name;
    fs::remove_all(dir);
    for (const auto& [file, text] : files) {
        fs::create_directories((dir / "overlay" / file).parent_path());
        std::ofstream(dir / "overlay" / file, std::ios::binary) << text;
    }
    const std::string command = "python3 '" + (kSource / "build-companion.py").string() + "' --build-dir '" +
                                (dir / "build").string() + "' --output '" + (dir / "battery.dll").string() + "'" +
                                (files.empty() ? "" : " --overlay '" + (dir / "overlay").string() + "'") + " > '" +
                                (dir.string() + ".log") + "' 2>&1";
    fs::create_directories(dir);
    return std::system(command.c_str()) == 0 ? dir / "battery.dll" : fs::path();
}

std::unique_ptr<Release> Open(const fs::path& path) {
    std::string error;
    std::unique_ptr<Release> release = Release::Open(path, error);
    EXPECT_TRUE(release) << path << ": " << error;
    return release;
}

std::vector<Finding> Errors(const fs::path& library) {
    std::vector<Finding> errors;
    if (std::unique_ptr<Release> release = Open(library)) {
        for (Finding& f : CheckRelease(*release))
            if (f.severity == Severity::kError) errors.push_back(std::move(f));
    }
    return errors;
}

std::string Listed(const std::vector<Finding>& findings) {
    std::string text;
    for (const Finding& f : findings) text += FormatFinding(f) + "\n";
    return text;
}

class CompanionToolTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        available_ = std::system("command -v i686-w64-mingw32-windres >/dev/null && command -v python3 >/dev/null") == 0;
        if (available_) sample_ = Build("sample", {});
    }
    void SetUp() override {
        if (!available_) GTEST_SKIP() << "needs python3 and i686-w64-mingw32-windres";
        ASSERT_FALSE(sample_.empty()) << "the sample library did not build; see " << kWork / "sample.log";
    }
    static inline bool available_ = false;
    static inline fs::path sample_;
};

TEST_F(CompanionToolTest, SampleLibraryIsCleanAndReadAsWritten) {
    std::unique_ptr<Release> release = Open(sample_);
    ASSERT_TRUE(release);
    const std::vector<Finding> findings = CheckRelease(*release);
    std::vector<std::string> kinds;
    for (const Finding& f : findings) kinds.push_back(f.place + ": " + f.problem);
    EXPECT_EQ(kinds, (std::vector<std::string>{
                         "library image: carries no signature",
                         "string 146 (English 1033, Japanese 1041): the download address "
                         "\"http://127.0.0.1:8080/tarnwick/\" is not https://"}))
        << Listed(findings);
    // The layout is what the sources say, line for line.
    const ReleaseTables& t = release->tables();
    EXPECT_EQ(t.definitions.rows.size(), 10u);
    EXPECT_EQ(t.models.rows.size(), 1u);
    EXPECT_EQ(t.os.rows.size(), 7u);
    EXPECT_EQ(t.requirements.rows.size(), 8u);
    const RowSource& pairFirmware = t.definitions.layout.rows[2];
    EXPECT_EQ(pairFirmware.firstLine, 17u);
    EXPECT_EQ(pairFirmware.lastLine, 24u);
    EXPECT_EQ(pairFirmware.fields[2], u"2.0.5");
    EXPECT_EQ(t.os.layout.rows[5].fields[0], u"KBX6006");
    EXPECT_EQ(t.os.layout.rows[5].firstLine, 6u);
}

TEST_F(CompanionToolTest, StringsFollowTheChosenLanguage) {
    std::unique_ptr<Release> release = Open(sample_);
    ASSERT_TRUE(release);
    const auto cancel = [&](std::uint16_t language) {
        return LoadCompanionString(release->modules(language), release->module(), 116);
    };
    EXPECT_EQ(cancel(kLanguageEnglishUs), u"Cancel");
    EXPECT_NE(cancel(kLanguageJapanese), u"Cancel");
    EXPECT_EQ(cancel(2052), u"Cancel");  // a language the library lacks: US English, as Windows falls back
    EXPECT_FALSE(release->StringIn(2052, 116).has_value());
    EXPECT_EQ(release->StringIn(kLanguageJapanese, 116), cancel(kLanguageJapanese));
}

TEST_F(CompanionToolTest, EachFaultIsReportedOnceWithItsPlace) {
    const std::string ones = "\t1\t1\t1\t1\t1\t1\t1\t1\n";
    const std::string none = "\t0\t0\t0\t0\t0\t0\n";
    const auto record = [](const std::string& product, const std::string& code, const std::string& version = "2.0.5",
                           const std::string& hash = std::string(64, 'a'), const std::string& tool = "t.exe") {
        return product + "\n" + code + "\n" + version + "\nu/p.exe\n" + tool + "\n/s\n" + hash + "\n\n";
    };
    const std::string definitions = ReadFile(kSource / "tables/definitions.txt") +  // lines 1-80
        record("KBX1001", "2") +                                    // 81: shadowed by line 1
        record("KBX 1010", "1") +                                   // 89: holds a space
        record("KBX1011", "12") +                                   // 97 (98): outside 0..8
        record("KBX1012", "1x") +                                   // 105 (106): not a number
        record("KBX1013", "1", "v.") +                              // 113 (115): unusable version
        record("KBX1014", "2", "1.9", std::string(63, 'b')) +       // 121 (127): 63 digits
        record("KBX1015", "4", "1.9") +                             // 129: pair without partner
        record("KBX1016", "4", "1.9") + record("KBX1016", "4", "1.9") +  // 137, 145: not a pair
        record("KBX1017", "1") +                                    // 153: no OS row
        record("KBX1018", "1") +                                    // 161: no requirement row
        record("KBX1026", "1", "2.0.5", std::string(64, 'a'), "..\\x.exe") +  // 169 (173): climbs out
        record("KBX1027", "1", "2.0.5", std::string(64, 'a'), "") +            // 177 (181): empty
        record("KBX1028", "2", "1.9", std::string(64, 'a'), "C:\\Tools\\x.exe") +  // 185 (189): warning
        record("KBX1020", "0") + record("KBX1021", "0") + record("KBX1022", "0") + record("KBX1024", "0") +
        "KBX1019\n1";                                               // 225: no line end
    const std::string os = ReadFile(kSource / "tables/os-support.txt") +  // lines 1-7
        "KBX1012" + ones + "KBX1013" + ones + "KBX1014" + ones + "KBX1015" + ones + "KBX1016" + ones +
        "KBX1018" + ones + "KBX1026" + ones + "KBX1027" + ones + "KBX1028" + ones +  // 8-16
        "KBX1020\t1\t1\t1\t1\t1\t1\t1\n" +                          // 17: seven numbers...
        "KBX1001" + ones +                                          // 18: ...swallow this line
        "KBX1021\t1\t1\t1\t1\t1\t1\t1\t08\n" +                      // 19: 08 is not octal
        "KBX1022" + ones.substr(0, ones.size() - 1) + "\t1\n" +     // 20: nine numbers
        "KBX1023" + ones;                                           // 21: no definition row
    const std::string requirements = ReadFile(kSource / "tables/requirements.txt") +  // lines 1-8
        "KBX1012" + none + "KBX1013" + none + "KBX1014" + none + "KBX1015" + none + "KBX1016" + none +
        "KBX1017" + none + "KBX1026" + none + "KBX1027" + none + "KBX1028" + none +  // 9-17
        "KBX1024\t1\t2\t0\t0\t0\t0\n" +                             // 18: 2 is not 1
        "KBX1025" + none;                                           // 19: no definition row
    const std::string models = "KN-7007Lite\nKN 1\nKN?2\nUnknown\nKN-7007Lite\n";
    std::string english = ReadFile(kSource / "strings/strings-en.rc");
    english = Replace(english, "146 \"http://127.0.0.1:8080/tarnwick/\"", "146 \"https://downloads.example/tarnwick\"");
    english = Replace(english, "152 TARNWICK_RELEASE_NUMBER_TEXT", "152 \"7x\"");
    english = Replace(english, "186 \"?model=%s&serial=%s\"", "186 \"?model=%s\"");
    std::string japanese = ReadFile(kSource / "strings/strings-ja.rc");
    japanese = Replace(japanese, "152 TARNWICK_RELEASE_NUMBER_TEXT", "152 \"7x\"");
    japanese = Replace(japanese, "186 \"?model=%s&serial=%s\"", "186 \"?model=%s\"");
    japanese = Replace(japanese, "%3!u!\"", "%3\"");
    japanese = Replace(japanese, "、%2\"", "\"");
    japanese = Replace(japanese, "    187 \"", "    // 187 \"");
    // Both languages of 106.
    const std::string rc = Replace(Replace(ReadFile(kSource / "battery.rc"), "106 RTF \"rtf-escaped/106", "// 106 RTF \"rtf-escaped/106"),
                                   "106 RTF \"rtf-escaped/ja/106", "// 106 RTF \"rtf-escaped/ja/106");
    const fs::path library = Build("faults", {{"tables/definitions.txt", definitions},
                                              {"tables/os-support.txt", os},
                                              {"tables/requirements.txt", requirements},
                                              {"tables/excluded-models.txt", models},
                                              {"strings/strings-en.rc", english},
                                              {"strings/strings-ja.rc", japanese},
                                              {"rtf/105-bios-current.rtf", "plain text\n"},
                                              {"battery.rc", rc}});
    ASSERT_FALSE(library.empty()) << "see " << kWork / "faults.log";

    // Place, and a word of the problem that names the fault.
    const std::vector<std::pair<std::string, std::string>> expected{
        {"definitions.txt (TXT 108) line 81, board \"KBX1001\"", "another row for the same board"},
        {"definitions.txt (TXT 108) line 89", "holds a space"},
        {"definitions.txt (TXT 108) line 98, board \"KBX1011\"", "outside 0..8"},
        {"definitions.txt (TXT 108) line 106, board \"KBX1012\"", "not a number as written"},
        {"definitions.txt (TXT 108) line 115, board \"KBX1013\"", "reads as a first number of 0"},
        {"definitions.txt (TXT 108) line 127, board \"KBX1014\"", "not 64 hexadecimal digits"},
        {"definitions.txt (TXT 108) line 129, board \"KBX1015\"", "without a partner"},
        {"definitions.txt (TXT 108) line 137, board \"KBX1016\"", "instead of its other half"},
        {"definitions.txt (TXT 108) line 153, board \"KBX1017\"", "no row in os-support.txt"},
        {"definitions.txt (TXT 108) line 161, board \"KBX1018\"", "no row in requirements.txt"},
        {"definitions.txt (TXT 108) line 173, board \"KBX1026\"", "does not stay inside the work folder"},
        {"definitions.txt (TXT 108) line 181, board \"KBX1027\"", "the tool file is empty"},
        {"definitions.txt (TXT 108) line 225", "has no line end"},
        {"excluded-models.txt (TXT 114) line 2", "holds a space"},
        {"excluded-models.txt (TXT 114) line 3", "holds ?, % or /"},
        {"excluded-models.txt (TXT 114) line 4", "without a model name reads as"},
        {"excluded-models.txt (TXT 114) line 5", "listed again"},
        {"os-support.txt (TXT 171) line 17, board \"KBX1020\"", "fewer than 8"},
        {"os-support.txt (TXT 171) line 19, board \"KBX1021\"", "column 9 \"08\" is not a number"},
        {"os-support.txt (TXT 171) line 20, board \"KBX1022\"", "more than 8 numbers"},
        {"os-support.txt (TXT 171) line 21, board \"KBX1023\"", "no definition row"},
        {"requirements.txt (TXT 164) line 18, board \"KBX1024\"", "column 3 reads as 2"},
        {"requirements.txt (TXT 164) line 19, board \"KBX1025\"", "no definition row"},
        {"string 146", "differs between the languages"},
        {"string 146 (English 1033)", "does not end in /"},
        {"string 147 (Japanese 1041)", "insert %3 takes a text"},
        {"string 112 (Japanese 1041)", "does not use %2"},
        {"string 152 (English 1033, Japanese 1041)", "does not read as a number"},
        {"string 186 (English 1033, Japanese 1041)", "not two %s"},
        {"string 187 (Japanese 1041)", "missing"},
        {"RTF 105", "does not start with {\\rtf"},
        {"RTF 106", "missing"},
    };
    const std::vector<Finding> errors = Errors(library);
    for (const auto& [place, problem] : expected) {
        const auto count = std::count_if(errors.begin(), errors.end(), [&](const Finding& f) {
            return f.place == place && f.problem.find(problem) != std::string::npos;
        });
        EXPECT_EQ(count, 1) << place << ": " << problem;
    }
    EXPECT_EQ(errors.size(), expected.size()) << Listed(errors);
    // A full tool path outside the system folder is the release's choice,
    // named as a warning.
    std::unique_ptr<Release> release = Open(library);
    ASSERT_TRUE(release);
    std::vector<std::string> toolWarnings;
    for (const Finding& f : CheckRelease(*release))
        if (f.severity == Severity::kWarning && f.problem.find("tool file") != std::string::npos)
            toolWarnings.push_back(f.place + ": " + f.problem);
    EXPECT_EQ(toolWarnings, std::vector<std::string>{"definitions.txt (TXT 108) line 189, board \"KBX1028\": the tool "
                                                     "file \"C:\\\\Tools\\\\x.exe\" is a full path outside the system folder"});
}

// Each kind of row's version is judged by the reader its action uses, and
// a row that downloads nothing has no version to judge.
TEST_F(CompanionToolTest, EachRowsVersionIsJudgedAsItsActionReadsIt) {
    const auto record = [](const std::string& product, const std::string& code) {
        return product + "\n" + code + "\nv.\nu/p.exe\nt.exe\n/s\n" + std::string(64, 'a') + "\n\n";
    };
    const fs::path library =
        Build("versions", {{"tables/definitions.txt", record("KBX1001", "4") + record("KBX1001", "5") +
                                                          record("KBX2002", "3") + record("KBX3003", "7") +
                                                          record("KBX4004", "2") + record("KBX5005", "6")}});
    ASSERT_FALSE(library.empty()) << "see " << kWork / "versions.log";
    std::vector<std::string> versions;
    for (const Finding& f : Errors(library)) {
        if (f.problem.starts_with("version ")) versions.push_back(f.place + ": " + f.problem);
    }
    const std::string at = "definitions.txt (TXT 108) line ";
    EXPECT_EQ(versions, (std::vector<std::string>{
                            at + "3, board \"KBX1001\": version \"v.\" reads as a first number of 0 for a BIOS half "
                                 "of a pair row",
                            at + "11, board \"KBX1001\": version \"v.\" reads as a first number of 0 for a firmware "
                                 "half of a pair row",
                            at + "19, board \"KBX2002\": version \"v.\" reads as 0.0.0.0 for a charge-limit tool row",
                            at + "27, board \"KBX3003\": version \"v.\" reads as a first number of 0 for a firmware "
                                 "update (variant) row",
                            at + "35, board \"KBX4004\": version \"v.\" reads as a first number of 0 for a BIOS "
                                 "update row",
                        }))
        << Listed(Errors(library));
}

TEST_F(CompanionToolTest, MissingEmptyLineIsOneShiftAndImageWithCodeIsAnError) {
    std::string definitions = ReadFile(kSource / "tables/definitions.txt");
    definitions.erase(definitions.find("\n\n"), 1);  // the empty line after record 1
    const fs::path shifted = Build("shifted", {{"tables/definitions.txt", definitions}});
    ASSERT_FALSE(shifted.empty());
    const std::vector<Finding> errors = Errors(shifted);
    ASSERT_EQ(errors.size(), 1u) << Listed(errors);
    EXPECT_EQ(errors[0].place, "definitions.txt (TXT 108) line 8");
    EXPECT_NE(errors[0].problem.find("holds \"KBX2002\""), std::string::npos) << errors[0].problem;

    // The sample's resources linked as an ordinary DLL, with an entry point.
    const fs::path withCode = kWork / "with-code.dll";
    const std::string link = "i686-w64-mingw32-ld -shared -o '" + withCode.string() + "' '" +
                             (kWork / "sample/build/battery-res.o").string() + "' 2>/dev/null";
    ASSERT_EQ(std::system(link.c_str()), 0);
    const std::vector<Finding> image = Errors(withCode);
    ASSERT_EQ(image.size(), 1u) << Listed(image);
    EXPECT_NE(image[0].problem.find("not resource-only"), std::string::npos);
}

TEST_F(CompanionToolTest, CommandsReportThroughExitStatus) {
    std::string definitions = ReadFile(kSource / "tables/definitions.txt");
    definitions = Replace(definitions, "KBX1001\n1\n2.0.5\n", "KBX1001\n1\n2.0.6\n");
    const fs::path changed = Build("one-row", {{"tables/definitions.txt", definitions}});
    ASSERT_FALSE(changed.empty());
    const std::string fleet = (kSource.parent_path() / "tools/companion-tool/example-fleet.csv").string();
    const auto run = [](std::vector<std::string> arguments, std::string& out) {
        std::ostringstream o, e;
        const int status = RunCommand(arguments, o, e);
        out = o.str();
        return status;
    };
    std::string out;
    EXPECT_EQ(run({"check", sample_.string()}, out), ExitStatus::kClean);
    EXPECT_NE(out.find(": 0 error(s), 1 warning(s)"), std::string::npos) << out;
    EXPECT_EQ(run({"diff", sample_.string(), changed.string(), fleet, "--csv"}, out), ExitStatus::kFindings);
    EXPECT_EQ(out,
              "table,change,board,old line,new line,what\r\n"
              "definitions.txt,changed,KBX1001,1,1,version 2.0.5 -> 2.0.6\r\n\n"
              "line,board,model,windows,mode,old action,old state,old exit,old decided by,new action,new state,"
              "new exit,new decided by\r\n"
              "5,KBX1001,KN-1001,10-1909-64,silent,CUpdatePMUFirmwareAction,2,2,definition row (code 1),"
              "CUpdatePMUFirmwareAction,1,silent: executes (0 when the download and the tool succeed),"
              "definition row (code 1)\r\n");
    EXPECT_EQ(run({"diff", sample_.string(), sample_.string(), fleet}, out), ExitStatus::kClean);
    EXPECT_EQ(run({"check", (kWork / "missing.dll").string()}, out), ExitStatus::kUnreadable);
    EXPECT_EQ(run({"check", fleet}, out), ExitStatus::kUnreadable);  // not a PE file
    EXPECT_EQ(run({"check"}, out), ExitStatus::kUsage);
    EXPECT_EQ(run({"frobnicate", "x"}, out), ExitStatus::kUsage);
    EXPECT_EQ(run({"check", sample_.string(), "--xml"}, out), ExitStatus::kUsage);
}

// Every step that can decide, once, on the sample library and the example
// fleet (the Wine test checks the exit codes against the real program).
TEST_F(CompanionToolTest, SimulateNamesTheDecidingStepAndWhoDecides) {
    std::string error;
    std::unique_ptr<Release> release = Release::Open(sample_, error);
    ASSERT_TRUE(release) << error;
    const Fleet fleet = ParseFleet(ReadFile(kSource.parent_path() / "tools/companion-tool/example-fleet.csv"));
    ASSERT_TRUE(fleet.errors.empty());
    const std::vector<Outcome> outcomes = Simulate(*release, fleet.profiles);
    std::map<std::uint32_t, std::string> byLine;
    for (std::size_t i = 0; i < outcomes.size(); ++i) {
        const Outcome& o = outcomes[i];
        byLine[fleet.profiles[i].line] = o.action + " | " + o.state + " | " + o.exitCode + " | " + o.decidedBy;
    }
    const std::map<std::uint32_t, std::string> expected{
        {5, "CUpdatePMUFirmwareAction | 2 | 2 | definition row (code 1)"},
        {6, "CUpdatePMUFirmwareAction | 1 | dialog: OK executes, Cancel ends with 1 | definition row (code 1)"},
        {7, "CUpdateODMBiosAction | 1 | silent: executes (0 when the download and the tool succeed) | "
            "pair resolved to BIOS first"},
        {8, "CNotTargetAction | 2 | 3 | skip count"},
        {11, "CNeedEssentialSoftAction |  | 6 | requirement row: QXSYSEXT missing"},
        {13, "CCobalenAction | 1 | dialog: OK executes, Cancel ends with 1 | definition row (code 7)"},
        {14, "CGettingReadyAction | 2 | 4 | operating-system column"},
        {15, "CNotTargetAction | 2 | 3 | excluded model"},
        {18, "CNotTargetAction | 2 | 3 | operating-system column"},
        {19, "CNotTargetAction | 2 | 3 | not the maker"},
    };
    for (const auto& [line, outcome] : expected) EXPECT_EQ(byLine[line], outcome) << "line " << line;
    EXPECT_EQ(outcomes[0].versionText, "Installed firmware version 2.0.4");
    // One simulator serves every profile: nothing a run leaves behind (the
    // skip count it writes, the last machine's drivers) may reach the next.
    for (std::size_t i = 0; i < outcomes.size(); ++i)
        EXPECT_EQ(Simulator(*release).Run(fleet.profiles[i]), outcomes[i]) << "line " << fleet.profiles[i].line;
}

}  // namespace
}  // namespace Korvane::PC::Tarnwick::Companion
