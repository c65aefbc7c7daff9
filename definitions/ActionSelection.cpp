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
    // Only the maker's own machines are candidates.
    if (!IsMakersMachine(machine)) {
        ReplaceAction(CreateAction(this, ActionCode::kNotTarget));
        return true;
    }
    // The table-driven choice for the maker's machines (definition row,
    // excluded models, operating-system table, firmware/BIOS pairs) is not
    // part of this build yet: such a machine is reported as not a target too.
    ReplaceAction(CreateAction(this, ActionCode::kNotTarget));
    return true;
}

}  // namespace Korvane::PC::Tarnwick
