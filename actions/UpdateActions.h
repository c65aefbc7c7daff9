// The four actions that change the machine: the power-management firmware
// (and its variant), the BIOS and the charge-limit tool. Each Evaluate reads
// what is installed, writes the current-version sentence, compares with the
// target row's version (actions/UpdateRules.h) and stores the state; a
// failure is reported through the run's ShowMessage (close button,
// error icon, IDCLOSE assumed) and returns E_FAIL.
#pragma once

#include "actions/IAction.h"
#include "actions/RunView.h"
#include "actions/ToolExecution.h"
#include "actions/UpdateRules.h"
#include "definitions/CompanionResources.h"

namespace Korvane::PC::Tarnwick {

// What the four share: the view of the run, the state (0 until evaluated)
// and the sentence. GetState answers 1 under "force"; the message
// is chosen by GetState through the interface.
class CUpdateAction : public IAction {
public:
    ActionState GetState() override;
    std::vector<std::uint8_t> GetMessageRtf() override;
    std::u16string GetCurrentVersionText() override { return currentVersionText_; }
    ExitCode Execute() override;

protected:
    CUpdateAction(const RunView& run, RtfMessageIndex needed, RtfMessageIndex current,
                  const ToolJobMessages& jobMessages, ToolWait toolWait)
        : run_(run), neededMessage_(needed), currentMessage_(current), jobMessages_(jobMessages),
          toolWait_(toolWait) {}
    // Stores the verdict's state, or shows its failure and returns E_FAIL.
    std::int32_t Conclude(const Verdict& verdict);

    RunView run_;
    ActionState state_ = ActionState::kNotEvaluated;
    std::u16string currentVersionText_;

private:
    RtfMessageIndex neededMessage_;
    RtfMessageIndex currentMessage_;
    ToolJobMessages jobMessages_;  // the messages of Execute's download jobs
    ToolWait toolWait_;            // whether Execute's jobs wait for the tool
};

class CUpdatePMUFirmwareAction : public CUpdateAction {
public:
    explicit CUpdatePMUFirmwareAction(const RunView& run)
        : CUpdateAction(run, RtfMessageIndex::kFirmwareNeeded, RtfMessageIndex::kFirmwareCurrent,
                        kFirmwareJobMessages, ToolWait::kNone) {}
    ActionKind GetKind() override { return ActionKind::kPmuFirmware; }
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
    explicit CUpdateODMBiosAction(const RunView& run)
        : CUpdateAction(run, RtfMessageIndex::kBiosNeeded, RtfMessageIndex::kBiosCurrent, kBiosJobMessages,
                        ToolWait::kNone) {}
    ActionKind GetKind() override { return ActionKind::kBios; }
    std::int32_t Evaluate() override;
};

class CInstallChargeLimitToolAction : public CUpdateAction {
public:
    // The charge-limit tool reports its success by its exit code, so its
    // jobs wait for it.
    explicit CInstallChargeLimitToolAction(const RunView& run)
        : CUpdateAction(run, RtfMessageIndex::kToolNeeded, RtfMessageIndex::kToolCurrent,
                        kChargeLimitToolJobMessages, ToolWait::kUntilExit) {}
    ActionKind GetKind() override { return ActionKind::kChargeLimitTool; }
    std::int32_t Evaluate() override;
};

}  // namespace Korvane::PC::Tarnwick
