#include "actions/ToolJob.h"

#include <gtest/gtest.h>

#include <functional>
#include <new>

#include "actions/OnlineVersionCheck.h"
#include "app/UpdateController.h"
#include "platform/fakes/CompanionLibrarySetup.h"
#include "tests/unit/TestText.h"

namespace Korvane::PC::Tarnwick {
namespace {

const std::vector<std::uint8_t> kPackage(150000, 0x5A);  // three reads of 64 KiB
const std::u16string kFolder = u"C:\\Temp\\Pemberlin0";

struct Question {
    std::uint16_t main, content;
    bool operator==(const Question&) const = default;
};

class ToolJobTest : public ::testing::Test {
public:
    ToolJobTest() {
        FakeModules::AddStrings(InstallCompanionLibrary(fakes),
                                {{145, u"Agent/1"}, {146, u"http://dl.example/"}, {186, u"?m=%s&s=%s"}});
        Serve(kPackage);
    }

    // Answers the next download with `body` in pieces of `piece` bytes.
    void Serve(const std::vector<std::uint8_t>& body, std::size_t piece = 65536) {
        FakeResponse response;
        for (std::size_t at = 0; at < body.size(); at += piece) {
            response.pieces.emplace_back(std::vector<std::uint8_t>(
                body.begin() + static_cast<std::ptrdiff_t>(at),
                body.begin() + static_cast<std::ptrdiff_t>(std::min(body.size(), at + piece))));
        }
        fakes.internet.responses.push_back(response);
    }

    std::int32_t Run(ToolOptions options = {}, ToolWait toolWait = ToolWait::kNone) {
        PrepareController(options);
        const std::int32_t result = ToNumber(ExecuteToolJobs(controller->View(), kFirmwareJobMessages, toolWait));
        EXPECT_EQ(fakes.threads.openHandles, 0) << "progress thread not joined";
        EXPECT_EQ(fakes.internet.openHandles, 0);
        EXPECT_EQ(fakes.workFiles.openFiles, 0);
        return result;
    }
    void PrepareController(ToolOptions options) {
        controller = std::make_unique<UpdateController>(fakes.platform, options);
        ASSERT_TRUE(controller->PrepareEnvironment());
        controller->machine.model = std::u16string(u"KN-1\0", 5);
        controller->machine.serial = std::u16string(u"S9\0", 3);
        controller->target.url = std::u16string(u"fw/kbx.exe\0", 11);
        controller->target.toolFile = std::u16string(u"tool\\flash.exe\0", 15);
        controller->target.toolParameters = std::u16string(u"/auto\0", 6);
        const Sha256Digest digest = FakeDigest(kPackage);
        controller->target.hash.assign(digest.begin(), digest.end());
    }
    std::vector<Question> Questions() const {
        std::vector<Question> questions;
        for (const TaskDialogRequest& r : fakes.taskDialogs.shown) questions.push_back({r.mainInstructionId, r.contentId});
        return questions;
    }
    bool FolderRemoved() const { return !fakes.workFiles.removedFolders.empty(); }

