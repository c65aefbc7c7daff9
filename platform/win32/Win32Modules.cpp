// Loaded modules and their resources.
#include <windows.h>

#include <algorithm>
#include <string>

#include "platform/win32/FinalPaths.h"
#include "platform/win32/MappedFiles.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32Modules.h"

namespace Korvane::PC::Tarnwick::Win32 {

static_assert(kLoadLibraryAsDatafile == LOAD_LIBRARY_AS_DATAFILE);
static_assert(kLoadLibraryAsDatafileExclusive == LOAD_LIBRARY_AS_DATAFILE_EXCLUSIVE);

ModuleFileName Modules::GetProgramFileName(std::uint32_t bufferChars) {
    std::wstring buffer(bufferChars, L'\0');
    ModuleFileName result;
    result.length = ::GetModuleFileNameW(nullptr, buffer.data(), bufferChars);
    result.lastError = ::GetLastError();
    buffer.resize(std::min<std::size_t>(result.length, bufferChars));
    result.path = FromWin(std::wstring_view(buffer.c_str()));
    return result;
}

ModuleHandle Modules::LoadLibraryEx(std::u16string_view path, std::uint32_t flags) {
    return ::LoadLibraryExW(ToWin(path).c_str(), nullptr, flags);
}

void Modules::FreeLibrary(ModuleHandle module) {
    ::FreeLibrary(static_cast<HMODULE>(const_cast<void*>(module)));
}

std::u16string Modules::FinalPathOf(const IOpenFile& file) {
    return FromWin(FinalPathOfHandle(static_cast<HANDLE>(file.NativeHandle())));
}

bool Modules::MapsFile(ModuleHandle module, const IOpenFile& file) {
    if (module == nullptr) return false;
    // A module loaded as data is its mapping's address with the low bits
    // marking the kind of load.
    const auto address = reinterpret_cast<const void*>(reinterpret_cast<std::uintptr_t>(module) &
                                                       ~static_cast<std::uintptr_t>(3));
    return MapsOpenFile(address, static_cast<HANDLE>(file.NativeHandle()));
}

std::span<const std::uint8_t> Modules::FindResourceData(ModuleHandle module, std::uint16_t id, ResourceType type) {
    auto* hmodule = static_cast<HMODULE>(const_cast<void*>(module));
    const std::wstring typeName = ToWin(type.name);
    LPCWSTR typeArgument = type.name.empty() ? MAKEINTRESOURCEW(type.id) : typeName.c_str();
    HRSRC resource = ::FindResourceW(hmodule, MAKEINTRESOURCEW(id), typeArgument);
    if (resource == nullptr) return {};
    const DWORD size = ::SizeofResource(hmodule, resource);
    HGLOBAL loaded = ::LoadResource(hmodule, resource);
    if (loaded == nullptr) return {};
    const void* data = ::LockResource(loaded);
    if (data == nullptr || size == 0) return {};
    return {static_cast<const std::uint8_t*>(data), size};
}

}  // namespace Korvane::PC::Tarnwick::Win32
