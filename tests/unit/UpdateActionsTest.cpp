#include "actions/UpdateActions.h"

#include <gtest/gtest.h>

#include "SmbiosBytes.h"
#include "TestText.h"
#include "actions/CreateAction.h"
#include "app/UpdateController.h"
#include "definitions/ActionSelection.h"
#include "machine/EcDeviceControl.h"
#include "platform/fakes/CompanionLibrarySetup.h"
#include "platform/fakes/FakePlatform.h"

namespace Korvane::PC::Tarnwick {
namespace {

constexpr char16_t kToolKey[] = u"Software\\Korvane\\QxBatteryLimitter";

TEST(UpdateRulesTest, CobalenOffersTheTargetAndTheNextStepAndDefersToTheTool) {
    FakeRegistry registry;
    struct Case {
        Version3 installed;
        std::int32_t firmware, cobalen, cobalenWithTool;
    } cases[] = {
        {{1, 2, 3}, 2, 1, 1}, {{1, 2, 4}, 2, 1, 1}, {{1, 2, 5}, 2, 2, 2},
        {{1, 3, 0}, 2, 2, 2}, {{1, 2, 2}, 1, 1, 2}, {{0, 9, 9}, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.installed[0] << "." << c.installed[1] << "." << c.installed[2]);
        registry.keys.clear();
        EXPECT_EQ(ToNumber(FirmwareRule(c.installed, u"1.2.3\0").state), c.firmware);
        EXPECT_EQ(ToNumber(CobalenRule(c.installed, u"1.2.3", registry).state), c.cobalen);
        registry.SetString(RegistryRoot::LocalMachine, kToolKey, u"version", u"");  // any content counts
        EXPECT_EQ(ToNumber(CobalenRule(c.installed, u"1.2.3", registry).state), c.cobalenWithTool);
    }
    EXPECT_EQ(FirmwareRule({0, 0, 0}, u"1.2.3").failure->heading, 120);
    EXPECT_EQ(CobalenRule({1, 2, 3}, u"v0.2.3", registry).failure->heading, 122);
}

TEST(UpdateRulesTest, BiosAndToolRules) {
    EXPECT_EQ(BiosRule(u"2.9\0", u"V2.10").state, ActionState::kUpdateNeeded);
    EXPECT_EQ(BiosRule(u"2.10\0", u"V2.10").state, ActionState::kNothingToDo);
    EXPECT_EQ(BiosRule(u"ABC\0", u"2.10").failure->heading, 124);
    EXPECT_EQ(BiosRule(u"2.9", u"none").failure->heading, 126);
    EXPECT_EQ(ToolRule(u"", u"1.0.0.0").state, ActionState::kUpdateNeeded);
    EXPECT_EQ(ToolRule(u"", u"abc").state, ActionState::kNothingToDo);
    EXPECT_EQ(ToolRule(u"1.0.0.1", u"1.0.0.0").state, ActionState::kNothingToDo);
}

class UpdateActionsTest : public ::testing::Test {
protected:
    UpdateActionsTest() : library_(InstallCompanionLibrary(fakes)) {
        FakeModules::AddStrings(library_, {{147, u"FW %1!u!.%2!u!.%3!u!"}, {148, u"BIOS [%1]"}, {174, u"Tool %1"}});
        FakeModules::AddNamed(library_, u"RTF", 102, {'n'});
        FakeModules::AddNamed(library_, u"RTF", 103, {'c'});
    }
    UpdateController& Controller(ToolOptions options = {}) {
        controller_ = std::make_unique<UpdateController>(fakes.platform, options);
        EXPECT_TRUE(controller_->PrepareEnvironment());
        return *controller_;
    }
    void InstallFirmware(std::uint32_t word) {
        fakes.registry.SetString(RegistryRoot::LocalMachine, std::u16string(kAccessLibraryKey), u"InstPath", u"C:\\EC");
        fakes.registry.SetString(RegistryRoot::LocalMachine, std::u16string(kAccessLibraryKey), u"DllName", u"ec.dll");
        fakes.accessLibraries.files[u"C:\\EC\\ec.dll"].value = word;
    }
    std::vector<std::uint16_t> Headings() const {
        std::vector<std::uint16_t> ids;
        for (const auto& shown : fakes.taskDialogs.shown) ids.push_back(shown.mainInstructionId);
        return ids;
    }
    FakePlatform fakes;
    FakeModules::Module& library_;
    std::unique_ptr<UpdateController> controller_;
};

TEST_F(UpdateActionsTest, FirmwareSentenceStateAndMessage) {
    InstallFirmware(0x0321);  // 2.1.3
    UpdateController& controller = Controller();
    controller.target.version = u"2.1.4";
    CUpdatePMUFirmwareAction action(controller.View());
    EXPECT_EQ(action.GetState(), ActionState::kNotEvaluated);
    ASSERT_EQ(action.Evaluate(), 0);
    EXPECT_EQ(action.GetState(), ActionState::kUpdateNeeded);
    EXPECT_EQ(Printable(action.GetCurrentVersionText()), "FW 2.1.3");
    EXPECT_EQ(action.GetMessageRtf(), std::vector<std::uint8_t>{'n'});

    // An unusable target fails after the sentence has been written.
    controller.target.version = u"x";
    CCobalenAction cobalen(controller.View());
    EXPECT_EQ(cobalen.Evaluate(), kEFail);
    EXPECT_EQ(Printable(cobalen.GetCurrentVersionText()), "FW 2.1.3");
    EXPECT_EQ(cobalen.GetKind(), ActionKind::kPmuFirmware);
    EXPECT_EQ(Headings(), std::vector<std::uint16_t>{122});
    EXPECT_EQ(fakes.taskDialogs.shown[0].commonButtons, kTdcbfCloseButton);
    EXPECT_EQ(fakes.taskDialogs.shown[0].mainIconId, kTdErrorIcon);
}

TEST_F(UpdateActionsTest, BiosWithoutVersionTextGetsTheTemplateAndFails) {
    fakes.firmware.tables = {Table({Structure(0, {1, 0}, {})})};
    UpdateController& controller = Controller();
    controller.target.version = u"1.07";
    CUpdateODMBiosAction action(controller.View());
    EXPECT_EQ(action.Evaluate(), kEFail);
    EXPECT_EQ(Printable(action.GetCurrentVersionText()), "BIOS []");
    EXPECT_EQ(Headings(), std::vector<std::uint16_t>{124});
}

TEST_F(UpdateActionsTest, ToolVersionFromTheRegistry) {
    fakes.registry.SetString(RegistryRoot::LocalMachine, kToolKey, u"version", u"1.2.0.9");
    UpdateController& controller = Controller();
    controller.target.version = u"1.2.1.0";
    CInstallChargeLimitToolAction action(controller.View());
    ASSERT_EQ(action.Evaluate(), 0);
    EXPECT_EQ(action.GetState(), ActionState::kUpdateNeeded);
    EXPECT_EQ(Printable(action.GetCurrentVersionText()), "Tool 1.2.0.9");
    // Not installed: no sentence, reads as 0.0.0.0.
    fakes.registry.keys.clear();
    CInstallChargeLimitToolAction absent(controller.View());
    ASSERT_EQ(absent.Evaluate(), 0);
    EXPECT_EQ(absent.GetCurrentVersionText(), u"");
}

TEST_F(UpdateActionsTest, ForceAnswersUpdateNeededWithoutReadingAnything) {
    ToolOptions options;
    options.force = true;
    options.silent = true;
    options.forcedKind = 7;
    fakes.firmware.tables = {Table({Structure(0, {1, 2}, {"V", "1.0"})})};
    UpdateController& controller = Controller(options);
    controller.target.version = u"1.0";  // current, but forced
    for (std::int32_t code : {1, 2, 3, 7}) {
        const auto action = CreateAction(controller.View(), ToActionCode(code));
        EXPECT_EQ(action->GetState(), ActionState::kUpdateNeeded);
    }
    // The whole run: Evaluate is skipped and silent executes; a forced action
    // has no definition row, so its empty digest never verifies.
    EXPECT_EQ(ToNumber(controller.RunController()), 1015);
    EXPECT_TRUE(fakes.accessLibraries.loads.empty());
    EXPECT_TRUE(controller.currentAction->GetCurrentVersionText().empty());
    EXPECT_EQ(controller.currentAction->GetMessageRtf(), std::vector<std::uint8_t>{'n'});
}

// Execute runs download jobs with the action's own messages: a work folder
// that cannot be made asks the firmware, BIOS or tool question.
TEST_F(UpdateActionsTest, ExecuteAsksWithTheActionsOwnMessages) {
    UpdateController& controller = Controller();
    fakes.workFiles.tempPath.reset();
    const std::pair<std::unique_ptr<IAction>, std::uint16_t> cases[] = {
        {std::make_unique<CUpdatePMUFirmwareAction>(controller.View()), 129},
        {std::make_unique<CCobalenAction>(controller.View()), 129},
        {std::make_unique<CUpdateODMBiosAction>(controller.View()), 153},
        {std::make_unique<CInstallChargeLimitToolAction>(controller.View()), 165}};
    for (const auto& [action, folderQuestion] : cases) {
        fakes.taskDialogs.shown.clear();
        EXPECT_EQ(ToNumber(action->Execute()), 1009);
        ASSERT_EQ(fakes.taskDialogs.shown.size(), 1u);
        EXPECT_EQ(fakes.taskDialogs.shown[0].mainInstructionId, folderQuestion);
    }
}

}  // namespace
}  // namespace Korvane::PC::Tarnwick
