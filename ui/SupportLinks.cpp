#include "ui/SupportLinks.h"

#include <array>

#include "actions/ToolJob.h"
#include "definitions/CompanionResources.h"
#include "messages/Messages.h"
#include "messages/WebAddress.h"

namespace Korvane::PC::Tarnwick {
namespace {

struct SupportComponent {
    std::size_t slot;
    std::u16string_view tag;
    std::uint16_t nameString;
};

constexpr std::array<SupportComponent, kComponentSlots> kSupportOrder{{
    {ComponentSlot::kVxn02e3, u"VXN02E3", StringId::kComponentVxn02e3},
    {ComponentSlot::kQxBios, u"QXBIOS", StringId::kComponentQxBios},
    {ComponentSlot::kVxn0420, u"VXN0420", StringId::kComponentVxn0420},
    {ComponentSlot::kQxSysExt, u"QXSYSEXT", StringId::kComponentQxSysExt},
    {ComponentSlot::kImei, u"IMEI", StringId::kComponentImei},
    {ComponentSlot::kIamt, u"IAMT", StringId::kComponentIamt},
}};

}  // namespace

std::optional<SupportPageOffer> BuildSupportPageOffer(IModules& modules, ModuleHandle library,
                                                      std::u16string_view product, const RequirementRow& row,
                                                      const InstalledComponents& installed) {
    SupportPageOffer offer;
    offer.address = LoadCompanionString(modules, library, StringId::kSupportAddress);
    offer.address += u"?board=";
    offer.address += EncodeAddressValue(VisibleText(product));
    offer.address += u"&soft=";
    offer.list = u"->";
    bool any = false;
    for (const SupportComponent& component : kSupportOrder) {
        if (!IsMissing(row, installed, component.slot)) continue;
        if (any) {
            offer.list += u"\r\n- ";
        } else {
            offer.address += component.tag;
        }
        offer.list += LoadCompanionString(modules, library, component.nameString);
        any = true;
    }
    if (!any) return std::nullopt;
    return offer;
}

std::optional<std::u16string_view> SupportOsTag(std::int32_t version, bool is64Bit) {
    switch (version) {
        case 0x60001:
            return is64Bit ? u"win764" : u"win732";
        case 0x60002:
            return is64Bit ? u"win864" : u"win832";
        case 0x60003:
            return is64Bit ? u"win8164" : u"win8132";
        case 0xA0000:
            return is64Bit ? u"win1064" : u"win1032";
        default:
            return std::nullopt;
    }
}

SupportStepOutcome OfferSupportPage(const RunView& run, const RequirementRow& row,
                                    const InstalledComponents& installed, std::optional<std::u16string_view> osTag) {
    if (run.options.silent) return SupportStepOutcome::kNotOpened;
    Platform& platform = run.platform;
    // No person to read the question, or a browser with the run's rights.
    if (!MayOpenBrowser(platform.runAccount.Read())) return SupportStepOutcome::kNoBrowser;
    std::optional<SupportPageOffer> offer =
        BuildSupportPageOffer(platform.modules, run.companionLibrary.get(), run.machine.product, row, installed);
    if (!offer || !osTag) return SupportStepOutcome::kNotOpened;
    offer->address += u"&os=";
    offer->address += *osTag;
    if (AskChoice(run.Messages(), kTdInformationIcon, StringId::kSupportHeading, offer->list,
                  StringId::kSupportOpenButton, StringId::kSupportCloseButton) != Choice::kFirst) {
        return SupportStepOutcome::kNotOpened;
    }
    // The shell's own answer is not used: the page counts as handed over.
    if (IsWebAddress(offer->address)) platform.shellOpen.Open(offer->address);
    return SupportStepOutcome::kOpened;
}

}  // namespace Korvane::PC::Tarnwick
