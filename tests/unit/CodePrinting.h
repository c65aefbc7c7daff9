// How the tests print the program's typed codes when an expectation fails:
// the number with its name. Included into every test file by the build, so
// that each code prints the same way everywhere.
#pragma once

#include <ostream>

#include "actions/IAction.h"
#include "run/ExitCode.h"

namespace Korvane::PC::Tarnwick {

inline void PrintTo(ExitCode code, std::ostream* out) {
    const std::optional<ExitCodeInfo> info = FindExitCode(ToNumber(code));
    *out << ToNumber(code) << " (" << (info ? info->name : "unknown") << ")";
}
inline void PrintTo(ActionKind kind, std::ostream* out) { *out << "kind " << ToNumber(kind); }
inline void PrintTo(ActionState state, std::ostream* out) { *out << "state " << ToNumber(state); }

}  // namespace Korvane::PC::Tarnwick
