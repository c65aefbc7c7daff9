#include "definitions/DefinitionTables.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestText.h"

namespace Korvane::PC::Tarnwick {
namespace {

std::span<const char16_t> Span(const std::u16string& text) { return {text.data(), text.size()}; }

std::string Hex(const std::vector<std::uint8_t>& bytes) {
    std::string out;
    for (std::uint8_t b : bytes) {
        out.push_back("0123456789ABCDEF"[b >> 4]);
        out.push_back("0123456789ABCDEF"[b & 0xF]);
    }
    return out;
}

// A row as one printable line: product|action|version|url|tool|parameters|hash.
std::string Describe(const TargetDefinition& d) {
    return Printable(d.product) + "|" + std::to_string(ToNumber(d.action)) + "|" + Printable(d.version) + "|" +
           Printable(d.url) + "|" + Printable(d.toolFile) + "|" + Printable(d.toolParameters) + "|" + Hex(d.hash);
}

std::vector<std::string> Describe(const std::vector<TargetDefinition>& rows) {
    std::vector<std::string> out;
    for (const auto& r : rows) out.push_back(Describe(r));
    return out;
}

std::vector<std::string> Printables(const std::vector<std::u16string>& texts) {
    std::vector<std::string> out;
    for (const auto& t : texts) out.push_back(Printable(t));
    return out;
}

const std::u16string kRecordA = u"X1\r\n1\r\n1.2.3\r\n/a.exe\r\ntool.exe\r\n-s\r\n0A1b\r\n";
const std::u16string kRecordB = u"Y2\r\n0x2\r\n1.07\r\n/b.exe\r\nC:\\b.exe\r\n\r\nff\r\n";
const std::string kRowA = "X1\\0|1|1.2.3\\0|/a.exe\\0|tool.exe\\0|-s\\0|0A1B";
const std::string kRowB = "Y2\\0|2|1.07\\0|/b.exe\\0|C:\\b.exe\\0|\\0|FF";

TEST(DefinitionTablesTest, DefinitionRecordsAndTheirSeparators) {
    struct Case {
        const char* name;
        std::u16string text;
        std::vector<std::string> rows;
    };
    const Case cases[] = {
        {"one record, no separator", kRecordA, {kRowA}},
        {"hash line not terminated", kRecordA.substr(0, kRecordA.size() - 2), {}},
        {"hash line ends in a lone CR", kRecordA.substr(0, kRecordA.size() - 1), {kRowA}},
        {"two records with separator", kRecordA + u"\r\n" + kRecordB, {kRowA, kRowB}},
        {"separator with text", kRecordA + u"anything\tat all\r\n" + kRecordB + u"\r\n", {kRowA, kRowB}},
        {"BOM first", u"\uFEFF" + kRecordA + u"\r\n" + kRecordB, {kRowA, kRowB}},
        {"BOM in a field", u"\uFEFF\uFEFF" + kRecordA, {"\\ufeff" + kRowA}},
        {"second record unterminated", kRecordA + u"\r\n" + u"Y2\r\n2\r\n1.0", {kRowA}},
        // Without a separator the next record's product is skipped and all
        // its fields move up by one line.
        {"missing separator", kRecordA + kRecordB + u"\r\n", {kRowA, "0x2\\0|1|/b.exe\\0|C:\\b.exe\\0|\\0|ff\\0|"}},
        {"unit after CR is skipped unseen", u"P\rX0\rX1\rX2\rX3\rX4\rX5\rX", {"P\\0|0|1\\0|2\\0|3\\0|4\\0|05"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Describe(ParseDefinitionTable(Span(c.text))), c.rows);
    }
}

TEST(DefinitionTablesTest, ActionColumnReadsWithAutomaticBase) {
    const std::pair<const char16_t*, std::int32_t> cases[] = {
        {u"0x7", 7},          {u"010", 8},  {u"abc", 0},         {u"", 0},          {u" 3", 3},
        {u"-5", -5},          {u"09", 0},   {u"4294967296", 2147483647}, {u"-99999999999", -2147483647 - 1},
        {u"7 eight", 7},
    };
    for (const auto& [action, expected] : cases) {
        SCOPED_TRACE(Printable(action));
        const std::u16string text = u"P\r\n" + std::u16string(action) + u"\r\nv\r\nu\r\nt\r\np\r\nh\r\n";
        const auto rows = ParseDefinitionTable(Span(text));
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(ToNumber(rows[0].action), expected);
    }
}

TEST(DefinitionTablesTest, HashPairsAndTheirOddDigit) {
    const std::u16string digits64 = U16("00112233445566778899aabbccddeeff00112233445566778899AABBCCDDEEFF");
    struct Case {
        std::u16string text;
        std::string bytes;
    };
    const Case cases[] = {
        {u"0A1b", "0A1B"},
        {u"ABC", "AB0C"},
        {u"", ""},
        {u"zz1g", "0001"},   // a pair stops at its first non-digit
        {u"0x", "00"},
        {u" 7-1", "07FF"},   // blank and sign as the runtime accepts them
        {digits64, Hex({0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF,
                        0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF})},
        {digits64.substr(0, 63), Hex({0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xAA,
                                      0xBB, 0xCC, 0xDD, 0xEE, 0xFF, 0x00, 0x11, 0x22, 0x33, 0x44, 0x55,
                                      0x66, 0x77, 0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0x0F})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Printable(c.text));
        std::u16string counted = c.text;
        counted.push_back(u'\0');
        EXPECT_EQ(Hex(ParseHashText(counted)), c.bytes);
    }
}

TEST(DefinitionTablesTest, ModelListLines) {
    struct Case {
        const char* name;
        std::u16string text;
        std::vector<std::string> models;
    };
    const Case cases[] = {
        {"plain", u"A B\r\nC\r\n", {"A B\\0", "C\\0"}},
        {"last name without line end", u"A\r\nB", {"A\\0"}},
        {"empty lines", u"\r\n\r\nA\r\n", {"\\0", "\\0", "A\\0"}},
        {"BOM only first", u"\uFEFFA\r\n\uFEFFB\r\n", {"A\\0", "\\ufeffB\\0"}},
        {"lone CR at the end", u"A\r", {"A\\0"}},
        {"only a BOM", u"\uFEFF", {}},
        {"CR LF LF", u"A\r\n\nB\r\n", {"A\\0", "\\u000aB\\0"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Printables(ParseModelList(Span(c.text))), c.models);
    }
}

std::vector<std::string> Describe(const std::vector<OsSupportRow>& rows) {
    std::vector<std::string> out;
    for (const auto& r : rows) {
        std::string s = Printable(r.product);
        for (const ActionCode code : r.codes) s += " " + std::to_string(ToNumber(code));
        out.push_back(s);
    }
    return out;
}

TEST(DefinitionTablesTest, OsSupportRows) {
    struct Case {
        const char* name;
        std::u16string text;
        std::vector<std::string> rows;
    };
    const Case cases[] = {
        {"two rows", u"X1\t0\t1\t2\t3\t4\t5\t6\t7\r\nY 2\t0x10\t010\tabc\t-1\t\t9\t 8\t1 tab\t\r\n",
         {"X1\\0 0 1 2 3 4 5 6 7", "Y 2\\0 16 8 0 -1 0 9 8 1"}},
        {"last row without CR", u"X1\t1\t1\t1\t1\t1\t1\t1\t1\r\nY\t1\t1\t1\t1\t1\t1\t1\t1", {"X1\\0 1 1 1 1 1 1 1 1"}},
        {"product only", u"X1\r\n", {}},
        // Seven numbers: the seventh runs to the next line's first TAB, the
        // eighth is that line's first number, and the rest of it is lost.
        {"row with seven numbers", u"A\t1\t2\t3\t4\t5\t6\t7\r\nB\t8\t9\t9\t9\t9\t9\t9\t9\r\nC\t1\t1\t1\t1\t1\t1\t1\t1\r\n",
         {"A\\0 1 2 3 4 5 6 7 8", "C\\0 1 1 1 1 1 1 1 1"}},
        {"BOM", u"\uFEFFX\t1\t2\t3\t4\t5\t6\t7\t8\r\n", {"X\\0 1 2 3 4 5 6 7 8"}},
        {"beyond 32 bits", u"X\t4294967296\t-4294967296\t0\t0\t0\t0\t0\t0\r\n",
         {"X\\0 2147483647 -2147483648 0 0 0 0 0 0"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Describe(ParseOsSupportTable(Span(c.text))), c.rows);
    }
}

TEST(DefinitionTablesTest, RequirementRows) {
    const std::u16string text =
        u"X1\t1\t0\t1\t0\t0\t2\r\nX2\t01\t0x1\t 1\t-1\t+1\t1x\r\nX3\t1\t1\t1\t1\t1\t1";
    const auto rows = ParseRequirementTable(Span(text));
    ASSERT_EQ(rows.size(), 2u);
    const std::array<bool, kComponentSlots> first{true, false, true, false, false, false};
    const std::array<bool, kComponentSlots> second{true, true, true, false, true, true};
    EXPECT_EQ(Printable(rows[0].product), "X1\\0");
    EXPECT_EQ(rows[0].required, first);
    EXPECT_EQ(Printable(rows[1].product), "X2\\0");
    EXPECT_EQ(rows[1].required, second);
}

TEST(DefinitionTablesTest, ParsersStopAtTheSpanEnd) {
    // The text goes on beyond the span; nothing past it may be seen.
    const std::u16string osText = u"X\t1\t2\t3\t4\t5\t6\t7\t8\r\nY\t1\t2\t3\t4\t5\t6\t7\t8\r\n";
    const std::u16string reqText = u"X\t1\t1\t1\t1\t1\t1\r\n";
    const std::u16string models = u"A\r\nB\r\n";
    const std::u16string definition = kRecordA + u"\r\n";
    for (std::size_t cut = 0; cut <= osText.size(); ++cut) {
        SCOPED_TRACE(cut);
        const auto rows = ParseOsSupportTable(Span(osText).first(cut));
        EXPECT_EQ(rows.size(), cut >= 37 ? 2u : cut >= 18 ? 1u : 0u);
    }
    EXPECT_TRUE(ParseRequirementTable(Span(reqText).first(reqText.size() - 2)).empty());
    EXPECT_EQ(ParseRequirementTable(Span(reqText).first(reqText.size() - 1)).size(), 1u);
    EXPECT_EQ(Printables(ParseModelList(Span(models).first(4))), std::vector<std::string>{"A\\0"});
    EXPECT_EQ(Printables(ParseModelList(Span(models).first(5))), (std::vector<std::string>{"A\\0", "B\\0"}));
    EXPECT_EQ(ParseDefinitionTable(Span(definition).first(kRecordA.size() - 2)).size(), 0u);
}

TEST(DefinitionTablesTest, EmptyOrNullSpansGiveEmptyTables) {
    const std::span<const char16_t> none;
    const std::u16string bom = u"\uFEFF";
    for (const std::span<const char16_t> table : {none, Span(bom)}) {
        SCOPED_TRACE(table.size());
        EXPECT_TRUE(ParseDefinitionTable(table).empty());
        EXPECT_TRUE(ParseModelList(table).empty());
        EXPECT_TRUE(ParseOsSupportTable(table).empty());
        EXPECT_TRUE(ParseRequirementTable(table).empty());
    }
}

// The layout a report rests on: lines as the parsers count them, the raw
// fields, and what was dropped.
TEST(DefinitionTablesTest, LayoutSaysWhereEachRowCameFrom) {
    TableLayout layout;
    const std::u16string records = u"\uFEFF" + kRecordA + u"Y2\r\n" + kRecordB + u"tail";
    ASSERT_EQ(ParseDefinitionTable(Span(records), &layout).size(), 2u);
    ASSERT_EQ(layout.rows.size(), 2u);
    EXPECT_EQ(layout.rows[0].firstLine, 1u);
    EXPECT_EQ(layout.rows[0].lastLine, 8u);
    EXPECT_EQ(layout.rows[0].fields.size(), 8u);
    EXPECT_EQ(layout.rows[0].fields[7], u"Y2");  // the separator line: shifted
    EXPECT_EQ(layout.rows[1].firstLine, 9u);
    EXPECT_EQ(layout.rows[1].fields[0], u"Y2");
    EXPECT_EQ(layout.rows[1].fields.size(), 7u);  // the table ended without a separator line
    EXPECT_EQ(layout.unread, u"tail");
    EXPECT_EQ(layout.unreadLine, 16u);

    layout = {};
    const std::u16string os = u"A\t1\t1\t1\t1\t1\t1\t1\r\nB\t2\t2\t2\t2\t2\t2\t2\t2\r\nC\t3\t3\r\n";
    ASSERT_EQ(ParseOsSupportTable(Span(os), &layout).size(), 1u);
    EXPECT_EQ(layout.rows[0].firstLine, 1u);
    EXPECT_EQ(layout.rows[0].lastLine, 2u);  // swallowed line 2
    EXPECT_EQ(layout.rows[0].fields[7], u"1\r\nB");
    EXPECT_EQ(layout.rows[0].fields[8], u"2\t2\t2\t2\t2\t2\t2\t2");
    EXPECT_EQ(layout.unread, u"C\t3\t3\r\n");  // a short last row is dropped whole
    EXPECT_EQ(layout.unreadLine, 3u);

    layout = {};
    const std::u16string models = u"M1\r\n\r\nM3";
    ASSERT_EQ(ParseModelList(Span(models), &layout).size(), 2u);
    EXPECT_EQ(layout.rows[1].firstLine, 2u);
    EXPECT_EQ(layout.rows[1].fields[0], u"");
    EXPECT_EQ(layout.unread, u"M3");
    EXPECT_EQ(layout.unreadLine, 3u);
}

}  // namespace
}  // namespace Korvane::PC::Tarnwick
