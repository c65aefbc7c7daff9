#include "definitions/ActionSelection.h"

#include <gtest/gtest.h>

#include "TestText.h"
#include "platform/fakes/FakeModules.h"
#include "platform/fakes/FakeRegistry.h"
#include "run/PersistentState.h"

namespace Korvane::PC::Tarnwick {
namespace {

class FakePairProbes : public IPairProbes {
public:
    Version3 firmware{2, 0, 4};
    std::u16string bios = u"1.8";
    int firmwareReads = 0, biosReads = 0, reports = 0;
    Version3 ReadInstalledFirmware() override { return ++firmwareReads, firmware; }
    std::u16string ReadInstalledBios() override { return ++biosReads, bios; }
    void ReportFirmwareUnreadable() override { ++reports; }
};

// A "TXT" table of CR LF lines, as LoadTextTable reads it.
std::vector<std::uint8_t> TableBytes(const std::vector<std::u16string>& lines) {
    std::vector<std::uint8_t> bytes;
    for (const std::u16string& line : lines)
        for (char16_t c : line + u"\r\n") {
            bytes.push_back(static_cast<std::uint8_t>(c));
            bytes.push_back(static_cast<std::uint8_t>(c >> 8));
        }
    return bytes;
}

std::u16string Key(std::u16string_view visible) { return std::u16string(visible) + u'\0'; }

class ActionSelectionTest : public ::testing::Test {
protected:
    ActionSelectionTest() { machine = {u"KORVANE", Key(u"KBX1"), Key(u"KN-1"), Key(u"S")}; }
    void Rows(const std::vector<std::pair<std::u16string, int>>& rows) {
        std::vector<std::u16string> lines;
        for (const auto& [product, code] : rows) {
            const std::u16string version = code == 2 || code == 4 ? u"1.9" : u"2.0.5";
            for (const std::u16string& line : {product, U16(std::to_string(code)), version, std::u16string(u"/p"),
                                               std::u16string(u"t.exe"), std::u16string(), std::u16string(64, u'0'),
                                               std::u16string()})
                lines.push_back(line);
        }
        FakeModules::AddNamed(library, u"TXT", TableId::kDefinitionTable, TableBytes(lines));
    }
    void Excluded(const std::vector<std::u16string>& models) {
        FakeModules::AddNamed(library, u"TXT", TableId::kExcludedModelList, TableBytes(models));
    }
    void Systems(const std::u16string& row) {
        FakeModules::AddNamed(library, u"TXT", TableId::kOsSupportTable, TableBytes({row}));
    }
    Selection Choose(bool viewTarget = false, std::int32_t osClass = 9) {
        return ChooseAction({machine, osClass, viewTarget}, modules, &library, probes, registry);
    }
    MachineIdentity machine;
    FakeModules modules;
    FakeModules::Module library;
    FakePairProbes probes;
    FakeRegistry registry;
};

TEST_F(ActionSelectionTest, MakerRowModelAndSystemSteps) {
    Rows({{u"KBX0", 3}, {u"KBX1", 7}, {u"KBX1", 4}});
    Selection s = Choose();
    EXPECT_TRUE(s.succeeded);
    EXPECT_EQ(ToNumber(s.code), 7);  // the first matching row; the pair row after it is never looked at
    ASSERT_TRUE(s.target);
    EXPECT_EQ(Printable(s.target->version), "2.0.5\\0");

    for (const std::u16string maker : {u"KORVANE-SV", u"Korvane", u"KORVANE "}) {
        machine.manufacturer = maker;
        EXPECT_EQ(ToNumber(Choose().code), maker == u"KORVANE-SV" ? 7 : 0) << Printable(maker);
    }
    machine.manufacturer = u"KORVANE";

    Systems(u"KBX1\t1\t1\t6\t3\t0\t99\t1\t1");
    struct Case {
        std::int32_t osClass, code;
        bool target;
    } cases[] = {{2, 6, false}, {4, 6, false}, {5, 7, true}, {6, 0, false}, {7, 7, true}, {10, 0, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.osClass);
        s = Choose(false, c.osClass);
        EXPECT_EQ(ToNumber(s.code), c.code);
        EXPECT_EQ(s.target.has_value(), c.target);
    }
    Excluded({u"KN-0", u"KN-1"});  // wins over the getting-ready column
    s = Choose(false, 2);
    EXPECT_EQ(ToNumber(s.code), 0);
    EXPECT_FALSE(s.target);

    // No row for the product: not a target. Keys compare with their terminators.
    machine.product = u"KBX1";
    EXPECT_EQ(ToNumber(Choose().code), 0);
}

TEST_F(ActionSelectionTest, PairsResolveByFirmwareThenBios) {
    for (const auto& order : {std::vector<std::pair<std::u16string, int>>{{u"KBX1", 4}, {u"KBX1", 5}},
                              std::vector<std::pair<std::u16string, int>>{{u"KBX1", 5}, {u"KBX9", 1}, {u"KBX1", 4}}}) {
        Rows(order);
        struct Case {
            Version3 firmware;
            std::u16string bios;
            std::int32_t code;
            bool biosRead;
        } cases[] = {{{2, 0, 5}, u"1.0", 1, false}, {{2, 0, 4}, u"1.10", 1, true}, {{2, 0, 4}, u"1.8", 2, true}};
        for (const Case& c : cases) {
            SCOPED_TRACE(Printable(c.bios));
            probes = {};
            probes.firmware = c.firmware;
            probes.bios = c.bios;
            const Selection s = Choose();
            EXPECT_EQ(ToNumber(s.code), c.code);
            EXPECT_EQ(ToNumber(s.target->action), c.code);
            EXPECT_EQ(Printable(s.target->version), c.code == 2 ? "1.9\\0" : "2.0.5\\0");
            EXPECT_EQ(probes.biosReads > 0, c.biosRead);
        }
    }
    EXPECT_EQ(ReadSkipCount(registry), 2u);  // the BIOS offers set it

    probes.firmware = {0, 1, 1};
    Selection s = Choose();
    EXPECT_FALSE(s.succeeded);
    EXPECT_EQ(probes.reports, 1);
    EXPECT_EQ(ToNumber(s.target->action), 0);

    Rows({{u"KBX1", 4}, {u"KBX1", 4}, {u"KBX1", 5}});
    probes = {};
    s = Choose();
    EXPECT_FALSE(s.succeeded);
    EXPECT_EQ(probes.firmwareReads + probes.reports, 0);  // not a pair: silently

    Rows({{u"KBX1", 5}});
    s = Choose();
    EXPECT_TRUE(s.succeeded);
    EXPECT_EQ(ToNumber(s.code), 0);
    EXPECT_EQ(ToNumber(s.target->action), 0);
    EXPECT_EQ(Printable(s.target->version), "2.0.5\\0");
}

TEST_F(ActionSelectionTest, SkipCountHoldsTheFirmwareBackInNotificationMode) {
    Rows({{u"KBX1", 4}, {u"KBX1", 5}});
    probes.bios = u"1.9";  // the pair resolves to the firmware
    WriteSkipCount(registry, 7);
    EXPECT_EQ(ToNumber(Choose(false).code), 1);  // without viewTarget nothing is read or written
    EXPECT_EQ(ReadSkipCount(registry), 7u);
    for (const std::uint32_t next : {2u, 1u, 0u}) {
        const Selection s = Choose(true);
        EXPECT_EQ(ToNumber(s.code), 0);
        EXPECT_EQ(ToNumber(s.target->action), 0);
        EXPECT_EQ(ReadSkipCount(registry), next);
    }
    EXPECT_EQ(ToNumber(Choose(true).code), 1);
    // A value of another type counts as 0.
    registry.SetString(RegistryRoot::CurrentUser, std::u16string(StateKey::subKey), u"RtCt", u"2");
    EXPECT_EQ(ToNumber(Choose(true).code), 1);
}

}  // namespace
}  // namespace Korvane::PC::Tarnwick
