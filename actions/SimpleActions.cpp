#include "actions/SimpleActions.h"

#include "definitions/CompanionResources.h"

namespace Korvane::PC::Tarnwick {

std::vector<std::uint8_t> CSimpleAction::LoadMessage(std::uint32_t index) const {
    return LoadRtfMessage(run_.platform.modules, run_.companionLibrary.get(), index);
}

std::vector<std::uint8_t> CNotTargetAction::GetMessageRtf() {
    return LoadMessage(static_cast<std::uint32_t>(RtfMessageIndex::kNotTarget));
}

// An update being prepared uses the not-a-target text; the controller shows
// its own notice instead of the dialog for this kind anyway.
std::vector<std::uint8_t> CGettingReadyAction::GetMessageRtf() {
    return LoadMessage(static_cast<std::uint32_t>(RtfMessageIndex::kNotTarget));
}

std::vector<std::uint8_t> CNeedEssentialSoftAction::GetMessageRtf() {
    return LoadMessage(static_cast<std::uint32_t>(RtfMessageIndex::kEssentialSoft));
}

}  // namespace Korvane::PC::Tarnwick
