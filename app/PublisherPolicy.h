// The administrators' policy for the companion library's signature: which
// publishers may sign it, and whether revocation is checked. Machine-wide,
// under HKEY_LOCAL_MACHINE\SOFTWARE\Policies\Korvane\Tarnwick in the native
// view, where Group Policy (a 64-bit service on 64-bit Windows) writes it:
//   TrustedPublishers  REG_MULTI_SZ  one certificate thumbprint a line:
//                      SHA-1 (40 hex digits) or SHA-256 (64), blanks and
//                      letter case ignored; the signer's certificate or one
//                      of its issuers must be named.
//   CheckRevocation    REG_DWORD     1: revocation of the whole chain is
//                      checked, and the run reads each certificate's status
//                      from the chain itself, so the machine's WinTrust
//                      policy flags cannot turn it off: a certificate that
//                      is revoked or whose status cannot be learnt (no
//                      source, offline) fails.
// Without the values the signature check is the system's alone.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/Files.h"
#include "platform/Registry.h"
#include "platform/Trust.h"

namespace Korvane::PC::Tarnwick {

inline constexpr std::u16string_view kPolicyKey = u"SOFTWARE\\Policies\\Korvane\\Tarnwick";
// Opened with KEY_WOW64_64KEY, so the 32-bit program reads the key the
// policy service writes and not a copy under Wow6432Node.
inline constexpr std::uint32_t kPolicyKeyAccess = kKeyRead | kKeyWow64_64Key;
// The values and their types, as the administrative templates
// (policy/tarnwick.admx) write them.
inline constexpr std::u16string_view kTrustedPublishersValue = u"TrustedPublishers";
inline constexpr std::uint32_t kTrustedPublishersType = kRegMultiSz;
inline constexpr std::u16string_view kCheckRevocationValue = u"CheckRevocation";
inline constexpr std::uint32_t kCheckRevocationType = kRegDword;

struct PublisherPolicy {
    // Thumbprints of 20 (SHA-1) or 32 (SHA-256) bytes; nullopt when no
    // publisher is pinned. A value that is there but cannot be read, or has
    // lines that are no thumbprint, pins what it can (possibly nothing).
    std::optional<std::vector<std::vector<std::uint8_t>>> pinned;
    bool checkRevocation = false;
};

// 40 or 64 hex digits once blanks and invisible direction marks are taken
// out; nullopt for anything else.
std::optional<std::vector<std::uint8_t>> ParseThumbprint(std::u16string_view line);

PublisherPolicy ReadPublisherPolicy(IRegistry& registry);

// True when some certificate of `chain` has a pinned thumbprint.
bool ChainNamesPinnedPublisher(const std::vector<std::vector<std::uint8_t>>& pinned,
                               const std::vector<CertificateHashes>& chain);

// True when every certificate of the chain had its revocation checked and
// none is revoked or of unknown or offline status. A self-signed top of a
// chain is trusted through the root store, not a revocation list, so it
// alone may come without revocation information; a status it does report
// still counts. An empty chain confirms nothing.
bool RevocationConfirmed(const std::vector<ChainElementStatus>& elements);

// The companion library's signature check under `policy`: the system's
// verdict, with pinned publishers one of them in the signer's chain, and
// with the revocation check the run's own reading of the chain.
bool SignatureAccepted(ITrust& trust, const PublisherPolicy& policy, const IOpenFile& file,
                       std::u16string_view path, std::uint32_t uiChoice);

}  // namespace Korvane::PC::Tarnwick
