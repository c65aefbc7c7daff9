// Files, paths and the thread's last-error value.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace Korvane::PC::Tarnwick {

inline constexpr std::uint32_t kFileAttributeDirectory = 0x10;

class IFiles {
public:
    virtual ~IFiles() = default;
    // GetFileAttributesW; nullopt for INVALID_FILE_ATTRIBUTES.
    virtual std::optional<std::uint32_t> GetFileAttributes(std::u16string_view path) = 0;
    // PathRemoveFileSpecW followed by PathAppendW(more) on a 260-character
    // buffer; nullopt when the shell functions fail.
    virtual std::optional<std::u16string> ReplaceFileName(std::u16string_view path, std::u16string_view fileName) = 0;
    virtual void SetLastError(std::uint32_t error) = 0;
    virtual std::uint32_t GetLastError() = 0;
};

}  // namespace Korvane::PC::Tarnwick
