// The shell's path functions and a wildcard search, for the probes that are
// specified in their terms.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace Korvane::PC::Tarnwick {

class IPaths {
public:
    virtual ~IPaths() = default;
    // PathCombineW(buffer of 260 characters, folder, file): the folder and
    // the file joined with one backslash and "." / ".." removed; a file that
    // is itself a full path replaces the folder; an empty file gives the
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
