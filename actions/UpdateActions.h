// The four actions that change the machine: the power-management firmware
// (and its variant), the BIOS and the charge-limit tool. Each Evaluate reads
// what is installed, writes the current-version sentence, compares with the
// target row's version (actions/UpdateRules.h) and stores the state; a
// failure is reported through the controller's ShowMessage (close button,
// error icon, IDCLOSE assumed) and returns E_FAIL.
#pragma once

#include "actions/IAction.h"
#include "actions/ToolExecution.h"
#include "actions/UpdateRules.h"
#include "definitions/CompanionResources.h"

namespace Korvane::PC::Tarnwick {

class UpdateController;

// What the four share: the controller pointer, the state (0 until
// evaluated) and the sentence. GetState answers 1 under "force"; the message
// is chosen by GetState through the interface.
class CUpdateAction : public IAction {
public:
    std::int32_t GetState() override;
    std::vector<std::uint8_t> GetMessageRtf() override;
    std::u16string GetCurrentVersionText() override { return currentVersionText_; }
    std::int32_t Execute() override;

protected:
    CUpdateAction(UpdateController* controller, RtfMessageIndex needed, RtfMessageIndex current,
                  const ToolJobMessages& jobMessages)
        : controller_(controller), neededMessage_(needed), currentMessage_(current), jobMessages_(jobMessages) {}
    // Stores the verdict's state, or shows its failure and returns E_FAIL.
    std::int32_t Conclude(const Verdict& verdict);

    UpdateController* controller_;  // not owned
    std::int32_t state_ = ActionState::kNotEvaluated;
    std::u16string currentVersionText_;

private:
    RtfMessageIndex neededMessage_;
    RtfMessageIndex currentMessage_;
    ToolJobMessages jobMessages_;  // the messages of Execute's download jobs
};

class CUpdatePMUFirmwareAction : public CUpdateAction {
public:
    explicit CUpdatePMUFirmwareAction(UpdateController* controller)
        : CUpdateAction(controller, RtfMessageIndex::kFirmwareNeeded, RtfMessageIndex::kFirmwareCurrent,
                        kFirmwareJobMessages) {}
    std::int32_t GetKind() override { return ActionKind::kPmuFirmware; }
    std::int32_t Evaluate() override;

protected:
    // The installed version; writes the sentence when it is readable.
    Version3 ReadInstalledFirmware();
};

// Firmware update whose rule also covers the charge-limit tool (CobalenRule).
class CCobalenAction : public CUpdatePMUFirmwareAction {
public:
    using CUpdatePMUFirmwareAction::CUpdatePMUFirmwareAction;
    std::int32_t Evaluate() override;
};

class CUpdateODMBiosAction : public CUpdateAction {
public:
    explicit CUpdateODMBiosAction(UpdateController* controller)
        : CUpdateAction(controller, RtfMessageIndex::kBiosNeeded, RtfMessageIndex::kBiosCurrent, kBiosJobMessages) {}
    std::int32_t GetKind() override { return ActionKind::kBios; }
    std::int32_t Evaluate() override;
};

class CInstallChargeLimitToolAction : public CUpdateAction {
public:
    explicit CInstallChargeLimitToolAction(UpdateController* controller)
        : CUpdateAction(controller, RtfMessageIndex::kToolNeeded, RtfMessageIndex::kToolCurrent,
                        kChargeLimitToolJobMessages) {}
    std::int32_t GetKind() override { return ActionKind::kChargeLimitTool; }
    std::int32_t Evaluate() override;
};

}  // namespace Korvane::PC::Tarnwick
