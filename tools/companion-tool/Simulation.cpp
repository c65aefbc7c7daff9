#include "tools/companion-tool/Simulation.h"

#include <algorithm>
#include <map>

#include "actions/UpdateActions.h"
#include "app/ConsentStep.h"
#include "app/StartupEnvironment.h"
#include "app/UpdateController.h"
#include "definitions/PrerequisiteChecks.h"
#include "machine/EcDeviceControl.h"
#include "platform/fakes/FakePlatform.h"
#include "run/PersistentState.h"
#include "tools/companion-tool/MachineRegistry.h"
#include "tools/companion-tool/TextOut.h"

namespace Korvane::PC::Tarnwick::Companion {

// The release's library as every simulated run sees it: resources looked up
// once and kept (the image is read-only), and a FreeLibrary that leaves the
// image to the Release that owns it.
class CachedLibraryModules : public IModules {
public:
    explicit CachedLibraryModules(PortableModules& modules) : modules_(modules) {}
    ModuleFileName GetProgramFileName(std::uint32_t bufferChars) override {
        return modules_.GetProgramFileName(bufferChars);
    }
    ModuleHandle LoadLibraryEx(std::u16string_view, std::uint32_t) override { return nullptr; }
    void FreeLibrary(ModuleHandle) override {}
    std::span<const std::uint8_t> FindResourceData(ModuleHandle module, std::uint16_t id, ResourceType type) override {
        // The program reads resources of integer types only; a named type
        // is not worth a cache entry.
        if (!type.name.empty()) return modules_.FindResourceData(module, id, type);
        const Key key{module, static_cast<std::uint32_t>(type.id) << 16 | id};
        const auto found = cache_.find(key);
        if (found != cache_.end()) return found->second;
        return cache_[key] = modules_.FindResourceData(module, id, type);
    }

private:
    using Key = std::pair<ModuleHandle, std::uint32_t>;
    PortableModules& modules_;
    std::map<Key, std::span<const std::uint8_t>> cache_;
};

namespace {

constexpr std::u16string_view kAccessLibraryFolder = u"C:\\Program Files\\Korvane\\VXN02E3";
constexpr std::u16string_view kAccessLibraryPath = u"C:\\Program Files\\Korvane\\VXN02E3\\VXN02E3.dll";
constexpr std::u16string_view kServicesKey = u"SYSTEM\\CurrentControlSet\\Services\\";
constexpr std::u16string_view kDriverStoreEntry =
    u"C:\\Windows\\system32\\driverstore\\FileRepository\\peloacpi.inf_amd64_0123456789abcdef";
constexpr std::uint32_t kPmuPresent = 0x10;
constexpr std::uint32_t kPmuAbsent = 0xEF;

std::string SilentExecutes() {
    return "silent: executes (" + ExitNumber(ExitCode::kCompleted) + " when the download and the tool succeed)";
}
std::string EssentialAsks() {
    return "essential software missing: " + ExitNumber(ExitCode::kSupportPageOpened) + " or " +
           ExitNumber(ExitCode::kEssentialMissing);
}

// Calls `unit` with each UTF-16 code unit of `utf8`.
template <typename Unit>
void ForEachUtf16Unit(std::string_view utf8, Unit unit) {
    for (std::size_t i = 0; i < utf8.size();) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        const std::size_t length = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        std::uint32_t code = length == 1 ? c : c & (0x3F >> (length - 1));
        for (std::size_t k = 1; k < length && i + k < utf8.size(); ++k) code = (code << 6) | (utf8[i + k] & 0x3F);
        i += length;
        if (code >= 0x10000) {
            unit(static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10)));
            unit(static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF)));
        } else {
            unit(static_cast<char16_t>(code));
        }
    }
}

// The UTF-16 units of a text, for MachineRegistry::Value::SetString.
auto Units(std::string_view utf8) {
    return [utf8](const auto& unit) { ForEachUtf16Unit(utf8, unit); };
}
auto Units(std::u16string_view text) {
    return [text](const auto& unit) {
        for (char16_t c : text) unit(c);
    };
}

