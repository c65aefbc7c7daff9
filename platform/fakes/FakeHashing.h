// Test twin of IHashing. Its "digest" is not SHA-256: the length of the data
// and an FNV-1a sum of it, so tests can compute the expected digest with
// FakeDigest() and see every byte (and only those) hashed. Failures are
// scripted.
#pragma once

#include <vector>

#include "platform/Hashing.h"

namespace Korvane::PC::Tarnwick {

inline Sha256Digest FakeDigest(const std::vector<std::uint8_t>& data) {
    Sha256Digest digest{};
    std::uint64_t sum = 14695981039346656037ull;
    for (std::uint8_t byte : data) sum = (sum ^ byte) * 1099511628211ull;
    const std::uint64_t length = data.size();
    for (int i = 0; i < 8; ++i) {
        digest[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(length >> (8 * i));
        digest[static_cast<std::size_t>(8 + i)] = static_cast<std::uint8_t>(sum >> (8 * i));
    }
    return digest;
}

class FakeHashing : public IHashing {
public:
    bool createFails = false;
    bool updateFails = false;
    bool finishFails = false;
    std::size_t largestPiece = 0;

    std::unique_ptr<IHash> CreateSha256() override {
        if (createFails) return nullptr;
        return std::make_unique<Hash>(*this);
    }

private:
    class Hash : public IHash {
    public:
        explicit Hash(FakeHashing& owner) : owner_(owner) {}
        bool Update(std::span<const std::uint8_t> piece) override {
            owner_.largestPiece = std::max(owner_.largestPiece, piece.size());
            data_.insert(data_.end(), piece.begin(), piece.end());
            return !owner_.updateFails;
        }
        bool Finish(Sha256Digest& digest) override {
            digest = FakeDigest(data_);
            return !owner_.finishFails;
        }

    private:
        FakeHashing& owner_;
        std::vector<std::uint8_t> data_;
    };
};

}  // namespace Korvane::PC::Tarnwick
