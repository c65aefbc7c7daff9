#include "actions/UpdateRules.h"

#include "actions/IAction.h"
#include "definitions/CompanionResources.h"
#include "platform/Registry.h"

namespace Korvane::PC::Tarnwick {
namespace {

constexpr std::u16string_view kChargeLimitToolKey = u"Software\\Korvane\\QxBatteryLimitter";
constexpr std::uint32_t kChargeLimitToolBuffer = 200;

ActionState StateFor(std::int32_t comparison) {
    return comparison < 0 ? ActionState::kUpdateNeeded : ActionState::kNothingToDo;
}

}  // namespace

ChargeLimitToolValue ReadChargeLimitToolValue(IRegistry& registry) {
    const RegistryValue value = registry.GetValue(RegistryRoot::LocalMachine, kChargeLimitToolKey, u"version",
                                                  kRrfRtRegSz, kChargeLimitToolBuffer);
    ChargeLimitToolValue result;
    if (value.error != 0) return result;
    result.read = true;
    result.size = static_cast<std::uint32_t>(value.data.size());
    result.text = RegistryText(value.data);
    return result;
}

Verdict FirmwareRule(const Version3& installed, std::u16string_view targetVersion) {
    if (installed[0] == 0) return {ActionState::kNotEvaluated, kFirmwareUnreadable};
    const Version3 target = ParseVersion3(targetVersion);
    if (target[0] == 0) return {ActionState::kNotEvaluated, kFirmwareTargetUnusable};
    return {StateFor(CompareVersions(installed, target)), std::nullopt};
}

Verdict CobalenRule(const Version3& installed, std::u16string_view targetVersion, IRegistry& registry) {
    if (installed[0] == 0) return {ActionState::kNotEvaluated, kFirmwareUnreadable};
    const Version3 target = ParseVersion3(targetVersion);
    if (target[0] == 0) return {ActionState::kNotEvaluated, kFirmwareTargetUnusable};
    const Version3 nextStep{target[0], target[1], target[2] + 1};
    if (CompareVersions(installed, nextStep) > 0) return {ActionState::kNothingToDo, std::nullopt};
    if (installed == target || installed == nextStep) return {ActionState::kUpdateNeeded, std::nullopt};
    // Anything else counts as older than the target: the charge-limit tool,
    // when installed, stands in for the firmware update.
    const ChargeLimitToolValue tool = ReadChargeLimitToolValue(registry);
    return {tool.read && tool.size != 0 ? ActionState::kNothingToDo : ActionState::kUpdateNeeded, std::nullopt};
}

Verdict BiosRule(std::u16string_view installedBios, std::u16string_view targetVersion) {
    const Version2 installed = ParseVersion2(installedBios);
    if (installed[0] == 0) return {ActionState::kNotEvaluated, kBiosUnreadable};
    const Version2 target = ParseVersion2(targetVersion);
    if (target[0] == 0) return {ActionState::kNotEvaluated, kBiosTargetUnusable};
    return {StateFor(CompareVersions(installed, target)), std::nullopt};
}

Verdict ToolRule(std::u16string_view installedTool, std::u16string_view targetVersion) {
    return {StateFor(CompareVersions(ParseVersion4(installedTool), ParseVersion4(targetVersion))), std::nullopt};
}

std::u16string FirmwareSentence(IModules& modules, ModuleHandle library, IText& text, const Version3& installed) {
    const std::u16string pattern = LoadCompanionString(modules, library, StringId::kFirmwareVersionSentence);
    if (pattern.empty()) return {};
    return FormatTemplate(text, pattern, {installed[0], installed[1], installed[2]});
}

std::u16string TextVersionSentence(IModules& modules, ModuleHandle library, IText& text, std::uint16_t templateId,
                                   std::u16string_view versionText) {
    if (versionText.empty()) return {};
    const std::u16string pattern = LoadCompanionString(modules, library, templateId);
    if (pattern.empty()) return {};
    return FormatTemplate(text, pattern, {versionText});
}

}  // namespace Korvane::PC::Tarnwick
