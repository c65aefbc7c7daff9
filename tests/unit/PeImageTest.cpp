// The portable PE reader on a small hand-made library (the fuzz seed) and on
// damaged copies of it; the built sample is read in CompanionToolTest.
#include "platform/portable/PeImage.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "definitions/CompanionResources.h"
#include "platform/portable/PortableModules.h"

namespace Korvane::PC::Tarnwick {
namespace {

std::vector<std::uint8_t> Seed() {
    std::ifstream in(std::filesystem::path(TARNWICK_SOURCE_DIR) / "tests/fuzz/corpus/fuzz_pe_image/one-table",
                     std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(PeImageTest, ReadsTheResourceTreeAndRefusesDamage) {
    const std::vector<std::uint8_t> seed = Seed();
    ASSERT_GT(seed.size(), 0x200u);
    std::string error;
    const std::optional<PeImage> image = PeImage::Parse(seed, error);
    ASSERT_TRUE(image) << error;
    ASSERT_EQ(image->resources().size(), 1u);
    const PeResource& table = image->resources()[0];
    EXPECT_EQ(table.typeName, u"TXT");
    EXPECT_EQ(table.id, 108u);
    EXPECT_EQ(table.language, 1033u);
    EXPECT_EQ(image->facts().sections, std::vector<std::string>{".rsrc"});
    EXPECT_EQ(image->facts().signatureSize, 0u);

    PortableModules modules(1041);  // only an English version: Windows' fallback takes it
    const ModuleHandle module = modules.LoadBytes(seed, error);
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(LoadTextTable(modules, module, 108).size(), table.data.size() / 2);
    modules.SetLanguage(1041, LanguageMatch::kExact);
    EXPECT_TRUE(LoadTextTable(modules, module, 108).empty());

    struct Damage {
        const char* name;
        std::size_t at;
        std::uint8_t value;
        const char* error;
    };
    const Damage damages[] = {
        {"no MZ", 0, 'X', "not a Windows module (no MZ header)"},
        {"PE header beyond the file", 0x3F, 0x7F, "not a Windows module (no PE header)"},
        {"data entry beyond the section", 0x200 + 72 + 3, 0x40, "resource data lies outside the file"},
        {"directory beyond the section", 0x200 + 20 + 2, 0x10, "a resource directory lies outside the section"},
    };
    for (const Damage& d : damages) {
        std::vector<std::uint8_t> bytes = seed;
        bytes[d.at] = d.value;
        error.clear();
        EXPECT_FALSE(PeImage::Parse(bytes, error)) << d.name;
        EXPECT_EQ(error, d.error) << d.name;
    }
    EXPECT_FALSE(PeImage::Parse(std::span(seed).first(0x210), error));
}

}  // namespace
}  // namespace Korvane::PC::Tarnwick
