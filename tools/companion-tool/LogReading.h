// `logs LOG...`, the reading part: Tarnwick's "/log" files taken line by line
// into the latest state of every machine, without ever guessing at a line.
//
// A line as the program writes it (UTF-8, CR LF; a byte-order mark starts a
// new file):
//
//   2026/12/07 15:27:07, 7, 1, KORVANE, KBX1001, KN-1001, SN1, Installed firmware version 2.0.4
//
// eight fields joined by ", ": local time, release number of battery.dll,
// exit code, manufacturer, board, model, serial, installed-version sentence.
// The writer neither quotes nor escapes, so the separator is ", " (a comma
// inside a field that is not followed by a space is harmless) and a line is
// read only when it holds exactly seven separators: with more, some field
// holds ", " and nobody can tell which. A line that cannot be read for sure
// (too few or ambiguous fields, a time or number that does not parse, bytes
// that are not UTF-8, a NUL, no line end at the end of a file) is counted
// and kept with its file, line number and reason; reading goes on at the next
// line end (CR LF, LF or CR alone). A line that holds a NUL run, a stretch of
// UTF-16 or a stray byte-order mark and then a whole line (a writer that
// died mid-line, a disk that zero-filled a lost tail) gives that line back:
// only the damaged part before it is unreadable.
//
// A machine is its board and serial. Its state is its latest run: within one
// file the last of its lines (a file is appended to in the order the runs
// ended, whatever the notebook's clock says), across files the greatest line
// time, then the later file (in the order the files were added). Memory grows
// with the number of machines (and of unreadable lines), never with the
// number of lines read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <array>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "run/ExitCode.h"

namespace Korvane::PC::Tarnwick::Companion {

// A local time of the log as the decimal number YYYYMMDDhhmmss, so that it
// orders as the time does. Times are each machine's own clock, without a
// zone.
using LogTime = std::int64_t;

// "2026-12-07 15:27:07" (separator ' ') or "2026-12-07T15:27:07" (ISO 8601).
std::string FormatLogTime(LogTime time, char separator = ' ');
// The day of a time as YYYYMMDD, and as "2026-12-07".
inline std::int32_t DayOf(LogTime time) { return static_cast<std::int32_t>(time / 1000000); }
std::string FormatDay(std::int32_t day);
// A date from the command line: YYYY-MM-DD or YYYY/MM/DD, optionally
// followed (after a space or T) by hh:mm or hh:mm:ss.
std::optional<LogTime> ParseDateArgument(std::string_view text);
// The same time of day `days` days earlier (or later, when negative).
LogTime AddDays(LogTime time, int days);

// One run as a line gives it; the texts point into the line.
struct LogRun {
    LogTime time = 0;
    std::uint32_t release = 0;
    std::int32_t exit = 0;
    std::string_view manufacturer, board, model, serial, version;
};

// Why a line cannot be read, as the summary groups the lines.
enum class Unreadable : std::uint8_t {
    kEmpty,
    kTooFewFields,
    kAmbiguous,
    kTime,
    kRelease,
    kExit,
    kNotUtf8,
    kNul,
    kTooLong,
    kNoLineEnd,
};
inline constexpr std::size_t kUnreadableKinds = 10;
// "too few fields", "ambiguous fields", ...: the name of a kind in reports.
const char* UnreadableName(Unreadable kind);

// Reads one line, given without its LF (a CR before the LF is dropped).
// False when the line cannot be read for sure; then `reason` and `kind`
// (when given) say why.
bool ParseLogLine(std::string_view line, LogRun& run, std::string* reason, Unreadable* kind = nullptr);

// What is known for sure about the texts of a line, which settles some
// ambiguous lines: the maker's own manufacturer texts, and (from a
// battery.dll's tables, when given) its boards and models.
struct KnownTexts {
    std::vector<std::string> manufacturers{"KORVANE", "KORVANE-SV"};
    std::vector<std::string> boards, models;  // empty: not known
};

// An ambiguous line (more ", " than the fields allow) read the one way that
// fits `known`: of all the ways to split it, those whose manufacturer is the
// maker's (when any is), whose board is a known board (when any is) and whose
// model is a known model (when any is). True only when exactly one way is
// left.
bool ResolveAmbiguousLine(std::string_view line, const KnownTexts& known, LogRun& run);

// The start of a line as a report may show it: at most 60 bytes, control
// characters and bytes that are not UTF-8 as \xNN.
std::string LineExcerpt(std::string_view line);

// The oldest time a notebook's clock can truthfully give in a log.
inline constexpr LogTime kEarliestPlausibleTime = 20100101000000;

// Where a run or an unreadable line is: file (index in the order added)
// and line number from 1. Runs order by time, then by this.
struct LogPlace {
    LogTime time = 0;
    std::uint32_t file = 0;
    std::uint64_t line = 0;
};

struct UnreadableLine {
    std::uint32_t file = 0;
    std::uint64_t line = 0;
    std::string reason;
    Unreadable kind = Unreadable::kEmpty;
};

// The unreadable lines of one kind: how many, and the first of them.
struct UnreadableSummary {
    Unreadable kind = Unreadable::kEmpty;
    std::uint64_t count = 0;
    std::uint32_t file = 0;
    std::uint64_t line = 0;
    std::string excerpt;  // LineExcerpt of the first line
};

// Which runs are read; an empty list lets every value through.
struct LogFilter {
    std::vector<std::string> boards, models;
    std::vector<std::uint32_t> releases;
    bool Accepts(const LogRun& run) const;
    bool empty() const { return boards.empty() && models.empty() && releases.empty(); }
};

struct LogFileCounts {
    std::string name;
    std::uint64_t lines = 0;
    std::uint64_t runs = 0;
    std::uint64_t unreadable = 0;
};

// A machine's latest run and what the report needs of its history.
struct MachineState {
    std::string board, serial;
    std::string manufacturer, model, version;  // of the latest run
    LogPlace latest;
    std::uint32_t release = 0;
    std::int32_t exit = 0;
    std::uint64_t runs = 0;
    // Its last runs, as many as the analysis watches, all ended with 1 (so it
    // has at least that many).
    bool declined = false;
    // Runs whose time lies outside the plausible range (before 2010, or after
    // the newest log was last written), and the latest time inside it (0 when
    // none).
    std::uint64_t clockOutOfRange = 0;
    LogTime lastPlausible = 0;
    // Its runs named more than one model.
    bool severalModels = false;
};

struct DayCounts {
    std::uint64_t runs = 0;
    std::uint64_t failures = 0;
};

// Whether an exit code is a failed run, as its entry in kExitCodes says
// (1003, 1005 to 1017); a number the table does not know is not.
bool IsFailedRun(std::int32_t exit);
// The codes of failed runs as the reports name them, runs of consecutive
// codes by their ends: "1003, 1005" `to` "1017".
std::string FailedRunCodes(std::string_view to);
// Whether it says essential software is missing (5, 6).
inline bool IsMissingSoftware(std::int32_t exit) {
    return exit == ToNumber(ExitCode::kSupportPageOpened) || exit == ToNumber(ExitCode::kEssentialMissing);
}
// Those codes as the reports name them: "5, 6".
std::string MissingSoftwareCodes();

// Takes the bytes of one file after another and keeps the counts and the
// machines' states.
class LogAnalysis {
public:
    static constexpr std::size_t kMaxLine = 64 * 1024;  // longer lines are unreadable
    static constexpr std::size_t kMaxWatchedRuns = 100;

