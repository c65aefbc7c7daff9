// One row of the companion library's definition table, and the action codes
// it carries.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace Korvane::PC::Tarnwick {

// The codes of the definition and operating-system tables. A table may hold
// any number: a code read keeps its number, also one that names no action
// (it creates the not-a-target action), and is a number again only where it
// is read from a table and where it is printed (ToNumber).
enum class ActionCode : std::int32_t {
    kNotTarget = 0,
    kUpdatePmuFirmware = 1,
    kUpdateBios = 2,
    kInstallChargeLimitTool = 3,
    kPairBios = 4,      // BIOS half of a firmware/BIOS pair
    kPairFirmware = 5,  // firmware half of a firmware/BIOS pair
    kGettingReady = 6,
    kCobalenFirmware = 7,
    kNeedEssentialSoft = 8,
};

constexpr std::int32_t ToNumber(ActionCode code) { return static_cast<std::int32_t>(code); }
constexpr ActionCode ToActionCode(std::int32_t number) { return static_cast<ActionCode>(number); }

// Texts carry the counted terminator (see MachineIdentity.h).
struct TargetDefinition {
    std::u16string product;
    ActionCode action = ActionCode::kNotTarget;
    std::u16string version;
    std::u16string url;
    std::u16string toolFile;
    std::u16string toolParameters;
    std::vector<std::uint8_t> hash;  // expected SHA-256 digest
};

}  // namespace Korvane::PC::Tarnwick
