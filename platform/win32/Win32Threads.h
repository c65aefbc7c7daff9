// IThreads over _beginthreadex, Sleep and GetTickCount64.
#pragma once

#include "platform/Threads.h"

namespace Korvane::PC::Tarnwick::Win32 {

class Threads : public IThreads {
public:
    std::unique_ptr<IThread> Start(std::function<void()> routine) override;
    void Sleep(std::uint32_t milliseconds) override;
    std::uint64_t TickCount() override;
};

}  // namespace Korvane::PC::Tarnwick::Win32
