// The work folder and its files.
#include <windows.h>
#include <sddl.h>
#include <shlwapi.h>
#include <winternl.h>

#include <utility>
#include <vector>

#include "common/FinalPath.h"
#include "platform/win32/Accounts.h"
#include "platform/win32/FileDeletion.h"
#include "platform/win32/FinalPaths.h"
#include "platform/win32/ScopeExit.h"
#include "platform/win32/ScopedHandle.h"
#include "platform/win32/SystemLibraries.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32WorkFiles.h"
#include "platform/win32/WorkFolderAccess.h"

namespace Korvane::PC::Tarnwick::Win32 {

static_assert(kErrorSuccess == ERROR_SUCCESS);

namespace {

constexpr DWORD kTempPathChars = MAX_PATH + 1;

// GetFinalPathNameByHandleW in the plain "C:\..." form; empty on failure.
std::u16string FinalPathOf(HANDLE handle) { return WithoutLongPathPrefix(FromWin(FinalPathOfHandle(handle))); }

class SealedFile : public ISealedFile {
public:
    explicit SealedFile(ScopedFileHandle file) : file_(std::move(file)) {}
    std::optional<std::uint64_t> Size() override {
        LARGE_INTEGER size{};
        if (!::GetFileSizeEx(file_.get(), &size)) return std::nullopt;
        return static_cast<std::uint64_t>(size.QuadPart);
    }
    std::optional<std::uint32_t> Read(std::span<std::uint8_t> buffer) override {
        DWORD count = 0;
        if (!::ReadFile(file_.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &count, nullptr)) {
            return std::nullopt;
        }
        return count;
    }
    std::u16string FinalPath() override { return FinalPathOf(file_.get()); }

private:
    ScopedFileHandle file_;
};

class DownloadFile : public IDownloadFile {
public:
    explicit DownloadFile(ScopedFileHandle file) : file_(std::move(file)) {}
    bool Write(std::span<const std::uint8_t> piece) override {
        DWORD written = 0;
        return ::WriteFile(file_.get(), piece.data(), static_cast<DWORD>(piece.size()), &written, nullptr) != FALSE;
    }
    bool Truncate() override {
        if (::SetFilePointer(file_.get(), 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) return false;
        return ::SetEndOfFile(file_.get()) != FALSE;
    }
    // A sharing mode is fixed when a handle is opened, and the system starts
    // no program that someone holds open for writing. So the writing handle
    // hands over through a reading one that lets it go on writing (the only
    // sharing it admits beside its own), and that one to the sealed handle,
    // which admits no writer. Each opens the file the handle before it has
    // open, never its name, and none of them shares delete.
    std::unique_ptr<ISealedFile> Seal() override {
        const ScopedFileHandle bridge(::ReOpenFile(file_.get(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, 0));
        file_.reset();
        if (!bridge) return nullptr;
        ScopedFileHandle sealed(::ReOpenFile(bridge.get(), GENERIC_READ, FILE_SHARE_READ, 0));
        if (!sealed) return nullptr;
        return std::make_unique<SealedFile>(std::move(sealed));
    }

private:
    ScopedFileHandle file_;
};

class HeldFolder : public IHeldFolder {
public:
    explicit HeldFolder(ScopedFileHandle folder) : folder_(std::move(folder)) {}
    std::u16string FinalPath() override { return FinalPathOf(folder_.get()); }

private:
    ScopedFileHandle folder_;
};

// NtCreateFile makes a folder and opens it in one step (CreateDirectoryW
// closes the folder it made, leaving a moment in which the name could be
// taken over). ntdll is in every process; its entry points are looked up,
// not imported.
struct FolderCreation {
    decltype(&::NtCreateFile) create = nullptr;
    decltype(&::RtlDosPathNameToNtPathName_U) ntPath = nullptr;
    decltype(&::RtlFreeUnicodeString) freeString = nullptr;
    decltype(&::RtlNtStatusToDosError) toError = nullptr;

    FolderCreation()
        : create(TARNWICK_EXPORT(Ntdll(), NtCreateFile)),
          ntPath(TARNWICK_EXPORT(Ntdll(), RtlDosPathNameToNtPathName_U)),
          freeString(TARNWICK_EXPORT(Ntdll(), RtlFreeUnicodeString)),
          toError(TARNWICK_EXPORT(Ntdll(), RtlNtStatusToDosError)) {}
    bool Usable() const { return create && ntPath && freeString && toError; }
};

}  // namespace

ScopedLocalMemory<PSECURITY_DESCRIPTOR> WorkFolderDescriptor(FolderAccess access) {
    std::wstring sddl = kWorkFolderSddl;
    if (access == FolderAccess::kRunningUserToo) {
        std::vector<std::uint8_t> user = CurrentUserSid();
        if (user.empty()) return {};
        const std::u16string userSid = SidString(user.data());
        if (userSid.empty()) return {};
        sddl += WorkFolderUserEntry(ToWin(userSid));
    }
    ScopedLocalMemory<PSECURITY_DESCRIPTOR> descriptor;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, descriptor.put(),
                                                                nullptr)) {
        return {};
    }
    return descriptor;
}

std::optional<std::u16string> WorkFiles::TempPath() {
    wchar_t buffer[kTempPathChars] = {};
    const DWORD length = ::GetTempPathW(kTempPathChars, buffer);
    if (length == 0 || length >= kTempPathChars) return std::nullopt;
    return FromWin(std::wstring_view(buffer, length));
}

std::optional<std::u16string> WorkFiles::AppendPath(std::u16string_view base, std::u16string_view name) {
    wchar_t buffer[MAX_PATH] = {};
    if (base.size() >= MAX_PATH) return std::nullopt;
    base.copy(reinterpret_cast<char16_t*>(buffer), base.size());
    if (!::PathAppendW(buffer, ToWin(name).c_str())) return std::nullopt;
    return FromWin(buffer);
}

CreatedFolder WorkFiles::CreatePrivateFolder(std::u16string_view path, FolderAccess access) {
    const ScopedLocalMemory<PSECURITY_DESCRIPTOR> security = WorkFolderDescriptor(access);
    if (!security) {
        // Why it could not be built; a failure that left no reason still fails.
        const DWORD error = ::GetLastError();
        return {nullptr, error == ERROR_SUCCESS ? static_cast<DWORD>(ERROR_INVALID_SECURITY_DESCR) : error};
    }
    const FolderCreation calls;
    if (!calls.Usable()) return {nullptr, ERROR_PROC_NOT_FOUND};
    UNICODE_STRING name{};
    if (!calls.ntPath(ToWin(path).c_str(), &name, nullptr, nullptr)) return {nullptr, ERROR_PATH_NOT_FOUND};
    const auto freeName = ScopeExit([&] { calls.freeString(&name); });
    OBJECT_ATTRIBUTES attributes{};
    InitializeObjectAttributes(&attributes, &name, OBJ_CASE_INSENSITIVE, nullptr, security.get());
    // Listing access, so that the sharing mode counts; read and write shared
    // (files come and go inside), delete not: the folder can be neither
    // renamed nor removed while it is held.
    ScopedFileHandle folder;
    IO_STATUS_BLOCK status{};
    const NTSTATUS result =
        calls.create(folder.put(),
                     FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES | READ_CONTROL | SYNCHRONIZE,
                     &attributes, &status, nullptr, FILE_ATTRIBUTE_NORMAL, FILE_SHARE_READ | FILE_SHARE_WRITE,
                     FILE_CREATE, FILE_DIRECTORY_FILE | FILE_SYNCHRONOUS_IO_NONALERT, nullptr, 0);
    if (result < 0) return {nullptr, calls.toError(result)};
    return {std::make_unique<HeldFolder>(std::move(folder)), ERROR_SUCCESS};
}

CreatedFile WorkFiles::CreateTempFile(std::u16string_view folder, std::u16string_view prefix) {
    wchar_t name[MAX_PATH] = {};
    if (::GetTempFileNameW(ToWin(folder).c_str(), ToWin(prefix).c_str(), 0, name) == 0) return {};
    // Others may read but never write, delete or rename it.
    ScopedFileHandle file(::CreateFileW(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_TEMPORARY, nullptr));
    if (!file) return {};
    return {std::make_unique<DownloadFile>(std::move(file)), FromWin(name)};
}

std::unique_ptr<ISealedFile> WorkFiles::OpenSealed(std::u16string_view path) {
    ScopedFileHandle file(::CreateFileW(ToWin(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return nullptr;
    return std::make_unique<SealedFile>(std::move(file));
}

namespace {

// An entry of the tree, opened as itself (FILE_FLAG_OPEN_REPARSE_POINT) for
// listing and deleting. Other openers may read and write but not rename or
// delete it while it is held, so a folder keeps its place while its contents
// are removed.
ScopedFileHandle OpenEntry(const std::wstring& path) {
    constexpr DWORD kAccess =
        DELETE | FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES | SYNCHRONIZE;
    return ScopedFileHandle(::CreateFileW(path.c_str(), kAccess, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS,
                                          nullptr));
}

// The names in a folder, listed through its open handle (a search by path
// would need a second open, which the held handle's delete access blocks).
std::optional<std::vector<std::wstring>> ListFolder(HANDLE folder) {
    std::vector<std::wstring> names;
    std::vector<std::uint64_t> buffer(8192);  // 64 KiB, aligned for the records
    for (;;) {
        if (!::GetFileInformationByHandleEx(folder, FileIdBothDirectoryInfo, buffer.data(),
                                            static_cast<DWORD>(buffer.size() * sizeof(std::uint64_t)))) {
            if (::GetLastError() == ERROR_NO_MORE_FILES) return names;
            return std::nullopt;
        }
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(buffer.data());
        for (;;) {
            const auto* entry = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(bytes);
            const std::wstring name(entry->FileName, entry->FileNameLength / sizeof(wchar_t));
            if (name != L"." && name != L"..") names.push_back(name);
            if (entry->NextEntryOffset == 0) break;
            bytes += entry->NextEntryOffset;
        }
    }
}

bool RemoveOpenEntry(HANDLE handle, const std::wstring& path, const std::u16string& finalPath);

// Removes what `folder` (held open as `handle`, final path `finalPath`)
// holds.
bool RemoveContents(HANDLE handle, const std::wstring& folder, const std::u16string& finalPath) {
    const std::optional<std::vector<std::wstring>> names = ListFolder(handle);
    if (!names) return false;
    bool all = true;
    for (const std::wstring& name : *names) {
        const std::wstring path = folder + L"\\" + name;
        const ScopedFileHandle entry = OpenEntry(path);
        all = entry && RemoveOpenEntry(entry.get(), path, finalPath + u'\\' + FromWin(name)) && all;
    }
    return all;
}

// A reparse point opened as itself is the link: it goes, what it points to
// stays. Anything else must be where the tree says; an entry whose final
// path leads elsewhere was reached through a link that the system followed
// anyway (Wine does so with Unix symbolic links) and is left alone.
bool RemoveOpenEntry(HANDLE handle, const std::wstring& path, const std::u16string& finalPath) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(handle, &info)) return false;
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return MarkForDeletion(handle);
    if (!SameIgnoringCase(FinalPathOf(handle), finalPath)) return false;
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        if (!RemoveContents(handle, path, finalPath)) return false;
    } else if ((info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0) {
        FILE_BASIC_INFO basic{};
        basic.FileAttributes = (info.dwFileAttributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY)) | FILE_ATTRIBUTE_NORMAL;
        ::SetFileInformationByHandle(handle, FileBasicInfo, &basic, sizeof basic);
    }
    return MarkForDeletion(handle);
}

}  // namespace

bool WorkFiles::RemoveFolderTree(std::u16string_view path) {
    // The long-path form, so that nothing deep inside is out of reach of the
    // 260-character limit.
    std::wstring folder = ToWin(path);
    while (folder.size() > 3 && folder.back() == L'\\') folder.pop_back();
    if (folder.size() > 2 && folder[1] == L':' && folder[2] == L'\\') folder.insert(0, L"\\\\?\\");
    const ScopedFileHandle top = OpenEntry(folder);
    BY_HANDLE_FILE_INFORMATION info{};
    if (!top || !::GetFileInformationByHandle(top.get(), &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        return false;
    }
    // The folder itself is where its own final path says, whatever leads
    // to it; everything inside is measured against that.
    const std::u16string finalPath = FinalPathOf(top.get());
    return !finalPath.empty() && RemoveOpenEntry(top.get(), folder, finalPath);
}

}  // namespace Korvane::PC::Tarnwick::Win32
