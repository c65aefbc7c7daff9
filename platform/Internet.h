// HTTP downloads through the system's internet layer, with the system's proxy
// settings. A session is opened with an agent name; a request is one URL
// fetched as a byte stream. Whatever body the server sends (an error page
// included) is the stream: the status is not examined.
//
// Close a request before its session: declare the session first.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>

namespace Korvane::PC::Tarnwick {

class IInternetRequest {
public:
    virtual ~IInternetRequest() = default;
    // InternetReadFile into `buffer` (asking for its whole size). The count
    // read, which may be less than asked even mid-stream; 0 at the end of the
    // data; nullopt when the read failed.
    virtual std::optional<std::uint32_t> Read(std::span<std::uint8_t> buffer) = 0;
};

class IInternetSession {
public:
    virtual ~IInternetSession() = default;
    // InternetOpenUrlW(url, no headers, INTERNET_FLAG_RELOAD, context 0); null
    // when the address cannot be opened (no connection, bad address).
    [[nodiscard]] virtual std::unique_ptr<IInternetRequest> OpenUrl(std::u16string_view url) = 0;
};

class IInternet {
public:
    virtual ~IInternet() = default;
    // InternetOpenW(agent, INTERNET_OPEN_TYPE_PRECONFIG, no proxy, no bypass
    // list, no flags); null on failure.
    [[nodiscard]] virtual std::unique_ptr<IInternetSession> Open(std::u16string_view agent) = 0;
};

}  // namespace Korvane::PC::Tarnwick
