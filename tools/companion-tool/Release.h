// One built companion library, read once: its PE image, the four tables
// parsed by the program's own parsers (with where each row came from) and its
// strings by language. The check, the diff and the simulation all work on
// this, so each table is parsed once per library however many profiles or
// findings use it.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "definitions/DefinitionTables.h"
#include "platform/portable/PortableModules.h"

namespace Korvane::PC::Tarnwick::Companion {

// The two languages every release carries.
inline constexpr std::uint16_t kReleaseLanguages[] = {kLanguageEnglishUs, kLanguageJapanese};

struct TableInfo {
    std::uint16_t id;
    const char* source;  // the file in companion/tables/ it is built from
};
inline constexpr TableInfo kDefinitionsInfo{TableId::kDefinitionTable, "definitions.txt"};
inline constexpr TableInfo kModelsInfo{TableId::kExcludedModelList, "excluded-models.txt"};
inline constexpr TableInfo kOsInfo{TableId::kOsSupportTable, "os-support.txt"};
inline constexpr TableInfo kRequirementsInfo{TableId::kRequirementTable, "requirements.txt"};

template <typename Row>
struct ParsedTable {
    bool present = false;  // the resource exists and is not empty
    std::vector<Row> rows;
    TableLayout layout;
};

struct ReleaseTables {
    ParsedTable<TargetDefinition> definitions;
    ParsedTable<std::u16string> models;
    ParsedTable<OsSupportRow> os;
    ParsedTable<RequirementRow> requirements;
};

class Release {
public:
    // Reads the library at `path`; nothing (and `error` set) when the file
    // cannot be read or is not a PE file.
    static std::unique_ptr<Release> Open(const std::filesystem::path& path, std::string& error);

    const std::filesystem::path& path() const { return path_; }
    const PeImage& image() const { return PortableModules::Image(module_); }
    const ReleaseTables& tables() const { return tables_; }

    // The program's readers on this library, as a thread of `language` would
    // see it.
    PortableModules& modules(std::uint16_t language, LanguageMatch match = LanguageMatch::kLikeWindows) {
        modules_.SetLanguage(language, match);
        return modules_;
    }
    ModuleHandle module() const { return module_; }
    // String `id` in exactly `language`; nothing when the program would read
    // it as missing (absent, empty, or running past its block).
    std::optional<std::u16string> StringIn(std::uint16_t language, std::uint16_t id);

private:
    Release() = default;
    std::filesystem::path path_;
    PortableModules modules_;
    ModuleHandle module_ = nullptr;
    ReleaseTables tables_;
};

}  // namespace Korvane::PC::Tarnwick::Companion
