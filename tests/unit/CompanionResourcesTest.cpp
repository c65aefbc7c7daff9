#include "definitions/CompanionResources.h"

#include <gtest/gtest.h>

#include "TestText.h"
#include "platform/fakes/FakeModules.h"

namespace Korvane::PC::Tarnwick {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Counts the resource lookups on top of the fake.
class CountingModules : public FakeModules {
public:
    int lookups = 0;
    std::span<const std::uint8_t> FindResourceData(ModuleHandle module, std::uint16_t id, ResourceType type) override {
        ++lookups;
        return FakeModules::FindResourceData(module, id, type);
    }
};

// A string block from raw 16-bit units (length words and text alike).
Bytes Units(std::initializer_list<char16_t> units) {
    Bytes bytes;
    for (char16_t u : units) {
        bytes.push_back(static_cast<std::uint8_t>(u & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(u >> 8));
    }
    return bytes;
}

class CompanionResourcesTest : public ::testing::Test {
protected:
    CountingModules modules;
    FakeModules::Module library;
    ModuleHandle Handle() { return &library; }
    void SetBlock(std::uint16_t blockId, Bytes bytes) { library.resources[{kRtString, u"", blockId}] = std::move(bytes); }
};

TEST_F(CompanionResourcesTest, StringIdsMapToBlockAndEntry) {
    FakeModules::AddStrings(library, {{0, u"zero"}, {15, u"fifteen"}, {16, u"sixteen"}, {31, u"x"}, {163, u"Rel %1!u!"},
                                      {65535, u"last"}});
    const std::pair<std::uint16_t, const char*> cases[] = {
        {0, "zero"}, {15, "fifteen"}, {16, "sixteen"}, {31, "x"}, {163, "Rel %1!u!"}, {65535, "last"},
        {1, "1"},        // empty entry in a present block
        {17, "17"},      // empty entry of block 2
        {152, "152"},    // entry 8 of block 10, which is missing
        {32, "32"},      // block 3 is missing
    };
    for (const auto& [id, expected] : cases) {
        SCOPED_TRACE(id);
        EXPECT_EQ(Printable(LoadCompanionString(modules, Handle(), id)), expected);
    }
}

TEST_F(CompanionResourcesTest, MalformedBlocksGiveTheDecimalId) {
    struct Case {
        const char* name;
        Bytes block;
        std::uint16_t id;
        const char* expected;
    };
    const Case cases[] = {
        {"block ends before the entry", Units({1, u'a', 0, 0}), 5, "5"},
        {"length word runs past the block", Units({0, 0, 9, u'a', u'b'}), 2, "2"},
        {"earlier length runs past the block", Units({40, u'a', 1, u'b'}), 1, "1"},
        {"length word cut in half", Bytes{0, 0, 2}, 1, "1"},
        {"entry exactly at the block end", Units({0, 2, u'h', u'i'}), 1, "hi"},
        {"odd trailing byte", Bytes{0, 0, 1, 0, 'z', 0, 7}, 1, "z"},
        {"empty block", Bytes{}, 0, "0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetBlock(1, c.block);
        EXPECT_EQ(Printable(LoadCompanionString(modules, Handle(), c.id)), c.expected);
    }
    EXPECT_EQ(Printable(LoadCompanionString(modules, nullptr, 7)), "7");
}

TEST_F(CompanionResourcesTest, RtfMessagesByIndex) {
    const std::uint16_t ids[] = {101, 102, 103, 104, 105, 106, 107, 173};
    for (std::uint32_t i = 0; i < 8; ++i)
        FakeModules::AddNamed(library, u"RTF", ids[i], Bytes{'{', static_cast<std::uint8_t>('0' + i), 0, '}'});
    FakeModules::AddNamed(library, u"RTF", 108, Bytes{'x'});
    for (std::uint32_t i = 0; i < 8; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(LoadRtfMessage(modules, Handle(), i), (Bytes{'{', static_cast<std::uint8_t>('0' + i), 0, '}'}));
    }
    modules.lookups = 0;
    for (std::uint32_t index : {8u, 9u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(index);
        EXPECT_TRUE(LoadRtfMessage(modules, Handle(), index).empty());
    }
    EXPECT_EQ(modules.lookups, 0);
    library.resources.clear();
    EXPECT_TRUE(LoadRtfMessage(modules, Handle(), 0).empty());
}

TEST_F(CompanionResourcesTest, TextTablesCountWholeUnits) {
    FakeModules::AddNamed(library, u"TXT", 108, Bytes{'A', 0, 'B', 0, 0x0D, 0, 'C'});
    FakeModules::AddNamed(library, u"TXT", 114, Bytes{'A'});
    FakeModules::AddNamed(library, u"TXT", 171, Bytes{});
    const std::span<const char16_t> table = LoadTextTable(modules, Handle(), 108);
    EXPECT_EQ(Printable({table.data(), table.size()}), "AB\\u000d");
    for (std::uint16_t id : {114, 171, 164}) {
        SCOPED_TRACE(id);
        const auto empty = LoadTextTable(modules, Handle(), id);
        EXPECT_EQ(empty.data(), nullptr);
        EXPECT_EQ(empty.size(), 0u);
    }
}

}  // namespace
}  // namespace Korvane::PC::Tarnwick
