#include "app/CommandLine.h"

#include <gtest/gtest.h>

#include "TestText.h"

namespace Korvane::PC::Tarnwick {
namespace {

std::vector<std::u16string> Args(std::initializer_list<const char*> words) {
    std::vector<std::u16string> args{u"Tarnwick.exe"};
    for (const char* w : words) args.push_back(U16(w));
    return args;
}

bool Parses(std::initializer_list<const char*> words, OptionTable* out = nullptr) {
    OptionTable table = MakeOptionTable();
    const bool ok = ParseCommandLine(Args(words), table);
    if (out != nullptr) *out = table;
    return ok;
}

TEST(CommandLineTest, RejectsEveryMalformedForm) {
    const std::vector<std::vector<const char*>> bad = {
        {"silent"},                 // no prefix
        {""},                       // empty argument
        {"-"},                      // lone dash
        {"/"},                      // lone slash
        {"/SILENT"},                // other letter case
        {"//silent"},               // doubled prefix
        {"--silent"},
        {"/silent=1"},              // appended value
        {"/nosuchswitch"},
        {"/silent", "/silent"},     // repeated
        {"/silent", "-silent"},     // repeated with the other prefix
        {"/log", "a.txt", "/log", "b.txt"},
        {"/log"},                   // value switch last
        {"/force"},
        {"/silent", "extra"},
    };
    for (const auto& words : bad) {
        std::string label;
        for (const char* w : words) label += std::string("[") + w + "]";
        SCOPED_TRACE(label);
        OptionTable table = MakeOptionTable();
        std::vector<std::u16string> args{u"Tarnwick.exe"};
        for (const char* w : words) args.push_back(U16(w));
        EXPECT_FALSE(ParseCommandLine(args, table));
    }
}

TEST(CommandLineTest, NoArgumentsGiveTheDefaults) {
    OptionTable table;
    ASSERT_TRUE(Parses({}, &table));
    const ToolOptions o = ToToolOptions(table);
    EXPECT_FALSE(o.silent);
    EXPECT_FALSE(o.viewTarget);
    EXPECT_TRUE(o.checkSignature);
    EXPECT_TRUE(o.checkNewVersion);
    EXPECT_FALSE(o.disableDownloadParameters);
    EXPECT_FALSE(o.enableCancelLimit);
    EXPECT_FALSE(o.force);
    EXPECT_EQ(o.forcedKind, 0u);
    // An argument vector of only the program path, or nothing at all, parses.
    OptionTable empty = MakeOptionTable();
    EXPECT_TRUE(ParseCommandLine({}, empty));
}

TEST(CommandLineTest, EverySwitchMapsToItsOption) {
    OptionTable table;
    ASSERT_TRUE(Parses({"-silent", "/viewtarget", "/nochecknewversion", "-disabledlparam", "/enablecancellimit",
                        "/nochecksignature", "/force", "0x3"},
                       &table));
    const ToolOptions o = ToToolOptions(table);
    EXPECT_TRUE(o.silent);
    EXPECT_TRUE(o.viewTarget);
    EXPECT_FALSE(o.checkNewVersion);
    EXPECT_TRUE(o.disableDownloadParameters);
    EXPECT_TRUE(o.enableCancelLimit);
    EXPECT_FALSE(o.checkSignature);
    EXPECT_TRUE(o.force);
    EXPECT_EQ(o.forcedKind, 3u);
}

TEST(CommandLineTest, ValueSwitchTakesNextArgumentVerbatim) {
    OptionTable table;
    // The log path may look like a switch: it is taken as the path, and
    // "silent" stays off.
    ASSERT_TRUE(Parses({"/log", "/silent"}, &table));
    EXPECT_EQ(table[kOptLog].value, u"/silent");
    EXPECT_FALSE(ToToolOptions(table).silent);

    ASSERT_TRUE(Parses({"/showinfo", "C:\\report with space.txt", "/language", "-1"}, &table));
    EXPECT_EQ(table[kOptShowInfo].value, u"C:\\report with space.txt");
    EXPECT_EQ(table[kOptLanguage].value, u"-1");
}

TEST(CommandLineTest, ForceValueIsReadWithAutomaticBase) {
    const std::pair<const char*, std::uint32_t> cases[] = {
        {"0x3", 3}, {"6", 6}, {"010", 8}, {"letters", 0}, {"-1", 4294967295u}, {"99999999999", 4294967295u}};
    for (const auto& [text, expected] : cases) {
        SCOPED_TRACE(text);
        OptionTable table;
        ASSERT_TRUE(Parses({"/force", text}, &table));
        const ToolOptions o = ToToolOptions(table);
        EXPECT_TRUE(o.force);
        EXPECT_EQ(o.forcedKind, expected);
    }
}

TEST(CommandLineTest, ParseStepReportsConsumedArguments) {
    OptionTable table = MakeOptionTable();
    std::vector<CommandLineOption*> pointers;
    for (auto& option : table) pointers.push_back(&option);
    CommandLineParser parser(CommandLineParser::kSlashPrefix, pointers);
    const auto args = Args({"/log", "x", "/silent", "-viewtarget"});
    EXPECT_EQ(parser.ParseStep(args, 1), 3);
    EXPECT_EQ(parser.ParseStep(args, 3), 4);
    EXPECT_LT(parser.ParseStep(args, 4), 0);  // dash not accepted by this parser
    EXPECT_LT(parser.ParseStep(args, 3), 0);  // already present
}

}  // namespace
}  // namespace Korvane::PC::Tarnwick
