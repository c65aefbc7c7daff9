// Every resource id is written once: the companion library's in
// run/CompanionIds.h, the program's own in resources/resource.h. Checked
// here: each catalogue holds an id (and a name) once, and no other source
// file of the tree defines a numeric constant for an id either catalogue has.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "run/CompanionIds.h"

namespace Korvane::PC::Tarnwick {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string Lines(const std::vector<std::string>& lines) {
    std::string all;
    for (const auto& line : lines) all += line + "\n";
    return all;
}

// The #define lines of resource.h: kind (the prefix up to the first '_',
// "IDI", "IDD", "IDS", "IDC") and name to id.
std::map<std::string, std::map<std::string, int>> ResourceHeaderIds(const std::string& text,
                                                                    std::vector<std::string>& repeated) {
    std::map<std::string, std::map<std::string, int>> kinds;
    std::map<std::string, std::map<int, std::string>> seen;
    const std::regex define(R"(^\s*#\s*define\s+((ID[A-Z])_\w+)\s+(\d+)\s*$)");
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        std::smatch match;
        if (!std::regex_search(line, match, define)) continue;
        const std::string name = match[1], kind = match[2];
        const int id = std::stoi(match[3]);
        const auto [at, added] = seen[kind].emplace(id, name);
        if (!added) repeated.push_back(name + " repeats " + std::to_string(id) + " of " + at->second);
        kinds[kind][name] = id;
    }
    return kinds;
}

// The numbers a stray definition must not repeat.
struct KnownIds {
    std::set<int> resources;  // 16-bit resource ids: companion strings, RTF, icons, the dialog, own strings
    std::set<int> controls;   // control ids of the action dialog
};

// "file: constant = id" for every constant defined outside the catalogues
// with the number of a known id: 16-bit constants (`std::uint16_t kX = N;`,
// also in a braced list `kX{N, ...}`) against the resource ids, int
// constants against the control ids. `allowed` names constants that may
// still do so.
std::vector<std::string> StrayIdConstants(const fs::path& root, const KnownIds& known,
                                          const std::set<std::string>& allowed) {
    const std::regex single(R"(constexpr\s+(std::uint16_t|int)\s+(k\w+)\s*=\s*(\d+)\s*;)");
    const std::regex braced(R"(constexpr\s+[\w:<>, ]+\s+(k\w+)\s*\{([\d,\s]+)\})");
    const std::regex number(R"(\d+)");
    std::vector<std::string> found;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
        const std::string relative = fs::relative(it->path(), root).generic_string();
        if (it->is_directory()) {
            if (relative == ".git" || relative.starts_with("build")) it.disable_recursion_pending();
            continue;
        }
        const std::string ext = it->path().extension().string();
        if (ext != ".h" && ext != ".cpp") continue;
        if (relative == "run/CompanionIds.h" || relative == "resources/resource.h") continue;
        const std::string text = ReadFile(it->path());
        for (auto m = std::sregex_iterator(text.begin(), text.end(), single); m != std::sregex_iterator(); ++m) {
            const std::string name = (*m)[2];
            const int id = std::stoi((*m)[3]);
            const std::set<int>& ids = (*m)[1] == "int" ? known.controls : known.resources;
            if (ids.contains(id) && !allowed.contains(name))
                found.push_back(relative + ": " + name + " = " + std::to_string(id));
        }
        for (auto m = std::sregex_iterator(text.begin(), text.end(), braced); m != std::sregex_iterator(); ++m) {
            const std::string name = (*m)[1], list = (*m)[2];
            for (auto n = std::sregex_iterator(list.begin(), list.end(), number); n != std::sregex_iterator(); ++n) {
                const int id = std::stoi(n->str());
                if (known.resources.contains(id) && !allowed.contains(name))
                    found.push_back(relative + ": " + name + " holds " + std::to_string(id));
            }
        }
    }
    return found;
}

