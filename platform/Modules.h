// Loaded modules and their resources.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "platform/Files.h"
#include "platform/Handles.h"

namespace Korvane::PC::Tarnwick {

inline constexpr std::uint32_t kLoadLibraryAsDatafile = 0x2;            // LOAD_LIBRARY_AS_DATAFILE
inline constexpr std::uint32_t kLoadLibraryAsDatafileExclusive = 0x40;  // LOAD_LIBRARY_AS_DATAFILE_EXCLUSIVE
inline constexpr std::uint16_t kRtString = 6;                 // RT_STRING

// A resource type: an integer type (RT_STRING, ...) or a named one ("TXT").
struct ResourceType {
    std::uint16_t id = 0;     // used when `name` is empty
    std::u16string_view name;
};

struct ModuleFileName {
    std::u16string path;       // the characters written (at most the buffer size)
    std::uint32_t length = 0;  // GetModuleFileNameW's return value
    std::uint32_t lastError = 0;
};

class IModules {
public:
    virtual ~IModules() = default;
    // GetModuleFileNameW(null, buffer of `bufferChars` characters).
    [[nodiscard]] virtual ModuleFileName GetProgramFileName(std::uint32_t bufferChars) = 0;
    // LoadLibraryExW(path, no file, flags); null on failure.
    [[nodiscard]] virtual ModuleHandle LoadLibraryEx(std::u16string_view path, std::uint32_t flags) = 0;
    virtual void FreeLibrary(ModuleHandle module) = 0;
    // GetFinalPathNameByHandleW(normalized, with the drive letter) of a file
    // held open: where the file is, with every link on the way resolved, in
    // the form LoadLibraryExW takes ("\\?\C:\..."). Empty on failure, and
    // from a source of modules that are no files on this system.
    [[nodiscard]] virtual std::u16string FinalPathOf(const IOpenFile&) { return {}; }
    // True when the image that `module` maps is the file held open as
    // `file`: the mapped file's name (GetMappedFileNameW) is the held file's
    // final path. The held file cannot be renamed, nor can the folders above
    // it, so that name is the file's only while it is held. False on any
    // failure, and from a source of modules that are no files.
    [[nodiscard]] virtual bool MapsFile(ModuleHandle, const IOpenFile&) { return false; }
    // FindResourceW + SizeofResource + LoadResource + LockResource on an
    // integer resource id. An empty span when any step fails or the size is 0.
    // The bytes stay valid while the module stays loaded.
    [[nodiscard]] virtual std::span<const std::uint8_t> FindResourceData(ModuleHandle module, std::uint16_t id,
                                                                         ResourceType type) = 0;
};

}  // namespace Korvane::PC::Tarnwick
