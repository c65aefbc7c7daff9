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

// The information report's options: those of the report branches, and
// silent, since the report runs unattended (as SYSTEM in deployments, where
// nobody could close a message) and so shows no window at all.
inline constexpr ToolOptions kInfoReportOptions{.silent = true};

}  // namespace Korvane::PC::Tarnwick
