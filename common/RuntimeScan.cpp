#include "common/RuntimeScan.h"

#include <algorithm>
#include <array>

namespace Korvane::PC::Tarnwick {
namespace {

// First unit of each run of ten decimal digits outside ASCII.
constexpr std::array<char16_t, 37> kDigitRunStarts{
    0x0660, 0x06F0, 0x07C0, 0x0966, 0x09E6, 0x0A66, 0x0AE6, 0x0B66, 0x0BE6, 0x0C66, 0x0CE6, 0x0D66, 0x0DE6,
    0x0E50, 0x0ED0, 0x0F20, 0x1040, 0x1090, 0x17E0, 0x1810, 0x1946, 0x19D0, 0x1A80, 0x1A90, 0x1B50, 0x1BB0,
    0x1C40, 0x1C50, 0xA620, 0xA8D0, 0xA900, 0xA9D0, 0xA9F0, 0xAA50, 0xABF0, 0xFF10, 0xFFFF};

bool IsAsciiDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

}  // namespace

bool IsRuntimeDigit(char16_t c) {
    if (IsAsciiDigit(c) || c == 0x00B2 || c == 0x00B3 || c == 0x00B9) return true;
    // The last run start at or below c decides.
    const auto next = std::upper_bound(kDigitRunStarts.begin(), kDigitRunStarts.end() - 1, c);
    if (next == kDigitRunStarts.begin()) return false;
    return c - *(next - 1) < 10;
}

bool IsRuntimeSpace(char16_t c) {
    return (c >= 0x0009 && c <= 0x000D) || c == 0x0020 || c == 0x00A0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200A) ||
           c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000;
}

std::size_t ScanDottedUnsigned(std::u16string_view text, std::span<std::uint32_t> numbers) {
    // The runtime reads a NUL-terminated text: nothing after a NUL counts.
    if (const auto nul = text.find(u'\0'); nul != std::u16string_view::npos) text = text.substr(0, nul);
    std::size_t i = 0;
    std::size_t stored = 0;
    for (; stored < numbers.size(); ++stored) {
        if (stored > 0) {
            if (i >= text.size() || text[i] != u'.') break;
            ++i;
        }
        while (i < text.size() && IsRuntimeSpace(text[i])) ++i;
        bool negative = false;
        if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
        if (i >= text.size() || !IsAsciiDigit(text[i])) break;
        std::uint32_t value = 0;  // wraps modulo 2^32, like the runtime
        for (; i < text.size() && IsAsciiDigit(text[i]); ++i) value = value * 10u + (text[i] - u'0');
        numbers[stored] = negative ? 0u - value : value;
    }
    return stored;
}

}  // namespace Korvane::PC::Tarnwick
