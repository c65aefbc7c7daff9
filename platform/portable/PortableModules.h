// IModules over PE files read from disk, on any system: how tools outside
// the program (tools/companion-tool) read a built battery.dll through the
// very readers the program uses (definitions/CompanionResources.h).
//
// A module is a PE file read whole into memory (platform/portable/PeImage.h);
// nothing in it runs. FindResourceData picks the language version the way
// FindResourceW does for a thread whose UI language is `language`: that
// language, else one of the same primary language, else a neutral one, else
// US English, else the first in the file. With LanguageMatch::kExact only
// `language` itself is taken (to ask whether a language is present at all).
//
// Not modelled: GetProgramFileName (reports nothing), load flags (every load
// is a data-file load), MUI satellite files and the user/system default UI
// languages in the fallback order.
#pragma once

#include <filesystem>
#include <list>
#include <string>

#include "platform/Modules.h"
#include "platform/portable/PeImage.h"

namespace Korvane::PC::Tarnwick {

inline constexpr std::uint16_t kLanguageEnglishUs = 1033;
inline constexpr std::uint16_t kLanguageJapanese = 1041;

enum class LanguageMatch { kLikeWindows, kExact };

class PortableModules : public IModules {
public:
    explicit PortableModules(std::uint16_t language = kLanguageEnglishUs) : language_(language) {}
    PortableModules(const PortableModules&) = delete;
    PortableModules& operator=(const PortableModules&) = delete;

    // The language FindResourceData stands for (what the thread UI language
    // decides on Windows).
    void SetLanguage(std::uint16_t language, LanguageMatch match = LanguageMatch::kLikeWindows) {
        language_ = language;
        match_ = match;
    }
    std::uint16_t language() const { return language_; }

    // Reads the file at `path`; null with `error` set when it cannot be read
    // or is not a PE file.
    [[nodiscard]] ModuleHandle LoadFile(const std::filesystem::path& path, std::string& error);
    // A module from bytes already in memory.
    [[nodiscard]] ModuleHandle LoadBytes(std::span<const std::uint8_t> bytes, std::string& error);
    // The image behind a handle this object returned.
    static const PeImage& Image(ModuleHandle module) { return *static_cast<const PeImage*>(module); }

    ModuleFileName GetProgramFileName(std::uint32_t bufferChars) override;
    [[nodiscard]] ModuleHandle LoadLibraryEx(std::u16string_view path, std::uint32_t flags) override;
    void FreeLibrary(ModuleHandle module) override;
    std::span<const std::uint8_t> FindResourceData(ModuleHandle module, std::uint16_t id, ResourceType type) override;

private:
    std::list<PeImage> images_;  // stable addresses: a handle is an image's address
    std::uint16_t language_;
    LanguageMatch match_ = LanguageMatch::kLikeWindows;
};

}  // namespace Korvane::PC::Tarnwick
