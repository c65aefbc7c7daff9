// The log, report and release files: opened as themselves, never through a
// link, and refused (ERROR_ACCESS_DENIED) when they are a reparse point, a
// folder, read-only, have more than one hard link or, on a local volume, are
// not where their full path says.
#include <windows.h>

#include "common/FinalPath.h"
#include "platform/win32/ScopedHandle.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32Platform.h"

namespace Korvane::PC::Tarnwick::Win32 {
namespace {

class OutputFile : public IOutputFile {
public:
    explicit OutputFile(ScopedFileHandle file) : file_(std::move(file)) {}

    bool IsEmpty() override {
        LARGE_INTEGER size{};
        return ::GetFileSizeEx(file_.get(), &size) && size.QuadPart == 0;
    }

    bool Write(std::span<const std::uint8_t> bytes) override {
        DWORD written = 0;
        return ::WriteFile(file_.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
               written == bytes.size();
    }

private:
    ScopedFileHandle file_;
};

// GetFullPathNameW: the path as the system resolves it (relative to the
// current folder, "." and ".." folded, trailing dots and blanks dropped).
std::wstring FullPath(const std::wstring& path) {
    const DWORD needed = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return {};
    std::wstring full(needed, L'\0');
    const DWORD length = ::GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
    if (length == 0 || length >= needed) return {};
    full.resize(length);
    return full;
}

// GetLongPathNameW: short (8.3) names made long. A link on the way keeps its
// own name here; it is not followed.
std::wstring LongPath(const std::wstring& path) {
    const DWORD needed = ::GetLongPathNameW(path.c_str(), nullptr, 0);
    if (needed == 0) return path;
    std::wstring result(needed, L'\0');
    const DWORD length = ::GetLongPathNameW(path.c_str(), result.data(), needed);
    if (length == 0 || length >= needed) return path;
    result.resize(length);
    return result;
}

// A path on a share: UNC, or a drive letter that is a mapped network drive.
bool OnRemoteDrive(const std::wstring& full) {
    if (full.size() < 3 || full[1] != L':') return false;
    const wchar_t root[] = {full[0], L':', L'\\', L'\0'};
    return ::GetDriveTypeW(root) == DRIVE_REMOTE;
}

// Removes the file this open created, through a new handle that is checked
// to be that very file (same volume and file index), so nothing else can be
// deleted in its place.
void DeleteCreated(const std::wstring& finalPath, const BY_HANDLE_FILE_INFORMATION& created) {
    if (finalPath.empty()) return;
    ScopedFileHandle file(::CreateFileW(finalPath.c_str(), DELETE | FILE_READ_ATTRIBUTES,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!file || !::GetFileInformationByHandle(file.get(), &info)) return;
    if (info.dwVolumeSerialNumber != created.dwVolumeSerialNumber || info.nFileIndexHigh != created.nFileIndexHigh ||
        info.nFileIndexLow != created.nFileIndexLow) {
        return;
    }
    MarkForDeletion(file.get());
}

// The file itself, never what a link points to; checked through the handle,
// so nothing can be swapped in between. On a local volume the open file
// must also be where the whole path says: a junction, symbolic link or
// object-manager link in a parent folder leads elsewhere, and the file is
// refused (and removed again when this open created it). Nothing is written
// before these checks.
ScopedFileHandle OpenOwnFile(std::u16string_view path, DWORD access, DWORD share) {
    const std::wstring full = FullPath(ToWin(path));
    if (full.empty()) return {};
    ScopedFileHandle file(::CreateFileW(full.c_str(), access | FILE_READ_ATTRIBUTES | SYNCHRONIZE, share, nullptr,
                                        OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file) return {};
    const bool created = ::GetLastError() != ERROR_ALREADY_EXISTS;
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(file.get(), &info)) return {};
    // Windows itself refuses write access to a read-only file; Wine running
    // as root does not, so the check is made here too.
    constexpr DWORD kRefused = FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY;
    if ((info.dwFileAttributes & kRefused) != 0 || info.nNumberOfLinks > 1) {
        ::SetLastError(ERROR_ACCESS_DENIED);
        return {};
    }
    const std::wstring final = FinalPathOfHandle(file.get());
    const std::wstring asked = LongPath(full);
    const PathAgreement agreement = CompareFinalPath(FromWin(asked), FromWin(final), OnRemoteDrive(asked),
                                                     SameIgnoringCase);
    if (agreement == PathAgreement::kDiffers) {
        file.reset();
        if (created) DeleteCreated(final, info);
        ::SetLastError(ERROR_ACCESS_DENIED);
        return {};
    }
    return file;
}

}  // namespace

std::unique_ptr<IOutputFile> OutputFiles::OpenForAppend(std::u16string_view path) {
    // FILE_APPEND_DATA without FILE_WRITE_DATA: the system puts every write
    // at the end of the file as it is at that moment.
    ScopedFileHandle file = OpenOwnFile(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE);
    if (!file) return nullptr;
    return std::make_unique<OutputFile>(std::move(file));
}

std::unique_ptr<IOutputFile> OutputFiles::OpenForRewrite(std::u16string_view path) {
    // Emptied only once the checks of OpenOwnFile have passed.
    ScopedFileHandle file = OpenOwnFile(path, GENERIC_WRITE, FILE_SHARE_READ);
    if (!file || !::SetEndOfFile(file.get())) return nullptr;
    return std::make_unique<OutputFile>(std::move(file));
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

bool MarkForDeletion(HANDLE handle) {
    FILE_DISPOSITION_INFO disposition{TRUE};
    return ::SetFileInformationByHandle(handle, FileDispositionInfo, &disposition, sizeof disposition) != FALSE;
}

}  // namespace Korvane::PC::Tarnwick::Win32
