#include "common/FinalPath.h"

namespace Korvane::PC::Tarnwick {

std::u16string WithoutLongPathPrefix(std::u16string_view path) {
    std::u16string plain;
    if (path.starts_with(u"\\\\?\\UNC\\")) {
        plain = u"\\\\";
        plain += path.substr(8);
    } else if (path.starts_with(u"\\\\?\\") || path.starts_with(u"\\\\.\\") || path.starts_with(u"\\??\\")) {
        plain = path.substr(4);
    } else {
        plain = path;
    }
    if (plain.size() > 3 && plain.back() == u'\\') plain.pop_back();
    return plain;
}

PathAgreement CompareFinalPath(std::u16string_view asked, std::u16string_view final, bool remoteDrive,
                               const std::function<bool(std::u16string_view, std::u16string_view)>& sameIgnoringCase) {
    const std::u16string plainAsked = WithoutLongPathPrefix(asked);
    if (remoteDrive || plainAsked.starts_with(u"\\\\")) return PathAgreement::kNetwork;
    const std::u16string plainFinal = WithoutLongPathPrefix(final);
    if (plainAsked.empty() || plainFinal.empty()) return PathAgreement::kDiffers;
    return sameIgnoringCase(plainAsked, plainFinal) ? PathAgreement::kSame : PathAgreement::kDiffers;
}

}  // namespace Korvane::PC::Tarnwick
