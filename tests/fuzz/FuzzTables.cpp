// One fuzz target per definition-table parser, chosen at compile time with
// TARNWICK_FUZZ_TABLE (1 definition table, 2 model list, 3 OS support table,
// 4 requirement table). The input bytes are the "TXT" resource: little-endian
// UTF-16 units, an odd last byte not counted, exactly as LoadTextTable hands
// them out.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "definitions/DefinitionTables.h"

namespace {

using namespace Korvane::PC::Tarnwick;

// Every text column keeps its counted terminator.
void CheckCounted(const std::u16string& text) {
    if (text.empty() || text.back() != u'\0') __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A copy of exactly the whole units, so that reading one unit past the
    // span lands outside the allocation and the address sanitizer sees it.
    std::vector<char16_t> units(size / 2);
    for (std::size_t i = 0; i < units.size(); ++i)
        units[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
    const std::span<const char16_t> table(units.data(), units.size());

#if TARNWICK_FUZZ_TABLE == 1
    for (const TargetDefinition& row : ParseDefinitionTable(table)) {
        CheckCounted(row.product);
        CheckCounted(row.version);
        CheckCounted(row.url);
        CheckCounted(row.toolFile);
        CheckCounted(row.toolParameters);
        // One byte per pair of units of the hash line and its terminator.
        if (row.hash.size() > table.size() / 2) __builtin_trap();
    }
#elif TARNWICK_FUZZ_TABLE == 2
    const auto models = ParseModelList(table);
    if (models.size() > table.size()) __builtin_trap();
    for (const auto& model : models) CheckCounted(model);
#elif TARNWICK_FUZZ_TABLE == 3
    for (const OsSupportRow& row : ParseOsSupportTable(table)) CheckCounted(row.product);
#elif TARNWICK_FUZZ_TABLE == 4
    for (const RequirementRow& row : ParseRequirementTable(table)) CheckCounted(row.product);
#else
#error "TARNWICK_FUZZ_TABLE must be 1 to 4"
#endif
    return 0;
}
