// Test twin of IProcesses: records every launch and answers with scripted
// processes. Does not model process lifetimes: every started process has
// already ended with its scripted exit code, or its wait fails as scripted.
// A process whose output is read gives its scripted output in pieces and
// then ends, fails, or (never ending) lets each read wait its full time,
// moving `clock` on by that time; it does not model a child blocked on a
// full pipe.
#pragma once

#include <algorithm>
#include <deque>
#include <functional>
#include <memory>
#include <string>
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

struct FakeOutputScript {
    bool starts = true;
    std::string output{};
    std::size_t pieceBytes = 4096;  // at most this much per read
    enum class Then { kEnds, kFails, kNeverEnds } then = Then::kEnds;
};

class FakeOutputProcess : public IOutputProcess {
public:
    FakeOutputProcess(const FakeOutputScript& script, std::uint64_t* clock, int& terminations,
                      const std::function<void()>* onRead = nullptr)
        : script_(script), clock_(clock), terminations_(terminations), onRead_(onRead) {}
    OutputRead Read(std::size_t maxBytes, std::uint32_t waitMs) override {
        if (onRead_ != nullptr && *onRead_) (*onRead_)();
        if (terminated_) return {.failed = true};
        if (offset_ < script_.output.size()) {
            const std::size_t n = std::min({maxBytes, script_.pieceBytes, script_.output.size() - offset_});
            offset_ += n;
            return {.bytes = script_.output.substr(offset_ - n, n)};
        }
        switch (script_.then) {
            case FakeOutputScript::Then::kEnds:
                return {.ended = true};
            case FakeOutputScript::Then::kFails:
                return {.failed = true};
            case FakeOutputScript::Then::kNeverEnds:
                if (clock_ != nullptr) *clock_ += waitMs;
                return {};
        }
        return {};
    }
    bool Terminate() override {
        terminated_ = true;
        ++terminations_;
        return true;
    }
private:
    FakeOutputScript script_;
    std::uint64_t* clock_;
    int& terminations_;
    const std::function<void()>* onRead_;
    std::size_t offset_ = 0;
    bool terminated_ = false;
};

class FakeProcesses : public IProcesses {
public:
    // Every launch, of both kinds, in order.
    std::vector<ProcessLaunch> launches;
    // Output processes: the next script, or one that ends at once without
    // output when none is left. A never-ending read moves `clock` on.
    std::deque<FakeOutputScript> outputScripts;
    std::uint64_t* clock = nullptr;
    int terminations = 0;
    // Called at every read of an output process.
    std::function<void()> onRead;

    std::unique_ptr<IOutputProcess> StartReadingOutput(const ProcessLaunch& launch) override {
        launches.push_back(launch);
        const FakeOutputScript script = outputScripts.empty() ? FakeOutputScript{} : outputScripts.front();
        if (!outputScripts.empty()) outputScripts.pop_front();
        if (!script.starts) return nullptr;
        return std::make_unique<FakeOutputProcess>(script, clock, terminations, &onRead);
    }

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
