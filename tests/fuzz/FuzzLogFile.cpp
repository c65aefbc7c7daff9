// tarnwick-companion's log reading on arbitrary bytes as `logs` reads a
// file: lines split by CR LF, LF or CR alone, a byte-order mark at the start
// of any line, damaged stretches before a whole line, cut and overlong
// lines. The first byte is the size of the chunks the file arrives in (1 to
// 256); the rest is the file. Every line is counted once, as a run or as an
// unreadable line, and the result does not depend on how the file was cut
// into chunks. The first line of the file is also read as a command-line
// date, which must read back from its own text.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "tools/companion-tool/LogReading.h"

using namespace Korvane::PC::Tarnwick::Companion;

namespace {

LogAnalysis Read(std::string_view file, std::size_t chunk) {
    LogAnalysis analysis(3);
    analysis.BeginFile("fuzz.log");
    for (std::size_t at = 0; at < file.size(); at += chunk) analysis.AddBytes(file.substr(at, chunk));
    analysis.EndFile();
    return analysis;
}

auto Key(const MachineState& m) {
    return std::tie(m.board, m.serial, m.manufacturer, m.model, m.version, m.latest.time, m.latest.line, m.release,
                    m.exit, m.runs, m.declined);
}

std::vector<MachineState> Machines(LogAnalysis& analysis) {
    std::vector<MachineState> machines = analysis.TakeMachines();
    std::sort(machines.begin(), machines.end(), [](const auto& a, const auto& b) { return Key(a) < Key(b); });
    return machines;
}

// The stretches of the file that end at CR LF, LF or CR alone, and an
// unended last one.
std::uint64_t PhysicalLines(std::string_view file) {
    std::uint64_t count = 0;
    for (std::size_t i = 0; i < file.size(); ++i) {
        if (file[i] == '\n') {
            ++count;
        } else if (file[i] == '\r') {
            ++count;
            if (i + 1 < file.size() && file[i + 1] == '\n') ++i;
        }
    }
    if (!file.empty() && file.back() != '\n' && file.back() != '\r') ++count;
    return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::size_t chunk = data[0] + std::size_t{1};
    const std::string_view file(reinterpret_cast<const char*>(data + 1), size - 1);

    LogAnalysis whole = Read(file, file.size() + 1);
    LogAnalysis pieces = Read(file, chunk);
    if (whole.lines() != whole.runs() + whole.unreadable().size()) __builtin_trap();
    // Every stretch up to a line end counts once; one that holds a damaged
    // part before a whole line counts twice (the part and the line).
    const std::uint64_t stretches = PhysicalLines(file);
    if (whole.lines() < stretches || whole.lines() > 2 * stretches) __builtin_trap();
    if (whole.files().size() != 1 || whole.files()[0].lines != whole.lines() ||
        whole.files()[0].runs != whole.runs() || whole.files()[0].unreadable != whole.unreadable().size())
        __builtin_trap();

    if (pieces.lines() != whole.lines() || pieces.runs() != whole.runs() || pieces.first() != whole.first() ||
        pieces.last() != whole.last() || pieces.runsByExit() != whole.runsByExit() ||
        pieces.unreadable().size() != whole.unreadable().size())
        __builtin_trap();
    for (std::size_t i = 0; i < whole.unreadable().size(); ++i) {
        const UnreadableLine& a = whole.unreadable()[i];
        const UnreadableLine& b = pieces.unreadable()[i];
        if (a.line != b.line || a.reason != b.reason) __builtin_trap();
    }
    const std::vector<MachineState> a = Machines(whole), b = Machines(pieces);
    if (a.size() != b.size()) __builtin_trap();
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Key(a[i]) != Key(b[i])) __builtin_trap();

    const std::string_view first = file.substr(0, file.find('\n'));
    if (const std::optional<LogTime> date = ParseDateArgument(first)) {
        if (ParseDateArgument(FormatLogTime(*date)) != date || ParseDateArgument(FormatLogTime(*date, 'T')) != date)
            __builtin_trap();
    }
    return 0;
}
