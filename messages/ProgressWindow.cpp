#include "messages/ProgressWindow.h"

#include "messages/Messages.h"

namespace Korvane::PC::Tarnwick {

// A marquee with Cancel, titled like every message but with the companion
// library's own icon and no footer. Its texts are read on this thread, so
// they come in the thread's default language, not the one the main thread
// was given.
TaskDialogRequest ProgressWindowRequest(const ProgressWindowView& view) {
    TaskDialogRequest request;
    request.instance = view.companionLibrary;
    request.flags = kTdfShowMarqueeProgressBar | kTdfCallbackTimer;
    request.commonButtons = kTdcbfCancelButton;
    request.windowTitleId = StringId::kMessageTitle;
    request.mainIconId = kProgressIconId;
    request.mainInstructionId = view.titleId;
    request.contentId = StringId::kProgressText;
    request.windowIconId = 0;
    return request;
}

void ShowProgressWindow(ITaskDialogs& dialogs, const ProgressWindowView& view) {
    if (view.busy == nullptr) return;
    (void)dialogs.ShowProgress(ProgressWindowRequest(view), *view.busy);
}

}  // namespace Korvane::PC::Tarnwick
