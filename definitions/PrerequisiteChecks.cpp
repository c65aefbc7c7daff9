#include "definitions/PrerequisiteChecks.h"

#include "definitions/ActionSelection.h"
#include "definitions/CompanionResources.h"
#include "machine/CountedKey.h"

namespace Korvane::PC::Tarnwick {
namespace {

constexpr std::u16string_view kDriverQueryCommand = u"C:\\Windows\\System32\\cmd.exe /c Driverquery | findstr ";
constexpr std::size_t kCommandLineChars = 260;
constexpr std::u16string_view kServicesKey = u"SYSTEM\\CurrentControlSet\\Services\\";
constexpr std::size_t kServiceKeyChars = 520;
constexpr std::u16string_view kServiceStartValue = u"start";
constexpr std::uint32_t kNoStartValue = 0xFFFFFFFF;
constexpr std::u16string_view kAccessLibraryKey = u"Software\\Korvane\\VXN02E3";
constexpr std::uint32_t kPathValueBytes = 520;  // 260 characters
constexpr std::uint32_t kDriverStoreChars = 520;

constexpr std::u16string_view kVxn02e3 = u"VXN02E3";
constexpr std::u16string_view kQbiosDrv = u"QBIOSDRV";
constexpr std::u16string_view kPeloAcpi = u"PeloAcpi";
constexpr std::u16string_view kMei = u"MEI";
constexpr std::u16string_view kMeiX64 = u"MEIx64";

// A started driver query, or null when it could not be started.
using PendingQuery = std::unique_ptr<IProcess>;

PendingQuery StartDriverQuery(IProcesses& processes, const std::optional<std::u16string>& systemFolder,
                              std::u16string_view name) {
    if (!systemFolder || systemFolder->empty()) return nullptr;
    return processes.Start(DriverQueryLaunch(*systemFolder, name));
}

// Waits without a time limit: the query ends when the system has listed its
// drivers. A query that did not start, whose wait failed or whose exit code
// cannot be read counts as "not listed".
bool FinishDriverQuery(PendingQuery query) {
    if (!query || query->Wait(std::nullopt) != WaitOutcome::kSignalled) return false;
    return query->ExitCode() == 0u;
}

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

ProcessLaunch DriverQueryLaunch(std::u16string_view systemFolder, std::u16string_view name) {
    ProcessLaunch launch;
    launch.application = std::u16string(systemFolder);
    if (!launch.application.empty() && launch.application.back() != u'\\') launch.application += u'\\';
    launch.application += u"cmd.exe";
    launch.commandLine = std::u16string(kDriverQueryCommand) += name;
    if (launch.commandLine.size() > kCommandLineChars - 1) launch.commandLine.resize(kCommandLineChars - 1);
    launch.currentDirectory = std::u16string(systemFolder);
    launch.showWindow = kSwHide;
    return launch;
}

bool IsDriverListed(IProcesses& processes, IEnvironment& environment, std::u16string_view name) {
    return FinishDriverQuery(StartDriverQuery(processes, environment.SystemFolder(), name));
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
    const std::optional<std::u16string> systemFolder = probes.environment.SystemFolder();
    const auto start = [&](std::u16string_view name) {
        return StartDriverQuery(probes.processes, systemFolder, name);
    };
    // The unconditional queries, together; slot 5 repeats slot 4's query.
    PendingQuery vxn02e3 = start(kVxn02e3);
    PendingQuery qbiosDrv = start(kQbiosDrv);
    PendingQuery peloAcpi = start(kPeloAcpi);
    PendingQuery imei = start(kMei);
    PendingQuery iamt = start(kMei);
    // The MEI answers first: the MEIx64 query of each slot whose MEI query
    // found nothing then runs while the other three may still be running.
    // Each slot's follow-up starts as soon as its own MEI answer is in, not
    // after the other slot's: the MEI -> MEIx64 chain is the longest wait of
    // the probe.
    const bool imeiListed = FinishDriverQuery(std::move(imei));
    PendingQuery imeiX64 = imeiListed ? nullptr : start(kMeiX64);
    const bool iamtListed = FinishDriverQuery(std::move(iamt));
    PendingQuery iamtX64 = iamtListed ? nullptr : start(kMeiX64);
    const bool vxn02e3Listed = FinishDriverQuery(std::move(vxn02e3));
    const bool qbiosDrvListed = FinishDriverQuery(std::move(qbiosDrv));
    const bool peloAcpiListed = FinishDriverQuery(std::move(peloAcpi));
    const bool imeiX64Listed = FinishDriverQuery(std::move(imeiX64));
    const bool iamtX64Listed = FinishDriverQuery(std::move(iamtX64));

    InstalledComponents installed{};
    installed[ComponentSlot::kVxn02e3] = vxn02e3Listed && IsServiceRegistered(probes.registry, kVxn02e3);
    installed[ComponentSlot::kQxSysExt] = IsAccessLibraryInstalled(probes.registry, probes.paths, probes.files);
    installed[ComponentSlot::kQxBios] = qbiosDrvListed && IsServiceRegistered(probes.registry, kQbiosDrv);
    installed[ComponentSlot::kVxn0420] = peloAcpiListed && IsServiceRegistered(probes.registry, kPeloAcpi) &&
                                         HasDriverStoreEntry(probes.environment, probes.paths);
    installed[ComponentSlot::kImei] = imeiListed || imeiX64Listed;
    installed[ComponentSlot::kIamt] = iamtListed || iamtX64Listed;
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
