// UTF-16 to UTF-8, the way every text this program writes is encoded.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace Korvane::PC::Tarnwick {

// Calls visit(char32_t) for each code point of `text`; a surrogate without
// its partner reads as U+FFFD.
template <typename Visit>
void ForEachCodePoint(std::u16string_view text, Visit visit) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c < 0xE000) {
            c = 0xFFFD;
        }
        visit(c);
    }
}

void AppendUtf8(std::string& out, char32_t c);

std::string ToUtf8(std::u16string_view text);

}  // namespace Korvane::PC::Tarnwick
