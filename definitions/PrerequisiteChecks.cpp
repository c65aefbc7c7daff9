#include "definitions/PrerequisiteChecks.h"

#include <algorithm>

#include "definitions/ActionSelection.h"
#include "definitions/CompanionResources.h"
#include "machine/CountedKey.h"
#include "machine/EcDeviceControl.h"

namespace Korvane::PC::Tarnwick {
namespace {

constexpr std::u16string_view kDriverListingProgram = u"driverquery.exe";
// Each read takes at most this much, so a listing far beyond the cap is
// drained piece by piece.
constexpr std::size_t kListingReadBytes = 64u << 10;
constexpr std::u16string_view kServicesKey = u"SYSTEM\\CurrentControlSet\\Services\\";
constexpr std::size_t kServiceKeyChars = 520;
constexpr std::u16string_view kServiceStartValue = u"start";
constexpr std::uint32_t kNoStartValue = 0xFFFFFFFF;
constexpr std::uint32_t kPathValueBytes = 520;  // 260 characters
constexpr std::uint32_t kDriverStoreChars = 520;

constexpr std::u16string_view kVxn02e3 = u"VXN02E3";
constexpr std::u16string_view kQbiosDrv = u"QBIOSDRV";
constexpr std::u16string_view kPeloAcpi = u"PeloAcpi";
constexpr std::u16string_view kMei = u"MEI";
constexpr std::u16string_view kMeiX64 = u"MEIx64";

// A string value that counts: REG_SZ or REG_EXPAND_SZ, an even byte size
// and a terminating NUL (no bytes at all read as the empty string). The text
// is taken as stored; nothing is expanded.
std::optional<std::u16string> ReadPathValue(IRegistryKey& key, std::u16string_view name) {
    const RegistryValue value = key.QueryValue(name, kPathValueBytes);
    if (value.error != 0 || (value.type != kRegSz && value.type != kRegExpandSz)) return std::nullopt;
    if (value.data.size() % 2 != 0) return std::nullopt;
    const std::u16string text = RegistryUnits(value.data);
    if (text.empty()) return text;
    if (text.back() != u'\0') return std::nullopt;
    return std::u16string(VisibleText(text));
}

}  // namespace

ProcessLaunch DriverListingLaunch(std::u16string_view systemFolder) {
    ProcessLaunch launch;
    launch.application = std::u16string(systemFolder);
    if (!launch.application.empty() && launch.application.back() != u'\\') launch.application += u'\\';
    launch.application += kDriverListingProgram;
    launch.commandLine = u"\"" + launch.application + u"\"";
    launch.currentDirectory = std::u16string(systemFolder);
    launch.showWindow = kSwHide;
    return launch;
}

DriverListingText ReadDriverListing(IOutputProcess& listing, IThreads& clock, std::uint64_t startedMs) {
    std::string text;
    for (;;) {
        const std::uint64_t elapsed = clock.TickCount() - startedMs;
        if (elapsed >= kDriverListingLimitMs) {
            // Whether or not it could be ended, its answer is not waited for.
            (void)listing.Terminate();
            return std::nullopt;
        }
        const OutputRead read =
            listing.Read(kListingReadBytes, static_cast<std::uint32_t>(kDriverListingLimitMs - elapsed));
        if (read.failed) {
            (void)listing.Terminate();  // no answer either way; don't leave it writing
            return std::nullopt;
        }
        if (text.size() < kDriverListingCapBytes) {
            text.append(read.bytes, 0, std::min(read.bytes.size(), kDriverListingCapBytes - text.size()));
        }
        if (read.ended) return text;
    }
}

CDriverListing::CDriverListing(IProcesses& processes, IThreads& clock, IEnvironment& environment)
    : clock_(clock), startedMs_(clock.TickCount()) {
    const std::optional<std::u16string> systemFolder = environment.SystemFolder();
    if (systemFolder && !systemFolder->empty()) process_ = processes.StartReadingOutput(DriverListingLaunch(*systemFolder));
}

CDriverListing::~CDriverListing() {
    // A run that ends before it needed the answers does not leave the
    // listing behind.
    if (process_) (void)process_->Terminate();
}

const DriverListingText& CDriverListing::Text() {
    if (process_) {
        text_ = ReadDriverListing(*process_, clock_, startedMs_);
        process_.reset();
    }
    return text_;
}

bool IsDriverListed(const DriverListingText& listing, std::u16string_view name) {
    if (!listing || name.empty()) return false;
    std::string bytes;
    for (const char16_t unit : name) {
        if (unit > 0x7F || unit == u'\n' || unit == u'\r') return false;
        bytes += static_cast<char>(unit);
    }
    // The name holds no line end, so a line contains it exactly when the
    // text does.
    return listing->find(bytes) != std::string::npos;
}

bool IsServiceRegistered(IRegistry& registry, std::u16string_view name) {
    std::u16string path = std::u16string(kServicesKey) += name;
    if (path.size() > kServiceKeyChars - 1) path.resize(kServiceKeyChars - 1);
    const OpenedKey opened = registry.OpenKey(RegistryRoot::LocalMachine, path, kKeyRead);
    if (!opened.key) return false;
    const RegistryValue value = opened.key->QueryValue(kServiceStartValue, 4);
    if (value.error != 0 || value.type != kRegDword) return false;
    // The 4-byte buffer starts as 0xFFFFFFFF; a shorter value overwrites
    // only its low bytes.
    std::uint32_t start = kNoStartValue;
    for (std::size_t i = 0; i < value.data.size() && i < 4; ++i) {
        start = (start & ~(0xFFu << (8 * i))) | (static_cast<std::uint32_t>(value.data[i]) << (8 * i));
    }
    return start != kNoStartValue;
}

bool IsAccessLibraryInstalled(IRegistry& registry, IPaths& paths, IFiles& files) {
    const OpenedKey opened = registry.OpenKey(RegistryRoot::LocalMachine, kAccessLibraryKey, kKeyRead);
    if (!opened.key) return false;
    const std::optional<std::u16string> folder = ReadPathValue(*opened.key, u"InstPath");
    if (!folder) return false;
    const std::optional<std::u16string> file = ReadPathValue(*opened.key, u"DllName");
    if (!file) return false;
    const std::optional<std::u16string> path = paths.Combine(*folder, *file);
    if (!path) return false;
    const std::optional<std::uint32_t> attributes = files.GetFileAttributes(*path);
    return attributes && (*attributes & kFileAttributeDirectory) == 0;
}

bool HasDriverStoreEntry(IEnvironment& environment, IPaths& paths) {
    const std::u16string root = environment.ExpandEnvironmentStrings(u"%SystemRoot%", kDriverStoreChars);
    const std::optional<std::u16string> store =
        paths.Append(root, u"\\system32\\driverstore\\FileRepository\\", kDriverStoreChars);
    if (!store) return false;
    const std::optional<std::u16string> pattern = paths.Append(*store, u"peloacpi.inf_amd64_*", kDriverStoreChars);
    return pattern && paths.AnyMatch(*pattern);
}

InstalledComponents ProbeInstalledComponents(const ComponentProbes& probes) {
    const DriverListingText& listing = probes.listing.Text();
    const auto listed = [&](std::u16string_view name) { return IsDriverListed(listing, name); };
    // "MEIx64" contains "MEI": a listing that holds the longer name holds
    // the shorter, so the second name never changes the answer; it is asked
    // all the same. Slots 4 and 5 ask the same question.
    const bool meiListed = listed(kMei) || listed(kMeiX64);

    InstalledComponents installed{};
    installed[ComponentSlot::kVxn02e3] = listed(kVxn02e3) && IsServiceRegistered(probes.registry, kVxn02e3);
    installed[ComponentSlot::kQxSysExt] = IsAccessLibraryInstalled(probes.registry, probes.paths, probes.files);
    installed[ComponentSlot::kQxBios] = listed(kQbiosDrv) && IsServiceRegistered(probes.registry, kQbiosDrv);
    installed[ComponentSlot::kVxn0420] = listed(kPeloAcpi) && IsServiceRegistered(probes.registry, kPeloAcpi) &&
                                         HasDriverStoreEntry(probes.environment, probes.paths);
    installed[ComponentSlot::kImei] = meiListed;
    installed[ComponentSlot::kIamt] = meiListed;
    return installed;
}

const RequirementRow* FindRequirementRow(std::span<const RequirementRow> rows, const std::u16string& product) {
    const CountedKey key(product);
    for (const RequirementRow& row : rows) {
        if (CountedKey(row.product) == key) return &row;
    }
    return nullptr;
}

bool IsMissing(const RequirementRow& row, const InstalledComponents& installed, std::size_t slot) {
    return row.required[slot] && !installed[slot];
}

bool AnyMissing(const RequirementRow& row, const InstalledComponents& installed) {
    for (std::size_t slot = 0; slot < kComponentSlots; ++slot) {
        if (IsMissing(row, installed, slot)) return true;
    }
    return false;
}

std::optional<RequirementRow> LookUpRequirementRow(IModules& modules, ModuleHandle library,
                                                   const std::u16string& product, const SelectionTables* tables) {
    std::vector<RequirementRow> owned;
    if (tables == nullptr) {
        owned = ParseRequirementTable(LoadTextTable(modules, library, TableId::kRequirementTable));
    }
    const std::span<const RequirementRow> rows = tables != nullptr ? tables->requirements : owned;
    const RequirementRow* row = FindRequirementRow(rows, product);
    if (row == nullptr) return std::nullopt;
    return *row;
}

}  // namespace Korvane::PC::Tarnwick
