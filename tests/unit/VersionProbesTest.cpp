#include "machine/VersionProbes.h"

#include <gtest/gtest.h>

#include "SmbiosBytes.h"
#include "TestText.h"
#include "common/RuntimeScan.h"
#include "platform/fakes/FakeFirmwareTables.h"

namespace Korvane::PC::Tarnwick {
namespace {

TEST(VersionProbesTest, ReadersStartAtTheFirstDigitAndStopWhereTheTemplateDoes) {
    struct Case {
        std::u16string text;
        Version4 expected;  // ParseVersion4; the shorter readers take its prefix
    } cases[] = {
        {u"1.05", {1, 5, 0, 0}},
        {u"R1.20", {1, 20, 0, 0}},
        {u"Version 2.05", {2, 5, 0, 0}},
        {u"1.2.3.4.5", {1, 2, 3, 4}},
        {u"1..2", {1, 0, 0, 0}},
        {u"1 .2", {1, 0, 0, 0}},          // no white space before the dot
        {u"1. 2.\u30005", {1, 2, 5, 0}},  // white space (also U+3000) after it
        {u"1.-1", {1, 4294967295u, 0, 0}},
        {u"4294967296.99999999999999999999", {0, 1661992959u, 0, 0}},  // low 32 bits
        {u"", {}},
        {u"abc", {}},
        {std::u16string(u"2.7\0" u"9", 5), {2, 7, 0, 0}},  // counted terminator ends the text
        {u"\uFF11.5", {}},          // a fullwidth first digit starts the scan, but is no number to it
        {u"\u00B2 1.5", {}},        // so does a superscript two
        {u"x\u0661.2", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Printable(c.text));
        EXPECT_EQ(ParseVersion4(c.text), c.expected);
        EXPECT_EQ(ParseVersion3(c.text), (Version3{c.expected[0], c.expected[1], c.expected[2]}));
        EXPECT_EQ(ParseVersion2(c.text), (Version2{c.expected[0], c.expected[1]}));
    }
}

TEST(VersionProbesTest, ComparisonTakesTheFirstSignedDifference) {
    EXPECT_LT(CompareVersions(ParseVersion2(u"1.9"), ParseVersion2(u"1.10")), 0);
    EXPECT_GT(CompareVersions(ParseVersion2(u"2.0"), ParseVersion2(u"1.99")), 0);
    EXPECT_EQ(CompareVersions(ParseVersion2(u"1.05"), ParseVersion2(u"1.5")), 0);
    // A difference of 2^31 or more wraps: 3000000000 counts as below 1.
    EXPECT_LT(CompareVersions(Version3{3000000000u, 0, 0}, Version3{1, 0, 0}), 0);
}

TEST(VersionProbesTest, RuntimeClassificationEdges) {
    for (char16_t c : {u'0', u'9', u'\u00B9', u'\u0660', u'\u0669', u'\uFF10', u'\uFF19', u'\uABF9'})
        EXPECT_TRUE(IsRuntimeDigit(c)) << std::hex << static_cast<unsigned>(c);
    for (char16_t c : {u'/', u':', u'\u00BC', u'\u065F', u'\u066A', u'\uFF1A', u'\uFFFF', u'\0'})
        EXPECT_FALSE(IsRuntimeDigit(c)) << std::hex << static_cast<unsigned>(c);
}

TEST(VersionProbesTest, BiosVersionComesFromTheFirstType0Structure) {
    FakeFirmwareTables firmware;
    EXPECT_EQ(ReadBiosVersion(firmware), "");  // no tables
    firmware.tables = {Table({Structure(1, {1, 2, 0, 3}, {"K", "M", "S"})})};
    EXPECT_EQ(ReadBiosVersion(firmware), "");  // no type 0
    firmware.tables = {Table({Structure(1, {1}, {"K"}), Structure(0, {1, 2}, {"Vendor", "1.07"}),
                              Structure(0, {1, 2}, {"Vendor", "9.99"})})};
    EXPECT_EQ(ReadBiosVersion(firmware), "1.07");
    firmware.tables = {Table({Structure(0, {1, 0}, {"first", "second"})})};
    EXPECT_EQ(ReadBiosVersion(firmware), "first");  // string number 0
}

}  // namespace
}  // namespace Korvane::PC::Tarnwick
