#include "tools/companion-tool/Commands.h"

#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>

#include "tools/companion-tool/Check.h"
#include "tools/companion-tool/Diff.h"
#include "tools/companion-tool/Fleet.h"
#include "tools/companion-tool/LogPage.h"
#include "tools/companion-tool/LogReport.h"
#include "tools/companion-tool/Simulation.h"

namespace Korvane::PC::Tarnwick::Companion {
namespace {

constexpr const char* kUsage =
    "usage: tarnwick-companion COMMAND ARGUMENTS [--csv | --json]\n"
    "       tarnwick-companion logs LOG... [--since DATE] [--declined N] [--csv | --json | --html FILE]\n"
    "\n"
    "  check LIBRARY           report everything in a built battery.dll that would make\n"
    "                          Tarnwick misbehave; exit status 1 when there is an error\n"
    "  simulate LIBRARY FLEET  what Tarnwick decides on each machine profile of FLEET (CSV)\n"
    "  diff OLD NEW FLEET      table rows added, removed and changed from OLD to NEW, and the\n"
    "                          profiles of FLEET whose outcome changes; exit status 1 when\n"
    "                          anything differs\n"
    "  logs LOG...             the latest state of every machine in Tarnwick's /log files,\n"
    "                          grouped by exit code, board, model and release, with the\n"
    "                          machines that failed, declined, miss essential software or\n"
    "                          were not seen; lines that cannot be read are listed\n"
    "\n"
    "  --csv, --json           output for scripts instead of an aligned table\n"
    "  --html FILE             logs: write the report as one self-contained page\n"
    "  --since DATE            logs: list machines not seen since DATE (YYYY-MM-DD, optionally\n"
    "                          with hh:mm[:ss]); default 30 days before the latest run read\n"
    "  --declined N            logs: list machines whose last N runs all ended with 1 (default 3)\n"
    "\n"
    "Exit status: 0 clean, 1 errors found or differences (logs: lines that cannot be read),\n"
    "2 wrong command line, 3 a library, the fleet or a log cannot be read (or the page written).\n";

struct Invocation {
    std::string command;
    std::vector<std::string> operands;
    OutputFormat format = OutputFormat::kTable;
    // logs only:
    std::optional<std::string> html;
    std::optional<LogTime> since;
    std::optional<std::size_t> declined;
};

constexpr std::size_t kDefaultDeclinedRuns = 3;

std::optional<Invocation> Parse(const std::vector<std::string>& arguments, std::ostream& err) {
    Invocation invocation;
    bool formatGiven = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string a = arguments[i];
        // Options with a value: "--since DATE" or "--since=DATE".
        std::optional<std::string> value;
        if (const std::size_t equals = a.find('='); a.starts_with("--") && equals != std::string::npos) {
            value = a.substr(equals + 1);
            a.resize(equals);
        }
        const bool takesValue = a == "--since" || a == "--html" || a == "--declined";
        if (takesValue && !value) {
            if (i + 1 == arguments.size()) {
                err << "tarnwick-companion: " << a << " needs a value\n";
                return std::nullopt;
            }
            value = arguments[++i];
        } else if (!takesValue && value) {
            err << "tarnwick-companion: " << a << " takes no value\n";
            return std::nullopt;
        }
        if (a == "--csv" || a == "--json" || a == "--html") {
            if (formatGiven) {
                err << "tarnwick-companion: give one of --csv, --json and --html\n";
                return std::nullopt;
            }
            formatGiven = true;
            if (a == "--html") {
                invocation.html = *value;
            } else {
                invocation.format = a == "--csv" ? OutputFormat::kCsv : OutputFormat::kJson;
            }
        } else if (a == "--since") {
            invocation.since = ParseDateArgument(*value);
            if (!invocation.since) {
                err << "tarnwick-companion: --since " << *value << ": not a date (YYYY-MM-DD [hh:mm[:ss]])\n";
                return std::nullopt;
            }
        } else if (a == "--declined") {
            std::uint32_t n = 0;
            bool digits = !value->empty() && value->size() <= 3;
            for (char c : *value) digits = digits && c >= '0' && c <= '9';
            if (digits) n = static_cast<std::uint32_t>(std::stoul(*value));
            if (!digits || n < 1 || n > LogAnalysis::kMaxWatchedRuns) {
                err << "tarnwick-companion: --declined " << *value << ": not a number from 1 to "
                    << LogAnalysis::kMaxWatchedRuns << "\n";
                return std::nullopt;
            }
            invocation.declined = n;
        } else if (a.starts_with("--")) {
            err << "tarnwick-companion: unknown option " << a << "\n";
            return std::nullopt;
        } else if (invocation.command.empty()) {
            invocation.command = a;
        } else {
            invocation.operands.push_back(a);
        }
    }
    if ((invocation.html || invocation.since || invocation.declined) && invocation.command != "logs") {
        err << "tarnwick-companion: --html, --since and --declined belong to logs\n";
        return std::nullopt;
    }
    return invocation;
}

std::unique_ptr<Release> OpenRelease(const std::string& path, std::ostream& err) {
    std::string error;
    std::unique_ptr<Release> release = Release::Open(path, error);
    if (!release) err << "tarnwick-companion: " << path << ": " << error << "\n";
    return release;
}

std::optional<Fleet> ReadFleet(const std::string& path, std::ostream& err) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        err << "tarnwick-companion: " << path << ": cannot open the fleet file\n";
        return std::nullopt;
    }
    const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    Fleet fleet = ParseFleet(text);
    for (const std::string& e : fleet.errors) err << path << ": " << e << "\n";
    if (!fleet.errors.empty()) return std::nullopt;
    return fleet;
}

