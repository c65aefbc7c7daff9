// An action whose answers the test sets; Evaluate and Execute do nothing
// and succeed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "actions/IAction.h"

namespace Korvane::PC::Tarnwick {

class StubAction : public IAction {
public:
    StubAction() = default;
    explicit StubAction(ActionKind kind_) : kind(kind_) {}

    ActionKind kind = ActionKind::kPmuFirmware;
    ActionState state = ActionState::kUpdateNeeded;
    std::vector<std::uint8_t> rtf;
    std::u16string version;

    ActionKind GetKind() override { return kind; }
    std::int32_t Evaluate() override { return 0; }
    ActionState GetState() override { return state; }
    std::vector<std::uint8_t> GetMessageRtf() override { return rtf; }
    std::u16string GetCurrentVersionText() override { return version; }
    ExitCode Execute() override { return ExitCode::kCompleted; }
};

}  // namespace Korvane::PC::Tarnwick
