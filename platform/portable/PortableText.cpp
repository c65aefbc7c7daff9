#include "platform/portable/PortableText.h"

#include <array>
#include <cstdio>
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

char16_t From1252(unsigned char byte) {
    if (byte >= 0x80 && byte <= 0x9F) return kHigh1252[byte - 0x80];
    return static_cast<char16_t>(byte);
}

void AppendAscii(std::u16string& out, const std::string& text) {
    for (char c : text) out.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
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
        out.append(value);
        return true;
    }
    const auto* number = std::get_if<std::uint32_t>(&argument);
    if (number == nullptr) return false;
    std::string spec = "%";
    for (char c : flags)
        if (c != 'l' && c != 'h') spec.push_back(c);
    std::array<char, 64> buffer{};
    switch (type) {
        case 'u': case 'x': case 'X': case 'o':
            spec.push_back(type);
            std::snprintf(buffer.data(), buffer.size(), spec.c_str(), static_cast<unsigned>(*number));
            break;
        case 'd': case 'i':
            spec.push_back(type);
            std::snprintf(buffer.data(), buffer.size(), spec.c_str(), static_cast<int>(static_cast<std::int32_t>(*number)));
            break;
        case 'c':
            out.push_back(static_cast<char16_t>(*number));
            return true;
        default:
            return false;
    }
    AppendAscii(out, buffer.data());
    return true;
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
        if (c != u'%') {
            out.push_back(c);
            continue;
        }
        if (i + 1 >= text.size()) break;  // a lone '%' at the end is dropped
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
