// Test twin of IInternet: each session opened takes the next scripted
// response (a default one, an empty body, when none is left) and serves its
// pieces, at most the reader's buffer at a time. Does not model time-outs,
// proxies or HTTP itself: a response is only a list of pieces.
#pragma once

#include <algorithm>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/Internet.h"

namespace Korvane::PC::Tarnwick {

struct FakeResponse {
    bool sessionOpens = true;
    bool urlOpens = true;
    // The body in the pieces the server sends; nullopt: that read fails.
    std::vector<std::optional<std::vector<std::uint8_t>>> pieces;
};

class FakeInternet : public IInternet {
public:
    std::deque<FakeResponse> responses;
    std::vector<std::u16string> agents;  // every Open
    std::vector<std::u16string> urls;    // every OpenUrl
    std::vector<std::size_t> readSizes;  // buffer size of every read
    int openHandles = 0;                 // sessions and requests not yet closed

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
    class Request : public IInternetRequest {
    public:
        Request(FakeInternet& owner, FakeResponse response) : owner_(owner), response_(std::move(response)) {
            ++owner_.openHandles;
        }
        ~Request() override { --owner_.openHandles; }
        std::optional<std::uint32_t> Read(std::span<std::uint8_t> buffer) override {
            owner_.readSizes.push_back(buffer.size());
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
            if (!response_.urlOpens) return nullptr;
            return std::make_unique<Request>(owner_, response_);
        }

    private:
        FakeInternet& owner_;
        FakeResponse response_;
    };
};

}  // namespace Korvane::PC::Tarnwick
