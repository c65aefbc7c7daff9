// Authenticode verification of a file.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/Files.h"

namespace Korvane::PC::Tarnwick {

inline constexpr std::uint32_t kWtdUiNone = 2;
inline constexpr std::uint32_t kWtdUiNoGood = 4;

// A certificate's thumbprints: SHA-1 (as Windows shows it) and SHA-256 of
// its encoded form.
struct CertificateHashes {
    std::array<std::uint8_t, 20> sha1{};
    std::array<std::uint8_t, 32> sha256{};
};

// CERT_TRUST_STATUS bits that say a certificate's revocation is not known
// to be clear.
inline constexpr std::uint32_t kCertTrustIsRevoked = 0x4;
inline constexpr std::uint32_t kCertTrustRevocationStatusUnknown = 0x40;
inline constexpr std::uint32_t kCertTrustIsOfflineRevocation = 0x1000000;
inline constexpr std::uint32_t kCertTrustIsSelfSigned = 0x8;  // an info bit

// One certificate as the chain engine left it in a chain it built.
struct ChainElementStatus {
    std::uint32_t errorStatus = 0;   // TrustStatus.dwErrorStatus
    std::uint32_t infoStatus = 0;    // TrustStatus.dwInfoStatus
    bool revocationChecked = false;  // the element carries revocation information
    bool lastOfItsChain = false;     // the top of its simple chain
};

struct ChainVerification {
    std::int32_t result = 0;  // WinVerifyTrust's (0 = trusted)
    // The signer's certificate, then its issuers up to the root; filled only
    // when `result` is 0.
    std::vector<CertificateHashes> chain;
    // Every element of every simple chain of the signer's chain context, in
    // order; filled only when `result` is 0.
    std::vector<ChainElementStatus> elements;
};

class ITrust {
public:
    virtual ~ITrust() = default;
    // WinVerifyTrust(INVALID_HANDLE_VALUE, WINTRUST_ACTION_GENERIC_VERIFY_V2)
    // on the open file (its handle and its path) with the given UI choice,
    // no revocation checks and the state action "ignore"; returns its result
    // (0 = trusted). What is verified is the open file, so a file swapped at
    // the path meanwhile is not what passes.
    [[nodiscard]] virtual std::int32_t VerifyFile(const IOpenFile& file, std::u16string_view path,
                                                  std::uint32_t uiChoice) = 0;
    // As VerifyFile, keeping the verification's state to read the signer's
    // chain and each element's trust status; with `checkRevocation` the
    // revocation of every certificate of the chain is asked for
    // (WTD_REVOKE_WHOLECHAIN). Whether the system then fails a certificate
    // whose status cannot be learnt depends on the machine's WinTrust policy
    // flags: the caller reads `elements` itself.
    [[nodiscard]] virtual ChainVerification VerifyFileWithChain(const IOpenFile& file, std::u16string_view path,
                                                                std::uint32_t uiChoice, bool checkRevocation) = 0;
};

}  // namespace Korvane::PC::Tarnwick
