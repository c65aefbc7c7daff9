// The log, report and release files. The folder that is to hold the file is
// opened first and checked through its handle; the file is then opened
// relative to that held folder by its last component only, as itself, and
// checked through its own handle. It is refused (ERROR_ACCESS_DENIED) when
// it is a reparse point, a folder, read-only, has more than one hard link
// or, on a local volume, is not where its full path says.
#include <windows.h>
#include <winternl.h>

#include <cstddef>

#include "common/FinalPath.h"
#include "platform/win32/FileDeletion.h"
#include "platform/win32/FinalPaths.h"
#include "platform/win32/ScopedHandle.h"
#include "platform/win32/SystemLibraries.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32OutputFiles.h"

namespace Korvane::PC::Tarnwick::Win32 {
namespace {

constexpr NTSTATUS kObjectNameCollision = static_cast<NTSTATUS>(0xC0000035);
constexpr NTSTATUS kSharingViolation = static_cast<NTSTATUS>(0xC0000043);
// A run that has just created the file holds it with DELETE access, which
// writers that do not share deletion cannot open beside, until its checks
// pass (microseconds). Another run opening it in that instant waits this
// long at most rather than lose its line.
constexpr int kCreatorWaitRounds = 50;
constexpr DWORD kCreatorWaitMs = 20;

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

// Whether the open file or folder is where the full path `full` says: on a
// local volume its final path (every junction, symbolic link, mount point
// or drive alias on the way resolved) must be that path (kSame); on a share
// this is left to the share's own rights (kNetwork).
PathAgreement AgreementWithPath(HANDLE handle, const std::wstring& full) {
    const std::wstring asked = LongPath(full);
    return CompareFinalPath(FromWin(asked), FromWin(FinalPathOfHandle(handle)), OnRemoteDrive(FromWin(asked)),
                            SameIgnoringCase);
}

bool WhereItsPathSays(HANDLE handle, const std::wstring& full) {
    return AgreementWithPath(handle, full) != PathAgreement::kDiffers;
}

// Whether the held `folder` is the very entry that the last name of `path`
// has in its parent, and not a folder a link there leads to: the parent's
// listing, which shows a link as itself, must show that name as a plain
// folder with the held folder's file id. This does not rest on the final
// path, which Wine works out from the name again after opening, so a link
// swapped in between can leave a folder reached through the link under the
// real folder's name. A drive's root has no parent and passes; this is
// asked only on a local volume.
bool IsEntryOfParent(HANDLE folder, const std::wstring& path) {
    std::wstring trimmed = path;
    while (!trimmed.empty() && trimmed.back() == L'\\') trimmed.pop_back();
    const std::size_t cut = trimmed.find_last_of(L'\\');
    if (cut == std::wstring::npos || trimmed.back() == L':') return true;
    const std::wstring name = trimmed.substr(cut + 1);
    BY_HANDLE_FILE_INFORMATION held{};
    if (!::GetFileInformationByHandle(folder, &held)) return false;
    const ScopedFileHandle parent(::CreateFileW(trimmed.substr(0, cut + 1).c_str(), FILE_LIST_DIRECTORY | SYNCHRONIZE,
                                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!parent) return false;
    alignas(LONGLONG) std::byte listing[16384];
    FILE_INFO_BY_HANDLE_CLASS next = FileIdBothDirectoryRestartInfo;
    while (::GetFileInformationByHandleEx(parent.get(), next, listing, sizeof listing)) {
        next = FileIdBothDirectoryInfo;
        for (auto* entry = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(listing);;
             entry = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(reinterpret_cast<const std::byte*>(entry) +
                                                                    entry->NextEntryOffset)) {
            const std::u16string_view entryName(reinterpret_cast<const char16_t*>(entry->FileName),
                                                entry->FileNameLength / sizeof(wchar_t));
            const std::u16string_view shortName(reinterpret_cast<const char16_t*>(entry->ShortName),
                                                entry->ShortNameLength / sizeof(wchar_t));
            if (SameIgnoringCase(entryName, FromWin(name)) ||
                (!shortName.empty() && SameIgnoringCase(shortName, FromWin(name)))) {
                const ULONGLONG heldId = (ULONGLONG{held.nFileIndexHigh} << 32) | held.nFileIndexLow;
                return (entry->FileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) ==
                           FILE_ATTRIBUTE_DIRECTORY &&
                       static_cast<ULONGLONG>(entry->FileId.QuadPart) == heldId;
            }
            if (entry->NextEntryOffset == 0) break;
        }
    }
    return false;
}

// The folder that is to hold the file, held without delete sharing (so that
// it can be neither renamed nor removed while the file is opened in it),
// and only when it is where `folder` says: a link anywhere on the way, the
// folder itself included, leads elsewhere and is refused before anything
// is created.
ScopedFileHandle OpenVerifiedFolder(const std::wstring& folder) {
    ScopedFileHandle handle(::CreateFileW(folder.c_str(), FILE_TRAVERSE | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                          FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!handle) return {};
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(handle.get(), &info)) return {};
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        ::SetLastError(ERROR_DIRECTORY);
        return {};
    }
    const PathAgreement agreement = AgreementWithPath(handle.get(), folder);
    if (agreement == PathAgreement::kDiffers ||
        (agreement == PathAgreement::kSame && !IsEntryOfParent(handle.get(), folder))) {
        ::SetLastError(ERROR_ACCESS_DENIED);
        return {};
    }
    return handle;
}

// NtCreateFile of `name` relative to the held `folder`: only the last
// component is looked up, and a link there is opened as itself
// (FILE_OPEN_REPARSE_POINT), never followed. Once the call is made, `file`
// is emptied and receives the opened file directly. Sets the last error on
// failure and returns the status.
NTSTATUS OpenInFolder(HANDLE folder, const std::wstring& name, ACCESS_MASK access, ULONG share, ULONG disposition,
                      ScopedFileHandle& file) {
    const auto ntCreateFile = TARNWICK_EXPORT(Ntdll(), NtCreateFile);
    const auto toError = TARNWICK_EXPORT(Ntdll(), RtlNtStatusToDosError);
    constexpr NTSTATUS kNotImplemented = static_cast<NTSTATUS>(0xC0000002);
    constexpr NTSTATUS kInvalidName = static_cast<NTSTATUS>(0xC0000033);
    if (ntCreateFile == nullptr || toError == nullptr) {
        ::SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
        return kNotImplemented;
    }
    if (name.empty() || name.size() > 32767 || name == L"." || name == L"..") {
        ::SetLastError(ERROR_INVALID_NAME);
        return kInvalidName;
    }
    UNICODE_STRING objectName{static_cast<USHORT>(name.size() * sizeof(wchar_t)),
                              static_cast<USHORT>(name.size() * sizeof(wchar_t)), const_cast<wchar_t*>(name.c_str())};
    OBJECT_ATTRIBUTES attributes{};
    InitializeObjectAttributes(&attributes, &objectName, OBJ_CASE_INSENSITIVE, folder, nullptr);
    IO_STATUS_BLOCK io{};
    const NTSTATUS status =
        ntCreateFile(file.put(), access, &attributes, &io, nullptr, FILE_ATTRIBUTE_NORMAL, share, disposition,
                     FILE_NON_DIRECTORY_FILE | FILE_SYNCHRONOUS_IO_NONALERT | FILE_OPEN_REPARSE_POINT, nullptr, 0);
    if (!NT_SUCCESS(status)) ::SetLastError(toError(status));
    return status;
}

// The checks of an open file, made through its handle: not a reparse point
// (Wine follows a Unix symbolic link even when asked to open it as itself),
// not a folder, not read-only, one hard link only, and where `full` says.
bool Acceptable(HANDLE file, const std::wstring& full) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(file, &info)) return false;
    // Windows itself refuses write access to a read-only file; Wine running
    // as root does not, so the check is made here too.
    constexpr DWORD kRefused = FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY;
    const bool acceptable =
        (info.dwFileAttributes & kRefused) == 0 && info.nNumberOfLinks == 1 && WhereItsPathSays(file, full);
    if (!acceptable) ::SetLastError(ERROR_ACCESS_DENIED);
    return acceptable;
}

