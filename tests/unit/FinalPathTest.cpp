#include "common/FinalPath.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace Korvane::PC::Tarnwick {
namespace {

bool AsciiSameIgnoringCase(std::u16string_view a, std::u16string_view b) {
    const auto upper = [](char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [&](char16_t x, char16_t y) {
               return upper(x) == upper(y);
           });
}

PathAgreement Compare(std::u16string_view asked, std::u16string_view final, bool remote = false) {
    return CompareFinalPath(asked, final, remote, AsciiSameIgnoringCase);
}

TEST(FinalPathTest, LocalFileMustBeWhereItsPathSays) {
    EXPECT_EQ(Compare(u"C:\\Logs\\battery.log", u"\\\\?\\C:\\logs\\Battery.LOG"), PathAgreement::kSame);
    EXPECT_EQ(Compare(u"\\\\?\\C:\\Logs\\battery.log", u"\\\\.\\C:\\Logs\\battery.log\\"), PathAgreement::kSame);
    // A junction C:\Logs -> C:\Windows\System32, a subst drive, a device path.
    EXPECT_EQ(Compare(u"C:\\Logs\\battery.log", u"\\\\?\\C:\\Windows\\System32\\battery.log"), PathAgreement::kDiffers);
    EXPECT_EQ(Compare(u"S:\\battery.log", u"\\\\?\\C:\\Shared\\battery.log"), PathAgreement::kDiffers);
    EXPECT_EQ(Compare(u"\\\\.\\GLOBALROOT\\Device\\x.log", u"\\\\?\\C:\\x.log"), PathAgreement::kDiffers);
    // A local link to a share, and a final path that could not be read.
    EXPECT_EQ(Compare(u"C:\\Logs\\battery.log", u"\\\\?\\UNC\\srv\\logs\\battery.log"), PathAgreement::kDiffers);
    EXPECT_EQ(Compare(u"C:\\Logs\\battery.log", u""), PathAgreement::kDiffers);
}

TEST(FinalPathTest, SharesAreLeftToTheirOwnRights) {
    // A DFS namespace resolves to another server's name by design.
    EXPECT_EQ(Compare(u"\\\\corp\\dfs\\logs\\b.log", u"\\\\?\\UNC\\srv7\\logs$\\b.log"), PathAgreement::kNetwork);
    EXPECT_EQ(Compare(u"\\\\?\\UNC\\corp\\dfs\\b.log", u""), PathAgreement::kNetwork);
    EXPECT_EQ(Compare(u"L:\\b.log", u"\\\\?\\UNC\\srv7\\logs$\\b.log", true), PathAgreement::kNetwork);
}

}  // namespace
}  // namespace Korvane::PC::Tarnwick
