// The maker's access library through the real loader.
#include <windows.h>
#include <shlwapi.h>

#include <type_traits>

#include "machine/EcDeviceControl.h"
#include "platform/win32/SystemLibraries.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32Platform.h"

namespace Korvane::PC::Tarnwick::Win32 {

// The core's entry-point types are the library's cdecl exports.
static_assert(std::is_same_v<Vxn02e3::GetECDevInfoFn, INT32(__cdecl*)(UINT32*)>);
static_assert(std::is_same_v<Vxn02e3::ReadWritePWRMCFn, INT32(__cdecl*)(UINT32, UINT32*)>);
static_assert(kRrfRtRegSz == RRF_RT_REG_SZ);

std::optional<std::u16string> AccessLibraries::CombinePath(std::u16string_view folder, std::u16string_view file) {
    wchar_t buffer[MAX_PATH] = {};
    if (::PathCombineW(buffer, ToWin(folder).c_str(), ToWin(file).c_str()) == nullptr) return std::nullopt;
    return FromWin(buffer);
}

ModuleHandle AccessLibraries::LoadBesideItsImports(std::u16string_view fullPath) {
    return LoadLibraryBesideItsImports(ToWin(fullPath));
}

ExportedProc AccessLibraries::FindExport(ModuleHandle module, const char* name) {
    const FARPROC proc = ::GetProcAddress(static_cast<HMODULE>(const_cast<void*>(module)), name);
    return reinterpret_cast<ExportedProc>(proc);
}

void AccessLibraries::FreeLibrary(ModuleHandle module) {
    ::FreeLibrary(static_cast<HMODULE>(const_cast<void*>(module)));
}

}  // namespace Korvane::PC::Tarnwick::Win32
