// Test twin of IWorkFiles: folders and files live in maps keyed by path.
// Does not model access lists, sharing modes or disk space; failures are
// scripted.
#pragma once

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/Sync.h"
#include "platform/WorkFiles.h"

namespace Korvane::PC::Tarnwick {

class FakeWorkFiles : public IWorkFiles {
public:
    std::optional<std::u16string> tempPath = u"C:\\Temp\\";
    std::set<std::u16string> folders;                  // existing folders
    std::map<std::u16string, std::uint32_t> folderErrors;  // path -> error of CreatePrivateFolder
    std::map<std::u16string, std::vector<std::uint8_t>> files;
    std::vector<std::u16string> createdFolders;
    std::vector<std::u16string> removedFolders;
    std::function<void(const std::u16string&)> onRemoveFolder;
    bool tempFileFails = false;
    bool writeFails = false;
    bool openSealedFails = false;
    bool sizeFails = false;
    int openFiles = 0;
    int tempFilesMade = 0;

    std::optional<std::u16string> TempPath() override { return tempPath; }
    std::optional<std::u16string> AppendPath(std::u16string_view base, std::u16string_view name) override {
        std::u16string path(base);
        if (!path.empty() && path.back() != u'\\') path += u'\\';
        return path += name;
    }
    std::vector<FolderAccess> folderAccess;  // of each CreatePrivateFolder call
    std::uint32_t CreatePrivateFolder(std::u16string_view path, FolderAccess access) override {
        folderAccess.push_back(access);
        const std::u16string key(path);
        if (const auto it = folderErrors.find(key); it != folderErrors.end()) return it->second;
        if (!folders.insert(key).second) return kErrorAlreadyExists;
        createdFolders.push_back(key);
        return kErrorSuccess;
    }
    CreatedFile CreateTempFile(std::u16string_view folder, std::u16string_view prefix) override {
        if (tempFileFails) return {};
        std::u16string path(folder);
        path += u'\\';
        path += prefix;
        path += static_cast<char16_t>(u'A' + tempFilesMade++);
        path += u".tmp";
        files[path].clear();
        return {std::make_unique<Download>(*this, files[path]), path};
    }
    // Forgets the folder and the files in it; links are not modelled.
    bool RemoveFolderTree(std::u16string_view path) override {
        const std::u16string key(path);
        removedFolders.push_back(key);
        if (onRemoveFolder) onRemoveFolder(key);
        std::erase_if(files, [&](const auto& file) { return file.first.starts_with(key + u'\\'); });
        return folders.erase(key) == 1;
    }
    std::unique_ptr<ISealedFile> OpenSealed(std::u16string_view path) override {
        const auto it = files.find(std::u16string(path));
        if (openSealedFails || it == files.end()) return nullptr;
        return std::make_unique<Sealed>(*this, it->second);
    }

private:
    class Download : public IDownloadFile {
    public:
        Download(FakeWorkFiles& owner, std::vector<std::uint8_t>& bytes) : owner_(owner), bytes_(bytes) {
            ++owner_.openFiles;
        }
        ~Download() override { --owner_.openFiles; }
        bool Write(std::span<const std::uint8_t> piece) override {
            if (owner_.writeFails) return false;
            bytes_.insert(bytes_.end(), piece.begin(), piece.end());
            return true;
        }
        bool Truncate() override {
            bytes_.clear();
            return true;
        }

    private:
        FakeWorkFiles& owner_;
        std::vector<std::uint8_t>& bytes_;
    };

    class Sealed : public ISealedFile {
    public:
        Sealed(FakeWorkFiles& owner, const std::vector<std::uint8_t>& bytes) : owner_(owner), bytes_(bytes) {
            ++owner_.openFiles;
        }
        ~Sealed() override { --owner_.openFiles; }
        std::optional<std::uint64_t> Size() override {
            if (owner_.sizeFails) return std::nullopt;
            return bytes_.size();
        }
        std::optional<std::uint32_t> Read(std::span<std::uint8_t> buffer) override {
            const std::size_t count = std::min(buffer.size(), bytes_.size() - offset_);
            std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(offset_), count, buffer.begin());
            offset_ += count;
            return static_cast<std::uint32_t>(count);
        }

    private:
        FakeWorkFiles& owner_;
        const std::vector<std::uint8_t>& bytes_;
        std::size_t offset_ = 0;
    };
};

}  // namespace Korvane::PC::Tarnwick
