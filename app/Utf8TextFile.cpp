#include "app/Utf8TextFile.h"

#include "common/Utf8.h"

namespace Korvane::PC::Tarnwick {

std::string ToUtf8WithCrLf(std::u16string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 2);
    ForEachCodePoint(text, [&](char32_t c) {
        if (c == u'\n') {
            out += "\r\n";
        } else {
            AppendUtf8(out, c);
        }
    });
    return out;
}

void Utf8TextFile::Write(std::u16string_view text) {
    if (!file_) return;
    std::string bytes;
    // Whether the file is empty is asked right before its first write, so
    // the mark goes out in the same write as the first text.
    if (!checkedEmpty_) {
        checkedEmpty_ = true;
        if (file_->IsEmpty()) bytes = "\xEF\xBB\xBF";
    }
    bytes += ToUtf8WithCrLf(text);
    // Not reported: the log and the report never change a run's exit code.
    (void)file_->Write({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
}

}  // namespace Korvane::PC::Tarnwick
