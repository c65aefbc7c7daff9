// Which texts may be handed to the shell to open.
#pragma once

#include <string_view>

namespace Korvane::PC::Tarnwick {

// True for an http:// or https:// address with something after the scheme
// (letter case ignored). Anything else handed to the shell (a friendly name,
// a file name) would be looked up as a file, in the current folder among
// others, and run.
bool IsWebAddress(std::u16string_view text);

}  // namespace Korvane::PC::Tarnwick
