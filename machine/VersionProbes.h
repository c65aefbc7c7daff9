// The installed BIOS version and the readers that turn version texts (what
// is installed and what a definition row asks for) into tuples of numbers.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace Korvane::PC::Tarnwick {

class IFirmwareTables;

template <std::size_t N>
using VersionTuple = std::array<std::uint32_t, N>;
using Version2 = VersionTuple<2>;
using Version3 = VersionTuple<3>;
using Version4 = VersionTuple<4>;

// The BIOS Version string (number at offset 5) of the first SMBIOS structure
// of type 0, without a terminator; empty when the tables are unreadable or
// hold no such structure. String number 0 reads the first string.
std::string ReadBiosVersion(IFirmwareTables& firmware);

// Start at the first unit of `text` that the runtime counts as a digit
// (IsRuntimeDigit, common/RuntimeScan.h), then read "%u.%u..." from there
// (ScanDottedUnsigned). Numbers the scan does not reach stay 0; a text
// without any digit gives all zeros. A counted terminator reads like the end.
// A first digit outside ASCII (fullwidth, Arabic-Indic, a superscript ...)
// starts the scan but is not a number to it, so the whole tuple is 0.
Version2 ParseVersion2(std::u16string_view text);
Version3 ParseVersion3(std::u16string_view text);
Version4 ParseVersion4(std::u16string_view text);

// Installed against defined, number by number from the first: the first
// non-zero difference taken as a signed 32-bit value (negative: installed is
// lower), or 0 when all are equal. Differences of 2^31 and more wrap, as they
// do for the tool on the machines it runs on.
template <std::size_t N>
std::int32_t CompareVersions(const VersionTuple<N>& installed, const VersionTuple<N>& defined) {
    for (std::size_t i = 0; i < N; ++i) {
        const auto difference = static_cast<std::int32_t>(installed[i] - defined[i]);
        if (difference != 0) return difference;
    }
    return 0;
}

}  // namespace Korvane::PC::Tarnwick
