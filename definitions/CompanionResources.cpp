#include "definitions/CompanionResources.h"

#include <cstring>

#include "common/Numbers.h"
#include "definitions/TemplateInserts.h"

namespace Korvane::PC::Tarnwick {
namespace {

constexpr std::u16string_view kRtfType = u"RTF";
constexpr std::u16string_view kTxtType = u"TXT";

std::uint16_t ReadUnit(std::span<const std::uint8_t> block, std::size_t offset) {
    return static_cast<std::uint16_t>(block[offset] | (block[offset + 1] << 8));
}

}  // namespace

std::u16string LoadCompanionString(IModules& modules, ModuleHandle module, std::uint16_t id) {
    // Without a library every string is missing. (A null module would make
    // the resource search look in the program's own resources instead.)
    if (module == nullptr) return DecimalText(id);
    const auto blockId = static_cast<std::uint16_t>(id / 16 + 1);
    const std::span<const std::uint8_t> block = modules.FindResourceData(module, blockId, {kRtString, {}});
    const std::size_t size = block.size();
    std::size_t offset = 0;
    // Each entry: a 16-bit length n, then n UTF-16 units. Every read is
    // checked against the block's size first.
    for (unsigned entry = 0; entry < id % 16u; ++entry) {
        if (offset + 2 > size) return DecimalText(id);
        offset += 2 + 2 * static_cast<std::size_t>(ReadUnit(block, offset));
    }
    if (offset + 2 > size) return DecimalText(id);
    const std::size_t length = ReadUnit(block, offset);
    if (length == 0 || offset + 2 + 2 * length > size) return DecimalText(id);
    std::u16string result(length, u'\0');
    for (std::size_t i = 0; i < length; ++i) result[i] = static_cast<char16_t>(ReadUnit(block, offset + 2 + 2 * i));
    return result;
}

std::uint32_t ReadReleaseNumber(IModules& modules, ModuleHandle module) {
    return ReadUnsigned32(LoadCompanionString(modules, module, StringId::kReleaseNumber));
}

std::vector<std::uint8_t> LoadRtfMessage(IModules& modules, ModuleHandle module, std::uint32_t index) {
    if (index >= kRtfMessageIds.size()) return {};
    const std::span<const std::uint8_t> data = modules.FindResourceData(module, kRtfMessageIds[index], {0, kRtfType});
    return {data.begin(), data.end()};
}

std::span<const char16_t> LoadTextTable(IModules& modules, ModuleHandle module, std::uint16_t id) {
    const std::span<const std::uint8_t> data = modules.FindResourceData(module, id, {0, kTxtType});
    if (data.size() < 2) return {};
    // Resource data is at least 4-byte aligned in a loaded module, so it can
    // be read as UTF-16 code units in place.
    return {reinterpret_cast<const char16_t*>(data.data()), data.size() / 2};
}

std::u16string FormatTemplate(IText& text, std::u16string_view templateText,
                              std::initializer_list<FormatArgument> arguments) {
    const std::span<const FormatArgument> given(arguments.begin(), arguments.size());
    if (!InsertsFitArguments(templateText, given)) return {};
    FormatResult result = text.FormatFromString(templateText, given);
    if (result.error != 0) return {};
    return std::move(result.text);
}

}  // namespace Korvane::PC::Tarnwick
