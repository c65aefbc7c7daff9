// What the actions, their download jobs and the dialog read of the run: a
// narrow view of the controller's state, made by the controller, which owns
// everything it refers to and outlives every view. Nothing below the
// controller sees the controller itself.
//
// The references stay valid while the controller lives; what they refer to
// may change between calls (a new target row, the companion library freed
// at teardown), so a view is read at the time of use, never copied from.
#pragma once

#include "definitions/TargetDefinition.h"
#include "machine/MachineIdentity.h"
#include "messages/Messages.h"
#include "platform/OwnedModule.h"
#include "platform/Platform.h"
#include "run/ToolOptions.h"

namespace Korvane::PC::Tarnwick {

struct RunView {
    Platform& platform;
    const ToolOptions& options;
    const OwnedModule& companionLibrary;
    const MachineIdentity& machine;
    const TargetDefinition& target;

    // What the run's messages read (messages/Messages.h).
    MessageContext Messages() const { return {platform, options, companionLibrary}; }
};

}  // namespace Korvane::PC::Tarnwick
