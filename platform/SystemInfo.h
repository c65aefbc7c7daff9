// Operating-system version tests.
#pragma once

#include <cstdint>
#include <optional>

namespace Korvane::PC::Tarnwick {

class ISystemInfo {
public:
    virtual ~ISystemInfo() = default;
    // VerifyVersionInfoW: true when the running system is at least
    // (major, minor, service-pack major), compared with VER_GREATER_EQUAL on
    // all three.
    virtual bool VersionAtLeast(std::uint32_t major, std::uint32_t minor, std::uint16_t servicePackMajor) = 0;
    // IsWow64Process looked up in kernel32.dll and called on the current
    // process: nullopt when the export is missing or the call fails.
    [[nodiscard]] virtual std::optional<bool> IsWow64Process() = 0;
};

}  // namespace Korvane::PC::Tarnwick
