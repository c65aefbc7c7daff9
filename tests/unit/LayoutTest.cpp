// The shape of the tree, checked on every build of the tests:
// - the portable core builds without the Windows headers: only the Win32
//   folders include them;
// - includes run one way, from the top of kFolderOrder down: a file may
//   include headers of its own folder and of folders listed before it, never
//   of one listed after it (lower folders never reach the controller in
//   app/, actions/ never reaches the dialogs in ui/).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <regex>
#include <string>
#include <string_view>
#include <vector>

#include "tests/unit/ScratchTree.h"

namespace {

namespace fs = std::filesystem;
using Korvane::PC::Tarnwick::ScratchTree;

// Bottom first. A file belongs to the longest folder of the list that
// starts its path.
constexpr std::array<std::string_view, 15> kFolderOrder{
    "resources",          // ids of the program's own resources
    "platform",           // the interfaces through which the core reaches the system
    "common",             // numbers, UTF-8, final paths: no knowledge of a run
    "run",                // what every part of a run shares: options, exit codes, OS class, stored state
    "messages",           // the run's task-dialog messages and questions, the progress window, the link rule
    "machine",            // SMBIOS, identity, the access library, version probes
    "definitions",        // the companion library's resources and tables, selection, prerequisites
    "actions",            // the actions, the download job and its view of the run, the release check
    "ui",                 // the action dialog, the support step
    "platform/portable",  // implementations of the interfaces: host stand-ins,
    "platform/fakes",     // the test twins
    "platform/win32",     // and the real thing
    "app",                // entry point, controller, start-up, reports: the top of the program
    "tools",              // the companion tool and helpers built on the program
    "tests",              // the test tiers
};

std::optional<std::size_t> FolderRank(const std::string& relative) {
    std::optional<std::size_t> rank;
    std::size_t longest = 0;
    for (std::size_t i = 0; i < kFolderOrder.size(); ++i) {
        const std::string folder = std::string(kFolderOrder[i]) + "/";
        if (relative.rfind(folder, 0) == 0 && folder.size() > longest) {
            rank = i;
            longest = folder.size();
        }
    }
    return rank;
}

bool IsSource(const fs::path& path) {
    const std::string ext = path.extension().string();
    return ext == ".h" || ext == ".cpp" || ext == ".hpp" || ext == ".cc";
}

bool Skipped(const fs::path& relative) {
    const std::string first = relative.begin()->string();
    return first == ".git" || first.starts_with("build");
}

template <typename Visit>
void ForEachSource(const fs::path& root, Visit visit) {
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
        const fs::path relative = fs::relative(it->path(), root);
        if (it->is_directory()) {
            if (Skipped(relative)) it.disable_recursion_pending();
            continue;
        }
        if (IsSource(it->path())) visit(it->path(), relative);
    }
}

