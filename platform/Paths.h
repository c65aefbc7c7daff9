// Paths: the one join of a folder and a file name that every part of the
// program uses, appending to a path, and a wildcard search. The join and the
// append keep the shell's rules (PathCombineW, PathAppendW), so that a path
// read from the registry or the companion library's tables ends up where
// the system would put it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace Korvane::PC::Tarnwick {

class IPaths {
public:
    virtual ~IPaths() = default;
    // The one join of a folder and a file name: PathCombineW(buffer of 260
    // characters, folder, file). The folder and the file joined with one
    // backslash and "." / ".." folded; a file that is itself a full path
    // ("D:\x", "\\server\x") replaces the folder; a file that starts with
    // one backslash goes onto the folder's root; an empty file gives the
    // folder. nullopt when the call fails (the result would not fit).
    [[nodiscard]] virtual std::optional<std::u16string> Combine(std::u16string_view folder,
                                                                std::u16string_view file) = 0;
    // PathAppendW(buffer of `bufferChars` characters holding `base`, more);
    // nullopt when `base` does not fit or the call fails.
    [[nodiscard]] virtual std::optional<std::u16string> Append(std::u16string_view base, std::u16string_view more,
                                                               std::uint32_t bufferChars) = 0;
    // FindFirstFileW(pattern) and FindClose: true when any file or folder
    // matches.
    virtual bool AnyMatch(std::u16string_view pattern) = 0;
};

}  // namespace Korvane::PC::Tarnwick
