#include "actions/ToolJob.h"

#include <algorithm>
#include <vector>

#include "common/Numbers.h"
#include "common/OutOfMemory.h"
#include "common/Utf8.h"
#include "definitions/CompanionResources.h"
#include "messages/Messages.h"
#include "run/CompanionIds.h"
#include "run/ExitCode.h"

namespace Korvane::PC::Tarnwick {
namespace {

constexpr std::u16string_view kWorkFolderPrefix = u"Pemberlin";
constexpr std::u16string_view kDownloadFilePrefix = u"cbf";
constexpr std::uint64_t kVerifiableSizeLimit = std::uint64_t{1} << 32;

std::u16string CompanionString(ToolJob& job, std::uint16_t id) {
    return LoadCompanionString(job.run.platform.modules, job.run.companionLibrary.get(), id);
}

// In a silent run there is no progress thread and nobody to cancel; in an
// interactive run a thread that could not be started counts as cancelled.
bool Cancelled(ToolJob& job) {
    if (!job.progressThread) return !job.run.options.silent;
    return job.progressThread->Wait(0) == WaitOutcome::kSignalled;
}

// The pause after a failed download attempt; true when the user cancelled
// during it (the thread ended), which ends the pause at once.
bool PauseCancelled(ToolJob& job) {
    if (job.progressThread) return job.progressThread->Wait(job.limits.retryWaitMs) == WaitOutcome::kSignalled;
    if (!job.run.options.silent) return true;
    job.run.platform.threads.Sleep(job.limits.retryWaitMs);
    return false;
}

// Closes the progress window, then asks whether to try again.
void AskRetry(ToolJob& job, std::uint16_t mainInstruction, std::uint16_t content, bool& retry) {
    StopProgress(job);
    retry = OrOnNoMemory(false, [&] {
        return AskChoice(job.run.Messages(), kTdErrorIcon, mainInstruction, content, StringId::kRetryButton,
                         StringId::kRetryCloseButton) == Choice::kFirst;
    });
}

ExitCode Fail(ToolJob& job, std::uint16_t mainInstruction, std::uint16_t content, ExitCode result, bool& retry) {
    AskRetry(job, mainInstruction, content, retry);
    return result;
}

}  // namespace

ToolJob::ToolJob(const RunView& run_, const ToolJobMessages& messages_, ToolWait toolWait_)
    : run(run_),
      messages(messages_),
      toolWait(toolWait_),
      limits(run_.platform.jobLimits) {
    progressView.companionLibrary = run_.companionLibrary.get();
    progressView.titleId = messages.progressTitleId;
    progressView.busy = &busy;
}

ToolJob::~ToolJob() { StopProgress(*this); }

void StopProgress(ToolJob& job) {
    job.busy = false;
    if (!job.progressThread) return;
    (void)job.progressThread->Wait(std::nullopt);
    job.progressThread.reset();
}

ExitCode RunJob(ToolJob& job, bool& retry) {
    const RunView& run = job.run;
    Platform& platform = run.platform;
    const ToolJobMessages& ids = job.messages;

    job.busy = true;
    if (!run.options.silent) {
        ITaskDialogs& dialogs = platform.taskDialogs;
        const ProgressWindowView& view = job.progressView;
        job.progressThread = OrOnNoMemory(std::unique_ptr<IThread>(), [&] {
            return platform.threads.Start([&dialogs, &view] { ShowProgressWindow(dialogs, view); });
        });
    }
    retry = false;

    if (!OrOnNoMemory(false, [&] { return MakeWorkFolder(job); })) {
        return Fail(job, ids.folderFailId, StringId::kFolderFailedText, ExitCode::kNoWorkFolder, retry);
    }
    if (Cancelled(job)) return ExitCode::kCancelled;

    std::unique_ptr<IDownloadFile> file = OrOnNoMemory(std::unique_ptr<IDownloadFile>(), [&] {
        CreatedFile created = platform.workFiles.CreateTempFile(job.workFolder, kDownloadFilePrefix);
        if (created.file) job.downloadFile = std::move(created.path);
        return std::move(created.file);
    });
    if (!file) return Fail(job, ids.folderFailId, StringId::kFolderFailedText, ExitCode::kNoDownloadFile, retry);
    if (Cancelled(job)) return ExitCode::kCancelled;

    ExitCode result = ExitCode::kDownloadNotStarted;
    bool downloaded = false;
    for (std::uint32_t attempt = 0; attempt < job.attempts && !downloaded; ++attempt) {
        result = OrOnNoMemory(ExitCode::kDownloadNotStarted, [&] { return DownloadPackage(job, *file); });
        if (result == ExitCode::kCompleted) {
            downloaded = true;
        } else {
            (void)file->Truncate();  // bytes left uncut fail the digest check, never pass it
            if (PauseCancelled(job)) return ExitCode::kCancelled;
        }
    }
    if (!downloaded) return Fail(job, ids.downloadFailId, StringId::kDownloadFailedText, result, retry);

    // Writing ends here. From now on the package is read only through a
    // handle that denies writing and deleting to everyone else, kept until
    // its process has started, and it starts by the real location of that
    // handle: what runs is what was checked.
    std::unique_ptr<ISealedFile> package =
        OrOnNoMemory(std::unique_ptr<ISealedFile>(), [&] { return file->Seal(); });
    file.reset();
    if (!package || !OrOnNoMemory(false, [&] { return VerifyPackage(job, *package); })) {
        return Fail(job, ids.verifyFailId, StringId::kVerifyFailedText, ExitCode::kVerificationFailed, retry);
    }
    if (Cancelled(job)) return ExitCode::kCancelled;

    std::unique_ptr<IProcess> process = OrOnNoMemory(std::unique_ptr<IProcess>(), [&] {
        const std::u16string packagePath = package->FinalPath();
        if (!InsideFolder(job.workFolder, packagePath)) return std::unique_ptr<IProcess>();
        return StartPackage(platform.processes, packagePath, job.workFolder);
    });
    package.reset();
    if (!process || process->Wait(std::nullopt) != WaitOutcome::kSignalled) {
        return Fail(job, ids.packageFailId, StringId::kPackageFailedText, ExitCode::kPackageFailed, retry);
    }
    process.reset();
    if (Cancelled(job)) return ExitCode::kCancelled;

    // The progress window is gone before the tool shows anything.
    StopProgress(job);
    if (OrOnNoMemory(false, [&] { return LaunchTool(job); })) return ExitCode::kCompleted;
    return Fail(job, ids.toolFailId, StringId::kToolFailedText, ExitCode::kToolFailed, retry);
}

bool MakeWorkFolder(ToolJob& job) {
    IWorkFiles& files = job.run.platform.workFiles;
    const FolderAccess access = IsPrivileged(job.run.platform.runAccount.Read())
                                    ? FolderAccess::kAdministratorsOnly
                                    : FolderAccess::kRunningUserToo;
    const std::optional<std::u16string> temp = files.TempPath();
    if (!temp) return false;
    for (std::uint32_t i = 0;; ++i) {
        std::u16string name(kWorkFolderPrefix);
        name += DecimalText(i);
        const std::optional<std::u16string> path = files.AppendPath(*temp, name);
        if (!path) return false;
        CreatedFolder created = files.CreatePrivateFolder(*path, access);
        if (created.folder) {
            job.folderHold = std::move(created.folder);
            const std::u16string real = job.folderHold->FinalPath();
            // Without its real location nothing later could be checked
            // against it: the job fails, and the clean-up removes the folder
            // by the path it was made under.
            job.workFolder = real.empty() ? *path : real;
            return !real.empty();
        }
        if (created.error != kErrorAlreadyExists || i == UINT32_MAX) return false;
    }
}

ExitCode DownloadPackage(ToolJob& job, IDownloadFile& file) {
    const RunView& run = job.run;
    const std::u16string address =
        BuildDownloadAddress(CompanionString(job, StringId::kDownloadBase), run.target.url,
                             CompanionString(job, StringId::kDownloadParameters), run.machine,
                             run.options.disableDownloadParameters);
    IThreads& threads = run.platform.threads;
    const std::unique_ptr<IInternetSession> session =
        run.platform.internet.Open(CompanionString(job, StringId::kAgent));
    if (!session) return ExitCode::kDownloadNotStarted;

    // While a call waits on the network, a cancel, the deadline or too slow
    // a transfer aborts the session, which ends the wait at once.
    TransferRule rule(job.limits, threads.TickCount());
    std::uint64_t written = 0;
    bool cancelled = false;
    session->WatchWaits([&] {
        cancelled = Cancelled(job);
        return !cancelled && rule.KeepGoing(threads.TickCount(), written);
    });
    const std::unique_ptr<IInternetRequest> request = session->OpenUrl(address);
    if (!request) return cancelled ? ExitCode::kCancelled : ExitCode::kAddressNotOpened;

    std::vector<std::uint8_t> buffer(kTransferPieceBytes);
    for (;;) {
        if (Cancelled(job)) return ExitCode::kCancelled;
        if (!rule.KeepGoing(threads.TickCount(), written)) {
            session->Abort();
            return ExitCode::kDownloadReadFailed;
        }
        // A short read does not end the body; only a read of 0 bytes does.
        const std::optional<std::uint32_t> count = request->Read(buffer);
        if (cancelled) return ExitCode::kCancelled;
        if (!count || *count > buffer.size()) return ExitCode::kDownloadReadFailed;
        if (*count == 0) return ExitCode::kCompleted;
        if (job.limits.packageSizeLimit - written <= *count) return ExitCode::kDownloadWriteFailed;
        if (!file.Write({buffer.data(), *count})) return ExitCode::kDownloadWriteFailed;
        written += *count;
    }
}

bool VerifyPackage(ToolJob& job, ISealedFile& package) {
    const std::optional<std::uint64_t> size = package.Size();
    if (!size || *size >= kVerifiableSizeLimit) return false;
    const std::unique_ptr<IHash> hash = job.run.platform.hashing.CreateSha256();
    if (!hash) return false;
    std::vector<std::uint8_t> buffer(kTransferPieceBytes);
    for (;;) {
        const std::optional<std::uint32_t> count = package.Read(buffer);
        if (!count || *count > buffer.size()) return false;
        if (*count == 0) break;
        if (!hash->Update({buffer.data(), *count})) return false;
    }
    Sha256Digest digest{};
    if (!hash->Finish(digest)) return false;
    const std::vector<std::uint8_t>& expected = job.run.target.hash;
    return expected.size() == digest.size() && std::equal(expected.begin(), expected.end(), digest.begin());
}

bool InsideFolder(std::u16string_view folder, std::u16string_view path) {
    return !folder.empty() && path.size() > folder.size() + 1 && path.starts_with(folder) &&
           path[folder.size()] == u'\\';
}

TransferRule::TransferRule(const JobLimits& limits, std::uint64_t startMs)
    : limits_(limits), start_(startMs), samples_{{startMs, 0}} {}

bool TransferRule::KeepGoing(std::uint64_t nowMs, std::uint64_t received) {
    constexpr std::uint64_t kSampleSpacingMs = 100;
    const std::uint64_t elapsed = nowMs - start_;
    if (elapsed >= limits_.attemptDeadlineMs) return false;
    if (nowMs - samples_.back().at >= kSampleSpacingMs) samples_.push_back({nowMs, received});
    if (elapsed < limits_.rateWindowMs) return true;
    const std::uint64_t windowStart = nowMs - limits_.rateWindowMs;
    while (samples_.size() >= 2 && samples_[1].at <= windowStart) samples_.pop_front();
    return received - samples_.front().received >= limits_.rateWindowBytes;
}

std::u16string EncodeAddressValue(std::u16string_view value) {
    constexpr char kHex[] = "0123456789ABCDEF";
    std::u16string out;
    for (const char byte : ToUtf8(value)) {
        const auto c = static_cast<unsigned char>(byte);
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
            c == '_' || c == '~') {
            out += static_cast<char16_t>(c);
            continue;
        }
        out += u'%';
        out += static_cast<char16_t>(kHex[c >> 4]);
        out += static_cast<char16_t>(kHex[c & 15]);
    }
    return out;
}

std::optional<std::u16string> FormatTwoTexts(std::u16string_view format, std::u16string_view first,
                                             std::u16string_view second) {
    std::u16string out;
    int fields = 0;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != u'%') {
            out += format[i];
            continue;
        }
        const char16_t next = i + 1 < format.size() ? format[i + 1] : u'\0';
        if (next == u'%') {
            out += u'%';
        } else if (next == u's' && fields < 2) {
            out += fields++ == 0 ? first : second;
        } else {
            return std::nullopt;
        }
        ++i;
    }
    if (fields != 2) return std::nullopt;
    return out;
}

std::u16string BuildDownloadAddress(std::u16string_view base, std::u16string_view url,
                                    std::u16string_view parameterTemplate, const MachineIdentity& machine,
                                    bool disableParameters) {
    std::u16string address(base);
    address += VisibleText(url);
    if (!disableParameters) {
        const std::optional<std::u16string> parameters =
            FormatTwoTexts(VisibleText(parameterTemplate), EncodeAddressValue(VisibleText(machine.model)),
                           EncodeAddressValue(VisibleText(machine.serial)));
        if (parameters) address += *parameters;
    }
    return address;
}

}  // namespace Korvane::PC::Tarnwick
