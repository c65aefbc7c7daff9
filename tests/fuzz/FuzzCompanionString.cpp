// LoadCompanionString over an arbitrary string block.
//
// Input: two bytes of string id (little-endian), then the bytes of the
// string-table block that the id lives in.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "definitions/CompanionResources.h"
#include "platform/fakes/FakeModules.h"

namespace {

using namespace Korvane::PC::Tarnwick;

std::u16string Decimal(std::uint16_t id) {
    const std::string digits = std::to_string(id);
    return {digits.begin(), digits.end()};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const auto id = static_cast<std::uint16_t>(data[0] | (data[1] << 8));
    FakeModules modules;
    FakeModules::Module library;
    // The block bytes in an allocation of their own size, so that a read past
    // the block is caught.
    library.resources[{kRtString, u"", static_cast<std::uint16_t>(id / 16 + 1)}] =
        std::vector<std::uint8_t>(data + 2, data + size);
    FakeModules::AddNamed(library, u"TXT", id, std::vector<std::uint8_t>(data + 2, data + size));

    const std::u16string text = LoadCompanionString(modules, &library, id);
    const std::size_t blockBytes = size - 2;
    // Never empty; a text longer than the block could hold must be the
    // decimal fallback.
    if (text.empty()) __builtin_trap();
    if (2 + 2 * text.size() > blockBytes && text != Decimal(id)) __builtin_trap();
    const auto table = LoadTextTable(modules, &library, id);
    if (table.size() != blockBytes / 2) __builtin_trap();
    return 0;
}
