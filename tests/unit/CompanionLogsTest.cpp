// tarnwick-companion logs: the log line as the program writes it, lines
// that must not be guessed at, the latest-state rule and the output forms.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

#include "run/ExitCode.h"
#include "tools/companion-tool/Commands.h"
#include "tools/companion-tool/LogPage.h"
#include "tools/companion-tool/LogReport.h"

namespace Korvane::PC::Tarnwick::Companion {
namespace {

namespace fs = std::filesystem;

constexpr char kBom[] = "\xEF\xBB\xBF";

std::string Line(const std::string& time, const std::string& exit, const std::string& board, const std::string& serial,
                 const std::string& model = "KN-1001", const std::string& version = "Installed firmware version 2.0.4",
                 const std::string& release = "7") {
    return time + ", " + release + ", " + exit + ", KORVANE, " + board + ", " + model + ", " + serial + ", " + version +
           "\r\n";
}

// Reads `files` (name, bytes), each fed in pieces of `piece` bytes.
LogReport Analyse(const std::vector<std::pair<std::string, std::string>>& files, std::size_t piece = 1 << 20,
                  std::size_t watched = 3, std::optional<LogTime> since = std::nullopt) {
    LogAnalysis analysis(watched);
    for (const auto& [name, bytes] : files) {
        analysis.BeginFile(name);
        for (std::size_t at = 0; at < bytes.size(); at += piece)
            analysis.AddBytes(std::string_view(bytes).substr(at, piece));
        analysis.EndFile();
    }
    return BuildLogReport(analysis, since);
}

std::string Reasons(const LogReport& report) {
    std::string text;
    for (const UnreadableLine& u : report.unreadable)
        text += report.files[u.file].name + ":" + std::to_string(u.line) + " " + u.reason + "\n";
    return text;
}

TEST(LogLineTest, ReadsTheProgramsLineAndCommasThatAreNotSeparators) {
    LogRun run;
    ASSERT_TRUE(
        ParseLogLine("2026/12/07 15:27:07, 4294967295, -1073741819, Korvane,Inc., KBX1001,, KN 1,2, SN1, "
                     "Installed BIOS version 1,07\r",
                     run, nullptr));
    EXPECT_EQ(run.time, 20261207152707);
    EXPECT_EQ(run.release, 4294967295u);
    EXPECT_EQ(run.exit, -1073741819);
    EXPECT_EQ(run.manufacturer, "Korvane,Inc.");
    EXPECT_EQ(run.board, "KBX1001,");
    EXPECT_EQ(run.model, "KN 1,2");
    EXPECT_EQ(run.serial, "SN1");
    EXPECT_EQ(run.version, "Installed BIOS version 1,07");
    // A run that ended before the machine was identified.
    EXPECT_FALSE(ParseLogLine("2026/02/29 00:00:00, 152, 1002, , , , , ", run, nullptr));  // not a leap year
    ASSERT_TRUE(ParseLogLine("2028/02/29 00:00:00, 152, 1002, , , , , ", run, nullptr));
    EXPECT_TRUE(run.board.empty() && run.serial.empty() && run.version.empty());
}

TEST(LogLineTest, LinesThatCannotBeReadForSureSayWhy) {
    const std::pair<std::string, std::string> cases[] = {
        {"", "empty line"},
        {"2026/12/07 15:27:07, 7, 1, KORVANE, KBX1001, KN-1001, SN1", "too few fields: 7 where a line has 8"},
        {"2026/12/07 15:27:07, 7, 1, KORVANE, KBX, 1001, KN-1001, SN1, x",
         "ambiguous: 9 fields where a line has 8 (some field holds \", \", but which one cannot be told)"},
        {"2026/12/07 15:27, 7, 1, M, B, K, S, x", "time \"2026/12/07 15:27\" is not YYYY/MM/DD hh:mm:ss"},
        {"2026/11/31 10:00:00, 7, 1, M, B, K, S, x", "time \"2026/11/31 10:00:00\" is not YYYY/MM/DD hh:mm:ss"},
        {"2026/12/07 24:00:00, 7, 1, M, B, K, S, x", "time \"2026/12/07 24:00:00\" is not YYYY/MM/DD hh:mm:ss"},
        // Forms a date on the command line may take, but the log never writes.
        {"2026-12-07 10:00:00, 7, 1, M, B, K, S, x", "time \"2026-12-07 10:00:00\" is not YYYY/MM/DD hh:mm:ss"},
        {"2026/12/07T10:00:00, 7, 1, M, B, K, S, x", "time \"2026/12/07T10:00:00\" is not YYYY/MM/DD hh:mm:ss"},
        {"2026/12/07 10:00:00, 4294967296, 1, M, B, K, S, x", "release number \"4294967296\" is not a number"},
        {"2026/12/07 10:00:00, 07, 1, M, B, K, S, x", "release number \"07\" is not a number"},
        {"2026/12/07 10:00:00, -7, 1, M, B, K, S, x", "release number \"-7\" is not a number"},
        {"2026/12/07 10:00:00, , 1, M, B, K, S, x", "release number \"\" is not a number"},
        {"2026/12/07 10:00:00, 7, 2147483648, M, B, K, S, x", "exit code \"2147483648\" is not a number"},
        {"2026/12/07 10:00:00, 7, -0, M, B, K, S, x", "exit code \"-0\" is not a number"},
        {"2026/12/07 10:00:00, 7, -01, M, B, K, S, x", "exit code \"-01\" is not a number"},
        {"2026/12/07 10:00:00, 7, +1, M, B, K, S, x", "exit code \"+1\" is not a number"},
        {"2026/12/07 10:00:00, 7, 1\t, M, B, K, S, x", "exit code \"1\\x09\" is not a number"},
        {std::string("2026/12/07 10:00:00, 7, 1, M, B\0, K, S, x", 43), "holds NUL bytes"},
        {"2026/12/07 10:00:00, 7, 1, M, B\xE9, K, S, x", "not UTF-8 text"},
        {"2026/12/07 10:00:00, 7, 1, M, B\xED\xA0\x80, K, S, x", "not UTF-8 text"},
    };
    for (const auto& [line, expected] : cases) {
        LogRun run;
        std::string reason;
        EXPECT_FALSE(ParseLogLine(line, run, &reason)) << line;
        EXPECT_EQ(reason, expected) << line;
    }
}

TEST(LogAnalysisTest, LinesSplitAnywhereReadTheSameAndBadLinesAreListedWithFileAndLine) {
    const std::string first = std::string(kBom) + Line("2026/12/01 09:00:00", "1", "KBX1001", "SN1") +
                              "2026/12/01 09:00:01, 7, 1, KORVANE\r\n" +                          // too few fields
                              Line("2026/12/01 09:00:02", "2", "KBX1001", "SN2").substr(0, 50) +  // cut short...
                              Line("2026/12/01 09:00:03", "2", "KBX1001", "SN3") +  // ...and the next run appended
                              kBom + Line("2026/12/01 09:00:04", "0", "KBX2002", "SN4") +  // a second writer's mark
                              "2026/12/01 09:00:05, 7, 2, KORVANE, KBX2002, KN-2002, SN5, \n" +  // LF alone reads
                              std::string(LogAnalysis::kMaxLine + 10, 'x') + "\r\n" +
                              Line("2026/12/01 09:00:06", "1010", "KBX2002", "SN6") + "2026/12/01 09:00:07, 7";
    const std::string second = Line("2026/12/02 09:00:00", "2", "KBX1001", "SN1");
    const std::string expected =
        "a.log:2 too few fields: 4 where a line has 8\n"
        "a.log:3 ambiguous: 13 fields where a line has 8 (some field holds \", \", but which one cannot be told)\n"
        "a.log:6 longer than 65536 bytes\n"
        "a.log:8 no line end: the line was cut short\n";
    for (const std::size_t piece : {std::size_t{1} << 20, std::size_t{7}, std::size_t{1}}) {
        const LogReport report = Analyse({{"a.log", first}, {"b.log", second}}, piece);
        EXPECT_EQ(Reasons(report), expected) << piece;
        EXPECT_EQ(report.lines, 9u);
        EXPECT_EQ(report.runs, 5u);
        ASSERT_EQ(report.latest.size(), 4u);
        EXPECT_EQ(report.latest[0].serial, "SN1");
        EXPECT_EQ(report.latest[0].exit, 2);
        EXPECT_EQ(report.latest[0].latest.file, 1u);
        EXPECT_EQ(report.latest[0].latest.line, 1u);
        EXPECT_EQ(report.latest[1].serial, "SN4");
        EXPECT_EQ(report.latest[2].serial, "SN5");
        EXPECT_EQ(report.latest[3].exit, 1010);
        ASSERT_EQ(report.files.size(), 2u);
        EXPECT_EQ(report.files[0].unreadable, 4u);
        EXPECT_EQ(report.files[1].lines, 1u);
    }
}

TEST(LogAnalysisTest, LatestRunIsTheLastLineOfAFileThenTheLatestTimeAcrossFiles) {
    const std::string a = Line("2026/12/03 10:00:00", "1010", "KBX1001", "SN1") +
                          Line("2026/12/01 10:00:00", "2", "KBX1001", "SN1") +  // clock set back: still the latest in a
                          Line("2026/12/05 10:00:00", "2", "KBX1001", "SN2") +
                          Line("2026/12/05 10:00:00", "1", "KBX1001", "SN2") +  // same time: the later line
                          Line("2026/12/05 10:00:00", "6", "KBX1001", "SN3") +
                          Line("2026/12/05 10:00:00", "2", "KBX2002", "SN1") +  // same serial, other board
                          Line("2026/12/07 10:00:00", "1015", "KBX2002", "SN9") +
                          "2026/12/06 10:00:00, 152, 1002, , , , , \r\n";  // no machine
    const std::string b = Line("2026/12/05 10:00:00", "0", "KBX1001", "SN3") +     // same time, later file
                          Line("2026/12/02 10:00:00", "1017", "KBX1001", "SN1") +  // later than a's last of SN1
                          Line("2026/12/06 10:00:00", "2", "KBX2002", "SN9");      // older than a's last of SN9
    // The order of the files changes only which wins a tie of times.
    for (const bool swapped : {false, true}) {
        const LogReport report = swapped ? Analyse({{"b.log", b}, {"a.log", a}}) : Analyse({{"a.log", a}, {"b.log", b}});
        ASSERT_EQ(report.latest.size(), 5u);
        std::vector<std::int32_t> exits;
        for (const MachineState& m : report.latest) exits.push_back(m.exit);
        EXPECT_EQ(exits, (std::vector<std::int32_t>{1017, 1, swapped ? 6 : 0, 2, 1015})) << swapped;
        EXPECT_EQ(report.latest[0].runs, 3u);
        EXPECT_EQ(report.anonymousRuns, 1u);
        EXPECT_EQ(report.runs, 11u);
    }
}

TEST(LogAnalysisTest, GroupsAndListsComeFromEachMachinesLatestRun) {
    const std::string log =
        Line("2026/10/01 08:00:00", "1", "KBX1001", "SN1") + Line("2026/12/01 08:00:00", "1", "KBX1001", "SN1") +
        Line("2026/12/02 08:00:00", "1", "KBX1001", "SN1") +
        Line("2026/11/30 08:00:00", "1", "KBX1001", "SN1") +  // out of order: between the others
        Line("2026/12/01 08:00:00", "1", "KBX1001", "SN2") + Line("2026/12/02 08:00:00", "2", "KBX1001", "SN2") +
        Line("2026/12/02 09:00:00", "1", "KBX1001", "SN2") + Line("2026/12/02 09:30:00", "1", "KBX1001", "SN2") +
        Line("2026/10/15 08:00:00", "5", "KBX4004", "SN3", "KN-4004", "", "6") +
        Line("2026/12/02 08:00:00", "1015", "KBX2002", "SN4", "KN-2002", "Installed BIOS version 1.8", "8");
    const LogReport report = Analyse({{"fleet.log", log}}, 1 << 20, 3, LogTime{20261101000000});
    ASSERT_EQ(report.latest.size(), 4u);                                // SN1, SN2, SN4 (KBX2002), SN3 (KBX4004)
    EXPECT_EQ(report.declinedMachines, (std::vector<std::size_t>{0}));  // SN1; SN2's last three: 2, 1, 1
    EXPECT_EQ(report.latest[0].latest.time, 20261130080000);  // its last line, though not its latest time
    EXPECT_EQ(report.failed, (std::vector<std::size_t>{2}));
    EXPECT_EQ(report.missingSoftware, (std::vector<std::size_t>{3}));
    EXPECT_EQ(report.notSeen, (std::vector<std::size_t>{3}));
    ASSERT_EQ(report.byBoard.size(), 3u);
    EXPECT_EQ(report.byBoard[0].key, "KBX1001");
    EXPECT_EQ(report.byBoard[0].exits, (std::vector<std::pair<std::int32_t, std::uint64_t>>{{1, 2}}));
    ASSERT_EQ(report.byRelease.size(), 3u);
    EXPECT_EQ(report.byRelease[2].key, "8");
    ASSERT_EQ(report.byExit.size(), 4u);
    EXPECT_EQ(report.byExit[0].exit, 1);
    EXPECT_EQ(report.byExit[0].machines, 2u);
    EXPECT_EQ(report.byExit[0].runs, 7u);
    ASSERT_EQ(report.days.size(), 5u);
    EXPECT_EQ(report.days.back().day, 20261202);
    EXPECT_EQ(report.days.back().runs, 5u);
    EXPECT_EQ(report.days.back().failures, 1u);
    // Without a date: 30 days before the day of the latest run.
    EXPECT_EQ(Analyse({{"fleet.log", log}}).since, LogTime{20261102000000});
    EXPECT_EQ(Analyse({{"fleet.log", log}}, 1 << 20, 4).declinedMachines, (std::vector<std::size_t>{0}));
    EXPECT_TRUE(Analyse({{"fleet.log", log}}, 1 << 20, 5).declinedMachines.empty());
}

TEST(LogAnalysisTest, ManyMachinesInAnyOrderKeepTheirOwnLatestRun) {
    // 3000 machines on 7 boards, three runs each, in a scrambled order of
    // machines: days 1 and 2 in one file, day 3 in the other, which is the
    // latest and carries its own model and sentence.
    std::string files[2];
    for (std::size_t k = 0; k < 9000; ++k) {
        const std::size_t i = k * 7919 % 9000;  // every run once, scrambled
        const std::size_t machine = i / 3, day = 1 + i % 3;
        files[day == 3 ? 1 : 0] +=
            Line("2026/12/0" + std::to_string(day) + " 10:00:00", std::to_string(day == 3 ? machine % 7 : 1),
                 "KBX" + std::to_string(machine % 7), "SN" + std::to_string(machine), "KN-" + std::to_string(day),
                 "sentence " + std::to_string(machine * 10 + day));
    }
    const LogReport report = Analyse({{"a.log", files[0]}, {"b.log", files[1]}}, 4096);
    ASSERT_EQ(report.latest.size(), 3000u);
    EXPECT_TRUE(report.unreadable.empty());
    for (const MachineState& m : report.latest) {
        const std::size_t machine = std::stoul(m.serial.substr(2));
        EXPECT_EQ(m.board, "KBX" + std::to_string(machine % 7));
        EXPECT_EQ(m.exit, static_cast<std::int32_t>(machine % 7));
        EXPECT_EQ(m.model, "KN-3");
        EXPECT_EQ(m.version, "sentence " + std::to_string(machine * 10 + 3));
        EXPECT_EQ(m.runs, 3u);
        EXPECT_EQ(m.declined, machine % 7 == 1);  // its three runs all ended with 1
        if (::testing::Test::HasFailure()) break;
    }
    EXPECT_EQ(report.byModel.size(), 1u);
    std::ostringstream page;
    WriteLogPage(report, page);
    EXPECT_NE(page.str().find("<b>3,000</b><span>machines</span>"), std::string::npos);
}

TEST(LogAnalysisTest, DamageCostsOnlyTheLinesItCovers) {
    const std::string good1 = Line("2026/12/01 09:00:01", "2", "KBX1001", "SN1");
    const std::string good2 = Line("2026/12/01 09:00:02", "2", "KBX1001", "SN2");
    const std::string good3 = Line("2026/12/01 09:00:03", "2", "KBX1001", "SN3");
    std::string utf16;
    for (const char c : std::string("2026/12/01 09:00:00, 7, 2, KORVANE\r\n")) utf16 += std::string{c, '\0'};
    std::string crOnly;  // six lines ending in CR alone
    for (int i = 0; i < 6; ++i) crOnly += Line("2026/12/02 10:00:0" + std::to_string(i), "2", "KBX2002", "C" + std::to_string(i)).substr(0, 69) + "\r";
    const std::string log = good1 + std::string(4096, '\0') + good2 +  // a zero-filled tail, then the next writer
                            "\xFF\xFE" + utf16 + good3 +                // a UTF-16 stretch
                            "2026/12/01 09:0" + kBom + Line("2026/12/01 09:00:04", "2", "KBX1001", "SN4") +  // cut, then a mark
                            crOnly + Line("2026/12/03 10:00:00", "2", "KBX1001", "SN5");
    for (const std::size_t piece : {std::size_t{1} << 20, std::size_t{70}, std::size_t{1}}) {
        const LogReport report = Analyse({{"a.log", log}}, piece);
        std::vector<std::string> serials;
        for (const MachineState& m : report.latest) serials.push_back(m.serial);
        EXPECT_EQ(serials, (std::vector<std::string>{"SN1", "SN2", "SN3", "SN4", "SN5", "C0", "C1", "C2", "C3", "C4",
                                                     "C5"}))
            << piece << "\n" << Reasons(report);
        EXPECT_EQ(report.runs, 11u);
        EXPECT_EQ(report.lines, report.runs + report.unreadable.size());
        for (const UnreadableLine& u : report.unreadable)
            EXPECT_TRUE(u.kind == Unreadable::kNul || u.kind == Unreadable::kNotUtf8) << u.reason;
    }
}

TEST(LogAnalysisTest, ClockOutOfRangeKeepsTheMachineButNotTheTimes) {
    LogAnalysis analysis(3);
    analysis.SetLatestPlausibleTime(20261208000000);
    const std::string log = Line("2026/12/01 09:00:00", "1", "KBX1001", "SN1") +
                            Line("2037/01/01 00:00:00", "2", "KBX1001", "SN2") +  // one machine far ahead
                            Line("2026/11/01 09:00:00", "2", "KBX1001", "SN3") +
                            Line("2000/01/01 00:05:00", "1010", "KBX1001", "SN3");  // its clock reset
    analysis.BeginFile("a.log");
    analysis.AddBytes(log);
    analysis.EndFile();
    const LogReport report = BuildLogReport(analysis, std::nullopt);
    EXPECT_EQ(report.last, LogTime{20261201090000});
    EXPECT_EQ(report.first, LogTime{20261101090000});
    EXPECT_EQ(report.since, LogTime{20261101000000});
    EXPECT_EQ(report.clockOutOfRange, 2u);
    ASSERT_EQ(report.days.size(), 2u);
    ASSERT_EQ(report.latest.size(), 3u);
    EXPECT_EQ(report.latest[2].exit, 1010);  // SN3's last line, whatever its clock says
    EXPECT_EQ(report.latest[2].lastPlausible, 20261101090000);
    EXPECT_EQ(report.clockMachines, (std::vector<std::size_t>{1, 2}));
    EXPECT_TRUE(report.notSeen.empty());  // SN2 has no plausible time; SN3 was seen on the first
}

TEST(LogAnalysisTest, SharedSerialsFiltersAndComplianceComeFromTheLatestRuns) {
    std::string log;
    for (int i = 0; i < 40; ++i) log += Line("2026/12/01 09:00:00", "2", "KBX" + std::to_string(i), "To Be Filled By O.E.M.");
    log += Line("2026/12/01 09:00:00", "2", "KBX1001", "SN1", "KN-1001", "v1", "7") +
           Line("2026/12/01 09:00:00", "2", "KBX2002", "SN1", "KN-2002", "v2", "8") +  // one serial, two models
           Line("2026/12/01 09:00:00", "2", "KBX1001", "SN2", "KN-1001", "v1", "8") +
           Line("2026/12/01 09:00:00", "0", "KBX1001", "SN3", "KN-1001", "v2", "8");
    const LogReport report = Analyse({{"a.log", log}});
    ASSERT_EQ(report.sharedSerials.size(), 2u);
    EXPECT_EQ(report.sharedSerials[0].serial, "SN1");
    EXPECT_EQ(report.sharedSerials[0].why, "several models");
    EXPECT_EQ(report.sharedSerials[1].why, "placeholder");
    EXPECT_EQ(report.sharedSerials[1].machines, 40u);
    EXPECT_EQ(report.newestRelease, 8u);
    const auto board = std::find_if(report.compliance.begin(), report.compliance.end(),
                                    [](const BoardCompliance& b) { return b.board == "KBX1001"; });
    ASSERT_NE(board, report.compliance.end());
    EXPECT_EQ(board->machines, 3u);
    EXPECT_EQ(board->behind, 1u);
    EXPECT_EQ(board->versions, (std::vector<std::pair<std::string, std::uint64_t>>{{"v1", 2}, {"v2", 1}}));
    EXPECT_TRUE(IsPlaceholderSerial(" default STRING ") && IsPlaceholderSerial("") && !IsPlaceholderSerial("SN0"));

    LogAnalysis filtered(3);
    filtered.SetFilter({{"KBX1001"}, {}, {8}});
    filtered.BeginFile("a.log");
    filtered.AddBytes(log);
    filtered.EndFile();
    EXPECT_EQ(filtered.runs(), 2u);
    EXPECT_EQ(filtered.filteredOut(), 42u);
}

TEST(LogAnalysisTest, UnreadableLinesAreSummarisedByReasonWithTheFirstExcerpt) {
    const std::string log = "2026/12/01 09:00:00, 7, 2, Foo, Inc., KBX1001, KN-1001, SN1, x\r\n"
                            "2026/12/01 09:00:01, 7, 2, Foo, Inc., KBX1001, KN-1001, SN2, x\r\n"
                            "2026/12/01 09:00:02, 7, 2, KORVANE, KBX, 1, KN-1001, SN3, x\r\n"
                            "2026/12/01 09:00:03, 7, 2, <b>\x1B</b>\r\n";
    const LogReport report = Analyse({{"a.log", log}});
    ASSERT_EQ(report.unreadableByKind.size(), 2u);
    EXPECT_EQ(report.unreadableByKind[0].kind, Unreadable::kTooFewFields);
    EXPECT_EQ(report.unreadableByKind[0].excerpt, "2026/12/01 09:00:03, 7, 2, <b>\\x1B</b>");
    EXPECT_EQ(report.unreadableByKind[1].count, 3u);
    EXPECT_EQ(report.unreadableByKind[1].line, 1u);
    EXPECT_EQ(report.ambiguousManufacturer, (std::pair<std::string, std::uint64_t>{"Foo", 2}));
    std::ostringstream page;
    WriteLogPage(report, page);
    EXPECT_NE(page.str().find("&lt;b&gt;\\x1B&lt;/b&gt;"), std::string::npos);
    EXPECT_EQ(page.str().find('\x1B'), std::string::npos);
    EXPECT_EQ(LineExcerpt(std::string("\xFF") + std::string(100, 'a')), "\\xFF" + std::string(59, 'a') + "...");
}

TEST(LogLineTest, AnAmbiguousLineIsReadOnlyWhenOneReadingFitsWhatIsKnown) {
    const std::string commaBoard = "2026/12/01 09:00:00, 7, 2, KORVANE, KBX, 1001, KN-1001, SN1, Installed x";
    KnownTexts known;
    LogRun run;
    EXPECT_FALSE(ResolveAmbiguousLine(commaBoard, known, run));  // the maker's text alone leaves four readings
    known.boards = {"KBX, 1001", "KBX2002"};
    ASSERT_TRUE(ResolveAmbiguousLine(commaBoard, known, run));
    EXPECT_EQ(run.board, "KBX, 1001");
    EXPECT_EQ(run.model, "KN-1001");
    EXPECT_EQ(run.version, "Installed x");
    EXPECT_EQ(run.exit, 2);
    // A ", " in the serial or the sentence: two readings fit, none is taken.
    known.models = {"KN-1001"};
    EXPECT_FALSE(ResolveAmbiguousLine("2026/12/01 09:00:00, 7, 2, KORVANE, KBX2002, KN-1001, SN1, x, y", known, run));
    // Through the analysis: read, counted as resolved, and not unreadable.
    LogAnalysis analysis(3);
    analysis.SetKnownTexts(known);
    analysis.BeginFile("a.log");
    analysis.AddBytes(commaBoard + "\r\n");
    analysis.EndFile();
    EXPECT_EQ(analysis.runs(), 1u);
    EXPECT_EQ(analysis.resolvedAmbiguous(), 1u);
    EXPECT_TRUE(analysis.unreadable().empty());
}

TEST(LogExitClassTest, EachCodeHasTheClassDeploymentToolsExpect) {
    EXPECT_EQ(ClassOf(0), ExitClass::kSuccessAtRestart);
    EXPECT_EQ(LogMeaning(0), "the update started; it finishes at the next restart");
    for (const std::int32_t code : {2, 3, 1018}) EXPECT_EQ(ClassOf(code), ExitClass::kNothingToDo) << code;
    for (const std::int32_t code : {1, 5, 6, 1008}) EXPECT_EQ(ClassOf(code), ExitClass::kNeedsUser) << code;
    for (const std::int32_t code : {4, 1002, 1011, 1012, 1013}) EXPECT_EQ(ClassOf(code), ExitClass::kRetryLater) << code;
    for (const std::int32_t code : {1001, 1003, 1004, 1005, 1010, 1014, 1015, 1017, 77})
        EXPECT_EQ(ClassOf(code), ExitClass::kFailure) << code;
}

// Failed runs are a set of their own, not a class: a cancelled update is one,
// a bad command line or an outdated tool is not, nor a code nobody knows.
TEST(LogExitClassTest, FailedRunsAreTheTablesOwn) {
    std::vector<std::int32_t> failed;
    for (std::int32_t code = -2; code < 1100; ++code) {
        if (IsFailedRun(code)) failed.push_back(code);
    }
    std::vector<std::int32_t> expected{1003};
    for (std::int32_t code = 1005; code <= 1017; ++code) expected.push_back(code);
    EXPECT_EQ(failed, expected);
    EXPECT_EQ(FailedRunCodes("-"), "1003, 1005-1017");
}

TEST(LogTimeTest, CommandLineDatesAndDayArithmetic) {
    EXPECT_EQ(ParseDateArgument("2026-12-03"), LogTime{20261203000000});
    EXPECT_EQ(ParseDateArgument("2026/12/03 08:30"), LogTime{20261203083000});
    EXPECT_EQ(ParseDateArgument("2026-12-03T08:30:15"), LogTime{20261203083015});
    for (const char* wrong :
         {"2026-12-3", "2026-12/03", "2026-02-29", "2026-12-03 8:30", "2026-12-03 08:30:", "03.12.2026"})
        EXPECT_FALSE(ParseDateArgument(wrong)) << wrong;
    EXPECT_EQ(AddDays(20260101101500, -1), 20251231101500);
    EXPECT_EQ(AddDays(20280301000000, -1), 20280229000000);
    EXPECT_EQ(AddDays(20261202000000, -30), 20261102000000);
    EXPECT_EQ(FormatLogTime(20261203083015), "2026-12-03 08:30:15");
    EXPECT_EQ(FormatLogTime(20261203083015, 'T'), "2026-12-03T08:30:15");
}

TEST(LogOutputTest, JsonCsvAndTerminalCarryEveryMachineAndTheCounts) {
    const std::string log = std::string(kBom) + Line("2026/12/01 09:00:00", "1", "KBX\"1001", "SN1") +
                            "2026/12/01 09:00:01, 7\r\n" + Line("2026/12/01 09:00:02", "2", "KBX2002", "S\x1B[2J") +
                            Line("2026/12/01 09:00:03", "2", "=cmd|' /C calc'!A0", "@SUM(1)");
    const LogReport report = Analyse({{"a.log", log}});
    std::ostringstream json, table;
    std::map<std::string, std::string> csv, raw;
    for (const CsvTable& t : CsvTables()) {
        std::ostringstream guarded, asRead;
        t.write(report, false, guarded);
        t.write(report, true, asRead);
        csv[t.file] = guarded.str();
        raw[t.file] = asRead.str();
    }
    PrintLogReport(report, OutputFormat::kJson, json);
    PrintLogReport(report, OutputFormat::kTable, table);
    EXPECT_TRUE(json.str().starts_with("{\"machines\": 3, \"runs\": 3, \"lines\": 4,")) << json.str();
    EXPECT_NE(json.str().find("\"unreadable\": [\n    {\"file\": \"a.log\", \"line\": 2, \"kind\": \"too few fields\", "
                              "\"reason\": \"too few fields: 2 where a line has 8\"}]"),
              std::string::npos)
        << json.str();
    EXPECT_NE(json.str().find("\n    {\"board\": \"KBX\\\"1001\", \"model\": \"KN-1001\", \"serial\": "
                              "\"SN1\", \"manufacturer\": \"KORVANE\", \"exit\": 1, \"class\": \"needs the user\", \"meaning\": \"an update is needed "
                              "and the user did not consent\", \"time\": \"2026-12-01T09:00:00\", \"release\": 7,",
                              json.str().find("\"latest\": [")),
              std::string::npos)
        << json.str();
    EXPECT_NE(json.str().find("\"serial\": \"S\\u001b[2J\""), std::string::npos);
    EXPECT_NE(json.str().find("{\"board\": \"KBX2002\", \"machines\": 1, \"exits\": {\"2\": 1}}"), std::string::npos);
    EXPECT_TRUE(json.str().ends_with("]\n}\n"));

    // CSV: one table per file, one header row each, every row as wide.
    for (const auto& [file, text] : csv) {
        std::istringstream lines(text);
        std::string header, row;
        ASSERT_TRUE(std::getline(lines, header)) << file;
        EXPECT_TRUE(header.ends_with("\r") && !header.empty() && header[0] >= 'a' && header[0] <= 'z') << file;
        while (std::getline(lines, row)) {
            if (row.find('"') == std::string::npos) {
                EXPECT_EQ(std::count(row.begin(), row.end(), ','), std::count(header.begin(), header.end(), ','))
                    << file << ": " << row;
            }
        }
    }
    EXPECT_TRUE(csv["machines.csv"].starts_with("board,model,serial,manufacturer,exit,class,meaning,time,"));
    EXPECT_NE(csv["machines.csv"].find("\r\n\"KBX\"\"1001\",KN-1001,SN1,KORVANE,1,needs the user,"), std::string::npos);
    // A machine's text never reaches a spreadsheet as a formula, unless --raw.
    EXPECT_NE(csv["machines.csv"].find("\r\n'=cmd|' /C calc'!A0,KN-1001,'@SUM(1),KORVANE,2,"), std::string::npos);
    EXPECT_NE(raw["machines.csv"].find("\r\n=cmd|' /C calc'!A0,KN-1001,@SUM(1),KORVANE,2,"), std::string::npos);
    EXPECT_NE(csv["boards.csv"].find("\r\n'=cmd|' /C calc'!A0,2,nothing to do,"), std::string::npos);
    EXPECT_EQ(csv["unreadable.csv"], "file,line,kind,reason\r\na.log,2,too few fields,too few fields: 2 where a line has 8\r\n");

    // A terminal never receives a field's control characters.
    EXPECT_EQ(table.str().find('\x1B'), std::string::npos);
    EXPECT_NE(table.str().find("a.log  2     too few fields"), std::string::npos) << table.str();
}

TEST(LogOutputTest, PageIsSelfContainedEscapedAndDrawsEveryBoardsBar) {
    const std::string log = Line("2026/12/01 09:00:00", "1", "<b>KBX1001</b>", "SN1") +
                            Line("2026/12/01 10:00:00", "1", "<b>KBX1001</b>", "SN2") +
                            Line("2026/12/03 09:00:00", "1013", "KBX2002", "SN3") +
                            Line("2026/12/03 09:00:00", "2", "KBX2002", "SN4");
    std::ostringstream page;
    WriteLogPage(Analyse({{"a.log", log}}), page);
    const std::string html = page.str();
    EXPECT_EQ(html.find("<b>KBX"), std::string::npos);
    EXPECT_NE(html.find("<tr data-board=\"&lt;b&gt;KBX1001&lt;/b&gt;\">"), std::string::npos);
    EXPECT_NE(html.find("content=\"default-src 'none'; style-src 'unsafe-inline'\""), std::string::npos);
    EXPECT_FALSE(std::regex_search(html, std::regex("src=|href=|url\\(|<script|@import")));
    std::vector<std::string> bars;
    const std::regex bar("class=\"seg\" data-board=\"([^\"]*)\" data-exit=\"(\\d+)\" data-machines=\"(\\d+)\"");
    for (auto it = std::sregex_iterator(html.begin(), html.end(), bar); it != std::sregex_iterator(); ++it)
        bars.push_back((*it)[1].str() + " " + (*it)[2].str() + " " + (*it)[3].str());
    EXPECT_EQ(bars, (std::vector<std::string>{"&lt;b&gt;KBX1001&lt;/b&gt; 1 2", "KBX2002 2 1", "KBX2002 1013 1"}));
    // Every day from the first to the last, the quiet one without a bar.
    EXPECT_NE(html.find("class=\"day-runs\" data-day=\"2026-12-01\" data-runs=\"2\""), std::string::npos);
    EXPECT_EQ(html.find("data-day=\"2026-12-02\""), std::string::npos);
    EXPECT_NE(html.find(">2026-12-02</text>"), std::string::npos);
    EXPECT_NE(html.find("class=\"day-failures\" data-day=\"2026-12-03\" data-failures=\"1\""), std::string::npos);
}

TEST(LogOutputTest, LongListsAndSpansStayReadable) {
    // 150 unreadable lines: a terminal shows 100 and says how many more.
    std::string log;
    for (int i = 0; i < 150; ++i) log += "not a line\r\n";
    log += Line("2020/01/01 10:00:00", "2", "KBX1001", "SN1") + Line("2026/12/01 10:00:00", "2", "KBX1001", "SN2");
    const LogReport report = Analyse({{"a.log", log}});
    std::ostringstream table, page;
    PrintLogReport(report, OutputFormat::kTable, table);
    EXPECT_NE(table.str().find("a.log  100   too few"), std::string::npos);
    EXPECT_EQ(table.str().find("a.log  101 "), std::string::npos);
    EXPECT_NE(table.str().find("... and 50 more (--csv and --json list every one)"), std::string::npos);
    // Nearly seven years between two runs: only the days with runs get a place.
    WriteLogPage(report, page);
    const std::string html = page.str();
    EXPECT_EQ(std::regex_search(html, std::regex("(class=\"day-runs\"[^]*){3}")), false);
    EXPECT_NE(html.find("data-day=\"2020-01-01\""), std::string::npos);
    EXPECT_NE(html.find("data-day=\"2026-12-01\""), std::string::npos);
    EXPECT_EQ(html.find(">2020-01-02</text>"), std::string::npos);
}

class LogsCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / "tarnwick-companion-logs-test";
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string Write(const std::string& name, const std::string& bytes) {
        std::ofstream(dir_ / name, std::ios::binary) << bytes;
        return (dir_ / name).string();
    }
    static std::string Read(const fs::path& path) {
        std::ifstream file(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }
    int Run(std::vector<std::string> arguments) {
        out_.str("");
        err_.str("");
        arguments.insert(arguments.begin(), "logs");
        return RunCommand(arguments, out_, err_);
    }
    fs::path dir_;
    std::ostringstream out_, err_;
};

TEST_F(LogsCommandTest, ExitStatusSaysWhetherEveryLineAndFileWasRead) {
    const std::string good = Write("good.log", std::string(kBom) + Line("2026/12/01 09:00:00", "2", "KBX1001", "SN1"));
    const std::string cut = Write("cut.log", Line("2026/12/01 09:00:00", "2", "KBX1001", "SN2") + "2026/12/01");
    EXPECT_EQ(Run({good}), ExitStatus::kClean) << err_.str();
    EXPECT_EQ(Run({good, cut, "--json"}), ExitStatus::kFindings);
    EXPECT_NE(out_.str().find("\"machines\": 2"), std::string::npos);
    // A log that cannot be opened: the others are still reported.
    EXPECT_EQ(Run({good, (dir_ / "missing.log").string(), "--csv", (dir_ / "tables").string()}),
              ExitStatus::kUnreadable);
    EXPECT_NE(err_.str().find("missing.log: cannot open the log"), std::string::npos);
    EXPECT_NE(Read(dir_ / "tables" / "files.csv").find("good.log,1,1,0"), std::string::npos) << Read(dir_ / "tables" / "files.csv");
    EXPECT_EQ(Run({dir_.string()}), ExitStatus::kUnreadable);  // a folder
    EXPECT_EQ(Run({good, "--html", (dir_ / "page.html").string()}), ExitStatus::kClean);
    EXPECT_TRUE(fs::file_size(dir_ / "page.html") > 1000);
    EXPECT_EQ(Run({good, "--html", (dir_ / "no-such-folder" / "page.html").string()}), ExitStatus::kUnreadable);

    for (const std::vector<std::string>& wrong :
         std::vector<std::vector<std::string>>{{},
                                               {good, "--since", "2026-13-01"},
                                               {good, "--since"},
                                               {good, "--declined", "0"},
                                               {good, "--json", "--html", "x.html"},
                                               {good, "--csv"},
                                               {good, "--release", "7a"},
                                               {good, "--since", "2026-12-01", "--since", "2026-12-02"},
                                               {good, "--json=yes"}}) {
        EXPECT_EQ(Run(wrong), ExitStatus::kUsage) << (wrong.empty() ? "" : wrong.back());
    }
    EXPECT_EQ(RunCommand({"check", "battery.dll", "--since", "2026-01-01"}, out_, err_), ExitStatus::kUsage);
    EXPECT_EQ(Run({good, "--since=2026-12-02 08:00", "--declined", "1"}), ExitStatus::kClean);
    EXPECT_NE(out_.str().find("Not seen since 2026-12-02 08:00:00: 1 machine"), std::string::npos) << out_.str();
}

TEST_F(LogsCommandTest, NoOutputLandsOnALogAndAFailedWriteLeavesTheOldFile) {
    const std::string log = Write("victim.log", Line("2026/12/01 09:00:00", "2", "KBX1001", "SN1"));
    Write("files.csv", Read(log));
    const std::string before = Read(log);
    fs::create_hard_link(log, dir_ / "link.log");
    for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>>{
             {log, "--html", log},
             {log, "--html", (dir_ / "link.log").string()},
             {log, "--runs", (dir_ / "." / "victim.log").string()},
             {(dir_ / "files.csv").string(), "--csv", dir_.string()}}) {
        EXPECT_EQ(Run(arguments), ExitStatus::kUsage) << arguments[2];
        EXPECT_NE(err_.str().find("being read; not overwritten"), std::string::npos) << err_.str();
        EXPECT_EQ(Read(arguments[0]), before);
    }
    // An old page stays whole when the new one cannot take its place.
    const std::string page = Write("page.html", "old page");
    fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec);
    const int status = Run({log, "--html", page});
    fs::permissions(dir_, fs::perms::owner_all);
    if (geteuid() != 0) {  // root writes into a read-only folder anyway
        EXPECT_EQ(status, ExitStatus::kUnreadable);
        EXPECT_EQ(Read(page), "old page");
    }
    // Nor when another output of the same run cannot be made.
    Write("page.html", "old page");
    EXPECT_EQ(Run({log, "--html", page, "--runs", (dir_ / "missing" / "runs.csv").string()}), ExitStatus::kUnreadable);
    EXPECT_EQ(Read(page), "old page");
    EXPECT_EQ(Run({log, "--html", page, "--runs", (dir_ / "runs.csv").string()}), ExitStatus::kClean);
    EXPECT_NE(Read(page).find("Generated at 20"), std::string::npos);
    EXPECT_NE(Read(page).find(" from <code>" + log + "</code>"), std::string::npos);
    EXPECT_EQ(Read(dir_ / "runs.csv"), "file,line,time,release,exit,class,manufacturer,board,model,serial,version\r\n" +
                                           log + ",1,2026-12-01T09:00:00,7,2,nothing to do,KORVANE,KBX1001,KN-1001,SN1,"
                                                 "Installed firmware version 2.0.4\r\n");
    for (const auto& entry : fs::directory_iterator(dir_))
        EXPECT_EQ(entry.path().string().find(".tmp"), std::string::npos) << entry.path();
}

