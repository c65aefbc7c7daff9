// Test twin of ICommandLine: the arguments a test sets, or a failed split
// (nullopt).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/CommandLine.h"

namespace Korvane::PC::Tarnwick {

class FakeCommandLine : public ICommandLine {
public:
    std::optional<std::vector<std::u16string>> arguments = std::vector<std::u16string>{u"Tarnwick.exe"};
    std::optional<std::vector<std::u16string>> SplitProcessCommandLine() override { return arguments; }
};

}  // namespace Korvane::PC::Tarnwick
