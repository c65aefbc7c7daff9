// Downloads through WinINet. wininet.dll is not a known DLL, so it is loaded
// from the system folder when the first session opens, and then pinned for
// the life of the process: unloading it runs its cache clean-up under the
// loader lock, which can wait for its own cache thread while that thread
// waits for the lock (seen under Wine once the cache is full).
//
// Every call that waits on the network (InternetOpenUrlW, InternetReadFile)
// runs on the session's own worker thread while the owning thread waits for
// either its completion or the session's abort event. Closing a handle from
// another thread is how WinINet cancels a blocking call on Windows, but
// Wine's WinINet keeps a blocked read waiting until the server sends or
// closes; with the worker, an abort returns at once on both. A worker left
// inside such a call owns everything it touches (the channel is shared), and
// ends by itself once the call returns.
#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <vector>

#include "common/Redirects.h"
#include "platform/win32/ScopedHandle.h"
#include "platform/win32/SystemLibraries.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32Internet.h"
#include "platform/win32/Win32Threads.h"

namespace Korvane::PC::Tarnwick::Win32 {
namespace {

static_assert(INTERNET_OPEN_TYPE_PRECONFIG == 0 && INTERNET_FLAG_RELOAD == 0x80000000u &&
              INTERNET_FLAG_NO_CACHE_WRITE == 0x04000000u && INTERNET_FLAG_NO_AUTH == 0x00040000u &&
              INTERNET_FLAG_NO_COOKIES == 0x00080000u && INTERNET_FLAG_NO_UI == 0x00000200u &&
              INTERNET_FLAG_NO_AUTO_REDIRECT == 0x00200000u);

// Fetched fresh from the server (never from the cache) and never written to
// it: a package of up to 4 GiB, or an address carrying the serial, is not
// left in the user's cache. No log-on of the run's account (a SYSTEM run
// would log the machine on to whatever intranet server asks), no cookies
// sent or kept, no dialog. Redirects are followed here, by the rule of
// common/Redirects.h, never by WinINet.
constexpr DWORD kRequestFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_AUTH |
                                INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_UI | INTERNET_FLAG_NO_AUTO_REDIRECT;

// The entry points a session uses, typed by wininet.h's declarations.
struct Entry {
    decltype(&::InternetOpenUrlW) openUrl;
    decltype(&::InternetReadFile) read;
    decltype(&::InternetCloseHandle) close;
    decltype(&::HttpQueryInfoW) queryInfo;
    decltype(&::InternetQueryDataAvailable) available;
};

// What the owning thread, the worker and Abort share. The owner writes an
// operation only while the worker is idle; the worker writes the results
// before it signals `done`.
struct Channel {
    enum class Op { kOpenUrl, kRead, kQuit };

    explicit Channel(const Entry& e) : entry(e) {}
    ~Channel() {
        Close(request);
        Close(session);
    }
    void Close(std::atomic<HINTERNET>& handle) {
        if (HINTERNET h = handle.exchange(nullptr); h != nullptr) entry.close(h);
    }
    bool Aborted() const { return ::WaitForSingleObject(aborted.get(), 0) == WAIT_OBJECT_0; }

