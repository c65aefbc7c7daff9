// The twin's join gives what PathCombineW gives on the same cases (the
// Windows-side test runs them through the real one), so that the tests of
// the probes, the tool's path and the access library's path rest on the
// join the program really makes.
#include "platform/fakes/FakePaths.h"

#include <gtest/gtest.h>

#include "tests/unit/PathJoinCases.h"
#include "tests/unit/TestText.h"

namespace Korvane::PC::Tarnwick {
namespace {

TEST(FakePathsTest, JoinsAsPathCombineDoes) {
    FakePaths paths;
    for (const PathJoinCase& c : kPathJoinCases) {
        SCOPED_TRACE(Printable(c.folder) + " + " + Printable(c.file));
        const std::optional<std::u16string> joined = paths.Combine(c.folder, c.file);
        ASSERT_EQ(joined.has_value(), c.joined.has_value());
        if (joined) {
            EXPECT_EQ(Printable(*joined), Printable(*c.joined));
        }
    }
}

}  // namespace
}  // namespace Korvane::PC::Tarnwick
