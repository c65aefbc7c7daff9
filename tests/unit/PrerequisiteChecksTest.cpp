#include "definitions/PrerequisiteChecks.h"

#include <gtest/gtest.h>

#include "app/UpdateController.h"
#include "platform/fakes/FakeEnvironment.h"
#include "tests/unit/TestText.h"

namespace Korvane::PC::Tarnwick {
namespace {

constexpr std::u16string_view kFindstr = u"| findstr ";
constexpr std::u16string_view kAccessKey = u"Software\\Korvane\\VXN02E3";

std::u16string QueriedName(const ProcessLaunch& launch) {
    return launch.commandLine.substr(launch.commandLine.find(kFindstr) + kFindstr.size());
}

// Driver queries answered from a driver list, with the start and the wait
// of every query recorded in order.
class DriverList : public IProcesses {
public:
    std::vector<std::u16string> drivers;
    std::vector<std::string> events;
    std::vector<ProcessLaunch> launches;

    std::unique_ptr<IProcess> Start(const ProcessLaunch& launch) override {
        launches.push_back(launch);
        const std::u16string name = QueriedName(launch);
        events.push_back("start " + Printable(name));
        bool listed = false;
        for (const std::u16string& line : drivers) listed = listed || line.find(name) != std::u16string::npos;
        return std::make_unique<Query>(*this, name, listed);
    }

private:
    class Query : public IProcess {
    public:
        Query(DriverList& owner, std::u16string name, bool listed) : owner_(owner), name_(name), listed_(listed) {}
        WaitOutcome Wait(std::optional<std::uint32_t> timeout) override {
            EXPECT_FALSE(timeout) << "driver queries are waited for without a time limit";
            owner_.events.push_back("wait " + Printable(name_));
            return WaitOutcome::kSignalled;
        }
        WaitOutcome WaitServingMessages() override { return WaitOutcome::kFailed; }
        std::optional<std::uint32_t> ExitCode() override { return listed_ ? 0u : 1u; }