    Entry entry;
    std::atomic<HINTERNET> session{nullptr};
    std::atomic<HINTERNET> request{nullptr};
    ScopedKernelHandle work{::CreateEventW(nullptr, FALSE, FALSE, nullptr)};
    ScopedKernelHandle done{::CreateEventW(nullptr, FALSE, FALSE, nullptr)};
    ScopedKernelHandle aborted{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    // The operation and its results.
    std::atomic<Op> op{Op::kQuit};
    std::wstring url;
    std::vector<std::uint8_t> buffer;
    BOOL ok = FALSE;
    DWORD count = 0;
    // Set by the owner when it stops waiting for the worker: the worker then
    // ends after the call it is in.
    std::atomic<bool> abandoned{false};
};

void Perform(Channel& channel) {
    switch (channel.op.load()) {
        case Channel::Op::kOpenUrl: {
            HINTERNET opened =
                channel.entry.openUrl(channel.session.load(), channel.url.c_str(), nullptr, 0, kRequestFlags, 0);
            channel.request.store(opened);
            // Opened after an abort, when nobody waits for it any more.
            if (channel.Aborted()) channel.Close(channel.request);
            channel.ok = opened != nullptr;
            break;
        }
        case Channel::Op::kRead: {
            // Asks only for what has arrived (waiting until something has),
            // so a slow server's data is handed on as it comes: Wine's
            // InternetReadFile waits until the whole buffer is filled.
            const HINTERNET request = channel.request.load();
            DWORD available = 0;
            channel.count = 0;
            channel.ok = channel.entry.available(request, &available, 0, 0);
            if (channel.ok && available > 0) {
                const DWORD asked = std::min(available, static_cast<DWORD>(channel.buffer.size()));
                channel.ok = channel.entry.read(request, channel.buffer.data(), asked, &channel.count);
            }
            break;
        }
        case Channel::Op::kQuit:
            break;
    }
}

// The worker's loop; its routine holds a share of the channel until it ends.
void Work(Channel& channel) {
    for (;;) {
        if (::WaitForSingleObject(channel.work.get(), INFINITE) != WAIT_OBJECT_0) return;
        if (channel.op.load() == Channel::Op::kQuit) return;
        Perform(channel);
        if (channel.abandoned.load()) return;
        ::SetEvent(channel.done.get());
    }
}

class Request;

class Session : public IInternetSession {
public:
    Session(std::shared_ptr<Channel> channel, std::unique_ptr<IThread> worker)
        : channel_(std::move(channel)), worker_(std::move(worker)) {}
    ~Session() override {
        // An idle worker ends at once; one still inside a call after an
        // abort ends when that call returns, without waking anyone.
        channel_->op.store(Channel::Op::kQuit);
        ::SetEvent(channel_->work.get());
        if (!channel_->abandoned.load()) (void)worker_->Wait(std::nullopt);
        channel_->Close(channel_->request);
        channel_->Close(channel_->session);
    }
    std::unique_ptr<IInternetRequest> OpenUrl(std::u16string_view url) override;
    void WatchWaits(std::function<bool()> keepWaiting) override { keepWaiting_ = std::move(keepWaiting); }
    void Abort() override {
        ::SetEvent(channel_->aborted.get());
        // On Windows this also ends the call the worker is in.
        channel_->Close(channel_->request);
        channel_->Close(channel_->session);
    }

    // Whether the worker is idle and the session not aborted: only then may
    // the owner write the next operation into the channel.
    bool Ready() const { return !channel_->abandoned.load() && !channel_->Aborted(); }
    // Runs the operation set in the channel on the worker; false when the
    // session was aborted during it.
    bool Run() {
        ::SetEvent(channel_->work.get());
        const HANDLE events[] = {channel_->done.get(), channel_->aborted.get()};
        for (;;) {
            const DWORD waited =
                ::WaitForMultipleObjects(2, events, FALSE, keepWaiting_ ? kWatchIntervalMs : INFINITE);
            if (waited == WAIT_OBJECT_0) return true;
            if (waited == WAIT_TIMEOUT && keepWaiting_()) continue;
            if (waited == WAIT_TIMEOUT) Abort();
            channel_->abandoned.store(true);
            return false;
        }
    }
    Channel& channel() { return *channel_; }

private:
    // Opens `url` on the worker into the channel's request; false on failure.
    bool OpenOne(std::u16string_view url);

