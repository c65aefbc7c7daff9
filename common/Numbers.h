// Number reading with automatic base, as the Windows C runtime does it for a
// 32-bit `unsigned long` / `long`.
//
// `long` is 64 bits on Linux, so the host library's strtoul/wcstol give other
// answers for large and negative values; these readers reproduce the 32-bit
// runtime exactly and are used on every platform:
//   - leading white space is skipped, then an optional '+' or '-';
//   - base 0 picks hexadecimal after "0x"/"0X", octal after a leading '0',
//     decimal otherwise; base 16 also accepts (and skips) a "0x" prefix;
//   - reading stops at the first unit that is not a digit of the base;
//   - no digits give 0.
// ReadUnsigned32: a value beyond 32 bits gives 4294967295 (whatever the sign);
// otherwise a '-' negates the value modulo 2^32.
// ReadSigned32: a value beyond the signed range gives INT32_MAX or INT32_MIN
// according to the sign.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace Korvane::PC::Tarnwick {

std::uint32_t ReadUnsigned32(std::u16string_view text, int base = 0);
std::int32_t ReadSigned32(std::u16string_view text, int base = 0);

// Reads only decimal digits from the start (no white space, no sign) and
// stops at the first non-digit; saturates at UINT32_MAX. Used where a text is
// documented as a plain decimal number (for example a release identifier).
std::uint32_t ReadDecimalPrefix(std::u16string_view text);

// The value in decimal digits ("%u").
std::u16string DecimalText(std::uint32_t value);

}  // namespace Korvane::PC::Tarnwick
