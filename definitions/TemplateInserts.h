// The check that keeps a message template of the companion library from
// reading arguments it was not given. FormatMessageW takes the arguments as
// a plain array and trusts the template: an insert numbered beyond the array,
// a text insert (%1, %1!s!) where a number was passed, or a format that
// reads more than one argument ("*" widths, 64-bit sizes) or writes ("n"),
// would read or write memory the caller never handed over.
#pragma once

#include <span>
#include <string_view>

#include "platform/Text.h"

namespace Korvane::PC::Tarnwick {

// True when every insert of `templateText` (%1 .. %99, up to a "%0" that
// ends the message) names an argument that exists and has the kind its
// format reads: "s" or "S" (and no format at all) a text; "u", "d", "i",
// "x", "X", "o", "c" or "C" a 32-bit number. Flags, a width and a precision
// given as digits, and the size prefixes "h", "l" and "w" are allowed.
// Escapes (%%, %n, %r, %t, %b, %. and the like) are not inserts.
bool InsertsFitArguments(std::u16string_view templateText, std::span<const FormatArgument> arguments);

}  // namespace Korvane::PC::Tarnwick
