// The consent step's rules: what a run does with its evaluated action in each
// run mode, and the exit code of a run that stops there. The controller's
// AskConsent carries them out (showing what they ask for); the companion tool
// reads them to say what a run would do without anyone answering.
#pragma once

#include <cstdint>

#include "actions/IAction.h"
#include "run/ExitCode.h"
#include "run/ToolOptions.h"

namespace Korvane::PC::Tarnwick {

enum class ConsentStep {
    kExecute,           // silent and an update is needed: no question asked
    kStop,              // nothing to offer in this mode: the run ends
    kStopAfterMessage,  // the "getting ready" message, then the run ends
    kAskDialog,         // the action dialog: OK executes, anything else stops
};

ConsentStep DecideConsent(const ToolOptions& options, ActionKind kind, ActionState state);

// The exit code of a run that stops at the consent step (not a target,
// getting ready, update declined, nothing to do).
ExitCode StopExitCode(ActionKind kind, ActionState state);

}  // namespace Korvane::PC::Tarnwick
