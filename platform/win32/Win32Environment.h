// IEnvironment over ExpandEnvironmentStringsW and the system folder.
#pragma once

#include "platform/Environment.h"

namespace Korvane::PC::Tarnwick::Win32 {

class Environment : public IEnvironment {
public:
    std::u16string ExpandEnvironmentStrings(std::u16string_view text, std::uint32_t bufferChars) override;
    std::optional<std::u16string> SystemFolder() override;
};

}  // namespace Korvane::PC::Tarnwick::Win32
