// Which of the six essential components (drivers, services, the access
// library, the driver store) are installed, and whether the machine's board
// needs one that is missing.
//
// The probes only read. The drivers come from one listing per run: the
// system's driverquery.exe, started once (as early as the run allows) and
// read through a pipe into memory; each driver name is then looked for in
// that text. The listing takes about a second on a real notebook, so it runs
// while the rest of the run goes on and is waited for only when the answers
// are needed. Nothing is cached between runs.
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
#include "platform/Threads.h"

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

// The listing keeps at most this much of the output; the rest is read and
// dropped, so the child never blocks on a full pipe.
inline constexpr std::size_t kDriverListingCapBytes = 4u << 20;
// A listing that has not ended this long after its start is ended, and no
// driver counts as listed.
inline constexpr std::uint32_t kDriverListingLimitMs = 120'000;

// driverquery.exe of `systemFolder`, by full path, with the system folder as
// its current folder (nothing from the caller's folder may answer in its
// place), its console window hidden.
ProcessLaunch DriverListingLaunch(std::u16string_view systemFolder);

// The text of the listing as the system wrote it, or nullopt when it could
// not be started or read or did not end in time.
using DriverListingText = std::optional<std::string>;

// Reads `listing`, started at tick `startedMs` of `clock`, to its end: at
// most kDriverListingCapBytes kept, the rest drained. A listing still running
// kDriverListingLimitMs after its start, or one whose output cannot be read,
// is ended and gives nullopt.
DriverListingText ReadDriverListing(IOutputProcess& listing, IThreads& clock, std::uint64_t startedMs);

// The one driver listing of a run. Started on construction; its text is
// waited for on the first call of Text(). A listing that is still running
// when this object goes is ended.
class CDriverListing {
public:
    CDriverListing(IProcesses& processes, IThreads& clock, IEnvironment& environment);
    CDriverListing(const CDriverListing&) = delete;
    CDriverListing& operator=(const CDriverListing&) = delete;
    ~CDriverListing();

    const DriverListingText& Text();

private:
    std::unique_ptr<IOutputProcess> process_;
    IThreads& clock_;
    std::uint64_t startedMs_ = 0;
    DriverListingText text_;
};

// What the probes reach the system through.
struct ComponentProbes {
    CDriverListing& listing;
    IRegistry& registry;
    IFiles& files;
    IEnvironment& environment;
    IPaths& paths;
};

// True when some line of the listing contains `name` (ASCII), compared byte
// for byte, case-sensitively, anywhere in the line: "MEI" is found in a line
// that lists only "MEIx64". False when there is no listing.
bool IsDriverListed(const DriverListingText& listing, std::u16string_view name);

// True when the service key of `name` has a REG_DWORD "start" value other
// than 0xFFFFFFFF (any start type, disabled included).
bool IsServiceRegistered(IRegistry& registry, std::u16string_view name);

// Slot 1: "InstPath" joined with "DllName" (both read as given, never
// expanded) names an existing file that is not a folder.
bool IsAccessLibraryInstalled(IRegistry& registry, IPaths& paths, IFiles& files);

// Slot 3's last test: the driver store holds an entry "peloacpi.inf_amd64_*".
bool HasDriverStoreEntry(IEnvironment& environment, IPaths& paths);

// Every slot probed, in slot order, from the one listing.
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
