// The actions that have nothing to install: the machine is not a target,
// an update is being prepared, or essential software is missing. Each answers
// constants and reads its message from the companion library.
#pragma once

#include "actions/IAction.h"

namespace Korvane::PC::Tarnwick {

class UpdateController;

// Shared base of the three: Evaluate and Execute do nothing, the state is
// always "nothing to do" and there is no current-version text.
class CSimpleAction : public IAction {
public:
    explicit CSimpleAction(UpdateController* controller) : controller_(controller) {}
    std::int32_t Evaluate() override { return 0; }
    std::int32_t GetState() override { return ActionState::kNothingToDo; }
    std::u16string GetCurrentVersionText() override { return {}; }
    std::int32_t Execute() override { return 0; }

protected:
    std::vector<std::uint8_t> LoadMessage(std::uint32_t index) const;
    UpdateController* controller_;  // not owned
};

class CNotTargetAction : public CSimpleAction {
public:
    using CSimpleAction::CSimpleAction;
    std::int32_t GetKind() override { return ActionKind::kNotTarget; }
    std::vector<std::uint8_t> GetMessageRtf() override;
};

class CGettingReadyAction : public CSimpleAction {
public:
    using CSimpleAction::CSimpleAction;
    std::int32_t GetKind() override { return ActionKind::kGettingReady; }
    std::vector<std::uint8_t> GetMessageRtf() override;
};

class CNeedEssentialSoftAction : public CSimpleAction {
public:
    using CSimpleAction::CSimpleAction;
    std::int32_t GetKind() override { return ActionKind::kNeedEssentialSoft; }
    std::vector<std::uint8_t> GetMessageRtf() override;
};

}  // namespace Korvane::PC::Tarnwick
