// Test twin of IEnvironment: %NAME% references replaced from a map. Does not
// model the buffer limit (beyond cutting the result to `bufferChars - 1`),
// case-insensitive names or the rule that an unknown reference stays as it
// is.
#pragma once

#include <map>
#include <vector>

#include "platform/Environment.h"

namespace Korvane::PC::Tarnwick {

class FakeEnvironment : public IEnvironment {
public:
    std::map<std::u16string, std::u16string> variables{{u"SystemRoot", u"C:\\Windows"}};
    std::optional<std::u16string> systemFolder = u"C:\\Windows\\system32";
    std::vector<std::u16string> expanded;  // texts asked for, in order

    std::u16string ExpandEnvironmentStrings(std::u16string_view text, std::uint32_t bufferChars) override {
        expanded.emplace_back(text);
        std::u16string result;
        for (std::size_t i = 0; i < text.size();) {
            const std::size_t end = text[i] == u'%' ? text.find(u'%', i + 1) : std::u16string_view::npos;
            const auto it = end == std::u16string_view::npos ? variables.end()
                                                              : variables.find(std::u16string(text.substr(i + 1, end - i - 1)));
            if (it != variables.end()) {
                result += it->second;
                i = end + 1;
            } else {
                result += text[i++];
            }
        }
        if (bufferChars > 0 && result.size() >= bufferChars) result.resize(bufferChars - 1);
        return result;
    }
    std::optional<std::u16string> SystemFolder() override { return systemFolder; }
};

}  // namespace Korvane::PC::Tarnwick
