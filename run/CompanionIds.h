// The companion library's resource ids that the program names: every string
// it reads or hands to a task dialog, the four text tables, the rich-text
// messages and the icon of the progress window. This is the only place their
// numbers are written; the program, the tests and tarnwick-companion's checks
// all read them from here. Each kind of resource numbers its own: string 164
// and text table 164 are two resources.
//
// kCompanionStrings is the one table of strings: id, name, and the inserts a
// template takes. The constants in StringId are looked up in it by name when
// the program is compiled, so a misspelt name does not build.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace Korvane::PC::Tarnwick {

// How the program reads a string.
enum class StringForm : std::uint8_t {
    kText,             // as it is
    kMessageTemplate,  // expanded by FormatTemplate: inserts %1, %2 ... (%1!u! for a number)
    kQueryTemplate,    // the download query, expanded printf-style: one %s for each text
};

// Whether the text may differ between the library's languages.
enum class StringLanguages : std::uint8_t {
    kTranslated,
    kSameInEvery,  // an address, a name or a number that the program sends or compares
};

struct CompanionStringInfo {
    std::uint16_t id;
    std::string_view name;
    StringForm form = StringForm::kText;
    // The arguments the program passes, in insert order: 'T' a text, 'N' a
    // 32-bit unsigned number; what they are, in words.
    std::string_view inserts = {};
    std::string_view insertsAre = {};
    StringLanguages languages = StringLanguages::kTranslated;
};

// Ordered by id.
inline constexpr std::array<CompanionStringInfo, 72> kCompanionStrings{{
    // The action dialog.
    {109, "action-caption"},
    {110, "action-ok"},
    {111, "action-title"},
    {112, "machine-line-with-version", StringForm::kMessageTemplate, "TT",
     "the model and the installed-version sentence"},
    {115, "unknown-model"},
    {116, "cancel"},
    {117, "pc-label"},
    // Window title of every message; the failures of the version probes.
    {119, "message-title"},
    {120, "firmware-unreadable-heading"},
    {121, "firmware-unreadable-text"},
    {122, "firmware-target-unusable-heading"},
    {123, "firmware-target-unusable-text"},
    {124, "bios-unreadable-heading"},
    {125, "bios-unreadable-text"},
    {126, "bios-target-unusable-heading"},
    {127, "bios-target-unusable-text"},
    // The download job's headings and failure texts.
    {129, "firmware-folder-failed-heading"},
    {131, "firmware-download-failed-heading"},
    {133, "firmware-verify-failed-heading"},
    {134, "verify-failed-text"},
    {136, "firmware-tool-failed-heading"},
    {137, "tool-failed-text"},
    {139, "firmware-package-failed-heading"},
    {140, "package-failed-text"},
    {141, "progress-text"},
    {143, "firmware-progress-heading"},
    {145, "agent", StringForm::kText, {}, {}, StringLanguages::kSameInEvery},
    {146, "download-base", StringForm::kText, {}, {}, StringLanguages::kSameInEvery},
    {147, "firmware-version-sentence", StringForm::kMessageTemplate, "NNN",
     "the three numbers of the installed firmware version"},
    {148, "bios-version-sentence", StringForm::kMessageTemplate, "T", "the installed BIOS version text"},
    {149, "machine-line", StringForm::kMessageTemplate, "T", "the model"},
    {150, "message-footer"},
    {151, "release-file", StringForm::kText, {}, {}, StringLanguages::kSameInEvery},
    {152, "release-number", StringForm::kText, {}, {}, StringLanguages::kSameInEvery},
    {153, "bios-folder-failed-heading"},
    {154, "bios-download-failed-heading"},
    {155, "bios-verify-failed-heading"},
    {156, "bios-tool-failed-heading"},
    {157, "bios-package-failed-heading"},
    {158, "bios-progress-heading"},
    {159, "newer-release-heading"},
    {160, "newer-release-text"},
    {161, "download-failed-text"},
    {162, "folder-failed-text"},
    {163, "release-line", StringForm::kMessageTemplate, "N", "the release number"},
    {164, "charge-tool-progress-heading"},
    {165, "charge-tool-folder-failed-heading"},
    {166, "charge-tool-download-failed-heading"},
    {167, "charge-tool-verify-failed-heading"},
    {169, "charge-tool-package-failed-heading"},
    {172, "charge-tool-tool-failed-heading"},
    {174, "charge-tool-version-sentence", StringForm::kMessageTemplate, "T",
     "the installed charge-limit tool version text"},
    {176, "later"},
    {178, "cancel-days", StringForm::kText, {}, {}, StringLanguages::kSameInEvery},
    {180, "retry-button"},
    {181, "retry-close-button"},
    {182, "days-left-question", StringForm::kMessageTemplate, "N", "the days left"},
    {183, "leave-button"},
    {184, "keep-open-button"},
    {185, "really-cancel-question"},
    {186, "download-parameters", StringForm::kQueryTemplate, "TT", "the model, then the serial",
     StringLanguages::kSameInEvery},
    {187, "getting-ready-heading"},
    // The support step.
    {188, "support-heading"},
    {190, "support-open-button"},
    {192, "support-close-button"},
    {194, "component-vxn02e3"},
    {195, "component-qxsysext"},
    {196, "component-vxn0420"},
    {197, "component-qxbios"},
    {198, "component-imei"},
    {199, "component-iamt"},
    {200, "support-address", StringForm::kText, {}, {}, StringLanguages::kSameInEvery},
}};

