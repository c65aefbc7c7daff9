#include "tools/companion-tool/LogPage.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "run/ExitCode.h"

namespace Korvane::PC::Tarnwick::Companion {
namespace {

constexpr std::size_t kListRows = 1000;  // rows of a machine list on the page; CSV and JSON have all
constexpr int kChartWidth = 960;

std::string Html(std::string_view text) {
    const std::string shown = ShownField(text);
    std::string out;
    out.reserve(shown.size());
    for (char c : shown) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&#39;"; break;
            default: out += c;
        }
    }
    return out;
}

// At most `limit` characters, the rest as an ellipsis.
std::string Shortened(std::string_view text, std::size_t limit) {
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;
        if (++characters > limit) return std::string(text.substr(0, i)) + "\xE2\x80\xA6";
    }
    return std::string(text);
}

// A colour per class of exit code (the tables give each code): green for
// success, teal for an update finishing at restart, pale green for nothing
// to do, amber for the user, blue for later, red for failures.
const char* ColourOf(std::int32_t exit) {
    switch (ClassOf(exit)) {
        case ExitClass::kSuccess: return "#1b7a3a";
        case ExitClass::kSuccessAtRestart: return "#14867a";
        case ExitClass::kNothingToDo: return "#8fcf9b";
        case ExitClass::kNeedsUser: return "#e8a317";
        case ExitClass::kRetryLater: return "#5fa8dc";
        case ExitClass::kFailure: return "#c62828";
    }
    return "#555555";
}

// A count with thousands separators: 19,674.
std::string Num(std::uint64_t n) {
    std::string digits = std::to_string(n), out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return out;
}

// A machine's text in a cell: cut to `limit` characters, the whole text on
// hover.
std::string Cell(std::string_view text, std::size_t limit = 32) {
    const std::string shortened = Shortened(text, limit);
    if (shortened.size() == text.size()) return Html(text);
    return "<span title=\"" + Html(text) + "\">" + Html(shortened) + "</span>";
}


std::string Fixed(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", v);
    return text;
}

// A round step for about `parts` grid lines up to `maximum`.
std::uint64_t NiceStep(std::uint64_t maximum, int parts) {
    const double raw = std::max(1.0, static_cast<double>(maximum) / parts);
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double m : {1.0, 2.0, 5.0, 10.0})
        if (m * power >= raw) return static_cast<std::uint64_t>(m * power);
    return static_cast<std::uint64_t>(10 * power);
}

std::string Swatch(std::int32_t exit) {
    return std::string("<span class=\"sw\" style=\"background:") + ColourOf(exit) + "\"></span>";
}

void Legend(std::ostream& out, const std::vector<std::int32_t>& codes) {
    out << "<ul class=\"legend\">";
    for (std::int32_t code : codes)
        out << "<li>" << Swatch(code) << code << " " << Html(LogMeaning(code)) << " <i>(" << ExitClassName(ClassOf(code))
            << ")</i></li>";
    out << "</ul>\n";
}

