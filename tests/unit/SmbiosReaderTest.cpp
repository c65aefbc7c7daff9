#include "machine/SmbiosReader.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/fakes/FakeFirmwareTables.h"

namespace Korvane::PC::Tarnwick {
namespace {

using Bytes = std::vector<std::uint8_t>;

// One structure: its type, the formatted fields after the 4-byte head, its
// strings. The handle numbers the structures of a table 0, 1, ...
struct Structure {
    std::uint8_t type = 0;
    Bytes fields;
    std::vector<std::string> strings;
};

// A raw table as the provider returns it: 8-byte header, then the structures.
Bytes Table(const std::vector<Structure>& structures) {
    Bytes bytes{0, 3, 4, 0, 0, 0, 0, 0};
    std::uint8_t handle = 0;
    for (const Structure& s : structures) {
        bytes.insert(bytes.end(), {s.type, static_cast<std::uint8_t>(4 + s.fields.size()), handle++, 0});
        bytes.insert(bytes.end(), s.fields.begin(), s.fields.end());
        for (const std::string& text : s.strings) {
            bytes.insert(bytes.end(), text.begin(), text.end());
            bytes.push_back(0);
        }
        if (s.strings.empty()) bytes.push_back(0);
        bytes.push_back(0);
    }
    const auto length = static_cast<std::uint32_t>(bytes.size() - 8);
    for (int b = 0; b < 4; ++b) bytes[4 + b] = static_cast<std::uint8_t>(length >> (8 * b));
    return bytes;
}

// (type, handle) of every structure of the walk.
std::vector<std::pair<int, int>> Walk(CSmbiosReader& reader) {
    std::vector<std::pair<int, int>> seen;
    if (!reader.MoveFirst()) return seen;
    do {
        seen.emplace_back(reader.Current()[0], reader.Current()[2]);
    } while (reader.MoveNext() && seen.size() < 100);
    return seen;
}

using Seen = std::vector<std::pair<int, int>>;

TEST(SmbiosReaderTest, MoveFirstFailsWithoutAStructure) {
    struct Case {
        const char* name;
        std::vector<Bytes> tables;
        std::optional<Bytes> idList;
        bool failSecondFetch;
    };
    const Case cases[] = {
        {"no table ids", {}, std::nullopt, false},
        {"id list of 3 bytes", {Table({{1, {}, {}}})}, Bytes{0, 0, 0}, false},
        {"first table of size 0", {Bytes{}}, std::nullopt, false},
        {"second fetch fails", {Table({{1, {}, {}}})}, std::nullopt, true},
        {"header only", {Bytes(8, 0)}, std::nullopt, false},
        {"header and one byte", {Bytes(9, 0)}, std::nullopt, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeFirmwareTables firmware;
        firmware.tables = c.tables;
        firmware.rawIdList = c.idList;
        firmware.failSecondFetch = c.failSecondFetch;
        CSmbiosReader reader(firmware);
        EXPECT_FALSE(reader.MoveFirst());
        EXPECT_EQ(reader.Current(), nullptr);
        EXPECT_FALSE(reader.MoveNext());
    }
}

TEST(SmbiosReaderTest, StepsOverFormattedAreaAndStringSet) {
    FakeFirmwareTables firmware;
    firmware.tables = {Table({{7, Bytes(4, 0x55), {}}, {8, {}, {"A", "B"}}, {9, {}, {}}})};
    CSmbiosReader reader(firmware);
    ASSERT_TRUE(reader.MoveFirst());
    const std::uint8_t* first = reader.Current();
    EXPECT_EQ(first[0], 7);
    ASSERT_TRUE(reader.MoveNext());
    // Formatted length 8 and no strings: the next one starts 10 bytes on.
    EXPECT_EQ(reader.Current() - first, 10);
    const std::uint8_t* second = reader.Current();
    ASSERT_TRUE(reader.MoveNext());
    // Strings "A" and "B": 5 bytes after the formatted area (length 4).
    EXPECT_EQ(reader.Current() - second, 4 + 5);
    EXPECT_FALSE(reader.MoveNext());
    EXPECT_EQ(reader.Current()[0], 9) << "a failed move leaves the last structure current";
}

TEST(SmbiosReaderTest, WalksThroughEndOfTableAndIntoTheNextTable) {
    FakeFirmwareTables firmware;
    firmware.tables = {Table({{0, {}, {"x"}}, {127, {}, {}}, {1, {}, {}}}), Table({{2, {}, {}}, {127, {}, {}}})};
    CSmbiosReader reader(firmware);
    EXPECT_EQ(Walk(reader), (Seen{{0, 0}, {127, 1}, {1, 2}, {2, 0}, {127, 1}}));
    // A restart begins again at the first table.
    EXPECT_EQ(Walk(reader), (Seen{{0, 0}, {127, 1}, {1, 2}, {2, 0}, {127, 1}}));
}

TEST(SmbiosReaderTest, EmptyNextTableEndsTheWalkWithoutAStructure) {
    FakeFirmwareTables firmware;
    firmware.tables = {Table({{1, {}, {}}}), Bytes{}, Table({{2, {}, {}}})};
    CSmbiosReader reader(firmware);
    ASSERT_TRUE(reader.MoveFirst());
    EXPECT_FALSE(reader.MoveNext());
    EXPECT_EQ(reader.Current(), nullptr);
    EXPECT_EQ(reader.ReadByte(0), 0);
    EXPECT_STREQ(reader.StringAt(4), "");
}

TEST(SmbiosReaderTest, GetStringCountsFromOneAndTreatsZeroAsOne) {
    FakeFirmwareTables firmware;
    firmware.tables = {Table({{1, {}, {"first", "second", "third"}}, {2, {}, {"next"}}, {3, {}, {}}})};
    CSmbiosReader reader(firmware);
    ASSERT_TRUE(reader.MoveFirst());
    const std::uint8_t* s = reader.Current();
    const std::pair<int, const char*> cases[] = {
        {0, "first"}, {1, "first"}, {2, "second"}, {3, "third"}, {4, ""}, {5, ""}, {255, ""}};
    for (const auto& [n, expected] : cases) {
        SCOPED_TRACE(n);
        EXPECT_STREQ(reader.GetString(s, static_cast<std::uint8_t>(n)), expected);
    }
    // The strings of the following structure are not part of this set.
    ASSERT_TRUE(reader.MoveNext());
    ASSERT_TRUE(reader.MoveNext());
    EXPECT_STREQ(reader.GetString(reader.Current(), 1), "");
    EXPECT_STREQ(reader.GetString(reader.Current(), 2), "");
    // A pointer that is not in the table reads as an empty string.
    const std::uint8_t outside[8] = {1, 4, 0, 0, 'x', 0, 0, 0};
    EXPECT_STREQ(reader.GetString(outside, 1), "");
    EXPECT_STREQ(reader.GetString(nullptr, 1), "");
}

TEST(SmbiosReaderTest, ReadByteStaysInsideTheFormattedArea) {
    FakeFirmwareTables firmware;
    // Formatted length 6: offsets 4 and 5 are fields, 6 on are the strings.
    firmware.tables = {Table({{1, {2, 1}, {"AB", "CD"}}})};
    CSmbiosReader reader(firmware);
    EXPECT_EQ(reader.ReadByte(0), 0) << "no structure before MoveFirst";
    ASSERT_TRUE(reader.MoveFirst());
    const std::pair<std::size_t, int> cases[] = {{0, 1}, {1, 6}, {2, 0}, {4, 2}, {5, 1}, {6, 0}, {7, 0}, {1000, 0}};
    for (const auto& [offset, expected] : cases) {
        SCOPED_TRACE(offset);
        EXPECT_EQ(reader.ReadByte(offset), expected);
    }
    EXPECT_STREQ(reader.StringAt(4), "CD");
    EXPECT_STREQ(reader.StringAt(5), "AB");
    EXPECT_STREQ(reader.StringAt(7), "AB") << "a missing field reads as string number 0";
}

TEST(SmbiosReaderTest, MalformedBytesNeverLeadOutOfTheBuffer) {
    struct Case {
        const char* name;
        Bytes table;
        int structures;       // the walk's length
        const char* string1;  // string 1 of the last structure
    };
    const Bytes header(8, 0);
    auto with = [&](Bytes tail) {
        Bytes b = header;
        b.insert(b.end(), tail.begin(), tail.end());
        return b;
    };
    const Case cases[] = {
        {"string set never closes", with({1, 4, 0, 0, 'a', 'b', 0, 'c', 'd'}), 1, "ab"},
        {"last string has no NUL", with({1, 4, 0, 0, 'a', 'b'}), 1, ""},
        {"formatted length past the end", with({1, 200, 0, 0, 5, 0, 0}), 1, ""},
        {"formatted length 0", with({0, 0, 2, 4, 0, 0}), 2, ""},
        {"only type and length", with({1, 4}), 1, ""},
        {"one byte after the last set", with({1, 4, 0, 0, 0, 0, 9}), 1, ""},
        {"two bytes after the last set", with({1, 4, 0, 0, 0, 0, 9, 4}), 2, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeFirmwareTables firmware;
        firmware.tables = {c.table};
        CSmbiosReader reader(firmware);
        ASSERT_TRUE(reader.MoveFirst());
        int count = 1;
        const std::uint8_t* last = reader.Current();
        while (reader.MoveNext() && count < 10) {
            last = reader.Current();
            ++count;
        }
        EXPECT_EQ(count, c.structures);
        EXPECT_STREQ(reader.GetString(last, 1), c.string1);
        EXPECT_STREQ(reader.GetString(last, 9), "");
    }
}

TEST(SmbiosReaderTest, UnclosedStringSetPassesOnToTheNextTable) {
    FakeFirmwareTables firmware;
    firmware.tables = {Bytes{0, 0, 0, 0, 0, 0, 0, 0, 1, 4, 0, 0, 'a'}, Table({{2, {}, {}}})};
    CSmbiosReader reader(firmware);
    EXPECT_EQ(Walk(reader), (Seen{{1, 0}, {2, 0}}));
}

}  // namespace
}  // namespace Korvane::PC::Tarnwick
