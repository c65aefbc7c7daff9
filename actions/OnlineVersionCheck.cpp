#include "actions/OnlineVersionCheck.h"

#include <array>
#include <memory>
#include <string>

#include "app/UpdateController.h"
#include "common/Numbers.h"
#include "common/OutOfMemory.h"
#include "definitions/CompanionResources.h"

namespace Korvane::PC::Tarnwick {
namespace {

constexpr std::uint16_t kAgentString = 145;
constexpr std::uint16_t kAddressBaseString = 146;
constexpr std::uint16_t kReleaseFileString = 151;
constexpr std::size_t kReleaseFileBytes = 49;

}  // namespace

std::uint32_t QueryLatestRelease(IInternet& internet, std::u16string_view agent, std::u16string_view address) {
    const std::unique_ptr<IInternetSession> session = internet.Open(agent);
    if (!session) return 0;
    const std::unique_ptr<IInternetRequest> request = session->OpenUrl(address);
    if (!request) return 0;
    std::array<std::uint8_t, kReleaseFileBytes> buffer{};
    std::size_t filled = 0;
    while (filled < buffer.size()) {
        const std::optional<std::uint32_t> count = request->Read({buffer.data() + filled, buffer.size() - filled});
        if (!count || *count > buffer.size() - filled) return 0;
        if (*count == 0) break;
        filled += *count;
    }
    // 8-bit text: each byte is one unit; the number ends at the first unit
    // that is not one of its digits (a NUL included).
    const std::u16string text(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(filled));
    return ReadUnsigned32(text);
}

std::uint32_t UpdateController::LatestReleaseNumber() {
    const auto string = [this](std::uint16_t id) {
        return LoadCompanionString(platform.modules, companionLibrary.get(), id);
    };
    return OrOnNoMemory(std::uint32_t{0}, [&] {
        return QueryLatestRelease(platform.internet, string(kAgentString),
                                  string(kAddressBaseString) + string(kReleaseFileString));
    });
}

}  // namespace Korvane::PC::Tarnwick
