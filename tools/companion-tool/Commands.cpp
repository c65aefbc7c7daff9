#include "tools/companion-tool/Commands.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <set>
#include <sstream>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "tools/companion-tool/Check.h"
#include "tools/companion-tool/Diff.h"
#include "tools/companion-tool/Fleet.h"
#include "tools/companion-tool/LogFiles.h"
#include "tools/companion-tool/LogPage.h"
#include "tools/companion-tool/LogReport.h"
#include "tools/companion-tool/Simulation.h"
#include "tools/companion-tool/TextOut.h"

namespace Korvane::PC::Tarnwick::Companion {
namespace {

constexpr const char* kUsage =
    "usage: tarnwick-companion COMMAND ARGUMENTS [--csv | --json]\n"
    "       tarnwick-companion logs LOG... [--since DATE] [--declined N] [--board B] [--model M]\n"
    "                               [--release N] [--json | --csv DIR | --html FILE] [--runs FILE] [--raw]\n"
    "                               [--library LIBRARY]\n"
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
    "                          were not seen; lines that cannot be read are listed;\n"
    "                          LOG - reads standard input\n"
    "\n"
    "  --csv, --json           output for scripts instead of an aligned table\n"
    "  --csv DIR               logs: write one CSV table per file into the folder DIR\n"
    "  --runs FILE             logs: also write every readable run as one CSV row\n"
    "  --raw                   logs: CSV cells as read (no apostrophe before = + - @ or a tab)\n"
    "  --library LIBRARY       logs: read a line with one \", \" too many when only one reading\n"
    "                          fits the boards and models of LIBRARY's tables\n"
    "  --html FILE             logs: write the report as one self-contained page\n"
    "  --board, --model, --release VALUE\n"
    "                          logs: read only these runs (each may be given more than once)\n"
    "  --since DATE            logs: list machines not seen since DATE (YYYY-MM-DD, optionally\n"
    "                          with hh:mm[:ss]); default 30 days before the latest plausible run\n"
    "  --declined N            logs: list machines whose last N runs all ended with 1 (default 3)\n"
    "\n"
    "  -h, --help              this text\n"
    "\n"
    "Exit status: 0 clean, 1 errors found or differences (logs: lines that cannot be read),\n"
    "2 wrong command line (logs: or an output would overwrite a log), 3 a library, the fleet\n"
    "or a log cannot be read (logs: or is not a regular file, or an output cannot be written).\n";

struct Invocation {
    std::string command;
    std::vector<std::string> operands;
    OutputFormat format = OutputFormat::kTable;
    bool help = false;
    // logs only:
    std::optional<std::string> html, csvFolder, runs, library;
    std::optional<LogTime> since;
    std::optional<std::size_t> declined;
    bool raw = false;
    LogFilter filter;
};

constexpr std::size_t kDefaultDeclinedRuns = 3;

#ifdef TARNWICK_TOOL_VERSION
constexpr const char* kToolVersion = TARNWICK_TOOL_VERSION;
#else
constexpr const char* kToolVersion = "unknown";
#endif

std::optional<Invocation> Parse(const std::vector<std::string>& arguments, std::ostream& err) {
    Invocation invocation;
    bool formatGiven = false;
    std::set<std::string> given;  // options that may appear once
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string a = arguments[i];
        if (a == "-h" || a == "--help") {
            invocation.help = true;
            continue;
        }
        // Options with a value: "--since DATE" or "--since=DATE".
        std::optional<std::string> value;
        if (const std::size_t equals = a.find('='); a.starts_with("--") && equals != std::string::npos) {
            value = a.substr(equals + 1);
            a.resize(equals);
        }
        const bool repeatable = a == "--board" || a == "--model" || a == "--release";
        const bool takesValue = a == "--since" || a == "--html" || a == "--declined" || a == "--runs" ||
                                a == "--library" || repeatable ||
                                (a == "--csv" && invocation.command == "logs");
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
        if (a.starts_with("--") && !repeatable && !given.insert(a).second) {
            err << "tarnwick-companion: " << a << " is given more than once\n";
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
            } else if (value) {
                invocation.csvFolder = *value;
            } else {
                invocation.format = a == "--csv" ? OutputFormat::kCsv : OutputFormat::kJson;
            }
        } else if (a == "--runs") {
            invocation.runs = *value;
        } else if (a == "--library") {
            invocation.library = *value;
        } else if (a == "--raw") {
            invocation.raw = true;
        } else if (a == "--board") {
            invocation.filter.boards.push_back(*value);
        } else if (a == "--model") {
            invocation.filter.models.push_back(*value);
        } else if (a == "--release") {
            std::uint32_t release = 0;
            const auto [end, error] = std::from_chars(value->data(), value->data() + value->size(), release);
            if (value->empty() || error != std::errc() || end != value->data() + value->size()) {
                err << "tarnwick-companion: --release " << *value << ": not a release number\n";
                return std::nullopt;
            }
            invocation.filter.releases.push_back(release);
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
    if ((invocation.html || invocation.since || invocation.declined || invocation.runs || invocation.raw ||
         invocation.library ||
         invocation.csvFolder || !invocation.filter.empty()) &&
        invocation.command != "logs" && !invocation.help) {
        err << "tarnwick-companion: --html, --since, --declined, --runs, --raw, --library, --board, --model and "
               "--release belong to logs\n";
        return std::nullopt;
    }
    if (invocation.command == "logs" && invocation.format == OutputFormat::kCsv) {
        err << "tarnwick-companion: logs --csv needs the folder to write its tables into\n";
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

// Every output file of a logs run, checked against the logs read before
// anything is written.
std::vector<std::string> OutputsOf(const Invocation& invocation) {
    std::vector<std::string> outputs;
    if (invocation.html) outputs.push_back(*invocation.html);
    if (invocation.runs) outputs.push_back(*invocation.runs);
    if (invocation.csvFolder)
        for (const CsvTable& t : CsvTables())
            outputs.push_back((std::filesystem::path(*invocation.csvFolder) / t.file).string());
    return outputs;
}

int Logs(const Invocation& invocation, std::ostream& out, std::ostream& err) {
    // The inputs, each once (by identity), before anything is read.
    std::vector<std::string> inputs;
    for (const std::string& path : invocation.operands) {
        bool repeated = false;
        for (const std::string& earlier : inputs) repeated = repeated || (path != "-" && SameFile(path, earlier));
        if (repeated || (path == "-" && std::find(inputs.begin(), inputs.end(), path) != inputs.end())) {
            err << "tarnwick-companion: " << path << ": given more than once; read once\n";
            continue;
        }
        inputs.push_back(path);
    }
    const std::vector<std::string> outputs = OutputsOf(invocation);
    for (const std::string& output : outputs) {
        for (const std::string& input : inputs) {
            if (input != "-" && SameFile(output, input)) {
                err << "tarnwick-companion: " << output << ": is the log " << input
                    << " being read; not overwritten (give another output file)\n";
                return ExitStatus::kUsage;
            }
        }
    }

    LogAnalysis analysis(invocation.declined.value_or(kDefaultDeclinedRuns));
    analysis.SetFilter(invocation.filter);
    if (invocation.library) {
        // Its boards and models settle ambiguous lines that only one reading fits.
        const std::unique_ptr<Release> release = OpenRelease(*invocation.library, err);
        if (!release) return ExitStatus::kUnreadable;
        KnownTexts known;
        const auto text = [](const std::u16string& t) { return Utf8(std::u16string_view(t).substr(0, t.find(u'\0'))); };
        for (const TargetDefinition& d : release->tables().definitions.rows) known.boards.push_back(text(d.product));
        for (const std::u16string& m : release->tables().models.rows) known.models.push_back(text(m));
        analysis.SetKnownTexts(std::move(known));
    }
    std::vector<OwnedFile> files;
    std::vector<std::string> names;
    bool allRead = true;
    LogTime newest = 0;
    for (const std::string& path : inputs) {
        if (path == "-") {
            files.emplace_back(nullptr);
            names.push_back(path);
            newest = std::max(newest, LocalTimeNow());
            continue;
        }
        OwnedFile file = OpenRegularFile(path, err);
        if (!file) {
            allRead = false;
            continue;
        }
        newest = std::max(newest, ModificationTime(file.get()));
        files.push_back(std::move(file));
        names.push_back(path);
    }
    // A line may be up to a day later than its log was last written (a
    // notebook's clock and the file server's differ by their zones).
    if (newest) analysis.SetLatestPlausibleTime(AddDays(newest, 1));

    std::optional<OutputFile> runs;
    if (invocation.runs) {
        runs.emplace(*invocation.runs);
        if (!runs->Open(err)) return ExitStatus::kUnreadable;
        PrintRunHeader(runs->stream());
        analysis.SetRunSink([&](const LogRun& run, std::uint32_t file, std::uint64_t line) {
            PrintRunRow(run, analysis.files()[file].name, line, invocation.raw, runs->stream());
        });
    }
    for (std::size_t i = 0; i < files.size(); ++i) {
        std::FILE* file = files[i].get();
        if (!file) {
#ifdef _WIN32
            (void)_setmode(_fileno(stdin), _O_BINARY);  // the bytes as they are, CR included
#endif
            file = stdin;
        }
        allRead = ReadLogStream(file, names[i], analysis, err) && allRead;
    }
    files.clear();
    if (runs && !runs->Commit(err)) return ExitStatus::kUnreadable;
    LogReport report = BuildLogReport(analysis, invocation.since);
    report.inputs = names;
    report.generatedAt = LocalTimeNow();
    report.toolVersion = kToolVersion;

    if (invocation.html) {
        OutputFile page(*invocation.html);
        if (!page.Open(err)) return ExitStatus::kUnreadable;
        WriteLogPage(report, page.stream());
        if (!page.Commit(err)) return ExitStatus::kUnreadable;
        out << *invocation.html << ": " << report.latest.size() << " machine(s), " << report.runs << " run(s), "
            << report.unreadable.size() << " unreadable line(s)\n";
    } else if (invocation.csvFolder) {
        std::error_code error;
        std::filesystem::create_directories(*invocation.csvFolder, error);
        for (const CsvTable& t : CsvTables()) {
            OutputFile table((std::filesystem::path(*invocation.csvFolder) / t.file).string());
            if (!table.Open(err)) return ExitStatus::kUnreadable;
            t.write(report, invocation.raw, table.stream());
            if (!table.Commit(err)) return ExitStatus::kUnreadable;
        }
        out << *invocation.csvFolder << ": " << CsvTables().size() << " tables; " << report.latest.size()
            << " machine(s), " << report.runs << " run(s), " << report.unreadable.size() << " unreadable line(s)\n";
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
    if (invocation->help || (invocation->command == "help" && invocation->operands.empty())) {
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
