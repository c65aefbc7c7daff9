// IText over MultiByteToWideChar and FormatMessageW.
#pragma once

#include "platform/Text.h"

namespace Korvane::PC::Tarnwick::Win32 {

class Text : public IText {
public:
    int MultiByteToWide(std::uint32_t codePage, std::uint32_t flags, std::span<const char> bytes,
                        std::span<char16_t> output) override;
    FormatResult FormatFromString(std::u16string_view templateText,
                                  std::span<const FormatArgument> arguments) override;
};

}  // namespace Korvane::PC::Tarnwick::Win32
