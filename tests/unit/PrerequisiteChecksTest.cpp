#include "definitions/PrerequisiteChecks.h"

#include <gtest/gtest.h>

#include "app/UpdateController.h"
#include "platform/fakes/CompanionLibrarySetup.h"
#include "tests/unit/TestText.h"

namespace Korvane::PC::Tarnwick {
namespace {

constexpr std::u16string_view kAccessKey = u"Software\\Korvane\\VXN02E3";

// Lines as the system's listing writes them, ending in CR LF.
std::string Listing(const std::vector<std::string>& lines) {
    std::string text = "\r\nModule Name  Display Name           Driver Type   Link Date\r\n";
    for (const std::string& line : lines) text += line + "\r\n";
    return text;
}

class ProbeTest : public ::testing::Test {
protected:
    FakePlatform fakes;
    // The next listing gives `lines`.
    void Drivers(const std::vector<std::string>& lines) {
        fakes.processes.outputScripts.push_back({.output = Listing(lines), .pieceBytes = 7});
    }
    InstalledComponents Probe() {
        CDriverListing listing(fakes.processes, fakes.threads, fakes.environment);
        return ProbeInstalledComponents({listing, fakes.registry, fakes.files, fakes.environment, fakes.paths});
    }
    DriverListingText Read(const FakeOutputScript& script) {
        fakes.processes.outputScripts.push_back(script);
        CDriverListing listing(fakes.processes, fakes.threads, fakes.environment);
        return listing.Text();
    }
    void Service(const std::u16string& name, std::uint32_t start) {
        fakes.registry.SetDword(RegistryRoot::LocalMachine, u"SYSTEM\\CurrentControlSet\\Services\\" + name, u"start",
                                start);
    }
};

TEST_F(ProbeTest, OneListingFromTheSystemFolderPerProbe) {
    Drivers({"VXN02E3      VXN device             Kernel        1/1/2020"});
    Service(u"VXN02E3", 2);
    EXPECT_TRUE(Probe()[ComponentSlot::kVxn02e3]);
    ASSERT_EQ(fakes.processes.launches.size(), 1u);
    const ProcessLaunch& launch = fakes.processes.launches[0];
    EXPECT_EQ(Printable(launch.application), "C:\\Windows\\system32\\driverquery.exe");
    EXPECT_EQ(Printable(launch.commandLine), "\"C:\\Windows\\system32\\driverquery.exe\"");
    EXPECT_EQ(Printable(launch.currentDirectory), "C:\\Windows\\system32");
    EXPECT_EQ(launch.showWindow, kSwHide);
    EXPECT_EQ(launch.creationFlags, 0u);

    // Nothing is kept between listings: the next one is read anew.
    Drivers({});
    EXPECT_FALSE(Probe()[ComponentSlot::kVxn02e3]);
    EXPECT_EQ(fakes.processes.launches.size(), 2u);

    // No system folder: nothing starts and no driver is listed.
    fakes.environment.systemFolder.reset();
    Drivers({"VXN02E3"});
    EXPECT_EQ(Probe(), InstalledComponents{});
    EXPECT_EQ(fakes.processes.launches.size(), 2u);
}

TEST_F(ProbeTest, NameFoundAnywhereInALineByteForByte) {
    const DriverListingText text = Listing({"MEIx64       Intel(R) Management Eng Kernel        3/3/2019",
                                            "acpiex       QBIOSDRV helper         Kernel        1/1/2019"});
    EXPECT_TRUE(IsDriverListed(text, u"MEI")) << "inside a longer module name";
    EXPECT_TRUE(IsDriverListed(text, u"MEIx64"));
    EXPECT_TRUE(IsDriverListed(text, u"QBIOSDRV")) << "in a display name";
    EXPECT_FALSE(IsDriverListed(text, u"mei")) << "case-sensitive";
    EXPECT_FALSE(IsDriverListed(text, u"PeloAcpi"));
    EXPECT_FALSE(IsDriverListed(text, u"x64       Intel(R) Management Eng Kernel        3/3/2019\r\nacpi"))
        << "a match may not run across lines";
    EXPECT_FALSE(IsDriverListed(std::string(), u"MEI"));
    EXPECT_FALSE(IsDriverListed(std::nullopt, u"MEI"));
}

TEST_F(ProbeTest, ListingIsBoundedInTimeAndSize) {
    // A listing that never ends is ended at the limit and lists nothing.
    const std::uint64_t start = fakes.threads.now;
    EXPECT_EQ(Read({.output = "MEI\r\n", .then = FakeOutputScript::Then::kNeverEnds}), std::nullopt);
    EXPECT_EQ(fakes.threads.now - start, kDriverListingLimitMs);
    EXPECT_EQ(fakes.processes.terminations, 1);

    // Output that cannot be read to its end counts as no listing.
    EXPECT_EQ(Read({.output = "MEI\r\n", .then = FakeOutputScript::Then::kFails}), std::nullopt);
    EXPECT_EQ(fakes.processes.terminations, 2);

    // Beyond the cap the output is drained, not kept.
    std::string big(kDriverListingCapBytes - 2, '.');
    big += "VXN02E3\r\nMEI\r\n";
    const DriverListingText cut = Read({.output = big, .pieceBytes = 1u << 20});
    ASSERT_TRUE(cut);
    EXPECT_EQ(cut->size(), kDriverListingCapBytes);
    EXPECT_FALSE(IsDriverListed(cut, u"MEI"));
    EXPECT_EQ(fakes.processes.terminations, 2) << "a listing that ended is not ended again";

    // A listing that cannot be started lists nothing; an empty one too.
    EXPECT_EQ(Read({.starts = false}), std::nullopt);
    EXPECT_EQ(Read({}), std::string());

    // A listing that is never read is ended with the run that started it.
    fakes.processes.outputScripts.push_back({.then = FakeOutputScript::Then::kNeverEnds});
    { CDriverListing unread(fakes.processes, fakes.threads, fakes.environment); }
    EXPECT_EQ(fakes.processes.terminations, 3);
}

// One listing gives every slot what one "findstr NAME" query per name over
// that listing gives, query by query as the slots ask them, for every
// combination of drivers and services.
TEST_F(ProbeTest, OneListingAnswersAsAQueryPerName) {
    const std::string names[] = {"VXN02E3", "QBIOSDRV", "PeloAcpi", "MEI", "MEIx64", "MEIx"};
    fakes.paths.entries = {u"C:\\Windows\\system32\\driverstore\\FileRepository\\peloacpi.inf_amd64_1234"};
    for (unsigned mask = 0; mask < (1u << 9); ++mask) {
        fakes.registry.keys.clear();
        std::vector<std::string> lines;
        for (unsigned i = 0; i < 6; ++i) {
            if ((mask & (1u << i)) != 0) lines.push_back("x" + names[i] + " y");
        }
        for (unsigned i = 0; i < 3; ++i) {
            if ((mask & (1u << (6 + i))) != 0) Service(std::u16string(names[i].begin(), names[i].end()), 4);
        }
        Drivers(lines);
        const InstalledComponents fromListing = Probe();
        const auto query = [&](const std::string& name) {
            for (const std::string& line : lines) {
                if (line.find(name) != std::string::npos) return true;
            }
            return false;
        };
        const auto service = [&](std::u16string_view name) { return IsServiceRegistered(fakes.registry, name); };
        InstalledComponents perQuery{};
        perQuery[0] = query("VXN02E3") && service(u"VXN02E3");
        perQuery[1] = IsAccessLibraryInstalled(fakes.registry, fakes.paths, fakes.files);
        perQuery[2] = query("QBIOSDRV") && service(u"QBIOSDRV");
        perQuery[3] = query("PeloAcpi") && service(u"PeloAcpi") && HasDriverStoreEntry(fakes.environment, fakes.paths);
        perQuery[4] = query("MEI") || query("MEIx64");
        perQuery[5] = query("MEI") || query("MEIx64");
        ASSERT_EQ(fromListing, perQuery) << "mask " << mask;
    }
}

TEST_F(ProbeTest, ServiceStartValue) {
    Service(u"A", 4);  // disabled still counts
    Service(u"B", 0xFFFFFFFF);
    fakes.registry.SetString(RegistryRoot::LocalMachine, u"SYSTEM\\CurrentControlSet\\Services\\C", u"start", u"2");
    fakes.registry.keys[{RegistryRoot::LocalMachine, u"SYSTEM\\CurrentControlSet\\Services\\D"}];
    // Two bytes land in the low half of the preset 0xFFFFFFFF.
    fakes.registry.keys[{RegistryRoot::LocalMachine, u"SYSTEM\\CurrentControlSet\\Services\\E"}][u"start"] = {
        kRegDword, {0xFF, 0xFF}};
    EXPECT_TRUE(IsServiceRegistered(fakes.registry, u"A"));
    for (const char16_t* name : {u"B", u"C", u"D", u"E", u"F"}) {
        EXPECT_FALSE(IsServiceRegistered(fakes.registry, name)) << Printable(name);
    }
    EXPECT_EQ(fakes.registry.openKeys, 0);
}

TEST_F(ProbeTest, AccessLibraryValues) {
    const auto set = [&](const std::u16string& folder, const std::u16string& file, std::uint32_t folderType = kRegSz) {
        fakes.registry.keys.clear();
        fakes.registry.SetString(RegistryRoot::LocalMachine, std::u16string(kAccessKey), u"InstPath", folder);
        fakes.registry.SetString(RegistryRoot::LocalMachine, std::u16string(kAccessKey), u"DllName", file);
        fakes.registry.keys[{RegistryRoot::LocalMachine, std::u16string(kAccessKey)}][u"InstPath"].type = folderType;
        return IsAccessLibraryInstalled(fakes.registry, fakes.paths, fakes.files);
    };
    fakes.files.attributes[u"C:\\K\\ec.dll"] = 0x20;
    fakes.files.attributes[u"C:\\K"] = kFileAttributeDirectory;
    fakes.files.attributes[u"%K%\\ec.dll"] = 0x20;  // only an unexpanded path would find this
    EXPECT_TRUE(set(u"C:\\K", u"ec.dll"));
    EXPECT_TRUE(set(u"C:\\K", u"ec.dll", kRegExpandSz));
    EXPECT_TRUE(set(u"%K%", u"ec.dll", kRegExpandSz)) << "REG_EXPAND_SZ is read as stored";
    fakes.environment.variables[u"K"] = u"C:\\K";
    fakes.files.attributes.erase(u"%K%\\ec.dll");
    EXPECT_FALSE(set(u"%K%", u"ec.dll", kRegExpandSz)) << "expanded where it must not be";
    EXPECT_FALSE(set(u"C:\\K", u"")) << "the folder itself";
    EXPECT_FALSE(set(u"C:\\K", u"ec.dll", 7 /* REG_MULTI_SZ */));
    EXPECT_FALSE(set(u"C:\\K", u"other.dll"));
    EXPECT_FALSE(set(std::u16string(259, u'a'), u"ec.dll")) << "260 units with the NUL do not fit";
    set(u"C:\\K", u"ec.dll");
    auto& stored = fakes.registry.keys[{RegistryRoot::LocalMachine, std::u16string(kAccessKey)}][u"DllName"].data;
    stored.pop_back();  // odd size
    EXPECT_FALSE(IsAccessLibraryInstalled(fakes.registry, fakes.paths, fakes.files));
    stored.pop_back();  // no terminating NUL
    EXPECT_FALSE(IsAccessLibraryInstalled(fakes.registry, fakes.paths, fakes.files));
}

class CheckRequirementsTest : public ProbeTest {
protected:
    CheckRequirementsTest() {
        FakeModules::AddNamed(InstallCompanionLibrary(fakes), u"TXT", TableId::kRequirementTable,
                              Utf16Bytes(u"KBX1001\t1\t0\t0\t0\t0\t0\r\nKBX9009\t0\t0\t0\t0\t0\t1\r\n"));
        EXPECT_TRUE(controller.PrepareEnvironment());
    }
    static std::vector<std::uint8_t> Utf16Bytes(std::u16string_view text) {
        std::vector<std::uint8_t> bytes;
        for (char16_t c : text) bytes.insert(bytes.end(), {static_cast<std::uint8_t>(c), static_cast<std::uint8_t>(c >> 8)});
        return bytes;
    }
    UpdateController controller{fakes.platform, ToolOptions{}};
};

TEST_F(CheckRequirementsTest, RowDecides) {
    controller.machine.product = std::u16string(u"KBX0000\0", 8);
    EXPECT_FALSE(controller.CheckRequirements()) << "no row: nothing required";
    EXPECT_EQ(fakes.processes.launches.size(), 1u) << "probed all the same";
    EXPECT_TRUE(controller.requirementRow.product.empty());

    controller.machine.product = std::u16string(u"KBX9009\0", 8);
    Drivers({"MEIx64"});
    EXPECT_FALSE(controller.CheckRequirements()) << "slot 5 found through MEIx64";
    EXPECT_EQ(Printable(controller.requirementRow.product), "KBX9009\\0");

    controller.machine.product = std::u16string(u"KBX1001\0", 8);
    Drivers({"VXN02E3"});  // listed, but the service has no "start"
    fakes.registry.keys[{RegistryRoot::LocalMachine, u"SYSTEM\\CurrentControlSet\\Services\\VXN02E3"}];
    ASSERT_TRUE(controller.CheckRequirements());
    EXPECT_EQ(controller.target.action, ActionCode::kNeedEssentialSoft);
    ASSERT_TRUE(controller.currentAction);
    EXPECT_EQ(controller.currentAction->GetKind(), ActionKind::kNeedEssentialSoft);
    Service(u"VXN02E3", 3);
    Drivers({"VXN02E3"});
    EXPECT_FALSE(controller.CheckRequirements());
    EXPECT_EQ(fakes.processes.launches.size(), 4u) << "one listing per check";
}

// The listing started ahead is the one the check reads; a run that ends
// before the check ends the listing it started.
TEST_F(CheckRequirementsTest, ListingStartedAheadIsReadOnceOrEndedWithTheRun) {
    fakes.processes.launches.clear();
    Drivers({"MEI"});
    {
        UpdateController run(fakes.platform, ToolOptions{});
        run.StartDriverListing();
        EXPECT_EQ(fakes.processes.launches.size(), 1u);
        ASSERT_TRUE(run.PrepareEnvironment());
        run.machine.product = std::u16string(u"KBX9009\0", 8);
        EXPECT_FALSE(run.CheckRequirements());
        EXPECT_TRUE(run.installedComponents[ComponentSlot::kIamt]);
        EXPECT_EQ(fakes.processes.launches.size(), 1u) << "the started listing was the one read";
    }
    fakes.processes.outputScripts.push_back({.then = FakeOutputScript::Then::kNeverEnds});
    {
        UpdateController run(fakes.platform, ToolOptions{});
        run.StartDriverListing();
    }
    EXPECT_EQ(fakes.processes.terminations, 1);
}

}  // namespace
}  // namespace Korvane::PC::Tarnwick