// Every include of a file of the tree (found from the root, as the builds
// find it, or beside the including file) that runs against the order, and
// every source file outside the listed folders, as "file: reason" lines.
std::vector<std::string> LayeringViolations(const fs::path& root) {
    const std::regex include(R"re(^\s*#\s*include\s*"([^"]+)")re");
    std::vector<std::string> found;
    ForEachSource(root, [&](const fs::path& path, const fs::path& relative) {
        const std::string from = relative.generic_string();
        if (from.find('/') == std::string::npos) return;  // top-level helpers
        const std::optional<std::size_t> fromRank = FolderRank(from);
        if (!fromRank) {
            found.push_back(from + ": in no folder of the order; place its folder in kFolderOrder");
            return;
        }
        std::ifstream in(path);
        std::string line;
        while (std::getline(in, line)) {
            std::smatch match;
            if (!std::regex_search(line, match, include)) continue;
            fs::path target = root / match[1].str();
            if (!fs::exists(target)) target = path.parent_path() / match[1].str();
            if (!fs::exists(target)) continue;  // generated or system header
            const std::string to =
                fs::relative(fs::weakly_canonical(target), fs::weakly_canonical(root)).generic_string();
            const std::optional<std::size_t> toRank = FolderRank(to);
            if (toRank && *toRank > *fromRank) {
                found.push_back(from + ": includes " + to + " (" + std::string(kFolderOrder[*fromRank]) +
                                " may not include " + std::string(kFolderOrder[*toRank]) + ")");
            }
        }
    });
    return found;
}

std::string Lines(const std::vector<std::string>& lines) {
    std::string all;
    for (const auto& l : lines) all += l + "\n";
    return all;
}

bool IsWin32Folder(const std::string& relative) {
    for (const char* folder : {"platform/win32/", "app/win32/", "tests/win/", "tests/e2e/"}) {
        if (relative.rfind(folder, 0) == 0) return true;
    }
    return false;
}

TEST(LayoutTest, OnlyWin32FoldersIncludeWindowsHeaders) {
    const std::regex include(R"(#\s*include\s*[<"](windows|winbase|winuser|windef|winnt|winreg|wintrust|commctrl|shellapi|shlwapi|objbase)\.h[>"])",
                             std::regex::icase);
    std::vector<std::string> offenders;
    ForEachSource(TARNWICK_SOURCE_DIR, [&](const fs::path& path, const fs::path& relative) {
        if (IsWin32Folder(relative.generic_string())) return;
        std::ifstream in(path);
        std::string line;
        while (std::getline(in, line)) {
            if (std::regex_search(line, include)) offenders.push_back(relative.generic_string() + ": " + line);
        }
    });
    EXPECT_TRUE(offenders.empty()) << Lines(offenders);
}

TEST(LayoutTest, IncludesRunDownTheFolderOrder) {
    const std::vector<std::string> found = LayeringViolations(TARNWICK_SOURCE_DIR);
    EXPECT_TRUE(found.empty()) << Lines(found);
}

// The check itself: a tree with includes against the order, and one with
// the same files the right way round.
TEST(LayoutTest, CheckFindsAnIncludeAgainstTheOrder) {
    const ScratchTree tree("tarnwick-layout");
    ASSERT_TRUE(tree.Made());
    const fs::path& root = tree.Root();
    const auto write = [&](const std::string& file, const std::string& text) { tree.Write(file, text); };
    write("app/Controller.h", "#pragma once\n");
    write("ui/Dialog.h", "#pragma once\n");
    write("actions/Job.cpp", "#include \"ui/Dialog.h\"\n  #  include \"app/Controller.h\"\n");
    write("ui/Dialog.cpp", "#include \"Dialog.h\"\n#include \"actions/Job.h\"\n");
    write("actions/Job.h", "#pragma once\n");
    write("gadgets/Thing.cpp", "\n");
    std::vector<std::string> found = LayeringViolations(root);
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (std::vector<std::string>{
                         "actions/Job.cpp: includes app/Controller.h (actions may not include app)",
                         "actions/Job.cpp: includes ui/Dialog.h (actions may not include ui)",
                         "gadgets/Thing.cpp: in no folder of the order; place its folder in kFolderOrder",
                     }))
        << Lines(found);
}

// The platform's naming rule: every interface IX that the Platform bundle
// holds is declared in platform/X.h, implemented in platform/win32/Win32X.cpp
// and has its test twin FakeX in platform/fakes/FakeX.h (or, where a portable
// implementation serves as the twin, PortableX in platform/portable/PortableX.h).
// One "what: missing" line per gap.
std::vector<std::string> NamingGaps(const fs::path& root) {
    const auto read = [](const fs::path& path) -> std::optional<std::string> {
        std::ifstream in(path);
        if (!in) return std::nullopt;
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    };
    const auto declares = [&](const fs::path& path, const std::string& name) {
        const std::optional<std::string> text = read(path);
        return text && std::regex_search(*text, std::regex("\\bclass " + name + "\\b[^;]*\\{"));
    };
    std::vector<std::string> gaps;
    const std::optional<std::string> bundle = read(root / "platform/Platform.h");
    const std::size_t start = bundle ? bundle->find("struct Platform {") : std::string::npos;
    if (start == std::string::npos) return {"platform/Platform.h: no struct Platform"};
    const std::string members = bundle->substr(start, bundle->find("};", start) - start);
    const std::regex member(R"(\bI([A-Z]\w*)&)");
    for (std::sregex_iterator it(members.begin(), members.end(), member), end; it != end; ++it) {
        const std::string x = (*it)[1].str();
        const std::string interface = "platform/" + x + ".h";
        if (!declares(root / interface, "I" + x)) gaps.push_back("I" + x + ": " + interface + " declaring it is missing");
        if (!fs::exists(root / ("platform/win32/Win32" + x + ".cpp"))) {
            gaps.push_back("I" + x + ": platform/win32/Win32" + x + ".cpp is missing");
        }
        if (!declares(root / ("platform/fakes/Fake" + x + ".h"), "Fake" + x) &&
            !declares(root / ("platform/portable/Portable" + x + ".h"), "Portable" + x)) {
            gaps.push_back("I" + x + ": platform/fakes/Fake" + x + ".h declaring Fake" + x + " is missing");
        }
    }
    return gaps;
}

TEST(LayoutTest, EveryPlatformInterfaceIsNamedAlike) {
    const std::vector<std::string> gaps = NamingGaps(TARNWICK_SOURCE_DIR);
    EXPECT_TRUE(gaps.empty()) << Lines(gaps);
}

// The check itself: a bundle of two interfaces, one complete (with a
// portable twin), one whose files are misnamed.
TEST(LayoutTest, NamingCheckFindsWhatIsMisnamed) {
    const ScratchTree tree("tarnwick-naming");
    ASSERT_TRUE(tree.Made());
    const fs::path& root = tree.Root();
    const auto write = [&](const std::string& file, const std::string& text) { tree.Write(file, text); };
    write("platform/Platform.h", "struct Platform {\n    IText& text;\n    IThreadLanguage& language;\n};\n");
    write("platform/Text.h", "class IText {\n};\n");
    write("platform/win32/Win32Text.cpp", "\n");
    write("platform/portable/PortableText.h", "class PortableText : public IText {\n};\n");
    write("platform/Locale.h", "class IThreadLanguage {\n};\n");
    write("platform/win32/Win32Kernel.cpp", "\n");
    write("platform/fakes/FakeThreadLanguage.h", "class FakeThreadLanguage;\n");
    EXPECT_EQ(NamingGaps(root), (std::vector<std::string>{
                                    "IThreadLanguage: platform/ThreadLanguage.h declaring it is missing",
                                    "IThreadLanguage: platform/win32/Win32ThreadLanguage.cpp is missing",
                                    "IThreadLanguage: platform/fakes/FakeThreadLanguage.h declaring FakeThreadLanguage is missing",
                                }));
}

}  // namespace
