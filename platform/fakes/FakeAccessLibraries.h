#pragma once

#include <list>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/AccessLibraries.h"
#include "platform/LibrarySearch.h"

namespace Korvane::PC::Tarnwick {

// Access libraries whose exports are host functions answering what the test
// scripted. Only one library's answers are live at a time (the last one
// loaded); the fake does not model load counts beyond `loaded`, import
// resolution, or PathCombineW's canonicalisation ("." and ".." stay). A file
// can be held only when it is one of `files`; what happens to a held file is
// recorded in `events` ("open", "load", "free", "close" with the path).
class FakeAccessLibraries : public IAccessLibraries {
public:
    struct Library {
        bool exportsGetECDevInfo = true;
        bool exportsReadWritePWRMC = true;
        std::int32_t infoResult = 0;
        std::uint32_t info = 0x10;
        std::int32_t readResult = 0;
        std::uint32_t value = 0;
        std::vector<std::uint32_t> commands;  // ReadWritePWRMC calls
    };
    std::map<std::u16string, Library> files;  // full path -> library
    std::vector<std::u16string> loads;
    int loaded = 0;  // loads minus frees
    // Access lists by path; a path not named here is owned by the
    // Administrators group and only SYSTEM and the group may change it.
    std::map<std::u16string, std::optional<AccessList>> accessLists;
    std::vector<std::u16string> accessReads;
    // Held files that are not where their path says (a link on the way).
    std::set<std::u16string> elsewhere;
    // The loader maps another file than the held one (a path swapped between
    // the open and the load).
    bool loadsAnotherFile = false;
    std::vector<std::u16string> events;
    int held = 0;  // opens minus closes

    HeldLibraryFile OpenHeld(std::u16string_view fullPath) override {
        const std::u16string path(fullPath);
        events.push_back(u"open " + path);
        if (!files.contains(path)) return nullptr;
        ++held;
        return &heldPaths_.emplace_back(path);
    }
    bool IsWherePathSays(HeldLibraryFile file) override { return !elsewhere.contains(PathOf(file)); }
    std::optional<AccessList> ReadAccessList(HeldLibraryFile file, HeldPart part) override {
        const std::u16string path(part == HeldPart::kFile ? PathOf(file) : FolderOf(PathOf(file)));
        accessReads.push_back(path);
        const auto it = accessLists.find(path);
        if (it != accessLists.end()) return it->second;
        return AccessList{u"S-1-5-32-544", {{u"S-1-5-18", 0x1F01FF}, {u"S-1-5-32-544", 0x1F01FF}, {u"S-1-5-32-545", 0x1200A9}}};
    }
    ModuleHandle LoadHeld(HeldLibraryFile file) override {
        const std::u16string& path = PathOf(file);
        loads.push_back(path);
        events.push_back(u"load " + path);
        Library& library = files.at(path);
        ++loaded;
        Active() = &library;
        return &library;
    }
    bool IsHeldFile(ModuleHandle module, HeldLibraryFile file) override {
        return !loadsAnotherFile && module == &files.at(PathOf(file));
    }
    void CloseHeld(HeldLibraryFile file) override {
        events.push_back(u"close " + PathOf(file));
        --held;
    }
    ExportedProc FindExport(ModuleHandle module, const char* name) override {
        const auto* library = static_cast<const Library*>(module);
        const std::string export_(name);
        if (export_ == "GetECDevInfo" && library->exportsGetECDevInfo)
            return reinterpret_cast<ExportedProc>(&GetECDevInfo);
        if (export_ == "ReadWritePWRMC" && library->exportsReadWritePWRMC)
            return reinterpret_cast<ExportedProc>(&ReadWritePWRMC);
        return nullptr;
    }
    void FreeLibrary(ModuleHandle module) override {
        for (const auto& [path, library] : files) {
            if (&library == module) events.push_back(u"free " + path);
        }
        --loaded;
    }

private:
    static const std::u16string& PathOf(HeldLibraryFile file) { return *static_cast<const std::u16string*>(file); }
    std::list<std::u16string> heldPaths_;
    static Library*& Active() {
        static Library* active = nullptr;
        return active;
    }
    static std::int32_t GetECDevInfo(std::uint32_t* info) {
        *info = Active()->info;
        return Active()->infoResult;
    }
    static std::int32_t ReadWritePWRMC(std::uint32_t command, std::uint32_t* value) {
        Active()->commands.push_back(command);
        *value = Active()->value;
        return Active()->readResult;
    }
};

}  // namespace Korvane::PC::Tarnwick
