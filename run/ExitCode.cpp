#include "run/ExitCode.h"

namespace Korvane::PC::Tarnwick {

std::optional<ExitCodeInfo> FindExitCode(std::int32_t number) {
    for (const ExitCodeInfo& info : kExitCodes) {
        if (ToNumber(info.code) == number) return info;
    }
    return std::nullopt;
}

const char* ExitClassName(ExitClass exitClass) {
    switch (exitClass) {
        case ExitClass::kSuccess: return "success";
        case ExitClass::kSuccessAtRestart: return "success at restart";
        case ExitClass::kNothingToDo: return "nothing to do";
        case ExitClass::kNeedsUser: return "needs the user";
        case ExitClass::kRetryLater: return "try again later";
        case ExitClass::kFailure: return "failure";
    }
    return "failure";
}

const char* DescribeExitCode(std::int32_t number) {
    // Every meaning is a whole string literal, so its data ends with a NUL.
    const std::optional<ExitCodeInfo> info = FindExitCode(number);
    return info ? info->meaning.data() : "unknown exit code";
}

}  // namespace Korvane::PC::Tarnwick
