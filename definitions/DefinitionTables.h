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
#include "run/CompanionIds.h"

namespace Korvane::PC::Tarnwick {

struct OsSupportRow {
    std::u16string product;
    std::array<ActionCode, 8> codes{};  // one per operating-system column
};

// The six essential-component slots: the VXN02E3 device driver, QXSYSEXT,
// QXBIOS, VXN0420, IMEI, IAMT.
inline constexpr std::size_t kComponentSlots = 6;

struct RequirementRow {
    std::u16string product;
    std::array<bool, kComponentSlots> required{};
};

// Where the parsers found each row, for tools that report on a library (the
// program itself never asks). Lines count from 1 and end at a CR, exactly as
// the parsers read them. Views point into the parsed span.
struct RowSource {
    std::uint32_t firstLine = 0;
    std::uint32_t lastLine = 0;  // line of the last CR the row used
    // Each line of a definition record (the separator line last, when there
    // is one), or the product and each number of a TAB row, as read: without
    // the terminator. A TAB column that ran past a CR holds that CR.
    std::vector<std::u16string_view> fields;
};
struct TableLayout {
    std::vector<RowSource> rows;  // one per row returned, same order
    // What the parser read but dropped: an unterminated last line, or the
    // rest of a record or row that the span ended in. Starts at `unreadLine`.
    std::u16string_view unread;
    std::uint32_t unreadLine = 0;
};

// Records of seven lines each (product, action, version, url, tool file,
// tool parameters, hash), each followed by one separator line. A `layout`,
// when given, receives where each row came from.
std::vector<TargetDefinition> ParseDefinitionTable(std::span<const char16_t> table, TableLayout* layout = nullptr);
// One model name per line.
std::vector<std::u16string> ParseModelList(std::span<const char16_t> table, TableLayout* layout = nullptr);
// Product TAB eight codes.
std::vector<OsSupportRow> ParseOsSupportTable(std::span<const char16_t> table, TableLayout* layout = nullptr);
// Product TAB six numbers; a number is true exactly when it reads as 1.
std::vector<RequirementRow> ParseRequirementTable(std::span<const char16_t> table, TableLayout* layout = nullptr);

// The hash column: pairs of hexadecimal digits, each read as an unsigned
// base-16 number whose low 8 bits make one byte; the last digit of an odd
// count is paired with the terminator.
std::vector<std::uint8_t> ParseHashText(std::u16string_view textWithTerminator);

}  // namespace Korvane::PC::Tarnwick