// The file at `path`, created when missing, inside the folder its path
// names and nowhere else, not even for a moment: the folder is held and
// checked first and the file opened relative to it. Nothing is written or
// emptied before the checks.
//
// A missing file is created with DELETE access, so that a new file that
// fails the checks is removed through this very handle (no path is opened
// again, and nobody who does not share deletion can hold it meanwhile).
// A new file that passes is closed and opened again like an existing one,
// whose handle carries no DELETE access: a run holding the log open does
// not keep other writers, which do not share deletion, from appending.
ScopedFileHandle OpenOwnFile(std::u16string_view path, DWORD access, DWORD share) {
    const std::wstring full = FullPath(ToWin(path));
    const std::size_t cut = full.find_last_of(L'\\');
    if (cut == std::wstring::npos || cut + 1 == full.size()) {
        ::SetLastError(ERROR_INVALID_NAME);
        return {};
    }
    const std::wstring name = full.substr(cut + 1);
    const ScopedFileHandle folder = OpenVerifiedFolder(full.substr(0, cut + 1));
    if (!folder) return {};
    const ACCESS_MASK wanted = access | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
    ScopedFileHandle created;
    const NTSTATUS status = OpenInFolder(folder.get(), name, wanted | DELETE, share, FILE_CREATE, created);
    if (NT_SUCCESS(status)) {
        if (!Acceptable(created.get(), full)) {
            (void)MarkForDeletion(created.get());
            ::SetLastError(ERROR_ACCESS_DENIED);
            return {};
        }
        created.reset();
    } else if (status != kObjectNameCollision) {
        return {};
    }
    ScopedFileHandle file;
    NTSTATUS opened = OpenInFolder(folder.get(), name, wanted, share, FILE_OPEN, file);
    for (int round = 0; opened == kSharingViolation && round < kCreatorWaitRounds; ++round) {
        ::Sleep(kCreatorWaitMs);
        opened = OpenInFolder(folder.get(), name, wanted, share, FILE_OPEN, file);
    }
    if (!NT_SUCCESS(opened)) return {};
    if (!Acceptable(file.get(), full)) return {};
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

}  // namespace Korvane::PC::Tarnwick::Win32
