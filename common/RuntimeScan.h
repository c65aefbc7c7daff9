// Wide-character classification and the "%u.%u..." scan of the Windows C
// runtime, reproduced so that version texts read the same on every platform.
//
// IsRuntimeDigit is iswdigit: the ASCII digits, the superscripts one to
// three (U+00B9, U+00B2, U+00B3) and the decimal digits of the other scripts
// in the Basic Multilingual Plane (Arabic-Indic, Devanagari, ..., fullwidth).
// IsRuntimeSpace is iswspace: TAB to CR, SPACE, NO-BREAK SPACE, the Unicode
// space separators and the line and paragraph separators.
//
// ScanDottedUnsigned is swscanf_s(text, L"%u.%u...") with `numbers.size()`
// conversions:
//   - each "%u" skips white space (IsRuntimeSpace), takes an optional '+' or
//     '-', then at least one ASCII digit; only '0'..'9' are read as digits,
//     so a number written in another script's digits ends the scan;
//   - a value beyond 32 bits keeps its low 32 bits; a '-' negates modulo 2^32
//     ("-1" reads as 4294967295);
//   - between two conversions the next unit must be '.', with no white space
//     before it;
//   - the scan stops at the first unit that does not fit, at a NUL or at the
//     end of the view; numbers not reached are left untouched.
// Returns the number of conversions stored.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace Korvane::PC::Tarnwick {

bool IsRuntimeDigit(char16_t c);
bool IsRuntimeSpace(char16_t c);

std::size_t ScanDottedUnsigned(std::u16string_view text, std::span<std::uint32_t> numbers);

}  // namespace Korvane::PC::Tarnwick
