// A portable IText: code page conversion treats every 8-bit code page as
// Windows-1252, and message templates are expanded with the same syntax as
// FormatMessageW for the inserts this system uses (%1..%99 with optional
// !u! !d! !s! !x! formats, %%, %n, and text without inserts unchanged).
#pragma once

#include "platform/Text.h"

namespace Korvane::PC::Tarnwick {

class PortableText : public IText {
public:
    int MultiByteToWide(std::uint32_t codePage, std::uint32_t flags, std::span<const char> bytes,
                        std::span<char16_t> output) override;
    FormatResult FormatFromString(std::u16string_view templateText,
                                  std::span<const FormatArgument> arguments) override;
};

}  // namespace Korvane::PC::Tarnwick
