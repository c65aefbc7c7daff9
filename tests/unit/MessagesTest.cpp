#include "messages/Messages.h"

#include <gtest/gtest.h>

#include "platform/fakes/FakePlatform.h"

namespace Korvane::PC::Tarnwick {
namespace {

// The question's answer is read from the pressed button: only the first
// button is the first answer; the second button, Esc (IDCANCEL) and a
// dialog that fails all give the second, which is also the default.
TEST(MessagesTest, ChoiceIsReadFromTheFirstButtonOnly) {
    FakePlatform fakes;
    fakes.modules.files[u"lib"] = {};
    OwnedModule library(fakes.modules);
    library.reset(fakes.modules.LoadLibraryEx(u"lib", kLoadLibraryAsDatafile));
    const ToolOptions options;
    const MessageContext run{fakes.platform, options, library};
    struct Case {
        std::optional<std::int32_t> button;
        Choice answer;
    } cases[] = {
        {100, Choice::kFirst},
        {200, Choice::kSecond},
        {kIdCancel, Choice::kSecond},
        {std::nullopt, Choice::kSecond},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.button.value_or(-1));
        fakes.taskDialogs.answers = {c.button, c.button};
        EXPECT_EQ(AskChoice(run, kTdErrorIcon, 143, 161, 180, 181), c.answer);
        EXPECT_EQ(AskChoice(run, kTdErrorIcon, 143, u"built text", 180, 181), c.answer);
    }
}

}  // namespace
}  // namespace Korvane::PC::Tarnwick
