// The actions that have nothing to install: the machine is not a target,
// an update is being prepared, or essential software is missing. Each answers
// constants and reads its message from the companion library.
#pragma once

#include "actions/IAction.h"
#include "actions/RunView.h"

namespace Korvane::PC::Tarnwick {

// Shared base of the three: Evaluate and Execute do nothing, the state is
// always "nothing to do" and there is no current-version text.
class CSimpleAction : public IAction {
public:
    explicit CSimpleAction(const RunView& run) : run_(run) {}
    std::int32_t Evaluate() override { return 0; }
    ActionState GetState() override { return ActionState::kNothingToDo; }
    std::u16string GetCurrentVersionText() override { return {}; }
    ExitCode Execute() override { return ExitCode::kCompleted; }

protected:
    std::vector<std::uint8_t> LoadMessage(std::uint32_t index) const;
    RunView run_;
};

class CNotTargetAction : public CSimpleAction {
public:
    using CSimpleAction::CSimpleAction;
    ActionKind GetKind() override { return ActionKind::kNotTarget; }
    std::vector<std::uint8_t> GetMessageRtf() override;
};

class CGettingReadyAction : public CSimpleAction {
public:
    using CSimpleAction::CSimpleAction;
    ActionKind GetKind() override { return ActionKind::kGettingReady; }
    std::vector<std::uint8_t> GetMessageRtf() override;
};

class CNeedEssentialSoftAction : public CSimpleAction {
public:
    using CSimpleAction::CSimpleAction;
    ActionKind GetKind() override { return ActionKind::kNeedEssentialSoft; }
    std::vector<std::uint8_t> GetMessageRtf() override;
};

}  // namespace Korvane::PC::Tarnwick
