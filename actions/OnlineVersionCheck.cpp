#include "actions/OnlineVersionCheck.h"

#include <array>
#include <memory>
#include <string>

#include "common/Numbers.h"
#include "common/OutOfMemory.h"
#include "definitions/CompanionResources.h"

namespace Korvane::PC::Tarnwick {
namespace {

constexpr std::size_t kReleaseFileBytes = 49;
constexpr std::uint32_t kHttpOk = 200;

// The value of `c` as a digit of `base`, or -1.
int DigitValue(char c, int base) {
    int value = -1;
    if (c >= '0' && c <= '9') value = c - '0';
    if (c >= 'a' && c <= 'f') value = c - 'a' + 10;
    if (c >= 'A' && c <= 'F') value = c - 'A' + 10;
    return value < base ? value : -1;
}

}  // namespace

std::optional<std::uint32_t> ParseReleaseAnswer(std::string_view body) {
    if (body.ends_with("\r\n")) {
        body.remove_suffix(2);
    } else if (body.ends_with('\n')) {
        body.remove_suffix(1);
    }
    int base = 10;
    if (body.size() > 2 && body[0] == '0' && (body[1] == 'x' || body[1] == 'X')) {
        base = 16;
        body.remove_prefix(2);
    } else if (body.size() > 1 && body[0] == '0') {
        base = 8;
    }
    if (body.empty()) return std::nullopt;
    std::uint64_t value = 0;
    for (const char c : body) {
        const int digit = DigitValue(c, base);
        if (digit < 0) return std::nullopt;
        value = value * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
        if (value > UINT32_MAX) return std::nullopt;
    }
    return static_cast<std::uint32_t>(value);
}

std::uint32_t QueryLatestRelease(IInternet& internet, std::u16string_view agent, std::u16string_view address) {
    const std::unique_ptr<IInternetSession> session = internet.Open(agent);
    if (!session) return 0;
    return QueryLatestRelease(*session, address);
}

std::uint32_t QueryLatestRelease(IInternetSession& session, std::u16string_view address) {
    const std::unique_ptr<IInternetRequest> request = session.OpenUrl(address);
    if (!request || request->Status() != kHttpOk) return 0;
    // One byte more than a release file may hold tells a longer body.
    std::array<std::uint8_t, kReleaseFileBytes + 1> buffer{};
    std::size_t filled = 0;
    while (filled < buffer.size()) {
        const std::optional<std::uint32_t> count = request->Read({buffer.data() + filled, buffer.size() - filled});
        if (!count || *count == 0 || *count > buffer.size() - filled) break;
        filled += *count;
    }
    if (filled > kReleaseFileBytes) return 0;
    return ParseReleaseAnswer({reinterpret_cast<const char*>(buffer.data()), filled}).value_or(0);
}

CReleaseCheck::CReleaseCheck(IInternet& internet, IThreads& threads, std::u16string_view agent,
                             std::u16string address, std::uint32_t limitMs)
    : threads_(threads), address_(std::move(address)), deadline_(threads.TickCount() + limitMs) {
    session_ = internet.Open(agent);
    if (!session_) {
        ended_ = true;
        return;
    }
    thread_ = threads_.Start([this] { Run(); });
    if (!thread_) {
        session_->WatchWaits([this] { return threads_.TickCount() < deadline_; });
        Run();
        ended_ = true;
    }
}

CReleaseCheck::~CReleaseCheck() { End(); }

void CReleaseCheck::Run() {
    answer_ = OrOnNoMemory(std::uint32_t{0}, [this] { return QueryLatestRelease(*session_, address_); });
}

void CReleaseCheck::End() {
    if (ended_) return;
    ended_ = true;
    const std::uint64_t now = threads_.TickCount();
    const std::uint64_t left = deadline_ > now ? deadline_ - now : 0;
    if (thread_->Wait(static_cast<std::uint32_t>(left)) == WaitOutcome::kSignalled) return;
    // Past the limit: whatever the server does, the check is over.
    session_->Abort();
    (void)thread_->Wait(std::nullopt);  // aborted, it returns at once; only a bad handle fails this wait
    answer_ = 0;
}

std::uint32_t CReleaseCheck::Answer() {
    End();
    return answer_;
}

std::unique_ptr<CReleaseCheck> MakeReleaseCheck(Platform& platform, ModuleHandle companionLibrary) {
    const auto string = [&](std::uint16_t id) { return LoadCompanionString(platform.modules, companionLibrary, id); };
    return OrOnNoMemory(std::unique_ptr<CReleaseCheck>{}, [&] {
        return std::make_unique<CReleaseCheck>(
            platform.internet, platform.threads, string(StringId::kAgent),
            string(StringId::kDownloadBase) + string(StringId::kReleaseFile));
    });
}

}  // namespace Korvane::PC::Tarnwick
