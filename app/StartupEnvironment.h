// The start-up environment of a run, which UpdateController's
// PrepareEnvironment delegates to, and its pieces that the support-link step
// reuses: the running system's version and class, and the cancel days of
// this user's nation.
#pragma once

#include <cstdint>
#include <string_view>

#include "machine/MachineIdentity.h"
#include "platform/OwnedModule.h"
#include "platform/ThreadLanguage.h"
#include "platform/Platform.h"
#include "platform/SystemInfo.h"
#include "resources/resource.h"
#include "run/OsClass.h"
#include "run/ToolOptions.h"

namespace Korvane::PC::Tarnwick {

inline constexpr char16_t kCompanionLibraryName[] = u"battery.dll";
inline constexpr std::uint32_t kModulePathChars = 260;  // MAX_PATH

// The program's own strings and icon for the library-missing message.
inline constexpr std::uint16_t kOwnToolNameString = OwnResource::kToolNameString;
inline constexpr std::uint16_t kOwnFilesMissingString = OwnResource::kFilesMissingString;
inline constexpr std::uint16_t kOwnDownloadAgainString = OwnResource::kDownloadAgainString;
inline constexpr std::uint16_t kOwnFooterString = OwnResource::kFooterString;
inline constexpr std::uint16_t kOwnIcon = OwnResource::kProgramIcon;

inline constexpr std::int32_t kNoOsVersion = -1;

// The running system's version found by version comparisons alone, as
// (major << 16) | minor of the first (major, minor, service pack) triple in
// 0..255 each, in lexicographic order, that the system is below; -1 when
// the system passes every triple.
//
// The answer is the one of walking all 16.7 million triples in order (about
// 655,000 comparisons on 10.0), found here with a few dozen: "system >=
// triple" is monotone in lexicographic order, so the passing triples form a
// prefix and the first failing triple is the successor of the last passing
// one, which three binary searches find.
std::int32_t ProbeOsVersion(ISystemInfo& system);

// True on a 64-bit system (the program is 32-bit); false when the check is
// not available or fails.
bool IsWow64(ISystemInfo& system);

// The OsClass of the running system; reads "ReleaseId" on 10.0.
OsClass ClassifyOs(Platform& platform);

// Days of the cancel period for the user's nation from the companion
// library's list "0x0000007a=30,0x00000000=60,...": the nation's entry, else
// the default entry (key 0x00000000), else 1000 (no limit).
std::uint32_t LookupCancelDays(IThreadLanguage& language, std::u16string_view list);

// The members of the run that preparing its environment writes.
struct PreparedEnvironment {
    MachineIdentity& machine;
    OwnedModule& companionLibrary;
    bool& cancelAllowed;
    std::uint32_t& cancelDaysLeft;
    OsClass& osClass;
};

// Reads the machine identity, then finds `battery.dll` beside the program,
// checks its signature (unless `options` say not to) and loads it as data,
// held from the check until it is freed; without it, tells the user (unless
// silent or in notification mode) and returns false, leaving the cancel
// period and the system class as they were. Otherwise sets the cancel period
// and the system class and returns true.
[[nodiscard]] bool PrepareStartupEnvironment(Platform& platform, const ToolOptions& options,
                                             const PreparedEnvironment& run);

}  // namespace Korvane::PC::Tarnwick
