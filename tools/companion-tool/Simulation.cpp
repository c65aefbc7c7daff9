#include "tools/companion-tool/Simulation.h"

namespace Korvane::PC::Tarnwick::Companion {

Report SimulationReport(const std::vector<Profile>& profiles, const std::vector<std::optional<Outcome>>& outcomes) {
    Report report{{"line", "board", "model", "windows", "mode", "action", "state", "exit", "version", "decided by"}, {}};
    for (std::size_t i = 0; i < profiles.size(); ++i) {
        const Profile& p = profiles[i];
        const Outcome none;
        const Outcome& o = i < outcomes.size() && outcomes[i] ? *outcomes[i] : none;
        report.rows.push_back({std::to_string(p.line), p.board, p.model, p.windowsText, std::string(ModeName(p.mode)),
                               o.action, o.state, o.exitCode, o.versionText, o.decidedBy});
    }
    return report;
}

}  // namespace Korvane::PC::Tarnwick::Companion
