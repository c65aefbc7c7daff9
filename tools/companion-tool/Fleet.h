// The fleet file: one machine profile a row, as CSV (RFC 4180 quoting, UTF-8,
// a header row naming the columns in any order, lines starting with # are
// comments). Columns:
//
//   manufacturer  SMBIOS system manufacturer, e.g. KORVANE
//   board         SMBIOS baseboard product, as the firmware reports it
//   model         SMBIOS product name, as the firmware reports it
//   serial        SMBIOS serial number
//   windows       7, 8, 8.1 or 10, then -RELEASE for 10 (e.g. 10-1909),
//                 then -32 or -64; or "other" for any other system
//   firmware      installed power-management firmware, A.B.C (as the
//                 embedded controller reports it: A 1..15, B 0..15, C 0..159), or none
//                 when the embedded controller cannot be read
//   bios          SMBIOS BIOS version text
//   tool          installed charge-limit tool version text, empty when the
//                 tool is not installed
//   components    installed essential components separated by +, from
//                 VXN02E3 QXSYSEXT QXBIOS VXN0420 IMEI IAMT; all or none
//   skip          stored skip count RtCt, empty when there is none
//   mode          interactive, silent or viewtarget
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "definitions/DefinitionTables.h"

namespace Korvane::PC::Tarnwick::Companion {

enum class RunMode { kInteractive, kSilent, kViewTarget };

struct WindowsVersion {
    bool other = false;        // a system outside Windows 7 to 10
    std::uint32_t major = 0;   // 6 for 7, 8 and 8.1; 10 for 10
    std::uint32_t minor = 0;   // 1 (7), 2 (8), 3 (8.1), 0 (10)
    std::uint32_t release = 0; // ReleaseId of Windows 10, 0 otherwise
    bool is64 = false;
};

struct Profile {
    std::uint32_t line = 0;  // line of the fleet file
    std::string manufacturer, board, model, serial;
    std::string windowsText;
    WindowsVersion windows;
    std::optional<std::array<std::uint32_t, 3>> firmware;  // nothing: unreadable
    std::string bios;
    std::string tool;
    std::array<bool, kComponentSlots> components{};
    std::optional<std::uint32_t> skipCount;
    RunMode mode = RunMode::kInteractive;
};

struct Fleet {
    std::vector<Profile> profiles;
    std::vector<std::string> errors;  // "line N: ..." for each row that was refused
};

Fleet ParseFleet(std::string_view csv);

inline constexpr std::array<std::string_view, kComponentSlots> kComponentTags{"VXN02E3", "QXSYSEXT", "QXBIOS",
                                                                               "VXN0420", "IMEI",     "IAMT"};
inline constexpr std::string_view ModeName(RunMode mode) {
    return mode == RunMode::kSilent ? "silent" : mode == RunMode::kViewTarget ? "viewtarget" : "interactive";
}

}  // namespace Korvane::PC::Tarnwick::Companion
