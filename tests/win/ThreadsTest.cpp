// Starting a thread when memory runs out: the routine runs only on a thread
// the caller holds, so what it uses can never be freed under it.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "platform/win32/Win32Threads.h"

namespace {

// The calling thread's allocation with this number (1 = the next one) fails;
// 0: none fails.
thread_local int failingAllocation = 0;

}  // namespace

// Every allocation of this test binary comes here; it passes through unless a
// test armed `failingAllocation` on its own thread.
void* operator new(std::size_t size) {
    if (failingAllocation > 0 && --failingAllocation == 0) throw std::bad_alloc();
    if (void* memory = std::malloc(size == 0 ? 1 : size)) return memory;
    throw std::bad_alloc();
}
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }

namespace Korvane::PC::Tarnwick::Win32 {
namespace {

TEST(Win32ThreadsTest, AStartThatRunsOutOfMemoryLeavesNoThreadRunning) {
    Threads threads;
    // Fail each allocation of Start in turn, until one Start needs no more.
    for (int failing = 1; failing < 20; ++failing) {
        std::atomic<bool> ran{false};
        std::unique_ptr<IThread> thread;
        bool outOfMemory = false;
        failingAllocation = failing;
        try {
            thread = threads.Start([&ran] { ran = true; });
        } catch (const std::bad_alloc&) {
            outOfMemory = true;
        }
        failingAllocation = 0;
        if (!outOfMemory) {
            ASSERT_TRUE(thread) << "allocation " << failing;
            EXPECT_EQ(thread->Wait(std::nullopt), WaitOutcome::kSignalled);
            EXPECT_TRUE(ran);
            return;
        }
        // A thread started before the failure would have run by now.
        Sleep(200);
        EXPECT_FALSE(ran) << "allocation " << failing << " failed after the thread had started";
    }
    ADD_FAILURE() << "Start never succeeded";
}

}  // namespace
}  // namespace Korvane::PC::Tarnwick::Win32
