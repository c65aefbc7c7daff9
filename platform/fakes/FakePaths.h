// Test twin of IPaths. Joins with one backslash; an empty file gives the
// folder, a file with a drive or a leading backslash replaces it. Does not
// model "." / ".." removal or the 260-character limit. A pattern matches
// when a listed entry starts with the pattern's text before its '*'.
#pragma once

#include <set>
#include <vector>

#include "platform/Paths.h"

namespace Korvane::PC::Tarnwick {

class FakePaths : public IPaths {
public:
    std::set<std::u16string> entries;         // files and folders that exist, full paths
    std::vector<std::u16string> searches;     // patterns searched for

    std::optional<std::u16string> Combine(std::u16string_view folder, std::u16string_view file) override {
        if (file.empty()) return std::u16string(folder);
        if (file.front() == u'\\' || (file.size() > 1 && file[1] == u':')) return std::u16string(file);
        std::u16string result(folder);
        if (!result.empty() && result.back() != u'\\') result += u'\\';
        return result += file;
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
};

}  // namespace Korvane::PC::Tarnwick
