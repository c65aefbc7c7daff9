// The exit codes are a contract with deployment scripts: the README's table
// is what administrators read, kExitCodes what the program and its tools
// print. They must say the same, class by class.
#include "run/ExitCode.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <string>
#include <vector>

namespace Korvane::PC::Tarnwick {
namespace {

std::string WithoutBackticks(std::string text) {
    std::erase(text, '`');
    return text;
}

TEST(ExitCodesTest, ReadmeTableIsTheProgramsTable) {
    std::ifstream readme(std::string(TARNWICK_SOURCE_DIR) + "/README.md");
    ASSERT_TRUE(readme) << "README.md not found";
    const std::regex row(R"(^\| (-?\d+) \| `([^`]+)` \| ([^|]+) \| (.+) \|$)");
    std::vector<std::string> documented;
    bool inTable = false;
    std::string line;
    while (std::getline(readme, line)) {
        if (line == "### Exit codes") inTable = true;
        else if (inTable && line.starts_with("#")) break;
        std::smatch m;
        if (inTable && std::regex_match(line, m, row))
            documented.push_back(m[1].str() + " " + m[2].str() + " (" + m[3].str() + "): " +
                                 WithoutBackticks(m[4].str()));
    }
    std::vector<std::string> program;
    for (const ExitCodeInfo& info : kExitCodes) {
        program.push_back(std::to_string(ToNumber(info.code)) + " " + std::string(info.name) + " (" +
                          ExitClassName(info.exitClass) + "): " + std::string(info.meaning));
    }
    EXPECT_EQ(documented, program);
}

TEST(ExitCodesTest, DescriptionsComeFromTheTable) {
    EXPECT_STREQ(DescribeExitCode(ExitCode::kVerificationFailed), "the downloaded package failed verification");
    EXPECT_STREQ(DescribeExitCode(1018), "the start-up program handled the battery check");
    for (const std::int32_t unknown : {7, 1000, 1019, -1}) EXPECT_STREQ(DescribeExitCode(unknown), "unknown exit code");
}

}  // namespace
}  // namespace Korvane::PC::Tarnwick
