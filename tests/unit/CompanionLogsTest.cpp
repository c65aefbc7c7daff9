// tarnwick-companion logs: the log line as the program writes it, lines
// that must not be guessed at, the latest-state rule and the output forms.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
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

TEST(LogAnalysisTest, LatestRunIsTheLatestTimeThenTheLaterFileThenTheLaterLine) {
    const std::string a = Line("2026/12/03 10:00:00", "1010", "KBX1001", "SN1") +  // latest of SN1 by time
                          Line("2026/12/01 10:00:00", "2", "KBX1001", "SN1") +     // older, though later in the file
                          Line("2026/12/05 10:00:00", "2", "KBX1001", "SN2") +
                          Line("2026/12/05 10:00:00", "1", "KBX1001", "SN2") +  // same time: the later line
                          Line("2026/12/05 10:00:00", "6", "KBX1001", "SN3") +
                          Line("2026/12/05 10:00:00", "2", "KBX2002", "SN1") +  // same serial, other board
                          "2026/12/06 10:00:00, 152, 1002, , , , , \r\n";       // no machine
    const std::string b = Line("2026/12/05 10:00:00", "0", "KBX1001", "SN3") +  // same time, later file
                          Line("2026/12/02 10:00:00", "2", "KBX1001", "SN1");
    const LogReport report = Analyse({{"a.log", a}, {"b.log", b}});
    ASSERT_EQ(report.latest.size(), 4u);
    std::vector<std::int32_t> exits;
    for (const MachineState& m : report.latest) exits.push_back(m.exit);
    EXPECT_EQ(exits, (std::vector<std::int32_t>{1010, 1, 0, 2}));
    EXPECT_EQ(report.latest[0].runs, 3u);
    EXPECT_EQ(report.anonymousRuns, 1u);
    EXPECT_EQ(report.runs, 9u);
    EXPECT_EQ(report.failed, (std::vector<std::size_t>{0}));
    EXPECT_TRUE(report.missingSoftware.empty());  // SN3's 6 was overtaken
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
    EXPECT_EQ(report.latest[0].latest.time, 20261202080000);
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
    // 3000 machines on 7 boards, three runs each, spread over two files in
    // a scrambled order; the run of day 3 is the latest and carries its own
    // model and sentence.
    std::string files[2];
    for (std::size_t k = 0; k < 9000; ++k) {
        const std::size_t i = k * 7919 % 9000;  // every run once, scrambled
        const std::size_t machine = i / 3, day = 1 + i % 3;
        files[i % 2] +=
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
    std::ostringstream json, csv, table;
    PrintLogReport(report, OutputFormat::kJson, json);
    PrintLogReport(report, OutputFormat::kCsv, csv);
    PrintLogReport(report, OutputFormat::kTable, table);
    EXPECT_TRUE(json.str().starts_with("{\"machines\": 3, \"runs\": 3, \"lines\": 4,")) << json.str();
    EXPECT_NE(json.str().find("\"unreadable\": [\n    {\"file\": \"a.log\", \"line\": 2, \"reason\": \"too few fields: "
                              "2 where a line has 8\"}]"),
              std::string::npos)
        << json.str();
    EXPECT_NE(json.str().find("\n    {\"board\": \"KBX\\\"1001\", \"model\": \"KN-1001\", \"serial\": "
                              "\"SN1\", \"manufacturer\": \"KORVANE\", \"exit\": 1, \"meaning\": \"an update is needed "
                              "and the user did not consent\", \"time\": \"2026-12-01T09:00:00\", \"release\": 7,",
                              json.str().find("\"latest\": [")),
              std::string::npos)
        << json.str();
    EXPECT_NE(json.str().find("\"serial\": \"S\\u001b[2J\""), std::string::npos);
    EXPECT_NE(json.str().find("{\"board\": \"KBX2002\", \"machines\": 1, \"exits\": {\"2\": 1}}"), std::string::npos);
    EXPECT_TRUE(json.str().ends_with("]\n}\n"));

    // CSV: sections in a fixed order, each with its header, an empty line between.
    std::vector<std::string> headers;
    std::istringstream sections(csv.str());
    bool next = true;
    for (std::string line; std::getline(sections, line);) {
        if (next) headers.push_back(line);
        next = line == "\r";
    }
    EXPECT_EQ(headers,
              (std::vector<std::string>{
                  "files,lines,runs,machines,unreadable,anonymous runs,first,last,since,declined runs\r",
                  "file,lines,runs,unreadable\r",
                  "board,model,serial,manufacturer,exit,meaning,time,release,version,runs,declined,file,line\r",
                  "file,line,reason\r", "exit,meaning,machines,runs,anonymous runs\r",
                  "group,key,exit,meaning,machines\r", "day,runs,failures\r"}));
    EXPECT_NE(csv.str().find("\r\n\"KBX\"\"1001\",KN-1001,SN1,KORVANE,1,"), std::string::npos);
    // A machine's text never reaches a spreadsheet as a formula.
    EXPECT_NE(csv.str().find("\r\n'=cmd|' /C calc'!A0,KN-1001,'@SUM(1),KORVANE,2,"), std::string::npos) << csv.str();
    EXPECT_NE(csv.str().find("\r\nboard,'=cmd|' /C calc'!A0,2,"), std::string::npos);

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
    EXPECT_EQ(Run({good, (dir_ / "missing.log").string(), "--csv"}), ExitStatus::kUnreadable);
    EXPECT_NE(err_.str().find("missing.log: cannot open the log"), std::string::npos);
    EXPECT_NE(out_.str().find("good.log,1,1,0"), std::string::npos);
    EXPECT_EQ(Run({dir_.string()}), ExitStatus::kUnreadable);  // a folder
    EXPECT_EQ(Run({good, "--html", (dir_ / "page.html").string()}), ExitStatus::kClean);
    EXPECT_TRUE(fs::file_size(dir_ / "page.html") > 1000);
    EXPECT_EQ(Run({good, "--html", (dir_ / "no-such-folder" / "page.html").string()}), ExitStatus::kUnreadable);

    for (const std::vector<std::string>& wrong :
         std::vector<std::vector<std::string>>{{},
                                               {good, "--since", "2026-13-01"},
                                               {good, "--since"},
                                               {good, "--declined", "0"},
                                               {good, "--csv", "--html", "x.html"},
                                               {good, "--json=yes"}}) {
        EXPECT_EQ(Run(wrong), ExitStatus::kUsage) << (wrong.empty() ? "" : wrong.back());
    }
    EXPECT_EQ(RunCommand({"check", "battery.dll", "--since", "2026-01-01"}, out_, err_), ExitStatus::kUsage);
    EXPECT_EQ(Run({good, "--since=2026-12-02 08:00", "--declined", "1"}), ExitStatus::kClean);
    EXPECT_NE(out_.str().find("Not seen since 2026-12-02 08:00:00: 1 machine"), std::string::npos) << out_.str();
}

}  // namespace
}  // namespace Korvane::PC::Tarnwick::Companion
