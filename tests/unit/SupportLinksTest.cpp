#include "ui/SupportLinks.h"

#include <gtest/gtest.h>

#include "app/UpdateController.h"
#include "messages/Messages.h"
#include "messages/WebAddress.h"
#include "platform/fakes/CompanionLibrarySetup.h"
#include "tests/unit/TestText.h"

namespace Korvane::PC::Tarnwick {
namespace {

class SupportLinksTest : public ::testing::Test {
protected:
    SupportLinksTest() {
        FakeModules::AddStrings(InstallCompanionLibrary(fakes),
                                {{200, u"https://s.example/e/"}, {194, u"N0"}, {195, u"N1"}, {196, u"N3"},
                                 {197, u"N2"}, {198, u"N4"}, {199, u"N5"}});
        EXPECT_TRUE(controller.PrepareEnvironment());
        controller.machine.product = std::u16string(u"ABC123\0", 7);
        controller.requirementRow.required = {true, true, true, true, true, true};
        controller.installedComponents = {true, true, true, true, true, true};
    }
    // Opens the page with the given slots missing; the answer is 100 unless
    // the script says otherwise.
    SupportStepOutcome Step(std::initializer_list<std::size_t> missing) {
        for (std::size_t slot : missing) controller.installedComponents[slot] = false;
        return controller.OpenSupportPage();
    }
    bool Open(std::initializer_list<std::size_t> missing) { return Step(missing) == SupportStepOutcome::kOpened; }
    std::string Opened() { return fakes.shellOpen.opened.empty() ? "" : Printable(fakes.shellOpen.opened.back()); }
    FakePlatform fakes;
    UpdateController controller{fakes.platform, ToolOptions{}};
};

TEST_F(SupportLinksTest, AddressNamesFirstMissingListNamesAll) {
    fakes.taskDialogs.answers = {100};
    EXPECT_TRUE(Open({2, 4}));
    EXPECT_EQ(Opened(), "https://s.example/e/?board=ABC123&soft=QXBIOS&os=win1064");
    ASSERT_EQ(fakes.taskDialogs.shown.size(), 1u);
    const TaskDialogRequest& question = fakes.taskDialogs.shown[0];
    EXPECT_EQ(Printable(question.contentText), "->N2\\u000d\\u000a- N4");
    EXPECT_EQ(question.mainIconId, kTdInformationIcon);
    EXPECT_EQ(question.mainInstructionId, 188);
    ASSERT_EQ(question.buttons.size(), 2u);
    EXPECT_EQ(question.buttons[0].id, 100);
    EXPECT_EQ(question.buttons[0].textId, 190);
    EXPECT_EQ(question.buttons[1].textId, 192);
    EXPECT_EQ(question.defaultButton, 200);

    // Examination order: VXN02E3, QXBIOS, VXN0420, QXSYSEXT, IMEI, IAMT.
    fakes.taskDialogs.answers = {100};
    fakes.system.wow64 = false;
    fakes.system.major = 6, fakes.system.minor = 1;
    EXPECT_TRUE(Open({0, 1, 3, 5}));
    EXPECT_EQ(Opened(), "https://s.example/e/?board=ABC123&soft=VXN02E3&os=win732");
    EXPECT_EQ(Printable(fakes.taskDialogs.shown.back().contentText),
              "->N0\\u000d\\u000a- N2\\u000d\\u000a- N3\\u000d\\u000a- N1\\u000d\\u000a- N4\\u000d\\u000a- N5");
}

TEST_F(SupportLinksTest, NoPageWithoutConsentOrTag) {
    EXPECT_FALSE(Open({})) << "nothing missing";
    controller.requirementRow.required[1] = false;
    EXPECT_FALSE(Open({1})) << "not required";
    EXPECT_TRUE(fakes.taskDialogs.shown.empty());

    fakes.system.major = 6, fakes.system.minor = 0;
    EXPECT_FALSE(Open({5})) << "system without a tag";
    EXPECT_TRUE(fakes.taskDialogs.shown.empty());

    fakes.system.major = 10;
    fakes.taskDialogs.answers = {200, std::nullopt};
    EXPECT_FALSE(Open({5}));
    EXPECT_FALSE(Open({5})) << "question not shown";
    controller.options.silent = true;
    EXPECT_FALSE(Open({5}));
    EXPECT_EQ(fakes.taskDialogs.shown.size(), 2u);
    EXPECT_TRUE(fakes.shellOpen.opened.empty());
}

TEST_F(SupportLinksTest, OnlyWebAddressesReachTheShell) {
    // A library without string 200 gives "200?board=...": it counts as
    // handed over, but the shell would look it up as a file.
    FakeModules::AddStrings(fakes.modules.files[kFakeCompanionLibraryPath], {{199, u"N5"}});
    fakes.taskDialogs.answers = {100};
    EXPECT_TRUE(Open({5}));
    EXPECT_TRUE(fakes.shellOpen.opened.empty());
    EXPECT_TRUE(IsWebAddress(u"HTTP://x"));
    EXPECT_FALSE(IsWebAddress(u"file://x"));
    for (std::u16string_view address :
         {u"https://x/\r\nb", u"https://x/\tb", u"https://x/\u007f", u"https://x/\u0085"}) {
        EXPECT_FALSE(IsWebAddress(address)) << Printable(address);
    }
    EXPECT_FALSE(IsWebAddress(std::u16string(u"https://x\0y", 11)));
    EXPECT_TRUE(IsWebAddress(u"https://x/caf\u00e9"));
}

// The product is the board's SMBIOS text: whatever it holds stays the value
// of "board=", as the download address's model and serial do.
TEST_F(SupportLinksTest, ProductIsPercentEncoded) {
    controller.machine.product = std::u16string(u"B&X 1#\r\n?os=x/\u00e9\0", 16);
    fakes.taskDialogs.answers = {100};
    EXPECT_TRUE(Open({0}));
    EXPECT_EQ(Opened(), "https://s.example/e/?board=B%26X%201%23%0D%0A%3Fos%3Dx%2F%C3%A9&soft=VXN02E3&os=win1064");
}

TEST_F(SupportLinksTest, NoBrowserAsSystemOrForAnotherUser) {
    fakes.runAccount.account.interactiveUser = false;  // "Run as" another user
    EXPECT_EQ(Step({5}), SupportStepOutcome::kNoBrowser);
    fakes.runAccount.BecomeLocalSystem();
    EXPECT_EQ(Step({5}), SupportStepOutcome::kNoBrowser);
    fakes.runAccount.account.interactiveUser = true;  // SYSTEM in the user's session: still none
    EXPECT_EQ(Step({5}), SupportStepOutcome::kNoBrowser);
    EXPECT_TRUE(fakes.taskDialogs.shown.empty()) << "no question without a person to answer it";
    EXPECT_TRUE(fakes.shellOpen.opened.empty());
}

// Every link of a message (the footer's among them) goes through the rule.
TEST_F(SupportLinksTest, MessageLinksFollowTheLinkRule) {
    ShowMessage(controller.View().Messages(), kTdInformationIcon, 1, 2, kTdcbfOkButton, kIdOk);
    ASSERT_EQ(fakes.taskDialogs.shown.size(), 1u);
    const auto click = fakes.taskDialogs.shown[0].openLink;
    ASSERT_TRUE(click);
    click(u"cmd.exe");
    click(u"https://s.example/help");
    ASSERT_EQ(fakes.shellOpen.opened.size(), 1u);
    EXPECT_EQ(Opened(), "https://s.example/help");
    fakes.runAccount.BecomeLocalSystem();
    click(u"https://s.example/help");
    EXPECT_EQ(fakes.shellOpen.opened.size(), 1u);
}

}  // namespace
}  // namespace Korvane::PC::Tarnwick
