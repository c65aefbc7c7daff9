#include "machine/ChangeRights.h"

#include <gtest/gtest.h>

namespace Korvane::PC::Tarnwick {
namespace {

// Which entries let someone else swap the library's code: change rights of
// anyone but SYSTEM, Administrators, TrustedInstaller and the run's account,
// and an untrusted owner.
TEST(ChangeRightsTest, OnlyTrustedAccountsMayChangeWhatIsLoaded) {
    const std::u16string run = u"S-1-5-21-1-2-3-1001";
    const auto list = [](std::u16string owner, std::u16string sid, std::uint32_t rights) {
        return AccessList{std::move(owner), {{u"S-1-5-18", 0x1F01FF}, {std::move(sid), rights}}};
    };
    for (const std::u16string_view trusted : {kLocalSystemSid, kAdministratorsSid, kTrustedInstallerSid}) {
        EXPECT_TRUE(OnlyTrustedMayChange(list(std::u16string(trusted), std::u16string(trusted), 0x1F01FF), run));
    }
    EXPECT_TRUE(OnlyTrustedMayChange(list(run, run, 0x1F01FF), run)) << "the run's own account";
    EXPECT_FALSE(OnlyTrustedMayChange(list(run, run, 0x1F01FF), u"")) << "an unreadable account matches nothing";
    // Everyone or Users may read and run, not change.
    EXPECT_TRUE(OnlyTrustedMayChange(list(u"S-1-5-32-544", u"S-1-1-0", 0x1200A9), run));
    for (const std::uint32_t right : {0x2u, 0x4u, 0x40u, 0x10000u, 0x40000u, 0x80000u, 0x40000000u, 0x10000000u}) {
        EXPECT_FALSE(OnlyTrustedMayChange(list(u"S-1-5-32-544", u"S-1-5-32-545", 0x1200A9 | right), run))
            << std::hex << right;
    }
    EXPECT_FALSE(OnlyTrustedMayChange(list(u"S-1-5-21-9-9-9-1002", u"S-1-5-18", 0x1F01FF), run)) << "owner";
}

}  // namespace
}  // namespace Korvane::PC::Tarnwick
