#include "tools/companion-tool/Diff.h"

#include <algorithm>
#include <map>

#include "tools/companion-tool/TextOut.h"

namespace Korvane::PC::Tarnwick::Companion {
namespace {

const std::vector<const char*> kDefinitionFields{"product", "action", "version", "url",
                                                 "toolFile", "toolParameters", "hash"};
const std::vector<const char*> kOsFields{"product",    "7-32",       "7-64",        "8-32",       "8-64",
                                         "10<1903-32", "10<1903-64", "10>=1903-32", "10>=1903-64"};
const std::vector<const char*> kRequirementFields{"product", "VXN02E3", "QXSYSEXT", "QXBIOS",
                                                  "VXN0420", "IMEI",    "IAMT"};
const std::vector<const char*> kModelFields{"model"};

using Key = std::pair<std::u16string_view, std::size_t>;  // board, place among its rows

std::map<Key, const RowSource*> Keyed(const TableLayout& layout) {
    std::map<Key, const RowSource*> rows;
    std::map<std::u16string_view, std::size_t> count;
    for (const RowSource& row : layout.rows) {
        const std::u16string_view board = row.fields.empty() ? std::u16string_view() : row.fields[0];
        rows[{board, count[board]++}] = &row;
    }
    return rows;
}

// Every field but the board (or model), which has a column of its own.
std::string Whole(const RowSource& row, const std::vector<const char*>& names) {
    std::string text;
    for (std::size_t i = 1; i < names.size() && i < row.fields.size(); ++i)
        text += std::string(i > 1 ? "; " : "") + names[i] + " " + Shown(row.fields[i]);
    return text;
}

void DiffTable(const char* table, const TableLayout& oldLayout, const TableLayout& newLayout,
               const std::vector<const char*>& names, Report& report) {
    const auto oldRows = Keyed(oldLayout);
    const auto newRows = Keyed(newLayout);
    // Rows in the new table's order, then the removed ones in the old order.
    std::vector<std::pair<std::uint32_t, std::vector<std::string>>> lines;
    for (const auto& [key, row] : newRows) {
        const auto old = oldRows.find(key);
        const std::string board = Shown(key.first);
        if (old == oldRows.end()) {
            lines.push_back({row->firstLine, {table, "added", board, "", std::to_string(row->firstLine), Whole(*row, names)}});
            continue;
        }
        std::string what;
        for (std::size_t i = 0; i < names.size(); ++i) {
            const std::u16string_view before = i < old->second->fields.size() ? old->second->fields[i] : u"";
            const std::u16string_view after = i < row->fields.size() ? row->fields[i] : u"";
            if (before != after) what += std::string(what.empty() ? "" : "; ") + names[i] + " " + Shown(before) + " -> " + Shown(after);
        }
        if (!what.empty())
            lines.push_back({row->firstLine,
                             {table, "changed", board, std::to_string(old->second->firstLine), std::to_string(row->firstLine), what}});
    }
    std::sort(lines.begin(), lines.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::pair<std::uint32_t, std::vector<std::string>>> removed;
    for (const auto& [key, row] : oldRows) {
        if (!newRows.contains(key))
            removed.push_back({row->firstLine, {table, "removed", Shown(key.first), std::to_string(row->firstLine), "", Whole(*row, names)}});
    }
    std::sort(removed.begin(), removed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (auto& line : lines) report.rows.push_back(std::move(line.second));
    for (auto& line : removed) report.rows.push_back(std::move(line.second));
}

}  // namespace

Report DiffTables(const Release& oldRelease, const Release& newRelease) {
    Report report{{"table", "change", "board", "old line", "new line", "what"}, {}};
    const ReleaseTables& o = oldRelease.tables();
    const ReleaseTables& n = newRelease.tables();
    DiffTable(kDefinitionsInfo.source, o.definitions.layout, n.definitions.layout, kDefinitionFields, report);
    DiffTable(kModelsInfo.source, o.models.layout, n.models.layout, kModelFields, report);
    DiffTable(kOsInfo.source, o.os.layout, n.os.layout, kOsFields, report);
    DiffTable(kRequirementsInfo.source, o.requirements.layout, n.requirements.layout, kRequirementFields, report);
    return report;
}

}  // namespace Korvane::PC::Tarnwick::Companion