    FakePlatform fakes;
    std::unique_ptr<UpdateController> controller;
};

TEST_F(ToolJobTest, InteractiveUpdateGoesFromDownloadToStartedTool) {
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(fakes.threads.started, 1);
    EXPECT_EQ(fakes.workFiles.createdFolders, std::vector<std::u16string>{kFolder});
    EXPECT_EQ(fakes.internet.agents, std::vector<std::u16string>{u"Agent/1"});
    EXPECT_EQ(Printable(fakes.internet.urls.at(0)), "http://dl.example/fw/kbx.exe?m=KN-1&s=S9");
    for (std::size_t size : fakes.internet.readSizes) EXPECT_EQ(size, 65536u);

    ASSERT_EQ(fakes.processes.launches.size(), 1u);  // the package
    EXPECT_FALSE(FolderRemoved());
    const ProcessLaunch& package = fakes.processes.launches[0];
    EXPECT_EQ(Printable(package.application), "C:\\Temp\\Pemberlin0\\cbfA.tmp");
    EXPECT_EQ(Printable(package.commandLine), "\"C:\\Temp\\Pemberlin0\\cbfA.tmp\" ");
    EXPECT_EQ(package.currentDirectory, kFolder);
    EXPECT_EQ(package.showWindow, std::optional<std::uint16_t>(kSwHide));

    ASSERT_EQ(fakes.shell.launches.size(), 1u);
    const ShellLaunch& tool = fakes.shell.launches[0];
    EXPECT_EQ(Printable(tool.file), "C:\\Temp\\Pemberlin0\\tool\\flash.exe");
    EXPECT_EQ(Printable(tool.parameters), "/auto");
    EXPECT_EQ(Printable(tool.directory), "C:\\Temp\\Pemberlin0\\tool");
    EXPECT_EQ(tool.show, kSwShowNormal);
    EXPECT_TRUE(fakes.taskDialogs.shown.empty());
    // Cancel checks: after the folder, after the file, before each of four
    // reads, after verification, after the package; then the join.
    EXPECT_EQ(fakes.threads.WaitsOf(0), 8);
    EXPECT_EQ(fakes.threads.waits.back(), std::nullopt);
}

TEST_F(ToolJobTest, SilentRunDownloadsWithoutThreadAndShowsTheToolWithoutActivating) {
    ToolOptions silent;
    silent.silent = true;
    silent.disableDownloadParameters = true;
    fakes.internet.responses.push_front({false, true, {}});  // the first attempt fails
    EXPECT_EQ(Run(silent), 0);
    EXPECT_EQ(fakes.threads.started, 0);
    EXPECT_EQ(fakes.threads.sleeps, std::vector<std::uint32_t>{90000});
    EXPECT_EQ(Printable(fakes.internet.urls.at(0)), "http://dl.example/fw/kbx.exe");
    EXPECT_EQ(fakes.shell.launches.at(0).show, kSwShowNoActivate);
}

TEST_F(ToolJobTest, EveryAttemptFailingPausesFourTimesAndAsksWithTheLastCode) {
    fakes.internet.responses.clear();
    const FakeResponse failures[] = {{false, true, {}}, {true, false, {}}, {true, true, {std::nullopt}},
                                     {true, true, {std::vector<std::uint8_t>(10)}}};
    for (const FakeResponse& r : failures) fakes.internet.responses.push_back(r);
    fakes.workFiles.writeFails = true;  // only the last attempt reaches a write
    EXPECT_EQ(Run(), 1014);
    EXPECT_EQ(fakes.threads.WaitsOf(90000), 4);  // the last attempt is followed by a pause too
    EXPECT_EQ(Questions(), (std::vector<Question>{{131, 161}}));
    EXPECT_TRUE(FolderRemoved());
}

TEST_F(ToolJobTest, FailedAttemptIsCutAwayBeforeTheNextOne) {
    fakes.internet.responses.clear();
    fakes.internet.responses.push_back({true, true, {std::vector<std::uint8_t>(500, 1), std::nullopt}});
    Serve(kPackage, 1000);  // short pieces do not end the body
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(fakes.threads.WaitsOf(90000), 1);
    EXPECT_EQ(fakes.workFiles.files.begin()->second, kPackage);
}

TEST_F(ToolJobTest, CancelAtEveryCheckEndsWith1008WithoutQuestion) {
    // The checks of a good run (see above), then a failing run's pause.
    for (int at = 0; at < 8; ++at) {
        SCOPED_TRACE(at);
        fakes.threads = FakeThreads{};
        fakes.threads.endsAtWait = at;
        fakes.workFiles.removedFolders.clear();
        Serve(kPackage);
        EXPECT_EQ(Run(), 1008);
        EXPECT_TRUE(fakes.taskDialogs.shown.empty());
        EXPECT_TRUE(fakes.shell.launches.empty());
        EXPECT_TRUE(FolderRemoved());
    }
    fakes.threads = FakeThreads{};
    fakes.internet.responses.assign(1, {false, true, {}});
    fakes.threads.endsAtWait = 2;  // the first pause
    const std::size_t attempts = fakes.internet.agents.size();
    EXPECT_EQ(Run(), 1008);
    EXPECT_EQ(fakes.internet.agents.size(), attempts + 1);  // no second attempt
}

TEST_F(ToolJobTest, ProgressThreadThatCannotStartIsACancelOnlyInteractively) {
    fakes.threads.startFails = true;
    EXPECT_EQ(Run(), 1008);
    EXPECT_TRUE(fakes.internet.agents.empty());
}

TEST_F(ToolJobTest, FailureRowsGiveTheirResultAndQuestion) {
    struct Row {
        const char* name;
        std::function<void(ToolJobTest&)> arrange;
        std::int32_t result;
        Question question;
    } rows[] = {
        {"no temp path", [](ToolJobTest& t) { t.fakes.workFiles.tempPath.reset(); }, 1009, {129, 162}},
        {"access denied", [](ToolJobTest& t) { t.fakes.workFiles.folderErrors[kFolder] = 5; }, 1009, {129, 162}},
        {"no download file", [](ToolJobTest& t) { t.fakes.workFiles.tempFileFails = true; }, 1010, {129, 162}},
        {"wrong digest", [](ToolJobTest& t) { t.controller->target.hash[31] ^= 1; }, 1015, {133, 134}},
        {"31-byte hash", [](ToolJobTest& t) { t.controller->target.hash.pop_back(); }, 1015, {133, 134}},
        {"no size", [](ToolJobTest& t) { t.fakes.workFiles.sizeFails = true; }, 1015, {133, 134}},
        {"not sealed", [](ToolJobTest& t) { t.fakes.workFiles.sealFails = true; }, 1015, {133, 134}},
        {"real location of the folder unknown", [](ToolJobTest& t) { t.fakes.workFiles.finalPaths[kFolder] = u""; },
         1009, {129, 162}},
        {"package really elsewhere",
         [](ToolJobTest& t) { t.fakes.workFiles.finalPaths[kFolder + u"\\cbfA.tmp"] = u"C:\\Temp\\cbfA.tmp"; }, 1016,
         {139, 140}},
        {"tool not unpacked",
         [](ToolJobTest& t) { t.fakes.workFiles.missing.insert(kFolder + u"\\tool\\flash.exe"); }, 1017, {136, 137}},
        {"tool reached through a link out of the work folder",
         [](ToolJobTest& t) {
             t.fakes.workFiles.finalPaths[kFolder + u"\\tool\\flash.exe"] = u"C:\\Temp\\Pemberlin0-x\\flash.exe";
         },
         1017, {136, 137}},
        {"no provider", [](ToolJobTest& t) { t.fakes.hashing.createFails = true; }, 1015, {133, 134}},
        {"hash fails", [](ToolJobTest& t) { t.fakes.hashing.updateFails = true; }, 1015, {133, 134}},
        {"package not started", [](ToolJobTest& t) { t.fakes.processes.scripts.push_back({false}); }, 1016,
         {139, 140}},
        {"package wait failed",
         [](ToolJobTest& t) { t.fakes.processes.scripts.push_back({true, WaitOutcome::kFailed}); }, 1016, {139, 140}},
        {"tool not started", [](ToolJobTest& t) { t.fakes.shell.scripts.push_back({false}); }, 1017, {136, 137}},
        {"tool file climbs out of the work folder",
         [](ToolJobTest& t) { t.controller->target.toolFile = std::u16string(u"tool\\..\\..\\x.exe\0", 17); }, 1017,
         {136, 137}},
        {"empty tool file", [](ToolJobTest& t) { t.controller->target.toolFile = std::u16string(u"\0", 1); }, 1017,
         {136, 137}},
        {"no memory to start the package",
         [](ToolJobTest& t) {
             t.fakes.processes.byLaunch = [](const ProcessLaunch&) -> std::optional<FakeProcessScript> {
                 throw std::bad_alloc();
             };
         },
         1016, {139, 140}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ToolJobTest& t = *this;
        t.fakes.taskDialogs.shown.clear();
        t.fakes.processes = FakeProcesses{};
        t.fakes.workFiles = FakeWorkFiles{};
        t.fakes.hashing = FakeHashing{};
        t.fakes.shell = FakeShell{};
        Serve(kPackage);
        PrepareController({});
        row.arrange(t);
        EXPECT_EQ(ToNumber(ExecuteToolJobs(controller->View(), kFirmwareJobMessages, ToolWait::kNone)), row.result);
        EXPECT_EQ(Questions(), std::vector<Question>{row.question});
        EXPECT_EQ(fakes.threads.openHandles, 0);
        EXPECT_EQ(fakes.workFiles.openFiles, 0);
    }
}

TEST(ToolFileTest, RelativePathsMustStayInsideTheWorkFolder) {
    const std::pair<std::u16string_view, ToolFileKind> cases[] = {
        {u"flash.exe", ToolFileKind::kInsideWorkFolder},
        {u"tool\\.\\sub/..\\flash.exe", ToolFileKind::kInsideWorkFolder},
        {u"C:\\Windows\\System32\\msiexec.exe", ToolFileKind::kFullPath},
        {u"", ToolFileKind::kEmpty},
        {u"..\\x.exe", ToolFileKind::kOutsideWorkFolder},
        {u"tool\\..\\..\\x.exe", ToolFileKind::kOutsideWorkFolder},
        {u"\\x.exe", ToolFileKind::kOutsideWorkFolder},
        {u"C:x.exe", ToolFileKind::kOutsideWorkFolder},
        {u"...\\x.exe", ToolFileKind::kOutsideWorkFolder},
    };
    for (const auto& [path, kind] : cases) EXPECT_EQ(ClassifyToolFile(path), kind) << Printable(path);
    EXPECT_EQ(ClassifyToolFile(std::u16string(u"\0..\\x.exe", 9)), ToolFileKind::kEmpty) << "up to the NUL";
}

TEST_F(ToolJobTest, WorkFolderTakesTheFirstFreeNumber) {
    fakes.workFiles.folders = {u"C:\\Temp\\Pemberlin0", u"C:\\Temp\\Pemberlin1"};
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(fakes.workFiles.createdFolders, std::vector<std::u16string>{u"C:\\Temp\\Pemberlin2"});
}

TEST_F(ToolJobTest, WorkFolderOfAnElevatedOrSystemRunIsForAdministratorsOnly) {
    Run();
    EXPECT_EQ(fakes.workFiles.folderAccess.back(), FolderAccess::kRunningUserToo);
    fakes.runAccount.BecomeElevated();
    Run();
    EXPECT_EQ(fakes.workFiles.folderAccess.back(), FolderAccess::kAdministratorsOnly);
    fakes.runAccount.BecomeLocalSystem();
    Run();
    EXPECT_EQ(fakes.workFiles.folderAccess.back(), FolderAccess::kAdministratorsOnly);
}

TEST_F(ToolJobTest, FolderIsHeldFromCreationToCleanUpAndEachFileUntilItHasStarted) {
    // What had started by the time each hold ended.
    std::vector<std::string> released;
    fakes.workFiles.onRelease = [&](const std::u16string& path) {
        released.push_back(Printable(path) + " after " + std::to_string(fakes.processes.launches.size()) + "+" +
                           std::to_string(fakes.shell.launches.size()));
    };
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(fakes.workFiles.journal,
              (std::vector<std::string>{"hold C:\\Temp\\Pemberlin0", "seal C:\\Temp\\Pemberlin0\\cbfA.tmp",
                                        "release C:\\Temp\\Pemberlin0\\cbfA.tmp",
                                        "seal C:\\Temp\\Pemberlin0\\tool\\flash.exe",
                                        "release C:\\Temp\\Pemberlin0\\tool\\flash.exe",
                                        "release C:\\Temp\\Pemberlin0"}));
    EXPECT_EQ(released, (std::vector<std::string>{"C:\\Temp\\Pemberlin0\\cbfA.tmp after 1+0",
                                                  "C:\\Temp\\Pemberlin0\\tool\\flash.exe after 1+1",
                                                  "C:\\Temp\\Pemberlin0 after 1+1"}));

    // A failed job lets go of the folder before removing it (a held folder
    // cannot be removed).
    fakes.workFiles.journal.clear();
    fakes.workFiles.folders.clear();  // the started tool kept the first one
    fakes.shell.scripts.push_back({false});
    Serve(kPackage);
    EXPECT_EQ(Run(), 1017);
    EXPECT_EQ(std::vector<std::string>(fakes.workFiles.journal.end() - 2, fakes.workFiles.journal.end()),
              (std::vector<std::string>{"release C:\\Temp\\Pemberlin0", "remove C:\\Temp\\Pemberlin0"}));
    EXPECT_TRUE(fakes.workFiles.folders.empty());
}

TEST_F(ToolJobTest, PackageAndToolStartFromTheRealLocationOfTheHeldFolder) {
    // The temporary path leads through a link (or a short name): every step
    // after the folder's creation uses where the folder really is.
    const std::u16string real = u"D:\\Real\\Pemberlin0";
    fakes.workFiles.finalPaths[kFolder] = real;
    EXPECT_EQ(Run(), 0);
    ASSERT_EQ(fakes.processes.launches.size(), 1u);
    EXPECT_EQ(fakes.processes.launches[0].application, real + u"\\cbfA.tmp");
    EXPECT_EQ(fakes.processes.launches[0].currentDirectory, real);
    ASSERT_EQ(fakes.shell.launches.size(), 1u);
    EXPECT_EQ(fakes.shell.launches[0].file, real + u"\\tool\\flash.exe");
    EXPECT_EQ(fakes.shell.launches[0].directory, real + u"\\tool");

    // A tool named by its full path is the release's choice and need not be
    // in the work folder; it starts from where it really is.
    PrepareController({});
    controller->target.toolFile = std::u16string(u"C:\\Windows\\System32\\msiexec.exe") + u'\0';
    fakes.workFiles.finalPaths[u"C:\\Windows\\System32\\msiexec.exe"] = u"C:\\Windows\\SysWOW64\\msiexec.exe";
    Serve(kPackage);
    EXPECT_EQ(ToNumber(ExecuteToolJobs(controller->View(), kFirmwareJobMessages, ToolWait::kNone)), 0);
    EXPECT_EQ(fakes.shell.launches.back().file, u"C:\\Windows\\SysWOW64\\msiexec.exe");
}

TEST_F(ToolJobTest, RetryStartsANewJobWithANewFolderAndDownload) {
    fakes.taskDialogs.answers = {100};  // "try again" after the wrong digest
    Serve(kPackage);
    PrepareController({});
    controller->target.hash[0] ^= 1;
    fakes.threads.endsAtWait = -1;
    // The second job sees the right digest: the clean-up fixes it.
    fakes.workFiles.onRemoveFolder = [this](const std::u16string&) { controller->target.hash[0] ^= 1; };
    EXPECT_EQ(ToNumber(ExecuteToolJobs(controller->View(), kFirmwareJobMessages, ToolWait::kNone)), 0);
    EXPECT_EQ(fakes.threads.started, 2);
    EXPECT_EQ(fakes.workFiles.createdFolders, (std::vector<std::u16string>{kFolder, kFolder}));
    EXPECT_EQ(fakes.internet.urls.size(), 2u);
    EXPECT_EQ(fakes.threads.openHandles, 0);
}

TEST_F(ToolJobTest, ChargeLimitToolIsWaitedForAndItsExitCodeDecides) {
    fakes.shell.scripts.push_back({true, WaitOutcome::kSignalled, 2});
    EXPECT_EQ(Run({}, ToolWait::kUntilExit), 1017);
    EXPECT_EQ(Questions(), (std::vector<Question>{{136, 137}}));
    EXPECT_EQ(fakes.workFiles.removedFolders, std::vector<std::u16string>{kFolder});
    EXPECT_EQ(fakes.processes.launches.size(), 1u) << "no command interpreter, only the package";

    // The other tools are not waited for: their exit code is never seen.
    fakes.taskDialogs.shown.clear();
    fakes.shell.scripts.push_back({true, WaitOutcome::kSignalled, 2});
    Serve(kPackage);
    EXPECT_EQ(Run({}, ToolWait::kNone), 0);
    // A failed wait counts as success.
    fakes.shell.scripts.push_back({true, WaitOutcome::kFailed, 2});
    Serve(kPackage);
    EXPECT_EQ(Run({}, ToolWait::kUntilExit), 0);
    EXPECT_TRUE(fakes.taskDialogs.shown.empty());
}

TEST_F(ToolJobTest, BodyReachingTheSizeLimitIsAWriteFailure) {
    fakes.jobLimits.packageSizeLimit = 100000;
    for (int i = 0; i < 3; ++i) Serve(kPackage);
    EXPECT_EQ(Run(), 1014);
    EXPECT_EQ(fakes.internet.agents.size(), 4u);
    EXPECT_EQ(Questions(), (std::vector<Question>{{131, 161}}));
}

TEST_F(ToolJobTest, StalledAttemptIsAbortedAndTheNextOneFollowsThePause) {
    fakes.internet.responses.front().stallBefore[1] = 30000;  // half a minute is fine
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(fakes.internet.aborts, 0);

    fakes.internet.responses.clear();
    Serve(kPackage);
    fakes.internet.responses.front().stallBefore[1] = 3600000;
    Serve(kPackage);
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(fakes.internet.aborts, 1);
    EXPECT_EQ(fakes.threads.WaitsOf(90000), 1);

    // A server that never answers, silently: every attempt fails, each
    // after a minute.
    ToolOptions silent;
    silent.silent = true;
    fakes.internet.responses.clear();
    for (int i = 0; i < 4; ++i) fakes.internet.responses.push_back({true, true, {}, 200, 3600000});
    const std::uint64_t start = fakes.threads.now;
    EXPECT_EQ(Run(silent), 1012);
    EXPECT_EQ(fakes.internet.aborts, 5);
    EXPECT_LT(fakes.threads.now - start, 4 * (61000 + 90000));
}

TEST_F(ToolJobTest, CancelDuringAStallEndsTheAttemptAtOnce) {
    fakes.internet.responses.front().stallBefore[1] = 3600000;
    // Checks after the folder, the file, before two reads; then the watch.
    fakes.threads.endsAtWait = 6;
    EXPECT_EQ(Run(), 1008);
    EXPECT_EQ(fakes.internet.aborts, 1);
    EXPECT_EQ(fakes.threads.WaitsOf(0), 7);
    EXPECT_TRUE(fakes.taskDialogs.shown.empty());
}

TEST(DownloadAddressTest, ParametersOnlyFromATemplateOfExactlyTwoTextFields) {
    MachineIdentity machine;
    machine.model = std::u16string(u"M 1\0", 4);
    machine.serial = std::u16string(u"7%\0", 3);
    const auto address = [&](std::u16string_view format, bool disabled = false) {
        return Printable(BuildDownloadAddress(u"http://h/", std::u16string(u"p\0", 2), format, machine, disabled));
    };
    EXPECT_EQ(address(u"?a=%s&b=%s"), "http://h/p?a=M%201&b=7%25");
    EXPECT_EQ(address(u"%s%%%s"), "http://h/pM%201%7%25");
    EXPECT_EQ(address(u"?a=%s&b=%s", true), "http://h/p");
    for (std::u16string_view bad : {u"?a=%s", u"?a=%s&b=%s&c=%s", u"?a=%d&b=%s", u"%s%s%", u"%ls%s", u""}) {
        EXPECT_EQ(address(bad), "http://h/p") << Printable(bad);
    }
}

TEST(DownloadAddressTest, ValuesAreEncodedOutsideTheUnreservedSet) {
    EXPECT_EQ(Printable(EncodeAddressValue(u"aZ09-._~")), "aZ09-._~");
    EXPECT_EQ(Printable(EncodeAddressValue(u"A#B&x=1, \r\n?/%+")), "A%23B%26x%3D1%2C%20%0D%0A%3F%2F%25%2B");
    // UTF-8: two and three bytes, a surrogate pair (four), a lone surrogate.
    EXPECT_EQ(Printable(EncodeAddressValue(u"\u00e9\u30c6\U0001F600")), "%C3%A9%E3%83%86%F0%9F%98%80");
    EXPECT_EQ(Printable(EncodeAddressValue(std::u16string(1, char16_t{0xD800}) + u"x")), "%EF%BF%BDx");
}

TEST(ReleaseCheckTest, OnlyA200AnswerOfOneNumberCounts) {
    const auto latest = [](std::vector<std::optional<std::string>> pieces, std::uint32_t status = 200,
                           bool opens = true) {
        FakeInternet internet;
        FakeResponse response;
        response.urlOpens = opens;
        response.status = status;
        for (const auto& p : pieces) {
            if (p) response.pieces.emplace_back(std::vector<std::uint8_t>(p->begin(), p->end()));
            else response.pieces.emplace_back(std::nullopt);
        }
        internet.responses.push_back(response);
        const std::uint32_t value = QueryLatestRelease(internet, u"a", u"http://h/release.dat");
        EXPECT_EQ(internet.openHandles, 0);
        return value;
    };
    EXPECT_EQ(latest({"12\r\n"}), 12u);
    EXPECT_EQ(latest({"12\n"}), 12u);
    EXPECT_EQ(latest({"1", "2"}), 12u);
    EXPECT_EQ(latest({"0x1F"}), 31u);
    EXPECT_EQ(latest({"017"}), 15u);
    EXPECT_EQ(latest({"4294967295"}), 0xFFFFFFFFu);
    EXPECT_EQ(latest({"12", std::nullopt}), 12u);  // what came before a failing read
    for (const char* bad : {"404 Not Found", "12abc", "99999999999", "4294967296", "  12", "+12", "12\r\n\r\n",
                            "12\r", "0x", "08", ""}) {
        EXPECT_EQ(latest({bad}), 0u) << bad;
    }
    EXPECT_EQ(latest({std::string(47, '0') + "12"}), 10u);  // 49 bytes: octal
    EXPECT_EQ(latest({std::string(48, '0') + "12"}), 0u);   // longer than a release file
    EXPECT_EQ(latest({std::nullopt}), 0u);
    EXPECT_EQ(latest({"12"}, 404), 0u);
    EXPECT_EQ(latest({"12"}, 200, false), 0u);
    FakeInternet down;
    down.responses.push_back({false, true, {}});
    EXPECT_EQ(QueryLatestRelease(down, u"a", u"x"), 0u);
}

TEST(ReleaseCheckTest, NewerReleaseEndsTheRunWith1004) {
    FakePlatform fakes;
    FakeModules::AddStrings(InstallCompanionLibrary(fakes),
                            {{145, u"A"}, {146, u"http://h/"}, {151, u"release.dat"}, {152, u"11"}});
    fakes.threads.runsRoutines = true;
    // The check starts before the essential-software probes read the driver
    // listing and is waited for after them: each read sees it started and
    // not yet asked.
    std::vector<std::pair<int, std::size_t>> atProbes;
    fakes.processes.onRead = [&] { atProbes.emplace_back(fakes.threads.started, fakes.threads.waits.size()); };
    const auto run = [&](std::string answer, bool check, bool silent = true) {
        FakeResponse response;
        response.pieces.emplace_back(std::vector<std::uint8_t>(answer.begin(), answer.end()));
        fakes.internet.responses.assign(1, response);
        fakes.threads.started = 0;
        fakes.threads.waits.clear();
        fakes.taskDialogs.shown.clear();
        atProbes.clear();
        ToolOptions options;
        options.silent = silent;
        options.checkNewVersion = check;
        UpdateController controller(fakes.platform, options);
        return controller.RunController();
    };
    EXPECT_EQ(run("12\r\n", true), ExitCode::kNewerReleaseExists);
    EXPECT_EQ(Printable(fakes.internet.urls.back()), "http://h/release.dat");
    ASSERT_FALSE(atProbes.empty());
    for (const auto& [started, waits] : atProbes) EXPECT_TRUE(started == 1 && waits == 0) << started << waits;
    EXPECT_EQ(fakes.threads.waits.size(), 1u);
    // Interactive: the newer-release message is the run's only window.
    fakes.dialogs.script = {FakeDialogHost::kClose};
    EXPECT_EQ(run("12\r\n", true, false), ExitCode::kNewerReleaseExists);
    ASSERT_EQ(fakes.taskDialogs.shown.size(), 1u);
    EXPECT_EQ(fakes.taskDialogs.shown[0].mainInstructionId, 159);
    EXPECT_EQ(fakes.dialogs.dialogsShown, 0);
    EXPECT_EQ(run("11\r\n", true), ExitCode::kNotTarget);
    const std::size_t requests = fakes.internet.urls.size();
    EXPECT_EQ(run("12\r\n", false), ExitCode::kNotTarget);
    EXPECT_EQ(fakes.internet.urls.size(), requests);
    EXPECT_EQ(fakes.threads.started, 0);
}

TEST(ReleaseCheckTest, NoAnswerWithinTheLimitCountsAsZero) {
    // A server that never answers: the thread never ends by itself.
    FakePlatform fakes;
    FakeModules::AddStrings(InstallCompanionLibrary(fakes),
                            {{145, u"A"}, {146, u"http://h/"}, {151, u"release.dat"}, {152, u"11"}});
    ToolOptions options;
    options.silent = true;
    options.checkNewVersion = true;
    {
        UpdateController controller(fakes.platform, options);
        EXPECT_EQ(controller.RunController(), ExitCode::kNotTarget);
    }
    const std::vector<std::optional<std::uint32_t>> waits{kReleaseCheckLimitMs, std::nullopt};
    EXPECT_EQ(fakes.threads.waits, waits) << "the limit, then the join after the abort";
    EXPECT_EQ(fakes.internet.aborts, 1);
    EXPECT_EQ(fakes.internet.openHandles, 0);
    EXPECT_EQ(fakes.threads.openHandles, 0);
}

TEST(ReleaseCheckTest, TheLimitCountsFromTheStartAndHoldsWithoutAThread) {
    FakeThreads threads;
    FakeInternet internet;
    internet.clock = &threads.now;
    {
        CReleaseCheck check(internet, threads, u"A", u"http://h/release.dat", 3000);
        threads.now += 1200;
        EXPECT_EQ(check.Answer(), 0u);
        EXPECT_EQ(check.Answer(), 0u);
    }
    {
        CReleaseCheck late(internet, threads, u"A", u"http://h/release.dat", 3000);
        threads.now += 5000;
        EXPECT_EQ(late.Answer(), 0u);
    }
    {
        CReleaseCheck unasked(internet, threads, u"A", u"http://h/release.dat", 3000);
    }
    const std::vector<std::optional<std::uint32_t>> waits{1800, std::nullopt, 0, std::nullopt, 3000, std::nullopt};
    EXPECT_EQ(threads.waits, waits);
    EXPECT_EQ(internet.aborts, 3);

    // No thread: the check runs at once, its waits watched against the limit.
    threads.startFails = true;
    FakeResponse stalled;
    stalled.stallBeforeHeaders = 10000;
    stalled.pieces.push_back(std::vector<std::uint8_t>{'1', '2'});
    FakeResponse prompt = stalled;
    prompt.stallBeforeHeaders = 0;
    internet.responses = {stalled, prompt};
    const std::uint64_t start = threads.now;
    CReleaseCheck hanging(internet, threads, u"A", u"http://h/release.dat", 3000);
    EXPECT_EQ(hanging.Answer(), 0u);
    EXPECT_EQ(threads.now - start, 3000u);
    CReleaseCheck answered(internet, threads, u"A", u"http://h/release.dat", 3000);
    EXPECT_EQ(answered.Answer(), 12u);
}

}  // namespace
}  // namespace Korvane::PC::Tarnwick

namespace Korvane::PC::Tarnwick {
namespace {

TEST(TransferRuleTest, SlowButSteadyGoesOnAStallOrTheDeadlineEndsIt) {
    const JobLimits limits;
    // 200 KiB/s for 100 MiB, seen every 100 ms.
    TransferRule steady(limits, 0);
    std::uint64_t received = 0;
    for (std::uint64_t t = 0; received < (100u << 20); t += 100, received += 20 * 1024) {
        ASSERT_TRUE(steady.KeepGoing(t, received)) << t;
    }
    // One byte every 20 s: ends once the first minute is over.
    TransferRule drip(limits, 0);
    for (std::uint64_t t = 0; t < 60000; t += 100) ASSERT_TRUE(drip.KeepGoing(t, t / 20000)) << t;
    EXPECT_FALSE(drip.KeepGoing(60000, 3));
    // A silence of 50 s after a burst is fine; a full minute is not.
    TransferRule pause(limits, 5000);
    EXPECT_TRUE(pause.KeepGoing(5200, 1 << 20));
    EXPECT_TRUE(pause.KeepGoing(55000, 1 << 20));
    EXPECT_TRUE(pause.KeepGoing(65100, 1 << 20));
    EXPECT_FALSE(pause.KeepGoing(65200, 1 << 20));
    // The deadline holds whatever the rate.
    TransferRule fast(limits, 0);
    EXPECT_TRUE(fast.KeepGoing(limits.attemptDeadlineMs - 1, 1ull << 40));
    EXPECT_FALSE(fast.KeepGoing(limits.attemptDeadlineMs, 1ull << 41));
}

}  // namespace
}  // namespace Korvane::PC::Tarnwick
