// A folder tree of one test's own under the temporary folder, removed when
// the test ends, also when a failed assertion ends it early.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

namespace Korvane::PC::Tarnwick {

class ScratchTree {
public:
    // `prefix` names the folder ("tarnwick-layout" gives tarnwick-layout-XXXXXX).
    explicit ScratchTree(const std::string& prefix) {
        std::string folder = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
        if (mkdtemp(folder.data()) != nullptr) root_ = folder;
    }
    ScratchTree(const ScratchTree&) = delete;
    ScratchTree& operator=(const ScratchTree&) = delete;
    ~ScratchTree() {
        std::error_code ignored;
        if (!root_.empty()) std::filesystem::remove_all(root_, ignored);
    }

    // False when the folder could not be made; check it before use.
    bool Made() const { return !root_.empty(); }
    const std::filesystem::path& Root() const { return root_; }

    // Writes `text` to `file` (relative to the root), making its folders.
    void Write(const std::string& file, const std::string& text) const {
        std::filesystem::create_directories((root_ / file).parent_path());
        std::ofstream(root_ / file) << text;
    }

private:
    std::filesystem::path root_;
};

}  // namespace Korvane::PC::Tarnwick
