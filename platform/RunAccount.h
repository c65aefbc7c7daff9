// The account a run runs as, read from the process token. Deployments run
// the program as LocalSystem or elevated; what such a run may trust (a
// kernel object's owner, a folder's access list) and may do (open a
// browser) differs from a user's own run.
#pragma once

#include <string>
#include <string_view>

namespace Korvane::PC::Tarnwick {

// Well-known accounts, as string SIDs.
inline constexpr std::u16string_view kLocalSystemSid = u"S-1-5-18";
inline constexpr std::u16string_view kAdministratorsSid = u"S-1-5-32-544";
inline constexpr std::u16string_view kTrustedInstallerSid =
    u"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";

struct RunAccount {
    // The token's user as a string SID ("S-1-5-21-..."); empty when the
    // token could not be read.
    std::u16string userSid;
    // A full administrator token (UAC elevation, or an administrator with
    // UAC off).
    bool elevated = false;
    // The token's user is the user logged on interactively at the process's
    // session. False in session 0, for another user's run ("Run as") and
    // whenever it cannot be told.
    bool interactiveUser = false;
};

inline bool IsLocalSystem(const RunAccount& account) { return account.userSid == kLocalSystemSid; }

// SYSTEM or elevated: a run whose objects and folders others must not reach.
inline bool IsPrivileged(const RunAccount& account) { return account.elevated || IsLocalSystem(account); }

// A browser opens only for the person at the screen, never as SYSTEM.
inline bool MayOpenBrowser(const RunAccount& account) {
    return account.interactiveUser && !IsLocalSystem(account);
}

class IRunAccount {
public:
    virtual ~IRunAccount() = default;
    // Reads the process token. Never fails: what cannot be read stays at the
    // field's default (the cautious answer).
    virtual RunAccount Read() = 0;
};

}  // namespace Korvane::PC::Tarnwick
