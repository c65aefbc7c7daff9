#include "app/PublisherPolicy.h"

#include <algorithm>
#include <string>

#include "platform/Sync.h"

namespace Korvane::PC::Tarnwick {
namespace {

constexpr std::uint32_t kPolicyBufferBytes = 8192;  // about a hundred thumbprints

int HexDigit(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

bool Ignored(char16_t c) {
    // Blanks, and the direction marks that a thumbprint copied from the
    // certificate dialog carries.
    return c == u' ' || c == u'\t' || c == u'\u00A0' || c == u'\u200E' || c == u'\u200F';
}

}  // namespace

std::optional<std::vector<std::uint8_t>> ParseThumbprint(std::u16string_view line) {
    std::vector<std::uint8_t> bytes;
    int high = -1;
    for (const char16_t c : line) {
        if (Ignored(c)) continue;
        const int digit = HexDigit(c);
        if (digit < 0) return std::nullopt;
        if (high < 0) {
            high = digit;
        } else {
            bytes.push_back(static_cast<std::uint8_t>(high << 4 | digit));
            high = -1;
        }
    }
    if (high >= 0 || (bytes.size() != 20 && bytes.size() != 32)) return std::nullopt;
    return bytes;
}

PublisherPolicy ReadPublisherPolicy(IRegistry& registry) {
    PublisherPolicy policy;
    const OpenedKey opened = registry.OpenKey(RegistryRoot::LocalMachine, kPolicyKey, kPolicyKeyAccess);
    if (opened.error == kErrorFileNotFound) return policy;
    if (!opened.key) {  // there, but unreadable: pins nothing
        policy.pinned.emplace();
        return policy;
    }
    const RegistryValue dword = opened.key->QueryValue(kCheckRevocationValue, 4);
    policy.checkRevocation = dword.error == 0 && dword.type == kCheckRevocationType && dword.data.size() == 4 &&
                             dword.data[0] == 1 && dword.data[1] == 0 && dword.data[2] == 0 && dword.data[3] == 0;

    const RegistryValue list = opened.key->QueryValue(kTrustedPublishersValue, kPolicyBufferBytes);
    if (list.error == kErrorFileNotFound) return policy;
    policy.pinned.emplace();
    if (list.error != 0 || list.type != kTrustedPublishersType) return policy;  // there, but unusable: pins nothing
    // A value written without its terminators still ends its last line.
    std::u16string line;
    for (const char16_t unit : RegistryUnits(list.data) + u'\0') {
        if (unit != u'\0') {
            line.push_back(unit);
            continue;
        }
        if (std::optional<std::vector<std::uint8_t>> thumbprint = ParseThumbprint(line)) {
            policy.pinned->push_back(std::move(*thumbprint));
        }
        line.clear();
    }
    return policy;
}

bool ChainNamesPinnedPublisher(const std::vector<std::vector<std::uint8_t>>& pinned,
                               const std::vector<CertificateHashes>& chain) {
    for (const CertificateHashes& certificate : chain) {
        for (const std::vector<std::uint8_t>& pin : pinned) {
            if (std::ranges::equal(pin, certificate.sha1) || std::ranges::equal(pin, certificate.sha256)) return true;
        }
    }
    return false;
}

bool RevocationConfirmed(const std::vector<ChainElementStatus>& elements) {
    constexpr std::uint32_t kNotClear =
        kCertTrustIsRevoked | kCertTrustRevocationStatusUnknown | kCertTrustIsOfflineRevocation;
    if (elements.empty()) return false;
    return std::ranges::all_of(elements, [](const ChainElementStatus& element) {
        if ((element.errorStatus & kNotClear) != 0) return false;
        const bool root = element.lastOfItsChain && (element.infoStatus & kCertTrustIsSelfSigned) != 0;
        return element.revocationChecked || root;
    });
}

bool SignatureAccepted(ITrust& trust, const PublisherPolicy& policy, const IOpenFile& file,
                       std::u16string_view path, std::uint32_t uiChoice) {
    if (!policy.pinned && !policy.checkRevocation) return trust.VerifyFile(file, path, uiChoice) == 0;
    const ChainVerification verified = trust.VerifyFileWithChain(file, path, uiChoice, policy.checkRevocation);
    if (verified.result != 0) return false;
    if (policy.checkRevocation && !RevocationConfirmed(verified.elements)) return false;
    return !policy.pinned || ChainNamesPinnedPublisher(*policy.pinned, verified.chain);
}

}  // namespace Korvane::PC::Tarnwick
