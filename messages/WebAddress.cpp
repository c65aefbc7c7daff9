#include "messages/WebAddress.h"

#include <algorithm>

namespace Korvane::PC::Tarnwick {

bool IsWebAddress(std::u16string_view text) {
    const auto startsWith = [text](std::u16string_view prefix) {
        if (text.size() <= prefix.size()) return false;
        for (std::size_t i = 0; i < prefix.size(); ++i) {
            char16_t c = text[i];
            if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
            if (c != prefix[i]) return false;
        }
        return true;
    };
    const bool control =
        std::any_of(text.begin(), text.end(), [](char16_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); });
    return !control && (startsWith(u"http://") || startsWith(u"https://"));
}

bool MayOpenLink(IRunAccount& account, std::u16string_view text) {
    return IsWebAddress(text) && MayOpenBrowser(account.Read());
}

}  // namespace Korvane::PC::Tarnwick
