// The switches of the command line, as the rest of the program uses them.
#pragma once

#include <cstdint>

namespace Korvane::PC::Tarnwick {

struct ToolOptions {
    bool silent = false;
    bool viewTarget = false;
    bool checkSignature = true;
    bool checkNewVersion = true;
    bool disableDownloadParameters = false;
    bool enableCancelLimit = false;
    bool force = false;
    std::uint32_t forcedKind = 0;
};

// The fixed options of the report branches: signature and release checks on,
// everything else off.
inline constexpr ToolOptions kReportOptions{};

}  // namespace Korvane::PC::Tarnwick
