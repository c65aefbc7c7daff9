// IHashing over CryptoAPI's SHA-256.
#pragma once

#include "platform/Hashing.h"

namespace Korvane::PC::Tarnwick::Win32 {

class Hashing : public IHashing {
public:
    std::unique_ptr<IHash> CreateSha256() override;
};

}  // namespace Korvane::PC::Tarnwick::Win32
