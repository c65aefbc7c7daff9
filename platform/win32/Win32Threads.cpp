// Threads started with the C runtime's _beginthreadex, so the runtime's
// per-thread state is set up for the routine.
#include <windows.h>
#include <process.h>

#include <cwchar>
#include <cstdlib>

#include "platform/win32/ScopedHandle.h"
#include "platform/win32/Win32Threads.h"

namespace Korvane::PC::Tarnwick::Win32 {
namespace {

unsigned __stdcall RunRoutine(void* argument) {
    const std::unique_ptr<std::function<void()>> routine(static_cast<std::function<void()>*>(argument));
    (*routine)();
    return 0;
}

class Thread : public IThread {
public:
    WaitOutcome Wait(std::optional<std::uint32_t> timeoutMs) override {
        return WaitForHandle(handle_.get(), timeoutMs);
    }
    void Adopt(HANDLE handle) noexcept { handle_.reset(handle); }

private:
    ScopedKernelHandle handle_;
};

}  // namespace

std::unique_ptr<IThread> Threads::Start(std::function<void()> routine) {
    // Everything is allocated before the thread exists: once it runs, nothing
    // may fail, or the caller would see no thread (and free what the routine
    // uses) while the routine still runs.
    auto owned = std::make_unique<std::function<void()>>(std::move(routine));
    auto thread = std::make_unique<Thread>();
    const std::uintptr_t handle = ::_beginthreadex(nullptr, 0, RunRoutine, owned.get(), 0, nullptr);
    if (handle == 0) return nullptr;
    (void)owned.release();  // the thread frees it
    thread->Adopt(reinterpret_cast<HANDLE>(handle));
    return thread;
}

void Threads::Sleep(std::uint32_t milliseconds) { ::Sleep(milliseconds); }

std::uint64_t Threads::TickCount() { return ::GetTickCount64(); }

}  // namespace Korvane::PC::Tarnwick::Win32
