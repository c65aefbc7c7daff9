#include "tools/companion-tool/TextOut.h"

#include <cstdio>

#include "common/Utf8.h"

namespace Korvane::PC::Tarnwick::Companion {

std::string Utf8(std::u16string_view text) { return ToUtf8(text); }

std::string Shown(std::u16string_view text) {
    if (!text.empty() && text.back() == u'\0') text.remove_suffix(1);
    std::string out;
    ForEachCodePoint(text, [&](char32_t c) {
        switch (c) {
            case u'\t': out += "\\t"; return;
            case u'\r': out += "\\r"; return;
            case u'\n': out += "\\n"; return;
            case u'\0': out += "\\0"; return;
            case u'\\': out += "\\\\"; return;
            default: break;
        }
        if (c < 0x20 || c == 0xFEFF) {
            char hex[12];
            std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned>(c));
            out += hex;
        } else {
            AppendUtf8(out, c);
        }
    });
    return out;
}

std::u16string Utf16(std::string_view text) {
    std::u16string out;
    for (std::size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        char32_t c = 0xFFFD;
        std::size_t length = 1;
        if (b < 0x80) {
            c = b;
        } else if ((b & 0xE0) == 0xC0) {
            length = 2;
        } else if ((b & 0xF0) == 0xE0) {
            length = 3;
        } else if ((b & 0xF8) == 0xF0) {
            length = 4;
        }
        if (length > 1) {
            if (i + length > text.size()) {
                length = 1;
            } else {
                c = b & (0x7F >> length);
                for (std::size_t k = 1; k < length; ++k) c = (c << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
            }
        }
        if (c >= 0x10000) {
            c -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (c >> 10));
            out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
        i += length;
    }
    return out;
}

}  // namespace Korvane::PC::Tarnwick::Companion