    // `watchedRuns`: how many latest runs of each machine are kept, for
    // "answered 1 on its last N runs" (1 to kMaxWatchedRuns).
    explicit LogAnalysis(std::size_t watchedRuns);

    // A line dated after `latest` is "clock out of range", as is one before
    // kEarliestPlausibleTime: counted per machine, left out of first(),
    // last() and days(), still the machine's latest state by file order.
    void SetLatestPlausibleTime(LogTime latest) { latestPlausible_ = latest; }
    // Ambiguous lines are resolved against these texts where only one
    // reading fits.
    void SetKnownTexts(KnownTexts known) { known_ = std::move(known); }
    std::uint64_t resolvedAmbiguous() const { return resolvedAmbiguous_; }
    // Only runs the filter accepts are read; the others are counted.
    void SetFilter(LogFilter filter) { filter_ = std::move(filter); }
    // Called with every run read (after the filter), its file and line.
    using RunSink = std::function<void(const LogRun&, std::uint32_t file, std::uint64_t line)>;
    void SetRunSink(RunSink sink) { sink_ = std::move(sink); }

    // One file: BeginFile, its bytes in chunks split anywhere, EndFile.
    void BeginFile(std::string name);
    void AddBytes(std::string_view bytes);
    void EndFile();

    std::size_t watchedRuns() const { return watchedRuns_; }
    const std::vector<LogFileCounts>& files() const { return files_; }
    std::uint64_t lines() const { return lines_; }
    std::uint64_t runs() const { return runs_; }
    const std::vector<UnreadableLine>& unreadable() const { return unreadable_; }
    // The kinds that occurred, in the order of the enumeration.
    std::vector<UnreadableSummary> UnreadableByKind() const;
    // The manufacturer text (the field after the exit code) that most
    // ambiguous lines start with, and how many; empty when none.
    std::pair<std::string, std::uint64_t> CommonAmbiguousManufacturer() const;
    std::uint64_t clockOutOfRange() const { return clockOutOfRange_; }
    std::uint64_t filteredOut() const { return filteredOut_; }
    // The highest release of battery.dll named by any run of a machine.
    std::uint32_t newestRelease() const { return newestRelease_; }
    // The first and last plausible times read.
    std::optional<LogTime> first() const { return hasPlausible_ ? std::optional(first_) : std::nullopt; }
    std::optional<LogTime> last() const { return hasPlausible_ ? std::optional(last_) : std::nullopt; }
    // Runs of every exit code; runs without a board and serial (a run that
    // ended before the machine was identified) by exit code.
    const std::map<std::int32_t, std::uint64_t>& runsByExit() const { return runsByExit_; }
    const std::map<std::int32_t, std::uint64_t>& anonymousRunsByExit() const { return anonymousByExit_; }
    const std::map<std::int32_t, DayCounts>& days() const { return days_; }
    std::size_t machineCount() const { return machines_.size(); }
    // The machines, taken out, in no particular order.
    std::vector<MachineState> TakeMachines();

private:
    // Texts that repeat across machines (boards, makers, models, sentences)
    // are kept once and named by number.
    class TextPool {
    public:
        std::uint32_t Intern(std::string_view text);
        const std::string& operator[](std::uint32_t id) const { return texts_[id]; }

