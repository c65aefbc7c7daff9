#pragma once

#include <cstring>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "platform/Modules.h"
#include "platform/fakes/FakeFiles.h"

namespace Korvane::PC::Tarnwick {

// Modules made of resources that a test adds. Handles are addresses of the
// fake's own module records; FreeLibrary counts. A file held open (a
// FakeFiles::OpenFile) is where the path it was opened by says, unless
// `finalPaths` moves it; a load maps the module of the path it was given,
// which is the held file when that path is the held file's final path and
// not in `mapsAnother`. Models no links, mappings or sharing.
class FakeModules : public IModules {
public:
    struct Module {
        // (type id, type name, resource id) -> bytes
        std::map<std::tuple<std::uint16_t, std::u16string, std::uint16_t>, std::vector<std::uint8_t>> resources;
    };
    std::map<std::u16string, Module> files;  // path -> module that LoadLibraryEx finds
    ModuleFileName programFileName{u"C:\\Tools\\Tarnwick.exe", 22, 0};
    std::vector<std::pair<std::u16string, std::uint32_t>> loads;
    int freed = 0;
    std::function<void()> onLoad;  // called inside every LoadLibraryEx

    ModuleFileName GetProgramFileName(std::uint32_t) override { return programFileName; }
    ModuleHandle LoadLibraryEx(std::u16string_view path, std::uint32_t flags) override {
        loads.emplace_back(std::u16string(path), flags);
        if (onLoad) onLoad();
        const auto it = files.find(std::u16string(path));
        return it == files.end() ? nullptr : &it->second;
    }
    void FreeLibrary(ModuleHandle) override { ++freed; }
    std::map<std::u16string, std::u16string> finalPaths;  // path opened -> where the file is; "" for no answer
    std::set<std::u16string> mapsAnother;  // loads of these paths map a file other than the one held
    std::u16string FinalPathOf(const IOpenFile& file) override {
        const auto* open = dynamic_cast<const FakeFiles::OpenFile*>(&file);
        if (open == nullptr) return {};
        const auto moved = finalPaths.find(open->path);
        return moved == finalPaths.end() ? open->path : moved->second;
    }
    bool MapsFile(ModuleHandle module, const IOpenFile& file) override {
        for (const auto& [path, record] : files) {
            if (&record == module) return path == FinalPathOf(file) && !mapsAnother.contains(path);
        }
        return false;
    }
    std::span<const std::uint8_t> FindResourceData(ModuleHandle module, std::uint16_t id, ResourceType type) override {
        if (module == nullptr) return {};
        const auto& resources = static_cast<const Module*>(module)->resources;
        const auto it = resources.find({type.name.empty() ? type.id : std::uint16_t{0}, std::u16string(type.name), id});
        if (it == resources.end()) return {};
        return {it->second.data(), it->second.size()};
    }

    // Builds string block `id / 16 + 1` entries from the given strings.
    static void AddStrings(Module& module, const std::map<std::uint16_t, std::u16string>& strings) {
        std::map<std::uint16_t, std::vector<std::u16string>> blocks;
        for (const auto& [id, text] : strings) {
            auto& block = blocks[static_cast<std::uint16_t>(id / 16 + 1)];
            block.resize(16);
            block[id % 16] = text;
        }
        for (const auto& [blockId, entries] : blocks) {
            std::vector<std::uint8_t> bytes;
            for (const auto& entry : entries) {
                Put(bytes, static_cast<char16_t>(entry.size()));
                for (char16_t c : entry) Put(bytes, c);
            }
            module.resources[{kRtString, u"", blockId}] = bytes;
        }
    }
    static void AddNamed(Module& module, std::u16string type, std::uint16_t id, std::vector<std::uint8_t> bytes) {
        module.resources[{0, std::move(type), id}] = std::move(bytes);
    }

private:
    static void Put(std::vector<std::uint8_t>& bytes, char16_t unit) {
        bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
};

}  // namespace Korvane::PC::Tarnwick
