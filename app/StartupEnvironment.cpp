#include "app/UpdateController.h"

namespace Korvane::PC::Tarnwick {

// Locating, verifying and loading the companion library, the cancel period
// and the system class are not part of this build yet: the run goes on with
// an empty identity, no companion library and no cancel limit.
bool UpdateController::PrepareEnvironment() {
    machine = MachineIdentity{};
    cancelAllowed = true;
    cancelDaysLeft = 1000;
    osClass = kOsClassOther;
    return true;
}

}  // namespace Korvane::PC::Tarnwick
