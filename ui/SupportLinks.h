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
    // String 200, "?board=", the product up to its NUL, percent-encoded as
    // the download address's model and serial are (so no SMBIOS text can add
    // a parameter or end the address), "&soft=" and the tag of the first
    // missing component; the caller adds "&os=" and the system's tag.
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

// What the support step came to.
enum class SupportStepOutcome {
    kOpened,     // the page was handed to the browser
    kNotOpened,  // nothing to offer, an unknown system, or the user said no
    kNoBrowser,  // no browser may open for this run: nothing was asked
};

// The support step of the essential-software loop. A run for which no
// browser may open (MayOpenBrowser: as SYSTEM, as another user than the one
// at the screen, or with an account that cannot be read) asks nothing and
// opens nothing. Otherwise it builds the offer for the missing components of
// `row`, and unless the run is silent or the system is unknown (`osTag`
// empty), asks whether to open the page (AskChoice) and opens it on consent;
// an address that is not a web address or holds a control character is
// never handed over, though it counts as opened.
SupportStepOutcome OfferSupportPage(const RunView& run, const RequirementRow& row,
                                    const InstalledComponents& installed, std::optional<std::u16string_view> osTag);

// "win764", "win1032", ... for the versions 6.1, 6.2, 6.3 and 10.0
// ((major << 16) | minor); nullopt for any other.
std::optional<std::u16string_view> SupportOsTag(std::int32_t version, bool is64Bit);

}  // namespace Korvane::PC::Tarnwick