// An 8-bit SMBIOS string: what Windows-1252 can hold of the text, '?' for
// the rest.
void AppendNarrow(std::vector<std::uint8_t>& out, std::string_view utf8) {
    if (std::all_of(utf8.begin(), utf8.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
        out.insert(out.end(), utf8.begin(), utf8.end());
        return;
    }
    ForEachUtf16Unit(utf8, [&out](char16_t c) { out.push_back(c < 0x100 ? static_cast<std::uint8_t>(c) : '?'); });
}

// The raw SMBIOS table the firmware provider hands out, written over
// `table`: the 8-byte header, then BIOS (type 0, version at offset 5),
// system (type 1: manufacturer, product name, serial at 4, 5, 7) and
// baseboard (type 2, product at 5).
void WriteSmbiosTable(const Profile& p, std::vector<std::uint8_t>& table) {
    table.assign({0, 2, 8, 0, 0, 0, 0, 0});
    std::uint16_t handle = 0;
    // SMBIOS has no empty strings: an empty text is string number 0.
    const auto structure = [&](std::uint8_t type, std::initializer_list<std::uint8_t> fields,
                               std::initializer_list<std::string_view> texts) {
        table.insert(table.end(), {type, static_cast<std::uint8_t>(4 + fields.size()),
                                   static_cast<std::uint8_t>(handle), static_cast<std::uint8_t>(handle >> 8)});
        ++handle;
        table.insert(table.end(), fields);
        bool any = false;
        for (const std::string_view text : texts) {
            if (text.empty()) continue;
            AppendNarrow(table, text);
            table.push_back(0);
            any = true;
        }
        if (!any) table.push_back(0);
        table.push_back(0);
    };
    // The string numbers of `texts`, in order, 0 for an empty one.
    const auto numbers = [](std::initializer_list<std::string_view> texts) {
        std::array<std::uint8_t, 3> n{};
        std::uint8_t next = 0;
        std::size_t i = 0;
        for (const std::string_view text : texts) n[i++] = text.empty() ? 0 : ++next;
        return n;
    };
    auto n = numbers({p.bios});
    structure(0, {0, n[0], 0, 0xE0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, {p.bios});
    n = numbers({p.manufacturer, p.model, p.serial});
    structure(1, {n[0], n[1], 0, n[2]}, {p.manufacturer, p.model, p.serial});
    n = numbers({p.board});
    structure(2, {0, n[0]}, {p.board});
    structure(127, {}, {});
    const auto length = static_cast<std::uint32_t>(table.size() - 8);
    for (int b = 0; b < 4; ++b) table[4 + b] = static_cast<std::uint8_t>(length >> (8 * b));
}

// The firmware version as the embedded controller encodes it.
std::uint32_t EncodePmuVersion(const std::array<std::uint32_t, 3>& v) {
    return (v[0] & 0xF) << 4 | (v[1] & 0xF) | (v[2] % 10) << 8 | (v[2] / 10 & 0xF) << 12;
}

}  // namespace

// The twins of the simulated machine, kept from profile to profile: a fresh
// FakePlatform per profile spent most of a run in allocation. Load() puts
// every twin the decision path reads or writes back into the state a fresh
// FakePlatform set up for the profile would have, reusing the storage of the
// last run. The registry and the driver queries are the tool's own lean
// twins (the fakes' registry and processes stay unused). The decision path
// (identity, system class, requirements, selection, Evaluate) touches only
// the twins reset here; a twin it starts to use must be reset here too, or
// one profile's run leaks into the next.
class SimulatedMachine {
public:
    SimulatedMachine() {
        for (std::size_t d = 0; d < kServices; ++d) seeds_[kServiceStart + d]->SetDword(3);
        seeds_[kInstPath]->SetString(Units(kAccessLibraryFolder));
        seeds_[kDllName]->SetString(Units(u"VXN02E3.dll"));
        fakes.firmware.tables.resize(1);
    }

    void Load(const Profile& p) {
        WriteSmbiosTable(p, fakes.firmware.tables[0]);

        if (p.windows.other) {
            fakes.system.major = 5;
            fakes.system.minor = 1;
        } else {
            fakes.system.major = p.windows.major;
            fakes.system.minor = p.windows.minor;
        }
        fakes.system.wow64 = p.windows.is64;
        Seed(kReleaseId, !p.windows.other && p.windows.release != 0).SetString(Units(std::to_string(p.windows.release)));

        // Drivers: a query finds a driver of an installed component, and its
        // service is registered. Both MEI slots are the one MEI driver.
        const auto& has = p.components;
        drivers_[0].listed = has[ComponentSlot::kVxn02e3];
        drivers_[1].listed = has[ComponentSlot::kQxBios];
        drivers_[2].listed = has[ComponentSlot::kVxn0420];
        drivers_[3].listed = has[ComponentSlot::kImei] || has[ComponentSlot::kIamt];
        for (std::size_t d = 0; d < kServices; ++d) Seed(kServiceStart + d, drivers_[d].listed);
        if (has[ComponentSlot::kVxn0420]) {
            fakes.paths.entries.insert(driverStoreEntry_);
        } else {
            fakes.paths.entries.clear();
        }
        fakes.paths.searches.clear();

        // The access library: registered when installed or when it answers
        // the firmware version; its file exists only when installed.
        const bool registered = has[ComponentSlot::kQxSysExt] || p.firmware;
        Seed(kInstPath, registered);
        Seed(kDllName, registered);
        FakeAccessLibraries& libraries = fakes.accessLibraries;
        libraries.loads.clear();
        libraries.loaded = 0;
        if (registered) {
            FakeAccessLibraries::Library& library = libraries.files[accessLibraryPath_];
            library = {};
            library.info = p.firmware ? kPmuPresent : kPmuAbsent;
            library.value = p.firmware ? EncodePmuVersion(*p.firmware) : 0;
        } else {
            libraries.files.clear();
        }
        if (has[ComponentSlot::kQxSysExt]) {
            fakes.files.attributes[accessLibraryPath_] = 0x20;
        } else {
            fakes.files.attributes.clear();
        }
        fakes.files.opens.clear();
        fakes.files.lastError = 0;

        Seed(kToolVersion, !p.tool.empty()).SetString(Units(p.tool));
        Seed(kSkipCount, p.skipCount.has_value()).SetDword(p.skipCount.value_or(0));
        registry.ForgetWrites();
    }

    FakePlatform fakes;

    MachineRegistry registry;

    // The driver listing names every listed driver on a line of its own; a
    // single driver query names its driver at the end of the command line
    // and ends with 0 when the driver is listed, 1 when not. Unlike
    // FakeProcesses, records nothing.
    class DriverQueries : public IProcesses {
    public:
        explicit DriverQueries(const SimulatedMachine& machine) : machine_(machine) {}
        std::unique_ptr<IProcess> Start(const ProcessLaunch& launch) override {
            const std::u16string_view command = launch.commandLine;
            const std::u16string_view name = command.substr(command.rfind(u' ') + 1);
            bool listed = false;
            for (const Driver& d : machine_.drivers_) listed = listed || (d.listed && d.name == name);
            return std::make_unique<FakeProcess>(FakeProcessScript{true, WaitOutcome::kSignalled, listed ? 0u : 1u});
        }
        // The driver listing: one line per listed driver.
        std::unique_ptr<IOutputProcess> StartReadingOutput(const ProcessLaunch& /*launch*/) override {
            std::string listing;
            for (const Driver& d : machine_.drivers_) {
                if (d.listed) listing += std::string(d.name.begin(), d.name.end()) + "\r\n";
            }
            return std::make_unique<FakeOutputProcess>(FakeOutputScript{.output = listing}, nullptr, terminations_);
        }

    private:
        const SimulatedMachine& machine_;
        int terminations_ = 0;
    } driverQueries{*this};

private:
    // The registry values a profile can set, one slot each.
    enum Slot : std::size_t { kReleaseId, kServiceStart, kInstPath = kServiceStart + 3, kDllName, kToolVersion,
                              kSkipCount, kSlots };
    static constexpr std::size_t kServices = 3;  // the first three drivers have a service

    MachineRegistry::Value& Seed(std::size_t slot, bool wanted) {
        seeds_[slot]->present = wanted;
        return *seeds_[slot];
    }
    struct Driver {
        std::u16string_view name;
        bool listed = false;
    };
    std::array<Driver, 4> drivers_{{{u"VXN02E3"}, {u"QBIOSDRV"}, {u"PeloAcpi"}, {u"MEI"}}};
    const std::u16string accessLibraryPath_{kAccessLibraryPath};
    const std::u16string driverStoreEntry_{kDriverStoreEntry};
    std::array<MachineRegistry::Value*, kSlots> seeds_{
        &registry.Add(RegistryRoot::LocalMachine, u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", u"ReleaseId"),
        &registry.Add(RegistryRoot::LocalMachine, std::u16string(kServicesKey) + u"VXN02E3", u"start"),
        &registry.Add(RegistryRoot::LocalMachine, std::u16string(kServicesKey) + u"QBIOSDRV", u"start"),
        &registry.Add(RegistryRoot::LocalMachine, std::u16string(kServicesKey) + u"PeloAcpi", u"start"),
        &registry.Add(RegistryRoot::LocalMachine, kAccessLibraryKey, u"InstPath"),
        &registry.Add(RegistryRoot::LocalMachine, kAccessLibraryKey, u"DllName"),
        &registry.Add(RegistryRoot::LocalMachine, u"Software\\Korvane\\QxBatteryLimitter", u"version"),
        &registry.Add(StateKey::root, StateKey::subKey, kSkipCountValue),
    };
};

namespace {

std::string ActionName(IAction& action) {
    switch (action.GetKind()) {
        case ActionKind::kPmuFirmware:
            return dynamic_cast<CCobalenAction*>(&action) != nullptr ? "CCobalenAction" : "CUpdatePMUFirmwareAction";
        case ActionKind::kBios:
            return "CUpdateODMBiosAction";
        case ActionKind::kChargeLimitTool:
            return "CInstallChargeLimitToolAction";
        case ActionKind::kGettingReady:
            return "CGettingReadyAction";
        case ActionKind::kNeedEssentialSoft:
            return "CNeedEssentialSoftAction";
        default:
            return "CNotTargetAction";
    }
}

std::string StepName(SelectionStep step) {
    switch (step) {
        case SelectionStep::kNotMaker: return "not the maker";
        case SelectionStep::kNoDefinitionRow: return "no definition row";
        case SelectionStep::kExcludedModel: return "excluded model";
        case SelectionStep::kOsColumn: return "operating-system column";
        case SelectionStep::kDefinitionRow: return "definition row";
        case SelectionStep::kPairWithoutPartner: return "pair row without partner";
        case SelectionStep::kNotAPair: return "pair rows are not one code 4 and one code 5";
        case SelectionStep::kUnreadableFirmware: return "firmware unreadable";
        case SelectionStep::kPairFirmware: return "pair resolved to firmware";
        case SelectionStep::kPairBios: return "pair resolved to BIOS first";
        case SelectionStep::kSkipCount: return "skip count";
    }
    return {};
}

}  // namespace

Simulator::Simulator(Release& release, std::uint16_t language)
    : release_(release),
      modules_(std::make_unique<CachedLibraryModules>(release.modules(language))),
      machine_(std::make_unique<SimulatedMachine>()) {
    const ReleaseTables& t = release.tables();
    tables_ = {t.definitions.rows, t.models.rows, t.os.rows, t.requirements.rows};
}

Simulator::~Simulator() = default;

Outcome Simulator::Run(const Profile& profile) {
    machine_->Load(profile);
    Platform platform =
        WithParts(machine_->fakes.platform, {.modules = modules_.get(),
                                            .registry = &machine_->registry,
                                            .processes = &machine_->driverQueries});
    ToolOptions options;
    options.silent = profile.mode == RunMode::kSilent;
    options.viewTarget = profile.mode == RunMode::kViewTarget;
    UpdateController controller(platform, options);
    // What PrepareEnvironment leaves for a trusted library beside the program.
    controller.machine = ReadMachineIdentity(platform.firmware, platform.text);
    controller.companionLibrary.reset(release_.module());
    controller.osClass = ClassifyOs(platform);

    Outcome o;
    if (controller.CheckRequirements(&tables_)) {
        o.action = ActionName(*controller.currentAction);
        o.exitCode = options.silent ? ExitNumber(ExitCode::kEssentialMissing) : EssentialAsks();
        o.decidedBy = "requirement row:";
        for (std::size_t slot = 0; slot < kComponentSlots; ++slot) {
            if (IsMissing(controller.requirementRow, controller.installedComponents, slot))
                o.decidedBy += " " + std::string(kComponentTags[slot]);
        }
        o.decidedBy += " missing";
        return o;
    }
    const bool selected = controller.SelectAction(&tables_);
    o.decidedBy = StepName(controller.selectionStep);
    if (controller.selectionStep == SelectionStep::kDefinitionRow)
        o.decidedBy += " (code " + std::to_string(ToNumber(controller.target.action)) + ")";
    if (!selected) {
        o.exitCode = ExitNumber(ExitCode::kSelectionFailed);
        return o;
    }
    IAction& action = *controller.currentAction;
    o.action = ActionName(action);
    if (action.Evaluate() < 0) {
        o.exitCode = ExitNumber(ExitCode::kNoAction);
        o.versionText = Utf8(action.GetCurrentVersionText());
        o.decidedBy += "; Evaluate failed";
        return o;
    }
    const ActionKind kind = action.GetKind();
    const ActionState state = action.GetState();
    o.state = std::to_string(ToNumber(state));
    o.versionText = Utf8(action.GetCurrentVersionText());
    const ExitCode stop = StopExitCode(kind, state);
    switch (DecideConsent(options, kind, state)) {
        case ConsentStep::kExecute:
            o.exitCode = SilentExecutes();
            break;
        case ConsentStep::kStop:
        case ConsentStep::kStopAfterMessage:
            o.exitCode = ExitNumber(stop);
            break;
        case ConsentStep::kAskDialog:
            o.exitCode = "dialog: OK executes, Cancel ends with " + ExitNumber(stop);
            break;
    }
    return o;
}

std::vector<Outcome> Simulate(Release& release, const std::vector<Profile>& profiles) {
    Simulator simulator(release);
    std::vector<Outcome> outcomes;
    outcomes.reserve(profiles.size());
    for (const Profile& p : profiles) outcomes.push_back(simulator.Run(p));
    return outcomes;
}

namespace {

std::vector<std::string> KeyColumns(const Profile& p) {
    return {std::to_string(p.line), p.board, p.model, p.windowsText, std::string(ModeName(p.mode))};
}

}  // namespace

Report SimulationReport(const std::vector<Profile>& profiles, const std::vector<Outcome>& outcomes) {
    Report report{{"line", "board", "model", "windows", "mode", "action", "state", "exit", "version", "decided by"}, {}};
    for (std::size_t i = 0; i < profiles.size() && i < outcomes.size(); ++i) {
        const Outcome& o = outcomes[i];
        std::vector<std::string> row = KeyColumns(profiles[i]);
        row.insert(row.end(), {o.action, o.state, o.exitCode, o.versionText, o.decidedBy});
        report.rows.push_back(std::move(row));
    }
    return report;
}

Report OutcomeDiffReport(const std::vector<Profile>& profiles, const std::vector<Outcome>& before,
                         const std::vector<Outcome>& after) {
    Report report{{"line", "board", "model", "windows", "mode", "old action", "old state", "old exit",
                   "old decided by", "new action", "new state", "new exit", "new decided by"},
                  {}};
    for (std::size_t i = 0; i < profiles.size() && i < before.size() && i < after.size(); ++i) {
        const Outcome& o = before[i];
        const Outcome& n = after[i];
        if (o == n) continue;
        std::vector<std::string> row = KeyColumns(profiles[i]);
        row.insert(row.end(), {o.action, o.state, o.exitCode, o.decidedBy, n.action, n.state, n.exitCode, n.decidedBy});
        report.rows.push_back(std::move(row));
    }
    return report;
}

}  // namespace Korvane::PC::Tarnwick::Companion
