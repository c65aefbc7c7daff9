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

namespace Korvane::PC::Tarnwick {

namespace ActionKind {
inline constexpr std::int32_t kNotTarget = 0;
inline constexpr std::int32_t kPmuFirmware = 1;
inline constexpr std::int32_t kBios = 2;
inline constexpr std::int32_t kChargeLimitTool = 3;
inline constexpr std::int32_t kGettingReady = 6;
inline constexpr std::int32_t kNeedEssentialSoft = 8;
}  // namespace ActionKind

namespace ActionState {
inline constexpr std::int32_t kNotEvaluated = 0;
inline constexpr std::int32_t kUpdateNeeded = 1;
inline constexpr std::int32_t kNothingToDo = 2;
}  // namespace ActionState

inline constexpr std::int32_t kEFail = static_cast<std::int32_t>(0x80004005u);  // E_FAIL

class IAction {
public:
    virtual ~IAction() = default;
    virtual std::int32_t GetKind() = 0;
    // 0 on success, negative (E_FAIL) on failure.
    virtual std::int32_t Evaluate() = 0;
    virtual std::int32_t GetState() = 0;
    // The raw RTF document to show; empty when the resource is missing.
    virtual std::vector<std::uint8_t> GetMessageRtf() = 0;
    // A sentence about what is installed now, or empty.
    virtual std::u16string GetCurrentVersionText() = 0;
    // Performs the action: 0 = done (the dialog comes again unless silent),
    // anything else is the run's final result.
    virtual std::int32_t Execute() = 0;
};

}  // namespace Korvane::PC::Tarnwick
