// How a wait on a process or a thread ended: a value shared by the
// interfaces that hand out something to wait on.
#pragma once

namespace Korvane::PC::Tarnwick {

enum class WaitOutcome {
    kSignalled,  // the process or thread has ended
    kTimedOut,
    kFailed,
};

}  // namespace Korvane::PC::Tarnwick
