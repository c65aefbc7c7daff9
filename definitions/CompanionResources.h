// Readers for the companion library's resources: strings by id, rich-text
// messages by index, text tables by id, and message-template expansion.
//
// None of them fails loudly: a missing string reads as its id in decimal, a
// missing rich text as an empty document, a missing table as an empty span.
// The module is the controller's companion library; the readers keep no
// state of their own.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <vector>

#include "platform/Handles.h"
#include "platform/Modules.h"
#include "platform/Text.h"

namespace Korvane::PC::Tarnwick {

// Strings of the companion library that more than one part of the program
// (and the companion tool) reads: what goes over the network and the numbers
// the program compares. They read the same in every language.
namespace StringId {
inline constexpr std::uint16_t kAgent = 145;               // agent name of every request
inline constexpr std::uint16_t kDownloadBase = 146;        // base address of the release file and packages
inline constexpr std::uint16_t kReleaseFile = 151;         // release file name
inline constexpr std::uint16_t kReleaseNumber = 152;       // the library's release number (automatic base)
inline constexpr std::uint16_t kCancelDays = 178;          // nation list of the cancel period
inline constexpr std::uint16_t kDownloadParameters = 186;  // printf template: two %s, model then serial
inline constexpr std::uint16_t kSupportAddress = 200;      // the support page's address
}  // namespace StringId

// A failure message: companion-library string ids of heading and content.
struct FailureMessage {
    std::uint16_t heading = 0;
    std::uint16_t content = 0;
};
inline constexpr FailureMessage kFirmwareUnreadable{120, 121};
inline constexpr FailureMessage kFirmwareTargetUnusable{122, 123};
inline constexpr FailureMessage kBiosUnreadable{124, 125};
inline constexpr FailureMessage kBiosTargetUnusable{126, 127};

// String `id` of `module`: entry id % 16 of string block id / 16 + 1. An
// absent or empty entry, or one whose length runs past its block, yields the
// id in decimal; so does every id when `module` is null (no library).
std::u16string LoadCompanionString(IModules& modules, ModuleHandle module, std::uint16_t id);

// String 152 read with automatic base (0 when it is not a number).
std::uint32_t ReadReleaseNumber(IModules& modules, ModuleHandle module);

// Message indexes passed to LoadRtfMessage.
enum class RtfMessageIndex : std::uint32_t {
    kNotTarget = 0,        // RTF 101
    kFirmwareNeeded = 1,   // RTF 102
    kFirmwareCurrent = 2,  // RTF 103
    kBiosNeeded = 3,       // RTF 104
    kBiosCurrent = 4,      // RTF 105
    kToolNeeded = 5,       // RTF 106
    kToolCurrent = 6,      // RTF 107
    kEssentialSoft = 7,    // RTF 173
};

// The RTF resource for the index, copied byte for byte; empty for an index
// above 7 or a missing resource.
std::vector<std::uint8_t> LoadRtfMessage(IModules& modules, ModuleHandle module, std::uint32_t index);

// A "TXT" table as UTF-16 code units (an odd last byte is not counted). The
// span points into the loaded module: valid while the module is loaded.
std::span<const char16_t> LoadTextTable(IModules& modules, ModuleHandle module, std::uint16_t id);

// Expands a message template (%1, %2 ..., %1!u!) with the arguments in insert
// order. A failed expansion yields an empty text (the companion library is
// expected to hold well-formed templates), and so does a template whose
// inserts do not fit the arguments (InsertsFitArguments): it is never handed
// to the platform.
std::u16string FormatTemplate(IText& text, std::u16string_view templateText,
                              std::initializer_list<FormatArgument> arguments);

}  // namespace Korvane::PC::Tarnwick
