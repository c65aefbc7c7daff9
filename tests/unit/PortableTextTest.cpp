#include "platform/portable/PortableText.h"

#include <gtest/gtest.h>

#include <vector>

#include "TestText.h"
#include "definitions/CompanionResources.h"

namespace Korvane::PC::Tarnwick {
namespace {

TEST(PortableTextTest, Windows1252ToUtf16) {
    PortableText text;
    const char bytes[] = {'A', '\x80', '\x81', '\x8a', '\x9f', '\xa0', '\xe9', '\xff', '\0'};
    const std::u16string expected = {u'A', 0x20AC, 0x0081, 0x0160, 0x0178, 0x00A0, 0x00E9, 0x00FF, 0};
    EXPECT_EQ(text.MultiByteToWide(kCpAcp, kMbPrecomposed, bytes, {}), 9);
    std::u16string out(9, u'?');
    EXPECT_EQ(text.MultiByteToWide(kCpAcp, kMbPrecomposed, bytes, std::span<char16_t>(out.data(), out.size())), 9);
    EXPECT_EQ(Printable(out), Printable(expected));

    std::u16string small(8, u'?');
    EXPECT_EQ(text.MultiByteToWide(kCpAcp, 0, bytes, std::span<char16_t>(small.data(), small.size())), 0);
    EXPECT_EQ(text.MultiByteToWide(kCpAcp, 0, std::span<const char>(), {}), 0);
}

TEST(PortableTextTest, TemplatesExpandLikeTheMessageFormatter) {
    PortableText text;
    const std::u16string counted(u"M1\0", 3);
    struct Case {
        const char16_t* templateText;
        std::vector<FormatArgument> arguments;
        const char* expected;
    };
    const std::vector<FormatArgument> ten{u"a", u"b", u"c", u"d", u"e", u"f", u"g", u"h", u"i", u"j"};
    const Case cases[] = {
        {u"plain text\r\nline two", {}, "plain text\\u000d\\u000aline two"},
        {u"%1 on %2", {u"model", u"1.2"}, "model on 1.2"},
        {u"%2%1%2", {u"x", u"y"}, "yxy"},
        {u"Release %1!u!.", {std::uint32_t{163}}, "Release 163."},
        {u"%1!d!", {std::uint32_t{0xFFFFFFFF}}, "-1"},
        {u"%1!x!/%1!X!/%1!08x!", {std::uint32_t{255}}, "ff/FF/000000ff"},
        {u"%1!u!.%2!u!.%3!u!", {std::uint32_t{1}, std::uint32_t{20}, std::uint32_t{300}}, "1.20.300"},
        {u"%1!s!|%1!5s!|%1!-5s!|%1!.1s!", {u"ab"}, "ab|   ab|ab   |a"},
        {u"%1 left", {std::u16string_view(counted)}, "M1 left"},
        {u"100%% sure%nnext", {}, "100% sure\\u000d\\u000anext"},
        {u"%10 %100", ten, "j j0"},
        {u"stop%0here", {}, "stop"},
        {u"%1!30u!", {std::uint32_t{7}}, "                             7"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Printable(c.templateText));
        const FormatResult result = text.FormatFromString(c.templateText, c.arguments);
        EXPECT_EQ(result.error, 0u);
        EXPECT_EQ(Printable(result.text), c.expected);
    }
}

TEST(PortableTextTest, BadInsertsFailTheExpansion) {
    PortableText text;
    struct Case {
        const char16_t* templateText;
        std::vector<FormatArgument> arguments;
    };
    const Case cases[] = {
        {u"%3", {u"a", u"b"}},
        {u"%1!u!", {u"text"}},
        {u"%1", {std::uint32_t{5}}},
        {u"%1!u", {std::uint32_t{5}}},
        {u"%1!!", {std::uint32_t{5}}},
        {u"%1!q!", {std::uint32_t{5}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Printable(c.templateText));
        const FormatResult result = text.FormatFromString(c.templateText, c.arguments);
        EXPECT_NE(result.error, 0u);
        EXPECT_EQ(Printable(result.text), "");
    }
}

TEST(PortableTextTest, FormatTemplateGivesTextOrNothing) {
    PortableText text;
    EXPECT_EQ(Printable(FormatTemplate(text, u"%1 (%2!u!)", {u"X1", std::uint32_t{3}})), "X1 (3)");
    EXPECT_EQ(Printable(FormatTemplate(text, u"%2", {u"X1"})), "");
    EXPECT_EQ(Printable(FormatTemplate(text, u"", {})), "");
}

TEST(PortableTextTest, LineBreaksComeOutAsCrLfAndATrailingPercentFails) {
    PortableText text;
    const std::pair<std::u16string_view, const char*> cases[] = {
        {u"a\nb", "a\\u000d\\u000ab"},
        {u"a\rb", "a\\u000d\\u000ab"},
        {u"a\r\nb", "a\\u000d\\u000ab"},
        {u"a\n\rb", "a\\u000d\\u000a\\u000d\\u000ab"},
    };
    for (const auto& [templateText, expected] : cases) {
        SCOPED_TRACE(Printable(templateText));
        const FormatResult result = text.FormatFromString(templateText, {});
        EXPECT_EQ(result.error, 0u);
        EXPECT_EQ(Printable(result.text), expected);
    }
    EXPECT_NE(text.FormatFromString(u"50%", {}).error, 0u);
}

}  // namespace
}  // namespace Korvane::PC::Tarnwick
