#include "app/EntryPoint.h"

namespace Korvane::PC::Tarnwick {

// Asking the maker's start-up program is not part of this build yet: the
// check is never handled by it, so notification mode runs the tool itself.
bool StartupProgramHandledCheck(Platform& /*platform*/) { return false; }

}  // namespace Korvane::PC::Tarnwick
