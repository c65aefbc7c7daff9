// The action object for an action code of the definition tables.
#pragma once

#include <cstdint>
#include <memory>

#include "actions/IAction.h"
#include "actions/RunView.h"
#include "definitions/TargetDefinition.h"

namespace Korvane::PC::Tarnwick {

// Maps an action code to a new action that reads the run through `run`:
// 1 firmware, 2 BIOS, 3 charge-limit tool, 6 getting ready, 7 firmware
// (variant), 8 essential software missing, anything else not a target.
std::unique_ptr<IAction> CreateAction(const RunView& run, ActionCode code);

}  // namespace Korvane::PC::Tarnwick
