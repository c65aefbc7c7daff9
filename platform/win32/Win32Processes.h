// IProcesses over CreateProcessW, and the owner of a process handle
// another call handed out.
#pragma once

#include <windows.h>

#include <memory>

#include "platform/Processes.h"

namespace Korvane::PC::Tarnwick::Win32 {

class Processes : public IProcesses {
public:
    std::unique_ptr<IProcess> Start(const ProcessLaunch& launch) override;
    std::unique_ptr<IOutputProcess> StartReadingOutput(const ProcessLaunch& launch) override;
};

// Takes over a process handle (closed when the object is destroyed).
std::unique_ptr<IProcess> AdoptProcess(HANDLE process);

}  // namespace Korvane::PC::Tarnwick::Win32
