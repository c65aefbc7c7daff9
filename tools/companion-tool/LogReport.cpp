#include "tools/companion-tool/LogReport.h"

#include <algorithm>
#include <cstdio>
#include <cctype>
#include <map>
#include <set>

#include "run/ExitCode.h"

namespace Korvane::PC::Tarnwick::Companion {
namespace {

constexpr std::size_t kTerminalUnreadable = 100;  // listed on a terminal; CSV and JSON list all

std::string Number(std::uint64_t n) { return std::to_string(n); }

// "1 line", "2 lines".
std::string Count(std::uint64_t n, const char* thing) { return Number(n) + " " + thing + (n == 1 ? "" : "s"); }

const std::string& KeyText(const std::string& key) { return key; }
std::string KeyText(std::uint32_t key) { return Number(key); }

// Groups in the order of their keys (a release orders as a number, and its
// key is its decimal text).
template <typename Key>
std::vector<LogGroup> Groups(const std::map<Key, std::map<std::int32_t, std::uint64_t>>& counts) {
    std::vector<LogGroup> groups;
    for (const auto& [key, exits] : counts) {
        LogGroup group{KeyText(key), 0, {exits.begin(), exits.end()}};
        for (const auto& [exit, machines] : exits) group.machines += machines;
        groups.push_back(std::move(group));
    }
    return groups;
}

// ---- terminal ----

void Heading(std::ostream& out, const std::string& text) { out << "\n" << text << "\n"; }

void PrintMatrix(std::ostream& out, const char* keyName, const std::vector<LogGroup>& groups) {
    const std::vector<std::int32_t> codes = CodesOf(groups);
    Report table{{keyName, "machines"}, {}};
    for (std::int32_t code : codes) table.header.push_back(std::to_string(code));
    for (const LogGroup& g : groups) {
        std::vector<std::string> row{ShownField(g.key), Number(g.machines)};
        for (std::int32_t code : codes) {
            const std::uint64_t n = CountOf(g, code);
            row.push_back(n ? Number(n) : ".");
        }
        table.rows.push_back(std::move(row));
    }
    Print(table, OutputFormat::kTable, out);
}

void PrintMachines(std::ostream& out, const LogReport& r, const std::vector<std::size_t>& which, bool withVersion) {
    Report table{{"board", "model", "serial", "exit", "meaning", "time", "release"}, {}};
    if (withVersion) table.header.push_back("installed");
    for (std::size_t i : which) {
        const MachineState& m = r.latest[i];
        table.rows.push_back({ShownField(m.board), ShownField(m.model), ShownField(m.serial), std::to_string(m.exit),
                              LogMeaning(m.exit), FormatLogTime(m.latest.time), Number(m.release)});
        if (withVersion) table.rows.back().push_back(ShownField(m.version));
    }
    Print(table, OutputFormat::kTable, out);
}

void PrintTerminal(const LogReport& r, std::ostream& out) {
    out << Count(r.lines, "line") << " in " << Count(r.files.size(), "file") << ": " << Count(r.runs, "run") << " of "
        << Count(r.latest.size(), "machine");
    if (r.anonymousRuns) out << " (and " << Count(r.anonymousRuns, "run") << " without a board and serial)";
    out << ", " << Count(r.unreadable.size(), "unreadable line") << "\n";
    if (r.first)
        out << "runs from " << FormatLogTime(*r.first) << " to " << FormatLogTime(*r.last)
            << " (each machine's local time)\n";
    if (r.files.size() > 1) {
        Report files{{"file", "lines", "runs", "unreadable"}, {}};
        for (const LogFileCounts& f : r.files)
            files.rows.push_back({ShownField(f.name), Number(f.lines), Number(f.runs), Number(f.unreadable)});
        Heading(out, "Files");
        Print(files, OutputFormat::kTable, out);
    }

    if (r.clockOutOfRange)
        out << Count(r.clockOutOfRange, "run") << " with a clock out of range (before 2010 or after the newest log "
            << "was written): left out of the times and days\n";
    if (r.filteredOut) out << Count(r.filteredOut, "run") << " left out by --board, --model or --release\n";
    if (r.resolvedAmbiguous)
        out << Count(r.resolvedAmbiguous, "line") << " with a \", \" too many read the only way that fits the maker's "
            << "texts and the library's boards and models\n";

    Heading(out, "Latest run of each machine, by exit code (runs: every run read)");
    Report byExit{{"exit", "class", "meaning", "machines", "runs"}, {}};
    for (const ExitCount& e : r.byExit)
        byExit.rows.push_back({std::to_string(e.exit), ExitClassName(ClassOf(e.exit)), LogMeaning(e.exit),
                               Number(e.machines), Number(e.runs)});
    Print(byExit, OutputFormat::kTable, out);

    Heading(out, "Per board: machines by the exit code of their latest run");
    PrintMatrix(out, "board", r.byBoard);
    Heading(out, "Per model");
    PrintMatrix(out, "model", r.byModel);
    Heading(out, "Per release of battery.dll (of the latest run)");
    PrintMatrix(out, "release", r.byRelease);

    if (!r.compliance.empty()) {
        Heading(out, "Behind the newest release read (" + Number(r.newestRelease) + "), per board");
        Report behind{{"board", "machines", "behind", "installed versions (machines)"}, {}};
        for (const BoardCompliance& b : r.compliance) {
            std::string versions;
            for (const auto& [version, machines] : b.versions)
                versions += (versions.empty() ? "" : "; ") + ShownField(version.empty() ? "(none)" : version) + " (" +
                            Number(machines) + ")";
            behind.rows.push_back({ShownField(b.board), Number(b.machines), Number(b.behind), versions});
        }
        Print(behind, OutputFormat::kTable, out);
    }

    for (const MachineListing& list : MachineListings(r, "-")) {
        const std::vector<std::size_t>& which = *list.machines;
        Heading(out, list.title + ": " + (which.empty() ? std::string("none") : Count(which.size(), "machine")));
        if (!which.empty()) PrintMachines(out, r, which, list.withVersion);
    }

    if (!r.clockMachines.empty()) {
        Heading(out, "Clock out of range: " + Count(r.clockMachines.size(), "machine"));
        Report clock{{"board", "model", "serial", "runs out of range", "runs", "latest plausible time"}, {}};
        for (std::size_t i : r.clockMachines) {
            const MachineState& m = r.latest[i];
            clock.rows.push_back({ShownField(m.board), ShownField(m.model), ShownField(m.serial),
                                  Number(m.clockOutOfRange), Number(m.runs),
                                  m.lastPlausible ? FormatLogTime(m.lastPlausible) : "-"});
        }
        Print(clock, OutputFormat::kTable, out);
    }
    if (!r.sharedSerials.empty()) {
        Heading(out, "Serials that cannot tell machines apart: " + Count(r.sharedSerials.size(), "serial"));
        Report shared{{"serial", "why", "machines", "runs"}, {}};
        for (const SharedSerial& s : r.sharedSerials)
            shared.rows.push_back({ShownField(s.serial), s.why, Number(s.machines), Number(s.runs)});
        Print(shared, OutputFormat::kTable, out);
    }

    if (!r.unreadable.empty()) {
        Heading(out, "Unreadable lines by reason");
        Report kinds{{"reason", "lines", "first", "line", "excerpt"}, {}};
        for (const UnreadableSummary& k : r.unreadableByKind)
            kinds.rows.push_back({UnreadableName(k.kind), Number(k.count), ShownField(r.files[k.file].name),
                                  Number(k.line), ShownField(k.excerpt)});
        Print(kinds, OutputFormat::kTable, out);
        if (r.ambiguousManufacturer.second)
            out << "most ambiguous lines name the manufacturer \"" << ShownField(r.ambiguousManufacturer.first)
                << "\" (" << Count(r.ambiguousManufacturer.second, "line") << ")\n";
        Heading(out, "Unreadable lines: " + Number(r.unreadable.size()));
        Report lines{{"file", "line", "reason"}, {}};
        for (std::size_t i = 0; i < r.unreadable.size() && i < kTerminalUnreadable; ++i) {
            const UnreadableLine& u = r.unreadable[i];
            lines.rows.push_back({ShownField(r.files[u.file].name), Number(u.line), u.reason});
        }
        Print(lines, OutputFormat::kTable, out);
        if (r.unreadable.size() > kTerminalUnreadable)
            out << "... and " << r.unreadable.size() - kTerminalUnreadable
                << " more (--csv and --json list every one)\n";
    }
}

// ---- CSV: one table per file, one header row each ----

// A machine's own text (from its SMBIOS or its version sentence) as a CSV
// cell: a spreadsheet would run a cell that starts with = + - @ (or a tab or
// carriage return before one) as a formula, so such a cell starts with an
// apostrophe, which spreadsheets show as text and do not display. `raw`
// keeps the text as it is, for a database.
std::string MachineCell(const std::string& text, bool raw) {
    if (!raw && !text.empty() && std::string_view("=+-@\t\r").find(text.front()) != std::string_view::npos)
        return "'" + text;
    return text;
}

void CsvMachines(const LogReport& r, bool raw, std::ostream& out) {
    Report latest{{"board", "model", "serial", "manufacturer", "exit", "class", "meaning", "time", "release", "version",
                   "runs", "declined", "clock out of range", "file", "line"},
                  {}};
    for (const MachineState& m : r.latest)
        latest.rows.push_back({MachineCell(m.board, raw), MachineCell(m.model, raw), MachineCell(m.serial, raw),
                               MachineCell(m.manufacturer, raw), std::to_string(m.exit), ExitClassName(ClassOf(m.exit)),
                               LogMeaning(m.exit), FormatLogTime(m.latest.time, 'T'), Number(m.release),
                               MachineCell(m.version, raw), Number(m.runs), m.declined ? "yes" : "no",
                               Number(m.clockOutOfRange), MachineCell(r.files[m.latest.file].name, raw),
                               Number(m.latest.line)});
    Print(latest, OutputFormat::kCsv, out);
}

void CsvDays(const LogReport& r, bool, std::ostream& out) {
    Report days{{"day", "runs", "failures"}, {}};
    for (const LogDay& d : r.days) days.rows.push_back({FormatDay(d.day), Number(d.runs), Number(d.failures)});
    Print(days, OutputFormat::kCsv, out);
}

void CsvExits(const LogReport& r, bool, std::ostream& out) {
    Report byExit{{"exit", "class", "meaning", "machines", "runs", "anonymous runs"}, {}};
    for (const ExitCount& e : r.byExit)
        byExit.rows.push_back({std::to_string(e.exit), ExitClassName(ClassOf(e.exit)), LogMeaning(e.exit),
                               Number(e.machines), Number(e.runs), Number(e.anonymousRuns)});
    Print(byExit, OutputFormat::kCsv, out);
}

void CsvGroups(const char* name, const std::vector<LogGroup>& groups, bool raw, std::ostream& out) {
    Report table{{name, "exit", "class", "meaning", "machines"}, {}};
    for (const LogGroup& g : groups)
        for (const auto& [exit, machines] : g.exits)
            table.rows.push_back({MachineCell(g.key, raw), std::to_string(exit), ExitClassName(ClassOf(exit)),
                                  LogMeaning(exit), Number(machines)});
    Print(table, OutputFormat::kCsv, out);
}

void CsvBoards(const LogReport& r, bool raw, std::ostream& out) { CsvGroups("board", r.byBoard, raw, out); }
void CsvModels(const LogReport& r, bool raw, std::ostream& out) { CsvGroups("model", r.byModel, raw, out); }
void CsvReleases(const LogReport& r, bool raw, std::ostream& out) { CsvGroups("release", r.byRelease, raw, out); }

void CsvCompliance(const LogReport& r, bool raw, std::ostream& out) {
    Report table{{"board", "machines", "behind", "newest release"}, {}};
    for (const BoardCompliance& b : r.compliance)
        table.rows.push_back({MachineCell(b.board, raw), Number(b.machines), Number(b.behind), Number(r.newestRelease)});
    Print(table, OutputFormat::kCsv, out);
}

void CsvVersions(const LogReport& r, bool raw, std::ostream& out) {
    Report table{{"board", "version", "machines"}, {}};
    for (const BoardCompliance& b : r.compliance)
        for (const auto& [version, machines] : b.versions)
            table.rows.push_back({MachineCell(b.board, raw), MachineCell(version, raw), Number(machines)});
    Print(table, OutputFormat::kCsv, out);
}

void CsvFiles(const LogReport& r, bool raw, std::ostream& out) {
    Report files{{"file", "lines", "runs", "unreadable"}, {}};
    for (const LogFileCounts& f : r.files)
        files.rows.push_back({MachineCell(f.name, raw), Number(f.lines), Number(f.runs), Number(f.unreadable)});
    Print(files, OutputFormat::kCsv, out);
}

void CsvUnreadable(const LogReport& r, bool raw, std::ostream& out) {
    Report unreadable{{"file", "line", "kind", "reason"}, {}};
    for (const UnreadableLine& u : r.unreadable)
        unreadable.rows.push_back({MachineCell(r.files[u.file].name, raw), Number(u.line), UnreadableName(u.kind),
                                   MachineCell(u.reason, raw)});
    Print(unreadable, OutputFormat::kCsv, out);
}

void CsvUnreadableReasons(const LogReport& r, bool raw, std::ostream& out) {
    Report table{{"kind", "lines", "first file", "first line", "excerpt"}, {}};
    for (const UnreadableSummary& k : r.unreadableByKind)
        table.rows.push_back({UnreadableName(k.kind), Number(k.count), MachineCell(r.files[k.file].name, raw),
                              Number(k.line), MachineCell(k.excerpt, raw)});
    Print(table, OutputFormat::kCsv, out);
}

void CsvSerials(const LogReport& r, bool raw, std::ostream& out) {
    Report table{{"serial", "why", "machines", "runs"}, {}};
    for (const SharedSerial& s : r.sharedSerials)
        table.rows.push_back({MachineCell(s.serial, raw), s.why, Number(s.machines), Number(s.runs)});
    Print(table, OutputFormat::kCsv, out);
}

// ---- JSON: one object ----

// A small writer that places commas, and line breaks where asked for.
class Json {
public:
    explicit Json(std::ostream& out) : out_(out) {}
    // The next element or member starts on a line of its own.
    Json& NewLine() {
        newLine_ = true;
        return *this;
    }
    Json& Key(std::string_view name) {
        Separate();
        out_ << JsonString(name) << ": ";
        afterKey_ = true;
        return *this;
    }
    Json& Open(char bracket) {
        Separate();
        out_ << bracket;
        first_.push_back(true);
        return *this;
    }
    Json& Close(char bracket) {
        first_.pop_back();
        if (newLine_) out_ << "\n" << std::string(2 * first_.size(), ' ');
        newLine_ = false;
        out_ << bracket;
        return *this;
    }
    Json& Text(std::string_view text) { return Raw(JsonString(text)); }
    Json& Value(std::int64_t n) { return Raw(std::to_string(n)); }
    Json& Bool(bool b) { return Raw(b ? "true" : "false"); }
    Json& Null() { return Raw("null"); }

private:
    Json& Raw(const std::string& text) {
        Separate();
        out_ << text;
        return *this;
    }
    void Separate() {
        if (afterKey_) {
            afterKey_ = false;
            return;
        }
        const bool comma = !first_.empty() && !first_.back();
        if (comma) out_ << ',';
        if (!first_.empty()) first_.back() = false;
        if (newLine_) {
            out_ << "\n" << std::string(2 * first_.size(), ' ');
            newLine_ = false;
        } else if (comma) {
            out_ << ' ';
        }
    }
    std::ostream& out_;
    std::vector<bool> first_;
    bool afterKey_ = false;
    bool newLine_ = false;
};

void JsonMachine(Json& j, const LogReport& r, std::size_t i) {
    const MachineState& m = r.latest[i];
    j.Open('{');
    j.Key("board").Text(m.board).Key("model").Text(m.model).Key("serial").Text(m.serial);
    j.Key("manufacturer").Text(m.manufacturer);
    j.Key("exit").Value(m.exit).Key("class").Text(ExitClassName(ClassOf(m.exit))).Key("meaning").Text(LogMeaning(m.exit));
    j.Key("time").Text(FormatLogTime(m.latest.time, 'T')).Key("release").Value(m.release);
    j.Key("version").Text(m.version).Key("runs").Value(static_cast<std::int64_t>(m.runs));
    j.Key("declined").Bool(m.declined).Key("clockOutOfRange").Value(static_cast<std::int64_t>(m.clockOutOfRange));
    j.Key("file").Text(r.files[m.latest.file].name).Key("line").Value(static_cast<std::int64_t>(m.latest.line));
    j.Close('}');
}

void JsonGroups(Json& j, const char* name, const char* keyName, const std::vector<LogGroup>& groups, bool numericKey) {
    j.Key(name).Open('[');
    for (const LogGroup& g : groups) {
        j.NewLine().Open('{').Key(keyName);
        if (numericKey) {
            j.Value(std::stoll(g.key));
        } else {
            j.Text(g.key);
        }
        j.Key("machines").Value(static_cast<std::int64_t>(g.machines)).Key("exits").Open('{');
        for (const auto& [exit, machines] : g.exits)
            j.Key(std::to_string(exit)).Value(static_cast<std::int64_t>(machines));
        j.Close('}').Close('}');
    }
    j.Close(']');
}

void PrintJson(const LogReport& r, std::ostream& out) {
    Json j(out);
    const auto count = [](std::uint64_t n) { return static_cast<std::int64_t>(n); };
    j.Open('{');
    j.Key("machines").Value(count(r.latest.size()));
    j.Key("runs").Value(count(r.runs));
    j.Key("lines").Value(count(r.lines));
    j.Key("anonymousRuns").Value(count(r.anonymousRuns));
    for (const auto& [name, time] : {std::pair{"first", r.first}, {"last", r.last}, {"since", r.since}}) {
        j.Key(name);
        if (time) {
            j.Text(FormatLogTime(*time, 'T'));
        } else {
            j.Null();
        }
    }
    j.Key("declinedRuns").Value(count(r.declinedRuns));
    j.NewLine().Key("files").Open('[');
    for (const LogFileCounts& f : r.files) {
        j.NewLine().Open('{').Key("file").Text(f.name).Key("lines").Value(count(f.lines));
        j.Key("runs").Value(count(f.runs)).Key("unreadable").Value(count(f.unreadable)).Close('}');
    }
    j.Close(']');
    j.NewLine().Key("unreadable").Open('[');
    for (const UnreadableLine& u : r.unreadable) {
        j.NewLine().Open('{').Key("file").Text(r.files[u.file].name).Key("line").Value(count(u.line));
        j.Key("kind").Text(UnreadableName(u.kind)).Key("reason").Text(u.reason).Close('}');
    }
    j.Close(']');
    j.NewLine().Key("unreadableByKind").Open('[');
    for (const UnreadableSummary& k : r.unreadableByKind) {
        j.NewLine().Open('{').Key("kind").Text(UnreadableName(k.kind)).Key("lines").Value(count(k.count));
        j.Key("file").Text(r.files[k.file].name).Key("line").Value(count(k.line)).Key("excerpt").Text(k.excerpt);
        j.Close('}');
    }
    j.Close(']');
    j.NewLine().Key("ambiguousManufacturer");
    if (r.ambiguousManufacturer.second) {
        j.Open('{').Key("manufacturer").Text(r.ambiguousManufacturer.first);
        j.Key("lines").Value(count(r.ambiguousManufacturer.second)).Close('}');
    } else {
        j.Null();
    }
    j.Key("clockOutOfRange").Value(count(r.clockOutOfRange)).Key("filteredOut").Value(count(r.filteredOut));
    j.Key("resolvedAmbiguous").Value(count(r.resolvedAmbiguous));
    j.NewLine().Key("sharedSerials").Open('[');
    for (const SharedSerial& s : r.sharedSerials) {
        j.NewLine().Open('{').Key("serial").Text(s.serial).Key("why").Text(s.why);
        j.Key("machines").Value(count(s.machines)).Key("runs").Value(count(s.runs)).Close('}');
    }
    j.Close(']');
    j.NewLine().Key("newestRelease").Value(r.newestRelease);
    j.NewLine().Key("compliance").Open('[');
    for (const BoardCompliance& b : r.compliance) {
        j.NewLine().Open('{').Key("board").Text(b.board).Key("machines").Value(count(b.machines));
        j.Key("behind").Value(count(b.behind)).Key("versions").Open('[');
        for (const auto& [version, machines] : b.versions)
            j.Open('{').Key("version").Text(version).Key("machines").Value(count(machines)).Close('}');
        j.Close(']').Close('}');
    }
    j.Close(']');
    j.NewLine().Key("byExit").Open('[');
    for (const ExitCount& e : r.byExit) {
        j.NewLine().Open('{').Key("exit").Value(e.exit).Key("class").Text(ExitClassName(ClassOf(e.exit)));
        j.Key("meaning").Text(LogMeaning(e.exit));
        j.Key("machines").Value(count(e.machines)).Key("runs").Value(count(e.runs));
        j.Key("anonymousRuns").Value(count(e.anonymousRuns)).Close('}');
    }
    j.Close(']');
    j.NewLine();
    JsonGroups(j, "byBoard", "board", r.byBoard, false);
    j.NewLine();
    JsonGroups(j, "byModel", "model", r.byModel, false);
    j.NewLine();
    JsonGroups(j, "byRelease", "release", r.byRelease, true);
    for (const auto& [name, list] : {std::pair{"failed", &r.failed},
                                     {"declined", &r.declinedMachines},
                                     {"missingSoftware", &r.missingSoftware},
                                     {"notSeen", &r.notSeen},
                                     {"clockOutOfRangeMachines", &r.clockMachines}}) {
        j.NewLine().Key(name).Open('[');
        for (std::size_t i : *list) JsonMachine(j.NewLine(), r, i);
        j.Close(']');
    }
    j.NewLine().Key("days").Open('[');
    for (const LogDay& d : r.days) {
        j.NewLine().Open('{').Key("day").Text(FormatDay(d.day)).Key("runs").Value(count(d.runs));
        j.Key("failures").Value(count(d.failures)).Close('}');
    }
    j.Close(']');
    j.NewLine().Key("latest").Open('[');
    for (std::size_t i = 0; i < r.latest.size(); ++i) JsonMachine(j.NewLine(), r, i);
    j.Close(']');
    j.NewLine().Close('}');
    out << "\n";
}

}  // namespace

ExitClass ClassOf(std::int32_t exit) {
    const std::optional<ExitCodeInfo> info = FindExitCode(exit);
    return info ? info->exitClass : ExitClass::kFailure;
}

std::string LogMeaning(std::int32_t exit) {
    if (exit == ToNumber(ExitCode::kCompleted)) return "the update started; it finishes at the next restart";
    return DescribeExitCode(exit);
}

bool IsPlaceholderSerial(std::string_view serial) {
    while (!serial.empty() && serial.front() == ' ') serial.remove_prefix(1);
    while (!serial.empty() && serial.back() == ' ') serial.remove_suffix(1);
    static constexpr std::string_view kPlaceholders[] = {
        "To Be Filled By O.E.M.", "Default string", "System Serial Number", "0", "Unknown", "",
        "Not Specified",          "None",           "N/A",                  "123456789", "0123456789"};
    for (const std::string_view p : kPlaceholders) {
        if (p.size() != serial.size()) continue;
        bool same = true;
        for (std::size_t i = 0; i < p.size() && same; ++i)
            same = std::tolower(static_cast<unsigned char>(p[i])) == std::tolower(static_cast<unsigned char>(serial[i]));
        if (same) return true;
    }
    return false;
}

const std::vector<CsvTable>& CsvTables() {
    static const std::vector<CsvTable> kTables = {
        {"machines.csv", CsvMachines}, {"days.csv", CsvDays},         {"exits.csv", CsvExits},
        {"boards.csv", CsvBoards},     {"models.csv", CsvModels},     {"releases.csv", CsvReleases},
        {"compliance.csv", CsvCompliance}, {"versions.csv", CsvVersions}, {"files.csv", CsvFiles},
        {"serials.csv", CsvSerials},   {"unreadable.csv", CsvUnreadable}, {"unreadable-reasons.csv", CsvUnreadableReasons},
    };
    return kTables;
}

void PrintRunHeader(std::ostream& out) {
    out << "file,line,time,release,exit,class,manufacturer,board,model,serial,version\r\n";
}

void PrintRunRow(const LogRun& run, const std::string& file, std::uint64_t line, bool raw, std::ostream& out) {
    out << CsvCell(MachineCell(file, raw)) << ',' << line << ',' << FormatLogTime(run.time, 'T') << ',' << run.release
        << ',' << run.exit << ',' << ExitClassName(ClassOf(run.exit));
    for (const std::string_view text : {run.manufacturer, run.board, run.model, run.serial, run.version})
        out << ',' << CsvCell(MachineCell(std::string(text), raw));
    out << "\r\n";
}

// The exit codes that occur in `groups`, in order.
std::vector<std::int32_t> CodesOf(const std::vector<LogGroup>& groups) {
    std::vector<std::int32_t> codes;
    for (const LogGroup& g : groups)
        for (const auto& [exit, machines] : g.exits) codes.push_back(exit);
    std::sort(codes.begin(), codes.end());
    codes.erase(std::unique(codes.begin(), codes.end()), codes.end());
    return codes;
}

std::uint64_t CountOf(const LogGroup& group, std::int32_t exit) {
    for (const auto& [code, machines] : group.exits)
        if (code == exit) return machines;
    return 0;
}

std::vector<MachineListing> MachineListings(const LogReport& r, std::string_view to) {
    return {
        {"Latest run failed (" + FailedRunCodes(to) + ")", &r.failed, false, "failed"},
        {"Answered 1 (update needed, not consented) on their last " + Number(r.declinedRuns) + " runs",
         &r.declinedMachines, true, "declined"},
        {"Missing essential software (" + MissingSoftwareCodes() + ")", &r.missingSoftware, false, "missing-software"},
        {"Not seen since " + (r.since ? FormatLogTime(*r.since) : std::string("-")), &r.notSeen, false, "not-seen"},
    };
}

std::string ShownField(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        unsigned shown = 0x100;
        if (c < 0x20 || c == 0x7F) {
            shown = c;
        } else if (c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) < 0xA0) {
            shown = static_cast<unsigned char>(text[++i]);  // U+0080 to U+009F
        }
        if (shown == 0x100) {
            out += text[i];
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", shown);
            out += hex;
        }
    }
    return out;
}

