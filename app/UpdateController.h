// The run object. It owns everything a run needs: the options, the loaded
// companion library, the machine identity, the chosen target row and the one
// current action. Nothing below app/ sees it: the actions, their jobs, the
// dialog and the support step read the run through a RunView (View()) and
// show its messages themselves (messages/Messages.h). Each of its
// operations is a short delegate to the folder that holds the logic.
//
// Life: construct, then RunController() once (a normal run) or
// PrepareEnvironment() alone (the report branches), then Teardown(). The
// controller is never copied. Every operation runs on the main thread (the
// release check's network wait runs beside it, on a thread of its own).
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "actions/IAction.h"
#include "actions/RunView.h"
#include "definitions/ActionSelection.h"
#include "definitions/DefinitionTables.h"
#include "definitions/TargetDefinition.h"
#include "machine/MachineIdentity.h"
#include "platform/OwnedModule.h"
#include "platform/Platform.h"
#include "run/ExitCode.h"
#include "run/OsClass.h"
#include "run/ToolOptions.h"
#include "ui/ActionDialog.h"
#include "ui/SupportLinks.h"

namespace Korvane::PC::Tarnwick {

class CReleaseCheck;
class CDriverListing;

inline constexpr char16_t kSingleInstanceMutexName[] =
    u"KorvanePemberlin-{98FD7549-2EAA-485F-AFEB-179B5963E49A}";

// Whether the guard `created` for this run means that another instance runs.
// A user's run keeps one instance per name in its session: any existing
// guard object counts, and so does any failure to create it (an object of
// another type under the name included). A run as SYSTEM or elevated counts
// only a guard owned by SYSTEM or the Administrators group, or one without a
// readable owner (any user can create the name first, but not an object
// without owner); an object it may not open, or one of another type
// (ERROR_INVALID_HANDLE), which any user can create under the name, is none
// of its own instances'.
bool AnotherInstanceRuns(const NamedMutexResult& created, const RunAccount& account);

class UpdateController {
public:
    UpdateController(Platform& platform, const ToolOptions& options);
    UpdateController(const UpdateController&) = delete;
    UpdateController& operator=(const UpdateController&) = delete;
    ~UpdateController();

    // The whole normal run; returns its exit code.
    [[nodiscard]] ExitCode RunController();

    // Identity, companion library, cancel period and system class. False when
    // the companion library cannot be used.
    [[nodiscard]] bool PrepareEnvironment();

    // String 152 of the companion library, read with automatic base.
    std::uint32_t ReleaseNumber();
    // Starts the check of the newest release number published on the
    // download server (CReleaseCheck: on a thread of its own, bounded; 0 on
    // any failure).
    std::unique_ptr<CReleaseCheck> StartReleaseCheck();

    // Starts this run's driver listing, which CheckRequirements reads.
    void StartDriverListing();
    // True when an essential component is missing; `currentAction` then holds
    // a CNeedEssentialSoftAction and `target.action` is 8.
    // With `tables`, their requirement rows are used instead of parsing.
    // Reads the driver listing started before (one is started now if none
    // was) and lets it go: a later call lists the drivers anew.
    [[nodiscard]] bool CheckRequirements(const SelectionTables* tables = nullptr);
    // Chooses the action for this machine into `currentAction`; false when
    // the decision failed. With `tables`, their rows are used instead of
    // parsing; `selectionStep` tells which step decided.
    [[nodiscard]] bool SelectAction(const SelectionTables* tables = nullptr);
    // Offers the support page for missing software: opened, not opened (the
    // dialog comes again) or not for this run (no browser may open; the run
    // ends without asking).
    [[nodiscard]] SupportStepOutcome OpenSupportPage();

    // The action path after selection: the null check, Evaluate (unless
    // forced) and the consent/execute loop.
    [[nodiscard]] ExitCode DriveAction();
    // True to stop the run, false to execute the action.
    [[nodiscard]] bool AskConsent();
    // Hosts the modal action dialog; returns its end code (1 = consent).
    [[nodiscard]] std::intptr_t ShowActionDialog();

    // Destroys the action held and stores `action` (which may be null).
    void ReplaceAction(std::unique_ptr<IAction> action);

    // Releases everything the controller owns. Safe to call more than once.
    void Teardown();

    // What the parts below read of this run; valid while the controller
    // lives.
    RunView View();
    // The action dialog's view of this run and its current action.
    ActionDialogView DialogView();

    Platform& platform;

    ToolOptions options;
    OwnedModule companionLibrary;
    MachineIdentity machine;
    TargetDefinition target;
    std::unique_ptr<IAction> currentAction;
    bool cancelAllowed = false;
    std::uint32_t cancelDaysLeft = 0;
    OsClass osClass = 0;
    std::array<bool, kComponentSlots> installedComponents{};
    RequirementRow requirementRow;
    SelectionStep selectionStep = SelectionStep::kNotMaker;

private:
    std::unique_ptr<CDriverListing> driverListing_;

    ExitCode RunWithMutexHeld();
    ExitCode RunEssentialSoftwareLoop();
    ExitCode StopResult();
};

}  // namespace Korvane::PC::Tarnwick