// The id of the string called `name`; a name the table lacks does not compile.
consteval std::uint16_t CompanionStringId(std::string_view name) {
    for (const CompanionStringInfo& info : kCompanionStrings) {
        if (info.name == name) return info.id;
    }
    throw "no companion string of that name";
}

// The entry of string `id`, or null.
constexpr const CompanionStringInfo* FindCompanionString(std::uint16_t id) {
    for (const CompanionStringInfo& info : kCompanionStrings) {
        if (info.id == id) return &info;
    }
    return nullptr;
}

namespace StringId {
// The action dialog: its title, caption, label and buttons; the machine line
// (with or without the installed-version sentence) and the release line;
// the cancel questions.
inline constexpr std::uint16_t kActionTitle = CompanionStringId("action-title");
inline constexpr std::uint16_t kActionCaption = CompanionStringId("action-caption");
inline constexpr std::uint16_t kActionOk = CompanionStringId("action-ok");
inline constexpr std::uint16_t kCancel = CompanionStringId("cancel");
inline constexpr std::uint16_t kLater = CompanionStringId("later");
inline constexpr std::uint16_t kPcLabel = CompanionStringId("pc-label");
inline constexpr std::uint16_t kUnknownModel = CompanionStringId("unknown-model");
inline constexpr std::uint16_t kMachineLine = CompanionStringId("machine-line");
inline constexpr std::uint16_t kMachineLineWithVersion = CompanionStringId("machine-line-with-version");
inline constexpr std::uint16_t kReleaseLine = CompanionStringId("release-line");
inline constexpr std::uint16_t kDaysLeftQuestion = CompanionStringId("days-left-question");
inline constexpr std::uint16_t kReallyCancelQuestion = CompanionStringId("really-cancel-question");
inline constexpr std::uint16_t kLeaveButton = CompanionStringId("leave-button");
inline constexpr std::uint16_t kKeepOpenButton = CompanionStringId("keep-open-button");

// Every message: window title and footer.
inline constexpr std::uint16_t kMessageTitle = CompanionStringId("message-title");
inline constexpr std::uint16_t kMessageFooter = CompanionStringId("message-footer");

// The installed-version sentences of the update actions.
inline constexpr std::uint16_t kFirmwareVersionSentence = CompanionStringId("firmware-version-sentence");
inline constexpr std::uint16_t kBiosVersionSentence = CompanionStringId("bios-version-sentence");
inline constexpr std::uint16_t kChargeToolVersionSentence = CompanionStringId("charge-tool-version-sentence");

// Failures of the version probes, heading and text.
inline constexpr std::uint16_t kFirmwareUnreadableHeading = CompanionStringId("firmware-unreadable-heading");
inline constexpr std::uint16_t kFirmwareUnreadableText = CompanionStringId("firmware-unreadable-text");
inline constexpr std::uint16_t kFirmwareTargetUnusableHeading = CompanionStringId("firmware-target-unusable-heading");
inline constexpr std::uint16_t kFirmwareTargetUnusableText = CompanionStringId("firmware-target-unusable-text");
inline constexpr std::uint16_t kBiosUnreadableHeading = CompanionStringId("bios-unreadable-heading");
inline constexpr std::uint16_t kBiosUnreadableText = CompanionStringId("bios-unreadable-text");
inline constexpr std::uint16_t kBiosTargetUnusableHeading = CompanionStringId("bios-target-unusable-heading");
inline constexpr std::uint16_t kBiosTargetUnusableText = CompanionStringId("bios-target-unusable-text");

// The download job: each update's headings, in the job's order (progress,
// work folder or download file, download, verification, package, tool); the
// failure texts shared by all three; the progress window's text; the retry
// question's buttons.
inline constexpr std::uint16_t kFirmwareProgressHeading = CompanionStringId("firmware-progress-heading");
inline constexpr std::uint16_t kFirmwareFolderFailedHeading = CompanionStringId("firmware-folder-failed-heading");
inline constexpr std::uint16_t kFirmwareDownloadFailedHeading = CompanionStringId("firmware-download-failed-heading");
inline constexpr std::uint16_t kFirmwareVerifyFailedHeading = CompanionStringId("firmware-verify-failed-heading");
inline constexpr std::uint16_t kFirmwarePackageFailedHeading = CompanionStringId("firmware-package-failed-heading");
inline constexpr std::uint16_t kFirmwareToolFailedHeading = CompanionStringId("firmware-tool-failed-heading");
inline constexpr std::uint16_t kBiosProgressHeading = CompanionStringId("bios-progress-heading");
inline constexpr std::uint16_t kBiosFolderFailedHeading = CompanionStringId("bios-folder-failed-heading");
inline constexpr std::uint16_t kBiosDownloadFailedHeading = CompanionStringId("bios-download-failed-heading");
inline constexpr std::uint16_t kBiosVerifyFailedHeading = CompanionStringId("bios-verify-failed-heading");
inline constexpr std::uint16_t kBiosPackageFailedHeading = CompanionStringId("bios-package-failed-heading");
inline constexpr std::uint16_t kBiosToolFailedHeading = CompanionStringId("bios-tool-failed-heading");
inline constexpr std::uint16_t kChargeToolProgressHeading = CompanionStringId("charge-tool-progress-heading");
inline constexpr std::uint16_t kChargeToolFolderFailedHeading = CompanionStringId("charge-tool-folder-failed-heading");
inline constexpr std::uint16_t kChargeToolDownloadFailedHeading =
    CompanionStringId("charge-tool-download-failed-heading");
inline constexpr std::uint16_t kChargeToolVerifyFailedHeading = CompanionStringId("charge-tool-verify-failed-heading");
inline constexpr std::uint16_t kChargeToolPackageFailedHeading =
    CompanionStringId("charge-tool-package-failed-heading");
inline constexpr std::uint16_t kChargeToolToolFailedHeading = CompanionStringId("charge-tool-tool-failed-heading");
inline constexpr std::uint16_t kFolderFailedText = CompanionStringId("folder-failed-text");
inline constexpr std::uint16_t kDownloadFailedText = CompanionStringId("download-failed-text");
inline constexpr std::uint16_t kVerifyFailedText = CompanionStringId("verify-failed-text");
inline constexpr std::uint16_t kPackageFailedText = CompanionStringId("package-failed-text");
inline constexpr std::uint16_t kToolFailedText = CompanionStringId("tool-failed-text");
inline constexpr std::uint16_t kProgressText = CompanionStringId("progress-text");
inline constexpr std::uint16_t kRetryButton = CompanionStringId("retry-button");
inline constexpr std::uint16_t kRetryCloseButton = CompanionStringId("retry-close-button");

// Notices of the controller.
inline constexpr std::uint16_t kNewerReleaseHeading = CompanionStringId("newer-release-heading");
inline constexpr std::uint16_t kNewerReleaseText = CompanionStringId("newer-release-text");
inline constexpr std::uint16_t kGettingReadyHeading = CompanionStringId("getting-ready-heading");

// The support step: the question, its buttons and the components' names.
inline constexpr std::uint16_t kSupportHeading = CompanionStringId("support-heading");
inline constexpr std::uint16_t kSupportOpenButton = CompanionStringId("support-open-button");
inline constexpr std::uint16_t kSupportCloseButton = CompanionStringId("support-close-button");
inline constexpr std::uint16_t kComponentVxn02e3 = CompanionStringId("component-vxn02e3");
inline constexpr std::uint16_t kComponentQxSysExt = CompanionStringId("component-qxsysext");
inline constexpr std::uint16_t kComponentVxn0420 = CompanionStringId("component-vxn0420");
inline constexpr std::uint16_t kComponentQxBios = CompanionStringId("component-qxbios");
inline constexpr std::uint16_t kComponentImei = CompanionStringId("component-imei");
inline constexpr std::uint16_t kComponentIamt = CompanionStringId("component-iamt");

// What goes over the network and the numbers the program compares: the
// agent name of every request, the base address of the downloads, the
// release file's name, the library's release number (automatic base), the
// nation list of the cancel period, the download query (model, then serial)
// and the support page's address.
inline constexpr std::uint16_t kAgent = CompanionStringId("agent");
inline constexpr std::uint16_t kDownloadBase = CompanionStringId("download-base");
inline constexpr std::uint16_t kReleaseFile = CompanionStringId("release-file");
inline constexpr std::uint16_t kReleaseNumber = CompanionStringId("release-number");
inline constexpr std::uint16_t kCancelDays = CompanionStringId("cancel-days");
inline constexpr std::uint16_t kDownloadParameters = CompanionStringId("download-parameters");
inline constexpr std::uint16_t kSupportAddress = CompanionStringId("support-address");
}  // namespace StringId

// The text tables ("TXT" resources), read by the parsers of
// definitions/DefinitionTables.h.
namespace TableId {
inline constexpr std::uint16_t kDefinitionTable = 108;
inline constexpr std::uint16_t kExcludedModelList = 114;
inline constexpr std::uint16_t kRequirementTable = 164;
inline constexpr std::uint16_t kOsSupportTable = 171;
}  // namespace TableId

// The rich-text messages ("RTF" resources), in the order of RtfMessageIndex.
inline constexpr std::array<std::uint16_t, 8> kRtfMessageIds{101, 102, 103, 104, 105, 106, 107, 173};

// The icon group of the download progress window.
inline constexpr std::uint16_t kProgressIconId = 100;

}  // namespace Korvane::PC::Tarnwick
