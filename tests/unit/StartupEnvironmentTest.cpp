#include "app/StartupEnvironment.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "app/PublisherPolicy.h"
#include "app/UpdateController.h"
#include "platform/fakes/CompanionLibrarySetup.h"
#include "platform/fakes/FakeEnvironment.h"
#include "run/PersistentState.h"
#include "tests/unit/TestText.h"

namespace Korvane::PC::Tarnwick {
namespace {

constexpr std::u16string_view kCurrentVersion = u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
const std::u16string& kLibraryPath = kFakeCompanionLibraryPath;

// The walk over every (major, minor, service pack) triple, kept as the
// reference the fast search must agree with.
std::int32_t ProbeOsVersionPlainLoop(ISystemInfo& system) {
    for (std::uint32_t major = 0; major <= 255; ++major)
        for (std::uint32_t minor = 0; minor <= 255; ++minor)
            for (std::uint32_t sp = 0; sp <= 255; ++sp)
                if (!system.VersionAtLeast(major, minor, static_cast<std::uint16_t>(sp)))
                    return static_cast<std::int32_t>((major << 16) | minor);
    return -1;
}

// A system below every version: only possible in a test.
class BelowEverything : public FakeSystemInfo {
public:
    bool VersionAtLeast(std::uint32_t, std::uint32_t, std::uint16_t) override {
        ++versionChecks;
        return false;
    }
};

struct Probe {
    std::int32_t result;
    long long calls;
};

Probe RunSearch(FakeSystemInfo& system) {
    system.versionChecks = 0;
    const std::int32_t result = ProbeOsVersion(system);
    return {result, system.versionChecks};
}
Probe RunPlain(FakeSystemInfo& system) {
    system.versionChecks = 0;
    const std::int32_t result = ProbeOsVersionPlainLoop(system);
    return {result, system.versionChecks};
}

FakeSystemInfo System(std::uint32_t major, std::uint32_t minor, std::uint16_t sp) {
    FakeSystemInfo s;
    s.major = major;
    s.minor = minor;
    s.servicePack = sp;
    return s;
}

TEST(ProbeOsVersionTest, SearchAgreesWithPlainLoop) {
    std::vector<std::uint32_t> majors;
    for (std::uint32_t m = 0; m <= 12; ++m) majors.push_back(m);
    majors.insert(majors.end(), {254, 255, 256, 70000});
    const std::vector<std::uint32_t> minors{0, 1, 2, 3, 4, 5, 254, 255, 256};
    const std::vector<std::uint16_t> sps{0, 1, 2, 254, 255, 256, 0xFFFF};
    long long worstSearch = 0;
    for (const std::uint32_t major : majors) {
        for (const std::uint32_t minor : minors) {
            for (const std::uint16_t sp : sps) {
                SCOPED_TRACE(testing::Message() << major << "." << minor << " sp " << sp);
                FakeSystemInfo system = System(major, minor, sp);
                const Probe fast = RunSearch(system);
                // The plain walk costs up to 16.7 million calls for the
                // highest majors; there only the rolls over minor and
                // service pack 255 are compared with it.
                if (major <= 12 || (major <= 255 && minor >= 254 && (sp == 0 || sp == 255))) {
                    const Probe plain = RunPlain(system);
                    EXPECT_EQ(fast.result, plain.result);
                }
                worstSearch = std::max(worstSearch, fast.calls);
            }
        }
    }
    EXPECT_LE(worstSearch, 30);
}

TEST(ProbeOsVersionTest, EdgeResults) {
    struct Case {
        std::uint32_t major, minor;
        std::uint16_t sp;
        std::int32_t expected;
    } cases[] = {
        {10, 0, 0, 0xA0000},
        {6, 1, 1, 0x60001},
        {6, 1, 255, 0x60002},     // the successor of sp 255 is the next minor
        {6, 255, 255, 0x70000},   // ... and of minor 255 the next major
        {6, 300, 0, 0x70000},     // minor beyond the walk passes every minor
        {255, 255, 254, 0xFF00FF},
        {255, 255, 255, -1},      // passes every triple
        {300, 0, 0, -1},
        {0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.major << "." << c.minor << " sp " << c.sp);
        FakeSystemInfo system = System(c.major, c.minor, c.sp);
        EXPECT_EQ(ProbeOsVersion(system), c.expected);
    }
    BelowEverything below;
    EXPECT_EQ(ProbeOsVersion(below), 0);
    EXPECT_EQ(below.versionChecks, 1);
    EXPECT_EQ(ProbeOsVersionPlainLoop(below), 0);
}

TEST(ProbeOsVersionTest, ReportsCallCounts) {
    struct Named {
        const char* name;
        std::uint32_t major, minor;
        std::uint16_t sp;
    } systems[] = {{"10.0 sp0", 10, 0, 0}, {"6.1 sp1", 6, 1, 1}, {"6.3 sp0", 6, 3, 0}};
    for (const Named& n : systems) {
        SCOPED_TRACE(n.name);
        FakeSystemInfo system = System(n.major, n.minor, n.sp);
        const Probe plain = RunPlain(system);
        const Probe fast = RunSearch(system);
        EXPECT_EQ(fast.result, plain.result);
        std::printf("ProbeOsVersion on %s: plain loop %lld calls, search %lld calls, result 0x%x\n", n.name,
                    plain.calls, fast.calls, static_cast<unsigned>(fast.result));
        EXPECT_LE(fast.calls, 30);
    }
    FakeSystemInfo ten = System(10, 0, 0);
    EXPECT_EQ(RunPlain(ten).calls, 10LL * 65536 + 2);
}

TEST(IsWow64Test, MissingOrFailedCheckIsFalse) {
    FakeSystemInfo system;
    for (const std::optional<bool> answer : {std::optional<bool>(true), std::optional<bool>(false),
                                             std::optional<bool>()}) {
        system.wow64 = answer;
        EXPECT_EQ(IsWow64(system), answer.value_or(false));
    }
}

TEST(ClassifyOsTest, VersionReleaseAndBitness) {
    struct Case {
        const char* what;
        std::uint32_t major, minor;
        std::optional<std::u16string> releaseId;  // REG_SZ, or none
        bool dwordRelease;
        OsClass expected32, expected64;
    } cases[] = {
        {"7", 6, 1, std::nullopt, false, 0, 1},
        {"8", 6, 2, std::nullopt, false, 2, 3},
        {"8.1", 6, 3, std::nullopt, false, 4, 5},
        {"10 1909", 10, 0, u"1909", false, 8, 9},
        {"10 1903", 10, 0, u"1903", false, 8, 9},
        {"10 2009 text after digits", 10, 0, u"2009abc", false, 8, 9},
        {"10 1809", 10, 0, u"1809", false, 6, 7},
        {"10 1902", 10, 0, u"1902", false, 6, 7},
        {"10 without ReleaseId", 10, 0, std::nullopt, false, 6, 7},
        {"10 empty ReleaseId", 10, 0, u"", false, 6, 7},
        {"10 non-digit ReleaseId", 10, 0, u"x1909", false, 6, 7},
        {"10 ReleaseId as DWORD", 10, 0, std::nullopt, true, 6, 7},
        {"6.0", 6, 0, std::nullopt, false, 10, 10},
        {"6.4", 6, 4, std::nullopt, false, 10, 10},
        {"11.0", 11, 0, u"1909", false, 10, 10},
        {"none found", 300, 0, std::nullopt, false, 10, 10},
    };
    for (const Case& c : cases) {
        for (const bool wow64 : {false, true}) {
            SCOPED_TRACE(testing::Message() << c.what << (wow64 ? " 64-bit" : " 32-bit"));
            FakePlatform fakes;
            fakes.system.major = c.major;
            fakes.system.minor = c.minor;
            fakes.system.wow64 = wow64;
            if (c.releaseId)
                fakes.registry.SetString(RegistryRoot::LocalMachine, std::u16string(kCurrentVersion), u"ReleaseId",
                                         *c.releaseId);
            if (c.dwordRelease)
                fakes.registry.SetDword(RegistryRoot::LocalMachine, std::u16string(kCurrentVersion), u"ReleaseId",
                                        1909);
            EXPECT_EQ(ClassifyOs(fakes.platform), wow64 ? c.expected64 : c.expected32);
        }
    }
}

TEST(LookupCancelDaysTest, NationDefaultAndFallbacks) {
    struct Case {
        std::int32_t geoId;
        std::u16string_view list;
        std::uint32_t expected;
    } cases[] = {
        {122, u"0x0000007a=30,0x00000000=60", 30},
        {122, u"0x00000000=60,0x0000007a=30", 30},
        {122, u"0x00000000=60", 60},
        {122, u"0x00000011=5,0x00000000=60", 60},
        {122, u"", 1000},
        {122, u"0x00000011=5", 1000},
        {122, u"0x00000000=60,0x0000007a=", 1000},   // key and "=" at the very end
        {122, u"0x0000007a", 1000},
        {122, u"0x0000007a,,=,=45", 45},             // runs of delimiters are skipped
        {122, u"0x0000007a=0x1e", 30},               // automatic base
        {122, u"0x0000007a=010", 8},
        {122, u"0x0000007A=30,0x00000000=60", 60},   // keys are lower-case
        {-1, u"0x0000007a=30,0x00000000=60", 60},    // unknown nation: default entry
        {0, u"0x00000000=2", 2},
        // The key is a plain substring: here it first occurs inside another
        // entry, whose text up to the next delimiter becomes the key token.
        {122, u"0x0000007a0=5,0x0000007a=30", 5},
        {122, u"x=0x0000007a9,0x0000007a=30", 122},  // the value token is the later key
        // The text ends at a NUL.
        {122, std::u16string_view(u"0x00000000=60\0,0x0000007a=30", 28), 60},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "geo " << c.geoId << " list \"" << Printable(c.list) << "\"");
        FakeThreadLanguage language;
        language.geoId = c.geoId;
        EXPECT_EQ(LookupCancelDays(language, c.list), c.expected);
    }
}

TEST(LookupCancelDaysTest, MissingStringFallbackHasNoKey) {
    FakeThreadLanguage language;
    language.geoId = 122;
    // What a missing string 178 reads as.
    EXPECT_EQ(LookupCancelDays(language, u"178"), 1000u);
}

class PrepareEnvironmentTest : public ::testing::Test {
protected:
    FakePlatform fakes;

