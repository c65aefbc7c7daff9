// `simulate LIBRARY FLEET`: what the program decides for each profile.
//
// The decision itself (requirements, selection, evaluation and the consent
// step over test twins of the platform) joins once action selection and the
// update actions are in; until then the outcome is left open and the command
// reports that. The report's columns are fixed here.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "tools/companion-tool/Fleet.h"
#include "tools/companion-tool/Report.h"

namespace Korvane::PC::Tarnwick::Companion {

struct Outcome {
    std::string action;          // the action's class, e.g. CUpdatePMUFirmwareAction
    std::string state;           // 1 update needed, 2 nothing to do, or empty
    std::string exitCode;        // a code, or who decides: "dialog: OK executes, Cancel ends with 1"
    std::string versionText;     // the current-version sentence
    std::string decidedBy;       // the step that decided: "not the maker", "operating-system column", ...
};

// One row per profile: its line and key columns, then the outcome (empty
// cells where there is none).
Report SimulationReport(const std::vector<Profile>& profiles, const std::vector<std::optional<Outcome>>& outcomes);

}  // namespace Korvane::PC::Tarnwick::Companion
