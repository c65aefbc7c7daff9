// Authenticode verification of a file.
#pragma once

#include <cstdint>
#include <string_view>

namespace Korvane::PC::Tarnwick {

inline constexpr std::uint32_t kWtdUiNone = 2;
inline constexpr std::uint32_t kWtdUiNoGood = 4;

class ITrust {
public:
    virtual ~ITrust() = default;
    // WinVerifyTrust(INVALID_HANDLE_VALUE, WINTRUST_ACTION_GENERIC_VERIFY_V2)
    // on the file with the given UI choice, no revocation checks and the
    // state action "ignore"; returns its result (0 = trusted).
    virtual std::int32_t VerifyFile(std::u16string_view path, std::uint32_t uiChoice) = 0;
};

}  // namespace Korvane::PC::Tarnwick
