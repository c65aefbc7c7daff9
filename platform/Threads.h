// A second thread of the process, and plain waits. The thread's handle is
// the only thing the starter keeps: waits on it tell whether the routine has
// returned.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "platform/WaitOutcome.h"

namespace Korvane::PC::Tarnwick {

class IThread {
public:
    virtual ~IThread() = default;
    // WaitForSingleObject on the thread's handle; nullopt = INFINITE.
    // kSignalled: the routine has returned.
    [[nodiscard]] virtual WaitOutcome Wait(std::optional<std::uint32_t> timeoutMs) = 0;
    // Destroying the object closes the handle; it does not wait for the
    // thread. Join with Wait(nullopt) first.
};

class IThreads {
public:
    virtual ~IThreads() = default;
    // _beginthreadex (default security and stack, started at once) running
    // `routine`; null when the thread cannot be created. Nothing fails once
    // the thread runs: null, or running out of memory (std::bad_alloc), means
    // that no thread runs `routine`. Whatever `routine` refers to must
    // outlive the thread.
    [[nodiscard]] virtual std::unique_ptr<IThread> Start(std::function<void()> routine) = 0;
    // Sleep on the calling thread.
    virtual void Sleep(std::uint32_t milliseconds) = 0;
    // Milliseconds since the system started (GetTickCount64): a clock that
    // only moves forward, for time limits. Safe from any thread.
    virtual std::uint64_t TickCount() = 0;
};

}  // namespace Korvane::PC::Tarnwick
