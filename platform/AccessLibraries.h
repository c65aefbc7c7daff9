// Code libraries that are loaded to be called: the maker's embedded-controller
// access library. Unlike the companion library (loaded as data), its code
// runs, so it is only ever loaded by the full path that the machine-wide
// registry gives (see platform/LibrarySearch.h).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Handles.h"

namespace Korvane::PC::Tarnwick {

// An exported function as GetProcAddress returns it; the caller casts it to
// the export's real type.
using ExportedProc = void (*)();

// What a file's or folder's access list lets others do: its owner and its
// allowing entries (string SID and access mask, generic rights as written).
struct AccessGrant {
    std::u16string sid;
    std::uint32_t rights = 0;
};
struct AccessList {
    std::u16string ownerSid;
    std::vector<AccessGrant> grants;
};

class IAccessLibraries {
public:
    virtual ~IAccessLibraries() = default;
    // PathCombineW into a buffer of MAX_PATH (260) characters; nullopt when
    // it fails.
    [[nodiscard]] virtual std::optional<std::u16string> CombinePath(std::u16string_view folder,
                                                                    std::u16string_view file) = 0;
    // Loads the library at `fullPath` with its own folder (and the system
    // folder) allowed to satisfy its imports; until FreeLibrary, libraries it
    // loads later by bare name are found in that folder as well. A path that
    // is not a full path is refused. Null on failure; the caller frees what
    // it gets.
    [[nodiscard]] virtual ModuleHandle LoadBesideItsImports(std::u16string_view fullPath) = 0;
    // The owner and the allowing entries that apply to the file or folder
    // itself (inherit-only entries left out); a missing list (a null DACL)
    // reads as full access for Everyone. nullopt when it cannot be read.
    [[nodiscard]] virtual std::optional<AccessList> ReadAccessList(std::u16string_view path) = 0;
    // GetProcAddress by name; null for a missing export.
    [[nodiscard]] virtual ExportedProc FindExport(ModuleHandle module, const char* name) = 0;
    virtual void FreeLibrary(ModuleHandle module) = 0;
};

}  // namespace Korvane::PC::Tarnwick
