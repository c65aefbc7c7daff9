// The decisions of the update actions, apart from the reads that feed them:
// each rule takes the installed and the defined version and returns the
// state (1 update needed, 2 nothing to do) or the failure to report.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "actions/IAction.h"
#include "definitions/CompanionResources.h"
#include "machine/VersionProbes.h"
#include "platform/Handles.h"

namespace Korvane::PC::Tarnwick {

class IModules;
class IRegistry;
class IText;

struct Verdict {
    ActionState state = ActionState::kNotEvaluated;  // set when there is no failure
    std::optional<FailureMessage> failure;  // set: Evaluate fails with E_FAIL
};

// The charge-limit tool's "version" (HKLM "Software\Korvane\QxBatteryLimitter",
// REG_SZ only, 200-byte buffer). A value of 99 characters fills the buffer
// with its terminator and is read whole; a longer one fails the read.
struct ChargeLimitToolValue {
    bool read = false;
    std::uint32_t size = 0;  // bytes reported by the read
    std::u16string text;     // up to the terminator
};
ChargeLimitToolValue ReadChargeLimitToolValue(IRegistry& registry);

// Installed firmware (A, B, C) against the row's version: A = 0 or a target
// whose first number is 0 fail; lower installed needs the update.
Verdict FirmwareRule(const Version3& installed, std::u16string_view targetVersion);
// The variant that also offers the update when the installed firmware is the
// target or one step past it in the third number (no carry), and, when it is
// lower, only while the charge-limit tool is not installed (read here, and
// only then).
Verdict CobalenRule(const Version3& installed, std::u16string_view targetVersion, IRegistry& registry);
// The installed BIOS text (with its counted terminator) against the row.
Verdict BiosRule(std::u16string_view installedBios, std::u16string_view targetVersion);
// Never fails: an absent tool reads as 0.0.0.0.
Verdict ToolRule(std::u16string_view installedTool, std::u16string_view targetVersion);

// The current-version sentences. The firmware one is template 147 with the
// three numbers; the text ones are empty for an empty version text (the
// template is then not loaded), otherwise the template with the text.
std::u16string FirmwareSentence(IModules& modules, ModuleHandle library, IText& text, const Version3& installed);
std::u16string TextVersionSentence(IModules& modules, ModuleHandle library, IText& text, std::uint16_t templateId,
                                   std::u16string_view versionText);

}  // namespace Korvane::PC::Tarnwick
