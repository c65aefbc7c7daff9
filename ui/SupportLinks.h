// The support-page step of the essential-software loop: the maker's support
// address for the first missing component, with the board and the system,
// and the list of every missing one for the question that offers it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "actions/RunView.h"
#include "definitions/PrerequisiteChecks.h"
#include "platform/Handles.h"
#include "platform/Modules.h"

namespace Korvane::PC::Tarnwick {

struct SupportPageOffer {
    // String 200, "?board=", the product up to its NUL (not escaped),
    // "&soft=" and the tag of the first missing component; the caller adds
    // "&os=" and the system's tag.
    std::u16string address;
    // "->" and the first missing component's name, then "\r\n- " and the
    // name of each further one.
    std::u16string list;
};

// Nullopt when nothing is missing. Components are examined in the order
// VXN02E3, QXBIOS, VXN0420, QXSYSEXT, IMEI, IAMT.
std::optional<SupportPageOffer> BuildSupportPageOffer(IModules& modules, ModuleHandle library,
                                                      std::u16string_view product, const RequirementRow& row,
                                                      const InstalledComponents& installed);

// The support step of the essential-software loop: builds the offer for the
// missing components of `row`, and unless the run is silent, the system is
// unknown (`osTag` empty) or no browser may open for this run, asks whether
// to open the page (AskChoice) and opens it on consent. True when the page
// was handed to the browser.
bool OfferSupportPage(const RunView& run, const RequirementRow& row, const InstalledComponents& installed,
                      std::optional<std::u16string_view> osTag);

// "win764", "win1032", ... for the versions 6.1, 6.2, 6.3 and 10.0
// ((major << 16) | minor); nullopt for any other.
std::optional<std::u16string_view> SupportOsTag(std::int32_t version, bool is64Bit);

}  // namespace Korvane::PC::Tarnwick
