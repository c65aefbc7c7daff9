#include "app/UpdateController.h"

namespace Korvane::PC::Tarnwick {

// The probes for essential drivers and software are not part of this build
// yet: nothing is reported missing.
bool UpdateController::CheckRequirements() { return false; }

}  // namespace Korvane::PC::Tarnwick
