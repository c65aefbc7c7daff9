// IWorkFiles: the job's private work folder and its files, held open.
#pragma once

#include "platform/WorkFiles.h"

namespace Korvane::PC::Tarnwick::Win32 {

class WorkFiles : public IWorkFiles {
public:
    std::optional<std::u16string> TempPath() override;
    std::optional<std::u16string> AppendPath(std::u16string_view base, std::u16string_view name) override;
    CreatedFolder CreatePrivateFolder(std::u16string_view path, FolderAccess access) override;
    CreatedFile CreateTempFile(std::u16string_view folder, std::u16string_view prefix) override;
    std::unique_ptr<ISealedFile> OpenSealed(std::u16string_view path) override;
    bool RemoveFolderTree(std::u16string_view path) override;
};

}  // namespace Korvane::PC::Tarnwick::Win32