    private:
        DriverList& owner_;
        std::u16string name_;
        bool listed_;
    };
};

class ProbeTest : public ::testing::Test {
protected:
    FakePlatform fakes;
    DriverList drivers;
    ComponentProbes Probes() { return {drivers, fakes.registry, fakes.files, fakes.environment, fakes.paths}; }
    void Service(const std::u16string& name, std::uint32_t start) {
        fakes.registry.SetDword(RegistryRoot::LocalMachine, u"SYSTEM\\CurrentControlSet\\Services\\" + name, u"start",
                                start);
    }
};

TEST_F(ProbeTest, QueriesRunFromTheSystemFolderAndOverlap) {
    drivers.drivers = {u"VXN02E3  VXN device"};
    ProbeInstalledComponents(Probes());
    ASSERT_EQ(drivers.launches.size(), 7u);
    const ProcessLaunch& first = drivers.launches[0];
    EXPECT_EQ(Printable(first.application), "C:\\Windows\\system32\\cmd.exe");
    EXPECT_EQ(Printable(first.commandLine), "C:\\Windows\\System32\\cmd.exe /c Driverquery | findstr VXN02E3");
    EXPECT_EQ(Printable(first.currentDirectory), "C:\\Windows\\system32");
    EXPECT_EQ(first.showWindow, kSwHide);
    EXPECT_EQ(first.creationFlags, 0u);
    const std::vector<std::string> expected = {
        "start VXN02E3", "start QBIOSDRV", "start PeloAcpi", "start MEI",    "start MEI",
        "wait MEI",      "start MEIx64",   "wait MEI",       "start MEIx64", "wait VXN02E3",
        "wait QBIOSDRV", "wait PeloAcpi",  "wait MEIx64",    "wait MEIx64"};
    EXPECT_EQ(drivers.events, expected);

    // MEI found: no MEIx64 query at all; no system folder: no query starts.
    drivers = {};
    drivers.drivers = {u"XMEIY"};
    ProbeInstalledComponents(Probes());
    EXPECT_EQ(drivers.launches.size(), 5u);
    drivers = {};
    fakes.environment.systemFolder.reset();
    EXPECT_EQ(ProbeInstalledComponents(Probes()), InstalledComponents{});
    EXPECT_TRUE(drivers.launches.empty());
}

// The overlapped probe answers what the queries made one after the other in
// slot order answer, for every combination of drivers and services.
TEST_F(ProbeTest, OverlappedProbingMatchesOneAfterTheOther) {
    const std::u16string names[] = {u"VXN02E3", u"QBIOSDRV", u"PeloAcpi", u"MEI", u"MEIx64", u"MEIx"};
    fakes.paths.entries = {u"C:\\Windows\\system32\\driverstore\\FileRepository\\peloacpi.inf_amd64_1234"};
    for (unsigned mask = 0; mask < (1u << 9); ++mask) {
        drivers = {};
        fakes.registry.keys.clear();
        for (unsigned i = 0; i < 6; ++i) {
            if ((mask & (1u << i)) != 0) drivers.drivers.push_back(names[i] + u" x");
        }
        for (unsigned i = 0; i < 3; ++i) {
            if ((mask & (1u << (6 + i))) != 0) Service(names[i], 4);
        }
        const InstalledComponents overlapped = ProbeInstalledComponents(Probes());
        const auto listed = [&](std::u16string_view name) { return IsDriverListed(drivers, fakes.environment, name); };
        const auto service = [&](std::u16string_view name) { return IsServiceRegistered(fakes.registry, name); };
        InstalledComponents sequential{};
        sequential[0] = listed(u"VXN02E3") && service(u"VXN02E3");
        sequential[1] = IsAccessLibraryInstalled(fakes.registry, fakes.paths, fakes.files);
        sequential[2] = listed(u"QBIOSDRV") && service(u"QBIOSDRV");
        sequential[3] = listed(u"PeloAcpi") && service(u"PeloAcpi") && HasDriverStoreEntry(fakes.environment, fakes.paths);
        sequential[4] = listed(u"MEI") || listed(u"MEIx64");
        sequential[5] = listed(u"MEI") || listed(u"MEIx64");
        ASSERT_EQ(overlapped, sequential) << "mask " << mask;
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
        fakes.processes.byLaunch = [this](const ProcessLaunch& launch) {
            bool listed = false;
            for (const auto& line : drivers.drivers) listed = listed || line.find(QueriedName(launch)) != std::u16string::npos;
            return FakeProcessScript{true, WaitOutcome::kSignalled, listed ? 0u : 1u};
        };
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
    EXPECT_EQ(fakes.processes.launches.size(), 7u) << "probed all the same";
    EXPECT_TRUE(controller.requirementRow.product.empty());

    controller.machine.product = std::u16string(u"KBX9009\0", 8);
    drivers.drivers = {u"MEIx64"};
    EXPECT_FALSE(controller.CheckRequirements()) << "slot 5 found through MEIx64";
    EXPECT_EQ(Printable(controller.requirementRow.product), "KBX9009\\0");

    controller.machine.product = std::u16string(u"KBX1001\0", 8);
    drivers.drivers = {u"VXN02E3"};  // listed, but the service has no "start"
    fakes.registry.keys[{RegistryRoot::LocalMachine, u"SYSTEM\\CurrentControlSet\\Services\\VXN02E3"}];
    ASSERT_TRUE(controller.CheckRequirements());
    EXPECT_EQ(controller.target.action, ActionCode::kNeedEssentialSoft);
    ASSERT_TRUE(controller.currentAction);
    EXPECT_EQ(controller.currentAction->GetKind(), ActionKind::kNeedEssentialSoft);
    Service(u"VXN02E3", 3);
    EXPECT_FALSE(controller.CheckRequirements());
}

}  // namespace
}  // namespace Korvane::PC::Tarnwick
