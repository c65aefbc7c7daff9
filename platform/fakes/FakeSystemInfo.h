// Test twin of ISystemInfo: the version and WOW64 answer a test sets;
// counts the version tests.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/SystemInfo.h"

namespace Korvane::PC::Tarnwick {

class FakeSystemInfo : public ISystemInfo {
public:
    std::uint32_t major = 10, minor = 0;
    std::uint16_t servicePack = 0;
    std::optional<bool> wow64 = true;
    long long versionChecks = 0;
    bool VersionAtLeast(std::uint32_t ma, std::uint32_t mi, std::uint16_t sp) override {
        ++versionChecks;
        if (major != ma) return major > ma;
        if (minor != mi) return minor > mi;
        return servicePack >= sp;
    }
    std::optional<bool> IsWow64Process() override { return wow64; }
};

}  // namespace Korvane::PC::Tarnwick
