// IFiles over the file and shell path calls and the thread's last error.
#pragma once

#include "platform/Files.h"

namespace Korvane::PC::Tarnwick::Win32 {

class Files : public IFiles {
public:
    std::optional<std::uint32_t> GetFileAttributes(std::u16string_view path) override;
    std::optional<std::u16string> ReplaceFileName(std::u16string_view path, std::u16string_view fileName) override;
    std::unique_ptr<IOpenFile> OpenReadDenyWrite(std::u16string_view path) override;
    void SetLastError(std::uint32_t error) override;
    std::uint32_t GetLastError() override;
};

}  // namespace Korvane::PC::Tarnwick::Win32
