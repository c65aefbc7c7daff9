#include "machine/VersionProbes.h"

#include "common/RuntimeScan.h"
#include "machine/SmbiosReader.h"

namespace Korvane::PC::Tarnwick {
namespace {

constexpr std::uint8_t kBiosInformation = 0;
constexpr std::size_t kBiosVersionString = 5;

template <std::size_t N>
VersionTuple<N> ParseVersion(std::u16string_view text) {
    VersionTuple<N> numbers{};
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (IsRuntimeDigit(text[i])) {
            ScanDottedUnsigned(text.substr(i), numbers);
            break;
        }
    }
    return numbers;
}

}  // namespace

std::string ReadBiosVersion(IFirmwareTables& firmware) {
    CSmbiosReader reader(firmware);
    if (!reader.MoveFirst()) return {};
    while (reader.ReadByte(0) != kBiosInformation) {
        if (!reader.MoveNext()) return {};
    }
    return reader.StringAt(kBiosVersionString);
}

Version2 ParseVersion2(std::u16string_view text) { return ParseVersion<2>(text); }
Version3 ParseVersion3(std::u16string_view text) { return ParseVersion<3>(text); }
Version4 ParseVersion4(std::u16string_view text) { return ParseVersion<4>(text); }

}  // namespace Korvane::PC::Tarnwick
