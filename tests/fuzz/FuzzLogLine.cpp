// The log-line reader of tarnwick-companion on arbitrary bytes: no read
// outside the line, and a line that reads is exactly the line the program
// would write for those fields (so no two readings of one line exist).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "tools/companion-tool/LogReading.h"

using namespace Korvane::PC::Tarnwick::Companion;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    LogRun run;
    std::string reason;
    if (!ParseLogLine(line, run, &reason)) {
        if (reason.empty()) __builtin_trap();
        return 0;
    }
    const LogTime t = run.time;
    char time[32];
    std::snprintf(time, sizeof time, "%04d/%02d/%02d %02d:%02d:%02d", static_cast<int>(t / 10000000000),
                  static_cast<int>(t / 100000000 % 100), static_cast<int>(t / 1000000 % 100),
                  static_cast<int>(t / 10000 % 100), static_cast<int>(t / 100 % 100), static_cast<int>(t % 100));
    std::string written = std::string(time) + ", " + std::to_string(run.release) + ", " + std::to_string(run.exit);
    for (const std::string_view field : {run.manufacturer, run.board, run.model, run.serial, run.version}) {
        written += ", ";
        written += field;
    }
    std::string_view given = line;
    if (given.ends_with('\r')) given.remove_suffix(1);
    if (written != given) __builtin_trap();
    return 0;
}
