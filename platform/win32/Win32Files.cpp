// Files by path: attributes, the folder-relative name, a file held open
// against writers, and the thread's last error.
#include <windows.h>
#include <shlwapi.h>

#include <algorithm>
#include <utility>

#include "platform/win32/ScopedHandle.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32Files.h"

namespace Korvane::PC::Tarnwick::Win32 {

std::optional<std::uint32_t> Files::GetFileAttributes(std::u16string_view path) {
    const DWORD attributes = ::GetFileAttributesW(ToWin(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return std::nullopt;
    return attributes;
}

std::optional<std::u16string> Files::ReplaceFileName(std::u16string_view path, std::u16string_view fileName) {
    if (path.size() >= MAX_PATH) return std::nullopt;
    wchar_t buffer[MAX_PATH] = {};
    std::copy(path.begin(), path.end(), buffer);
    ::PathRemoveFileSpecW(buffer);
    if (!::PathAppendW(buffer, ToWin(fileName).c_str())) return std::nullopt;
    return FromWin(buffer);
}

namespace {

class OpenFile : public IOpenFile {
public:
    explicit OpenFile(ScopedFileHandle handle) : handle_(std::move(handle)) {}
    void* NativeHandle() const override { return handle_.get(); }

private:
    ScopedFileHandle handle_;
};

}  // namespace

std::unique_ptr<IOpenFile> Files::OpenReadDenyWrite(std::u16string_view path) {
    ScopedFileHandle handle(::CreateFileW(ToWin(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle) return nullptr;
    return std::make_unique<OpenFile>(std::move(handle));
}

void Files::SetLastError(std::uint32_t error) { ::SetLastError(error); }

std::uint32_t Files::GetLastError() { return ::GetLastError(); }

}  // namespace Korvane::PC::Tarnwick::Win32
