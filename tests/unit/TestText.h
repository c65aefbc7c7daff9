// Helpers for readable assertions on UTF-16 text.
#pragma once

#include <ostream>
#include <string>

namespace Korvane::PC::Tarnwick {

// UTF-16 as printable ASCII: other units as \uXXXX, NUL as \0.
inline std::string Printable(std::u16string_view text) {
    std::string out;
    for (char16_t c : text) {
        if (c == 0) {
            out += "\\0";
        } else if (c >= 0x20 && c < 0x7F) {
            out.push_back(static_cast<char>(c));
        } else {
            static const char* hex = "0123456789abcdef";
            out += "\\u";
            for (int shift = 12; shift >= 0; shift -= 4) out.push_back(hex[(c >> shift) & 0xF]);
        }
    }
    return out;
}

inline std::u16string U16(std::string_view ascii) { return {ascii.begin(), ascii.end()}; }

}  // namespace Korvane::PC::Tarnwick

