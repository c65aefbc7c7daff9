// The version readers on arbitrary UTF-16 text (little-endian units, an odd
// last byte not counted): no read outside the text, and the three readers
// agree on the numbers they share.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "machine/VersionProbes.h"

using namespace Korvane::PC::Tarnwick;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<char16_t> units(size / 2);
    for (std::size_t i = 0; i < units.size(); ++i)
        units[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
    const std::u16string_view text(units.data(), units.size());
    const Version2 two = ParseVersion2(text);
    const Version3 three = ParseVersion3(text);
    const Version4 four = ParseVersion4(text);
    for (std::size_t i = 0; i < 2; ++i)
        if (two[i] != three[i] || two[i] != four[i]) __builtin_trap();
    if (three[2] != four[2]) __builtin_trap();
    (void)CompareVersions(three, Version3{four[1], four[2], four[3]});
    return 0;
}
