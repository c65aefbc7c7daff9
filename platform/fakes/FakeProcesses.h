// Test twin of IProcesses: records every launch and answers with scripted
// processes. Does not model process lifetimes: every started process has
// already ended with its scripted exit code, or its wait fails as scripted.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include "platform/Processes.h"

namespace Korvane::PC::Tarnwick {

struct FakeProcessScript {
    bool starts = true;
    WaitOutcome wait = WaitOutcome::kSignalled;
    std::optional<std::uint32_t> exitCode = 0;
};

class FakeProcess : public IProcess {
public:
    explicit FakeProcess(const FakeProcessScript& script) : script_(script) {}
    WaitOutcome Wait(std::optional<std::uint32_t> /*timeoutMs*/) override { return script_.wait; }
    WaitOutcome WaitServingMessages() override {
        return script_.wait == WaitOutcome::kTimedOut ? WaitOutcome::kFailed : script_.wait;
    }
    std::optional<std::uint32_t> ExitCode() override { return script_.exitCode; }

private:
    FakeProcessScript script_;
};

class FakeProcesses : public IProcesses {
public:
    std::vector<ProcessLaunch> launches;
    // Consulted first for every launch; when it is unset, or returns nullopt,
    // the next entry of `scripts` is used, and a default (started, ended
    // with 0) when that is empty.
    std::function<std::optional<FakeProcessScript>(const ProcessLaunch&)> byLaunch;
    std::deque<FakeProcessScript> scripts;

    std::unique_ptr<IProcess> Start(const ProcessLaunch& launch) override {
        launches.push_back(launch);
        std::optional<FakeProcessScript> script;
        if (byLaunch) script = byLaunch(launch);
        if (!script) {
            script = scripts.empty() ? FakeProcessScript{} : scripts.front();
            if (!scripts.empty()) scripts.pop_front();
        }
        if (!script->starts) return nullptr;
        return std::make_unique<FakeProcess>(*script);
    }
};

}  // namespace Korvane::PC::Tarnwick
