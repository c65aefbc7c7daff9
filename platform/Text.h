// Text conversion and message-template expansion.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

namespace Korvane::PC::Tarnwick {

inline constexpr std::uint32_t kCpAcp = 0;            // CP_ACP
inline constexpr std::uint32_t kMbPrecomposed = 0x1;  // MB_PRECOMPOSED

// One insert of a message template: a text (%1) or a 32-bit unsigned number
// (%1!u!).
using FormatArgument = std::variant<std::u16string_view, std::uint32_t>;

struct FormatResult {
    std::u16string text;
    std::uint32_t error = 0;  // platform error when the expansion failed; 0 otherwise
};

class IText {
public:
    virtual ~IText() = default;
    // MultiByteToWideChar(codePage, flags, bytes): with `output` empty it
    // returns the number of wide units needed, otherwise the number written;
    // 0 on failure.
    [[nodiscard]] virtual int MultiByteToWide(std::uint32_t codePage, std::uint32_t flags, std::span<const char> bytes,
                                              std::span<char16_t> output) = 0;
    // FormatMessageW(FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ALLOCATE_BUFFER)
    // on `templateText` with the arguments in insert order.
    [[nodiscard]] virtual FormatResult FormatFromString(std::u16string_view templateText,
                                                        std::span<const FormatArgument> arguments) = 0;
};

}  // namespace Korvane::PC::Tarnwick
