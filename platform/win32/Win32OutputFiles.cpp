// The log, report and release files: opened as themselves, never through a
// link, and refused (ERROR_ACCESS_DENIED) when they are a reparse point, a
// folder, read-only or have more than one hard link.
#include <windows.h>

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

// The file itself, never what a link points to; checked through the handle,
// so nothing can be swapped in between.
ScopedFileHandle OpenOwnFile(std::u16string_view path, DWORD access, DWORD share) {
    ScopedFileHandle file(::CreateFileW(ToWin(path).c_str(), access | FILE_READ_ATTRIBUTES | SYNCHRONIZE, share,
                                        nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT,
                                        nullptr));
    if (!file) return {};
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(file.get(), &info)) return {};
    // Windows itself refuses write access to a read-only file; Wine running
    // as root does not, so the check is made here too.
    constexpr DWORD kRefused = FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY;
    if ((info.dwFileAttributes & kRefused) != 0 || info.nNumberOfLinks > 1) {
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
    ScopedFileHandle file = OpenOwnFile(path, GENERIC_WRITE, FILE_SHARE_READ);
    if (!file || !::SetEndOfFile(file.get())) return nullptr;
    return std::make_unique<OutputFile>(std::move(file));
}

}  // namespace Korvane::PC::Tarnwick::Win32
