#include "platform/win32/MappedFiles.h"

#include <psapi.h>

#include <string>

#include "platform/win32/ScopedHandle.h"

namespace Korvane::PC::Tarnwick::Win32 {
namespace {

// The name of the file whose image or data is mapped at `address`
// (K32GetMappedFileNameW: kernel32, never psapi.dll, which is no known DLL);
// empty on failure.
std::wstring MappedFileName(const void* address) {
    std::wstring name(MAX_PATH, L'\0');
    for (int attempt = 0; attempt < 3; ++attempt) {
        const DWORD length = ::K32GetMappedFileNameW(::GetCurrentProcess(), const_cast<void*>(address), name.data(),
                                                     static_cast<DWORD>(name.size()));
        if (length == 0) return {};
        if (length + 1 < name.size()) return name.substr(0, length);
        name.resize(name.size() * 4);  // possibly cut: ask again with room to spare
    }
    return {};
}

bool SameFile(HANDLE a, HANDLE b) {
    BY_HANDLE_FILE_INFORMATION first{}, second{};
    return ::GetFileInformationByHandle(a, &first) && ::GetFileInformationByHandle(b, &second) &&
           first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
           first.nFileIndexHigh == second.nFileIndexHigh && first.nFileIndexLow == second.nFileIndexLow;
}

}  // namespace

bool MapsOpenFile(const void* address, HANDLE file) {
    const std::wstring name = MappedFileName(address);
    if (name.empty()) return false;
    const std::wstring path = name.starts_with(L"\\??\\") ? L"\\\\?\\" + name.substr(4) : L"\\\\?\\GLOBALROOT" + name;
    const ScopedFileHandle mapped(::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                OPEN_EXISTING, 0, nullptr));
    return mapped && SameFile(mapped.get(), file);
}

}  // namespace Korvane::PC::Tarnwick::Win32
