// Test twin of IOutputFiles: files as byte vectors in memory, with every
// write kept as its own piece so tests can see how output was split. Does
// not model folders, sharing, concurrent writers or the link checks
// themselves: a path in `refused` simply cannot be opened.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/OutputFiles.h"

namespace Korvane::PC::Tarnwick {

class FakeOutputFiles : public IOutputFiles {
public:
    struct File {
        std::vector<std::uint8_t> bytes;
        std::vector<std::vector<std::uint8_t>> writes;
    };
    std::map<std::u16string, File> files;
    std::set<std::u16string> refused;
    std::vector<std::string> opens;  // "append:<path>" / "rewrite:<path>", ASCII paths only

    std::unique_ptr<IOutputFile> OpenForAppend(std::u16string_view path) override { return Open(path, false); }
    std::unique_ptr<IOutputFile> OpenForRewrite(std::u16string_view path) override { return Open(path, true); }

    std::string Text(const std::u16string& path) const {
        const auto it = files.find(path);
        return it == files.end() ? std::string() : std::string(it->second.bytes.begin(), it->second.bytes.end());
    }

private:
    class OpenFile : public IOutputFile {
    public:
        explicit OpenFile(File& file) : file_(file) {}
        bool IsEmpty() override { return file_.bytes.empty(); }
        bool Write(std::span<const std::uint8_t> bytes) override {
            file_.bytes.insert(file_.bytes.end(), bytes.begin(), bytes.end());
            file_.writes.emplace_back(bytes.begin(), bytes.end());
            return true;
        }

    private:
        File& file_;
    };

    std::unique_ptr<IOutputFile> Open(std::u16string_view path, bool rewrite) {
        opens.push_back((rewrite ? "rewrite:" : "append:") + std::string(path.begin(), path.end()));
        if (refused.contains(std::u16string(path))) return nullptr;
        File& file = files[std::u16string(path)];
        if (rewrite) file = File{};
        return std::make_unique<OpenFile>(file);
    }
};

}  // namespace Korvane::PC::Tarnwick
