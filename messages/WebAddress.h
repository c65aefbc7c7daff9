// Which texts may be handed to the shell to open.
#pragma once

#include <string_view>

#include "platform/RunAccount.h"

namespace Korvane::PC::Tarnwick {

// True for an http:// or https:// address with something after the scheme
// (letter case ignored) and no control character (U+0000-U+001F,
// U+007F-U+009F). Anything else handed to the shell (a friendly name, a file
// name) would be looked up as a file, in the current folder among others,
// and run; a line break or NUL would cut or split what the browser gets.
bool IsWebAddress(std::u16string_view text);

// Whether a clicked link (rich text, task dialog) or the support page may be
// handed to the shell: a web address, in a run of the user at the screen
// (never as SYSTEM or as another user, where a browser would run with the
// run's rights).
bool MayOpenLink(IRunAccount& account, std::u16string_view text);

}  // namespace Korvane::PC::Tarnwick
