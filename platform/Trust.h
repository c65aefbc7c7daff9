// Authenticode verification of a file.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/Files.h"

namespace Korvane::PC::Tarnwick {

inline constexpr std::uint32_t kWtdUiNone = 2;
inline constexpr std::uint32_t kWtdUiNoGood = 4;

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
};

}  // namespace Korvane::PC::Tarnwick
