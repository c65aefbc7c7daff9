#include "app/ConsentStep.h"

#include "actions/IAction.h"

namespace Korvane::PC::Tarnwick {

ConsentStep DecideConsent(const ToolOptions& options, std::int32_t kind, std::int32_t state) {
    if (options.silent) return state == ActionState::kUpdateNeeded ? ConsentStep::kExecute : ConsentStep::kStop;
    if (options.viewTarget &&
        (kind == ActionKind::kNotTarget || kind == ActionKind::kGettingReady || state == ActionState::kNothingToDo))
        return ConsentStep::kStop;
    if (kind == ActionKind::kGettingReady) return ConsentStep::kStopAfterMessage;
    return ConsentStep::kAskDialog;
}

ExitCode StopExitCode(std::int32_t kind, std::int32_t state) {
    if (kind == ActionKind::kNotTarget) return Exit::kNotTarget;
    if (kind == ActionKind::kGettingReady) return Exit::kGettingReady;
    return state == ActionState::kUpdateNeeded ? Exit::kDeclinedUpdate : Exit::kNothingToDo;
}

}  // namespace Korvane::PC::Tarnwick