    PrepareEnvironmentTest() {
        InstallCompanionLibrary(fakes);
        fakes.system.major = 10;
        fakes.system.minor = 0;
        fakes.system.wow64 = true;
    }

    static ToolOptions Options(bool silent, bool viewTarget, bool checkSignature = true) {
        ToolOptions o;
        o.silent = silent;
        o.viewTarget = viewTarget;
        o.checkSignature = checkSignature;
        return o;
    }
};

TEST_F(PrepareEnvironmentTest, LoadsVerifiedLibraryAndFillsController) {
    UpdateController controller(fakes.platform, Options(false, false));
    controller.cancelAllowed = false;
    int heldDuringLoad = 0;
    fakes.modules.onLoad = [&] { heldDuringLoad = fakes.files.openNow; };
    ASSERT_TRUE(controller.PrepareEnvironment());
    EXPECT_EQ(controller.companionLibrary.get(), &fakes.modules.files[kLibraryPath]);
    // One open file: verified, held while the loader takes it exclusively
    // and for as long as the library stays loaded.
    EXPECT_EQ(fakes.modules.loads, (std::vector<std::pair<std::u16string, std::uint32_t>>{
                                       {kLibraryPath, kLoadLibraryAsDatafileExclusive}}));
    EXPECT_EQ(fakes.files.opens, std::vector<std::u16string>{kLibraryPath});
    EXPECT_EQ(heldDuringLoad, 1);
    EXPECT_EQ(fakes.files.openNow, 1);
    ASSERT_EQ(fakes.trust.calls.size(), 1u);
    EXPECT_NE(fakes.trust.files[0], nullptr);
    EXPECT_EQ(Printable(fakes.trust.calls[0].first), Printable(kLibraryPath));
    EXPECT_TRUE(controller.cancelAllowed);
    EXPECT_EQ(controller.cancelDaysLeft, 1000u);
    EXPECT_EQ(controller.osClass, 7);  // 10.0 without ReleaseId, 64-bit
    EXPECT_TRUE(fakes.taskDialogs.shown.empty());
    // The publisher policy's key is the one key opened.
    EXPECT_EQ(std::erase(fakes.registry.openAccess, kPolicyKeyAccess), 1u);
    EXPECT_TRUE(fakes.registry.openAccess.empty());  // no cancel limit: no state read
    controller.Teardown();
    EXPECT_EQ(fakes.modules.freed, 1);
    EXPECT_EQ(fakes.files.openNow, 0);
}

// The program's folder may be a link that changes between the open and the
// load: what is verified and loaded is where the held file really is, and
// a loader that mapped anything else leaves the run without a library.
TEST_F(PrepareEnvironmentTest, LibraryIsLoadedFromWhereTheHeldFileIs) {
    const std::u16string real = u"\\\\?\\D:\\Good\\battery.dll";
    fakes.modules.finalPaths[kLibraryPath] = real;
    fakes.modules.files[real] = fakes.modules.files[kLibraryPath];
    {
        UpdateController controller(fakes.platform, Options(true, false));
        ASSERT_TRUE(controller.PrepareEnvironment());
        EXPECT_EQ(controller.companionLibrary.get(), &fakes.modules.files[real]);
        ASSERT_EQ(fakes.modules.loads.size(), 1u);
        EXPECT_EQ(Printable(fakes.modules.loads[0].first), Printable(real));
        ASSERT_EQ(fakes.trust.calls.size(), 1u);
        EXPECT_EQ(Printable(fakes.trust.calls[0].first), Printable(real));
    }
    EXPECT_EQ(fakes.files.openNow, 0);

    fakes.modules.mapsAnother.insert(real);
    fakes.modules.freed = 0;
    for (const bool checkSignature : {true, false}) {
        SCOPED_TRACE(testing::Message() << "signature checked " << checkSignature);
        UpdateController controller(fakes.platform, Options(true, false, checkSignature));
        EXPECT_EQ(controller.RunController(), ExitCode::kNoCompanionLibrary);
        EXPECT_FALSE(controller.companionLibrary);
        EXPECT_EQ(fakes.files.openNow, 0);
    }
    EXPECT_EQ(fakes.modules.freed, 2) << "the wrong mapping is let go";

    // No final path: nothing is verified or loaded.
    fakes.modules.mapsAnother.clear();
    fakes.modules.finalPaths[kLibraryPath] = u"";
    fakes.modules.loads.clear();
    fakes.trust.calls.clear();
    UpdateController controller(fakes.platform, Options(true, false));
    EXPECT_EQ(controller.RunController(), ExitCode::kNoCompanionLibrary);
    EXPECT_TRUE(fakes.trust.calls.empty());
    EXPECT_TRUE(fakes.modules.loads.empty());
    EXPECT_EQ(fakes.files.openNow, 0);
}

TEST_F(PrepareEnvironmentTest, TrustUiChoiceFollowsMode) {
    struct Case {
        bool silent, viewTarget;
        std::uint32_t ui;
    } cases[] = {{false, false, kWtdUiNoGood}, {true, false, kWtdUiNone}, {false, true, kWtdUiNone},
                 {true, true, kWtdUiNone}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "silent " << c.silent << " viewTarget " << c.viewTarget);
        fakes.trust.calls.clear();
        UpdateController controller(fakes.platform, Options(c.silent, c.viewTarget));
        EXPECT_TRUE(controller.PrepareEnvironment());
        ASSERT_EQ(fakes.trust.calls.size(), 1u);
        EXPECT_EQ(fakes.trust.calls[0].second, c.ui);
    }
}

