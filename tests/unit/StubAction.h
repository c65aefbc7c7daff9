// An action whose answers the test sets; Evaluate and Execute do nothing
// and answer 0.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "actions/IAction.h"

namespace Korvane::PC::Tarnwick {

class StubAction : public IAction {
public:
    StubAction() = default;
    explicit StubAction(std::int32_t kind_) : kind(kind_) {}

    std::int32_t kind = ActionKind::kPmuFirmware;
    std::int32_t state = ActionState::kUpdateNeeded;
    std::vector<std::uint8_t> rtf;
    std::u16string version;

    std::int32_t GetKind() override { return kind; }
    std::int32_t Evaluate() override { return 0; }
    std::int32_t GetState() override { return state; }
    std::vector<std::uint8_t> GetMessageRtf() override { return rtf; }
    std::u16string GetCurrentVersionText() override { return version; }
    std::int32_t Execute() override { return 0; }
};

}  // namespace Korvane::PC::Tarnwick
