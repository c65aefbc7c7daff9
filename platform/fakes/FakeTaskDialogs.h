// Test twin of ITaskDialogs.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "platform/TaskDialogs.h"

namespace Korvane::PC::Tarnwick {

// Task dialogs: records every request and answers from a script (or the
// request's default button when the script is empty).
class FakeTaskDialogs : public ITaskDialogs {
public:
    std::vector<TaskDialogRequest> shown;
    std::deque<std::optional<std::int32_t>> answers;
    std::optional<std::int32_t> Show(const TaskDialogRequest& request) override {
        shown.push_back(request);
        if (answers.empty()) return request.defaultButton;
        auto answer = answers.front();
        answers.pop_front();
        return answer;
    }
    // Records the request and answers like Show; it does not wait for
    // `busy` (no timer is modelled).
    std::optional<std::int32_t> ShowProgress(const TaskDialogRequest& request, const std::atomic<bool>&) override {
        return Show(request);
    }
};

}  // namespace Korvane::PC::Tarnwick
