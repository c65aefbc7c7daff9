// Files the program writes for an administrator or a build: the log, the
// report and the release file.
//
// A tool that may run as SYSTEM must not write through a link that someone
// else placed, nor create a file anywhere a link leads, even for a moment.
// Both opens therefore open the folder the path names first and hold it
// (no delete sharing, so it can be neither renamed nor removed meanwhile);
// on a local volume that folder must be where the path says (its final
// path, every junction, symbolic link, mount point or drive alias on the
// way resolved, equals the folder asked for), or nothing is created. The
// file is then opened relative to the held folder by its last component
// only, as itself (a link there is opened as the link), and refused when it
// is a reparse point, a folder, read-only, has more than one hard link or is
// not where the whole path says. A file this open created and then refuses
// is removed through its own handle. Nothing is written or emptied before
// these checks. A file on a share is left to the share's own rights.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

namespace Korvane::PC::Tarnwick {

// An open output file. Destroying it closes the file.
class IOutputFile {
public:
    virtual ~IOutputFile() = default;
    // True when the file holds no bytes at the moment of the call.
    virtual bool IsEmpty() = 0;
    // One WriteFile of all of `bytes`; false when it failed or wrote less.
    [[nodiscard]] virtual bool Write(std::span<const std::uint8_t> bytes) = 0;
};

class IOutputFiles {
public:
    virtual ~IOutputFiles() = default;
    // Opens for appending only (FILE_APPEND_DATA), sharing read and write,
    // created when missing: every write lands at the end of the file as it
    // is at that moment, so writers of other processes never overwrite each
    // other, and each write arrives whole. Null when the file cannot be
    // opened or is refused (see above).
    [[nodiscard]] virtual std::unique_ptr<IOutputFile> OpenForAppend(std::u16string_view path) = 0;
    // Opens for writing from the start, created when missing and emptied when
    // present, sharing read. Null when the file cannot be opened or is
    // refused.
    [[nodiscard]] virtual std::unique_ptr<IOutputFile> OpenForRewrite(std::u16string_view path) = 0;
};

}  // namespace Korvane::PC::Tarnwick
