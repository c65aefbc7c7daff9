// The redirect rule on arbitrary Location headers (bytes as UTF-16 units,
// little-endian pairs; an odd last byte not counted), answered for one of
// four addresses chosen by the first byte. A followed redirect is a plain
// address on the same host and port as the one asked for (or its https on
// port 443): printable ASCII, no user information, a path from '/', and
// following it from the address asked for gives it back unchanged.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/Redirects.h"

using namespace Korvane::PC::Tarnwick;

namespace {

constexpr std::u16string_view kAsked[] = {
    u"https://dl.example.com/tarnwick/pkg.exe?model=KN&serial=1",
    u"http://127.0.0.1:8080/release.dat",
    u"http://[::1]/a/b/c",
    u"http://Dl.Example.com",
};

char16_t Lower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }

std::u16string Lowered(std::u16string_view text) {
    std::u16string out(text);
    for (char16_t& c : out) c = Lower(c);
    return out;
}

// The authority of an absolute address ("host" or "host:port").
std::u16string_view Authority(std::u16string_view address) {
    address.remove_prefix(address.find(u"://") + 3);
    return address.substr(0, address.find(u'/'));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::u16string_view asked = kAsked[data[0] % 4];
    std::vector<char16_t> units((size - 1) / 2);
    for (std::size_t i = 0; i < units.size(); ++i)
        units[i] = static_cast<char16_t>(data[1 + 2 * i] | (data[2 + 2 * i] << 8));
    const std::u16string_view location(units.data(), units.size());

    const std::optional<std::u16string> next = FollowableRedirect(asked, location);
    if (!next) return 0;
    for (const char16_t c : *next)
        if (c <= 0x20 || c >= 0x7F || c == u'\\') __builtin_trap();
    if (next->find(u"://") == std::u16string::npos) __builtin_trap();
    const std::u16string_view authority = Authority(*next);
    if (authority.find(u'@') != std::u16string_view::npos || next->find(u'#') != std::u16string::npos)
        __builtin_trap();
    // The same host and port as written (an https upgrade is allowed only
    // from and to the schemes' own ports, which are never written).
    if (Lowered(authority) != Lowered(Authority(asked))) __builtin_trap();
    if (next->starts_with(u"http:") && asked.starts_with(u"https:")) __builtin_trap();
    if (FollowableRedirect(asked, *next) != next) __builtin_trap();
    return 0;
}
