// The work folder of an update job and the files in it: the temporary-files
// path, a folder that only the system, the administrators and the running
// user may change, the download file, and the package and the tool held open
// so that nobody can change, rename or replace them until they have started.
//
// Holds: the folder is held from the moment it is made until just before it
// is removed, without delete sharing, so it cannot be renamed or replaced by
// another folder of the same name (its parent, the user's own temporary
// folder, would let the user do either). The download file is never open
// for delete by anyone else from its creation on, and never open for writing
// by anyone else once it is sealed; the tool is held the same way from the
// moment the package has unpacked it.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/ErrorCodes.h"  // the errors its results report

namespace Korvane::PC::Tarnwick {

// A file opened for reading that denies writing and deleting to every other
// opener while it is open; reading and starting it as a program are still
// allowed.
class ISealedFile {
public:
    virtual ~ISealedFile() = default;
    // GetFileSizeEx; nullopt on failure.
    [[nodiscard]] virtual std::optional<std::uint64_t> Size() = 0;
    // ReadFile into `buffer` from the current position; the count read (0
    // at the end), nullopt on failure.
    [[nodiscard]] virtual std::optional<std::uint32_t> Read(std::span<std::uint8_t> buffer) = 0;
    // Where the open file really is (GetFinalPathNameByHandleW, in the plain
    // "C:\..." form); empty on failure. Start the file by this path while it
    // is held: it names the file that was checked.
    [[nodiscard]] virtual std::u16string FinalPath() = 0;
};

// The download file, open for reading and writing; others may read it but
// neither write nor delete nor rename it. Destroying the object closes the
// file.
class IDownloadFile {
public:
    virtual ~IDownloadFile() = default;
    // WriteFile of the whole piece (not overlapped); false on failure.
    [[nodiscard]] virtual bool Write(std::span<const std::uint8_t> piece) = 0;
    // Moves the file pointer to the beginning (SetFilePointer, FILE_BEGIN)
    // and cuts the file there (SetEndOfFile).
    [[nodiscard]] virtual bool Truncate() = 0;
    // Ends the writing: the same file, opened again through this handle
    // (never by its name) for reading from its start, sealed. It stays
    // undeletable throughout and admits no other writer from the moment the
    // sealed handle exists; in the instant of the hand-over only a writer
    // the folder's access list admits could write, and only before the
    // caller's check through the sealed handle. This object writes no more
    // afterwards. Null on failure.
    [[nodiscard]] virtual std::unique_ptr<ISealedFile> Seal() = 0;
};

// The work folder, held open without delete sharing: while this object
// lives, nobody can rename, remove or replace the folder (nor, on Windows,
// any folder above it). Destroying it lets go.
class IHeldFolder {
public:
    virtual ~IHeldFolder() = default;
    // Where the held folder really is, in the plain "C:\..." form; empty on
    // failure.
    [[nodiscard]] virtual std::u16string FinalPath() = 0;
};

struct CreatedFolder {
    std::unique_ptr<IHeldFolder> folder;  // null on failure
    std::uint32_t error = kErrorSuccess;  // the platform error on failure
};

struct CreatedFile {
    std::unique_ptr<IDownloadFile> file;  // null on failure
    std::u16string path;
};

// Who besides SYSTEM and the Administrators group may use a private folder.
// An elevated or SYSTEM run leaves the user out: the user's unelevated
// programs must not change what such a run starts.
enum class FolderAccess { kRunningUserToo, kAdministratorsOnly };

class IWorkFiles {
public:
    virtual ~IWorkFiles() = default;
    // GetTempPathW into a buffer of 261 characters; nullopt when it returns 0.
    [[nodiscard]] virtual std::optional<std::u16string> TempPath() = 0;
    // PathAppendW(base, name) in a buffer of 260 characters; nullopt when it
    // fails.
    [[nodiscard]] virtual std::optional<std::u16string> AppendPath(std::u16string_view base,
                                                                   std::u16string_view name) = 0;
    // Makes a new folder with a protected access list that is inherited by
    // everything inside and grants access only to SYSTEM, the Administrators
    // group and, with FolderAccess::kRunningUserToo, the running user, and
    // holds it in the same call (no moment in which it exists unheld). The
    // error is ERROR_ALREADY_EXISTS when the name is taken.
    [[nodiscard]] virtual CreatedFolder CreatePrivateFolder(std::u16string_view path, FolderAccess access) = 0;
    // GetTempFileNameW(folder, prefix, 0) (the system picks the number and
    // creates the file), then CreateFileW(GENERIC_READ | GENERIC_WRITE, read
    // sharing only, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY). A null file
    // when either fails.
    [[nodiscard]] virtual CreatedFile CreateTempFile(std::u16string_view folder, std::u16string_view prefix) = 0;
    // Opens the file (not a folder) `path` for reading with read sharing
    // only; null on failure.
    [[nodiscard]] virtual std::unique_ptr<ISealedFile> OpenSealed(std::u16string_view path) = 0;
    // Removes the folder `path` with everything in it by direct file calls
    // (no command interpreter, so nothing in the path is expanded). A
    // reparse point inside it (a junction, a symbolic link, a mount point)
    // is removed as the link itself and never followed: what it points to
    // stays untouched. Read-only files inside are removed too. False when
    // anything is left, also when the folder is still held.
    [[nodiscard]] virtual bool RemoveFolderTree(std::u16string_view path) = 0;
};

}  // namespace Korvane::PC::Tarnwick
