// The portable PE reader (tarnwick-companion reads any file it is given)
// over arbitrary bytes, then the program's readers on what it found.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "definitions/CompanionResources.h"
#include "definitions/DefinitionTables.h"
#include "platform/portable/PortableModules.h"

using namespace Korvane::PC::Tarnwick;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The bytes in an allocation of their own size, so a read past them is
    // caught.
    const std::vector<std::uint8_t> bytes(data, data + size);
    PortableModules modules;
    std::string error;
    const ModuleHandle module = modules.LoadBytes(bytes, error);
    if (module == nullptr) return 0;
    TableLayout layout;
    ParseDefinitionTable(LoadTextTable(modules, module, TableId::kDefinitionTable), &layout);
    ParseOsSupportTable(LoadTextTable(modules, module, TableId::kOsSupportTable), &layout);
    LoadCompanionString(modules, module, 146);
    LoadRtfMessage(modules, module, 0);
    modules.FreeLibrary(module);
    return 0;
}
