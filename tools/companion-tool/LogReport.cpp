#include "tools/companion-tool/LogReport.h"

#include <algorithm>
#include <cstdio>
#include <map>

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
                              DescribeExitCode(m.exit), FormatLogTime(m.latest.time), Number(m.release)});
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

    Heading(out, "Latest run of each machine, by exit code (runs: every run read)");
    Report byExit{{"exit", "meaning", "machines", "runs"}, {}};
    for (const ExitCount& e : r.byExit)
        byExit.rows.push_back({std::to_string(e.exit), DescribeExitCode(e.exit), Number(e.machines), Number(e.runs)});
    Print(byExit, OutputFormat::kTable, out);

    Heading(out, "Per board: machines by the exit code of their latest run");
    PrintMatrix(out, "board", r.byBoard);
    Heading(out, "Per model");
    PrintMatrix(out, "model", r.byModel);
    Heading(out, "Per release of battery.dll (of the latest run)");
    PrintMatrix(out, "release", r.byRelease);

    for (const MachineListing& list : MachineListings(r, "-")) {
        const std::vector<std::size_t>& which = *list.machines;
        Heading(out, list.title + ": " + (which.empty() ? std::string("none") : Count(which.size(), "machine")));
        if (!which.empty()) PrintMachines(out, r, which, list.withVersion);
    }

    if (!r.unreadable.empty()) {
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

// ---- CSV: sections separated by an empty line, each with its header ----

// A machine's own text (from its SMBIOS or its version sentence) as a CSV
// cell: a spreadsheet would run a cell that starts with = + - @ (or a tab or
// carriage return before one) as a formula, so such a cell starts with an
// apostrophe, which spreadsheets show as text and do not display.
std::string MachineCell(const std::string& text) {
    if (!text.empty() && std::string_view("=+-@\t\r").find(text.front()) != std::string_view::npos) return "'" + text;
    return text;
}

void PrintCsv(const LogReport& r, std::ostream& out) {
    const auto section = [&](const Report& table, bool last = false) {
        Print(table, OutputFormat::kCsv, out);
        if (!last) out << "\r\n";
    };
    section({{"files", "lines", "runs", "machines", "unreadable", "anonymous runs", "first", "last", "since",
              "declined runs"},
             {{Number(r.files.size()), Number(r.lines), Number(r.runs), Number(r.latest.size()),
               Number(r.unreadable.size()), Number(r.anonymousRuns), r.first ? FormatLogTime(*r.first, 'T') : "",
               r.last ? FormatLogTime(*r.last, 'T') : "", r.since ? FormatLogTime(*r.since, 'T') : "",
               Number(r.declinedRuns)}}});
    Report files{{"file", "lines", "runs", "unreadable"}, {}};
    for (const LogFileCounts& f : r.files)
        files.rows.push_back({f.name, Number(f.lines), Number(f.runs), Number(f.unreadable)});
    section(files);
    Report latest{{"board", "model", "serial", "manufacturer", "exit", "meaning", "time", "release", "version", "runs",
                   "declined", "file", "line"},
                  {}};
    for (std::size_t i = 0; i < r.latest.size(); ++i) {
        const MachineState& m = r.latest[i];
        latest.rows.push_back({MachineCell(m.board), MachineCell(m.model), MachineCell(m.serial),
                               MachineCell(m.manufacturer), std::to_string(m.exit), DescribeExitCode(m.exit),
                               FormatLogTime(m.latest.time, 'T'), Number(m.release), MachineCell(m.version),
                               Number(m.runs), m.declined ? "yes" : "no", r.files[m.latest.file].name,
                               Number(m.latest.line)});
    }
    section(latest);
    Report unreadable{{"file", "line", "reason"}, {}};
    for (const UnreadableLine& u : r.unreadable)
        unreadable.rows.push_back({r.files[u.file].name, Number(u.line), u.reason});
    section(unreadable);
    Report byExit{{"exit", "meaning", "machines", "runs", "anonymous runs"}, {}};
    for (const ExitCount& e : r.byExit)
        byExit.rows.push_back({std::to_string(e.exit), DescribeExitCode(e.exit), Number(e.machines), Number(e.runs),
                               Number(e.anonymousRuns)});
    section(byExit);
    Report groups{{"group", "key", "exit", "meaning", "machines"}, {}};
    for (const auto& [name, list] : {std::pair{"board", &r.byBoard}, {"model", &r.byModel}, {"release", &r.byRelease}})
        for (const LogGroup& g : *list)
            for (const auto& [exit, machines] : g.exits)
                groups.rows.push_back({name, MachineCell(g.key), std::to_string(exit), DescribeExitCode(exit), Number(machines)});
    section(groups);
    Report days{{"day", "runs", "failures"}, {}};
    for (const LogDay& d : r.days) days.rows.push_back({FormatDay(d.day), Number(d.runs), Number(d.failures)});
    section(days, true);
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
    j.Key("exit").Value(m.exit).Key("meaning").Text(DescribeExitCode(m.exit));
    j.Key("time").Text(FormatLogTime(m.latest.time, 'T')).Key("release").Value(m.release);
    j.Key("version").Text(m.version).Key("runs").Value(static_cast<std::int64_t>(m.runs));
    j.Key("declined").Bool(m.declined);
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
        j.Key("reason").Text(u.reason).Close('}');
    }
    j.Close(']');
    j.NewLine().Key("byExit").Open('[');
    for (const ExitCount& e : r.byExit) {
        j.NewLine().Open('{').Key("exit").Value(e.exit).Key("meaning").Text(DescribeExitCode(e.exit));
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
                                     {"notSeen", &r.notSeen}}) {
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
        if (r.since && m.latest.time < *r.since) r.notSeen.push_back(i);
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
        case OutputFormat::kCsv: PrintCsv(report, out); break;
        case OutputFormat::kJson: PrintJson(report, out); break;
    }
}

}  // namespace Korvane::PC::Tarnwick::Companion
