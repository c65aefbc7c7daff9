// Text output as the runtime's "a+, ccs= UTF-8" mode writes it: UTF-8, a
// byte-order mark (EF BB BF) before the first text of an empty file, every
// "\n" written as CR LF. Each Write goes to the file in one write, so text
// written whole (one log line, one report block) never interleaves with what
// another process appends to the same file at the same time.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/OutputFiles.h"

namespace Korvane::PC::Tarnwick {

// UTF-16 to UTF-8 with "\n" as CR LF. A lone surrogate becomes U+FFFD.
std::string ToUtf8WithCrLf(std::u16string_view text);

class Utf8TextFile {
public:
    explicit Utf8TextFile(std::unique_ptr<IOutputFile> file) : file_(std::move(file)) {}

    // Write errors are not reported: no output failure changes a run.
    void Write(std::u16string_view text);

private:
    std::unique_ptr<IOutputFile> file_;
    bool checkedEmpty_ = false;
};

}  // namespace Korvane::PC::Tarnwick
