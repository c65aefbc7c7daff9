#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/AccessLibraries.h"

namespace Korvane::PC::Tarnwick {

// Access libraries whose exports are host functions answering what the test
// scripted. Only one library's answers are live at a time (the last one
// loaded); the fake does not model load counts beyond `loaded`, import
// resolution, or PathCombineW's canonicalisation ("." and ".." stay).
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
    bool combineFails = false;
    // Access lists by path; a path not named here is owned by the
    // Administrators group and only SYSTEM and the group may change it.
    std::map<std::u16string, std::optional<AccessList>> accessLists;
    std::vector<std::u16string> accessReads;

    std::optional<std::u16string> CombinePath(std::u16string_view folder, std::u16string_view file) override {
        if (combineFails) return std::nullopt;
        std::u16string path(folder);
        if (!path.empty() && path.back() != u'\\') path += u'\\';
        return path + std::u16string(file);
    }
    ModuleHandle LoadBesideItsImports(std::u16string_view fullPath) override {
        loads.emplace_back(fullPath);
        const auto it = files.find(std::u16string(fullPath));
        if (it == files.end()) return nullptr;
        ++loaded;
        Active() = &it->second;
        return &it->second;
    }
    std::optional<AccessList> ReadAccessList(std::u16string_view path) override {
        accessReads.emplace_back(path);
        const auto it = accessLists.find(std::u16string(path));
        if (it != accessLists.end()) return it->second;
        return AccessList{u"S-1-5-32-544", {{u"S-1-5-18", 0x1F01FF}, {u"S-1-5-32-544", 0x1F01FF}, {u"S-1-5-32-545", 0x1200A9}}};
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
    void FreeLibrary(ModuleHandle) override { --loaded; }

private:
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
