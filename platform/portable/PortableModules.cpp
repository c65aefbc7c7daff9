#include "platform/portable/PortableModules.h"

#include <fstream>
#include <iterator>
#include <vector>

namespace Korvane::PC::Tarnwick {
namespace {

constexpr std::uint16_t PrimaryLanguage(std::uint16_t language) { return language & 0x3FF; }

}  // namespace

ModuleHandle PortableModules::LoadFile(const std::filesystem::path& path, std::string& error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = "cannot open the file";
        return nullptr;
    }
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (file.bad()) {
        error = "cannot read the file";
        return nullptr;
    }
    return LoadBytes(bytes, error);
}

ModuleHandle PortableModules::LoadBytes(std::span<const std::uint8_t> bytes, std::string& error) {
    std::optional<PeImage> image = PeImage::Parse(bytes, error);
    if (!image) return nullptr;
    images_.push_back(std::move(*image));
    return &images_.back();
}

ModuleFileName PortableModules::GetProgramFileName(std::uint32_t) { return {}; }

ModuleHandle PortableModules::LoadLibraryEx(std::u16string_view path, std::uint32_t) {
    std::string error;
    return LoadFile(std::filesystem::path(std::u16string(path)), error);
}

void PortableModules::FreeLibrary(ModuleHandle module) {
    images_.remove_if([module](const PeImage& image) { return &image == module; });
}

std::span<const std::uint8_t> PortableModules::FindResourceData(ModuleHandle module, std::uint16_t id, ResourceType type) {
    if (module == nullptr) return {};
    const std::vector<const PeResource*> versions = Image(module).Versions(type.id, type.name, id);
    const PeResource* chosen = nullptr;
    const auto pick = [&](auto&& accept) {
        for (const PeResource* r : versions) {
            if (chosen == nullptr && accept(r->language)) chosen = r;
        }
    };
    pick([&](std::uint16_t l) { return l == language_; });
    if (match_ == LanguageMatch::kLikeWindows) {
        pick([&](std::uint16_t l) { return PrimaryLanguage(l) == PrimaryLanguage(language_); });
        pick([](std::uint16_t l) { return PrimaryLanguage(l) == 0; });
        pick([](std::uint16_t l) { return l == kLanguageEnglishUs; });
        pick([](std::uint16_t) { return true; });
    }
    if (chosen == nullptr) return {};
    return chosen->data;
}

}  // namespace Korvane::PC::Tarnwick