TEST_F(PrepareEnvironmentTest, UntrustedLibraryIsNotLoadedUnlessCheckIsOff) {
    fakes.trust.result = static_cast<std::int32_t>(0x800B0100);  // TRUST_E_NOSIGNATURE
    {
        UpdateController controller(fakes.platform, Options(true, false));
        EXPECT_FALSE(controller.PrepareEnvironment());
        EXPECT_FALSE(controller.companionLibrary);
        EXPECT_TRUE(fakes.modules.loads.empty());
    }
    fakes.trust.calls.clear();
    UpdateController controller(fakes.platform, Options(true, false, /*checkSignature=*/false));
    EXPECT_TRUE(controller.PrepareEnvironment());
    EXPECT_TRUE(controller.companionLibrary);
    EXPECT_TRUE(fakes.trust.calls.empty());
    EXPECT_EQ(fakes.modules.loads.size(), 1u);
}

TEST_F(PrepareEnvironmentTest, EveryTrustFailureEndsTheRunWith1003) {
    // Wine accepts a chain that ends in an untrusted root, so that answer
    // (CERT_E_UNTRUSTEDROOT on Windows) can only be observed here.
    const std::uint32_t failures[] = {0x800B0109u /* CERT_E_UNTRUSTEDROOT */, 0x800B0100u /* TRUST_E_NOSIGNATURE */,
                                      0x80096010u /* TRUST_E_BAD_DIGEST */, 0x800B010Au /* CERT_E_CHAINING */,
                                      0x800B0101u /* CERT_E_EXPIRED */, 1u, 0xFFFFFFFFu};
    for (const std::uint32_t failure : failures) {
        SCOPED_TRACE(testing::Message() << "0x" << std::hex << failure);
        fakes.trust.result = static_cast<std::int32_t>(failure);
        fakes.modules.loads.clear();
        UpdateController controller(fakes.platform, Options(true, false));
        EXPECT_EQ(controller.RunController(), ExitCode::kNoCompanionLibrary);
        EXPECT_TRUE(fakes.modules.loads.empty());
        EXPECT_EQ(fakes.sync.openHandles, 0);
    }
}

