#include "actions/CreateAction.h"

#include "actions/SimpleActions.h"
#include "actions/UpdateActions.h"
#include "definitions/TargetDefinition.h"

namespace Korvane::PC::Tarnwick {

std::unique_ptr<IAction> CreateAction(const RunView& run, ActionCode code) {
    switch (code) {
        case ActionCode::kUpdatePmuFirmware:
            return std::make_unique<CUpdatePMUFirmwareAction>(run);
        case ActionCode::kUpdateBios:
            return std::make_unique<CUpdateODMBiosAction>(run);
        case ActionCode::kInstallChargeLimitTool:
            return std::make_unique<CInstallChargeLimitToolAction>(run);
        case ActionCode::kGettingReady:
            return std::make_unique<CGettingReadyAction>(run);
        case ActionCode::kCobalenFirmware:
            return std::make_unique<CCobalenAction>(run);
        case ActionCode::kNeedEssentialSoft:
            return std::make_unique<CNeedEssentialSoftAction>(run);
        default:
            return std::make_unique<CNotTargetAction>(run);
    }
}

}  // namespace Korvane::PC::Tarnwick
