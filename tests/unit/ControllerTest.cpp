#include "app/UpdateController.h"

#include <gtest/gtest.h>

#include "SmbiosBytes.h"
#include "TestText.h"
#include "actions/CreateAction.h"
#include "actions/SimpleActions.h"
#include "definitions/ActionSelection.h"
#include "messages/Messages.h"
#include "platform/fakes/CompanionLibrarySetup.h"
#include "platform/fakes/FakePlatform.h"

namespace Korvane::PC::Tarnwick {
namespace {

// An action whose answers the test sets and whose calls it counts.
class FakeAction : public IAction {
public:
    ActionKind kind = ActionKind::kPmuFirmware;
    ActionState state = ActionState::kUpdateNeeded;
    std::int32_t evaluateResult = 0;
    std::vector<ExitCode> executeResults{ExitCode::kCompleted};  // the last one repeats
    int evaluations = 0;
    int executions = 0;

    ActionKind GetKind() override { return kind; }
    std::int32_t Evaluate() override {
        ++evaluations;
        return evaluateResult;
    }
    ActionState GetState() override { return state; }
    std::vector<std::uint8_t> GetMessageRtf() override { return {}; }
    std::u16string GetCurrentVersionText() override { return {}; }
    ExitCode Execute() override {
        const std::size_t i = std::min<std::size_t>(static_cast<std::size_t>(executions), executeResults.size() - 1);
        ++executions;
        return executeResults[i];
    }
};

class ControllerTest : public ::testing::Test {
protected:
    ControllerTest() { InstallCompanionLibrary(fakes); }
    FakePlatform fakes;

