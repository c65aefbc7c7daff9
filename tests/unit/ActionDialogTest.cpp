#include "ui/ActionDialog.h"

#include <gtest/gtest.h>

#include "TestText.h"
#include "app/UpdateController.h"
#include "messages/Messages.h"
#include "messages/ProgressWindow.h"
#include "platform/fakes/FakePlatform.h"
#include "tests/unit/StubAction.h"

namespace Korvane::PC::Tarnwick {
namespace {

class ActionDialogTest : public ::testing::Test {
protected:
    ActionDialogTest() {
        FakeModules::AddStrings(fakes.modules.files[u"lib"],
                                {{109, u"caption"}, {110, u"OK!"}, {111, u"title"}, {112, u"%1 / %2"},
                                 {115, u"this PC"}, {116, u"Cancel"}, {149, u"Model %1"}, {152, u"0x10"},
                                 {163, u"Release %1!u!"}, {176, u"Later"}, {182, u"%1!u! days left"}});
    }
    UpdateController& Make(ToolOptions options, ActionKind kind, ActionState state, bool cancelAllowed = true,
                           std::uint32_t daysLeft = 1000) {
        controller = std::make_unique<UpdateController>(fakes.platform, options);
        controller->companionLibrary.reset(fakes.modules.LoadLibraryEx(u"lib", kLoadLibraryAsDatafile));
        auto owned = std::make_unique<StubAction>(kind);
        action = owned.get();
        action->state = state;
        action->rtf = {'{', '\\', 'r', 't', 'f', '1', '}'};
        controller->ReplaceAction(std::move(owned));
        controller->cancelAllowed = cancelAllowed;
        controller->cancelDaysLeft = daysLeft;
        return *controller;
    }
    FakePlatform fakes;
    std::unique_ptr<UpdateController> controller;
    StubAction* action = nullptr;
};

bool Has(const FakeDialogHost::Window& w, const std::string& entry) {
    return std::find(w.log.begin(), w.log.end(), entry) != w.log.end();
}

TEST(DialogDecisions, ButtonsAndCancelCaptionFollowKindStateAndCancelPeriod) {
    struct Case {
        ActionKind kind;
        ActionState state;
        bool cancelAllowed, okShown, okMoved;
        int focus;
        std::uint16_t cancelText;
    } cases[] = {
        {ActionKind::kNotTarget, ActionState::kNothingToDo, true, false, false, kIdCancel, 116},
        {ActionKind::kNotTarget, ActionState::kNothingToDo, false, false, false, kIdCancel, 116},
        {ActionKind::kNeedEssentialSoft, ActionState::kNothingToDo, true, true, false, kIdOk, 116},
        {ActionKind::kNeedEssentialSoft, ActionState::kNothingToDo, false, true, true, kIdOk, 116},
        {ActionKind::kPmuFirmware, ActionState::kUpdateNeeded, true, true, false, kIdOk, 176},
        {ActionKind::kBios, ActionState::kUpdateNeeded, false, true, true, kIdOk, 176},
        {ActionKind::kChargeLimitTool, ActionState::kNothingToDo, true, false, false, kIdCancel, 116},
        {ActionKind::kNotTarget, ActionState::kUpdateNeeded, true, true, false, kIdOk, 116},  // no kind-0 action is pending
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << ToNumber(c.kind) << "/" << ToNumber(c.state) << "/" << c.cancelAllowed);
        const DialogButtons b = ChooseDialogButtons(c.kind, c.state, c.cancelAllowed);
        EXPECT_EQ(b.okShown, c.okShown);
        EXPECT_EQ(b.okInCancelsPlace, c.okMoved);
        EXPECT_EQ(b.focus, c.focus);
        EXPECT_EQ(CancelButtonTextId(c.kind, c.state), c.cancelText);
    }
}

TEST(DialogDecisions, OnlyWebAddressesAreOpened) {
    for (const char* text : {"http://a.example/", "https://support.korvane.example/x", "HTTPS://A.EXAMPLE"}) {
        EXPECT_TRUE(IsWebAddress(U16(text))) << text;
    }
    for (const char* text : {"List of supported models", "setup.exe", "file:///C:/x", "https://", "mailto:a@b",
                             " https://a.example", "httpx://a", ""}) {
        EXPECT_FALSE(IsWebAddress(U16(text))) << text;
    }
}

TEST_F(ActionDialogTest, InitialisationFillsTextsFromTheLibraryInOrder) {
    Make({}, ActionKind::kPmuFirmware, ActionState::kUpdateNeeded).machine.model = std::u16string(u"KN 1001\0", 8);
    action->version = u"v 1.2";
    FakeDialogHost::Window w;
    CActionDialog dialog(controller->DialogView());
    dialog.OnInitDialog(w);
    EXPECT_EQ(Printable(w.title), "title");
    EXPECT_EQ(Printable(w.texts[1000]), "caption");
    EXPECT_EQ(Printable(w.texts[1001]), "Release 16");
    EXPECT_EQ(Printable(w.texts[1]), "OK!");
    EXPECT_EQ(Printable(w.texts[2]), "Later");
    EXPECT_EQ(Printable(w.texts[1006]), "KN 1001 / v 1.2");  // the model's terminator is not shown
    EXPECT_EQ(w.richText.size(), 7u);
    const std::vector<std::string> tail(w.log.end() - 11, w.log.end());
    const std::vector<std::string> expected{
        "caption-font:1000", "body-font:1001", "body-font:1005", "body-font:1006", "body-font:1",
        "body-font:2",       "icons:101",      "icon:1007:102:64x40", "rtf:1002",  "text:1006", "focus:1"};
    EXPECT_EQ(tail, expected);
}

TEST_F(ActionDialogTest, EmptyModelAndNoVersionUseTheShortLine) {
    Make({}, ActionKind::kNotTarget, ActionState::kNothingToDo);
    FakeDialogHost::Window w;
    CActionDialog(controller->DialogView()).OnInitDialog(w);
    EXPECT_EQ(Printable(w.texts[1006]), "Model this PC");
    EXPECT_TRUE(Has(w, "hide:1") && Has(w, "disable:1") && Has(w, "focus:2"));
}

TEST_F(ActionDialogTest, OkTakesCancelsPlaceOnceTheCancelPeriodIsOver) {
    Make({}, ActionKind::kPmuFirmware, ActionState::kUpdateNeeded, /*cancelAllowed=*/false);
    FakeDialogHost::Window w;
    CActionDialog(controller->DialogView()).OnInitDialog(w);
    EXPECT_TRUE(Has(w, "align:1:2") && Has(w, "hide:2") && Has(w, "disable:2") && Has(w, "focus:1"));
    EXPECT_FALSE(Has(w, "hide:1"));
}

TEST_F(ActionDialogTest, WithoutLibraryThePlaceholdersStay) {
    Make({}, ActionKind::kNotTarget, ActionState::kNothingToDo);
    controller->companionLibrary.reset();
    FakeDialogHost::Window w;
    CActionDialog(controller->DialogView()).OnInitDialog(w);
    EXPECT_TRUE(w.texts.empty());
    EXPECT_FALSE(Has(w, "title") || Has(w, "rtf:1002"));
}

TEST_F(ActionDialogTest, CloseRequestOutsideNotificationModeEndsAtOnce) {
    Make({}, ActionKind::kPmuFirmware, ActionState::kUpdateNeeded, /*cancelAllowed=*/false, 3);
    FakeDialogHost::Window w;
    CActionDialog(controller->DialogView()).OnCloseRequest(w);
    EXPECT_TRUE(w.ended);
    EXPECT_EQ(w.endResult, kIdCancel);
    EXPECT_TRUE(fakes.taskDialogs.shown.empty());
}

TEST_F(ActionDialogTest, CloseRequestInNotificationModeAsksWhileTheCancelPeriodLasts) {
    ToolOptions viewTarget;
    viewTarget.viewTarget = true;
    struct Case {
        bool cancelAllowed;
        std::uint32_t daysLeft;
        std::vector<std::optional<std::int32_t>> answers;
        std::size_t questions;
        bool ends;
    } cases[] = {
        {false, 0, {}, 0, false},               // period over: nothing happens
        {true, 1000, {1}, 1, false},            // unlimited: only the last question; "go back" keeps it open
        {true, 1000, {0}, 1, true},             // "postpone" lets it close
        {true, 1000, {kIdCancel}, 1, true},     // Esc on the question too
        {true, 3, {1}, 1, false},               // limited: the days question first
        {true, 3, {0, 1}, 2, false},
        {true, 3, {0, 0}, 2, true},
        {true, 3, {std::nullopt}, 1, false},  // a failed question keeps it open
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.cancelAllowed << "/" << c.daysLeft << "/" << c.answers.size());
        fakes.taskDialogs.shown.clear();
        fakes.taskDialogs.answers.assign(c.answers.begin(), c.answers.end());
        Make(viewTarget, ActionKind::kPmuFirmware, ActionState::kUpdateNeeded, c.cancelAllowed, c.daysLeft);
        FakeDialogHost::Window w;
        CActionDialog(controller->DialogView()).OnCloseRequest(w);
        EXPECT_EQ(w.ended, c.ends);
        if (c.ends) {
            EXPECT_EQ(w.endResult, kIdCancel);
        }
        ASSERT_EQ(fakes.taskDialogs.shown.size(), c.questions);
        if (c.questions == 0) continue;
        const TaskDialogRequest& first = fakes.taskDialogs.shown[0];
        EXPECT_EQ(first.parent, w.Handle());
        EXPECT_EQ(first.mainIconId, kTdWarningIcon);
        EXPECT_EQ(first.mainInstructionId, 0);
        EXPECT_EQ(first.defaultButton, 1);
        ASSERT_EQ(first.buttons.size(), 2u);
        EXPECT_EQ(first.buttons[0].id, 0);
        EXPECT_EQ(first.buttons[0].textId, 183);
        EXPECT_EQ(first.buttons[1].id, 1);
        EXPECT_EQ(first.buttons[1].textId, 184);
        if (c.daysLeft == 3) {
            EXPECT_EQ(Printable(first.contentText), "3 days left");
        }
        if (c.daysLeft == 1000 || c.questions == 2) {
            EXPECT_EQ(fakes.taskDialogs.shown.back().contentId, 185);
        }
    }
}

