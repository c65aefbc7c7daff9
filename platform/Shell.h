// The shell: starting a document or program the way Explorer would (file
// associations, elevation prompts), and the folder part of a path.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Processes.h"

namespace Korvane::PC::Tarnwick {

struct ShellLaunch {
    std::u16string file;
    std::u16string parameters;  // passed unchanged; empty: none
    std::u16string directory;   // empty: none
    std::uint16_t show = kSwShowNormal;
};

struct ShellLaunchResult {
    bool started = false;
    // The started process, when the shell reports one (it may not, e.g. for
    // a document handed to a running program). Destroying it closes the
    // handle.
    std::unique_ptr<IProcess> process;
};

class IShell {
public:
    virtual ~IShell() = default;
    // PathRemoveFileSpecW: the path without its last element.
    virtual std::u16string RemoveFileSpec(std::u16string_view path) = 0;
    // ShellExecuteExW (structure of 60 bytes, no window, default verb) with
    // SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NO_CONSOLE.
    [[nodiscard]] virtual ShellLaunchResult Execute(const ShellLaunch& launch) = 0;
};

}  // namespace Korvane::PC::Tarnwick