int Check(const Invocation& invocation, std::ostream& out, std::ostream& err) {
    std::unique_ptr<Release> release = OpenRelease(invocation.operands[0], err);
    if (!release) return ExitStatus::kUnreadable;
    const std::vector<Finding> findings = CheckRelease(*release);
    std::size_t errors = 0, warnings = 0;
    if (invocation.format == OutputFormat::kTable) {
        for (const Finding& f : findings) out << FormatFinding(f) << "\n";
    } else {
        Report report{{"severity", "place", "problem", "effect"}, {}};
        for (const Finding& f : findings) {
            report.rows.push_back({f.severity == Severity::kError     ? "error"
                                   : f.severity == Severity::kWarning ? "warning"
                                                                      : "report",
                                   f.place, f.problem, f.effect});
        }
        Print(report, invocation.format, out);
    }
    for (const Finding& f : findings) {
        errors += f.severity == Severity::kError;
        warnings += f.severity == Severity::kWarning;
    }
    (invocation.format == OutputFormat::kTable ? out : err)
        << invocation.operands[0] << ": " << errors << " error(s), " << warnings << " warning(s)\n";
    return errors == 0 ? ExitStatus::kClean : ExitStatus::kFindings;
}

int Simulate(const Invocation& invocation, std::ostream& out, std::ostream& err) {
    std::unique_ptr<Release> release = OpenRelease(invocation.operands[0], err);
    if (!release) return ExitStatus::kUnreadable;
    const std::optional<Fleet> fleet = ReadFleet(invocation.operands[1], err);
    if (!fleet) return ExitStatus::kUnreadable;
    Print(SimulationReport(fleet->profiles, Companion::Simulate(*release, fleet->profiles)), invocation.format, out);
    return ExitStatus::kClean;
}

int Diff(const Invocation& invocation, std::ostream& out, std::ostream& err) {
    std::unique_ptr<Release> before = OpenRelease(invocation.operands[0], err);
    std::unique_ptr<Release> after = OpenRelease(invocation.operands[1], err);
    if (!before || !after) return ExitStatus::kUnreadable;
    const std::optional<Fleet> fleet = ReadFleet(invocation.operands[2], err);
    if (!fleet) return ExitStatus::kUnreadable;
    const Report tables = DiffTables(*before, *after);
    const Report profiles = OutcomeDiffReport(fleet->profiles, Companion::Simulate(*before, fleet->profiles),
                                              Companion::Simulate(*after, fleet->profiles));
    if (invocation.format == OutputFormat::kJson) {
        // One document: {"tables": [...], "profiles": [...]}.
        out << "{\"tables\": ";
        Print(tables, invocation.format, out);
        out << ", \"profiles\": ";
        Print(profiles, invocation.format, out);
        out << "}\n";
    } else {
        Print(tables, invocation.format, out);
        if (invocation.format == OutputFormat::kTable && tables.rows.empty()) out << "no table row differs\n";
        out << "\n";
        Print(profiles, invocation.format, out);
        if (invocation.format == OutputFormat::kTable && profiles.rows.empty()) out << "no profile's outcome changes\n";
    }
    return tables.rows.empty() && profiles.rows.empty() ? ExitStatus::kClean : ExitStatus::kFindings;
}

int Logs(const Invocation& invocation, std::ostream& out, std::ostream& err) {
    LogAnalysis analysis(invocation.declined.value_or(kDefaultDeclinedRuns));
    // Every log that opens is read; one that does not still ends with 3.
    bool allRead = true;
    for (const std::string& path : invocation.operands) allRead = ReadLogFile(path, analysis, err) && allRead;
    const LogReport report = BuildLogReport(analysis, invocation.since);
    if (invocation.html) {
        std::ofstream page(*invocation.html, std::ios::binary | std::ios::trunc);
        if (page) WriteLogPage(report, page);
        page.close();
        if (!page) {
            err << "tarnwick-companion: " << *invocation.html << ": cannot write the page\n";
            return ExitStatus::kUnreadable;
        }
        out << *invocation.html << ": " << report.latest.size() << " machine(s), " << report.runs << " run(s), "
            << report.unreadable.size() << " unreadable line(s)\n";
    } else {
        PrintLogReport(report, invocation.format, out);
    }
    if (!allRead) return ExitStatus::kUnreadable;
    return report.unreadable.empty() ? ExitStatus::kClean : ExitStatus::kFindings;
}

}  // namespace

int RunCommand(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    const std::optional<Invocation> invocation = Parse(arguments, err);
    if (!invocation) {
        err << kUsage;
        return ExitStatus::kUsage;
    }
    struct Command {
        const char* name;
        std::size_t operands;  // how many; 0: one or more
        int (*run)(const Invocation&, std::ostream&, std::ostream&);
    };
    static constexpr Command kCommands[] = {
        {"check", 1, Check}, {"simulate", 2, Simulate}, {"diff", 3, Diff}, {"logs", 0, Logs}};
    if (invocation->command == "help" && invocation->operands.empty()) {
        out << kUsage;
        return ExitStatus::kClean;
    }
    for (const Command& c : kCommands) {
        if (invocation->command != c.name) continue;
        if (c.operands == 0 ? invocation->operands.empty() : invocation->operands.size() != c.operands) {
            err << "tarnwick-companion: " << c.name << " takes "
                << (c.operands ? std::to_string(c.operands) : std::string("one or more")) << " argument(s)\n"
                << kUsage;
            return ExitStatus::kUsage;
        }
        return c.run(*invocation, out, err);
    }
    err << (invocation->command.empty() ? std::string("tarnwick-companion: no command\n")
                                        : "tarnwick-companion: unknown command " + invocation->command + "\n")
        << kUsage;
    return ExitStatus::kUsage;
}

}  // namespace Korvane::PC::Tarnwick::Companion
