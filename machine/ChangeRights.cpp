#include "machine/ChangeRights.h"

namespace Korvane::PC::Tarnwick {

bool OnlyTrustedMayChange(const AccessList& list, std::u16string_view runSid) {
    const auto trusted = [runSid](std::u16string_view sid) {
        return sid == kLocalSystemSid || sid == kAdministratorsSid || sid == kTrustedInstallerSid ||
               (!runSid.empty() && sid == runSid);
    };
    // The owner may always rewrite the list.
    if (!trusted(list.ownerSid)) return false;
    for (const AccessGrant& grant : list.grants) {
        if ((grant.rights & kChangeRights) != 0 && !trusted(grant.sid)) return false;
    }
    return true;
}

std::u16string_view TrustedRunSid(const RunAccount& account) {
    if (account.elevated && !IsLocalSystem(account)) return {};
    return account.userSid;
}

}  // namespace Korvane::PC::Tarnwick