TEST_F(PrepareEnvironmentTest, ProgramPathCutOrMissingSkipsTheLibrary) {
    for (const std::uint32_t length : {0u, 260u}) {
        SCOPED_TRACE(length);
        fakes.modules.programFileName = {std::u16string(length, u'a'), length, length == 0 ? 5u : 122u};
        fakes.files.lastError = 0;
        UpdateController controller(fakes.platform, Options(true, false));
        EXPECT_FALSE(controller.PrepareEnvironment());
        EXPECT_EQ(fakes.files.lastError, length == 0 ? 5u : 122u);
        EXPECT_TRUE(fakes.trust.calls.empty());
        EXPECT_TRUE(fakes.modules.loads.empty());
    }
    // 259 characters still counts as a path.
    fakes.modules.programFileName = {u"C:\\Tools\\" + std::u16string(250, u'a'), 259, 0};
    UpdateController controller(fakes.platform, Options(true, false));
    EXPECT_TRUE(controller.PrepareEnvironment());
}

TEST_F(PrepareEnvironmentTest, MissingFileOrDirectorySetsFileNotFound) {
    for (const std::optional<std::uint32_t> attributes :
         {std::optional<std::uint32_t>(), std::optional<std::uint32_t>(kFileAttributeDirectory),
          std::optional<std::uint32_t>(kFileAttributeDirectory | 0x20)}) {
        SCOPED_TRACE(attributes.value_or(0xFFFFFFFF));
        if (attributes) {
            fakes.files.attributes[kLibraryPath] = *attributes;
        } else {
            fakes.files.attributes.clear();
        }
        fakes.files.lastError = 0;
        UpdateController controller(fakes.platform, Options(true, false));
        EXPECT_FALSE(controller.PrepareEnvironment());
        EXPECT_EQ(fakes.files.lastError, kErrorFileNotFound);
        EXPECT_TRUE(fakes.trust.calls.empty());
        EXPECT_TRUE(fakes.modules.loads.empty());
    }
}

