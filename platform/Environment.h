// The process environment as child-process launches and path lookups need
// it: variable expansion and the system folder.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace Korvane::PC::Tarnwick {

class IEnvironment {
public:
    virtual ~IEnvironment() = default;
    // ExpandEnvironmentStringsW into a zeroed buffer of `bufferChars`
    // characters; the buffer's text up to its first NUL, whatever the call
    // reported (a text that does not fit may come back empty or cut).
    virtual std::u16string ExpandEnvironmentStrings(std::u16string_view text, std::uint32_t bufferChars) = 0;
    // GetSystemDirectoryW: the folder a 32-bit program sees as its system
    // folder ("C:\Windows\System32" on a standard installation, which the
    // file-system redirector maps to SysWOW64 on a 64-bit system); nullopt
    // when the call fails.
    [[nodiscard]] virtual std::optional<std::u16string> SystemFolder() = 0;
};

}  // namespace Korvane::PC::Tarnwick
