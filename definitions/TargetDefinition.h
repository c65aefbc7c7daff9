// One row of the companion library's definition table, and the action codes
// it carries.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace Korvane::PC::Tarnwick {

namespace ActionCode {
inline constexpr std::int32_t kNotTarget = 0;
inline constexpr std::int32_t kUpdatePmuFirmware = 1;
inline constexpr std::int32_t kUpdateBios = 2;
inline constexpr std::int32_t kInstallChargeLimitTool = 3;
inline constexpr std::int32_t kPairBios = 4;      // BIOS half of a firmware/BIOS pair
inline constexpr std::int32_t kPairFirmware = 5;  // firmware half of a firmware/BIOS pair
inline constexpr std::int32_t kGettingReady = 6;
inline constexpr std::int32_t kCobalenFirmware = 7;
inline constexpr std::int32_t kNeedEssentialSoft = 8;
}  // namespace ActionCode

// Texts carry the counted terminator (see MachineIdentity.h).
struct TargetDefinition {
    std::u16string product;
    std::int32_t action = 0;
    std::u16string version;
    std::u16string url;
    std::u16string toolFile;
    std::u16string toolParameters;
    std::vector<std::uint8_t> hash;  // expected SHA-256 digest
};

}  // namespace Korvane::PC::Tarnwick
