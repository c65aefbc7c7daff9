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

// String `id` of `module`: entry id % 16 of string block id / 16 + 1. An
// absent or empty entry, or one whose length runs past its block, yields the
// id in decimal; so does every id when `module` is null (no library).
std::u16string LoadCompanionString(IModules& modules, ModuleHandle module, std::uint16_t id);

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