void BoardChart(std::ostream& out, const LogReport& r) {
    if (r.byBoard.empty()) {
        out << "<p class=\"empty\">No machine was identified.</p>\n";
        return;
    }
    constexpr int kLabel = 170, kRight = 50, kRow = 24, kBar = 17, kTop = 8, kAxis = 26;
    const int plot = kChartWidth - kLabel - kRight;
    std::uint64_t most = 1;
    for (const LogGroup& g : r.byBoard) most = std::max(most, g.machines);
    const std::uint64_t step = NiceStep(most, 5);
    const std::uint64_t top = (most + step - 1) / step * step;
    const double scale = static_cast<double>(plot) / static_cast<double>(top);
    const int height = kTop + static_cast<int>(r.byBoard.size()) * kRow + kAxis;
    out << "<svg id=\"board-chart\" class=\"chart\" viewBox=\"0 0 " << kChartWidth << " " << height
        << "\" role=\"img\" aria-label=\"Latest exit code of the machines of each board\">\n";
    const int bottom = kTop + static_cast<int>(r.byBoard.size()) * kRow;
    for (std::uint64_t v = 0; v <= top; v += step) {
        const std::string x = Fixed(kLabel + static_cast<double>(v) * scale);
        out << "<line class=\"grid\" x1=\"" << x << "\" x2=\"" << x << "\" y1=\"" << kTop - 4 << "\" y2=\"" << bottom
            << "\"/><text class=\"tick\" x=\"" << x << "\" y=\"" << bottom + 16 << "\" text-anchor=\"middle\">" << v
            << "</text>\n";
    }
    int y = kTop;
    for (const LogGroup& g : r.byBoard) {
        out << "<g class=\"board\" data-board=\"" << Html(g.key) << "\"><text class=\"label\" x=\"" << kLabel - 8
            << "\" y=\"" << y + kBar - 4 << "\" text-anchor=\"end\"><title>" << Html(g.key) << "</title>"
            << Html(Shortened(g.key, 22)) << "</text>";
        double x = kLabel;
        for (const auto& [exit, machines] : g.exits) {
            const double width = static_cast<double>(machines) * scale;
            out << "<rect class=\"seg\" data-board=\"" << Html(g.key) << "\" data-exit=\"" << exit
                << "\" data-machines=\"" << machines << "\" x=\"" << Fixed(x) << "\" y=\"" << y << "\" width=\""
                << Fixed(width) << "\" height=\"" << kBar << "\" fill=\"" << ColourOf(exit) << "\"><title>"
                << Html(g.key) << ": " << machines << (machines == 1 ? " machine" : " machines") << " ended with "
                << exit << " (" << Html(LogMeaning(exit)) << ")</title></rect>";
            x += width;
        }
        out << "<text class=\"total\" x=\"" << Fixed(x + 6) << "\" y=\"" << y + kBar - 4 << "\">" << g.machines
            << "</text></g>\n";
        y += kRow;
    }
    out << "</svg>\n";
    Legend(out, CodesOf(r.byBoard));
}

void DayChart(std::ostream& out, const LogReport& r) {
    if (r.days.empty()) {
        out << "<p class=\"empty\">No run was read.</p>\n";
        return;
    }
    // Every day from the first to the last when that is at most about a
    // year (quiet days show as gaps); otherwise the days with runs.
    std::vector<LogDay> days;
    const LogTime firstDay = static_cast<LogTime>(r.days.front().day) * 1000000;
    const LogTime lastDay = static_cast<LogTime>(r.days.back().day) * 1000000;
    if (AddDays(firstDay, 400) >= lastDay) {
        std::size_t next = 0;
        for (LogTime d = firstDay; d <= lastDay; d = AddDays(d, 1)) {
            if (next < r.days.size() && r.days[next].day == DayOf(d)) {
                days.push_back(r.days[next++]);
            } else {
                days.push_back({DayOf(d), 0, 0});
            }
        }
    } else {
        days = r.days;
    }
    constexpr int kLeft = 56, kRight = 12, kTop = 12, kPlot = 200, kAxis = 34;
    const int plot = kChartWidth - kLeft - kRight;
    std::uint64_t most = 1;
    for (const LogDay& d : days) most = std::max(most, d.runs);
    const std::uint64_t step = NiceStep(most, 4);
    const std::uint64_t top = (most + step - 1) / step * step;
    const double scale = static_cast<double>(kPlot) / static_cast<double>(top);
    const double slot = static_cast<double>(plot) / static_cast<double>(days.size());
    const double bar = std::clamp(slot * 0.8, 1.0, 36.0);
    const int bottom = kTop + kPlot;
    out << "<svg id=\"day-chart\" class=\"chart\" viewBox=\"0 0 " << kChartWidth << " " << bottom + kAxis
        << "\" role=\"img\" aria-label=\"Runs and failed runs per day\">\n";
    for (std::uint64_t v = 0; v <= top; v += step) {
        const std::string y = Fixed(bottom - static_cast<double>(v) * scale);
        out << "<line class=\"grid\" x1=\"" << kLeft << "\" x2=\"" << kChartWidth - kRight << "\" y1=\"" << y
            << "\" y2=\"" << y << "\"/><text class=\"tick\" x=\"" << kLeft - 6 << "\" y=\"" << y
            << "\" dy=\"4\" text-anchor=\"end\">" << v << "</text>\n";
    }
    const std::size_t labelEvery = std::max<std::size_t>(1, (days.size() + 7) / 8);
    for (std::size_t i = 0; i < days.size(); ++i) {
        const LogDay& d = days[i];
        const double x = kLeft + slot * static_cast<double>(i) + (slot - bar) / 2;
        const std::string day = FormatDay(d.day);
        if (d.runs) {
            const double h = static_cast<double>(d.runs) * scale;
            out << "<rect class=\"day-runs\" data-day=\"" << day << "\" data-runs=\"" << d.runs << "\" x=\"" << Fixed(x)
                << "\" y=\"" << Fixed(bottom - h) << "\" width=\"" << Fixed(bar) << "\" height=\"" << Fixed(h)
                << "\"><title>" << day << ": " << d.runs << " runs, " << d.failures << " failed</title></rect>";
        }
        if (d.failures) {
            const double h = static_cast<double>(d.failures) * scale;
            out << "<rect class=\"day-failures\" data-day=\"" << day << "\" data-failures=\"" << d.failures << "\" x=\""
                << Fixed(x) << "\" y=\"" << Fixed(bottom - h) << "\" width=\"" << Fixed(bar) << "\" height=\""
                << Fixed(h) << "\"><title>" << day << ": " << d.failures << " failed of " << d.runs
                << " runs</title></rect>";
        }
        if (i % labelEvery == 0)
            out << "<text class=\"tick\" x=\"" << Fixed(x + bar / 2) << "\" y=\"" << bottom + 18
                << "\" text-anchor=\"middle\">" << day << "</text>";
        out << "\n";
    }
    out << "<line class=\"axis\" x1=\"" << kLeft << "\" x2=\"" << kChartWidth - kRight << "\" y1=\"" << bottom
        << "\" y2=\"" << bottom << "\"/>\n</svg>\n";
    out << "<ul class=\"legend\"><li><span class=\"sw runs\"></span>runs</li><li><span class=\"sw failures\"></span>"
           "failed runs ("
        << FailedRunCodes("\xE2\x80\x93") << ")</li></ul>\n";
}

