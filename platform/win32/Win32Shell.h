// IShell over ShellExecuteExW and the shell's path calls.
#pragma once

#include "platform/Shell.h"

namespace Korvane::PC::Tarnwick::Win32 {

class Shell : public IShell {
public:
    std::u16string RemoveFileSpec(std::u16string_view path) override;
    ShellLaunchResult Execute(const ShellLaunch& launch) override;
};

}  // namespace Korvane::PC::Tarnwick::Win32
