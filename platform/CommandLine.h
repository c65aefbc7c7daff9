// Access to the process command line.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace Korvane::PC::Tarnwick {

class ICommandLine {
public:
    virtual ~ICommandLine() = default;
    // The process command line split into arguments (argument 0 is the program
    // path), exactly as CommandLineToArgvW splits it; nullopt when splitting
    // fails.
    [[nodiscard]] virtual std::optional<std::vector<std::u16string>> SplitProcessCommandLine() = 0;
};

}  // namespace Korvane::PC::Tarnwick