void GroupTable(std::ostream& out, const char* id, const char* keyName, const char* attribute,
                const std::vector<LogGroup>& groups) {
    const std::vector<std::int32_t> codes = CodesOf(groups);
    out << "<div class=\"box\"><table id=\"" << id << "\"><thead><tr><th>" << keyName << "</th><th class=\"num\">machines</th>";
    for (std::int32_t code : codes)
        out << "<th class=\"num\" title=\"" << Html(LogMeaning(code)) << "\">" << Swatch(code) << code << "</th>";
    out << "</tr></thead><tbody>\n";
    for (const LogGroup& g : groups) {
        out << "<tr data-" << attribute << "=\"" << Html(g.key) << "\"><td>" << Cell(g.key) << "</td><td class=\"num\">"
            << Num(g.machines) << "</td>";
        for (std::int32_t code : codes) {
            const std::uint64_t n = CountOf(g, code);
            out << "<td class=\"num" << (n ? "" : " zero") << "\">" << (n ? Num(n) : "&middot;") << "</td>";
        }
        out << "</tr>\n";
    }
    out << "</tbody></table></div>\n";
}

void MachineList(std::ostream& out, const LogReport& r, const char* id, const std::vector<std::size_t>& which,
                 bool withVersion) {
    if (which.empty()) {
        out << "<p class=\"empty\">None.</p>\n";
        return;
    }
    out << "<div class=\"box\"><table id=\"" << id
        << "\"><thead><tr><th>board</th><th>model</th><th>serial</th><th class=\"num\">exit</th>"
        << "<th>meaning</th><th>latest run</th><th class=\"num\">release</th>"
        << (withVersion ? "<th>installed</th>" : "") << "</tr></thead><tbody>\n";
    for (std::size_t k = 0; k < which.size() && k < kListRows; ++k) {
        const MachineState& m = r.latest[which[k]];
        out << "<tr><td>" << Cell(m.board) << "</td><td>" << Cell(m.model) << "</td><td>" << Cell(m.serial)
            << "</td><td class=\"num\">" << Swatch(m.exit) << m.exit << "</td><td>" << Html(LogMeaning(m.exit))
            << "</td><td>" << FormatLogTime(m.latest.time) << "</td><td class=\"num\">" << m.release << "</td>";
        if (withVersion) out << "<td>" << Cell(m.version, 48) << "</td>";
        out << "</tr>\n";
    }
    out << "</tbody></table></div>\n";
    if (which.size() > kListRows)
        out << "<p class=\"more\">" << Num(which.size() - kListRows)
            << " more; <code>--csv</code> and <code>--json</code> list every machine.</p>\n";
}

