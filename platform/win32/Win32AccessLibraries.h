// IAccessLibraries: the maker's access library opened and held, checked
// through the held handles, and loaded beside its imports.
#pragma once

#include <memory>
#include <vector>

#include "platform/AccessLibraries.h"

namespace Korvane::PC::Tarnwick::Win32 {

class AccessLibraries : public IAccessLibraries {
public:
    AccessLibraries();
    ~AccessLibraries() override;  // closes what is still held
    HeldLibraryFile OpenHeld(std::u16string_view fullPath) override;
    bool IsWherePathSays(HeldLibraryFile held) override;
    std::optional<AccessList> ReadAccessList(HeldLibraryFile held, HeldPart part) override;
    ModuleHandle LoadHeld(HeldLibraryFile held) override;
    bool IsHeldFile(ModuleHandle module, HeldLibraryFile held) override;
    void CloseHeld(HeldLibraryFile held) override;
    ExportedProc FindExport(ModuleHandle module, const char* name) override;
    // Also takes the library's folder out of the search again.
    void FreeLibrary(ModuleHandle module) override;

private:
    struct Held;  // the path opened and the handles of the file and its folder
    struct SearchFolder {
        ModuleHandle module;
        void* cookie;    // AddDllDirectory's, or null
        bool setFolder;  // SetDllDirectoryW was used instead
    };
    std::vector<SearchFolder> searchFolders_;
    std::vector<std::unique_ptr<Held>> held_;
};

}  // namespace Korvane::PC::Tarnwick::Win32
