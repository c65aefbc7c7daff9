// IModules over the loader and the resource calls.
#pragma once

#include "platform/Modules.h"

namespace Korvane::PC::Tarnwick::Win32 {

class Modules : public IModules {
public:
    ModuleFileName GetProgramFileName(std::uint32_t bufferChars) override;
    ModuleHandle LoadLibraryEx(std::u16string_view path, std::uint32_t flags) override;
    void FreeLibrary(ModuleHandle module) override;
    std::u16string FinalPathOf(const IOpenFile& file) override;
    bool MapsFile(ModuleHandle module, const IOpenFile& file) override;
    std::span<const std::uint8_t> FindResourceData(ModuleHandle module, std::uint16_t id, ResourceType type) override;
};

}  // namespace Korvane::PC::Tarnwick::Win32
