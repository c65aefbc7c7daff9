#include "app/ConsentStep.h"

#include "actions/IAction.h"

namespace Korvane::PC::Tarnwick {

ConsentStep DecideConsent(const ToolOptions& options, ActionKind kind, ActionState state) {
    if (options.silent) return state == ActionState::kUpdateNeeded ? ConsentStep::kExecute : ConsentStep::kStop;
    if (options.viewTarget &&
        (kind == ActionKind::kNotTarget || kind == ActionKind::kGettingReady || state == ActionState::kNothingToDo))
        return ConsentStep::kStop;
    if (kind == ActionKind::kGettingReady) return ConsentStep::kStopAfterMessage;
    return ConsentStep::kAskDialog;
}

ExitCode StopExitCode(ActionKind kind, ActionState state) {
    if (kind == ActionKind::kNotTarget) return ExitCode::kNotTarget;
    if (kind == ActionKind::kGettingReady) return ExitCode::kGettingReady;
    return state == ActionState::kUpdateNeeded ? ExitCode::kDeclinedUpdate : ExitCode::kNothingToDo;
}

}  // namespace Korvane::PC::Tarnwick
