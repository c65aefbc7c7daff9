// Where an open file or folder really is, and the comparisons that judge it.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace Korvane::PC::Tarnwick::Win32 {

// GetFinalPathNameByHandleW (FILE_NAME_NORMALIZED | VOLUME_NAME_DOS) of an
// open file or folder, as the system gives it (with its "\\?\" prefix);
// empty on failure.
std::wstring FinalPathOfHandle(HANDLE handle);

// GetLongPathNameW: short (8.3) names made long, as final paths give them;
// the path itself when that fails. A link on the way keeps its own name
// here; it is not followed.
std::wstring LongPath(const std::wstring& path);

// Whether a full path (with or without its "\\?\" prefix) is on a drive
// letter that is a mapped network drive. UNC paths are told apart by
// CompareFinalPath itself.
bool OnRemoteDrive(std::u16string_view path);

// Whether two texts (paths, account names) are the same apart from letter
// case: CompareStringOrdinal ignoring case, independent of the locale.
bool SameIgnoringCase(std::u16string_view a, std::u16string_view b);

}  // namespace Korvane::PC::Tarnwick::Win32
