#include "machine/EcDeviceControl.h"

#include <gtest/gtest.h>

#include "machine/ChangeRights.h"
#include "platform/fakes/FakeAccessLibraries.h"
#include "platform/fakes/FakeFiles.h"
#include "platform/fakes/FakePaths.h"
#include "platform/fakes/FakeRegistry.h"
#include "platform/fakes/FakeRunAccount.h"

namespace Korvane::PC::Tarnwick {
namespace {

class EcDeviceControlTest : public ::testing::Test {
protected:
    void Register(const std::u16string& folder, const std::u16string& name) {
        registry.SetString(RegistryRoot::LocalMachine, std::u16string(kAccessLibraryKey), u"InstPath", folder);
        registry.SetString(RegistryRoot::LocalMachine, std::u16string(kAccessLibraryKey), u"DllName", name);
    }
    FakeAccessLibraries::Library& Install(std::uint32_t value) {
        Register(u"C:\\Korvane\\EC", u"ec.dll");
        FakeAccessLibraries::Library& library = libraries.files[u"C:\\Korvane\\EC\\ec.dll"];
        library.value = value;
        return library;
    }
    Version3 Read() {
        const Version3 version = ReadPmuFirmwareVersion(registry, files, paths, libraries, account);
        EXPECT_EQ(libraries.loaded, 0) << "the library must be unloaded on every path";
        EXPECT_EQ(libraries.held, 0) << "the file must be let go on every path";
        return version;
    }
    static constexpr std::u16string_view kPath = u"C:\\Korvane\\EC\\ec.dll";
    static std::u16string Event(std::u16string_view what) { return std::u16string(what) + u" " + std::u16string(kPath); }
    FakeRegistry registry;
    FakeFiles files;
    FakePaths paths;
    FakeAccessLibraries libraries;
    FakeRunAccount account;
};

TEST_F(EcDeviceControlTest, DecodesTheVersionWord) {
    EXPECT_EQ(DecodePmuVersion(0x1234), (Version3{3, 4, 12}));
    EXPECT_EQ(DecodePmuVersion(0x0910), (Version3{1, 0, 9}));
    EXPECT_EQ(DecodePmuVersion(0xFFFF9999), (Version3{9, 9, 99}));
}

TEST_F(EcDeviceControlTest, ReadsTheFirmwareThroughCommandD5) {
    FakeAccessLibraries::Library& library = Install(0x1234);
    EXPECT_EQ(Read(), (Version3{3, 4, 12}));
    EXPECT_EQ(library.commands, std::vector<std::uint32_t>{0xD5});
    EXPECT_EQ(libraries.loads, std::vector<std::u16string>{u"C:\\Korvane\\EC\\ec.dll"});
}

TEST_F(EcDeviceControlTest, UnreadableWithoutLoadingAnything) {
    EXPECT_EQ(Read(), Version3{});  // no key
    // Sizes (terminators included) adding up to 520 bytes are refused.
    Register(std::u16string(200, u'a'), std::u16string(58, u'b'));  // 402 + 118 bytes
    EXPECT_EQ(Read(), Version3{});
    EXPECT_EQ(files.lastError, 122u);
    // A folder that is not a full path would be searched for.
    for (const std::u16string folder : {u"", u"EC", u"\\EC", u"C:EC"}) {
        Register(folder, u"ec.dll");
        EXPECT_EQ(Read(), Version3{});
    }
    EXPECT_TRUE(libraries.loads.empty());
    EXPECT_TRUE(libraries.events.empty());
    // 518 bytes pass the size check and reach the open.
    Register(u"C:\\" + std::u16string(197, u'a'), std::u16string(57, u'b'));
    EXPECT_EQ(Read(), Version3{});
    EXPECT_EQ(libraries.events.size(), 1u);
    EXPECT_TRUE(libraries.loads.empty());
}

TEST_F(EcDeviceControlTest, LoadedButUnusableLibraries) {
    FakeAccessLibraries::Library& library = Install(0x1234);
    library.info = 0xEF;  // bit 4 clear: ReadWritePWRMC is not called
    EXPECT_EQ(Read(), Version3{});
    EXPECT_TRUE(library.commands.empty());
    library.info = 0x10;
    library.infoResult = 1;
    EXPECT_EQ(Read(), Version3{});
    library.infoResult = 0;
    library.readResult = -1;
    EXPECT_EQ(Read(), Version3{});
    library.readResult = 0;
    library.exportsReadWritePWRMC = false;
    EXPECT_EQ(Read(), Version3{});
    EXPECT_EQ(files.lastError, 50u);
    library.exportsGetECDevInfo = false;
    files.lastError = 0;
    EXPECT_EQ(Read(), Version3{});
    EXPECT_EQ(files.lastError, 50u);
}

TEST_F(EcDeviceControlTest, AttachRefusesNullAndASecondModule) {
    FakeAccessLibraries::Library& library = Install(0);
    CVxn02e3DllECDeviceControl control(libraries, files);
    EXPECT_FALSE(control.Attach(nullptr));
    EXPECT_EQ(files.lastError, 6u);
    const HeldLibraryFile held = libraries.OpenHeld(kPath);
    const ModuleHandle module = libraries.LoadHeld(held);
    ASSERT_TRUE(control.Attach(module));
    EXPECT_NE(control.getECDevInfo, nullptr);
    EXPECT_FALSE(control.Attach(&library));
    EXPECT_EQ(files.lastError, 1247u);
    control.Free();
    EXPECT_EQ(control.getECDevInfo, nullptr);
    EXPECT_EQ(libraries.loaded, 0);
    libraries.CloseHeld(held);
}

TEST_F(EcDeviceControlTest, ALibraryOthersMayChangeIsNeverLoaded) {
    Install(0x1234);
    const AccessList open{u"S-1-5-32-544", {{u"S-1-1-0", 0x1F01FF}}};
    for (const std::u16string checked : {u"C:\\Korvane\\EC\\ec.dll", u"C:\\Korvane\\EC"}) {
        libraries.accessLists = {{checked, open}};
        EXPECT_EQ(Read(), Version3{}) << "writable: " << std::string(checked.begin(), checked.end());
        libraries.accessLists = {{checked, std::nullopt}};
        EXPECT_EQ(Read(), Version3{}) << "unreadable";
        EXPECT_EQ(files.lastError, 5u);
    }
    EXPECT_TRUE(libraries.loads.empty());
    libraries.accessLists.clear();
    EXPECT_EQ(Read(), (Version3{3, 4, 12}));
    EXPECT_EQ(libraries.accessReads.back(), u"C:\\Korvane\\EC");
}

// The file and its folder are held from before the check until after the
// library is freed, whether the query succeeds or stops once it is loaded.
TEST_F(EcDeviceControlTest, TheCheckedFileIsHeldUntilTheLibraryIsFreed) {
    FakeAccessLibraries::Library& library = Install(0x1234);
    const std::vector<std::u16string> whole{Event(u"open"), Event(u"load"), Event(u"free"), Event(u"close")};
    EXPECT_EQ(Read(), (Version3{3, 4, 12}));
    EXPECT_EQ(libraries.events, whole);
    libraries.events.clear();
    library.info = 0xEF;
    EXPECT_EQ(Read(), Version3{});
    EXPECT_EQ(libraries.events, whole);
}

// A link on the way to the library, or a loader that mapped another file
// than the one held (the path swapped between the check and the load).
TEST_F(EcDeviceControlTest, OnlyTheHeldFileWhereItsPathSaysIsUsed) {
    FakeAccessLibraries::Library& library = Install(0x1234);
    libraries.elsewhere.insert(std::u16string(kPath));
    EXPECT_EQ(Read(), Version3{});
    EXPECT_EQ(files.lastError, 5u);
    EXPECT_TRUE(libraries.loads.empty());
    EXPECT_TRUE(libraries.accessReads.empty()) << "nothing is judged of a file found elsewhere";

    libraries.elsewhere.clear();
    libraries.loadsAnotherFile = true;
    libraries.events.clear();
    EXPECT_EQ(Read(), Version3{});
    EXPECT_EQ(files.lastError, 5u);
    EXPECT_TRUE(library.commands.empty()) << "nothing is called in a module that is not the held file";
    EXPECT_EQ(libraries.events,
              (std::vector<std::u16string>{Event(u"open"), Event(u"load"), Event(u"free"), Event(u"close")}));
}

// The run's own account may own or change the library only in a user's own
// run: an elevated run shares that account with the user's unelevated
// programs, and SYSTEM trusts only the system's accounts.
TEST_F(EcDeviceControlTest, OnlyAUsersOwnRunTrustsItsOwnAccount) {
    Install(0x1234);
    const AccessList ownedByUser{std::u16string(kFakeUserSid), {{std::u16string(kFakeUserSid), 0x1F01FF}}};
    libraries.accessLists = {{u"C:\\Korvane\\EC", ownedByUser}};
    EXPECT_EQ(Read(), (Version3{3, 4, 12})) << "a standard user's own run";
    account.BecomeElevated();
    EXPECT_EQ(TrustedRunSid(account.account), u"");
    EXPECT_EQ(Read(), Version3{}) << "elevated";
    EXPECT_EQ(files.lastError, 5u);
    account.BecomeLocalSystem();
    EXPECT_EQ(TrustedRunSid(account.account), kLocalSystemSid);
    EXPECT_EQ(Read(), Version3{}) << "SYSTEM";
    EXPECT_EQ(libraries.loads.size(), 1u);
}

}  // namespace
}  // namespace Korvane::PC::Tarnwick
