// The fleet file format and the tool's three output forms.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "tools/companion-tool/Fleet.h"
#include "tools/companion-tool/Report.h"

namespace Korvane::PC::Tarnwick::Companion {
namespace {

TEST(FleetTest, ExampleFleetReadsWhole) {
    std::ifstream in(std::filesystem::path(TARNWICK_SOURCE_DIR) / "tools/companion-tool/example-fleet.csv");
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const Fleet fleet = ParseFleet(text);
    ASSERT_TRUE(fleet.errors.empty()) << fleet.errors.front();
    ASSERT_EQ(fleet.profiles.size(), 16u);
    const Profile& viewTarget = fleet.profiles[4];
    EXPECT_EQ(viewTarget.line, 8u);
    EXPECT_EQ(viewTarget.mode, RunMode::kViewTarget);
    EXPECT_EQ(viewTarget.skipCount, 2u);
    EXPECT_EQ(viewTarget.windows.release, 2004u);
    EXPECT_TRUE(viewTarget.windows.is64);
    EXPECT_EQ(viewTarget.components, (std::array<bool, 6>{true, true, true, true, true, true}));
    const Profile& other = fleet.profiles[14];
    EXPECT_TRUE(other.windows.other);
    EXPECT_FALSE(other.firmware.has_value());
    EXPECT_EQ(fleet.profiles.back().manufacturer, "Korvane Inc.");
    EXPECT_EQ(fleet.profiles[2].model, "KN 1001/A?");
    EXPECT_EQ(fleet.profiles[6].tool, "1.2.3.3");
    EXPECT_EQ(fleet.profiles[6].components, (std::array<bool, 6>{false, true, false, false, false, false}));
}

TEST(FleetTest, RowsThatCannotBeReadAreNamedByLine) {
    const Fleet fleet = ParseFleet(
        "mode,skip,components,tool,bios,firmware,windows,serial,model,board,manufacturer\n"
        "silent,,none,,1.0,2.0.4,10-1909-64,S,M,B,KORVANE\n"
        "# a comment\n"
        "loud,x,IMEI+GPU,,1.0,2.0,XP-32,S,\"M,\"\"1\"\"\",B,KORVANE\n"
        "silent,,none\n");
    ASSERT_EQ(fleet.profiles.size(), 1u);
    EXPECT_EQ(fleet.profiles[0].board, "B");
    EXPECT_EQ(fleet.errors, (std::vector<std::string>{
                                "line 4: windows \"XP-32\" is not 7-32, 8.1-64, 10-1909-64, other, ...",
                                "line 4: firmware \"2.0\" is not A.B.C (A 1..15, B 0..15, C 0..159) or none",
                                "line 4: unknown component \"GPU\"",
                                "line 4: skip \"x\" is not a number",
                                "line 4: mode \"loud\" is not interactive, silent or viewtarget",
                                "line 5: 3 fields, the header has 11",
                            }));
    EXPECT_EQ(ParseFleet("board,model,colour\n").errors.front(), "line 1: unknown column \"colour\"");
}

TEST(ReportTest, TableAlignsWideTextAndScriptFormatsQuote) {
    const Report report{{"board", "what"}, {{"KBX1001", "version 2.0.5 -> 2.0.6"}, {"機種", "a \"b\", c\nd"}}};
    std::ostringstream table, csv, json;
    Print(report, OutputFormat::kTable, table);
    Print(report, OutputFormat::kCsv, csv);
    Print(report, OutputFormat::kJson, json);
    EXPECT_EQ(table.str(),
              "board    what\n"
              "KBX1001  version 2.0.5 -> 2.0.6\n"
              "機種     a \"b\", c d\n");
    EXPECT_EQ(csv.str(), "board,what\r\nKBX1001,version 2.0.5 -> 2.0.6\r\n機種,\"a \"\"b\"\", c\nd\"\r\n");
    EXPECT_EQ(json.str(),
              "[\n  {\"board\": \"KBX1001\", \"what\": \"version 2.0.5 -> 2.0.6\"},\n"
              "  {\"board\": \"機種\", \"what\": \"a \\\"b\\\", c\\nd\"}\n]\n");
}

}  // namespace
}  // namespace Korvane::PC::Tarnwick::Companion