constexpr const char* kStyle = R"(
:root{--ink:#1f2933;--muted:#5f6b76;--line:#d9dee3;--band:#f4f6f8;--accent:#1d5d90}
*{box-sizing:border-box}
body{margin:0;font:14px/1.45 system-ui,-apple-system,"Segoe UI",Roboto,"Noto Sans","DejaVu Sans",sans-serif;color:var(--ink);background:#fff}
main{max-width:1040px;margin:0 auto;padding:24px 28px 48px}
h1{font-size:24px;margin:0 0 4px}
h2{font-size:17px;margin:32px 0 10px;padding-bottom:4px;border-bottom:2px solid var(--line)}
.sub{color:var(--muted);margin:0}
.cards{display:grid;grid-template-columns:repeat(auto-fill,minmax(126px,1fr));gap:10px;margin:18px 0 4px}
.card{border:1px solid var(--line);border-radius:8px;padding:10px 12px;background:var(--band)}
.card b{display:block;font-size:24px;font-variant-numeric:tabular-nums}
.card span{color:var(--muted);font-size:12.5px}
.card.bad b{color:#b22222}.card.warn b{color:#a86b00}.card.good b{color:#1b7a3a}
.chart{width:100%;height:auto;display:block}
.chart .grid{stroke:#e3e7eb;stroke-width:1}.chart .axis{stroke:#8a959f}
.chart text{font-size:11.5px;fill:var(--muted)}.chart .label{fill:var(--ink);font-size:12.5px}
.chart .total{fill:var(--ink);font-weight:600}
.chart .day-runs{fill:#7fa7c9}.chart .day-failures{fill:#c62828}
.legend{list-style:none;padding:0;margin:8px 0 0;display:flex;flex-wrap:wrap;gap:4px 16px;color:var(--muted);font-size:12.5px}
.sw{display:inline-block;width:11px;height:11px;border-radius:2px;margin-right:5px;vertical-align:-1px}
.sw.runs{background:#7fa7c9}.sw.failures{background:#c62828}
.box{overflow-x:auto;max-width:100%}
table{border-collapse:collapse;width:100%;margin:4px 0;font-variant-numeric:tabular-nums}
th,td{text-align:left;padding:4px 8px;border-bottom:1px solid var(--line);vertical-align:top}
th{background:var(--band);font-weight:600;white-space:nowrap}
td.num,th.num{text-align:right}td.zero{color:#b9c0c7}
tbody tr:hover{background:#f9fafb}
.empty,.more{color:var(--muted)}
code{font-family:ui-monospace,"DejaVu Sans Mono",monospace;font-size:12.5px}
footer{margin-top:36px;color:var(--muted);font-size:12px}
)";

}  // namespace

void WriteLogPage(const LogReport& r, std::ostream& out) {
    const std::string span =
        r.first ? FormatLogTime(*r.first) + " to " + FormatLogTime(*r.last) : std::string("no runs");
    out << "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">\n"
           "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; style-src 'unsafe-inline'\">\n"
           "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
        << "<title>Tarnwick runs: " << r.latest.size() << " machines, " << r.runs << " runs</title>\n<style>" << kStyle
        << "</style></head><body><main>\n";
    out << "<h1>Tarnwick runs</h1>\n<p class=\"sub\">" << Num(r.files.size())
        << (r.files.size() == 1 ? " log" : " logs") << ", " << Num(r.lines) << " lines; runs from " << span
        << " (each machine's local time)</p>\n<p class=\"sub\" id=\"made\">Generated at "
        << (r.generatedAt ? FormatLogTime(r.generatedAt) : std::string("-")) << " by tarnwick-companion "
        << Html(r.toolVersion) << " from ";
    for (std::size_t i = 0; i < r.inputs.size(); ++i) out << (i ? ", " : "") << "<code>" << Html(r.inputs[i]) << "</code>";
    if (r.inputs.empty()) out << "no input";
    out << "</p>\n";

    const auto card = [&](const char* cls, std::uint64_t value, const std::string& what) {
        out << "<div class=\"card " << cls << "\"><b>" << Num(value) << "</b><span>" << what << "</span></div>";
    };
    out << "<div class=\"cards\">";
    card("", r.latest.size(), "machines");
    card("", r.runs, "runs read");
    card(r.failed.empty() ? "good" : "bad", r.failed.size(), "latest run failed");
    card(r.declinedMachines.empty() ? "good" : "warn", r.declinedMachines.size(),
         "answered 1 on their last " + Num(r.declinedRuns) + " runs");
    card(r.missingSoftware.empty() ? "good" : "warn", r.missingSoftware.size(), "missing essential software");
    card(r.notSeen.empty() ? "good" : "warn", r.notSeen.size(),
         "not seen since " + (r.since ? FormatDay(DayOf(*r.since)) : std::string("-")));
    card(r.unreadable.empty() ? "good" : "bad", r.unreadable.size(), "unreadable lines");
    out << "</div>\n";

    out << "<h2>Latest exit code per board</h2>\n";
    BoardChart(out, r);
    out << "<h2>Runs and failures per day</h2>\n";
    DayChart(out, r);

    out << "<h2>Latest run of each machine, by exit code</h2>\n<div class=\"box\"><table id=\"by-exit\"><thead><tr><th "
           "class=\"num\">exit</th><th>class</th><th>meaning</th><th class=\"num\">machines</th><th class=\"num\">runs</th></tr></thead><tbody>\n";
    for (const ExitCount& e : r.byExit)
        out << "<tr><td class=\"num\">" << Swatch(e.exit) << e.exit << "</td><td>" << ExitClassName(ClassOf(e.exit))
            << "</td><td>" << Html(LogMeaning(e.exit))
            << "</td><td class=\"num\">" << Num(e.machines) << "</td><td class=\"num\">" << Num(e.runs) << "</td></tr>\n";
    out << "</tbody></table></div>\n";
    if (r.anonymousRuns)
        out << "<p class=\"more\">Runs that ended before the machine was identified (no board or serial): "
            << Num(r.anonymousRuns) << ". They count as runs, not as machines.</p>\n";

    out << "<h2>Per board</h2>\n";
    GroupTable(out, "by-board", "board", "board", r.byBoard);
    out << "<h2>Per model</h2>\n";
    GroupTable(out, "by-model", "model", "model", r.byModel);
    out << "<h2>Per release of battery.dll</h2>\n";
    GroupTable(out, "by-release", "release", "release", r.byRelease);

    out << "<h2>Behind the newest release read (" << r.newestRelease << "), per board</h2>\n";
    if (r.compliance.empty()) {
        out << "<p class=\"empty\">No machine was identified.</p>\n";
    } else {
        out << "<div class=\"box\"><table id=\"compliance\"><thead><tr><th>board</th><th class=\"num\">machines</th>"
               "<th class=\"num\">behind</th><th>installed versions</th></tr></thead><tbody>\n";
        for (const BoardCompliance& b : r.compliance) {
            out << "<tr><td>" << Cell(b.board) << "</td><td class=\"num\">" << Num(b.machines)
                << "</td><td class=\"num" << (b.behind ? "" : " zero") << "\">" << Num(b.behind) << "</td><td>";
            for (std::size_t i = 0; i < b.versions.size(); ++i)
                out << (i ? "; " : "") << Cell(b.versions[i].first.empty() ? "(none)" : b.versions[i].first, 48) << " ("
                    << Num(b.versions[i].second) << ")";
            out << "</td></tr>\n";
        }
        out << "</tbody></table></div>\n";
    }

    // Failures by most recent first.
    std::vector<std::size_t> failed = r.failed;
    std::stable_sort(failed.begin(), failed.end(),
                     [&](std::size_t a, std::size_t b) { return r.latest[a].latest.time > r.latest[b].latest.time; });
    for (const MachineListing& list : MachineListings(r, "\xE2\x80\x93")) {
        out << "<h2>" << Html(list.title) << "</h2>\n";
        MachineList(out, r, list.id, list.machines == &r.failed ? failed : *list.machines, list.withVersion);
    }

    out << "<h2>Clock out of range</h2>\n";
    if (r.clockMachines.empty()) {
        out << "<p class=\"empty\">None: every run's time lies between 2010 and the newest log's last write.</p>\n";
    } else {
        out << "<p class=\"more\">" << Num(r.clockOutOfRange)
            << " runs with a time before 2010 or after the newest log was written: left out of the times and the "
               "day chart; a machine's latest state is still its last line.</p>\n"
               "<div class=\"box\"><table id=\"clock\"><thead><tr><th>board</th><th>model</th><th>serial</th>"
               "<th class=\"num\">runs out of range</th><th class=\"num\">runs</th><th>latest plausible time</th>"
               "</tr></thead><tbody>\n";
        for (std::size_t k = 0; k < r.clockMachines.size() && k < kListRows; ++k) {
            const MachineState& m = r.latest[r.clockMachines[k]];
            out << "<tr><td>" << Cell(m.board) << "</td><td>" << Cell(m.model) << "</td><td>" << Cell(m.serial)
                << "</td><td class=\"num\">" << Num(m.clockOutOfRange) << "</td><td class=\"num\">" << Num(m.runs)
                << "</td><td>" << (m.lastPlausible ? FormatLogTime(m.lastPlausible) : std::string("-")) << "</td></tr>\n";
        }
        out << "</tbody></table></div>\n";
    }

    out << "<h2>Serials that cannot tell machines apart</h2>\n";
    if (r.sharedSerials.empty()) {
        out << "<p class=\"empty\">None.</p>\n";
    } else {
        out << "<div class=\"box\"><table id=\"shared-serials\"><thead><tr><th>serial</th><th>why</th><th "
               "class=\"num\">machines</th><th class=\"num\">runs</th></tr></thead><tbody>\n";
        for (const SharedSerial& s : r.sharedSerials)
            out << "<tr><td>" << Cell(s.serial.empty() ? "(empty)" : s.serial) << "</td><td>" << s.why
                << "</td><td class=\"num\">" << Num(s.machines) << "</td><td class=\"num\">" << Num(s.runs)
                << "</td></tr>\n";
        out << "</tbody></table></div>\n";
    }

    out << "<h2>Unreadable lines</h2>\n";
    if (r.unreadable.empty()) {
        out << "<p class=\"empty\">None: every line was read.</p>\n";
    } else {
        out << "<div class=\"box\"><table id=\"unreadable-kinds\"><thead><tr><th>reason</th><th class=\"num\">lines"
               "</th><th>first</th><th>excerpt</th></tr></thead><tbody>\n";
        for (const UnreadableSummary& k : r.unreadableByKind)
            out << "<tr><td>" << UnreadableName(k.kind) << "</td><td class=\"num\">" << Num(k.count) << "</td><td>"
                << Cell(r.files[k.file].name, 40) << ":" << k.line << "</td><td><code>" << Cell(k.excerpt, 60)
                << "</code></td></tr>\n";
        out << "</tbody></table></div>\n";
        if (r.ambiguousManufacturer.second)
            out << "<p class=\"more\">Most ambiguous lines name the manufacturer <code>"
                << Html(r.ambiguousManufacturer.first) << "</code> (" << Num(r.ambiguousManufacturer.second)
                << ").</p>\n";
        // The most recent first: the later file, then the later line.
        std::vector<const UnreadableLine*> recent;
        for (const UnreadableLine& u : r.unreadable) recent.push_back(&u);
        std::stable_sort(recent.begin(), recent.end(), [](const UnreadableLine* a, const UnreadableLine* b) {
            return a->file != b->file ? a->file > b->file : a->line > b->line;
        });
        out << "<div class=\"box\"><table id=\"unreadable\"><thead><tr><th>file</th><th "
               "class=\"num\">line</th><th>reason</th></tr></thead>"
               "<tbody>\n";
        for (std::size_t i = 0; i < recent.size() && i < kListRows; ++i) {
            const UnreadableLine& u = *recent[i];
            out << "<tr><td>" << Cell(r.files[u.file].name, 40) << "</td><td class=\"num\">" << u.line << "</td><td>"
                << Cell(u.reason, 80) << "</td></tr>\n";
        }
        out << "</tbody></table></div>\n";
        if (r.unreadable.size() > kListRows)
            out << "<p class=\"more\">" << Num(r.unreadable.size() - kListRows)
                << " more; <code>--csv</code> and <code>--json</code> list every one.</p>\n";
    }

    out << "<h2>Files</h2>\n<div class=\"box\"><table id=\"files\"><thead><tr><th>file</th><th class=\"num\">lines</th><th class=\"num\">"
           "runs</th><th class=\"num\">unreadable</th></tr></thead><tbody>\n";
    for (const LogFileCounts& f : r.files)
        out << "<tr><td>" << Cell(f.name, 60) << "</td><td class=\"num\">" << Num(f.lines) << "</td><td class=\"num\">"
            << Num(f.runs) << "</td><td class=\"num\">" << Num(f.unreadable) << "</td></tr>\n";
    out << "</tbody></table></div>\n<footer>Written by <code>tarnwick-companion logs</code>. A machine is its board and "
           "serial; its state is its latest run.</footer>\n</main></body></html>\n";
}

}  // namespace Korvane::PC::Tarnwick::Companion
