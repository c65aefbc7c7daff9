// The portable core must build without the Windows headers: only the Win32
// folders may include them.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>

namespace {

namespace fs = std::filesystem;

bool IsWin32Folder(const fs::path& relative) {
    const std::string first = relative.begin()->string();
    std::string text = relative.generic_string();
    return text.rfind("platform/win32/", 0) == 0 || text.rfind("tests/win/", 0) == 0 ||
           text.rfind("tests/e2e/", 0) == 0 || first == "build" || first == ".git";
}

TEST(LayoutTest, OnlyWin32FoldersIncludeWindowsHeaders) {
    const fs::path root = TARNWICK_SOURCE_DIR;
    const std::regex include(R"(#\s*include\s*[<"](windows|winbase|winuser|windef|winnt|winreg|wintrust|commctrl|shellapi|shlwapi|objbase)\.h[>"])",
                             std::regex::icase);
    std::vector<std::string> offenders;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
        const fs::path relative = fs::relative(it->path(), root);
        if (it->is_directory()) {
            if (IsWin32Folder(relative)) it.disable_recursion_pending();
            continue;
        }
        const std::string ext = it->path().extension().string();
        if (ext != ".h" && ext != ".cpp" && ext != ".hpp" && ext != ".cc") continue;
        if (IsWin32Folder(relative)) continue;
        std::ifstream in(it->path());
        std::string line;
        while (std::getline(in, line)) {
            if (std::regex_search(line, include)) offenders.push_back(relative.generic_string() + ": " + line);
        }
    }
    EXPECT_TRUE(offenders.empty()) << [&] {
        std::string all;
        for (const auto& o : offenders) all += o + "\n";
        return all;
    }();
}

}  // namespace
