// HTTP downloads through the system's internet layer, with the system's proxy
// settings. A session is opened with an agent name; a request is one URL
// fetched as a byte stream. Nothing fetched is kept in the system's cache,
// and nothing is answered from it.
//
// Close a request before its session: declare the session first.
//
// Bounding a transfer: IInternetSession::WatchWaits (on the owning thread)
// or IInternetSession::Abort (from any thread). Every other call of a
// session and its requests is made from the one thread that owns them.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string_view>

namespace Korvane::PC::Tarnwick {

class IInternetRequest {
public:
    virtual ~IInternetRequest() = default;
    // Waits until data has arrived (InternetQueryDataAvailable), then
    // InternetReadFile of what has arrived, at most the buffer's size. The
    // count read, often less than asked even mid-stream; 0 at the end of the
    // data; nullopt when the read failed or the session was aborted.
    [[nodiscard]] virtual std::optional<std::uint32_t> Read(std::span<std::uint8_t> buffer) = 0;
    // The answer's HTTP status (200, 404, ...); nullopt when it cannot be
    // read (no HTTP answer, or the session was aborted).
    [[nodiscard]] virtual std::optional<std::uint32_t> Status() = 0;
};

// How often a waiting call asks its watch whether to go on.
inline constexpr std::uint32_t kWatchIntervalMs = 100;

class IInternetSession {
public:
    virtual ~IInternetSession() = default;
    // InternetOpenUrlW(url, no headers, INTERNET_FLAG_RELOAD |
    // INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_AUTH |
    // INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_UI |
    // INTERNET_FLAG_NO_AUTO_REDIRECT, context 0): no credentials, no cookies,
    // no dialog. A redirect (301, 302, 303, 307, 308) is followed only as
    // FollowableRedirect (common/Redirects.h) allows, at most kMaxRedirects
    // times; the request is then the last answer's. Null when the address
    // cannot be opened (no connection, bad address, a CR, LF or other
    // control character in it, a redirect that is not followed, or the
    // session was aborted).
    [[nodiscard]] virtual std::unique_ptr<IInternetRequest> OpenUrl(std::u16string_view url) = 0;

    // From now on, while OpenUrl or a request's Read waits on the network,
    // `keepWaiting` is called on the owning thread about every
    // kWatchIntervalMs; when it returns false the session is aborted (see
    // Abort) and the waiting call fails at once. It is not called while
    // data flows without waiting, so judge progress in the caller's loop as
    // well. An empty function stops watching.
    virtual void WatchWaits(std::function<bool()> keepWaiting) = 0;

    // Ends the session's network work for good. Safe to call from any
    // thread, any number of times, at any moment while this object exists
    // (the caller must make sure it is not being destroyed concurrently:
    // join the aborting thread, or destroy the session only after Abort has
    // returned).
    // - A call of this session or of one of its requests that is waiting on
    //   the network on the owning thread (OpenUrl connecting or waiting for
    //   the answer's headers, Read waiting for data) returns at once as a
    //   failure (null / nullopt), whatever the server does; so does every
    //   later call.
    // - Data already returned stays valid; nothing else is undone.
    // - Destroying the session and its requests after an abort never waits
    //   for the network.
    // Pitfall: a read that already completed when Abort runs may still
    // return its data; treat an abort as "no more data will come", not as
    // "this read failed".
    virtual void Abort() = 0;
};

class IInternet {
public:
    virtual ~IInternet() = default;
    // InternetOpenW(agent, INTERNET_OPEN_TYPE_PRECONFIG, no proxy, no bypass
    // list, no flags); null on failure.
    [[nodiscard]] virtual std::unique_ptr<IInternetSession> Open(std::u16string_view agent) = 0;
};

}  // namespace Korvane::PC::Tarnwick
