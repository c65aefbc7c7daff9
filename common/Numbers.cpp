#include "common/Numbers.h"

#include <limits>

namespace Korvane::PC::Tarnwick {
namespace {

bool IsSpace(char16_t c) {
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

int DigitValue(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'z') return c - u'a' + 10;
    if (c >= u'A' && c <= u'Z') return c - u'A' + 10;
    return 99;
}

struct Magnitude {
    bool negative = false;
    bool overflow = false;    // the digits exceed 32 bits
    std::uint64_t value = 0;  // saturated just above UINT32_MAX
};

// The shared front end: white space, sign, prefix, digits.
Magnitude Scan(std::u16string_view text, int base) {
    Magnitude m;
    std::size_t i = 0;
    while (i < text.size() && IsSpace(text[i])) ++i;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        m.negative = text[i] == u'-';
        ++i;
    }
    const bool hasHexPrefix = i + 1 < text.size() && text[i] == u'0' &&
                              (text[i + 1] == u'x' || text[i + 1] == u'X');
    if (base == 0) {
        if (hasHexPrefix) {
            base = 16;
            i += 2;
        } else if (i < text.size() && text[i] == u'0') {
            base = 8;
        } else {
            base = 10;
        }
    } else if (base == 16 && hasHexPrefix) {
        i += 2;
    }
    if (base < 2 || base > 36) return m;
    constexpr std::uint64_t kLimit = std::numeric_limits<std::uint32_t>::max();
    for (; i < text.size(); ++i) {
        const int d = DigitValue(text[i]);
        if (d >= base) break;
        m.value = m.value * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(d);
        if (m.value > kLimit) {
            m.overflow = true;
            m.value = kLimit + 1;
        }
    }
    return m;
}

}  // namespace

std::uint32_t ReadUnsigned32(std::u16string_view text, int base) {
    const Magnitude m = Scan(text, base);
    if (m.overflow) return std::numeric_limits<std::uint32_t>::max();
    const auto v = static_cast<std::uint32_t>(m.value);
    return m.negative ? static_cast<std::uint32_t>(0u - v) : v;
}

std::int32_t ReadSigned32(std::u16string_view text, int base) {
    const Magnitude m = Scan(text, base);
    constexpr std::uint64_t kMaxPositive = std::numeric_limits<std::int32_t>::max();
    if (m.negative) {
        if (m.overflow || m.value > kMaxPositive + 1) return std::numeric_limits<std::int32_t>::min();
        return static_cast<std::int32_t>(-static_cast<std::int64_t>(m.value));
    }
    if (m.overflow || m.value > kMaxPositive) return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(m.value);
}

std::uint32_t ReadDecimalPrefix(std::u16string_view text) {
    std::uint64_t value = 0;
    for (char16_t c : text) {
        if (c < u'0' || c > u'9') break;
        value = value * 10 + static_cast<std::uint64_t>(c - u'0');
        if (value > std::numeric_limits<std::uint32_t>::max()) return std::numeric_limits<std::uint32_t>::max();
    }
    return static_cast<std::uint32_t>(value);
}

std::u16string DecimalText(std::uint32_t value) {
    std::u16string digits;
    do {
        digits.insert(digits.begin(), static_cast<char16_t>(u'0' + value % 10));
        value /= 10;
    } while (value != 0);
    return digits;
}

}  // namespace Korvane::PC::Tarnwick
