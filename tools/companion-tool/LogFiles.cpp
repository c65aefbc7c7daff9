#include "tools/companion-tool/LogFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <io.h>
#include <process.h>
#else
#include <unistd.h>
#endif

namespace Korvane::PC::Tarnwick::Companion {
namespace {

namespace fs = std::filesystem;

#ifdef _WIN32
constexpr int kReadFlags = _O_RDONLY | _O_BINARY | _O_NOINHERIT;
int CurrentProcessId() { return _getpid(); }
#else
// Non-blocking, so that opening a FIFO does not wait for its writer; the
// flag is taken off again once the file is known to be a regular file.
constexpr int kReadFlags = O_RDONLY | O_NONBLOCK | O_CLOEXEC;
int CurrentProcessId() { return static_cast<int>(getpid()); }
#endif

std::int64_t Packed(const std::tm& t) {
    return ((((static_cast<std::int64_t>(t.tm_year + 1900) * 100 + t.tm_mon + 1) * 100 + t.tm_mday) * 100 + t.tm_hour) *
                100 +
            t.tm_min) *
               100 +
           t.tm_sec;
}

std::int64_t LocalTime(std::time_t time) {
    std::tm local{};
#ifdef _WIN32
    if (localtime_s(&local, &time) != 0) return 0;
#else
    if (!localtime_r(&time, &local)) return 0;
#endif
    return Packed(local);
}

}  // namespace

OwnedFile OpenRegularFile(const std::string& path, std::ostream& err) {
    const int fd = ::open(path.c_str(), kReadFlags);
    if (fd < 0) {
        err << "tarnwick-companion: " << path << ": cannot open the log: " << std::strerror(errno) << "\n";
        return nullptr;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        const char* what = S_ISDIR(info.st_mode)   ? "a folder"
                           : S_ISFIFO(info.st_mode) ? "a pipe"
                           : S_ISCHR(info.st_mode)  ? "a device"
                                                    : "not a regular file";
        err << "tarnwick-companion: " << path << ": not read: " << what
            << " (only regular files are read; give - for standard input)\n";
        ::close(fd);
        return nullptr;
    }
#ifndef _WIN32
    (void)::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);  // a regular file never blocks anyway
#endif
    std::FILE* file = ::fdopen(fd, "rb");
    if (!file) {
        err << "tarnwick-companion: " << path << ": cannot open the log: " << std::strerror(errno) << "\n";
        ::close(fd);
        return nullptr;
    }
    return OwnedFile(file);
}

std::int64_t ModificationTime(std::FILE* file) {
    struct stat info {};
    if (::fstat(::fileno(file), &info) != 0) return 0;
    return LocalTime(info.st_mtime);
}

std::int64_t LocalTimeNow() { return LocalTime(std::time(nullptr)); }

bool SameFile(const std::string& a, const std::string& b) {
    std::error_code error;
    return fs::equivalent(fs::path(a), fs::path(b), error) && !error;
}

OutputFile::OutputFile(std::string path) : path_(std::move(path)) {}

OutputFile::~OutputFile() {
    if (stream_.is_open()) stream_.close();
    if (!committed_ && !temporary_.empty()) {
        std::error_code ignored;
        fs::remove(fs::path(temporary_), ignored);
    }
}

bool OutputFile::Open(std::ostream& err) {
    // A name of its own beside the target (same folder, so the rename stays
    // on one volume), made exclusively so that nothing else's file is reused.
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = path_;
        name += ".tmp";
        name += std::to_string(CurrentProcessId());
        if (attempt) {
            name += '-';
            name += std::to_string(attempt);
        }
#ifdef _WIN32
        const int fd = ::_open(name.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
#else
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
#endif
        if (fd < 0) {
            if (errno == EEXIST) continue;
            err << "tarnwick-companion: " << path_ << ": cannot write: " << std::strerror(errno) << "\n";
            return false;
        }
        ::close(fd);
        temporary_ = name;
        stream_.open(temporary_, std::ios::binary | std::ios::trunc);
        if (!stream_) {
            err << "tarnwick-companion: " << path_ << ": cannot write\n";
            return false;
        }
        return true;
    }
    err << "tarnwick-companion: " << path_ << ": cannot make a temporary file beside it\n";
    return false;
}

bool OutputFile::Commit(std::ostream& err) {
    stream_.close();
    if (!stream_) {
        err << "tarnwick-companion: " << path_ << ": cannot write\n";
        return false;
    }
    std::error_code error;
    fs::rename(fs::path(temporary_), fs::path(path_), error);
    if (error) {
        err << "tarnwick-companion: " << path_ << ": cannot put the file in place: " << error.message() << "\n";
        return false;
    }
    committed_ = true;
    return true;
}

}  // namespace Korvane::PC::Tarnwick::Companion
