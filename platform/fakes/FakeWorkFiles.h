// Test twin of IWorkFiles: folders and files live in maps keyed by path.
// Holds are modelled as a journal and one rule: a folder that is still held
// cannot be removed. Does not model access lists, other sharing, links or
// disk space; failures are scripted. What a started package unpacks is not
// modelled either: OpenSealed finds every path not listed in `missing`.
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
    bool sealFails = false;
    bool openSealedFails = false;
    bool sizeFails = false;
    int openFiles = 0;
    int tempFilesMade = 0;
    // Paths OpenSealed does not find, and final paths that differ from the
    // path asked for (a link on the way).
    std::set<std::u16string> missing;
    std::map<std::u16string, std::u16string> finalPaths;
    // "hold PATH", "seal PATH", "release PATH", "remove PATH" in order; the
    // download file's own opening and closing are not listed.
    std::vector<std::string> journal;
    // Called as a hold ends, with its path (to look at what else happened
    // by then).
    std::function<void(const std::u16string&)> onRelease;
    std::set<std::u16string> heldFolders;

    std::optional<std::u16string> TempPath() override { return tempPath; }
    std::optional<std::u16string> AppendPath(std::u16string_view base, std::u16string_view name) override {
        std::u16string path(base);
        if (!path.empty() && path.back() != u'\\') path += u'\\';
        return path += name;
    }
    std::vector<FolderAccess> folderAccess;  // of each CreatePrivateFolder call
    CreatedFolder CreatePrivateFolder(std::u16string_view path, FolderAccess access) override {
        folderAccess.push_back(access);
        const std::u16string key(path);
        if (const auto it = folderErrors.find(key); it != folderErrors.end()) return {nullptr, it->second};
        if (!folders.insert(key).second) return {nullptr, kErrorAlreadyExists};
        createdFolders.push_back(key);
        return {std::make_unique<Held>(*this, key), kErrorSuccess};
    }
    CreatedFile CreateTempFile(std::u16string_view folder, std::u16string_view prefix) override {
        if (tempFileFails) return {};
        std::u16string path(folder);
        path += u'\\';
        path += prefix;
        path += static_cast<char16_t>(u'A' + tempFilesMade++);
        path += u".tmp";
        files[path].clear();
        return {std::make_unique<Download>(*this, path), path};
    }
    // Forgets the folder and the files in it, unless it is still held.
    bool RemoveFolderTree(std::u16string_view path) override {
        const std::u16string key(path);
        removedFolders.push_back(key);
        Note("remove", key);
        if (onRemoveFolder) onRemoveFolder(key);
        if (heldFolders.contains(key)) return false;
        std::erase_if(files, [&](const auto& file) { return file.first.starts_with(key + u'\\'); });
        return folders.erase(key) == 1;
    }
    std::unique_ptr<ISealedFile> OpenSealed(std::u16string_view path) override {
        const std::u16string key(path);
        if (openSealedFails || missing.contains(key)) return nullptr;
        return std::make_unique<Sealed>(*this, key);
    }

    std::u16string FinalPathOf(const std::u16string& path) const {
        const auto it = finalPaths.find(path);
        return it == finalPaths.end() ? path : it->second;
    }

private:
    void Note(const char* what, const std::u16string& path) {
        std::string entry(what);
        entry += ' ';
        for (const char16_t c : path) entry += c < 0x80 ? static_cast<char>(c) : '?';
        journal.push_back(std::move(entry));
    }
    void Release(const std::u16string& path) {
        Note("release", path);
        if (onRelease) onRelease(path);
    }

    class Held : public IHeldFolder {
    public:
        Held(FakeWorkFiles& owner, std::u16string path) : owner_(owner), path_(std::move(path)) {
            owner_.heldFolders.insert(path_);
            owner_.Note("hold", path_);
        }
        ~Held() override {
            owner_.heldFolders.erase(path_);
            owner_.Release(path_);
        }
        std::u16string FinalPath() override { return owner_.FinalPathOf(path_); }

    private:
        FakeWorkFiles& owner_;
        std::u16string path_;
    };

    class Sealed : public ISealedFile {
    public:
        Sealed(FakeWorkFiles& owner, std::u16string path) : owner_(owner), path_(std::move(path)) {
            ++owner_.openFiles;
            owner_.Note("seal", path_);
        }
        ~Sealed() override {
            --owner_.openFiles;
            owner_.Release(path_);
        }
        std::optional<std::uint64_t> Size() override {
            if (owner_.sizeFails) return std::nullopt;
            return Bytes().size();
        }
        std::optional<std::uint32_t> Read(std::span<std::uint8_t> buffer) override {
            const std::vector<std::uint8_t>& bytes = Bytes();
            const std::size_t count = std::min(buffer.size(), bytes.size() - std::min(offset_, bytes.size()));
            std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(offset_), count, buffer.begin());
            offset_ += count;
            return static_cast<std::uint32_t>(count);
        }
        std::u16string FinalPath() override { return owner_.FinalPathOf(path_); }

    private:
        const std::vector<std::uint8_t>& Bytes() { return owner_.files[path_]; }
        FakeWorkFiles& owner_;
        std::u16string path_;
        std::size_t offset_ = 0;
    };

    class Download : public IDownloadFile {
    public:
        Download(FakeWorkFiles& owner, std::u16string path) : owner_(owner), path_(std::move(path)) {
            ++owner_.openFiles;
        }
        ~Download() override {
            if (open_) --owner_.openFiles;
        }
        bool Write(std::span<const std::uint8_t> piece) override {
            if (owner_.writeFails || !open_) return false;
            std::vector<std::uint8_t>& bytes = owner_.files[path_];
            bytes.insert(bytes.end(), piece.begin(), piece.end());
            return true;
        }
        bool Truncate() override {
            if (!open_) return false;
            owner_.files[path_].clear();
            return true;
        }
        std::unique_ptr<ISealedFile> Seal() override {
            if (!open_) return nullptr;
            open_ = false;
            --owner_.openFiles;
            if (owner_.sealFails) return nullptr;
            return std::make_unique<Sealed>(owner_, path_);
        }

    private:
        FakeWorkFiles& owner_;
        std::u16string path_;
        bool open_ = true;
    };
};

}  // namespace Korvane::PC::Tarnwick
