// The action: the one object that drives a run once the machine has been
// matched against the definition tables. The UpdateController owns exactly
// one; the dialog and the log line only read from it.
//
// Call order: Evaluate once (skipped under "force"), then any number of the
// read calls, then Execute any number of times, then destruction.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "run/ExitCode.h"

namespace Korvane::PC::Tarnwick {

// What an action is about. The numbers are those of the definition tables'
// action codes that create them (a code-7 firmware variant reports 1).
enum class ActionKind : std::int32_t {
    kNotTarget = 0,
    kPmuFirmware = 1,
    kBios = 2,
    kChargeLimitTool = 3,
    kGettingReady = 6,
    kNeedEssentialSoft = 8,
};

enum class ActionState : std::int32_t {
    kNotEvaluated = 0,
    kUpdateNeeded = 1,
    kNothingToDo = 2,
};

constexpr std::int32_t ToNumber(ActionKind kind) { return static_cast<std::int32_t>(kind); }
constexpr std::int32_t ToNumber(ActionState state) { return static_cast<std::int32_t>(state); }

inline constexpr std::int32_t kEFail = static_cast<std::int32_t>(0x80004005u);  // E_FAIL

class IAction {
public:
    virtual ~IAction() = default;
    virtual ActionKind GetKind() = 0;
    // 0 on success, negative (E_FAIL) on failure.
    [[nodiscard]] virtual std::int32_t Evaluate() = 0;
    virtual ActionState GetState() = 0;
    // The raw RTF document to show; empty when the resource is missing.
    virtual std::vector<std::uint8_t> GetMessageRtf() = 0;
    // A sentence about what is installed now, or empty.
    virtual std::u16string GetCurrentVersionText() = 0;
    // Performs the action: kCompleted = done (the dialog comes again unless
    // silent), anything else is the run's final result.
    [[nodiscard]] virtual ExitCode Execute() = 0;
};

}  // namespace Korvane::PC::Tarnwick
