// ITaskDialogs over TaskDialogIndirect (common controls 6), with the texts
// and icons of `instance` unless a request names another module.
#pragma once

#include <windows.h>

#include "platform/TaskDialogs.h"

namespace Korvane::PC::Tarnwick::Win32 {

class TaskDialogs : public ITaskDialogs {
public:
    explicit TaskDialogs(HINSTANCE instance) : instance_(instance) {}
    std::optional<std::int32_t> Show(const TaskDialogRequest& request) override;
    std::optional<std::int32_t> ShowProgress(const TaskDialogRequest& request,
                                             const std::atomic<bool>& busy) override;

private:
    HINSTANCE instance_;
};

}  // namespace Korvane::PC::Tarnwick::Win32
