// ICommandLine over GetCommandLineW and CommandLineToArgvW.
#pragma once

#include "platform/CommandLine.h"

namespace Korvane::PC::Tarnwick::Win32 {

class CommandLine : public ICommandLine {
public:
    std::optional<std::vector<std::u16string>> SplitProcessCommandLine() override;
};

}  // namespace Korvane::PC::Tarnwick::Win32
