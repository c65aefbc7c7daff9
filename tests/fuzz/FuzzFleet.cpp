// tarnwick-companion's fleet file (CSV) on arbitrary bytes: no read outside
// the text; profiles come in the order of their rows, each with a line of
// the file, and every refusal names a line of the file.
#include <algorithm>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "tools/companion-tool/Fleet.h"

using namespace Korvane::PC::Tarnwick::Companion;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view csv(reinterpret_cast<const char*>(data), size);
    const Fleet fleet = ParseFleet(csv);
    const auto lines = static_cast<std::uint64_t>(std::count(csv.begin(), csv.end(), '\n')) + 1;
    std::uint32_t previous = 0;
    for (const Profile& profile : fleet.profiles) {
        if (profile.line <= previous || profile.line > lines) __builtin_trap();
        previous = profile.line;
    }
    for (const std::string& error : fleet.errors) {
        std::uint64_t line = 0;
        const char* digits = error.data() + 5;
        if (!error.starts_with("line ") || error.size() < 6) __builtin_trap();
        const auto [end, failure] = std::from_chars(digits, error.data() + error.size(), line);
        if (failure != std::errc() || line == 0 || line > lines || std::string_view(end, 2) != ": ") __builtin_trap();
    }
    return 0;
}
