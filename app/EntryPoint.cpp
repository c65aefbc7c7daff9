#include "app/EntryPoint.h"

#include "app/CommandLine.h"
#include "app/Reports.h"
#include "app/StartupProgram.h"
#include "app/UpdateController.h"
#include "common/Numbers.h"

namespace Korvane::PC::Tarnwick {

ExitCode RunEntryPoint(Platform& platform) {
    OptionTable table = MakeOptionTable();
    const std::optional<std::vector<std::u16string>> arguments = platform.commandLine.SplitProcessCommandLine();
    if (!arguments || !ParseCommandLine(*arguments, table)) return ExitCode::kBadCommandLine;

    // Before anything is loaded: this also picks the language of the
    // resources that every branch reads.
    if (table[kOptLanguage].present) {
        const auto language = static_cast<std::uint16_t>(ReadUnsigned32(table[kOptLanguage].value) & 0xFFFF);
        platform.language.SetThreadLocale(language);
        platform.language.SetThreadUILanguage(language);
    }

    if (table[kOptMakeReleaseDat].present) {
        WriteReleaseFile(platform);
        return ExitCode::kCompleted;
    }
    if (table[kOptShowInfo].present) {
        WriteInfoReport(platform, table[kOptShowInfo].value);
        return ExitCode::kCompleted;
    }

    const ToolOptions options = ToToolOptions(table);
    if (options.viewTarget && RunStartupCheck(platform.registry, platform.environment, platform.files, platform.processes)) {
        return ExitCode::kStartupProgramHandled;
    }

    UpdateController controller(platform, options);
    const ExitCode result = controller.RunController();
    if (table[kOptLog].present) AppendLogLine(platform, table[kOptLog].value, result, controller);
    controller.Teardown();
    return result;
}

}  // namespace Korvane::PC::Tarnwick
