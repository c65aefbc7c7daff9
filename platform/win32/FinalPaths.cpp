#include "platform/win32/FinalPaths.h"

#include "common/FinalPath.h"

namespace Korvane::PC::Tarnwick::Win32 {

std::wstring LongPath(const std::wstring& path) {
    const DWORD needed = ::GetLongPathNameW(path.c_str(), nullptr, 0);
    if (needed == 0) return path;
    std::wstring result(needed, L'\0');
    const DWORD length = ::GetLongPathNameW(path.c_str(), result.data(), needed);
    if (length == 0 || length >= needed) return path;
    result.resize(length);
    return result;
}

bool OnRemoteDrive(std::u16string_view path) {
    const std::u16string plain = WithoutLongPathPrefix(path);
    if (plain.size() < 3 || plain[1] != u':') return false;
    const wchar_t root[] = {static_cast<wchar_t>(plain[0]), L':', L'\\', L'\0'};
    return ::GetDriveTypeW(root) == DRIVE_REMOTE;
}

std::wstring FinalPathOfHandle(HANDLE handle) {
    std::wstring result(MAX_PATH, L'\0');
    for (int attempt = 0; attempt < 2; ++attempt) {
        const DWORD length = ::GetFinalPathNameByHandleW(handle, result.data(), static_cast<DWORD>(result.size()),
                                                         FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (length == 0) return {};
        if (length < result.size()) {
            result.resize(length);
            return result;
        }
        result.resize(length + 1);
    }
    return {};
}

bool SameIgnoringCase(std::u16string_view a, std::u16string_view b) {
    return ::CompareStringOrdinal(reinterpret_cast<const wchar_t*>(a.data()), static_cast<int>(a.size()),
                                  reinterpret_cast<const wchar_t*>(b.data()), static_cast<int>(b.size()),
                                  TRUE) == CSTR_EQUAL;
}

}  // namespace Korvane::PC::Tarnwick::Win32
