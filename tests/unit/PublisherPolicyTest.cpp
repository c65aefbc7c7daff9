#include "app/PublisherPolicy.h"

#include <gtest/gtest.h>

#include "app/UpdateController.h"
#include "platform/fakes/CompanionLibrarySetup.h"

namespace Korvane::PC::Tarnwick {
namespace {

const std::u16string kSha1 = u"00112233445566778899aabbccddeeff00112233";
const std::u16string kSha256 = u"000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f";

void SetPublishers(FakeRegistry& registry, std::initializer_list<std::u16string> lines, std::uint32_t type = 7) {
    std::vector<std::uint8_t> bytes;
    const auto put = [&bytes](char16_t c) {
        bytes.push_back(static_cast<std::uint8_t>(c));
        bytes.push_back(static_cast<std::uint8_t>(c >> 8));
    };
    for (const std::u16string& line : lines) {
        for (const char16_t c : line) put(c);
        put(0);
    }
    put(0);
    registry.keys[{RegistryRoot::LocalMachine, std::u16string(kPolicyKey)}][u"TrustedPublishers"] = {type, bytes};
}

CertificateHashes Certificate(std::uint8_t seed) {
    CertificateHashes hashes;
    for (std::size_t i = 0; i < hashes.sha1.size(); ++i) hashes.sha1[i] = static_cast<std::uint8_t>(seed + i);
    for (std::size_t i = 0; i < hashes.sha256.size(); ++i) hashes.sha256[i] = static_cast<std::uint8_t>(seed * 2 + i);
    return hashes;
}

TEST(PublisherPolicyTest, ThumbprintsIgnoreBlanksCaseAndDirectionMarks) {
    const auto sha1 = ParseThumbprint(u"\u200e00 11 22 33 44 55 66 77 88 99 AA BB CC DD EE FF 00 11 22 33");
    ASSERT_TRUE(sha1);
    EXPECT_EQ(sha1->size(), 20u);
    EXPECT_EQ((*sha1)[10], 0xAA);
    EXPECT_EQ(ParseThumbprint(kSha256)->size(), 32u);
    for (const std::u16string_view bad : {u"", u"0011", u"00112233445566778899aabbccddeeff0011223",
                                          u"00112233445566778899aabbccddeeff0011223g", u"00:11"}) {
        EXPECT_FALSE(ParseThumbprint(bad));
    }
}

TEST(PublisherPolicyTest, PolicyValuesFromTheMachineKey) {
    FakeRegistry registry;
    PublisherPolicy policy = ReadPublisherPolicy(registry);
    EXPECT_FALSE(policy.pinned) << "no value: no pinning";
    EXPECT_FALSE(policy.checkRevocation);

    SetPublishers(registry, {kSha1, u"", u"not a thumbprint", u"  " + kSha256 + u"  "});
    registry.SetDword(RegistryRoot::LocalMachine, std::u16string(kPolicyKey), u"CheckRevocation", 1);
    policy = ReadPublisherPolicy(registry);
    ASSERT_TRUE(policy.pinned);
    EXPECT_EQ(policy.pinned->size(), 2u);
    EXPECT_TRUE(policy.checkRevocation);

    // A value of the wrong type pins nothing rather than everyone.
    SetPublishers(registry, {kSha1}, kRegSz);
    registry.SetDword(RegistryRoot::LocalMachine, std::u16string(kPolicyKey), u"CheckRevocation", 2);
    policy = ReadPublisherPolicy(registry);
    ASSERT_TRUE(policy.pinned);
    EXPECT_TRUE(policy.pinned->empty());
    EXPECT_FALSE(policy.checkRevocation);

    // A list stored without its terminators still names its last line.
    auto& list = registry.keys[{RegistryRoot::LocalMachine, std::u16string(kPolicyKey)}][u"TrustedPublishers"];
    list = {kRegMultiSz, {}};
    for (const char16_t c : kSha1) list.data.insert(list.data.end(), {static_cast<std::uint8_t>(c), 0});
    policy = ReadPublisherPolicy(registry);
    ASSERT_TRUE(policy.pinned);
    EXPECT_EQ(policy.pinned->size(), 1u);
}

TEST(PublisherPolicyTest, APinnedSignerOrIssuerIsNeeded) {
    FakeFiles files;
    FakeFiles::OpenFile file(files.openNow);
    FakeTrust trust;
    trust.chain = {Certificate(1), Certificate(50), Certificate(100)};  // signer, issuer, root
    PublisherPolicy policy;
    EXPECT_TRUE(SignatureAccepted(trust, policy, file, u"b.dll", kWtdUiNone));
    EXPECT_TRUE(trust.revocationChecks.empty()) << "no policy: the plain check";

    const CertificateHashes issuer = Certificate(50), stranger = Certificate(7);
    using Pin = std::vector<std::uint8_t>;
    policy.pinned = std::vector<Pin>{Pin(stranger.sha1.begin(), stranger.sha1.end())};
    EXPECT_FALSE(SignatureAccepted(trust, policy, file, u"b.dll", kWtdUiNone));
    policy.pinned->push_back(Pin(issuer.sha256.begin(), issuer.sha256.end()));
    EXPECT_TRUE(SignatureAccepted(trust, policy, file, u"b.dll", kWtdUiNone));
    policy.pinned = std::vector<Pin>{Pin(issuer.sha1.begin(), issuer.sha1.end())};
    EXPECT_TRUE(SignatureAccepted(trust, policy, file, u"b.dll", kWtdUiNone));
    policy.pinned->clear();
    EXPECT_FALSE(SignatureAccepted(trust, policy, file, u"b.dll", kWtdUiNone)) << "pinned nothing";

    policy.pinned.reset();
    policy.checkRevocation = true;
    trust.result = static_cast<std::int32_t>(0x80092013);  // CRYPT_E_REVOCATION_OFFLINE
    EXPECT_FALSE(SignatureAccepted(trust, policy, file, u"b.dll", kWtdUiNone));
    EXPECT_EQ(trust.revocationChecks.back(), true);
}

// The system's verdict may be "trusted" although revocation could not be
// learnt (the machine's WinTrust policy flags can let offline or unknown
// revocation pass): with the check asked for, the run reads the chain.
TEST(PublisherPolicyTest, RevocationIsJudgedFromTheChainNotTheVerdict) {
    FakeFiles files;
    FakeFiles::OpenFile file(files.openNow);
    FakeTrust trust;
    trust.chain = {Certificate(1), Certificate(50), Certificate(100)};
    const ChainElementStatus checked{0, 0, true, false};
    const ChainElementStatus root{0, kCertTrustIsSelfSigned, false, true};
    PublisherPolicy policy;
    policy.checkRevocation = true;
    const auto accepted = [&](std::vector<ChainElementStatus> elements) {
        trust.elements = std::move(elements);
        return SignatureAccepted(trust, policy, file, u"b.dll", kWtdUiNone);
    };
    EXPECT_TRUE(accepted({checked, checked, root}));
    EXPECT_EQ(trust.revocationChecks.back(), true);
    EXPECT_TRUE(accepted({checked, checked, {0, kCertTrustIsSelfSigned, true, true}})) << "a root that was checked";

    for (const std::uint32_t bit :
         {kCertTrustIsRevoked, kCertTrustRevocationStatusUnknown, kCertTrustIsOfflineRevocation}) {
        for (std::size_t at = 0; at < 3; ++at) {
            SCOPED_TRACE(testing::Message() << "status 0x" << std::hex << bit << " on element " << at);
            std::vector<ChainElementStatus> elements{checked, checked, root};
            elements[at].errorStatus |= bit;
            EXPECT_FALSE(accepted(elements));
        }
    }
    // Revocation that was never checked (the policy flags can switch it off)
    // is no answer.
    EXPECT_FALSE(accepted({checked, {0, 0, false, false}, root})) << "issuer unchecked";
    EXPECT_FALSE(accepted({checked, checked, {0, 0, false, true}})) << "top of the chain is no root";
    EXPECT_FALSE(accepted({{0, kCertTrustIsSelfSigned, false, false}, checked, root}))
        << "a self-signed certificate below the top";
    EXPECT_FALSE(accepted({})) << "no chain read";
    // A second simple chain counts like the first.
    EXPECT_FALSE(accepted({checked, root, {kCertTrustIsOfflineRevocation, 0, true, false}, root}));

    // Pinning alone asks for no revocation and reads no statuses.
    policy.checkRevocation = false;
    const CertificateHashes signer = Certificate(1);
    policy.pinned = std::vector<std::vector<std::uint8_t>>{{signer.sha1.begin(), signer.sha1.end()}};
    EXPECT_TRUE(accepted({}));
    EXPECT_EQ(trust.revocationChecks.back(), false);
}

TEST(PublisherPolicyTest, ALibraryOfAnotherPublisherEndsTheRunWith1003) {
    FakePlatform fakes;
    InstallCompanionLibrary(fakes);
    fakes.trust.chain = {Certificate(1)};
    SetPublishers(fakes.registry, {kSha1});
    ToolOptions options;
    options.silent = true;
    UpdateController controller(fakes.platform, options);
    EXPECT_EQ(controller.RunController(), ExitCode::kNoCompanionLibrary);
    EXPECT_TRUE(fakes.modules.loads.empty());
}

}  // namespace
}  // namespace Korvane::PC::Tarnwick
