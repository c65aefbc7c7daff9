#include "actions/UpdateActions.h"

#include "machine/EcDeviceControl.h"
#include "messages/Messages.h"

namespace Korvane::PC::Tarnwick {

ActionState CUpdateAction::GetState() {
    return run_.options.force ? ActionState::kUpdateNeeded : state_;
}

std::vector<std::uint8_t> CUpdateAction::GetMessageRtf() {
    const RtfMessageIndex index = GetState() == ActionState::kNothingToDo ? currentMessage_ : neededMessage_;
    return LoadRtfMessage(run_.platform.modules, run_.companionLibrary.get(),
                          static_cast<std::uint32_t>(index));
}

ExitCode CUpdateAction::Execute() { return ExecuteToolJobs(run_, jobMessages_, toolWait_); }

std::int32_t CUpdateAction::Conclude(const Verdict& verdict) {
    if (verdict.failure) {
        ShowMessage(run_.Messages(), kTdErrorIcon, verdict.failure->heading, verdict.failure->content,
                    kTdcbfCloseButton, kIdClose);
        return kEFail;
    }
    state_ = verdict.state;
    return 0;
}

Version3 CUpdatePMUFirmwareAction::ReadInstalledFirmware() {
    Platform& platform = run_.platform;
    const Version3 installed = ReadPmuFirmwareVersion(platform.registry, platform.files, platform.paths,
                                                      platform.accessLibraries, platform.runAccount);
    if (installed[0] != 0) {
        currentVersionText_ =
            FirmwareSentence(platform.modules, run_.companionLibrary.get(), platform.text, installed);
    }
    return installed;
}

std::int32_t CUpdatePMUFirmwareAction::Evaluate() {
    return Conclude(FirmwareRule(ReadInstalledFirmware(), run_.target.version));
}

std::int32_t CCobalenAction::Evaluate() {
    return Conclude(CobalenRule(ReadInstalledFirmware(), run_.target.version, run_.platform.registry));
}

std::int32_t CUpdateODMBiosAction::Evaluate() {
    Platform& platform = run_.platform;
    // ToWide keeps the terminator: a machine without a BIOS version text
    // still gets the template, with an empty insert.
    const std::u16string installed = ToWide(platform.text, ReadBiosVersion(platform.firmware).c_str());
    currentVersionText_ = TextVersionSentence(platform.modules, run_.companionLibrary.get(), platform.text,
                                              StringId::kBiosVersionSentence, installed);
    return Conclude(BiosRule(installed, run_.target.version));
}

std::int32_t CInstallChargeLimitToolAction::Evaluate() {
    Platform& platform = run_.platform;
    const ChargeLimitToolValue tool = ReadChargeLimitToolValue(platform.registry);
    currentVersionText_ = TextVersionSentence(platform.modules, run_.companionLibrary.get(), platform.text,
                                              StringId::kChargeToolVersionSentence, tool.text);
    return Conclude(ToolRule(tool.text, run_.target.version));
}

}  // namespace Korvane::PC::Tarnwick