    private:
        std::deque<std::string> texts_;  // never moves its elements
        std::unordered_map<std::string_view, std::uint32_t> ids_;
    };
    // One run as a machine keeps it.
    struct State {
        LogTime time = 0;
        std::uint64_t line = 0;
        std::uint32_t manufacturer = 0, model = 0, version = 0;
        std::uint32_t file = 0, release = 0;
        std::int32_t exit = 0;
    };
    // A machine while reading: `best` is its latest run of the files before
    // the one it was last seen in, `current` its last run in that file.
    struct Machine {
        std::string serial;
        State best, current;
        bool hasBest = false;
        bool severalModels = false;
        std::uint32_t board = 0;
        std::uint32_t recentCount = 0;
        std::uint64_t runs = 0;
        std::uint64_t clockOutOfRange = 0;
        LogTime lastPlausible = 0;
    };

    void Line(std::string_view line);
    void Read(std::string_view line);
    void Accept(const LogRun& run);
    void Record(const LogRun& run);
    void Fold(Machine& machine);
    void AddUnreadable(Unreadable kind, std::string reason, std::string_view line);
    Machine& Find(std::string_view board, std::string_view serial);

    std::size_t watchedRuns_;
    std::vector<LogFileCounts> files_;
    std::string pending_;  // a line not yet ended
    bool overlong_ = false;
    bool skipLf_ = false;  // the last chunk ended with CR: an LF next belongs to it
    std::uint64_t lineNumber_ = 0;
    std::uint64_t lines_ = 0, runs_ = 0;
    LogTime first_ = 0, last_ = 0;
    bool hasPlausible_ = false;
    std::vector<UnreadableLine> unreadable_;
    std::array<UnreadableSummary, kUnreadableKinds> byKind_{};
    std::unordered_map<std::string, std::uint64_t> ambiguousMakers_;
    std::optional<LogTime> latestPlausible_;
    LogFilter filter_;
    KnownTexts known_;
    std::uint64_t resolvedAmbiguous_ = 0;
    RunSink sink_;
    std::uint64_t clockOutOfRange_ = 0, filteredOut_ = 0;
    std::uint32_t newestRelease_ = 0;
    std::map<std::int32_t, std::uint64_t> runsByExit_, anonymousByExit_;
    std::map<std::int32_t, DayCounts> days_;
    std::int32_t cachedDay_ = -1;
    DayCounts* cachedDayCounts_ = nullptr;
    std::int32_t cachedExit_ = 0;
    std::uint64_t* cachedExitRuns_ = nullptr;

    TextPool texts_;
    std::vector<Machine> machines_;
    // Each machine's watched exit codes, in the order read: watchedRuns_
    // places from machine * watchedRuns_.
    std::vector<std::int32_t> recent_;
    // Open addressing over machines_: each slot holds the key's hash (upper
    // half) and the machine's index + 1 (lower half), 0 when free.
    std::vector<std::uint64_t> slots_;
};

// Feeds the bytes of an open stream to the analysis as the file `name`;
// false, with a message on `err`, when it cannot be read to its end.
bool ReadLogStream(std::FILE* file, const std::string& name, LogAnalysis& analysis, std::ostream& err);

}  // namespace Korvane::PC::Tarnwick::Companion
