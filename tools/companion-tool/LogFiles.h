// The files of `logs`: inputs that are only ever regular files (a FIFO
// without a writer or a device would hang the command or never end), and
// outputs that never land on an input and never leave a half-written file:
// each is written beside its place under a temporary name and renamed into
// place when whole.
#pragma once

#include <cstdio>
#include <fstream>
#include <memory>
#include <ostream>
#include <string>

namespace Korvane::PC::Tarnwick::Companion {

// Closes the stream it owns.
struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using OwnedFile = std::unique_ptr<std::FILE, FileCloser>;

// Opens `path` for reading when it is a regular file; otherwise null, with
// a message on `err`. Opening never waits for a writer.
OwnedFile OpenRegularFile(const std::string& path, std::ostream& err);

// The modification time of an open file as a local time YYYYMMDDhhmmss; 0
// when it cannot be told.
std::int64_t ModificationTime(std::FILE* file);
// The local time now, as the same number.
std::int64_t LocalTimeNow();

// Whether two paths name the same file (not the same text: the same file on
// disk, through any link or spelling). False when either does not exist.
bool SameFile(const std::string& a, const std::string& b);

// A file written under a temporary name beside `path` and renamed over it by
// Commit; dropped without Commit, the temporary file is removed and `path`
// is left as it was.
class OutputFile {
public:
    explicit OutputFile(std::string path);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // False, with a message on `err`, when the temporary file cannot be made.
    [[nodiscard]] bool Open(std::ostream& err);
    std::ostream& stream() { return stream_; }
    // False, with a message on `err`, when the data cannot be written whole or
    // the file cannot take its place.
    [[nodiscard]] bool Commit(std::ostream& err);

private:
    std::string path_, temporary_;
    std::ofstream stream_;
    bool committed_ = false;
};

}  // namespace Korvane::PC::Tarnwick::Companion
