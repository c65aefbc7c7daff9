// Test twin of IFiles and the open files it hands out.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/Files.h"

namespace Korvane::PC::Tarnwick {

// Files as attributes by path. Opening succeeds for every path that has
// attributes and is not in `unopenable`; the fake does not model sharing.
class FakeFiles : public IFiles {
public:
    class OpenFile : public IOpenFile {
    public:
        explicit OpenFile(int& openNow, std::u16string openedAs = {})
            : path(std::move(openedAs)), openNow_(openNow) { ++openNow_; }
        ~OpenFile() override { --openNow_; }
        void* NativeHandle() const override { return const_cast<OpenFile*>(this); }
        const std::u16string path;  // as it was opened

    private:
        int& openNow_;
    };

    std::map<std::u16string, std::uint32_t> attributes;  // path -> attributes
    std::set<std::u16string> unopenable;
    std::vector<std::u16string> opens;
    int openNow = 0;  // files opened and not yet closed
    std::uint32_t lastError = 0;
    std::unique_ptr<IOpenFile> OpenReadDenyWrite(std::u16string_view path) override {
        opens.emplace_back(path);
        if (!attributes.contains(std::u16string(path)) || unopenable.contains(std::u16string(path))) {
            lastError = 32;  // ERROR_SHARING_VIOLATION
            return nullptr;
        }
        return std::make_unique<OpenFile>(openNow, std::u16string(path));
    }
    std::optional<std::uint32_t> GetFileAttributes(std::u16string_view path) override {
        const auto it = attributes.find(std::u16string(path));
        if (it == attributes.end()) return std::nullopt;
        return it->second;
    }
    std::optional<std::u16string> ReplaceFileName(std::u16string_view path, std::u16string_view fileName) override {
        const auto slash = path.find_last_of(u"\\/");
        std::u16string result(slash == std::u16string_view::npos ? std::u16string_view{} : path.substr(0, slash));
        if (!result.empty()) result += u'\\';
        result += fileName;
        return result;
    }
    void SetLastError(std::uint32_t error) override { lastError = error; }
    std::uint32_t GetLastError() override { return lastError; }
};

}  // namespace Korvane::PC::Tarnwick