LogReport BuildLogReport(LogAnalysis& analysis, std::optional<LogTime> since) {
    LogReport r;
    r.files = analysis.files();
    r.lines = analysis.lines();
    r.runs = analysis.runs();
    r.unreadable = analysis.unreadable();
    r.unreadableByKind = analysis.UnreadableByKind();
    r.ambiguousManufacturer = analysis.CommonAmbiguousManufacturer();
    r.clockOutOfRange = analysis.clockOutOfRange();
    r.filteredOut = analysis.filteredOut();
    r.resolvedAmbiguous = analysis.resolvedAmbiguous();
    r.newestRelease = analysis.newestRelease();
    r.first = analysis.first();
    r.last = analysis.last();
    r.since = since;
    if (!r.since && r.last) r.since = AddDays(static_cast<LogTime>(DayOf(*r.last)) * 1000000, -30);
    r.declinedRuns = analysis.watchedRuns();

    r.latest = analysis.TakeMachines();
    std::sort(r.latest.begin(), r.latest.end(), [](const MachineState& a, const MachineState& b) {
        return a.board != b.board ? a.board < b.board : a.serial < b.serial;
    });

    std::map<std::int32_t, ExitCount> byExit;
    std::map<std::string, std::map<std::int32_t, std::uint64_t>> boards, models;
    std::map<std::uint32_t, std::map<std::int32_t, std::uint64_t>> releases;
    for (std::size_t i = 0; i < r.latest.size(); ++i) {
        const MachineState& m = r.latest[i];
        ++byExit[m.exit].machines;
        ++boards[m.board][m.exit];
        ++models[m.model][m.exit];
        ++releases[m.release][m.exit];
        if (IsFailedRun(m.exit)) r.failed.push_back(i);
        if (m.declined) r.declinedMachines.push_back(i);
        if (IsMissingSoftware(m.exit)) r.missingSoftware.push_back(i);
        if (r.since && m.lastPlausible && m.lastPlausible < *r.since) r.notSeen.push_back(i);
        if (m.clockOutOfRange) r.clockMachines.push_back(i);
    }
    // Serials that several notebooks share.
    struct SerialUse {
        std::uint64_t machines = 0, runs = 0;
        std::set<std::string> models;
        bool severalModels = false;
    };
    std::map<std::string, SerialUse> serials;
    for (const MachineState& m : r.latest) {
        SerialUse& use = serials[m.serial];
        ++use.machines;
        use.runs += m.runs;
        if (use.models.size() < 2) use.models.insert(m.model);
        use.severalModels = use.severalModels || m.severalModels;
    }
    for (const auto& [serial, use] : serials) {
        if (IsPlaceholderSerial(serial)) {
            r.sharedSerials.push_back({serial, "placeholder", use.machines, use.runs});
        } else if (use.severalModels || use.models.size() > 1) {
            r.sharedSerials.push_back({serial, "several models", use.machines, use.runs});
        }
    }
    // Compliance: behind the newest release read, and the installed versions.
    std::map<std::string, std::pair<BoardCompliance, std::map<std::string, std::uint64_t>>> compliance;
    for (const MachineState& m : r.latest) {
        auto& [board, versions] = compliance[m.board];
        board.board = m.board;
        ++board.machines;
        board.behind += m.release < r.newestRelease;
        ++versions[m.version];
    }
    for (auto& [key, entry] : compliance) {
        entry.first.versions.assign(entry.second.begin(), entry.second.end());
        r.compliance.push_back(std::move(entry.first));
    }
    for (const auto& [exit, runs] : analysis.runsByExit()) byExit[exit].runs = runs;
    for (const auto& [exit, runs] : analysis.anonymousRunsByExit()) {
        byExit[exit].anonymousRuns = runs;
        r.anonymousRuns += runs;
    }
    for (auto& [exit, counts] : byExit) {
        counts.exit = exit;
        r.byExit.push_back(counts);
    }
    r.byBoard = Groups(boards);
    r.byModel = Groups(models);
    r.byRelease = Groups(releases);
    for (const auto& [day, counts] : analysis.days()) r.days.push_back({day, counts.runs, counts.failures});
    return r;
}

void PrintLogReport(const LogReport& report, OutputFormat format, std::ostream& out) {
    switch (format) {
        case OutputFormat::kTable: PrintTerminal(report, out); break;
        case OutputFormat::kCsv:
            for (const CsvTable& t : CsvTables()) {
                out << "# " << t.file << "\r\n";
                t.write(report, false, out);
            }
            break;
        case OutputFormat::kJson: PrintJson(report, out); break;
    }
}

}  // namespace Korvane::PC::Tarnwick::Companion
