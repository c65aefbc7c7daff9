// Creation of the action object for an action code.
#pragma once

#include <cstdint>
#include <memory>

#include "actions/IAction.h"

namespace Korvane::PC::Tarnwick {

class UpdateController;

// Maps an action code to a new action that points back to `controller`:
// 6 getting ready, 8 essential software missing, the update codes to their
// update actions, anything else to not a target.
std::unique_ptr<IAction> CreateAction(UpdateController* controller, std::int32_t code);

}  // namespace Korvane::PC::Tarnwick