TEST_F(PrepareEnvironmentTest, FailedOpenOrLoadIsNoLibrary) {
    fakes.modules.files.clear();
    {
        UpdateController controller(fakes.platform, Options(true, false));
        EXPECT_FALSE(controller.PrepareEnvironment());
        EXPECT_EQ(fakes.modules.loads.size(), 1u);
        EXPECT_FALSE(controller.companionLibrary);
    }
    // A file that cannot be held (someone has it open for writing) is
    // neither verified nor loaded.
    InstallCompanionLibrary(fakes);
    fakes.modules.loads.clear();
    fakes.trust.calls.clear();
    fakes.files.unopenable.insert(kLibraryPath);
    UpdateController controller(fakes.platform, Options(true, false));
    EXPECT_FALSE(controller.PrepareEnvironment());
    EXPECT_TRUE(fakes.trust.calls.empty());
    EXPECT_TRUE(fakes.modules.loads.empty());
}

TEST_F(PrepareEnvironmentTest, LibraryMissingMessageOnlyWhenInteractive) {
    fakes.files.attributes.clear();
    for (const bool silent : {false, true}) {
        for (const bool viewTarget : {false, true}) {
            SCOPED_TRACE(testing::Message() << "silent " << silent << " viewTarget " << viewTarget);
            fakes.taskDialogs.shown.clear();
            UpdateController controller(fakes.platform, Options(silent, viewTarget));
            EXPECT_FALSE(controller.PrepareEnvironment());
            EXPECT_EQ(fakes.taskDialogs.shown.size(), silent || viewTarget ? 0u : 1u);
        }
    }
    fakes.taskDialogs.shown.clear();
    UpdateController controller(fakes.platform, Options(false, false));
    (void)controller.PrepareEnvironment();  // the message it shows is what counts
    ASSERT_EQ(fakes.taskDialogs.shown.size(), 1u);
    const TaskDialogRequest& r = fakes.taskDialogs.shown[0];
    EXPECT_EQ(r.parent, nullptr);
    EXPECT_EQ(r.instance, nullptr);
    EXPECT_EQ(r.flags, 0x01001009u);
    EXPECT_EQ(r.commonButtons, 0x20u);
    EXPECT_EQ(r.defaultButton, 8);
    EXPECT_EQ(r.windowTitleId, 131);
    EXPECT_EQ(r.mainIconId, kTdErrorIcon);
    EXPECT_EQ(r.mainInstructionId, 132);
    EXPECT_EQ(r.contentId, 133);
    EXPECT_EQ(r.footerId, 134);
    EXPECT_EQ(r.windowIconId, 101);
    EXPECT_TRUE(r.buttons.empty());
}

