// Files the program writes for an administrator or a build: the log, the
// report and the release file.
//
// A tool that may run as SYSTEM must not write through a link that someone
// else placed, so both opens refuse a path that is a reparse point (a
// symbolic link, a junction, a mount point) or a file with more than one hard
// link; the file is opened as itself (FILE_FLAG_OPEN_REPARSE_POINT) and
// checked through the open handle, so nothing is followed in between.
// On a local volume the file must also be where the whole path says: when
// its final path (every junction, symbolic link or drive alias on the way
// resolved) differs from the full path asked for, the open is refused, and
// the file is removed again if this open created it; nothing is written or
// emptied before. A file on a share is left to the share's own rights.
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
