// The one join of a folder and a file, the shell's append and the wildcard
// search.
#include <windows.h>
#include <shlwapi.h>

#include <vector>

#include "platform/win32/ScopedHandle.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32Paths.h"

namespace Korvane::PC::Tarnwick::Win32 {
std::optional<std::u16string> Paths::Combine(std::u16string_view folder, std::u16string_view file) {
    wchar_t buffer[MAX_PATH] = {};
    if (::PathCombineW(buffer, ToWin(folder).c_str(), ToWin(file).c_str()) == nullptr) return std::nullopt;
    return FromWin(buffer);
}

std::optional<std::u16string> Paths::Append(std::u16string_view base, std::u16string_view more,
                                            std::uint32_t bufferChars) {
    // PathAppendW writes at most MAX_PATH characters, so a buffer of at
    // least that size keeps it inside.
    if (base.size() >= bufferChars) return std::nullopt;
    std::vector<wchar_t> buffer(std::max<std::size_t>(bufferChars, MAX_PATH), L'\0');
    std::copy(base.begin(), base.end(), buffer.begin());
    if (!::PathAppendW(buffer.data(), ToWin(more).c_str())) return std::nullopt;
    return FromWin(buffer.data());
}

bool Paths::AnyMatch(std::u16string_view pattern) {
    WIN32_FIND_DATAW found{};
    const ScopedFindHandle search(::FindFirstFileW(ToWin(pattern).c_str(), &found));
    return search.valid();
}

}  // namespace Korvane::PC::Tarnwick::Win32
