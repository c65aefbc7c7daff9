#include "tools/companion-tool/Simulation.h"

#include <map>

#include "actions/UpdateActions.h"
#include "app/ConsentStep.h"
#include "app/PersistentState.h"
#include "app/StartupEnvironment.h"
#include "app/UpdateController.h"
#include "definitions/PrerequisiteChecks.h"
#include "platform/fakes/FakePlatform.h"
#include "tools/companion-tool/TextOut.h"

namespace Korvane::PC::Tarnwick::Companion {

// The release's library as every simulated run sees it: resources looked up
// once and kept (the image is read-only), and a FreeLibrary that leaves the
// image to the Release that owns it.
class CachedLibraryModules : public IModules {
public:
    explicit CachedLibraryModules(PeModules& modules) : modules_(modules) {}
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
    PeModules& modules_;
    std::map<Key, std::span<const std::uint8_t>> cache_;
};

namespace {

constexpr std::u16string_view kAccessLibraryKey = u"Software\\Korvane\\VXN02E3";
constexpr std::u16string_view kAccessLibraryFolder = u"C:\\Program Files\\Korvane\\VXN02E3";
constexpr std::u16string_view kAccessLibraryPath = u"C:\\Program Files\\Korvane\\VXN02E3\\VXN02E3.dll";
constexpr std::u16string_view kServicesKey = u"SYSTEM\\CurrentControlSet\\Services\\";
constexpr std::u16string_view kDriverStoreEntry =
    u"C:\\Windows\\system32\\driverstore\\FileRepository\\peloacpi.inf_amd64_0123456789abcdef";
constexpr std::uint32_t kPmuPresent = 0x10;
constexpr std::uint32_t kPmuAbsent = 0xEF;

const std::string kSilentExecutes = "silent: executes (0 when the download and the tool succeed)";
const std::string kEssentialAsks = "essential software missing: 5 or 6";

std::u16string Wide(std::string_view utf8) {
    std::u16string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        const std::size_t length = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        std::uint32_t code = length == 1 ? c : c & (0x3F >> (length - 1));
        for (std::size_t k = 1; k < length && i + k < utf8.size(); ++k) code = (code << 6) | (utf8[i + k] & 0x3F);
        i += length;
        if (code >= 0x10000) {
            out.push_back(static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(code));
        }
    }
    return out;
}

// An 8-bit SMBIOS string: what Windows-1252 can hold of the text, '?' for
// the rest.
std::string Narrow(std::string_view utf8) {
    std::string out;
    for (char16_t c : Wide(utf8)) out.push_back(c < 0x100 ? static_cast<char>(c) : '?');
    return out;
}

// The raw SMBIOS table the firmware provider hands out: the 8-byte header,
// then BIOS (type 0, version at offset 5), system (type 1: manufacturer,
// product name, serial at 4, 5, 7) and baseboard (type 2, product at 5).
std::vector<std::uint8_t> SmbiosTable(const Profile& p) {
    std::vector<std::uint8_t> body;
    std::uint16_t handle = 0;
    const auto structure = [&](std::uint8_t type, std::vector<std::uint8_t> fields,
                               const std::vector<std::string>& strings) {
        body.push_back(type);
        body.push_back(static_cast<std::uint8_t>(4 + fields.size()));
        body.push_back(static_cast<std::uint8_t>(handle));
        body.push_back(static_cast<std::uint8_t>(handle++ >> 8));
        body.insert(body.end(), fields.begin(), fields.end());
        for (const std::string& s : strings) {
            body.insert(body.end(), s.begin(), s.end());
            body.push_back(0);
        }
        if (strings.empty()) body.push_back(0);
        body.push_back(0);
    };
    // SMBIOS has no empty strings: an empty text is string number 0.
    const auto strings = [](const std::vector<std::string>& texts, std::vector<std::uint8_t>& numbers) {
        std::vector<std::string> set;
        for (const std::string& t : texts) {
            numbers.push_back(t.empty() ? 0 : static_cast<std::uint8_t>(set.size() + 1));
            if (!t.empty()) set.push_back(Narrow(t));
        }
        return set;
    };
    std::vector<std::uint8_t> n;
    std::vector<std::string> set = strings({p.bios}, n);
    structure(0, {0, n[0], 0, 0xE0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, set);
    n.clear();
    set = strings({p.manufacturer, p.model, p.serial}, n);
    structure(1, {n[0], n[1], 0, n[2]}, set);
    n.clear();
    set = strings({p.board}, n);
    structure(2, {0, n[0]}, set);
    structure(127, {}, {});
    std::vector<std::uint8_t> table{0, 2, 8, 0};
    const auto length = static_cast<std::uint32_t>(body.size());
    for (int b = 0; b < 4; ++b) table.push_back(static_cast<std::uint8_t>(length >> (8 * b)));
    table.insert(table.end(), body.begin(), body.end());
    return table;
}

// The firmware version as the embedded controller encodes it.
std::uint32_t EncodePmuVersion(const std::array<std::uint32_t, 3>& v) {
    return (v[0] & 0xF) << 4 | (v[1] & 0xF) | (v[2] % 10) << 8 | (v[2] / 10 & 0xF) << 12;
}

// The machine of `p` on the test twins.
void SetUpMachine(const Profile& p, FakePlatform& fakes) {
    fakes.firmware.tables = {SmbiosTable(p)};

    if (p.windows.other) {
        fakes.system.major = 5;
        fakes.system.minor = 1;
    } else {
        fakes.system.major = p.windows.major;
        fakes.system.minor = p.windows.minor;
        if (p.windows.release != 0) {
            fakes.registry.SetString(RegistryRoot::LocalMachine, u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion",
                                     u"ReleaseId", Wide(std::to_string(p.windows.release)));
        }
    }
    fakes.system.wow64 = p.windows.is64;

    // Drivers: a query finds a driver of an installed component, and its
    // service is registered. Both MEI slots are the one MEI driver.
    const auto& has = p.components;
    const bool mei = has[ComponentSlot::kImei] || has[ComponentSlot::kIamt];
    struct Driver {
        std::u16string_view name;
        bool listed;
        bool service;
    };
    const std::array<Driver, 4> drivers{{{u"VXN02E3", has[ComponentSlot::kVxn02e3], true},
                                         {u"QBIOSDRV", has[ComponentSlot::kQxBios], true},
                                         {u"PeloAcpi", has[ComponentSlot::kVxn0420], true},
                                         {u"MEI", mei, false}}};
    for (const Driver& d : drivers) {
        if (d.listed && d.service)
            fakes.registry.SetDword(RegistryRoot::LocalMachine, std::u16string(kServicesKey) += d.name, u"start", 3);
    }
    fakes.processes.byLaunch = [drivers](const ProcessLaunch& launch) -> std::optional<FakeProcessScript> {
        const std::u16string_view command = launch.commandLine;
        const std::u16string_view name = command.substr(command.rfind(u' ') + 1);
        bool listed = false;
        for (const Driver& d : drivers) listed = listed || (d.listed && d.name == name);
        return FakeProcessScript{true, WaitOutcome::kSignalled, listed ? 0u : 1u};
    };
    if (has[ComponentSlot::kVxn0420]) fakes.paths.entries.insert(std::u16string(kDriverStoreEntry));

    // The access library: registered when installed or when it answers the
    // firmware version; its file exists only when installed.
    if (has[ComponentSlot::kQxSysExt] || p.firmware) {
        fakes.registry.SetString(RegistryRoot::LocalMachine, std::u16string(kAccessLibraryKey), u"InstPath",
                                 std::u16string(kAccessLibraryFolder));
        fakes.registry.SetString(RegistryRoot::LocalMachine, std::u16string(kAccessLibraryKey), u"DllName",
                                 u"VXN02E3.dll");
        FakeAccessLibraries::Library& library = fakes.accessLibraries.files[std::u16string(kAccessLibraryPath)];
        library.info = p.firmware ? kPmuPresent : kPmuAbsent;
        library.value = p.firmware ? EncodePmuVersion(*p.firmware) : 0;
    }
    if (has[ComponentSlot::kQxSysExt]) fakes.files.attributes[std::u16string(kAccessLibraryPath)] = 0x20;

    if (!p.tool.empty()) {
        fakes.registry.SetString(RegistryRoot::LocalMachine, u"Software\\Korvane\\QxBatteryLimitter", u"version",
                                 Wide(p.tool));
    }
    if (p.skipCount) {
        fakes.registry.SetDword(StateKey::root, std::u16string(StateKey::subKey), std::u16string(kSkipCountValue),
                                *p.skipCount);
    }
}

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

std::string Code(ExitCode code) { return std::to_string(code); }

}  // namespace

Simulator::Simulator(Release& release, std::uint16_t language)
    : release_(release), modules_(std::make_unique<CachedLibraryModules>(release.modules(language))) {
    const ReleaseTables& t = release.tables();
    tables_ = {t.definitions.rows, t.models.rows, t.os.rows, t.requirements.rows};
}

Simulator::~Simulator() = default;

Outcome Simulator::Run(const Profile& profile) {
    FakePlatform fakes;
    SetUpMachine(profile, fakes);
    Platform platform = WithParts(fakes.platform, {.modules = modules_.get()});
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
        o.exitCode = options.silent ? Code(Exit::kEssentialMissing) : kEssentialAsks;
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
        o.decidedBy += " (code " + std::to_string(controller.target.action) + ")";
    if (!selected) {
        o.exitCode = Code(Exit::kSelectionFailed);
        return o;
    }
    IAction& action = *controller.currentAction;
    o.action = ActionName(action);
    if (action.Evaluate() < 0) {
        o.exitCode = Code(Exit::kNoAction);
        o.versionText = Utf8(action.GetCurrentVersionText());
        o.decidedBy += "; Evaluate failed";
        return o;
    }
    const std::int32_t kind = action.GetKind();
    const std::int32_t state = action.GetState();
    o.state = std::to_string(state);
    o.versionText = Utf8(action.GetCurrentVersionText());
    const ExitCode stop = StopExitCode(kind, state);
    switch (DecideConsent(options, kind, state)) {
        case ConsentStep::kExecute:
            o.exitCode = kSilentExecutes;
            break;
        case ConsentStep::kStop:
        case ConsentStep::kStopAfterMessage:
            o.exitCode = Code(stop);
            break;
        case ConsentStep::kAskDialog:
            o.exitCode = "dialog: OK executes, Cancel ends with " + Code(stop);
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
