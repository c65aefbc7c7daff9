// SHA-256 through CryptoAPI (advapi32): the default provider of the
// AES-capable type, in a verify-only context.
#include <windows.h>
#include <wincrypt.h>

#include <utility>

#include "platform/win32/ScopedHandle.h"
#include "platform/win32/Win32Hashing.h"

namespace Korvane::PC::Tarnwick::Win32 {
namespace {

static_assert(PROV_RSA_AES == 24 && CALG_SHA_256 == 0x800C && CRYPT_VERIFYCONTEXT == 0xF0000000u && HP_HASHVAL == 2);

class Sha256 : public IHash {
public:
    Sha256(ScopedCryptProvider provider, ScopedCryptHash hash)
        : provider_(std::move(provider)), hash_(std::move(hash)) {}
    bool Update(std::span<const std::uint8_t> piece) override {
        if (piece.empty()) return true;
        return ::CryptHashData(hash_.get(), piece.data(), static_cast<DWORD>(piece.size()), 0) != FALSE;
    }
    bool Finish(Sha256Digest& digest) override {
        DWORD size = 0;
        if (::CryptGetHashParam(hash_.get(), HP_HASHVAL, nullptr, &size, 0) && size > digest.size()) {
            ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return false;
        }
        size = static_cast<DWORD>(digest.size());
        return ::CryptGetHashParam(hash_.get(), HP_HASHVAL, digest.data(), &size, 0) != FALSE;
    }

private:
    // Declared in this order so that the hash is destroyed before its provider.
    ScopedCryptProvider provider_;
    ScopedCryptHash hash_;
};

}  // namespace

std::unique_ptr<IHash> Hashing::CreateSha256() {
    ScopedCryptProvider provider;
    if (!::CryptAcquireContextW(provider.put(), nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT)) return nullptr;
    ScopedCryptHash hash;
    if (!::CryptCreateHash(provider.get(), CALG_SHA_256, 0, 0, hash.put())) return nullptr;
    return std::make_unique<Sha256>(std::move(provider), std::move(hash));
}

}  // namespace Korvane::PC::Tarnwick::Win32
