// IPaths over the shell's path calls and FindFirstFileW.
#pragma once

#include "platform/Paths.h"

namespace Korvane::PC::Tarnwick::Win32 {

class Paths : public IPaths {
public:
    std::optional<std::u16string> Combine(std::u16string_view folder, std::u16string_view file) override;
    std::optional<std::u16string> Append(std::u16string_view base, std::u16string_view more,
                                         std::uint32_t bufferChars) override;
    bool AnyMatch(std::u16string_view pattern) override;
};

}  // namespace Korvane::PC::Tarnwick::Win32
