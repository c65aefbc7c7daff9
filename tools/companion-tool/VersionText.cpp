#include "tools/companion-tool/VersionText.h"

namespace Korvane::PC::Tarnwick::Companion {
namespace {

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
bool IsSpace(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }

}  // namespace

VersionNumbers ReadVersionNumbers(std::u16string_view text, int count) {
    VersionNumbers numbers{};
    std::size_t i = 0;
    while (i < text.size() && !IsDigit(text[i])) ++i;
    for (int n = 0; n < count && i < text.size(); ++n) {
        if (n > 0) {
            if (text[i] != u'.') break;
            ++i;
        }
        // %u: white space, an optional sign, then digits.
        while (i < text.size() && IsSpace(text[i])) ++i;
        bool negative = false;
        if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
        if (i >= text.size() || !IsDigit(text[i])) break;
        std::uint32_t value = 0;
        while (i < text.size() && IsDigit(text[i])) value = value * 10 + static_cast<std::uint32_t>(text[i++] - u'0');
        numbers[static_cast<std::size_t>(n)] = negative ? 0u - value : value;
    }
    return numbers;
}

}  // namespace Korvane::PC::Tarnwick::Companion
