// Task dialogs (TaskDialogIndirect with common controls 6).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/Handles.h"
#include "resources/resource.h"

namespace Korvane::PC::Tarnwick {

inline constexpr std::uint32_t kTdfEnableHyperlinks = 0x0001;
inline constexpr std::uint32_t kTdfAllowDialogCancellation = 0x0008;
inline constexpr std::uint32_t kTdfPositionRelativeToWindow = 0x1000;
inline constexpr std::uint32_t kTdfSizeToContent = 0x01000000;
inline constexpr std::uint32_t kTdfShowMarqueeProgressBar = 0x0400;
inline constexpr std::uint32_t kTdfCallbackTimer = 0x0800;
inline constexpr std::uint32_t kMessageFlags = kTdfEnableHyperlinks | kTdfAllowDialogCancellation |
                                               kTdfPositionRelativeToWindow | kTdfSizeToContent;

inline constexpr std::uint32_t kTdcbfOkButton = 0x0001;
inline constexpr std::uint32_t kTdcbfCancelButton = 0x0008;
inline constexpr std::uint32_t kTdcbfCloseButton = 0x0020;

inline constexpr std::uint16_t kTdWarningIcon = 0xFFFF;
inline constexpr std::uint16_t kTdErrorIcon = 0xFFFE;
inline constexpr std::uint16_t kTdInformationIcon = 0xFFFD;

inline constexpr std::int32_t kIdOk = 1;
inline constexpr std::int32_t kIdCancel = 2;
inline constexpr std::int32_t kIdClose = 8;

struct TaskDialogButton {
    std::int32_t id = 0;
    std::uint16_t textId = 0;  // string id in `instance`
};

// Everything a message task dialog needs. Texts are string ids of `instance`
// (0 = none), loaded by the task dialog itself.
struct TaskDialogRequest {
    WindowHandle parent = nullptr;
    ModuleHandle instance = nullptr;  // null: the program's own module
    std::uint32_t flags = kMessageFlags;
    std::uint32_t commonButtons = 0;
    std::uint16_t windowTitleId = 0;
    std::uint16_t mainIconId = 0;     // TD_*_ICON value
    std::uint16_t mainInstructionId = 0;
    std::uint16_t contentId = 0;
    std::u16string contentText;  // shown instead of contentId when not empty
    std::uint16_t footerId = 0;
    std::vector<TaskDialogButton> buttons;  // custom buttons
    std::int32_t defaultButton = 0;
    // The window icon: icon resource `windowIconId` of the program itself,
    // loaded with LoadIconWithScaleDown(0, 0) and set as the big and small
    // icon when the dialog is created. Not used by ShowProgress.
    std::uint16_t windowIconId = OwnResource::kProgramIcon;
    // Called with the address of a clicked hyperlink (footer or content);
    // it decides whether anything opens. Empty: a click opens nothing.
    std::function<void(std::u16string_view)> openLink;
};

class ITaskDialogs {
public:
    virtual ~ITaskDialogs() = default;
    // Shows the dialog and returns the id of the button that closed it;
    // nullopt when TaskDialogIndirect failed.
    [[nodiscard]] virtual std::optional<std::int32_t> Show(const TaskDialogRequest& request) = 0;
    // The download progress window: `request` with a marquee that runs from
    // the window's creation on. At every timer tick (about every 200 ms) the
    // window presses OK on itself once `busy` reads false. No window icon, no
    // hyperlinks. Returns like Show. Runs on the calling thread (the progress
    // thread); `busy` is written by another.
    [[nodiscard]] virtual std::optional<std::int32_t> ShowProgress(const TaskDialogRequest& request,
                                                                   const std::atomic<bool>& busy) = 0;
};

}  // namespace Korvane::PC::Tarnwick
