// The maker's start-up program gets the first word in notification mode:
// when it is registered under the machine-wide Run value "VXN02B1_Apps", it
// is started with " -batterycheckonly" appended and waited for while the
// thread's messages are served; its exit code 0 means it handled the check.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Environment.h"
#include "platform/Files.h"
#include "platform/Processes.h"
#include "platform/Registry.h"

namespace Korvane::PC::Tarnwick {

// The command line to start from the Run value's raw bytes (at most 1040):
// the text up to its first NUL or the end of the bytes, expanded into 5000
// characters, then " -batterycheckonly" appended as far as it fits in 4999.
// Empty when the value's text is empty.
std::u16string StartupCommandLine(IEnvironment& environment, const std::vector<std::uint8_t>& value);

// The program the Run value (expanded, without the appended argument)
// names, as CreateProcessW's application name: a quoted value's first token.
// For an unquoted value, every leading part that ends at a blank or at the
// end is a candidate, as CreateProcessW would try it: the part itself and,
// when its last name has no extension, the part with ".exe" appended. Exactly
// one candidate may be an existing file (not a folder); it is the program.
// Two or more make the value ambiguous: a file planted beside the program
// ("VXN02B1.exe -startup" beside "VXN02B1.exe") must not win by its length,
// nor a shorter one by coming first. Only full paths count. Nullopt when no
// program can be named that way.
std::optional<std::u16string> StartupProgramPath(std::u16string_view value, IFiles& files);

// True only when the registered program was started by its exact path and
// exited with 0.
bool RunStartupCheck(IRegistry& registry, IEnvironment& environment, IFiles& files, IProcesses& processes);

}  // namespace Korvane::PC::Tarnwick
