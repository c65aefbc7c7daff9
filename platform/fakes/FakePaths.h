// Test twin of IPaths. Combine joins as PathCombineW does on backslashed
// paths: one backslash between, a file with a drive or a "\\" start
// replaces the folder, a file with one leading backslash goes onto the
// folder's root ("C:\" or "\\server\share\"), "." and ".." folded, an empty
// file gives the folder, and nullopt when the result would not fit in 260
// characters. It does not model forward slashes, "\\?\" paths, doubled or
// trailing backslashes or a ".." above the root. Append joins with one backslash. A pattern matches when a
// listed entry starts with the pattern's text before its '*'.
#pragma once

#include <algorithm>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Paths.h"

namespace Korvane::PC::Tarnwick {

class FakePaths : public IPaths {
public:
    std::set<std::u16string> entries;         // files and folders that exist, full paths
    std::vector<std::u16string> searches;     // patterns searched for

    std::optional<std::u16string> Combine(std::u16string_view folder, std::u16string_view file) override {
        std::u16string joined;
        if (file.empty()) {
            joined = folder;
        } else if (folder.empty() || (file.size() > 1 && file[1] == u':') || file.starts_with(u"\\\\")) {
            joined = file;
        } else if (file.front() == u'\\') {
            joined = std::u16string(RootOf(folder)) + std::u16string(file.substr(1));
        } else {
            joined = folder;
            if (joined.back() != u'\\') joined += u'\\';
            joined += file;
        }
        std::u16string folded = Folded(joined);
        if (folded.size() >= 260) return std::nullopt;
        return folded;
    }
    std::optional<std::u16string> Append(std::u16string_view base, std::u16string_view more,
                                         std::uint32_t /*bufferChars*/) override {
        while (!more.empty() && more.front() == u'\\') more.remove_prefix(1);
        std::u16string result(base);
        if (!result.empty() && result.back() != u'\\') result += u'\\';
        return result += more;
    }
    bool AnyMatch(std::u16string_view pattern) override {
        searches.emplace_back(pattern);
        const std::u16string_view prefix = pattern.substr(0, pattern.find(u'*'));
        for (const std::u16string& entry : entries) {
            if (std::u16string_view(entry).starts_with(prefix)) return true;
        }
        return false;
    }

private:
    // "C:\" of "C:\a\b", "\\server\share\" of "\\server\share\a"; empty for a
    // relative folder.
    static std::u16string_view RootOf(std::u16string_view path) {
        if (path.size() >= 2 && path[1] == u':') return path.substr(0, std::min<std::size_t>(3, path.size()));
        if (!path.starts_with(u"\\\\")) return {};
        std::size_t end = path.find(u'\\', 2);
        if (end != std::u16string_view::npos) end = path.find(u'\\', end + 1);
        return end == std::u16string_view::npos ? path : path.substr(0, end + 1);
    }
    // "." elements dropped and each ".." taking the element before it away
    // (never the root's).
    static std::u16string Folded(std::u16string_view path) {
        const std::u16string_view root = RootOf(path);
        std::vector<std::u16string_view> parts;
        std::u16string_view rest = path.substr(root.size());
        while (!rest.empty()) {
            const std::size_t slash = rest.find(u'\\');
            const std::u16string_view part = rest.substr(0, slash);
            rest = slash == std::u16string_view::npos ? std::u16string_view{} : rest.substr(slash + 1);
            if (part == u"..") {
                if (!parts.empty()) parts.pop_back();
            } else if (part != u"." && !(part.empty() && !rest.empty())) {
                parts.push_back(part);
            }
        }
        std::u16string folded(root);
        for (std::size_t i = 0; i < parts.size(); ++i) {
            if (i > 0) folded += u'\\';
            folded += parts[i];
        }
        return folded;
    }
};

}  // namespace Korvane::PC::Tarnwick
