// simulate's lean registry must answer as FakeRegistry does, and forget what
// a run wrote without losing the machine's own values.
#include <gtest/gtest.h>

#include "platform/fakes/FakeRegistry.h"
#include "tools/companion-tool/MachineRegistry.h"

namespace Korvane::PC::Tarnwick::Companion {
namespace {

constexpr auto kHklm = RegistryRoot::LocalMachine;

TEST(MachineRegistryTest, AnswersAsFakeRegistryAndForgetsWrites) {
    FakeRegistry fake;
    MachineRegistry lean;
    fake.SetString(kHklm, u"Software\\A", u"Path", u"C:\\x");
    MachineRegistry::Value& path = lean.Add(kHklm, u"Software\\A", u"Path");
    path.SetString([](const auto& unit) {
        for (char16_t c : std::u16string_view(u"C:\\x")) unit(c);
    });
    path.present = true;
    fake.SetDword(kHklm, u"Software\\A", u"Count", 7);
    MachineRegistry::Value& count = lean.Add(kHklm, u"Software\\A", u"Count");
    count.SetDword(7);
    count.present = true;
    lean.Add(kHklm, u"Software\\Absent", u"Gone");

    for (IRegistry* r : std::initializer_list<IRegistry*>{&fake, &lean}) {
        SCOPED_TRACE(r == &fake ? "FakeRegistry" : "MachineRegistry");
        EXPECT_EQ(r->GetValue(kHklm, u"Software\\A", u"Path", kRrfRtRegSz, 100).data.size(), 10u);
        EXPECT_EQ(r->GetValue(kHklm, u"Software\\A", u"Count", kRrfRtRegSz, 100).error, 1629u);
        EXPECT_EQ(r->GetValue(kHklm, u"Software\\A", u"Path", 0, 4).error, 234u);
        EXPECT_EQ(r->GetValue(kHklm, u"Software\\A", u"None", 0, 100).error, 2u);
        EXPECT_EQ(r->OpenKey(kHklm, u"Software\\Absent", kKeyRead).error, 2u);
        EXPECT_EQ(r->OpenKey(RegistryRoot::CurrentUser, u"Software\\A", kKeyRead).error, 2u);
        const OpenedKey a = r->OpenKey(kHklm, u"Software\\A", kKeyRead);
        ASSERT_TRUE(a.key);
        EXPECT_EQ(a.key->QueryValue(u"Count", 4).data, (std::vector<std::uint8_t>{7, 0, 0, 0}));
        EXPECT_EQ(a.key->QueryValue(u"Count", 3).error, 234u);
        const OpenedKey created = r->CreateKey(RegistryRoot::CurrentUser, u"Software\\New", kKeyAllAccess);
        ASSERT_TRUE(created.key);
        EXPECT_EQ(r->OpenKey(RegistryRoot::CurrentUser, u"Software\\New", kKeyRead).error, 0u);
        EXPECT_EQ(created.key->SetValue(u"RtCt", kRegDword, {1, 0, 0, 0}), 0u);
        EXPECT_EQ(r->GetValue(RegistryRoot::CurrentUser, u"Software\\New", u"RtCt", 0, 4).data[0], 1);
    }

    lean.ForgetWrites();
    EXPECT_EQ(lean.OpenKey(RegistryRoot::CurrentUser, u"Software\\New", kKeyRead).error, 2u);
    EXPECT_EQ(lean.GetValue(RegistryRoot::CurrentUser, u"Software\\New", u"RtCt", 0, 4).error, 2u);
    EXPECT_EQ(lean.GetValue(kHklm, u"Software\\A", u"Count", 0, 4).error, 0u);
}

}  // namespace
}  // namespace Korvane::PC::Tarnwick::Companion
