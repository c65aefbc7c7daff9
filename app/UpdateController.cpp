#include "app/UpdateController.h"

#include "actions/CreateAction.h"
#include "actions/OnlineVersionCheck.h"
#include "app/ConsentStep.h"
#include "app/StartupEnvironment.h"
#include "definitions/CompanionResources.h"
#include "definitions/PrerequisiteChecks.h"
#include "messages/Messages.h"

namespace Korvane::PC::Tarnwick {
bool AnotherInstanceRuns(const NamedMutexResult& created, const RunAccount& account) {
    const bool privileged = IsPrivileged(account);
    if (!created.handle) {
        if (!privileged) return true;
        return created.lastError != kErrorInvalidHandle && created.lastError != kErrorAccessDenied;
    }
    if (created.lastError != kErrorAlreadyExists) return false;
    if (!privileged) return true;
    // An object with no owner to read (Wine keeps none) cannot be shown to
    // be someone else's.
    return created.ownerSid.empty() || created.ownerSid == kLocalSystemSid || created.ownerSid == kAdministratorsSid;
}

UpdateController::UpdateController(Platform& platform_, const ToolOptions& options_)
    : platform(platform_),
      options(options_),
      companionLibrary(platform_.modules) {}

UpdateController::~UpdateController() { Teardown(); }

ExitCode UpdateController::RunController() {
    // The mutex is never waited on: its existence is the guard. The handle
    // lives in this frame, so it is closed on every path out of the run.
    NamedMutexResult mutex = platform.sync.CreateNamedMutex(kSingleInstanceMutexName, 0,
                                                            kSynchronizeAccess | kReadControlAccess);
    if (AnotherInstanceRuns(mutex, platform.runAccount.Read())) return ExitCode::kAlreadyRunning;
    return RunWithMutexHeld();
}

ExitCode UpdateController::RunWithMutexHeld() {
    // The driver listing takes as long as the system needs to ask every
    // driver; it runs while the environment is prepared.
    StartDriverListing();
    if (!PrepareEnvironment()) return ExitCode::kNoCompanionLibrary;

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
            ShowMessage(View().Messages(), kTdErrorIcon, StringId::kNewerReleaseHeading, StringId::kNewerReleaseText,
                        kTdcbfCloseButton, kIdClose);
            return ExitCode::kNewerReleaseExists;
        }
        releaseCheck.reset();
    }

    if (essentialMissing) return RunEssentialSoftwareLoop();

    if (!SelectAction()) return ExitCode::kSelectionFailed;
    return DriveAction();
}

ExitCode UpdateController::RunEssentialSoftwareLoop() {
    if (options.silent) return ExitCode::kEssentialMissing;
    for (;;) {
        if (ShowActionDialog() != kIdOk) return ExitCode::kEssentialMissing;
        switch (OpenSupportPage()) {
            case SupportStepOutcome::kOpened:
                return ExitCode::kSupportPageOpened;
            case SupportStepOutcome::kNoBrowser:
                // Asking again would never end: in notification mode, once
                // the cancel period is over, OK is the dialog's only way out.
                return ExitCode::kEssentialMissing;
            case SupportStepOutcome::kNotOpened:
                break;
        }
    }
}

ExitCode UpdateController::DriveAction() {
    if (!currentAction) return ExitCode::kNoAction;
    if (!options.force && currentAction->Evaluate() < 0) return ExitCode::kNoAction;
    for (;;) {
        if (AskConsent()) return StopResult();
        if (!currentAction) return ExitCode::kNoActionToExecute;
        const ExitCode result = currentAction->Execute();
        if (options.silent || result != ExitCode::kCompleted) return result;
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
            ShowMessage(View().Messages(), kTdInformationIcon, StringId::kGettingReadyHeading, 0, kTdcbfOkButton,
                        kIdOk);
            return true;
        case ConsentStep::kAskDialog:
            break;
    }
    return ShowActionDialog() != kIdOk;
}

bool UpdateController::PrepareEnvironment() {
    return PrepareStartupEnvironment(platform, options,
                                     {machine, companionLibrary, cancelAllowed, cancelDaysLeft, osClass});
}

std::uint32_t UpdateController::ReleaseNumber() {
    return ReadReleaseNumber(platform.modules, companionLibrary.get());
}

std::unique_ptr<CReleaseCheck> UpdateController::StartReleaseCheck() {
    return MakeReleaseCheck(platform, companionLibrary.get());
}

void UpdateController::StartDriverListing() {
    driverListing_ = std::make_unique<CDriverListing>(platform.processes, platform.threads, platform.environment);
}

bool UpdateController::CheckRequirements(const SelectionTables* tables) {
    if (!driverListing_) StartDriverListing();
    installedComponents = ProbeInstalledComponents(
        {*driverListing_, platform.registry, platform.files, platform.environment, platform.paths});
    driverListing_.reset();
    std::optional<RequirementRow> row =
        LookUpRequirementRow(platform.modules, companionLibrary.get(), machine.product, tables);
    if (!row) return false;
    requirementRow = std::move(*row);
    if (!AnyMissing(requirementRow, installedComponents)) return false;
    target.action = ActionCode::kNeedEssentialSoft;
    ReplaceAction(CreateAction(View(), ActionCode::kNeedEssentialSoft));
    return true;
}

bool UpdateController::SelectAction(const SelectionTables* tables) {
    if (options.force) {
        ReplaceAction(CreateAction(View(), ToActionCode(static_cast<std::int32_t>(options.forcedKind))));
        return true;
    }
    CPlatformPairProbes probes(View().Messages());
    Selection selection = ChooseAction({machine, osClass, options.viewTarget}, platform.modules,
                                       companionLibrary.get(), probes, platform.registry, tables);
    selectionStep = selection.step;
    if (selection.target) target = std::move(*selection.target);
    if (!selection.succeeded) return false;
    ReplaceAction(CreateAction(View(), selection.code));
    return true;
}

SupportStepOutcome UpdateController::OpenSupportPage() {
    return OfferSupportPage(View(), requirementRow, installedComponents,
                            SupportOsTag(ProbeOsVersion(platform.system), IsWow64(platform.system)));
}

std::intptr_t UpdateController::ShowActionDialog() { return HostActionDialog(platform.dialogs, DialogView()); }

RunView UpdateController::View() {
    return {platform, options, companionLibrary, machine, target};
}

ActionDialogView UpdateController::DialogView() {
    return {View(), currentAction.get(), cancelAllowed, cancelDaysLeft};
}

void UpdateController::ReplaceAction(std::unique_ptr<IAction> action) {
    currentAction = std::move(action);
}

void UpdateController::Teardown() {
    driverListing_.reset();
    requirementRow.product.clear();
    currentAction.reset();
    target = TargetDefinition{};
    machine = MachineIdentity{};
    companionLibrary.reset();
}

}  // namespace Korvane::PC::Tarnwick