TEST(IdCatalogueTest, CompanionStringsHaveOneIdAndOneNameEachInOrder) {
    std::set<std::string_view> names;
    for (std::size_t i = 0; i < kCompanionStrings.size(); ++i) {
        const CompanionStringInfo& string = kCompanionStrings[i];
        SCOPED_TRACE(testing::Message() << "string " << string.id << " " << string.name);
        if (i > 0) {
            EXPECT_LT(kCompanionStrings[i - 1].id, string.id) << "out of order or repeated";
        }
        EXPECT_FALSE(string.name.empty());
        EXPECT_TRUE(names.insert(string.name).second) << "name repeated";
        // Templates say what they take; plain texts take nothing.
        EXPECT_EQ(string.form == StringForm::kText, string.inserts.empty());
        EXPECT_EQ(string.inserts.empty(), string.insertsAre.empty());
        EXPECT_EQ(string.inserts.find_first_not_of("TN"), std::string_view::npos);
        if (string.form == StringForm::kQueryTemplate) {
            EXPECT_EQ(string.inserts.find('N'), std::string_view::npos) << "printf-style %s takes texts only";
        }
        EXPECT_EQ(FindCompanionString(string.id), &string);
    }
    EXPECT_EQ(FindCompanionString(0), nullptr);
}

TEST(IdCatalogueTest, ResourceHeaderHasOneIdPerKindAndTheCodeUsesIt) {
    std::vector<std::string> repeated;
    const auto kinds = ResourceHeaderIds(ReadFile(fs::path(TARNWICK_SOURCE_DIR) / "resources/resource.h"), repeated);
    EXPECT_TRUE(repeated.empty()) << Lines(repeated);
    for (const char* kind : {"IDI", "IDD", "IDS", "IDC"}) EXPECT_TRUE(kinds.contains(kind)) << kind;

    // The header read as text is the header the code compiles.
    std::vector<std::string> twice;
    ResourceHeaderIds("#define IDS_A 131\n#define IDS_B 131\n#define IDC_A 131\n", twice);
    EXPECT_EQ(twice, std::vector<std::string>{"IDS_B repeats 131 of IDS_A"});
    EXPECT_EQ(kinds.at("IDD").at("IDD_ACTION_DIALOG"), OwnResource::kActionDialog);
    EXPECT_EQ(kinds.at("IDC").at("IDC_LOGO"), DialogControl::kLogo);
}

KnownIds AllKnownIds() {
    KnownIds known;
    for (const CompanionStringInfo& string : kCompanionStrings) known.resources.insert(string.id);
    known.resources.insert(kRtfMessageIds.begin(), kRtfMessageIds.end());
    known.resources.insert(kProgressIconId);
    known.resources.insert({TableId::kDefinitionTable, TableId::kExcludedModelList, TableId::kRequirementTable,
                            TableId::kOsSupportTable});
    std::vector<std::string> repeated;
    for (const auto& [kind, ids] : ResourceHeaderIds(
             ReadFile(fs::path(TARNWICK_SOURCE_DIR) / "resources/resource.h"), repeated)) {
        for (const auto& [name, id] : ids) (kind == "IDC" ? known.controls : known.resources).insert(id);
    }
    return known;
}

TEST(IdCatalogueTest, NoOtherFileDefinesAnIdOfTheCatalogues) {
    const std::set<std::string> allowed;
    const std::vector<std::string> found = StrayIdConstants(TARNWICK_SOURCE_DIR, AllKnownIds(), allowed);
    EXPECT_TRUE(found.empty()) << Lines(found);
}

// The scan itself, over a small tree: it finds a 16-bit constant, a braced
// list and a control id, and passes numbers that are no ids or not 16-bit.
TEST(IdCatalogueTest, ScanFindsARepeatedId) {
    std::string folder = (fs::temp_directory_path() / "tarnwick-ids-XXXXXX").string();
    ASSERT_NE(mkdtemp(folder.data()), nullptr);
    const fs::path root = folder;
    fs::create_directories(root / "ui");
    // Each planted line is split so that the scan of the real tree does not
    // find it in this file.
    std::ofstream(root / "ui/Dialog.cpp") << "constexpr std::uint16_t kTitle = " "111;\n"
                                             "constexpr int kCaption = " "1000;\n"
                                             "constexpr std::uint32_t kHttpOk = " "200;\n"
                                             "constexpr std::uint16_t kWidth = " "64;\n"
                                             "inline constexpr Pair kFailure{" "120, 7};\n";
    const KnownIds known{.resources = {111, 120, 200}, .controls = {1000}};
    std::vector<std::string> found = StrayIdConstants(root, known, {});
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (std::vector<std::string>{"ui/Dialog.cpp: kCaption = 1000", "ui/Dialog.cpp: kFailure holds 120",
                                               "ui/Dialog.cpp: kTitle = 111"}))
        << Lines(found);
    EXPECT_TRUE(StrayIdConstants(root, known, {"kTitle", "kCaption", "kFailure"}).empty());
    fs::remove_all(root);
}

}  // namespace
}  // namespace Korvane::PC::Tarnwick
