#include "definitions/TemplateInserts.h"

#include <variant>

namespace Korvane::PC::Tarnwick {
namespace {

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

enum class InsertKind { kInvalid, kText, kNumber };

// The kind of argument a format between the two '!' reads.
InsertKind KindOf(std::u16string_view format) {
    std::size_t i = 0;
    while (i < format.size() && std::u16string_view(u"-+ #0").find(format[i]) != std::u16string_view::npos) ++i;
    while (i < format.size() && IsDigit(format[i])) ++i;
    if (i < format.size() && format[i] == u'.') {
        ++i;
        while (i < format.size() && IsDigit(format[i])) ++i;
    }
    if (i < format.size() && (format[i] == u'h' || format[i] == u'l' || format[i] == u'w')) ++i;
    if (i + 1 != format.size()) return InsertKind::kInvalid;
    switch (format[i]) {
        case u's': case u'S':
            return InsertKind::kText;
        case u'u': case u'd': case u'i': case u'x': case u'X': case u'o': case u'c': case u'C':
            return InsertKind::kNumber;
        default:
            return InsertKind::kInvalid;
    }
}

}  // namespace

bool InsertsFitArguments(std::u16string_view text, std::span<const FormatArgument> arguments) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != u'%') continue;
        if (++i >= text.size()) return true;  // a lone '%' at the end: the expansion fails by itself
        const char16_t next = text[i];
        if (next == u'0') return true;  // the message ends here
        if (!IsDigit(next)) continue;   // an escape
        std::size_t number = next - u'0';
        if (i + 1 < text.size() && IsDigit(text[i + 1])) number = number * 10 + (text[++i] - u'0');
        InsertKind kind = InsertKind::kText;
        if (i + 1 < text.size() && text[i + 1] == u'!') {
            const std::size_t close = text.find(u'!', i + 2);
            if (close == std::u16string_view::npos) return false;
            kind = KindOf(text.substr(i + 2, close - (i + 2)));
            i = close;
        }
        if (kind == InsertKind::kInvalid || number > arguments.size()) return false;
        const bool isText = std::holds_alternative<std::u16string_view>(arguments[number - 1]);
        if (isText != (kind == InsertKind::kText)) return false;
    }
    return true;
}

}  // namespace Korvane::PC::Tarnwick
