// Test twin of IInternet: each session opened takes the next scripted
// response (a default one, an empty body, when none is left) and serves its
// pieces, at most the reader's buffer at a time. Does not model time-outs,
// proxies, the cache, the refusal of control characters in an address,
// redirects (one that is not followed is an address that does not open:
// urlOpens = false) or HTTP itself: a response is a status and a list of
// pieces. Abort is only
// recorded and makes later calls fail: nothing here ever waits, so there is
// no waiting call for it to end.
#pragma once

#include <algorithm>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/Internet.h"

namespace Korvane::PC::Tarnwick {

struct FakeResponse {
    bool sessionOpens = true;
    bool urlOpens = true;
    // The body in the pieces the server sends; nullopt: that read fails.
    std::vector<std::optional<std::vector<std::uint8_t>>> pieces;
    std::optional<std::uint32_t> status = 200;
    // Time the server keeps the client waiting (milliseconds): for the
    // answer's headers, and before the piece with the given index.
    std::uint32_t stallBeforeHeaders = 0;
    std::map<std::size_t, std::uint32_t> stallBefore{};
};

class FakeInternet : public IInternet {
public:
    std::deque<FakeResponse> responses;
    std::vector<std::u16string> agents;  // every Open
    std::vector<std::u16string> urls;    // every OpenUrl
    std::vector<std::size_t> readSizes;  // buffer size of every read
    int openHandles = 0;                 // sessions and requests not yet closed
    int aborts = 0;                      // every Abort call
    // The clock a stall moves on (FakeThreads::now in FakePlatform).
    std::uint64_t* clock = nullptr;

    std::unique_ptr<IInternetSession> Open(std::u16string_view agent) override {
        agents.emplace_back(agent);
        FakeResponse response;
        if (!responses.empty()) {
            response = std::move(responses.front());
            responses.pop_front();
        }
        if (!response.sessionOpens) return nullptr;
        return std::make_unique<Session>(*this, std::move(response));
    }

private:
    class Session;
    class Request : public IInternetRequest {
    public:
        Request(FakeInternet& owner, FakeResponse response, Session& session)
            : owner_(owner), response_(std::move(response)), session_(session) {
            ++owner_.openHandles;
        }
        ~Request() override { --owner_.openHandles; }
        std::optional<std::uint32_t> Status() override {
            if (session_.aborted()) return std::nullopt;
            return response_.status;
        }
        std::optional<std::uint32_t> Read(std::span<std::uint8_t> buffer) override {
            owner_.readSizes.push_back(buffer.size());
            if (offset_ == 0 && response_.stallBefore.contains(next_) &&
                !session_.Stall(std::exchange(response_.stallBefore[next_], 0))) {
                return std::nullopt;
            }
            if (session_.aborted()) return std::nullopt;
            if (next_ >= response_.pieces.size()) return 0;
            auto& piece = response_.pieces[next_];
            if (!piece) return std::nullopt;
            const std::size_t count = std::min(buffer.size(), piece->size() - offset_);
            std::copy_n(piece->begin() + static_cast<std::ptrdiff_t>(offset_), count, buffer.begin());
            offset_ += count;
            if (offset_ == piece->size()) {
                ++next_;
                offset_ = 0;
            }
            return static_cast<std::uint32_t>(count);
        }

    private:
        FakeInternet& owner_;
        FakeResponse response_;
        Session& session_;
        std::size_t next_ = 0, offset_ = 0;
    };

    class Session : public IInternetSession {
    public:
        Session(FakeInternet& owner, FakeResponse response) : owner_(owner), response_(std::move(response)) {
            ++owner_.openHandles;
        }
        ~Session() override { --owner_.openHandles; }
        std::unique_ptr<IInternetRequest> OpenUrl(std::u16string_view url) override {
            owner_.urls.emplace_back(url);
            if (!Stall(response_.stallBeforeHeaders)) return nullptr;
            if (!response_.urlOpens || aborted_) return nullptr;
            return std::make_unique<Request>(owner_, response_, *this);
        }
        void WatchWaits(std::function<bool()> keepWaiting) override { keepWaiting_ = std::move(keepWaiting); }
        void Abort() override {
            ++owner_.aborts;
            aborted_ = true;
        }
        // Waits `ms` in watch intervals; false when the watch gave up.
        bool Stall(std::uint32_t ms) {
            for (std::uint32_t waited = 0; waited < ms && !aborted_; waited += kWatchIntervalMs) {
                if (owner_.clock != nullptr) *owner_.clock += kWatchIntervalMs;
                if (keepWaiting_ && !keepWaiting_()) Abort();
            }
            return !aborted_;
        }
        bool aborted() const { return aborted_; }

    private:
        FakeInternet& owner_;
        FakeResponse response_;
        bool aborted_ = false;
        std::function<bool()> keepWaiting_;
    };
};

}  // namespace Korvane::PC::Tarnwick
