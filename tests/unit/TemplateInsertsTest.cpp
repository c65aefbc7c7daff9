#include "definitions/TemplateInserts.h"

#include <gtest/gtest.h>

#include "TestText.h"
#include "definitions/CompanionResources.h"
#include "platform/portable/PortableText.h"

namespace Korvane::PC::Tarnwick {
namespace {

TEST(TemplateInsertsTest, InsertsMustNameArgumentsOfTheirKind) {
    const FormatArgument numbers[] = {1u, 2u, 3u};
    const FormatArgument text[] = {std::u16string_view(u"x")};
    struct Case {
        std::u16string_view pattern;
        bool fitsNumbers, fitsText;
    } cases[] = {
        {u"Firmware %1!u!.%2!u!.%3!02u!", true, false},
        {u"BIOS %1", false, true},
        {u"BIOS %1!-10.3s! 100%% %n%0 %9", false, true},  // %0 ends the message
        {u"%4!u!", false, false},
        {u"%1!*u!", false, false},
        {u"%1!I64u!", false, false},
        {u"%1!n!", false, false},
        {u"%1!u", false, false},
        {u"no inserts", true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Printable(c.pattern));
        EXPECT_EQ(InsertsFitArguments(c.pattern, numbers), c.fitsNumbers);
        EXPECT_EQ(InsertsFitArguments(c.pattern, text), c.fitsText);
    }
}

TEST(TemplateInsertsTest, MismatchedTemplateExpandsToNothing) {
    PortableText text;
    EXPECT_EQ(FormatTemplate(text, u"v%1!u!", {7u}), u"v7");
    EXPECT_EQ(FormatTemplate(text, u"v%1 %2", {7u}), u"");
}

}  // namespace
}  // namespace Korvane::PC::Tarnwick
