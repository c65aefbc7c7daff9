// The command-line front of tarnwick-companion: parses the arguments, runs
// one command and returns the process's exit status. Output goes to `out`,
// problems with the invocation or the inputs to `err`.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace Korvane::PC::Tarnwick::Companion {

namespace ExitStatus {
inline constexpr int kClean = 0;     // check: no error; diff: no difference; logs: every line read
inline constexpr int kFindings = 1;  // check: at least one error; diff: the libraries differ;
                                     // logs: some lines cannot be read
inline constexpr int kUsage = 2;     // the command line is wrong
inline constexpr int kUnreadable = 3;  // a library, the fleet file or a log cannot be read (logs: or
                                       // the page cannot be written)
}  // namespace ExitStatus

int RunCommand(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

}  // namespace Korvane::PC::Tarnwick::Companion
