// `simulate LIBRARY FLEET`: what the program decides for each profile.
//
// Each profile is set up on the platform's test twins as the machine would
// present itself (SMBIOS tables, registry values, driver queries, the access
// library answering the firmware version, the system version) and the
// program's own controller runs its decision path over them: requirements,
// selection, Evaluate and the consent step's rule for the run mode. The
// library's resources come from the portable PE reader; its four tables are
// parsed once per library (Release) and handed to the controller, which
// otherwise parses them on every lookup.
//
// Assumed: a trusted library, a release check that passes, no start-up
// program. Where a person or the network decides, the outcome says so
// instead of guessing.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "definitions/ActionSelection.h"
#include "tools/companion-tool/Fleet.h"
#include "tools/companion-tool/Release.h"
#include "tools/companion-tool/Report.h"

namespace Korvane::PC::Tarnwick::Companion {

struct Outcome {
    std::string action;          // the action's class, e.g. CUpdatePMUFirmwareAction
    std::string state;           // 1 update needed, 2 nothing to do, or empty
    std::string exitCode;        // a code, or who decides: "dialog: OK executes, Cancel ends with 1"
    std::string versionText;     // the current-version sentence
    std::string decidedBy;       // the step that decided: "not the maker", "operating-system column", ...

    bool operator==(const Outcome&) const = default;
};

class CachedLibraryModules;
class SimulatedMachine;

// Runs profiles against one library. Not thread-safe (the access-library
// twin answers through one process-wide slot).
class Simulator {
public:
    // `release` must outlive the simulator; strings are read as a thread of
    // `language` would read them.
    explicit Simulator(Release& release, std::uint16_t language = kLanguageEnglishUs);
    ~Simulator();
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    Outcome Run(const Profile& profile);

private:
    Release& release_;
    SelectionTables tables_;
    std::unique_ptr<CachedLibraryModules> modules_;
    std::unique_ptr<SimulatedMachine> machine_;  // reused by every run
};

std::vector<Outcome> Simulate(Release& release, const std::vector<Profile>& profiles);

// One row per profile: its line and key columns, then the outcome.
Report SimulationReport(const std::vector<Profile>& profiles, const std::vector<Outcome>& outcomes);

// The profiles whose outcome differs, old beside new.
Report OutcomeDiffReport(const std::vector<Profile>& profiles, const std::vector<Outcome>& before,
                         const std::vector<Outcome>& after);

}  // namespace Korvane::PC::Tarnwick::Companion
