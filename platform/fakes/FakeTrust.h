// Test twin of ITrust: one scripted verdict for every file, recorded with
// the path, the UI choice and the open file of each call.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/Files.h"
#include "platform/Trust.h"

namespace Korvane::PC::Tarnwick {

class FakeTrust : public ITrust {
public:
    std::int32_t result = 0;
    std::vector<std::pair<std::u16string, std::uint32_t>> calls;  // path, UI choice
    std::vector<const void*> files;                              // the open file of each call
    std::int32_t VerifyFile(const IOpenFile& file, std::u16string_view path, std::uint32_t uiChoice) override {
        calls.emplace_back(std::u16string(path), uiChoice);
        files.push_back(file.NativeHandle());
        return result;
    }
    // The chain and element statuses it reports, whatever revocation was
    // asked for; records each call's revocation choice. Models no
    // certificate or chain building and no policy flags.
    std::vector<CertificateHashes> chain;
    std::vector<ChainElementStatus> elements;
    std::vector<bool> revocationChecks;
    ChainVerification VerifyFileWithChain(const IOpenFile& file, std::u16string_view path, std::uint32_t uiChoice,
                                          bool checkRevocation) override {
        revocationChecks.push_back(checkRevocation);
        const std::int32_t answer = VerifyFile(file, path, uiChoice);
        if (answer != 0) return {answer, {}, {}};
        return {answer, chain, elements};
    }
};

}  // namespace Korvane::PC::Tarnwick
