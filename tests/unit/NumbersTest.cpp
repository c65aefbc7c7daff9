#include "common/Numbers.h"

#include <gtest/gtest.h>

#include "TestText.h"

namespace Korvane::PC::Tarnwick {
namespace {

struct NumberCase {
    const char* text;
    std::uint32_t unsignedValue;
    std::int32_t signedValue;
};

TEST(NumbersTest, AutomaticBaseMatchesThe32BitRuntime) {
    const NumberCase cases[] = {
        {"", 0, 0},
        {"abc", 0, 0},
        {"12", 12, 12},
        {"0x3", 3, 3},
        {"0X1f", 31, 31},
        {"0x", 0, 0},
        {"010", 8, 8},
        {"09", 0, 0},           // octal stops at 9
        {"0", 0, 0},
        {"1041", 1041, 1041},
        {"0x411", 0x411, 0x411},
        {"  \t42", 42, 42},
        {"+7", 7, 7},
        {"-1", 4294967295u, -1},
        {"-0x10", 0xFFFFFFF0u, -16},
        {"12abc", 12, 12},
        {"4294967295", 4294967295u, 2147483647},
        {"4294967296", 4294967295u, 2147483647},
        {"-4294967296", 4294967295u, -2147483647 - 1},
        {"99999999999999999999", 4294967295u, 2147483647},
        {"2147483647", 2147483647u, 2147483647},
        {"2147483648", 2147483648u, 2147483647},
        {"-2147483648", 2147483648u, -2147483647 - 1},
        {"-2147483649", 2147483647u, -2147483647 - 1},
        {"0x100000000", 4294967295u, 2147483647},
        {"- 5", 0, 0},          // no blanks after the sign
    };
    for (const NumberCase& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ReadUnsigned32(U16(c.text)), c.unsignedValue);
        EXPECT_EQ(ReadSigned32(U16(c.text)), c.signedValue);
    }
}

TEST(NumbersTest, ExplicitBaseSixteenAcceptsPrefix) {
    EXPECT_EQ(ReadUnsigned32(u"0A", 16), 0x0Au);
    EXPECT_EQ(ReadUnsigned32(u"0x1b", 16), 0x1Bu);
    EXPECT_EQ(ReadUnsigned32(u"C", 16), 0x0Cu);
    EXPECT_EQ(ReadUnsigned32(std::u16string(u"C\0", 2), 16), 0x0Cu);
    EXPECT_EQ(ReadUnsigned32(u"zz", 16), 0u);
}

TEST(NumbersTest, DecimalPrefixStopsAtFirstNonDigit) {
    EXPECT_EQ(ReadDecimalPrefix(u"1903"), 1903u);
    EXPECT_EQ(ReadDecimalPrefix(u"1809x"), 1809u);
    EXPECT_EQ(ReadDecimalPrefix(u" 1909"), 0u);
    EXPECT_EQ(ReadDecimalPrefix(u""), 0u);
}

}  // namespace
}  // namespace Korvane::PC::Tarnwick
