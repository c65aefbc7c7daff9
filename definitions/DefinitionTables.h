// Parsers for the four text tables of the companion library.
//
// Common rules: UTF-16 code units; a leading U+FEFF is skipped; a line ends
// at a CR and the unit after the CR is skipped unseen; a line without a CR
// after it is dropped together with whatever record it started; text columns
// keep one counted NUL terminator (see MachineIdentity.h); numbers are signed
// 32-bit with automatic base. No scan reads past the span. The parsers keep
// no state and copy everything they return.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "definitions/TargetDefinition.h"

namespace Korvane::PC::Tarnwick {

namespace TableId {
inline constexpr std::uint16_t kDefinitionTable = 108;
inline constexpr std::uint16_t kExcludedModelList = 114;
inline constexpr std::uint16_t kRequirementTable = 164;
inline constexpr std::uint16_t kOsSupportTable = 171;
}  // namespace TableId

struct OsSupportRow {
    std::u16string product;
    std::array<std::int32_t, 8> codes{};  // one per operating-system column
};

// The six essential-component slots: the VXN02E3 device driver, QXSYSEXT,
// QXBIOS, VXN0420, IMEI, IAMT.
inline constexpr std::size_t kComponentSlots = 6;

struct RequirementRow {
    std::u16string product;
    std::array<bool, kComponentSlots> required{};
};

// Records of seven lines each (product, action, version, url, tool file,
// tool parameters, hash), each followed by one separator line.
std::vector<TargetDefinition> ParseDefinitionTable(std::span<const char16_t> table);
// One model name per line.
std::vector<std::u16string> ParseModelList(std::span<const char16_t> table);
// Product TAB eight codes.
std::vector<OsSupportRow> ParseOsSupportTable(std::span<const char16_t> table);
// Product TAB six numbers; a number is true exactly when it reads as 1.
std::vector<RequirementRow> ParseRequirementTable(std::span<const char16_t> table);

// The hash column: pairs of hexadecimal digits, each read as an unsigned
// base-16 number whose low 8 bits make one byte; the last digit of an odd
// count is paired with the terminator.
std::vector<std::uint8_t> ParseHashText(std::u16string_view textWithTerminator);

}  // namespace Korvane::PC::Tarnwick
