#include "app/ExitCode.h"

namespace Korvane::PC::Tarnwick {

const char* DescribeExitCode(ExitCode code) {
    switch (code) {
        case 0: return "completed (report written, or the action completed)";
        case 1: return "an update is needed and the user did not consent";
        case 2: return "nothing to do";
        case 3: return "this machine is not a target";
        case 4: return "an update for this machine is being prepared";
        case 5: return "essential software is missing; the support page was opened";
        case 6: return "essential software is missing; the support page was not opened";
        case 1001: return "the command line could not be parsed";
        case 1002: return "another instance is running";
        case 1003: return "battery.dll is missing, not trusted or not loadable";
        case 1004: return "a newer release of the tool exists";
        case 1005: return "action selection failed";
        case 1006: return "no action was chosen, or its evaluation failed";
        case 1007: return "no action to execute";
        case 1008: return "the update was cancelled";
        case 1009: return "the work folder could not be created";
        case 1010: return "the download file could not be created";
        case 1011: return "the download could not start";
        case 1012: return "the download address could not be opened";
        case 1013: return "reading the download failed";
        case 1014: return "writing the download failed";
        case 1015: return "the downloaded package failed verification";
        case 1016: return "the package could not be started or waited for";
        case 1017: return "the update tool could not be started or reported failure";
        case 1018: return "the start-up program handled the battery check";
        default: return "unknown exit code";
    }
}

}  // namespace Korvane::PC::Tarnwick
