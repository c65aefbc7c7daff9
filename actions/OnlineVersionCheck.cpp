#include "app/UpdateController.h"

namespace Korvane::PC::Tarnwick {

// The query of the download server is not part of this build yet; 0 is the
// answer for "unknown", so the release check passes.
std::uint32_t UpdateController::LatestReleaseNumber() { return 0; }

}  // namespace Korvane::PC::Tarnwick
