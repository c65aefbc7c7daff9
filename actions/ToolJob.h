// One attempt at an update, from the work folder to the started tool: a
// ToolJob is made for each try, run once with RunJob and cleaned up with
// CleanUpJob (actions/ToolExecution.h).
//
// Threads: RunJob runs on the main thread. In an interactive run it starts
// the progress window (messages/ProgressWindow.h) on a second thread, which
// reads `progressView` (and through it `busy`) until the window closes. The progress thread ends only
// when its window closes, and the window closes by itself only after `busy`
// has become false, so while `busy` is true an ended thread means the user
// pressed Cancel: that is the job's cancel signal, read with zero-time waits
// on the thread's handle. The thread is always joined before the job is
// destroyed.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "actions/RunView.h"
#include "actions/ToolExecution.h"
#include "definitions/TargetDefinition.h"
#include "machine/MachineIdentity.h"
#include "messages/ProgressWindow.h"
#include "platform/Hashing.h"
#include "platform/Internet.h"
#include "platform/JobLimits.h"
#include "platform/Threads.h"
#include "platform/WorkFiles.h"

namespace Korvane::PC::Tarnwick {

// Size of the one buffer through which the download and the verification
// stream.
inline constexpr std::uint32_t kTransferPieceBytes = 65536;

class ToolJob {
public:
    ToolJob(const RunView& run, const ToolJobMessages& messages, ToolWait toolWait);
    ToolJob(const ToolJob&) = delete;
    ToolJob& operator=(const ToolJob&) = delete;
    ~ToolJob();

    RunView run;
    // True while the progress window is to stay open.
    std::atomic<bool> busy{false};
    // The progress window's thread; null in silent mode, when it could not
    // be started and once joined.
    std::unique_ptr<IThread> progressThread;
    // The work folder, held from its creation until the clean-up removes
    // it (or leaves it to the started tool), and its real location: the
    // final path of the held folder, which every later step uses, so that a
    // link on the way to the temporary folder that changes target meanwhile
    // leads nowhere else.
    std::unique_ptr<IHeldFolder> folderHold;
    std::u16string workFolder;    // empty until made
    std::u16string downloadFile;  // empty until made
    bool toolStarted = false;     // when false at clean-up, the work folder goes
    ToolJobMessages messages;
    ToolWait toolWait;
    std::uint32_t attempts = 4;
    // The pause after a failed attempt, the package size limit, and the
    // deadline and minimum rate of each download attempt.
    JobLimits limits;
    // What the progress window reads; it points into this job.
    ProgressWindowView progressView;
};

// Runs the job: work folder, download file, up to `attempts` downloads with a
// pause after each failed one, verification, the package, the tool. Returns
// kCompleted (tool started) or 1008 to 1017; `retry` is true only when the user
// answered a failure with "try again".
[[nodiscard]] ExitCode RunJob(ToolJob& job, bool& retry);

// Makes "Pemberlin<i>" in the temporary-files path with the first free i
// and holds it; false when the path is unknown, a folder cannot be made for
// another reason than an existing name, or its real location is unknown.
bool MakeWorkFolder(ToolJob& job);

// One download attempt into `file`: kCompleted, or 1008 (cancelled, also while
// connecting or waiting for data), 1011 (no session), 1012 (address not
// opened, or no answer within the limits), 1013 (read failed, or the attempt
// passed its deadline or fell below the minimum rate), 1014 (write failed,
// or the body reached the package size limit).
[[nodiscard]] ExitCode DownloadPackage(ToolJob& job, IDownloadFile& file);

// Whether a download attempt may go on: not once `attemptDeadlineMs` have
// passed since `startMs`, nor once, at least `rateWindowMs` after the start,
// fewer than `rateWindowBytes` arrived within the last `rateWindowMs` (the
// window slides: a pause is fine as long as the minute around it brought
// enough). Times are milliseconds of one monotonic clock.
class TransferRule {
public:
    TransferRule(const JobLimits& limits, std::uint64_t startMs);
    // `received`: the bytes that have arrived by `nowMs`, never less than
    // at an earlier call.
    [[nodiscard]] bool KeepGoing(std::uint64_t nowMs, std::uint64_t received);

private:
    struct Sample {
        std::uint64_t at, received;
    };
    JobLimits limits_;
    std::uint64_t start_;
    // Samples at least 100 ms apart; the first is the last one at or before
    // the window's start.
    std::deque<Sample> samples_;
};

// True when the package's SHA-256 equals the target's 32-byte `hash`. Reads
// the file in pieces, so memory stays flat whatever its size; 4 GiB or more
// never passes.
bool VerifyPackage(ToolJob& job, ISealedFile& package);

// Whether `path` names something inside `folder` (both final paths of open
// files, so one spelling each).
bool InsideFolder(std::u16string_view folder, std::u16string_view path);

// Lets the progress window close and joins its thread.
void StopProgress(ToolJob& job);

// The address of the package: string 146, the target's `url` and, unless
// `disableParameters`, string 186 filled printf-style with the model and the
// serial, each percent-encoded (EncodeAddressValue). A template that is not
// made of exactly two %s fields (and %%) adds nothing.
std::u16string BuildDownloadAddress(std::u16string_view base, std::u16string_view url,
                                    std::u16string_view parameterTemplate, const MachineIdentity& machine,
                                    bool disableParameters);

// `value` for a place in an address: letters, digits and -._~ stay, every
// other character becomes its UTF-8 bytes as %XX (a lone surrogate counts as
// U+FFFD), so the value cannot end its parameter, start another one or the
// fragment, or break the request line.
std::u16string EncodeAddressValue(std::u16string_view value);

// `format` with its two %s fields replaced by `first` and `second` and %%
// by %; nullopt when it has other fields or another number of %s.
std::optional<std::u16string> FormatTwoTexts(std::u16string_view format, std::u16string_view first,
                                             std::u16string_view second);

}  // namespace Korvane::PC::Tarnwick
