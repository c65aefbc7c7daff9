// `logs LOG...`, the report: what a LogAnalysis read, grouped as an
// administrator asks about a rollout, and written as terminal tables, CSV
// or JSON (the HTML page is LogPage.h).
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "tools/companion-tool/LogReading.h"
#include "tools/companion-tool/Report.h"

namespace Korvane::PC::Tarnwick::Companion {

struct ExitCount {
    std::int32_t exit = 0;
    std::uint64_t machines = 0;       // whose latest run ended so
    std::uint64_t runs = 0;           // all runs that ended so
    std::uint64_t anonymousRuns = 0;  // of those, runs without board and serial
};

// The machines of one board, model or release by the exit code of their
// latest run.
struct LogGroup {
    std::string key;
    std::uint64_t machines = 0;
    std::vector<std::pair<std::int32_t, std::uint64_t>> exits;  // by code
};

// The class of an exit code's entry in kExitCodes; a number the table does
// not know is a failure.
ExitClass ClassOf(std::int32_t exit);
// What an exit code means in a log: a run that wrote a line and ended with 0
// started an update that finishes at the next restart.
std::string LogMeaning(std::int32_t exit);

// A serial that cannot tell machines apart: a placeholder that many
// notebooks carry, or one seen with more than one model.
struct SharedSerial {
    std::string serial;
    std::string why;  // "placeholder" or "several models"
    std::uint64_t machines = 0, runs = 0;
};

// Compliance per board: machines behind the newest release read, and the
// installed-version sentences of their latest runs.
struct BoardCompliance {
    std::string board;
    std::uint64_t machines = 0, behind = 0;
    std::vector<std::pair<std::string, std::uint64_t>> versions;  // by sentence
};

struct LogDay {
    std::int32_t day = 0;  // YYYYMMDD
    std::uint64_t runs = 0;
    std::uint64_t failures = 0;  // runs that failed (1003, 1005 to 1017)
};

struct LogReport {
    // What the page names at its top: the inputs as given, when the report
    // was made (local time) and by which version of the tool.
    std::vector<std::string> inputs;
    LogTime generatedAt = 0;
    std::string toolVersion;

    std::vector<LogFileCounts> files;
    std::uint64_t lines = 0;
    std::uint64_t runs = 0;
    std::vector<UnreadableLine> unreadable;
    std::vector<UnreadableSummary> unreadableByKind;
    std::pair<std::string, std::uint64_t> ambiguousManufacturer;  // the most common, and how many
    std::uint64_t clockOutOfRange = 0;                             // runs
    std::uint64_t filteredOut = 0;                                 // runs left out by --board/--model/--release
    std::uint64_t resolvedAmbiguous = 0;                           // ambiguous lines only one reading fitted
    std::optional<LogTime> first, last;                           // of the plausible times
    // Machines not seen since this time are listed; without a date on the
    // command line, 30 days before the latest run read.
    std::optional<LogTime> since;
    std::size_t declinedRuns = 0;  // N of "answered 1 on its last N runs"

    std::vector<MachineState> latest;  // by board, then serial
    std::vector<ExitCount> byExit;     // by code
    std::vector<LogGroup> byBoard, byModel, byRelease;
    // Indexes into `latest`, in its order.
    std::vector<std::size_t> failed, declinedMachines, missingSoftware, notSeen;
    std::vector<std::size_t> clockMachines;  // with runs whose clock is out of range
    std::vector<SharedSerial> sharedSerials;
    std::uint32_t newestRelease = 0;
    std::vector<BoardCompliance> compliance;  // by board
    std::uint64_t anonymousRuns = 0;  // runs without board and serial (a run
                                      // that ended before the machine was identified)
    std::vector<LogDay> days;         // every day with a run, in order
};

// A field for a terminal or a page: C0 and C1 control characters and DEL
// as \xNN, so that a field cannot move the cursor or change a terminal's
// state.
std::string ShownField(std::string_view text);

// The exit codes that occur in `groups`, in order.
std::vector<std::int32_t> CodesOf(const std::vector<LogGroup>& groups);
// The machines of `group` whose latest run ended with `exit`; 0 when none.
std::uint64_t CountOf(const LogGroup& group, std::int32_t exit);

// One of the lists of machines that the terminal and the page show.
struct MachineListing {
    std::string title;
    const std::vector<std::size_t>* machines;  // indexes into the report's `latest`
    bool withVersion;                          // with the installed-version sentence
    const char* id;                            // the page's id of its table
};

// The lists of `report`, in the order shown: latest run failed, declined,
// missing essential software, not seen since. `to` joins the ends of a range
// of exit codes in a title ("-" on a terminal, an en dash on the page). The
// listings point into `report`.
std::vector<MachineListing> MachineListings(const LogReport& report, std::string_view to);

// The text of a placeholder serial ("To Be Filled By O.E.M.", "Default
// string", ...), compared without case and surrounding spaces.
bool IsPlaceholderSerial(std::string_view serial);

// Consumes the analysis's machines. `since`: the date of the "not seen
// since" list, or none for the default.
LogReport BuildLogReport(LogAnalysis& analysis, std::optional<LogTime> since);

// Terminal tables (fields shown with control characters made visible),
// or one JSON object.
void PrintLogReport(const LogReport& report, OutputFormat format, std::ostream& out);

// The CSV tables, one per file, each with one header row: the file's name
// in the folder and its writer. `raw` leaves cells as they are; otherwise a
// machine's text that starts with = + - @ or a tab gets an apostrophe, so
// that a spreadsheet shows it instead of running it.
struct CsvTable {
    const char* file;
    void (*write)(const LogReport& report, bool raw, std::ostream& out);
};
const std::vector<CsvTable>& CsvTables();
// The header of the per-run table (--runs) and one row of it.
void PrintRunHeader(std::ostream& out);
void PrintRunRow(const LogRun& run, const std::string& file, std::uint64_t line, bool raw, std::ostream& out);

}  // namespace Korvane::PC::Tarnwick::Companion
