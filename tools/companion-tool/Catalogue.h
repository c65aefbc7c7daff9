// The companion library's strings that the program reads, and the inserts
// it passes to its templates.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "definitions/CompanionResources.h"

namespace Korvane::PC::Tarnwick::Companion {

inline constexpr std::array<std::uint16_t, 72> kStringIds{
    109, 110, 111, 112, 115, 116, 117, 119, 120, 121, 122, 123, 124, 125, 126, 127, 129, 131,
    133, 134, 136, 137, 139, 140, 141, 143, 145, 146, 147, 148, 149, 150, 151, 152, 153, 154,
    155, 156, 157, 158, 159, 160, 161, 162, 163, 164, 165, 166, 167, 169, 172, 174, 176, 178,
    180, 181, 182, 183, 184, 185, 186, 187, 188, 190, 192, 194, 195, 196, 197, 198, 199, 200};

// A message template and its arguments in insert order: 'T' a text, 'N' a
// 32-bit unsigned number.
struct TemplateUse {
    std::uint16_t id;
    std::string_view arguments;
    const char* what;
};
inline constexpr std::array<TemplateUse, 7> kTemplates{{
    {112, "TT", "the model and the installed-version sentence"},
    {147, "NNN", "the three numbers of the installed firmware version"},
    {148, "T", "the installed BIOS version text"},
    {149, "T", "the model"},
    {163, "N", "the release number"},
    {174, "T", "the installed charge-limit tool version text"},
    {182, "N", "the days left"},
}};


// Texts that must read the same in every language: addresses, names and
// numbers that the program sends or compares.
inline constexpr std::uint16_t kSameInEveryLanguage[] = {
    StringId::kAgent,         StringId::kDownloadBase, StringId::kReleaseFile,
    StringId::kReleaseNumber, StringId::kCancelDays,   StringId::kDownloadParameters,
    StringId::kSupportAddress};

inline constexpr std::array<std::uint16_t, 8> kRtfIds{101, 102, 103, 104, 105, 106, 107, 173};
inline constexpr std::uint16_t kProgressIcon = 100;
inline constexpr std::uint16_t kRtGroupIcon = 14;
inline constexpr std::uint16_t kRtIcon = 3;

}  // namespace Korvane::PC::Tarnwick::Companion
