// Test twin of IShell: the folder part of a path and scripted launches
// (FakeProcessScript: whether the shell starts it, how the wait ends, its
// exit code). Does not model file associations.
#pragma once

#include <deque>
#include <vector>

#include "platform/Shell.h"
#include "platform/fakes/FakeProcesses.h"

namespace Korvane::PC::Tarnwick {

class FakeShell : public IShell {
public:
    std::vector<ShellLaunch> launches;
    std::deque<FakeProcessScript> scripts;  // one per launch; default: started, ended with 0

    std::u16string RemoveFileSpec(std::u16string_view path) override {
        const auto slash = path.find_last_of(u'\\');
        return std::u16string(slash == std::u16string_view::npos ? std::u16string_view{} : path.substr(0, slash));
    }
    ShellLaunchResult Execute(const ShellLaunch& launch) override {
        launches.push_back(launch);
        FakeProcessScript script;
        if (!scripts.empty()) {
            script = scripts.front();
            scripts.pop_front();
        }
        if (!script.starts) return {};
        return {true, std::make_unique<FakeProcess>(script)};
    }
};

}  // namespace Korvane::PC::Tarnwick
