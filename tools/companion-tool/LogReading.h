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
// and kept with its file, line number and reason; reading goes on.
//
// A machine is its board and serial. Its state is its latest run: the
// greatest line time, then the later file (in the order the files were
// added), then the later line. Memory grows with the number of machines (and
// of unreadable lines), never with the number of lines read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
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

// Reads one line, given without its LF (a CR before the LF is dropped).
// False when the line cannot be read for sure; then `reason` (when given)
// says why.
bool ParseLogLine(std::string_view line, LogRun& run, std::string* reason);

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
};

struct DayCounts {
    std::uint64_t runs = 0;
    std::uint64_t failures = 0;
};

// Whether an exit code is a failed run (1003, 1005 to 1017).
bool IsFailedRun(std::int32_t exit);
// The codes of failed runs as the reports name them: "1003, 1005" `to`
// "1017".
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

    // One file: BeginFile, its bytes in chunks split anywhere, EndFile.
    void BeginFile(std::string name);
    void AddBytes(std::string_view bytes);
    void EndFile();

    std::size_t watchedRuns() const { return watchedRuns_; }
    const std::vector<LogFileCounts>& files() const { return files_; }
    std::uint64_t lines() const { return lines_; }
    std::uint64_t runs() const { return runs_; }
    const std::vector<UnreadableLine>& unreadable() const { return unreadable_; }
    std::optional<LogTime> first() const { return runs_ ? std::optional(first_) : std::nullopt; }
    std::optional<LogTime> last() const { return runs_ ? std::optional(last_) : std::nullopt; }
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
    // A machine while reading; `time` and `sequence` order its latest run.
    struct Machine {
        std::string serial;
        LogTime time = 0;
        std::uint64_t sequence = 0;  // the line's number across all files
        std::uint64_t line = 0;
        std::uint64_t runs = 0;
        std::uint32_t board = 0, manufacturer = 0, model = 0, version = 0;
        std::uint32_t file = 0, release = 0;
        std::int32_t exit = 0;
        std::uint32_t recentCount = 0;
    };
    struct RecentRun {
        LogTime time;
        std::uint64_t sequence;
        std::int32_t exit;
    };

    void Line(std::string_view line);
    void Record(const LogRun& run);
    void Unreadable(std::string reason);
    Machine& Find(std::string_view board, std::string_view serial);

    std::size_t watchedRuns_;
    std::vector<LogFileCounts> files_;
    std::string pending_;  // a line not yet ended by LF
    bool overlong_ = false;
    std::uint64_t lineNumber_ = 0;
    std::uint64_t lines_ = 0, runs_ = 0;
    LogTime first_ = 0, last_ = 0;
    std::vector<UnreadableLine> unreadable_;
    std::map<std::int32_t, std::uint64_t> runsByExit_, anonymousByExit_;
    std::map<std::int32_t, DayCounts> days_;
    std::int32_t cachedDay_ = -1;
    DayCounts* cachedDayCounts_ = nullptr;
    std::int32_t cachedExit_ = 0;
    std::uint64_t* cachedExitRuns_ = nullptr;

    TextPool texts_;
    std::vector<Machine> machines_;
    // Each machine's watched runs, oldest first: watchedRuns_ places from
    // machine * watchedRuns_.
    std::vector<RecentRun> recent_;
    // Open addressing over machines_: each slot holds the key's hash (upper
    // half) and the machine's index + 1 (lower half), 0 when free.
    std::vector<std::uint64_t> slots_;
};

// Feeds the file at `path` to the analysis (named by `path`); false, with a
// message on `err`, when it cannot be opened or read to its end.
bool ReadLogFile(const std::string& path, LogAnalysis& analysis, std::ostream& err);

}  // namespace Korvane::PC::Tarnwick::Companion
