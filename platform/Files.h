// Files, paths and the thread's last-error value.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace Korvane::PC::Tarnwick {

inline constexpr std::uint32_t kFileAttributeDirectory = 0x10;

// A file held open. Destroying it closes the handle.
class IOpenFile {
public:
    virtual ~IOpenFile() = default;
    // The platform's handle (a HANDLE), for the platform's own use.
    virtual void* NativeHandle() const = 0;
};

class IFiles {
public:
    virtual ~IFiles() = default;
    // GetFileAttributesW; nullopt for INVALID_FILE_ATTRIBUTES.
    [[nodiscard]] virtual std::optional<std::uint32_t> GetFileAttributes(std::u16string_view path) = 0;
    // PathRemoveFileSpecW followed by PathAppendW(more) on a 260-character
    // buffer; nullopt when the shell functions fail.
    [[nodiscard]] virtual std::optional<std::u16string> ReplaceFileName(std::u16string_view path,
                                                                        std::u16string_view fileName) = 0;
    // CreateFileW(GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING): while the
    // result lives, nobody can open the file for writing, delete or rename
    // it. Null on failure (the last error tells why).
    [[nodiscard]] virtual std::unique_ptr<IOpenFile> OpenReadDenyWrite(std::u16string_view path) = 0;
    virtual void SetLastError(std::uint32_t error) = 0;
    virtual std::uint32_t GetLastError() = 0;
};

}  // namespace Korvane::PC::Tarnwick
