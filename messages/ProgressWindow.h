// The download progress window: a download job shows it on a thread of its
// own and reads the thread's end while still busy as the user's cancel. It
// closes when the user presses Cancel or closes it, or by itself within one
// timer tick after `busy` turns false.
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/Handles.h"
#include "platform/TaskDialogs.h"

namespace Korvane::PC::Tarnwick {

// What the progress window reads from its job. `busy` is written by the main
// thread and polled by the window's timer.
struct ProgressWindowView {
    ModuleHandle companionLibrary = nullptr;
    std::uint16_t titleId = 0;  // main instruction (string id of the library)
    const std::atomic<bool>* busy = nullptr;
};

// The task dialog the progress window shows.
TaskDialogRequest ProgressWindowRequest(const ProgressWindowView& view);

// The progress thread's routine: returns when the window has closed, either
// because the user pressed Cancel or closed it (the job reads the thread's
// end while still busy as a cancel) or within one timer tick after `busy`
// turned false. `view` outlives the call.
void ShowProgressWindow(ITaskDialogs& dialogs, const ProgressWindowView& view);

}  // namespace Korvane::PC::Tarnwick
