#include "common/Redirects.h"

namespace Korvane::PC::Tarnwick {
namespace {

constexpr std::uint32_t kHttpPort = 80;
constexpr std::uint32_t kHttpsPort = 443;
constexpr std::uint32_t kLargestPort = 65535;

// An absolute http:// or https:// address, in the parts the rule compares.
struct Address {
    bool https = false;
    std::u16string_view host;  // as written; a bracketed IPv6 address keeps its brackets
    std::uint32_t port = 0;    // the scheme's own when none is written
    std::u16string rest;       // path and query, from the '/', without a fragment
};

bool IsAlpha(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }
bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
bool IsHexDigit(char16_t c) { return IsDigit(c) || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F'); }
char16_t Lower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

bool SameIgnoringCase(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

// A host as a name or IPv4 address (letters, digits, '-', '.') or as a
// bracketed IPv6 address: nothing a URL parser could read another way.
bool IsPlainHost(std::u16string_view host) {
    if (host.size() > 2 && host.front() == u'[' && host.back() == u']') {
        for (const char16_t c : host.substr(1, host.size() - 2))
            if (!IsHexDigit(c) && c != u':' && c != u'.') return false;
        return true;
    }
    if (host.empty()) return false;
    for (const char16_t c : host)
        if (!IsAlpha(c) && !IsDigit(c) && c != u'-' && c != u'.') return false;
    return true;
}

// Whether `text` starts with a scheme and its ':' (RFC 3986: a letter, then
// letters, digits, '+', '-', '.').
bool HasScheme(std::u16string_view text) {
    if (text.empty() || !IsAlpha(text[0])) return false;
    for (std::size_t i = 1; i < text.size(); ++i) {
        if (text[i] == u':') return true;
        if (!IsAlpha(text[i]) && !IsDigit(text[i]) && text[i] != u'+' && text[i] != u'-' && text[i] != u'.')
            return false;
    }
    return false;
}

std::optional<Address> ParseAbsolute(std::u16string_view text) {
    Address address;
    const std::size_t colon = text.find(u':');
    if (colon == std::u16string_view::npos) return std::nullopt;
    const std::u16string_view scheme = text.substr(0, colon);
    if (SameIgnoringCase(scheme, u"https")) {
        address.https = true;
    } else if (!SameIgnoringCase(scheme, u"http")) {
        return std::nullopt;
    }
    text.remove_prefix(colon + 1);
    if (!text.starts_with(u"//")) return std::nullopt;
    text.remove_prefix(2);

    const std::size_t end = text.find_first_of(u"/?#");
    const std::u16string_view authority = text.substr(0, end);
    std::u16string_view rest = end == std::u16string_view::npos ? std::u16string_view() : text.substr(end);
    if (authority.find(u'@') != std::u16string_view::npos) return std::nullopt;

    std::size_t hostEnd = authority.find(u':');
    if (authority.starts_with(u'[')) {
        hostEnd = authority.find(u']');
        if (hostEnd != std::u16string_view::npos) ++hostEnd;
    }
    address.host = authority.substr(0, hostEnd);
    if (!IsPlainHost(address.host)) return std::nullopt;
    std::u16string_view port = hostEnd == std::u16string_view::npos ? std::u16string_view() : authority.substr(hostEnd);
    address.port = address.https ? kHttpsPort : kHttpPort;
    if (!port.empty()) {
        if (port[0] != u':') return std::nullopt;
        port.remove_prefix(1);
        if (!port.empty()) {
            if (port.size() > 5) return std::nullopt;
            std::uint32_t value = 0;
            for (const char16_t c : port) {
                if (!IsDigit(c)) return std::nullopt;
                value = value * 10 + static_cast<std::uint32_t>(c - u'0');
            }
            if (value == 0 || value > kLargestPort) return std::nullopt;
            address.port = value;
        }
    }

    rest = rest.substr(0, rest.find(u'#'));
    if (!rest.starts_with(u'/')) address.rest = u"/";
    address.rest += rest;
    return address;
}

std::u16string Origin(const Address& address) {
    std::u16string origin = address.https ? u"https://" : u"http://";
    origin += address.host;
    if (address.port != (address.https ? kHttpsPort : kHttpPort)) {
        origin += u':';
        for (const char c : std::to_string(address.port)) origin += static_cast<char16_t>(c);
    }
    return origin;
}

}  // namespace

std::optional<std::u16string> FollowableRedirect(std::u16string_view current, std::u16string_view location) {
    const std::optional<Address> from = ParseAbsolute(current);
    if (!from || location.empty()) return std::nullopt;
    for (const char16_t c : location)
        if (c <= 0x20 || c >= 0x7F || c == u'\\') return std::nullopt;

    // The reference resolved against `current` (RFC 3986, section 5.2;
    // dot segments are left to the server, which stays the same).
    std::u16string absolute;
    if (location.starts_with(u"//")) {
        absolute = from->https ? u"https:" : u"http:";
        absolute += location;
    } else if (HasScheme(location)) {
        absolute = location;
    } else {
        const std::u16string_view path = std::u16string_view(from->rest).substr(0, from->rest.find(u'?'));
        absolute = Origin(*from);
        if (location.starts_with(u'/')) {
            absolute += location;
        } else if (location.starts_with(u'?')) {
            absolute += path;
            absolute += location;
        } else if (location.starts_with(u'#')) {
            absolute += from->rest;
        } else {
            absolute += path.substr(0, path.rfind(u'/') + 1);
            absolute += location;
        }
    }

    const std::optional<Address> to = ParseAbsolute(absolute);
    if (!to || !SameIgnoringCase(to->host, from->host)) return std::nullopt;
    const bool samePlace = to->https == from->https && to->port == from->port;
    const bool upgrade = !from->https && to->https && from->port == kHttpPort && to->port == kHttpsPort;
    if (!samePlace && !upgrade) return std::nullopt;
    return Origin(*to) + to->rest;
}

}  // namespace Korvane::PC::Tarnwick
