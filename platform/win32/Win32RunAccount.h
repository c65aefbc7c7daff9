// IRunAccount over the process token and the session's user (wtsapi32,
// loaded from the system folder on first use).
#pragma once

#include "platform/RunAccount.h"
#include "platform/win32/SystemLibraries.h"

namespace Korvane::PC::Tarnwick::Win32 {

class RunAccount : public IRunAccount {
public:
    Tarnwick::RunAccount Read() override;

private:
    LazySystemLibrary wtsapi_{L"wtsapi32.dll"};
};

}  // namespace Korvane::PC::Tarnwick::Win32
