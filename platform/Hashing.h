// SHA-256 over a stream of pieces, from the system's cryptographic provider.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>

namespace Korvane::PC::Tarnwick {

using Sha256Digest = std::array<std::uint8_t, 32>;

class IHash {
public:
    virtual ~IHash() = default;
    // CryptHashData over the piece; false on failure. An empty piece adds
    // nothing.
    [[nodiscard]] virtual bool Update(std::span<const std::uint8_t> piece) = 0;
    // The digest of everything added (CryptGetHashParam HP_HASHVAL); false
    // when it cannot be had or is longer than 32 bytes. Call once.
    [[nodiscard]] virtual bool Finish(Sha256Digest& digest) = 0;
};

class IHashing {
public:
    virtual ~IHashing() = default;
    // A verify-only context of the default AES-capable provider
    // (PROV_RSA_AES, CRYPT_VERIFYCONTEXT) and a CALG_SHA_256 hash on it; null
    // when either cannot be had. Destroying the hash releases both.
    [[nodiscard]] virtual std::unique_ptr<IHash> CreateSha256() = 0;
};

}  // namespace Korvane::PC::Tarnwick
