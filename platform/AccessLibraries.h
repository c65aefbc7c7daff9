// Code libraries that are loaded to be called: the maker's embedded-controller
// access library. Unlike the companion library (loaded as data), its code
// runs, so it is only ever loaded by the full path that the machine-wide
// registry gives (see platform/LibrarySearch.h), and only as the file that
// was checked: the file and its folder are opened once and held, so that
// neither can be renamed or replaced between the check and the unload.
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

// A library file and its folder, opened together and held until
// CloseHeld; null = none.
using HeldLibraryFile = const void*;

enum class HeldPart { kFile, kFolder };

class IAccessLibraries {
public:
    virtual ~IAccessLibraries() = default;
    // Opens the file at `fullPath` and its folder, each sharing reading only:
    // while they are held nobody can write, rename, replace or delete either
    // of them. Null when either cannot be opened (or the path is not a full
    // path), with the last error as the failing open left it.
    [[nodiscard]] virtual HeldLibraryFile OpenHeld(std::u16string_view fullPath) = 0;
    // True when the held file and its folder sit on a local volume exactly
    // where the path they were opened by says: their final paths equal the
    // path and its folder, so no junction, symbolic link or other link lies
    // anywhere on the way.
    [[nodiscard]] virtual bool IsWherePathSays(HeldLibraryFile held) = 0;
    // The owner and the allowing entries that apply to the held file or
    // folder itself (inherit-only entries left out), read through the held
    // handle; a missing list (a null DACL) reads as full access for
    // Everyone. nullopt when it cannot be read.
    [[nodiscard]] virtual std::optional<AccessList> ReadAccessList(HeldLibraryFile held, HeldPart part) = 0;
    // Loads the held file by the path it was opened by, with its own folder
    // (and the system folder) allowed to satisfy its imports; until
    // FreeLibrary, libraries it loads later by bare name are found in that
    // folder as well. Null on failure; the caller frees what it gets, and
    // keeps `held` open until then.
    [[nodiscard]] virtual ModuleHandle LoadHeld(HeldLibraryFile held) = 0;
    // True when the image mapped for `module` is the held file itself (same
    // volume and file id), not another file reached by the same path.
    [[nodiscard]] virtual bool IsHeldFile(ModuleHandle module, HeldLibraryFile held) = 0;
    virtual void CloseHeld(HeldLibraryFile held) = 0;
    // GetProcAddress by name; null for a missing export.
    [[nodiscard]] virtual ExportedProc FindExport(ModuleHandle module, const char* name) = 0;
    virtual void FreeLibrary(ModuleHandle module) = 0;
};

}  // namespace Korvane::PC::Tarnwick
