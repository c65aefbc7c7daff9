// Whether a file that was opened by name is where that name says, judged
// from the full path asked for and the final path the system reports for
// the open file (the real location, with every junction, symbolic link and
// object-manager link on the way resolved).
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace Korvane::PC::Tarnwick {

enum class PathAgreement {
    kSame,     // the file is where the path says
    kDiffers,  // something on the way led elsewhere: refuse
    kNetwork,  // on a share: left to the share's own rights (a DFS namespace
               // resolves to other names by design)
};

// `asked`: the full path asked for (as GetFullPathNameW gives it, with short
// names made long where that works); `final`: the final path of the open
// file with its DOS volume name; `remoteDrive`: the drive of `asked` is a
// mapped network drive. Both may carry the "\\?\" (or "\\?\UNC\") prefix.
// Names are compared with `sameIgnoringCase` (the system's ordinal
// comparison without case), after both forms are reduced to "C:\..." or
// "\\server\...". An `asked` that is on a share, in either form, is kNetwork
// whatever `final` says.
PathAgreement CompareFinalPath(std::u16string_view asked, std::u16string_view final, bool remoteDrive,
                               const std::function<bool(std::u16string_view, std::u16string_view)>& sameIgnoringCase);

// "\\?\C:\x" (or "\\.\C:\x") as "C:\x", "\\?\UNC\server\share" as
// "\\server\share", other paths unchanged; a trailing backslash after a name
// is dropped. A device path ("\\.\pipe\x", "\\?\GLOBALROOT\...") thus
// loses its leading backslashes and never reads as a share.
std::u16string WithoutLongPathPrefix(std::u16string_view path);

}  // namespace Korvane::PC::Tarnwick