TEST_F(ActionDialogTest, LinkClicksOpenOnlyWebAddresses) {
    Make({}, ActionKind::kNotTarget, ActionState::kNothingToDo);
    FakeDialogHost::Window w;
    CActionDialog dialog(controller->DialogView());
    dialog.OnLinkClicked(w, u"List of supported models");
    dialog.OnLinkClicked(w, u"https://support.korvane.example/battery/models");
    ASSERT_EQ(w.opened.size(), 1u);
    EXPECT_EQ(Printable(w.opened[0]), "https://support.korvane.example/battery/models");
    fakes.runAccount.BecomeLocalSystem();
    dialog.OnLinkClicked(w, u"https://support.korvane.example/battery/models");
    EXPECT_EQ(w.opened.size(), 1u) << "no browser as SYSTEM";
}

TEST_F(ActionDialogTest, MessageOperationsFollowTheirShowRules) {
    struct Mode {
        bool silent, viewTarget, library;
        bool show, choice, keepOpen;
    } modes[] = {
        {false, false, true, true, true, true},     {true, false, true, false, false, false},
        {false, true, true, false, true, true},     {true, true, true, false, false, false},
        {false, false, false, false, false, false},
    };
    for (const Mode& m : modes) {
        SCOPED_TRACE(testing::Message() << m.silent << m.viewTarget << m.library);
        ToolOptions options;
        options.silent = m.silent;
        options.viewTarget = m.viewTarget;
        UpdateController& c = Make(options, ActionKind::kNotTarget, ActionState::kNothingToDo);
        if (!m.library) c.companionLibrary.reset();
        fakes.taskDialogs.shown.clear();
        // Each scripted answer differs from its message's default, so only a
        // shown message gives it.
        const MessageContext run = c.View().Messages();
        fakes.taskDialogs.answers = {7};
        EXPECT_EQ(ShowMessage(run, kTdErrorIcon, 120, 121, kTdcbfCloseButton, kIdClose), m.show ? 7 : kIdClose);
        fakes.taskDialogs.answers = {100};
        EXPECT_EQ(AskChoice(run, kTdInformationIcon, 188, u"built text", 190, 192),
                  m.choice ? Choice::kFirst : Choice::kSecond);
        fakes.taskDialogs.answers = {0};
        EXPECT_EQ(AskKeepOpen(run, nullptr, 185), m.keepOpen ? KeepOpen::kClose : KeepOpen::kKeep);
        EXPECT_EQ(fakes.taskDialogs.shown.size(), std::size_t{m.show} + m.choice + m.keepOpen);
    }
    // Shared configuration, and the choice's own buttons.
    fakes.taskDialogs.shown.clear();
    fakes.taskDialogs.answers = {std::nullopt};
    UpdateController& c = Make({}, ActionKind::kNotTarget, ActionState::kNothingToDo);
    // A failed dialog gives the default.
    EXPECT_EQ(AskChoice(c.View().Messages(), kTdErrorIcon, 143, 161, 180, 181), Choice::kSecond);
    const TaskDialogRequest& r = fakes.taskDialogs.shown.at(0);
    EXPECT_EQ(r.instance, c.companionLibrary.get());
    EXPECT_EQ(r.flags, 0x01001009u);
    EXPECT_EQ(r.windowTitleId, 119);
    EXPECT_EQ(r.footerId, 150);
    EXPECT_EQ(r.windowIconId, 101);
    EXPECT_EQ(r.parent, nullptr);
    EXPECT_EQ(r.contentId, 161);
    ASSERT_EQ(r.buttons.size(), 2u);
    EXPECT_EQ(r.buttons[0].id, 100);
    EXPECT_EQ(r.buttons[0].textId, 180);
    EXPECT_EQ(r.buttons[1].id, 200);
    EXPECT_EQ(r.buttons[1].textId, 181);
    EXPECT_EQ(r.defaultButton, 200);
}

TEST(ProgressWindow, ShowsAMarqueeWithCancelAndTheLibrarysIcon) {
    FakeTaskDialogs dialogs;
    const std::atomic<bool> busy{true};
    const int library = 0;
    ShowProgressWindow(dialogs, {&library, 158, &busy});
    ASSERT_EQ(dialogs.shown.size(), 1u);
    const TaskDialogRequest& r = dialogs.shown[0];
    EXPECT_EQ(r.instance, &library);
    EXPECT_EQ(r.flags, 0xC00u);
    EXPECT_EQ(r.commonButtons, 8u);
    EXPECT_EQ(r.windowTitleId, 119);
    EXPECT_EQ(r.mainIconId, 100);
    EXPECT_EQ(r.mainInstructionId, 158);
    EXPECT_EQ(r.contentId, 141);
    EXPECT_EQ(r.footerId, 0);
    EXPECT_EQ(r.parent, nullptr);
}

}  // namespace
}  // namespace Korvane::PC::Tarnwick
