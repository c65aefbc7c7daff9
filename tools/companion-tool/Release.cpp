#include "tools/companion-tool/Release.h"

#include "definitions/CompanionResources.h"

namespace Korvane::PC::Tarnwick::Companion {
namespace {

template <typename Row, typename Parse>
void Read(IModules& modules, ModuleHandle module, std::uint16_t id, ParsedTable<Row>& table, Parse parse) {
    const std::span<const char16_t> text = LoadTextTable(modules, module, id);
    table.present = !text.empty();
    table.rows = parse(text, &table.layout);
}

}  // namespace

std::unique_ptr<Release> Release::Open(const std::filesystem::path& path, std::string& error) {
    std::unique_ptr<Release> release(new Release());
    release->path_ = path;
    release->module_ = release->modules_.LoadFile(path, error);
    if (release->module_ == nullptr) return nullptr;
    PortableModules& modules = release->modules_;
    const ModuleHandle module = release->module_;
    ReleaseTables& t = release->tables_;
    Read(modules, module, kDefinitionsInfo.id, t.definitions, ParseDefinitionTable);
    Read(modules, module, kModelsInfo.id, t.models, ParseModelList);
    Read(modules, module, kOsInfo.id, t.os, ParseOsSupportTable);
    Read(modules, module, kRequirementsInfo.id, t.requirements, ParseRequirementTable);
    return release;
}

std::optional<std::u16string> Release::StringIn(std::uint16_t language, std::uint16_t id) {
    std::u16string text = LoadCompanionString(modules(language, LanguageMatch::kExact), module_, id);
    // The reader's fallback for a missing entry is the id in decimal.
    if (text == LoadCompanionString(modules_, nullptr, id)) return std::nullopt;
    return text;
}

}  // namespace Korvane::PC::Tarnwick::Companion
