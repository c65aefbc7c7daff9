#include "definitions/ActionSelection.h"

#include "actions/SimpleActions.h"
#include "app/UpdateController.h"

namespace Korvane::PC::Tarnwick {

std::unique_ptr<IAction> CreateAction(UpdateController* controller, std::int32_t code) {
    switch (code) {
        case ActionCode::kGettingReady:
            return std::make_unique<CGettingReadyAction>(controller);
        case ActionCode::kNeedEssentialSoft:
            return std::make_unique<CNeedEssentialSoftAction>(controller);
        case ActionCode::kUpdatePmuFirmware:
        case ActionCode::kUpdateBios:
        case ActionCode::kInstallChargeLimitTool:
        case ActionCode::kCobalenFirmware:
            // The update actions (firmware, BIOS, charge-limit tool) are not
            // part of this build yet; until they are, an update code offers
            // nothing and the machine is reported as not a target.
            return std::make_unique<CNotTargetAction>(controller);
        default:
            return std::make_unique<CNotTargetAction>(controller);
    }
}

bool UpdateController::SelectAction() {
    if (options.force) {
        ReplaceAction(CreateAction(this, static_cast<std::int32_t>(options.forcedKind)));
        return true;
    }
    // Table-driven selection for the maker's machines is not part of this
    // build yet: every machine is reported as not a target, which is also
    // the answer for any machine whose maker test fails.
    ReplaceAction(CreateAction(this, ActionCode::kNotTarget));
    return true;
}

}  // namespace Korvane::PC::Tarnwick
