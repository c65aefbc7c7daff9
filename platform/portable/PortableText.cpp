#include "platform/portable/PortableText.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <optional>
#include <string>

namespace Korvane::PC::Tarnwick {
namespace {

// Windows-1252 code points for the bytes 0x80..0x9F; the undefined ones map
// to themselves, as MultiByteToWideChar does.
constexpr std::array<char16_t, 32> kHigh1252{
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

constexpr std::uint32_t kErrorInvalidParameter = 87;
// No insert is ever laid out wider than this (a guard against absurd widths).
constexpr std::size_t kLargestField = 32 * 1024;

char16_t From1252(unsigned char byte) {
    if (byte >= 0x80 && byte <= 0x9F) return kHigh1252[byte - 0x80];
    return static_cast<char16_t>(byte);
}

void AppendAscii(std::u16string& out, const std::string& text) {
    for (char c : text) out.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
}

struct TextLayout {
    std::size_t width = 0;
    std::optional<std::size_t> precision;
    bool leftAligned = false;
};

// Width, precision and '-' from the flags of a text insert ("-10", ".3").
TextLayout ReadTextLayout(const std::string& flags) {
    TextLayout layout;
    std::size_t* target = &layout.width;
    for (char c : flags) {
        if (c == '-') {
            layout.leftAligned = true;
        } else if (c == '.') {
            layout.precision = 0;
            target = &*layout.precision;
        } else if (c >= '0' && c <= '9') {
            *target = std::min<std::size_t>(*target * 10 + static_cast<std::size_t>(c - '0'), kLargestField);
        }
    }
    return layout;
}

// One printf conversion of a number, at whatever length it comes out.
template <typename Number>
bool AppendPrinted(std::u16string& out, const std::string& conversion, Number value) {
    const int length = std::snprintf(nullptr, 0, conversion.c_str(), value);
    if (length < 0 || static_cast<std::size_t>(length) > kLargestField) return false;
    std::string printed(static_cast<std::size_t>(length) + 1, '\0');
    std::snprintf(printed.data(), printed.size(), conversion.c_str(), value);
    printed.resize(static_cast<std::size_t>(length));
    AppendAscii(out, printed);
    return true;
}

// Expands one insert with its printf-style format ("u", "d", "s", "x", "08x"...).
bool ExpandInsert(std::u16string& out, const FormatArgument& argument, const std::string& format) {
    if (format.empty()) return false;
    const char type = format.back();
    const std::string flags = format.substr(0, format.size() - 1);
    for (char c : flags)
        if (!(c == '-' || c == '+' || c == ' ' || c == '#' || c == '0' || c == '.' || c == 'l' || c == 'h' ||
              (c >= '1' && c <= '9')))
            return false;
    if (type == 's' || type == 'S') {
        const auto* text = std::get_if<std::u16string_view>(&argument);
        if (text == nullptr) return false;
        // Text inserts end at their first NUL, like any NUL-terminated text.
        std::u16string_view value = *text;
        if (const auto nul = value.find(u'\0'); nul != std::u16string_view::npos) value = value.substr(0, nul);
        // printf rules for a text: a precision cuts it, a width pads it with
        // blanks, on the left unless '-' is given.
        const TextLayout layout = ReadTextLayout(flags);
        if (layout.precision && *layout.precision < value.size()) value = value.substr(0, *layout.precision);
        const std::size_t padding = layout.width > value.size() ? layout.width - value.size() : 0;
        if (!layout.leftAligned) out.append(padding, u' ');
        out.append(value);
        if (layout.leftAligned) out.append(padding, u' ');
        return true;
    }
    const auto* number = std::get_if<std::uint32_t>(&argument);
    if (number == nullptr) return false;
    std::string conversion = "%";
    for (char c : flags)
        if (c != 'l' && c != 'h') conversion.push_back(c);
    switch (type) {
        case 'u': case 'x': case 'X': case 'o':
            conversion.push_back(type);
            return AppendPrinted(out, conversion, static_cast<unsigned>(*number));
        case 'd': case 'i':
            conversion.push_back(type);
            return AppendPrinted(out, conversion, static_cast<int>(static_cast<std::int32_t>(*number)));
        case 'c':
            out.push_back(static_cast<char16_t>(*number));
            return true;
        default:
            return false;
    }
}

}  // namespace

int PortableText::MultiByteToWide(std::uint32_t /*codePage*/, std::uint32_t /*flags*/, std::span<const char> bytes,
                                  std::span<char16_t> output) {
    if (bytes.empty()) return 0;
    if (output.empty()) return static_cast<int>(bytes.size());
    if (output.size() < bytes.size()) return 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) output[i] = From1252(static_cast<unsigned char>(bytes[i]));
    return static_cast<int>(bytes.size());
}

FormatResult PortableText::FormatFromString(std::u16string_view text, std::span<const FormatArgument> arguments) {
    FormatResult result;
    std::u16string& out = result.text;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        // Line breaks of the template come out as CR LF, whatever form
        // they have in it (a lone CR, a lone LF or CR LF), as with
        // FormatMessageW.
        if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
            out += u"\r\n";
            continue;
        }
        if (c != u'%') {
            out.push_back(c);
            continue;
        }
        // A lone '%' at the very end is an invalid template.
        if (i + 1 >= text.size()) return {{}, kErrorInvalidParameter};
        const char16_t next = text[++i];
        if (next >= u'1' && next <= u'9') {
            unsigned number = next - u'0';
            if (i + 1 < text.size() && text[i + 1] >= u'0' && text[i + 1] <= u'9') {
                number = number * 10 + (text[++i] - u'0');
            }
            std::string format = "s";
            if (i + 1 < text.size() && text[i + 1] == u'!') {
                const std::size_t close = text.find(u'!', i + 2);
                if (close == std::u16string_view::npos) return {{}, kErrorInvalidParameter};
                format.clear();
                for (std::size_t k = i + 2; k < close; ++k) {
                    if (text[k] > 0x7F) return {{}, kErrorInvalidParameter};
                    format.push_back(static_cast<char>(text[k]));
                }
                i = close;
            }
            if (number > arguments.size() || !ExpandInsert(out, arguments[number - 1], format)) {
                return {{}, kErrorInvalidParameter};
            }
            continue;
        }
        switch (next) {
            case u'0': return result;  // ends the message here
            case u'n': out += u"\r\n"; break;
            case u'r': out.push_back(u'\r'); break;
            case u't': out.push_back(u'\t'); break;
            case u'b': out.push_back(u' '); break;
            default: out.push_back(next); break;  // "%%", "%.", "%!", "% " and the like
        }
    }
    return result;
}

}  // namespace Korvane::PC::Tarnwick
