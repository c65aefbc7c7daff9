#include "app/UpdateController.h"

#include "actions/OnlineVersionCheck.h"
#include "app/ConsentStep.h"
#include "common/Numbers.h"
#include "definitions/CompanionResources.h"

namespace Korvane::PC::Tarnwick {
namespace {

constexpr std::uint16_t kReleaseNumberString = 152;
constexpr std::uint16_t kNewerReleaseHeading = 159;
constexpr std::uint16_t kNewerReleaseText = 160;
constexpr std::uint16_t kGettingReadyHeading = 187;

}  // namespace

bool AnotherInstanceRuns(const NamedMutexResult& created, const RunAccount& account) {
    const bool privileged = IsPrivileged(account);
    if (!created.handle) {
        if (created.lastError == kErrorInvalidHandle) return false;
        return !(privileged && created.lastError == kErrorAccessDenied);
    }
    if (created.lastError != kErrorAlreadyExists) return false;
    if (!privileged) return true;
    // An object with no owner to read (Wine keeps none) cannot be shown to
    // be someone else's.
    return created.ownerSid.empty() || created.ownerSid == kLocalSystemSid || created.ownerSid == kAdministratorsSid;
}

UpdateController::UpdateController(Platform& platform_, const ToolOptions& options_)
    : platform(platform_), options(options_), companionLibrary(platform_.modules) {}

UpdateController::~UpdateController() { Teardown(); }

ExitCode UpdateController::RunController() {
    // The mutex is never waited on: its existence is the guard. The handle
    // lives in this frame, so it is closed on every path out of the run.
    NamedMutexResult mutex = platform.sync.CreateNamedMutex(kSingleInstanceMutexName, 0,
                                                            kSynchronizeAccess | kReadControlAccess);
    if (AnotherInstanceRuns(mutex, platform.runAccount.Read())) return Exit::kAlreadyRunning;
    return RunWithMutexHeld();
}

ExitCode UpdateController::RunWithMutexHeld() {
    if (!PrepareEnvironment()) return Exit::kNoCompanionLibrary;

    // The release check waits on the network while the essential-software
    // probes run (they only read); its answer is taken before anything that
    // shows or writes: the selection may show a message and write the skip
    // count, so it comes after.
    std::unique_ptr<CReleaseCheck> releaseCheck;
    if (options.checkNewVersion) releaseCheck = StartReleaseCheck();
    const bool essentialMissing = CheckRequirements();
    if (releaseCheck) {
        const std::uint32_t local = ReleaseNumber();
        if (local < releaseCheck->Answer()) {
            ShowMessage(kTdErrorIcon, kNewerReleaseHeading, kNewerReleaseText, kTdcbfCloseButton, kIdClose);
            return Exit::kNewerReleaseExists;
        }
        releaseCheck.reset();
    }

    if (essentialMissing) return RunEssentialSoftwareLoop();

    if (!SelectAction()) return Exit::kSelectionFailed;
    return DriveAction();
}

ExitCode UpdateController::RunEssentialSoftwareLoop() {
    if (options.silent) return Exit::kEssentialMissing;
    for (;;) {
        if (ShowActionDialog() != kIdOk) return Exit::kEssentialMissing;
        if (OpenSupportPage()) return Exit::kSupportPageOpened;
    }
}

ExitCode UpdateController::DriveAction() {
    if (!currentAction) return Exit::kNoAction;
    if (!options.force && currentAction->Evaluate() < 0) return Exit::kNoAction;
    for (;;) {
        if (AskConsent()) return StopResult();
        if (!currentAction) return Exit::kNoActionToExecute;
        const ExitCode result = currentAction->Execute();
        if (options.silent || result != 0) return result;
    }
}

ExitCode UpdateController::StopResult() {
    return StopExitCode(currentAction->GetKind(), currentAction->GetState());
}

bool UpdateController::AskConsent() {
    IAction& action = *currentAction;
    switch (DecideConsent(options, action.GetKind(), action.GetState())) {
        case ConsentStep::kExecute:
            return false;
        case ConsentStep::kStop:
            return true;
        case ConsentStep::kStopAfterMessage:
            ShowMessage(kTdInformationIcon, kGettingReadyHeading, 0, kTdcbfOkButton, kIdOk);
            return true;
        case ConsentStep::kAskDialog:
            break;
    }
    return ShowActionDialog() != kIdOk;
}

std::uint32_t UpdateController::ReleaseNumber() {
    return ReadUnsigned32(LoadCompanionString(platform.modules, companionLibrary.get(), kReleaseNumberString));
}

void UpdateController::ReplaceAction(std::unique_ptr<IAction> action) {
    currentAction = std::move(action);
}

void UpdateController::Teardown() {
    requirementRow.product.clear();
    currentAction.reset();
    target = TargetDefinition{};
    machine = MachineIdentity{};
    companionLibrary.reset();
}

}  // namespace Korvane::PC::Tarnwick
