#include "ui/ProgressWindow.h"

#include <chrono>
#include <thread>

namespace Korvane::PC::Tarnwick {

// No window yet: the thread only lives as long as the job is busy, so a
// download is never read as cancelled.
void ShowProgressWindow(ITaskDialogs& /*dialogs*/, const ProgressWindowView& view) {
    while (view.busy != nullptr && view.busy->load()) std::this_thread::sleep_for(std::chrono::milliseconds(200));
}

}  // namespace Korvane::PC::Tarnwick
