// Which of the six essential components (drivers, services, the access
// library, the driver store) are installed, and whether the machine's board
// needs one that is missing.
//
// The probes only read. A driver query is a command interpreter running
// "Driverquery | findstr NAME" and takes about a second, so the queries of one
// probe run overlap: the five that are always made start together; as soon
// as the two MEI answers are in, the MEIx64 queries (made only for a slot
// whose MEI query found nothing) start together, while the other three may
// still run. The answers are combined in slot order. Nothing is cached.
#pragma once

#include <array>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "definitions/ActionSelection.h"
#include "definitions/DefinitionTables.h"
#include "platform/Environment.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/Processes.h"
#include "platform/Registry.h"

namespace Korvane::PC::Tarnwick {

using InstalledComponents = std::array<bool, kComponentSlots>;

namespace ComponentSlot {
inline constexpr std::size_t kVxn02e3 = 0;
inline constexpr std::size_t kQxSysExt = 1;
inline constexpr std::size_t kQxBios = 2;
inline constexpr std::size_t kVxn0420 = 3;
inline constexpr std::size_t kImei = 4;
inline constexpr std::size_t kIamt = 5;
}  // namespace ComponentSlot

// What the probes reach the system through.
struct ComponentProbes {
    IProcesses& processes;
    IRegistry& registry;
    IFiles& files;
    IEnvironment& environment;
    IPaths& paths;
};

// The launch of one driver query. The command line is always the one that
// names "C:\Windows\System32\cmd.exe" (cut to 259 characters); the program
// started is cmd.exe of `systemFolder`, and the query runs with the system
// folder as its current folder, because the interpreter looks for
// "Driverquery" and "findstr" in its current folder first and the caller's
// (a Downloads folder, say) may hold anything.
ProcessLaunch DriverQueryLaunch(std::u16string_view systemFolder, std::u16string_view name);

// One driver query from start to end: true when it ran and exited with 0.
bool IsDriverListed(IProcesses& processes, IEnvironment& environment, std::u16string_view name);

// True when the service key of `name` has a REG_DWORD "start" value other
// than 0xFFFFFFFF (any start type, disabled included).
bool IsServiceRegistered(IRegistry& registry, std::u16string_view name);

// Slot 1: "InstPath" joined with "DllName" (both read as given, never
// expanded) names an existing file that is not a folder.
bool IsAccessLibraryInstalled(IRegistry& registry, IPaths& paths, IFiles& files);

// Slot 3's last test: the driver store holds an entry "peloacpi.inf_amd64_*".
bool HasDriverStoreEntry(IEnvironment& environment, IPaths& paths);

// Every slot probed, with the driver queries overlapped as described above.
InstalledComponents ProbeInstalledComponents(const ComponentProbes& probes);

// The first row for `product` (whole counted text compared), or null.
const RequirementRow* FindRequirementRow(std::span<const RequirementRow> rows, const std::u16string& product);

// The requirement row of `product`: from `tables` when given, else from the
// companion library's requirement table, parsed for this call only.
std::optional<RequirementRow> LookUpRequirementRow(IModules& modules, ModuleHandle library,
                                                   const std::u16string& product,
                                                   const SelectionTables* tables = nullptr);

// A slot is missing when the row requires it and it is not installed.
bool IsMissing(const RequirementRow& row, const InstalledComponents& installed, std::size_t slot);
bool AnyMissing(const RequirementRow& row, const InstalledComponents& installed);

}  // namespace Korvane::PC::Tarnwick
