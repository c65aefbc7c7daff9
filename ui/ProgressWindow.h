// The download progress window: shown on its own thread while a download
// job runs, closed by the user (the job reads the thread's end as a cancel)
// or by itself within one timer tick after `busy` turns false.
#pragma once

#include <atomic>
#include <cstdint>

#include "actions/JobProgress.h"
#include "platform/Handles.h"
#include "platform/TaskDialogs.h"

namespace Korvane::PC::Tarnwick {

// The task dialog the progress window shows.
TaskDialogRequest ProgressWindowRequest(const ProgressWindowView& view);

// The progress thread's routine: returns when the window has closed, either
// because the user pressed Cancel or closed it (the job reads the thread's
// end while still busy as a cancel) or within one timer tick after `busy`
// turned false.
void ShowProgressWindow(ITaskDialogs& dialogs, const ProgressWindowView& view);

// The jobs' progress window as a task dialog of `dialogs`.
class CProgressWindow : public IProgressWindow {
public:
    explicit CProgressWindow(ITaskDialogs& dialogs) : dialogs_(dialogs) {}
    void Show(const ProgressWindowView& view) override { ShowProgressWindow(dialogs_, view); }

private:
    ITaskDialogs& dialogs_;
};

}  // namespace Korvane::PC::Tarnwick
