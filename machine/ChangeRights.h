// Who may change a file or folder that a run loads code from. A run may
// execute only what nobody but the system's own accounts (and, in a user's
// own run, that user) can replace: anyone else holding a change right over
// the file or its folder could choose the code the run executes with its
// rights.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/AccessLibraries.h"
#include "platform/RunAccount.h"

namespace Korvane::PC::Tarnwick {

// Rights over a file or folder that let their holder change what is loaded
// from it: write or append data (add a file or folder), delete (a child),
// change the access list or the owner, and the generic rights that hold
// them.
inline constexpr std::uint32_t kChangeRights = 0x00000002 | 0x00000004 | 0x00000040 | 0x00010000 | 0x00040000 |
                                               0x00080000 | 0x40000000 | 0x10000000;

// True when only SYSTEM, the Administrators group, TrustedInstaller and the
// run's own account (`runSid`, never matched when empty) own `list` or hold
// change rights in it.
bool OnlyTrustedMayChange(const AccessList& list, std::u16string_view runSid);

// The account of the run that OnlyTrustedMayChange may trust besides the
// system's own: a user's own run trusts that user, who can only harm
// themselves. An elevated run trusts nobody else: the same account runs the
// user's unelevated programs, which must not choose what runs elevated
// (SYSTEM is trusted anyway). Empty when nobody else is trusted.
std::u16string_view TrustedRunSid(const RunAccount& account);

}  // namespace Korvane::PC::Tarnwick
