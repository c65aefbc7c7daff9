// The progress window of a download job, as the job sees it: the job starts
// it on a thread of its own and reads the thread's end while still busy as
// the user's cancel. ui/ProgressWindow.h implements it with a task dialog.
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/Handles.h"

namespace Korvane::PC::Tarnwick {

// What the progress window reads from its job. `busy` is written by the main
// thread and polled by the window's timer.
struct ProgressWindowView {
    ModuleHandle companionLibrary = nullptr;
    std::uint16_t titleId = 0;  // main instruction (string id of the library)
    const std::atomic<bool>* busy = nullptr;
};

class IProgressWindow {
public:
    virtual ~IProgressWindow() = default;
    // Runs on the progress thread and returns when the window has closed:
    // either the user pressed Cancel or closed it, or within one timer tick
    // after `busy` turned false. `view` outlives the call.
    virtual void Show(const ProgressWindowView& view) = 0;
};

}  // namespace Korvane::PC::Tarnwick
