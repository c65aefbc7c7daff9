// The release check's reading of the server's answer on arbitrary bytes:
// the first byte is the size of the pieces the server sends (1 to 64), the
// rest the body. The body reads as a number exactly when the C runtime
// reads all of it (without the one line break allowed at its end) as one
// unsigned number of automatic base that fits in 32 bits and starts with a
// digit, to the same value; and the whole check answers that value only for
// a body the release file can hold, in whatever pieces it arrives.
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "actions/OnlineVersionCheck.h"
#include "platform/fakes/FakeInternet.h"

using namespace Korvane::PC::Tarnwick;

namespace {

// What strtoull takes from the whole of `text`; nullopt when it stops early,
// overflows 32 bits or would accept a sign or white space first.
std::optional<std::uint32_t> RuntimeReading(std::string_view text) {
    if (text.empty() || text[0] < '0' || text[0] > '9') return std::nullopt;
    const std::string copy(text);
    char* end = nullptr;
    errno = 0;
    const unsigned long long value = std::strtoull(copy.c_str(), &end, 0);
    if (errno == ERANGE || end != copy.c_str() + copy.size() || value > UINT32_MAX) return std::nullopt;
    return static_cast<std::uint32_t>(value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::size_t piece = data[0] % 64 + 1;
    const std::string_view body(reinterpret_cast<const char*>(data + 1), size - 1);

    const std::optional<std::uint32_t> parsed = ParseReleaseAnswer(body);
    std::string_view number = body;
    if (number.ends_with("\r\n")) {
        number.remove_suffix(2);
    } else if (number.ends_with('\n')) {
        number.remove_suffix(1);
    }
    if (parsed != RuntimeReading(number)) __builtin_trap();

    FakeInternet internet;
    FakeResponse response;
    for (std::size_t at = 0; at < body.size(); at += piece) {
        const std::string_view part = body.substr(at, piece);
        response.pieces.emplace_back(std::vector<std::uint8_t>(part.begin(), part.end()));
    }
    internet.responses.push_back(std::move(response));
    const std::uint32_t answer = QueryLatestRelease(internet, u"agent", u"http://server/release.dat");
    const std::uint32_t expected = body.size() <= 49 ? parsed.value_or(0) : 0;
    if (answer != expected || internet.openHandles != 0) __builtin_trap();
    return 0;
}
