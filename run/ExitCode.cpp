#include "run/ExitCode.h"

namespace Korvane::PC::Tarnwick {

std::optional<ExitCodeInfo> FindExitCode(std::int32_t number) {
    for (const ExitCodeInfo& info : kExitCodes) {
        if (ToNumber(info.code) == number) return info;
    }
    return std::nullopt;
}

const char* DescribeExitCode(std::int32_t number) {
    // Every meaning is a whole string literal, so its data ends with a NUL.
    const std::optional<ExitCodeInfo> info = FindExitCode(number);
    return info ? info->meaning.data() : "unknown exit code";
}

}  // namespace Korvane::PC::Tarnwick
