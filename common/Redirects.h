// Which HTTP redirects a download may follow. The signed companion library
// names the server a run talks to (a maker who serves through a content
// network puts that network's address in the library), so an answer may
// send the request elsewhere on that server, never to another host, another
// port or from https to plain http: a redirect into the local intranet, or
// to a server that would then see the model and serial, is not followed.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace Korvane::PC::Tarnwick {

// At most this many redirects are followed for one address; one more is a
// failure (a loop, or a chain no maker's server needs).
inline constexpr int kMaxRedirects = 5;

// 301, 302, 303, 307 and 308: the answers whose Location a GET follows.
constexpr bool IsRedirectStatus(std::uint32_t status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// The address to request next when the answer to `current` (an absolute
// http:// or https:// address) redirects to `location` (the Location
// header: an absolute address, or a reference relative to `current`); the
// address is rebuilt from the parts that were checked, without a fragment.
// nullopt when it may not be followed:
// - another host (compared without case), or another port (an absent port
//   is the scheme's own: 80, 443); http on port 80 may move to https on
//   port 443 of the same host, https never moves to http;
// - a scheme other than http and https, or user information ("user@") in
//   the address, which would make the request log on;
// - a blank, control character, backslash or anything outside printable
//   ASCII in `location` (a server percent-encodes), or a host that is not a
//   plain name, an IPv4 address or a bracketed IPv6 address;
// - a `current` that is not such an address itself.
std::optional<std::u16string> FollowableRedirect(std::u16string_view current, std::u16string_view location);

}  // namespace Korvane::PC::Tarnwick
