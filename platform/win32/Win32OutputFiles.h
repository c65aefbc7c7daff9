// IOutputFiles: the log, the report and the release file, opened through
// their held folder.
#pragma once

#include "platform/OutputFiles.h"

namespace Korvane::PC::Tarnwick::Win32 {

class OutputFiles : public IOutputFiles {
public:
    std::unique_ptr<IOutputFile> OpenForAppend(std::u16string_view path) override;
    std::unique_ptr<IOutputFile> OpenForRewrite(std::u16string_view path) override;
};

}  // namespace Korvane::PC::Tarnwick::Win32