TEST_F(PrepareEnvironmentTest, PreviousLibraryIsFreedWhenReplaced) {
    UpdateController controller(fakes.platform, Options(true, false));
    ASSERT_TRUE(controller.PrepareEnvironment());
    EXPECT_EQ(fakes.modules.freed, 0);
    // A second load of the same library gives a new handle in a real
    // process; here another path stands for it.
    const std::u16string otherPath = u"D:\\Copy\\battery.dll";
    fakes.modules.programFileName = {u"D:\\Copy\\Tarnwick.exe", 21, 0};
    fakes.files.attributes[otherPath] = 0x20;
    fakes.modules.files[otherPath] = {};
    ASSERT_TRUE(controller.PrepareEnvironment());
    EXPECT_EQ(fakes.modules.freed, 1);
    EXPECT_EQ(controller.companionLibrary.get(), &fakes.modules.files[otherPath]);
    controller.Teardown();
    EXPECT_EQ(fakes.modules.freed, 2);
}

TEST_F(PrepareEnvironmentTest, CancelLimitUsesListFromLibraryAndFirstRun) {
    FakeModules::AddStrings(fakes.modules.files[kLibraryPath],
                            {{178, u"0x0000007a=30,0x00000000=60"}, {177, u"other"}});
    fakes.language.geoId = 122;
    fakes.clock.now = 1615377600;
    fakes.registry.SetDword(RegistryRoot::CurrentUser, std::u16string(StateKey::subKey), u"First",
                            static_cast<std::uint32_t>(1615377600 - 10 * 86400));
    ToolOptions options = Options(true, false);
    options.enableCancelLimit = true;
    {
        UpdateController controller(fakes.platform, options);
        ASSERT_TRUE(controller.PrepareEnvironment());
        EXPECT_TRUE(controller.cancelAllowed);
        EXPECT_EQ(controller.cancelDaysLeft, 20u);
    }
    // Without string 178 the fallback text has no key: no limit.
    fakes.modules.files[kLibraryPath] = {};
    UpdateController controller(fakes.platform, options);
    ASSERT_TRUE(controller.PrepareEnvironment());
    EXPECT_TRUE(controller.cancelAllowed);
    EXPECT_EQ(controller.cancelDaysLeft, 1000u);
}

TEST_F(PrepareEnvironmentTest, ExpiredCancelPeriod) {
    FakeModules::AddStrings(fakes.modules.files[kLibraryPath], {{178, u"0x00000000=3"}});
    fakes.clock.now = 1615377600;
    fakes.registry.SetDword(RegistryRoot::CurrentUser, std::u16string(StateKey::subKey), u"First",
                            static_cast<std::uint32_t>(1615377600 - 3 * 86400));
    ToolOptions options = Options(false, true);
    options.enableCancelLimit = true;
    UpdateController controller(fakes.platform, options);
    ASSERT_TRUE(controller.PrepareEnvironment());
    EXPECT_FALSE(controller.cancelAllowed);
    EXPECT_EQ(controller.cancelDaysLeft, 0u);
}

}  // namespace
}  // namespace Korvane::PC::Tarnwick
