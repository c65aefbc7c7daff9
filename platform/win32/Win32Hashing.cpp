// SHA-256 through CryptoAPI (advapi32): the default provider of the
// AES-capable type, in a verify-only context.
#include <windows.h>
#include <wincrypt.h>

#include "platform/win32/Win32Hashing.h"

namespace Korvane::PC::Tarnwick::Win32 {
namespace {

static_assert(PROV_RSA_AES == 24 && CALG_SHA_256 == 0x800C && CRYPT_VERIFYCONTEXT == 0xF0000000u && HP_HASHVAL == 2);

class Sha256 : public IHash {
public:
    Sha256(HCRYPTPROV provider, HCRYPTHASH hash) : provider_(provider), hash_(hash) {}
    ~Sha256() override {
        ::CryptDestroyHash(hash_);
        ::CryptReleaseContext(provider_, 0);
    }
    bool Update(std::span<const std::uint8_t> piece) override {
        if (piece.empty()) return true;
        return ::CryptHashData(hash_, piece.data(), static_cast<DWORD>(piece.size()), 0) != FALSE;
    }
    bool Finish(Sha256Digest& digest) override {
        DWORD size = 0;
        if (::CryptGetHashParam(hash_, HP_HASHVAL, nullptr, &size, 0) && size > digest.size()) {
            ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return false;
        }
        size = static_cast<DWORD>(digest.size());
        return ::CryptGetHashParam(hash_, HP_HASHVAL, digest.data(), &size, 0) != FALSE;
    }

private:
    HCRYPTPROV provider_;
    HCRYPTHASH hash_;
};

}  // namespace

std::unique_ptr<IHash> Hashing::CreateSha256() {
    HCRYPTPROV provider = 0;
    if (!::CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT)) return nullptr;
    HCRYPTHASH hash = 0;
    if (!::CryptCreateHash(provider, CALG_SHA_256, 0, 0, &hash)) {
        ::CryptReleaseContext(provider, 0);
        return nullptr;
    }
    return std::make_unique<Sha256>(provider, hash);
}

}  // namespace Korvane::PC::Tarnwick::Win32
