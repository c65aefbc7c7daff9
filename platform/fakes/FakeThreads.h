// Test twin of IThreads. Routines are never run (the progress window has a
// test of its own) unless `runsRoutines` is set: then Start runs the routine
// to its end before it returns, and the thread has ended at every wait (a
// thread that finished before anyone looked). Otherwise a started thread
// counts every wait on it, and "ends" (the user's cancel) at the wait a test
// names. Sleeps are counted, not
// slept, and move the tick count on by their length. Does not model real
// concurrency.
#pragma once

#include <vector>

#include "platform/Threads.h"

namespace Korvane::PC::Tarnwick {

class FakeThreads : public IThreads {
public:
    bool startFails = false;
    bool runsRoutines = false;
    int started = 0;
    int openHandles = 0;
    // Every wait on a started thread, in order (nullopt = without limit).
    std::vector<std::optional<std::uint32_t>> waits;
    std::vector<std::uint32_t> sleeps;
    // The thread has ended from this wait on (0-based index into `waits`);
    // -1: only a join ends it.
    int endsAtWait = -1;

    std::unique_ptr<IThread> Start(std::function<void()> routine) override {
        if (startFails) return nullptr;
        ++started;
        if (runsRoutines) routine();
        return std::make_unique<Thread>(*this);
    }
    std::uint64_t now = 1000;
    void Sleep(std::uint32_t milliseconds) override {
        sleeps.push_back(milliseconds);
        now += milliseconds;
    }
    std::uint64_t TickCount() override { return now; }

    // Waits with this time-out so far.
    int WaitsOf(std::optional<std::uint32_t> timeout) const {
        int n = 0;
        for (const auto& w : waits) n += w == timeout ? 1 : 0;
        return n;
    }

private:
    class Thread : public IThread {
    public:
        explicit Thread(FakeThreads& owner) : owner_(owner) { ++owner_.openHandles; }
        ~Thread() override { --owner_.openHandles; }
        WaitOutcome Wait(std::optional<std::uint32_t> timeoutMs) override {
            const int index = static_cast<int>(owner_.waits.size());
            owner_.waits.push_back(timeoutMs);
            if (!timeoutMs || owner_.runsRoutines || (owner_.endsAtWait >= 0 && index >= owner_.endsAtWait)) {
                return WaitOutcome::kSignalled;
            }
            return WaitOutcome::kTimedOut;
        }

    private:
        FakeThreads& owner_;
    };
};

}  // namespace Korvane::PC::Tarnwick
