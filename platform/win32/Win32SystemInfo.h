// ISystemInfo over VerifyVersionInfoW and IsWow64Process.
#pragma once

#include "platform/SystemInfo.h"

namespace Korvane::PC::Tarnwick::Win32 {

class SystemInfo : public ISystemInfo {
public:
    bool VersionAtLeast(std::uint32_t major, std::uint32_t minor, std::uint16_t servicePackMajor) override;
    std::optional<bool> IsWow64Process() override;
};

}  // namespace Korvane::PC::Tarnwick::Win32
