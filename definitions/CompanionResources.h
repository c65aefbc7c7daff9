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
#include "run/CompanionIds.h"

namespace Korvane::PC::Tarnwick {

// A failure message: companion-library string ids of heading and content.
struct FailureMessage {
    std::uint16_t heading = 0;
    std::uint16_t content = 0;
};
inline constexpr FailureMessage kFirmwareUnreadable{StringId::kFirmwareUnreadableHeading,
                                                    StringId::kFirmwareUnreadableText};
inline constexpr FailureMessage kFirmwareTargetUnusable{StringId::kFirmwareTargetUnusableHeading,
                                                        StringId::kFirmwareTargetUnusableText};
inline constexpr FailureMessage kBiosUnreadable{StringId::kBiosUnreadableHeading, StringId::kBiosUnreadableText};
inline constexpr FailureMessage kBiosTargetUnusable{StringId::kBiosTargetUnusableHeading,
                                                    StringId::kBiosTargetUnusableText};

// String `id` of `module`: entry id % 16 of string block id / 16 + 1. An
// absent or empty entry, or one whose length runs past its block, yields the
// id in decimal; so does every id when `module` is null (no library).
std::u16string LoadCompanionString(IModules& modules, ModuleHandle module, std::uint16_t id);

// The release number (string StringId::kReleaseNumber) read with automatic
// base (0 when it is not a number).
std::uint32_t ReadReleaseNumber(IModules& modules, ModuleHandle module);

// Message indexes passed to LoadRtfMessage: positions in kRtfMessageIds.
enum class RtfMessageIndex : std::uint32_t {
    kNotTarget = 0,
    kFirmwareNeeded = 1,
    kFirmwareCurrent = 2,
    kBiosNeeded = 3,
    kBiosCurrent = 4,
    kToolNeeded = 5,
    kToolCurrent = 6,
    kEssentialSoft = 7,
};

// The RTF resource kRtfMessageIds[index], copied byte for byte; empty for an
// index past the list or a missing resource.
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
