#include "app/UpdateController.h"

namespace Korvane::PC::Tarnwick {

// The support-page offer is not part of this build yet: the page is never
// opened.
bool UpdateController::OpenSupportLink() { return false; }

}  // namespace Korvane::PC::Tarnwick
