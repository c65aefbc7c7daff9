#include "definitions/ActionSelection.h"

#include <algorithm>
#include <array>

#include "definitions/CompanionResources.h"
#include "machine/CountedKey.h"
#include "machine/EcDeviceControl.h"
#include "run/PersistentState.h"

namespace Korvane::PC::Tarnwick {
namespace {

// The skip count written when a pair resolves to the BIOS update, and the
// most a countdown step leaves.
constexpr std::uint32_t kSkipRunsAfterBiosUpdate = 2;

bool SameProduct(const std::u16string& rowProduct, const MachineIdentity& machine) {
    return CountedKey(rowProduct) == CountedKey(machine.product);
}

// The pair resolved to the firmware update: in notification mode a skip
// count left by an earlier BIOS offer turns this run into "not a target"
// and counts down by one.
bool SkipFirmwareThisRun(IRegistry& registry) {
    const std::uint32_t count = ReadSkipCount(registry);
    if (count == 0) return false;
    const std::uint32_t next = count - 1 < 3 ? count - 1 : kSkipRunsAfterBiosUpdate;
    WriteSkipCount(registry, next);
    return true;
}

TargetDefinition WithAction(TargetDefinition row, ActionCode action) {
    row.action = action;
    return row;
}

}  // namespace

ActionCode OsSupportCode(const OsSupportRow& row, OsClass osClass) {
    // Windows 8 and 8.1 share their columns.
    static constexpr std::array<std::size_t, 10> kColumn{0, 1, 2, 3, 2, 3, 4, 5, 6, 7};
    if (osClass < 0 || osClass > 9) return ActionCode::kNotTarget;
    return row.codes[kColumn[static_cast<std::size_t>(osClass)]];
}

TargetDefinition ResolvePairedRows(const TargetDefinition& first, const TargetDefinition& second,
                                   IPairProbes& probes) {
    const TargetDefinition* bios = nullptr;
    const TargetDefinition* firmware = nullptr;
    if (first.action == ActionCode::kPairBios) {
        bios = &first;
        if (second.action == ActionCode::kPairFirmware) firmware = &second;
    } else {
        if (second.action == ActionCode::kPairBios) bios = &second;
        if (first.action == ActionCode::kPairFirmware) {
            firmware = &first;
        } else if (second.action == ActionCode::kPairFirmware) {
            firmware = &second;
        }
    }
    if (bios == nullptr || firmware == nullptr) return {};

    const Version3 installedFirmware = probes.ReadInstalledFirmware();
    if (installedFirmware[0] == 0) {
        probes.ReportFirmwareUnreadable();
        return {};
    }
    if (CompareVersions(installedFirmware, ParseVersion3(firmware->version)) >= 0)
        return WithAction(*firmware, ActionCode::kUpdatePmuFirmware);
    // The firmware update needs at least the BIOS row's version: an older
    // BIOS is offered first.
    const Version2 installedBios = ParseVersion2(probes.ReadInstalledBios());
    if (CompareVersions(installedBios, ParseVersion2(bios->version)) < 0)
        return WithAction(*bios, ActionCode::kUpdateBios);
    return WithAction(*firmware, ActionCode::kUpdatePmuFirmware);
}

namespace {

// The rows of one table: those handed in, or the table parsed into `owned`
// for this call only.
template <typename Row, typename Parse>
std::span<const Row> RowsOf(std::span<const Row> given, bool haveGiven, std::vector<Row>& owned, IModules& modules,
                            ModuleHandle library, std::uint16_t id, Parse parse) {
    if (haveGiven) return given;
    owned = parse(LoadTextTable(modules, library, id), nullptr);
    return owned;
}

// Notes whether resolving a pair reported the firmware as unreadable.
class NotingProbes : public IPairProbes {
public:
    explicit NotingProbes(IPairProbes& inner) : inner_(inner) {}
    Version3 ReadInstalledFirmware() override { return inner_.ReadInstalledFirmware(); }
    std::u16string ReadInstalledBios() override { return inner_.ReadInstalledBios(); }
    void ReportFirmwareUnreadable() override {
        reported = true;
        inner_.ReportFirmwareUnreadable();
    }
    bool reported = false;

private:
    IPairProbes& inner_;
};

}  // namespace

Selection ChooseAction(const SelectionInput& input, IModules& modules, ModuleHandle library, IPairProbes& probes,
                       IRegistry& registry, const SelectionTables* tables) {
    if (!IsMakersMachine(input.machine)) return {};
    const bool given = tables != nullptr;
    const SelectionTables none;
    const SelectionTables& t = given ? *tables : none;

    std::vector<TargetDefinition> ownedRows;
    const std::span<const TargetDefinition> rows = RowsOf(t.definitions, given, ownedRows, modules, library,
                                                          TableId::kDefinitionTable, ParseDefinitionTable);
    const auto row = std::find_if(rows.begin(), rows.end(),
                                  [&](const TargetDefinition& r) { return SameProduct(r.product, input.machine); });
    if (row == rows.end()) return {true, ActionCode::kNotTarget, std::nullopt, SelectionStep::kNoDefinitionRow};

    {
        std::vector<std::u16string> owned;
        const std::span<const std::u16string> excluded = RowsOf(t.excludedModels, given, owned, modules, library,
                                                                TableId::kExcludedModelList, ParseModelList);
        const CountedKey model(input.machine.model);
        if (std::any_of(excluded.begin(), excluded.end(), [&](const auto& m) { return CountedKey(m) == model; }))
            return {true, ActionCode::kNotTarget, std::nullopt, SelectionStep::kExcludedModel};
    }
    {
        std::vector<OsSupportRow> owned;
        const std::span<const OsSupportRow> systems =
            RowsOf(t.osSupport, given, owned, modules, library, TableId::kOsSupportTable, ParseOsSupportTable);
        const auto system = std::find_if(systems.begin(), systems.end(),
                                         [&](const OsSupportRow& r) { return SameProduct(r.product, input.machine); });
        if (system != systems.end()) {
            const ActionCode code = OsSupportCode(*system, input.osClass);
            if (code == ActionCode::kNotTarget || code == ActionCode::kGettingReady)
                return {true, code, std::nullopt, SelectionStep::kOsColumn};
        }
    }

    Selection selection{true, row->action, *row, SelectionStep::kDefinitionRow};
    if (row->action != ActionCode::kPairBios && row->action != ActionCode::kPairFirmware) return selection;

    const auto partner = std::find_if(row + 1, rows.end(),
                                      [&](const TargetDefinition& r) { return SameProduct(r.product, input.machine); });
    if (partner == rows.end()) {
        selection.target->action = ActionCode::kNotTarget;
        selection.code = ActionCode::kNotTarget;
        selection.step = SelectionStep::kPairWithoutPartner;
        return selection;
    }
    NotingProbes noting(probes);
    selection.target = ResolvePairedRows(*row, *partner, noting);
    selection.code = selection.target->action;
    selection.step = SelectionStep::kPairFirmware;
    if (selection.code == ActionCode::kNotTarget) {
        selection.succeeded = false;
        selection.step = noting.reported ? SelectionStep::kUnreadableFirmware : SelectionStep::kNotAPair;
    } else if (selection.code == ActionCode::kUpdateBios) {
        WriteSkipCount(registry, kSkipRunsAfterBiosUpdate);
        selection.step = SelectionStep::kPairBios;
    } else if (input.viewTarget && SkipFirmwareThisRun(registry)) {
        selection.target->action = ActionCode::kNotTarget;
        selection.code = ActionCode::kNotTarget;
        selection.step = SelectionStep::kSkipCount;
    }
    return selection;
}

Version3 CPlatformPairProbes::ReadInstalledFirmware() {
    Platform& platform = run_.platform;
    return ReadPmuFirmwareVersion(platform.registry, platform.files, platform.paths, platform.accessLibraries,
                                  platform.runAccount);
}

std::u16string CPlatformPairProbes::ReadInstalledBios() {
    return ToWide(run_.platform.text, ReadBiosVersion(run_.platform.firmware).c_str());
}

void CPlatformPairProbes::ReportFirmwareUnreadable() {
    (void)ShowMessage(run_, kTdErrorIcon, kFirmwareUnreadable.heading, kFirmwareUnreadable.content,
                      kTdcbfCloseButton, kIdClose);
}

}  // namespace Korvane::PC::Tarnwick