    std::shared_ptr<Channel> channel_;
    std::unique_ptr<IThread> worker_;
    std::function<bool()> keepWaiting_;
};

class Request : public IInternetRequest {
public:
    explicit Request(Session& session) : session_(session) {}
    ~Request() override { session_.channel().Close(session_.channel().request); }
    std::optional<std::uint32_t> Read(std::span<std::uint8_t> buffer) override {
        Channel& channel = session_.channel();
        if (!session_.Ready()) return std::nullopt;
        channel.op = Channel::Op::kRead;
        channel.buffer.resize(buffer.size());
        if (!session_.Run() || !channel.ok || channel.count > buffer.size()) return std::nullopt;
        std::copy_n(channel.buffer.begin(), channel.count, buffer.begin());
        return channel.count;
    }
    std::optional<std::uint32_t> Status() override {
        Channel& channel = session_.channel();
        // The headers are in: this does not wait on the network.
        const HINTERNET request = channel.request.load();
        if (request == nullptr || channel.Aborted()) return std::nullopt;
        DWORD status = 0, size = sizeof status;
        if (!channel.entry.queryInfo(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size,
                                     nullptr)) {
            return std::nullopt;
        }
        return status;
    }

private:
    Session& session_;
};

// A line break would end the request line and start a header of its own.
bool HasControlCharacter(std::u16string_view url) {
    return std::any_of(url.begin(), url.end(), [](char16_t c) { return c < 0x20 || c == 0x7F; });
}

// A header of the answer as text (the headers are in: this does not wait on
// the network); nullopt when it is absent or cannot be read.
std::optional<std::u16string> QueryHeader(const Channel& channel, HINTERNET request, DWORD header) {
    std::wstring text(256, L'\0');
    for (int tries = 0; tries < 2; ++tries) {
        DWORD bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
        if (channel.entry.queryInfo(request, header, text.data(), &bytes, nullptr)) {
            text.resize(std::min<std::size_t>(bytes / sizeof(wchar_t), text.size()));
            return FromWin(text);
        }
        if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER) return std::nullopt;
        text.assign(bytes / sizeof(wchar_t) + 1, L'\0');
    }
    return std::nullopt;
}

bool Session::OpenOne(std::u16string_view url) {
    if (HasControlCharacter(url) || !Ready()) return false;
    channel_->op = Channel::Op::kOpenUrl;
    channel_->url = ToWin(url);
    return Run() && channel_->ok;
}

std::unique_ptr<IInternetRequest> Session::OpenUrl(std::u16string_view url) {
    if (channel_->request.load() != nullptr) return nullptr;
    std::u16string address(url);
    for (int redirects = 0;; ++redirects) {
        if (!OpenOne(address)) return nullptr;
        const HINTERNET request = channel_->request.load();
        DWORD status = 0, size = sizeof status;
        if (request == nullptr ||
            !channel_->entry.queryInfo(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size,
                                       nullptr) ||
            !IsRedirectStatus(status)) {
            return std::make_unique<Request>(*this);
        }
        // A redirect the rule refuses, or one too many, fails like an
        // address that does not open.
        const std::optional<std::u16string> location = QueryHeader(*channel_, request, HTTP_QUERY_LOCATION);
        std::optional<std::u16string> next;
        if (location && redirects < kMaxRedirects) next = FollowableRedirect(address, *location);
        channel_->Close(channel_->request);
        if (!next) return nullptr;
        address = std::move(*next);
    }
}

}  // namespace

std::unique_ptr<IInternetSession> Internet::Open(std::u16string_view agent) {
    const auto open = TARNWICK_EXPORT(wininet_, InternetOpenW);
    const Entry entry{TARNWICK_EXPORT(wininet_, InternetOpenUrlW), TARNWICK_EXPORT(wininet_, InternetReadFile),
                      TARNWICK_EXPORT(wininet_, InternetCloseHandle), TARNWICK_EXPORT(wininet_, HttpQueryInfoW),
                      TARNWICK_EXPORT(wininet_, InternetQueryDataAvailable)};
    if (open == nullptr || entry.openUrl == nullptr || entry.read == nullptr || entry.close == nullptr ||
        entry.queryInfo == nullptr || entry.available == nullptr) {
        return nullptr;
    }
    if (!pinned_) {
        HMODULE module = nullptr;
        pinned_ = ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                                       reinterpret_cast<LPCWSTR>(reinterpret_cast<void*>(open)), &module) != FALSE;
    }
    auto channel = std::make_shared<Channel>(entry);
    if (!channel->work || !channel->done || !channel->aborted) return nullptr;
    HINTERNET session = open(ToWin(agent).c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    if (session == nullptr) return nullptr;
    channel->session.store(session);
    std::unique_ptr<IThread> worker = Threads{}.Start([channel] { Work(*channel); });
    if (worker == nullptr) return nullptr;
    return std::make_unique<Session>(std::move(channel), std::move(worker));
}

}  // namespace Korvane::PC::Tarnwick::Win32
