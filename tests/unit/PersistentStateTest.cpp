#include "run/PersistentState.h"

#include <gtest/gtest.h>

#include "platform/fakes/FakePlatform.h"

namespace Korvane::PC::Tarnwick {
namespace {

const std::u16string kKey(StateKey::subKey);
constexpr RegistryRoot kUser = RegistryRoot::CurrentUser;
constexpr std::int64_t kDay = 86400;
// 2021-03-10 12:00:00 UTC.
constexpr std::int64_t kNoon = 1615377600;

// Days since 1970-01-01 of a civil date (proleptic Gregorian), written
// independently of the day-number formula.
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

class PersistentStateTest : public ::testing::Test {
protected:
    FakePlatform fakes;

    std::optional<std::uint32_t> StoredDword(std::u16string_view name) {
        const FakeRegistry::Value* v = fakes.registry.Find(kUser, kKey, std::u16string(name));
        if (v == nullptr || v->type != kRegDword || v->data.size() != 4) return std::nullopt;
        return static_cast<std::uint32_t>(v->data[0] | v->data[1] << 8 | v->data[2] << 16 |
                                          static_cast<std::uint32_t>(v->data[3]) << 24);
    }
    void SetFirst(std::int64_t time) {
        fakes.registry.SetDword(kUser, kKey, u"First", static_cast<std::uint32_t>(time));
    }
    std::pair<bool, std::uint32_t> Compute(std::uint32_t days) {
        std::uint32_t left = 0xdeadbeef;
        const bool allowed = ComputeDaysLeft(fakes.platform, days, left);
        return {allowed, left};
    }
};

TEST(DayNumberTest, KnownDates) {
    EXPECT_EQ(DayNumber(1858, 11, 17), 0);
    EXPECT_EQ(DayNumber(2000, 1, 1), 51544);
    EXPECT_EQ(DayNumber(1970, 1, 1), 40587);
    // February rolls into the previous year's count; 2000 is a leap year,
    // 1900 and 2100 are not.
    EXPECT_EQ(DayNumber(2000, 3, 1) - DayNumber(2000, 2, 28), 2);
    EXPECT_EQ(DayNumber(1900, 3, 1) - DayNumber(1900, 2, 28), 1);
    EXPECT_EQ(DayNumber(2100, 3, 1) - DayNumber(2100, 2, 28), 1);
}

TEST(DayNumberTest, AgreesWithCivilCalendarFrom1900To2100) {
    static constexpr unsigned kMonthDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    int mismatches = 0;
    for (int year = 1900; year <= 2100; ++year) {
        const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
        for (unsigned month = 1; month <= 12; ++month) {
            const unsigned last = kMonthDays[month - 1] + (month == 2 && leap ? 1 : 0);
            for (unsigned day = 1; day <= last; ++day) {
                const std::int64_t expected = DaysFromCivil(year, month, day) + 40587;
                const std::int32_t actual = DayNumber(year, static_cast<std::int32_t>(month),
                                                      static_cast<std::int32_t>(day));
                if (actual != expected && ++mismatches <= 10) {
                    ADD_FAILURE() << year << "-" << month << "-" << day << ": " << actual << " expected "
                                  << expected;
                }
            }
        }
    }
    EXPECT_EQ(mismatches, 0);
}

TEST_F(PersistentStateTest, ZeroDaysLeavesRegistryUntouched) {
    EXPECT_EQ(Compute(0), std::make_pair(false, 0u));
    EXPECT_TRUE(fakes.registry.keys.empty());
    EXPECT_TRUE(fakes.registry.openAccess.empty());
    EXPECT_TRUE(fakes.registry.createAccess.empty());
}

TEST_F(PersistentStateTest, ThousandOrMoreMeansNoLimitWithoutRegistry) {
    for (const std::uint32_t days : {1000u, 1001u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(days);
        EXPECT_EQ(Compute(days), std::make_pair(true, 1000u));
    }
    EXPECT_TRUE(fakes.registry.keys.empty());
    EXPECT_TRUE(fakes.registry.openAccess.empty());
}

TEST_F(PersistentStateTest, FirstRunWritesNowAndKeepsAllDays) {
    fakes.clock.now = kNoon;
    EXPECT_EQ(Compute(999), std::make_pair(true, 999u));
    EXPECT_EQ(StoredDword(u"First"), static_cast<std::uint32_t>(kNoon));
    EXPECT_EQ(fakes.registry.openAccess, std::vector<std::uint32_t>{kKeyRead});
    EXPECT_EQ(fakes.registry.createAccess, std::vector<std::uint32_t>{kKeyAllAccess});
    EXPECT_EQ(fakes.registry.openKeys, 0);

    // A later run reads it back and does not write again.
    fakes.clock.now = kNoon + 2 * kDay;
    EXPECT_EQ(Compute(999), std::make_pair(true, 997u));
    EXPECT_EQ(StoredDword(u"First"), static_cast<std::uint32_t>(kNoon));
    EXPECT_EQ(fakes.registry.createAccess.size(), 1u);
}

TEST_F(PersistentStateTest, CountsDownByLocalDays) {
    struct Case {
        std::int64_t daysAgo;
        bool allowed;
        std::uint32_t left;
    } cases[] = {{0, true, 5}, {1, true, 4}, {4, true, 1}, {5, false, 0}, {6, false, 0}, {400, false, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.daysAgo << " days ago");
        fakes.clock.now = kNoon;
        SetFirst(kNoon - c.daysAgo * kDay);
        EXPECT_EQ(Compute(5), std::make_pair(c.allowed, c.left));
    }
}

TEST_F(PersistentStateTest, FirstOfWrongTypeIsOverwritten) {
    fakes.clock.now = kNoon;
    fakes.registry.SetString(kUser, kKey, u"First", u"1234");
    EXPECT_EQ(Compute(7), std::make_pair(true, 7u));
    EXPECT_EQ(StoredDword(u"First"), static_cast<std::uint32_t>(kNoon));

    // A value too large for the 4-byte buffer is just as unreadable.
    fakes.registry.keys[{kUser, kKey}][u"First"] = {kRegDword, std::vector<std::uint8_t>(8, 0)};
    EXPECT_EQ(Compute(7), std::make_pair(true, 7u));
    EXPECT_EQ(StoredDword(u"First"), static_cast<std::uint32_t>(kNoon));
}

TEST_F(PersistentStateTest, ClockSetBackGivesNoElapsedDays) {
    fakes.clock.now = kNoon;
    SetFirst(kNoon + 30 * kDay);
    EXPECT_EQ(Compute(5), std::make_pair(true, 5u));
    EXPECT_EQ(StoredDword(u"First"), static_cast<std::uint32_t>(kNoon + 30 * kDay));
}

TEST_F(PersistentStateTest, MidnightCrossingInLocalTimeIsOneDay) {
    // UTC+9: 2021-03-10 23:59 local is 14:59 UTC; 00:01 the next local day
    // is two minutes later. Both fall on the same UTC day.
    fakes.clock.utcOffsetSeconds = 9 * 3600;
    const std::int64_t localMidnight = kNoon - 12 * 3600 + kDay - 9 * 3600;  // 2021-03-11 00:00 local
    SetFirst(localMidnight - 60);
    fakes.clock.now = localMidnight + 60;
    EXPECT_EQ(Compute(5), std::make_pair(true, 4u));

    // 23 hours later within the same local day: still 0 days.
    SetFirst(localMidnight + 60);
    fakes.clock.now = localMidnight + 23 * 3600;
    EXPECT_EQ(Compute(5), std::make_pair(true, 5u));
}

TEST_F(PersistentStateTest, FailedLocalConversionGivesNoElapsedDays) {
    fakes.clock.now = kNoon;
    fakes.clock.localConversionFails = true;
    SetFirst(kNoon - 100 * kDay);
    EXPECT_EQ(Compute(5), std::make_pair(true, 5u));
}

TEST_F(PersistentStateTest, UnwritableKeyUsesNowForThisRunOnly) {
    fakes.clock.now = kNoon;
    fakes.registry.createError = 5;
    EXPECT_EQ(Compute(3), std::make_pair(true, 3u));
    EXPECT_TRUE(fakes.registry.keys.empty());
    // The next run starts over again.
    fakes.clock.now = kNoon + 10 * kDay;
    EXPECT_EQ(Compute(3), std::make_pair(true, 3u));
    EXPECT_EQ(fakes.registry.createAccess.size(), 2u);
}

TEST_F(PersistentStateTest, SkipCountRoundTripAndUnreadableValues) {
    EXPECT_EQ(ReadSkipCount(fakes.platform), 0u);  // no key
    WriteSkipCount(fakes.platform, 7);
    EXPECT_EQ(StoredDword(u"RtCt"), 7u);
    EXPECT_EQ(ReadSkipCount(fakes.platform), 7u);
    WriteSkipCount(fakes.platform, 0x12345678);
    EXPECT_EQ(ReadSkipCount(fakes.platform), 0x12345678u);

    fakes.registry.SetString(kUser, kKey, u"RtCt", u"2");
    EXPECT_EQ(ReadSkipCount(fakes.platform), 0u);
    fakes.registry.keys[{kUser, kKey}].erase(u"RtCt");
    EXPECT_EQ(ReadSkipCount(fakes.platform), 0u);
    EXPECT_EQ(fakes.registry.openKeys, 0);

    fakes.registry.createError = 5;
    WriteSkipCount(fakes.platform, 3);  // ignored
    EXPECT_EQ(StoredDword(u"RtCt"), std::nullopt);
}

TEST_F(PersistentStateTest, OpenForReadingUsesGivenKeyWithReadAccess) {
    fakes.registry.SetDword(RegistryRoot::LocalMachine, u"SYSTEM\\Other", u"x", 1);
    EXPECT_EQ(OpenForReading(fakes.registry, RegistryRoot::LocalMachine, u"SYSTEM\\Other").error, 0u);
    EXPECT_EQ(OpenForReading(fakes.registry, RegistryRoot::CurrentUser, u"SYSTEM\\Other").error, 2u);
    EXPECT_EQ(fakes.registry.openAccess, (std::vector<std::uint32_t>{kKeyRead, kKeyRead}));
}

}  // namespace
}  // namespace Korvane::PC::Tarnwick
