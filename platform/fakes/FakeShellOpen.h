// Test twin of IShellOpen: records what was handed to the shell.
#pragma once

#include <string>
#include <vector>

#include "platform/ShellOpen.h"

namespace Korvane::PC::Tarnwick {

class FakeShellOpen : public IShellOpen {
public:
    std::vector<std::u16string> opened;
    void Open(std::u16string_view target) override { opened.emplace_back(target); }
};

}  // namespace Korvane::PC::Tarnwick
