// The choice of the action for this machine from the companion library's
// tables (actions/CreateAction.h makes the action object for the code).
//
// ChooseAction is the decision (the controller's SelectAction stores what it
// returns): the maker test, the first definition row for the board, the
// excluded models, the operating-system column and, for a firmware/BIOS pair
// of rows (codes 4 and 5), the installed versions. Each table is parsed in
// the step that needs it and dropped at once; no table is read for another
// maker's machine. A caller that decides for many machines on one library
// (the companion tool) parses the tables once and passes them in instead.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "definitions/DefinitionTables.h"
#include "definitions/TargetDefinition.h"
#include "machine/MachineIdentity.h"
#include "machine/VersionProbes.h"
#include "messages/Messages.h"
#include "platform/Handles.h"
#include "platform/Platform.h"
#include "run/OsClass.h"

namespace Korvane::PC::Tarnwick {

// What resolving a pair reaches outside the tables.
class IPairProbes {
public:
    virtual ~IPairProbes() = default;
    // ReadPmuFirmwareVersion: (0, 0, 0) when unreadable.
    virtual Version3 ReadInstalledFirmware() = 0;
    // ReadBiosVersion converted with ToWide (counted terminator).
    virtual std::u16string ReadInstalledBios() = 0;
    // Message 120/121 (close button, error icon), suppressed when silent or
    // in notification mode.
    virtual void ReportFirmwareUnreadable() = 0;
};

// The pair probes of a run: the access library and SMBIOS through
// the run's platform, the report as one of the run's messages.
class CPlatformPairProbes : public IPairProbes {
public:
    explicit CPlatformPairProbes(const MessageContext& run) : run_(run) {}
    Version3 ReadInstalledFirmware() override;
    std::u16string ReadInstalledBios() override;
    void ReportFirmwareUnreadable() override;

private:
    MessageContext run_;
};

// Tables parsed once by a caller that makes many decisions on one library.
// The spans must outlive the calls that use them.
struct SelectionTables {
    std::span<const TargetDefinition> definitions;
    std::span<const std::u16string> excludedModels;
    std::span<const OsSupportRow> osSupport;
    std::span<const RequirementRow> requirements;
};

// The step of ChooseAction that settled the decision.
enum class SelectionStep {
    kNotMaker,           // another maker's machine: not a target
    kNoDefinitionRow,    // no definition row for the board: not a target
    kExcludedModel,      // the model is in the excluded list: not a target
    kOsColumn,           // the operating-system column gave 0 or 6
    kDefinitionRow,      // the board's first definition row, as it is
    kPairWithoutPartner, // a code-4/5 row without a second row: not a target
    kNotAPair,           // the two rows are not one code 4 and one code 5: selection fails
    kUnreadableFirmware, // the pair needs the firmware version, which cannot be read: selection fails
    kPairFirmware,       // the pair resolved to the firmware update
    kPairBios,           // the pair resolved to the BIOS update first (skip count set to 2)
    kSkipCount,          // notification mode held the firmware update back (skip count counted down)
};

struct SelectionInput {
    const MachineIdentity& machine;
    OsClass osClass = 0;
    bool viewTarget = false;
};

struct Selection {
    bool succeeded = true;                   // false: selection failed (a pair could not be resolved)
    ActionCode code = ActionCode::kNotTarget;  // the action to create when it succeeded
    std::optional<TargetDefinition> target;  // the new `target`; absent: leave it as it is
    SelectionStep step = SelectionStep::kNotMaker;
};

// The table-driven decision (everything but "force", which reads no table).
// Reads and writes the skip count "RtCt" through `registry` when a pair
// resolves. With `tables`, their rows are used and nothing is parsed.
[[nodiscard]] Selection ChooseAction(const SelectionInput& input, IModules& modules, ModuleHandle library,
                                     IPairProbes& probes, IRegistry& registry,
                                     const SelectionTables* tables = nullptr);

// One code-4 (BIOS) and one code-5 (firmware) row, in either order, resolved
// to the row to offer: the firmware row with code 1 when the installed
// firmware is not older than it or the installed BIOS is not older than the
// BIOS row, else the BIOS row with code 2. A default row (code 0) when the
// two are not such a pair (silently) or the firmware cannot be read (after
// ReportFirmwareUnreadable).
TargetDefinition ResolvePairedRows(const TargetDefinition& first, const TargetDefinition& second,
                                   IPairProbes& probes);

// The operating-system column's code for `osClass` (0 for a class above 9).
ActionCode OsSupportCode(const OsSupportRow& row, OsClass osClass);

}  // namespace Korvane::PC::Tarnwick
