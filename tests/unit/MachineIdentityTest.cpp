#include "machine/MachineIdentity.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "SmbiosBytes.h"
#include "TestText.h"
#include "platform/fakes/FakeFirmwareTables.h"
#include "platform/portable/PortableText.h"

namespace Korvane::PC::Tarnwick {
namespace {

// System Information with manufacturer 1, product name 2, serial 3.
Bytes System(std::string maker, std::string model, std::string serial) {
    return Structure(1, {1, 2, 0, 3}, {std::move(maker), std::move(model), std::move(serial)});
}
Bytes Board(std::string product) { return Structure(2, {0, 1}, {std::move(product)}); }

std::u16string Counted(std::u16string_view visible) {
    std::u16string s(visible);
    s.push_back(u'\0');
    return s;
}

MachineIdentity Read(std::vector<Bytes> structures) {
    FakeFirmwareTables firmware;
    firmware.tables = {Table(std::move(structures))};
    PortableText text;
    return ReadMachineIdentity(firmware, text);
}

void ExpectIdentity(const MachineIdentity& m, std::u16string_view manufacturer, std::u16string_view product,
                    std::u16string_view model, std::u16string_view serial) {
    EXPECT_EQ(Printable(m.manufacturer), Printable(manufacturer));
    EXPECT_EQ(Printable(m.product), Printable(product));
    EXPECT_EQ(Printable(m.model), Printable(model));
    EXPECT_EQ(Printable(m.serial), Printable(serial));
}

// An IText whose conversions fail at the first or the second call.
class FailingText : public PortableText {
public:
    explicit FailingText(bool failCount) : failCount_(failCount) {}
    int MultiByteToWide(std::uint32_t cp, std::uint32_t flags, std::span<const char> bytes,
                        std::span<char16_t> out) override {
        if (out.empty() == failCount_) return 0;
        return PortableText::MultiByteToWide(cp, flags, bytes, out);
    }

private:
    bool failCount_;
};

TEST(MachineIdentityTest, FieldsAreCleanedAsTheTablesExpect) {
    const MachineIdentity m = Read({System("KORVANE", "AB 12/3?", "R1 2%3"), Board("X Y  Z")});
    ExpectIdentity(m, Counted(u"KORVANE"), Counted(u"XYZ"), Counted(u"AB12_3_"), Counted(u"R1 2_3"));
    EXPECT_EQ(m.model.size(), 8u);
    EXPECT_TRUE(IsMakersMachine(m));
}

TEST(MachineIdentityTest, EmptyStringsKeepTheirTerminator) {
    const MachineIdentity m = Read({System("", "", ""), Board("   ")});
    ExpectIdentity(m, Counted(u""), Counted(u""), Counted(u""), Counted(u""));
}

TEST(MachineIdentityTest, FailedConversionGivesUnknownOnlyForModelAndSerial) {
    for (bool failCount : {true, false}) {
        SCOPED_TRACE(failCount ? "size query fails" : "conversion fails");
        FakeFirmwareTables firmware;
        firmware.tables = {Table({System("KORVANE", "M", "S"), Board("P")})};
        FailingText text(failCount);
        ExpectIdentity(ReadMachineIdentity(firmware, text), u"", u"", u"Unknown", u"Unknown");
    }
}

TEST(MachineIdentityTest, OrderOfStructuresAndRepeats) {
    const MachineIdentity boardFirst = Read({Structure(0, {0, 1}, {"BIOS"}), Board("P1"), System("K", "M", "S")});
    ExpectIdentity(boardFirst, Counted(u"K"), Counted(u"P1"), Counted(u"M"), Counted(u"S"));

    // A second type 1 before the board overwrites the first; once both kinds
    // are seen the walk stops, so a later type 1 changes nothing.
    const MachineIdentity repeated =
        Read({System("A", "B", "C"), System("D", "E", "F"), Board("G"), System("X", "Y", "Z")});
    ExpectIdentity(repeated, Counted(u"D"), Counted(u"G"), Counted(u"E"), Counted(u"F"));
}

TEST(MachineIdentityTest, MissingStructuresLeaveFieldsEmpty) {
    ExpectIdentity(Read({Board("P")}), u"", Counted(u"P"), u"", u"");
    ExpectIdentity(Read({System("K", "M", "S"), Structure(127, {}, {})}), Counted(u"K"), u"", Counted(u"M"),
                   Counted(u"S"));

    FakeFirmwareTables unreadable;
    PortableText text;
    ExpectIdentity(ReadMachineIdentity(unreadable, text), u"", u"", u"", u"");
}

TEST(MachineIdentityTest, ShortOrOddStructuresStillGiveAnIdentity) {
    // A type 1 with only offset 4: offsets 5 and 7 read as string number 0,
    // the first string; a string number beyond the set is an empty string.
    const MachineIdentity shortSystem = Read({Structure(1, {1}, {"K V"}), Structure(2, {0, 9}, {"P"})});
    ExpectIdentity(shortSystem, Counted(u"K V"), Counted(u""), Counted(u"KV"), Counted(u"K V"));
}

TEST(MachineIdentityTest, TextIsConvertedFromWindows1252) {
    const MachineIdentity m = Read({System("K\x80", "M\xe9", "S\x9f"), Board("P")});
    ExpectIdentity(m, Counted(u"K\u20ac"), Counted(u"P"), Counted(u"M\u00e9"), Counted(u"S\u0178"));
}

TEST(MachineIdentityTest, MakersMachineIsRecognisedExactly) {
    const std::pair<const char*, bool> cases[] = {{"KORVANE", true},      {"KORVANE-SV", true},
                                                  {"Korvane", false},     {"KORVANE ", false},
                                                  {"KORVANE-SVX", false}, {"", false}};
    for (const auto& [maker, expected] : cases) {
        SCOPED_TRACE(maker);
        EXPECT_EQ(IsMakersMachine(Read({System(maker, "M", "S"), Board("P")})), expected);
    }
}

TEST(MachineIdentityTest, ToWideKeepsTheTerminator) {
    PortableText text;
    EXPECT_EQ(Printable(ToWide(text, "abc")), "abc\\0");
    EXPECT_EQ(ToWide(text, "").size(), 1u);
    EXPECT_TRUE(ToWide(text, nullptr).empty());
}

TEST(MachineIdentityTest, RemoveSpacesAndReplaceAll) {
    EXPECT_EQ(Printable(RemoveSpaces(u"  a  b\tc ")), "ab\\u0009c");
    struct Case {
        std::u16string_view text, what, with;
        const char* expected;
    };
    const Case cases[] = {
        {u"a?b?", u"?", u"_", "a_b_"},
        {u"a?b", u"?", u"??", "a??b"},  // the inserted text is not searched again
        {u"aab", u"ab", u"b", "ab"},
        {u"%%", u"%", u"", ""},
        {u"none", u"/", u"_", "none"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Printable(c.text));
        EXPECT_EQ(Printable(ReplaceAll(std::u16string(c.text), c.what, c.with)), c.expected);
    }
}

}  // namespace
}  // namespace Korvane::PC::Tarnwick