    // Runs the action path with `action` installed as if selection chose it.
    ExitCode Drive(ToolOptions options, FakeAction*& action) {
        auto owned = std::make_unique<FakeAction>();
        action = owned.get();
        controller_ = std::make_unique<UpdateController>(fakes.platform, options);
        controller_->ReplaceAction(std::move(owned));
        return controller_->DriveAction();
    }
    std::unique_ptr<UpdateController> controller_;
};

ToolOptions Silent() {
    ToolOptions o;
    o.silent = true;
    return o;
}
ToolOptions ViewTarget() {
    ToolOptions o;
    o.viewTarget = true;
    return o;
}

TEST_F(ControllerTest, SilentStopsWithoutDialogAndMapsKindAndState) {
    struct Case {
        ActionKind kind;
        ActionState state;
        std::int32_t expected;
    } cases[] = {
        {ActionKind::kNotTarget, ActionState::kNothingToDo, 3},
        {ActionKind::kGettingReady, ActionState::kNothingToDo, 4},
        {ActionKind::kPmuFirmware, ActionState::kNothingToDo, 2},
        {ActionKind::kNeedEssentialSoft, ActionState::kNothingToDo, 2},
        // kind 0 wins over the state
        {ActionKind::kNotTarget, ActionState::kNotEvaluated, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "kind " << ToNumber(c.kind) << " state " << ToNumber(c.state));
        FakeAction* action = nullptr;
        auto owned = std::make_unique<FakeAction>();
        action = owned.get();
        action->kind = c.kind;
        action->state = c.state;
        UpdateController controller(fakes.platform, Silent());
        controller.ReplaceAction(std::move(owned));
        EXPECT_EQ(ToNumber(controller.DriveAction()), c.expected);
        EXPECT_EQ(action->executions, 0);
    }
    EXPECT_EQ(fakes.dialogs.dialogsShown, 0);
    EXPECT_TRUE(fakes.taskDialogs.shown.empty());
}

TEST_F(ControllerTest, SilentExecutesOnceAndReturnsItsResult) {
    for (const ExitCode result : {ExitCode::kCompleted, ExitCode::kVerificationFailed}) {
        SCOPED_TRACE(ToNumber(result));
        FakeAction* action = nullptr;
        auto owned = std::make_unique<FakeAction>();
        action = owned.get();
        action->executeResults = {result};
        UpdateController controller(fakes.platform, Silent());
        controller.ReplaceAction(std::move(owned));
        EXPECT_EQ(controller.DriveAction(), result);
        EXPECT_EQ(action->executions, 1);
        EXPECT_EQ(action->evaluations, 1);
    }
    EXPECT_EQ(fakes.dialogs.dialogsShown, 0);
}

TEST_F(ControllerTest, InteractiveShowsDialogAgainAfterExecuteReturnsZero) {
    // OK, OK, then close: two executions, three dialogs, result by state.
    fakes.dialogs.script = {kIdOk, kIdOk, FakeDialogHost::kClose};
    FakeAction* action = nullptr;
    EXPECT_EQ(Drive(ToolOptions{}, action), ExitCode::kDeclinedUpdate);
    EXPECT_EQ(action->executions, 2);
    EXPECT_EQ(fakes.dialogs.dialogsShown, 3);
}

TEST_F(ControllerTest, InteractiveEndsWithNonZeroExecuteResult) {
    fakes.dialogs.script = {kIdOk};
    FakeAction* action = nullptr;
    auto owned = std::make_unique<FakeAction>();
    action = owned.get();
    action->executeResults = {ExitCode::kCancelled};
    UpdateController controller(fakes.platform, ToolOptions{});
    controller.ReplaceAction(std::move(owned));
    EXPECT_EQ(ToNumber(controller.DriveAction()), 1008);
    EXPECT_EQ(fakes.dialogs.dialogsShown, 1);
}

TEST_F(ControllerTest, ClosingTheDialogMapsToStateResult) {
    auto owned = std::make_unique<FakeAction>();
    FakeAction* action = owned.get();
    action->state = ActionState::kNothingToDo;
    UpdateController controller(fakes.platform, ToolOptions{});
    controller.ReplaceAction(std::move(owned));
    EXPECT_EQ(controller.DriveAction(), ExitCode::kNothingToDo);
    EXPECT_EQ(action->executions, 0);
}

TEST_F(ControllerTest, ViewTargetStopsQuietlyWhenThereIsNothingToOffer) {
    struct Case {
        ActionKind kind;
        ActionState state;
        std::int32_t expected;
    } cases[] = {
        {ActionKind::kNotTarget, ActionState::kNothingToDo, 3},
        {ActionKind::kGettingReady, ActionState::kNothingToDo, 4},
        {ActionKind::kBios, ActionState::kNothingToDo, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(ToNumber(c.kind));
        auto owned = std::make_unique<FakeAction>();
        owned->kind = c.kind;
        owned->state = c.state;
        UpdateController controller(fakes.platform, ViewTarget());
        controller.ReplaceAction(std::move(owned));
        EXPECT_EQ(ToNumber(controller.DriveAction()), c.expected);
    }
    EXPECT_EQ(fakes.dialogs.dialogsShown, 0);
    // With an update needed, notification mode shows the dialog.
    UpdateController controller(fakes.platform, ViewTarget());
    auto owned = std::make_unique<FakeAction>();
    controller.ReplaceAction(std::move(owned));
    EXPECT_EQ(controller.DriveAction(), ExitCode::kDeclinedUpdate);
    EXPECT_EQ(fakes.dialogs.dialogsShown, 1);
}

TEST_F(ControllerTest, GettingReadyShowsNoticeInsteadOfDialog) {
    fakes.modules.files[u"lib"] = {};
    auto owned = std::make_unique<FakeAction>();
    owned->kind = ActionKind::kGettingReady;
    owned->state = ActionState::kNothingToDo;
    UpdateController controller(fakes.platform, ToolOptions{});
    controller.companionLibrary.reset(fakes.modules.LoadLibraryEx(u"lib", kLoadLibraryAsDatafile));
    controller.ReplaceAction(std::move(owned));
    EXPECT_EQ(controller.DriveAction(), ExitCode::kGettingReady);
    EXPECT_EQ(fakes.dialogs.dialogsShown, 0);
    ASSERT_EQ(fakes.taskDialogs.shown.size(), 1u);
    const TaskDialogRequest& r = fakes.taskDialogs.shown[0];
    EXPECT_EQ(r.mainInstructionId, 187);
    EXPECT_EQ(r.contentId, 0);
    EXPECT_EQ(r.mainIconId, kTdInformationIcon);
    EXPECT_EQ(r.commonButtons, kTdcbfOkButton);
    EXPECT_EQ(r.defaultButton, kIdOk);
    EXPECT_EQ(r.windowTitleId, 119);
    EXPECT_EQ(r.footerId, 150);
    EXPECT_EQ(r.flags, 0x01001009u);
    EXPECT_EQ(r.instance, controller.companionLibrary.get());
}

TEST_F(ControllerTest, EvaluateFailureAndMissingActionGive1006) {
    FakeAction* action = nullptr;
    auto owned = std::make_unique<FakeAction>();
    action = owned.get();
    action->evaluateResult = kEFail;
    UpdateController controller(fakes.platform, Silent());
    controller.ReplaceAction(std::move(owned));
    EXPECT_EQ(controller.DriveAction(), ExitCode::kNoAction);

    UpdateController empty(fakes.platform, Silent());
    EXPECT_EQ(empty.DriveAction(), ExitCode::kNoAction);
}

TEST_F(ControllerTest, ForceSkipsEvaluate) {
    ToolOptions options = Silent();
    options.force = true;
    auto owned = std::make_unique<FakeAction>();
    FakeAction* action = owned.get();
    action->evaluateResult = kEFail;
    UpdateController controller(fakes.platform, options);
    controller.ReplaceAction(std::move(owned));
    EXPECT_EQ(ToNumber(controller.DriveAction()), 0);
    EXPECT_EQ(action->evaluations, 0);
    EXPECT_EQ(action->executions, 1);
}

TEST_F(ControllerTest, RunHoldsSingleInstanceMutexAndClosesItOnEveryPath) {
    // Normal run.
    {
        UpdateController controller(fakes.platform, Silent());
        EXPECT_EQ(controller.RunController(), ExitCode::kNotTarget);
    }
    EXPECT_EQ(fakes.sync.lastName, kSingleInstanceMutexName);
    EXPECT_EQ(fakes.sync.lastFlags, 0u);
    EXPECT_EQ(fakes.sync.lastAccess, 0x00120000u);  // SYNCHRONIZE | READ_CONTROL (the owner)
    EXPECT_EQ(fakes.sync.openHandles, 0);

    // Another instance holds the name: 1002, and the handle we got is closed.
    fakes.sync.alreadyExists = true;
    {
        UpdateController controller(fakes.platform, Silent());
        EXPECT_EQ(controller.RunController(), ExitCode::kAlreadyRunning);
    }
    EXPECT_EQ(fakes.sync.openHandles, 0);
    EXPECT_EQ(fakes.dialogs.dialogsShown, 0);

    // The mutex cannot be created at all.
    fakes.sync.alreadyExists = false;
    fakes.sync.failCreation = true;
    UpdateController controller(fakes.platform, ToolOptions{});
    EXPECT_EQ(controller.RunController(), ExitCode::kAlreadyRunning);
    EXPECT_EQ(fakes.dialogs.dialogsShown, 0);
}

TEST(InstanceGuardTest, PrivilegedRunsCountOnlyGuardsOfSystemOrAdministrators) {
    const RunAccount user{u"S-1-5-21-1-2-3-1001", false, true};
    const RunAccount system{std::u16string(kLocalSystemSid), false, false};
    const RunAccount elevated{u"S-1-5-21-1-2-3-1001", true, true};
    const auto existing = [](std::u16string owner) {
        return NamedMutexResult{std::make_unique<IKernelObject>(), kErrorAlreadyExists, std::move(owner)};
    };
    const auto failed = [](std::uint32_t error) { return NamedMutexResult{nullptr, error, {}}; };
    const NamedMutexResult fresh{std::make_unique<IKernelObject>(), 0, {}};

    for (const RunAccount& account : {user, system, elevated}) {
        EXPECT_FALSE(AnotherInstanceRuns(fresh, account));
        EXPECT_TRUE(AnotherInstanceRuns(existing(std::u16string(kLocalSystemSid)), account));
        EXPECT_TRUE(AnotherInstanceRuns(existing(std::u16string(kAdministratorsSid)), account));
        EXPECT_TRUE(AnotherInstanceRuns(failed(kErrorOutOfMemory), account));
    }
    // A user's own runs: any guard of the name counts, whoever made it, and
    // so does a name that cannot be made a guard at all (an event of that
    // name included).
    EXPECT_TRUE(AnotherInstanceRuns(existing(u"S-1-5-21-9-9-9-1002"), user));
    EXPECT_TRUE(AnotherInstanceRuns(existing(u""), user));
    EXPECT_TRUE(AnotherInstanceRuns(failed(kErrorAccessDenied), user));
    EXPECT_TRUE(AnotherInstanceRuns(failed(kErrorInvalidHandle), user));
    // SYSTEM or elevated: a user's object, one it may not open and one of
    // another type are not another instance; one without an owner (as under
    // Wine) still is.
    for (const RunAccount& account : {system, elevated}) {
        EXPECT_FALSE(AnotherInstanceRuns(existing(u"S-1-5-21-9-9-9-1002"), account));
        EXPECT_FALSE(AnotherInstanceRuns(failed(kErrorAccessDenied), account));
        EXPECT_FALSE(AnotherInstanceRuns(failed(kErrorInvalidHandle), account)) << "an event of that name";
        EXPECT_TRUE(AnotherInstanceRuns(existing(u""), account));
    }
}

TEST_F(ControllerTest, SystemRunGoesOnPastAUsersGuard) {
    fakes.runAccount.BecomeLocalSystem();
    fakes.sync.alreadyExists = true;
    {
        UpdateController controller(fakes.platform, Silent());
        EXPECT_EQ(controller.RunController(), ExitCode::kNotTarget);
    }
    EXPECT_EQ(fakes.sync.openHandles, 0);
}

// A machine whose board requires the access library (slot 1), which is not
// installed: every run goes into the essential-software loop.
class EssentialSoftwareLoopTest : public ControllerTest {
protected:
    EssentialSoftwareLoopTest() {
        std::vector<std::uint8_t> table;
        for (const char c : std::string_view("KBX1001\t0\t1\t0\t0\t0\t0\r\n")) {
            table.insert(table.end(), {static_cast<std::uint8_t>(c), 0});
        }
        FakeModules::Module& library = fakes.modules.files[kFakeCompanionLibraryPath];
        FakeModules::AddNamed(library, u"TXT", TableId::kRequirementTable, std::move(table));
        FakeModules::AddStrings(library, {{200, u"https://s.example/"}});
        fakes.firmware.tables = {Table({Structure(2, {0, 1}, {"KBX1001"})})};
    }
    ExitCode Run(const ToolOptions& options) {
        UpdateController controller(fakes.platform, options);
        return controller.RunController();
    }
};

TEST_F(EssentialSoftwareLoopTest, RunThatMayNotOpenABrowserEndsWith6RightAfterOk) {
    const RunAccount cases[] = {
        {std::u16string(kLocalSystemSid), false, false},
        // Elevated over the shoulder: an administrator's account, another
        // person at the screen.
        {u"S-1-5-21-1000-2000-3000-500", true, false},
        RunAccount{},  // what a token that cannot be read gives
    };
    for (const RunAccount& account : cases) {
        SCOPED_TRACE(std::string(account.userSid.begin(), account.userSid.end()));
        fakes.runAccount.account = account;
        fakes.dialogs.dialogsShown = 0;
        // Notification mode: once the cancel period is over, OK is the
        // dialog's only way out.
        for (const ToolOptions& options : {ToolOptions{}, ViewTarget()}) {
            fakes.dialogs.script = {kIdOk, kIdOk};
            EXPECT_EQ(Run(options), ExitCode::kEssentialMissing);
        }
        EXPECT_EQ(fakes.dialogs.dialogsShown, 2) << "one dialog a run";
    }
    EXPECT_TRUE(fakes.taskDialogs.shown.empty()) << "no question";
    EXPECT_TRUE(fakes.shellOpen.opened.empty());
}

TEST_F(EssentialSoftwareLoopTest, UserAtTheScreenIsAskedUntilThePageOpens) {
    // OK, "not now": the dialog comes again; OK, open: 5.
    fakes.dialogs.script = {kIdOk, kIdOk};
    fakes.taskDialogs.answers = {200, 100};
    EXPECT_EQ(Run(ViewTarget()), ExitCode::kSupportPageOpened);
    EXPECT_EQ(fakes.dialogs.dialogsShown, 2);
    EXPECT_EQ(fakes.taskDialogs.shown.size(), 2u);
    ASSERT_EQ(fakes.shellOpen.opened.size(), 1u);
    EXPECT_EQ(Printable(fakes.shellOpen.opened[0]), "https://s.example/?board=KBX1001&soft=QXSYSEXT&os=win1064");
    // Closing the dialog ends with 6; silent shows nothing.
    fakes.dialogs.script = {FakeDialogHost::kClose};
    EXPECT_EQ(Run(ToolOptions{}), ExitCode::kEssentialMissing);
    EXPECT_EQ(Run(Silent()), ExitCode::kEssentialMissing);
    EXPECT_EQ(fakes.dialogs.dialogsShown, 3);
    EXPECT_EQ(fakes.taskDialogs.shown.size(), 2u);
}

TEST_F(ControllerTest, MutexIsClosedAfterTheDialogPath) {
    fakes.dialogs.script = {FakeDialogHost::kClose};
    UpdateController controller(fakes.platform, ToolOptions{});
    EXPECT_EQ(controller.RunController(), ExitCode::kNotTarget);
    EXPECT_EQ(fakes.dialogs.dialogsShown, 1);
    EXPECT_EQ(fakes.sync.created, 1);
    EXPECT_EQ(fakes.sync.openHandles, 0);
}

TEST_F(ControllerTest, ForcedKindsCreateTheirActions) {
    struct Case {
        std::uint32_t kind;
        std::int32_t expected;
    } cases[] = {{0, 3}, {4, 3}, {5, 3}, {6, 4}, {8, 2}, {9, 3}, {4294967295u, 3}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        ToolOptions options = Silent();
        options.force = true;
        options.forcedKind = c.kind;
        UpdateController controller(fakes.platform, options);
        EXPECT_EQ(ToNumber(controller.RunController()), c.expected);
        EXPECT_TRUE(controller.target.product.empty());
    }
}

TEST_F(ControllerTest, DialogHostingStepsInOrder) {
    fakes.dialogs.activeWindow = reinterpret_cast<WindowHandle>(0x77);
    UpdateController controller(fakes.platform, ToolOptions{});
    EXPECT_EQ(controller.ShowActionDialog(), kIdCancel);
    // The apartment is up while the dialog runs and down after it.
    const std::vector<std::string> expected{"cc", "lib:Msftedit.dll", "co:6", "dialog:129", "unco"};
    EXPECT_EQ(fakes.dialogs.calls, expected);
    EXPECT_EQ(fakes.dialogs.lastParent, reinterpret_cast<WindowHandle>(0x77));
}

TEST_F(ControllerTest, ShowMessageIsSuppressedUnlessInteractiveWithLibrary) {
    fakes.modules.files[u"lib"] = {};
    struct Case {
        bool silent, viewTarget, library, shown;
    } cases[] = {
        {false, false, true, true},
        {true, false, true, false},
        {false, true, true, false},
        {false, false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.silent << c.viewTarget << c.library);
        fakes.taskDialogs.shown.clear();
        fakes.taskDialogs.answers = {42};
        ToolOptions options;
        options.silent = c.silent;
        options.viewTarget = c.viewTarget;
        UpdateController controller(fakes.platform, options);
        if (c.library) controller.companionLibrary.reset(fakes.modules.LoadLibraryEx(u"lib", kLoadLibraryAsDatafile));
        const std::int32_t result =
            ShowMessage(controller.View().Messages(), kTdErrorIcon, 159, 160, kTdcbfCloseButton, kIdClose);
        EXPECT_EQ(fakes.taskDialogs.shown.size(), c.shown ? 1u : 0u);
        EXPECT_EQ(result, c.shown ? 42 : kIdClose);
    }
    // A failing task dialog gives the default result.
    fakes.taskDialogs.answers = {std::nullopt};
    UpdateController controller(fakes.platform, ToolOptions{});
    controller.companionLibrary.reset(fakes.modules.LoadLibraryEx(u"lib", kLoadLibraryAsDatafile));
    EXPECT_EQ(ShowMessage(controller.View().Messages(), kTdErrorIcon, 159, 160, kTdcbfCloseButton, kIdClose),
              kIdClose);
}

TEST_F(ControllerTest, TeardownReleasesActionAndLibraryOnce) {
    fakes.modules.files[u"lib"] = {};
    bool destroyed = false;
    class Tracked : public CNotTargetAction {
    public:
        Tracked(const RunView& run, bool& flag) : CNotTargetAction(run), flag_(flag) {}
        ~Tracked() override { flag_ = true; }

    private:
        bool& flag_;
    };
    {
        UpdateController controller(fakes.platform, ToolOptions{});
        controller.companionLibrary.reset(fakes.modules.LoadLibraryEx(u"lib", kLoadLibraryAsDatafile));
        controller.ReplaceAction(std::make_unique<Tracked>(controller.View(), destroyed));
        controller.machine.model = u"M";
        controller.Teardown();
        EXPECT_TRUE(destroyed);
        EXPECT_EQ(fakes.modules.freed, 1);
        EXPECT_TRUE(controller.machine.model.empty());
        EXPECT_FALSE(controller.currentAction);
    }
    EXPECT_EQ(fakes.modules.freed, 1);  // the destructor does not free again
}

}  // namespace
}  // namespace Korvane::PC::Tarnwick

namespace Korvane::PC::Tarnwick {
namespace {

TEST(CreateActionTest, EveryCodeGetsItsAction) {
    FakePlatform fakes;
    UpdateController controller(fakes.platform, ToolOptions{});
    struct Case {
        std::int32_t code, kind;
    } cases[] = {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 0}, {5, 0}, {6, 6}, {7, 1}, {8, 8}, {9, 0}, {-1, 0}, {1000, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        const std::unique_ptr<IAction> action = CreateAction(controller.View(), ToActionCode(c.code));
        ASSERT_TRUE(action);
        EXPECT_EQ(ToNumber(action->GetKind()), c.kind);
        const bool update = c.code == 1 || c.code == 2 || c.code == 3 || c.code == 7;
        EXPECT_EQ(action->GetState(), update ? ActionState::kNotEvaluated : ActionState::kNothingToDo);
        if (update) continue;
        EXPECT_EQ(action->Evaluate(), 0);
        EXPECT_EQ(action->Execute(), ExitCode::kCompleted);
        EXPECT_TRUE(action->GetCurrentVersionText().empty());
    }
}

TEST(CreateActionTest, SimpleActionsReadTheirMessages) {
    FakePlatform fakes;
    FakeModules::Module& library = InstallCompanionLibrary(fakes);
    FakeModules::AddNamed(library, u"RTF", 101, {'{', '1', '}'});
    FakeModules::AddNamed(library, u"RTF", 173, {'{', '8', '}'});
    UpdateController controller(fakes.platform, ToolOptions{});
    ASSERT_TRUE(controller.PrepareEnvironment());
    const std::vector<std::uint8_t> notTarget{'{', '1', '}'}, essential{'{', '8', '}'};
    EXPECT_EQ(CreateAction(controller.View(), ActionCode::kNotTarget)->GetMessageRtf(), notTarget);
    EXPECT_EQ(CreateAction(controller.View(), ActionCode::kGettingReady)->GetMessageRtf(), notTarget);
    EXPECT_EQ(CreateAction(controller.View(), ActionCode::kNeedEssentialSoft)->GetMessageRtf(), essential);
    controller.Teardown();
    // Without a library the message is empty, not an error.
    EXPECT_TRUE(CreateAction(controller.View(), ActionCode::kNotTarget)->GetMessageRtf().empty());
}

}  // namespace
}  // namespace Korvane::PC::Tarnwick