TEST_F(LogsCommandTest, OnlyRegularFilesAreReadEachOnceAndNothingWaits) {
    const std::string log = Write("a.log", Line("2026/12/01 09:00:00", "2", "KBX1001", "SN1"));
    ASSERT_EQ(mkfifo((dir_ / "fifo").c_str(), 0600), 0);
    for (const std::string& input : {(dir_ / "fifo").string(), std::string("/dev/zero"), dir_.string()}) {
        EXPECT_EQ(Run({log, input, "--json"}), ExitStatus::kUnreadable) << input;
        EXPECT_NE(err_.str().find(input + ": not read: "), std::string::npos) << err_.str();
        EXPECT_NE(out_.str().find("\"machines\": 1"), std::string::npos);  // the regular log is still reported
    }
    fs::create_symlink(log, dir_ / "same.log");
    EXPECT_EQ(Run({log, (dir_ / "same.log").string(), "--json"}), ExitStatus::kClean);
    EXPECT_NE(err_.str().find("given more than once; read once"), std::string::npos);
    EXPECT_NE(out_.str().find("\"runs\": 1,"), std::string::npos);

    EXPECT_EQ(RunCommand({"logs", "--help"}, out_, err_), ExitStatus::kClean);
    EXPECT_EQ(RunCommand({"-h"}, out_, err_), ExitStatus::kClean);
    EXPECT_EQ(Run({log, "--html", "a.html", "--html", "b.html"}), ExitStatus::kUsage);
    EXPECT_NE(err_.str().find("--html is given more than once"), std::string::npos);
    EXPECT_EQ(Run({log, "--board", "KBX1001", "--board", "KBX2002", "--release", "7", "--json"}), ExitStatus::kClean);
}

TEST_F(LogsCommandTest, CsvFolderHoldsOneTablePerFile) {
    const std::string log = Write("a.log", Line("2026/12/01 09:00:00", "2", "KBX1001", "SN1"));
    EXPECT_EQ(Run({log, "--csv", (dir_ / "out").string()}), ExitStatus::kClean) << err_.str();
    std::vector<std::string> files;
    for (const auto& entry : fs::directory_iterator(dir_ / "out")) files.push_back(entry.path().filename().string());
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{"boards.csv", "compliance.csv", "days.csv", "exits.csv", "files.csv",
                                               "machines.csv", "models.csv", "releases.csv", "serials.csv",
                                               "unreadable-reasons.csv", "unreadable.csv", "versions.csv"}));
    EXPECT_EQ(Read(dir_ / "out" / "days.csv"), "day,runs,failures\r\n2026-12-01,1,0\r\n");
}

}  // namespace
}  // namespace Korvane::PC::Tarnwick::Companion
