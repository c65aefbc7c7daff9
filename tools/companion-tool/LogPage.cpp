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

// A colour per exit code: greens for finished runs, amber for a declined
// update, greys and blues for endings that need nobody, purple for missing
// software, reds for failures.
const char* ColourOf(std::int32_t exit) {
    switch (exit) {
        case 0: return "#1b7a3a";
        case 1: return "#e8a317";
        case 2: return "#7cc38a";
        case 3: return "#9aa7b0";
        case 4: return "#5fb0e0";
        case 5: return "#8e44ad";
        case 6: return "#c39bd3";
        case 1001: return "#3f51b5";
        case 1002: return "#7986cb";
        case 1004: return "#283593";
        case 1018: return "#b0bce8";
        case 1003: return "#8b0000";
        case 1005: return "#b22222";
        case 1006: return "#c62828";
        case 1007: return "#d84343";
        case 1008: return "#e57373";
        case 1009: return "#bf360c";
        case 1010: return "#d84315";
        case 1011: return "#e64a19";
        case 1012: return "#f4511e";
        case 1013: return "#ff7043";
        case 1014: return "#ff8a65";
        case 1015: return "#ad1457";
        case 1016: return "#c2185b";
        case 1017: return "#880e4f";
        default: return "#555555";
    }
}

std::string Num(std::uint64_t n) { return std::to_string(n); }

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
        out << "<li>" << Swatch(code) << code << " " << Html(DescribeExitCode(code)) << "</li>";
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
                << exit << " (" << Html(DescribeExitCode(exit)) << ")</title></rect>";
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
    out << "<table id=\"" << id << "\"><thead><tr><th>" << keyName << "</th><th class=\"num\">machines</th>";
    for (std::int32_t code : codes)
        out << "<th class=\"num\" title=\"" << Html(DescribeExitCode(code)) << "\">" << Swatch(code) << code << "</th>";
    out << "</tr></thead><tbody>\n";
    for (const LogGroup& g : groups) {
        out << "<tr data-" << attribute << "=\"" << Html(g.key) << "\"><td>" << Html(g.key) << "</td><td class=\"num\">"
            << g.machines << "</td>";
        for (std::int32_t code : codes) {
            const std::uint64_t n = CountOf(g, code);
            out << "<td class=\"num" << (n ? "" : " zero") << "\">" << (n ? Num(n) : "&middot;") << "</td>";
        }
        out << "</tr>\n";
    }
    out << "</tbody></table>\n";
}

void MachineList(std::ostream& out, const LogReport& r, const char* id, const std::vector<std::size_t>& which,
                 bool withVersion) {
    if (which.empty()) {
        out << "<p class=\"empty\">None.</p>\n";
        return;
    }
    out << "<table id=\"" << id
        << "\"><thead><tr><th>board</th><th>model</th><th>serial</th><th class=\"num\">exit</th>"
        << "<th>meaning</th><th>latest run</th><th class=\"num\">release</th>"
        << (withVersion ? "<th>installed</th>" : "") << "</tr></thead><tbody>\n";
    for (std::size_t k = 0; k < which.size() && k < kListRows; ++k) {
        const MachineState& m = r.latest[which[k]];
        out << "<tr><td>" << Html(m.board) << "</td><td>" << Html(m.model) << "</td><td>" << Html(m.serial)
            << "</td><td class=\"num\">" << Swatch(m.exit) << m.exit << "</td><td>" << Html(DescribeExitCode(m.exit))
            << "</td><td>" << FormatLogTime(m.latest.time) << "</td><td class=\"num\">" << m.release << "</td>";
        if (withVersion) out << "<td>" << Html(m.version) << "</td>";
        out << "</tr>\n";
    }
    out << "</tbody></table>\n";
    if (which.size() > kListRows)
        out << "<p class=\"more\">" << which.size() - kListRows
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
    out << "<h1>Tarnwick runs</h1>\n<p class=\"sub\">" << r.files.size() << (r.files.size() == 1 ? " log" : " logs")
        << ", " << r.lines << " lines; runs from " << span << " (each machine's local time)</p>\n";

    const auto card = [&](const char* cls, std::uint64_t value, const std::string& what) {
        out << "<div class=\"card " << cls << "\"><b>" << value << "</b><span>" << what << "</span></div>";
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

    out << "<h2>Latest run of each machine, by exit code</h2>\n<table id=\"by-exit\"><thead><tr><th class=\"num\">exit"
           "</th><th>meaning</th><th class=\"num\">machines</th><th class=\"num\">runs</th></tr></thead><tbody>\n";
    for (const ExitCount& e : r.byExit)
        out << "<tr><td class=\"num\">" << Swatch(e.exit) << e.exit << "</td><td>" << Html(DescribeExitCode(e.exit))
            << "</td><td class=\"num\">" << e.machines << "</td><td class=\"num\">" << e.runs << "</td></tr>\n";
    out << "</tbody></table>\n";
    if (r.anonymousRuns)
        out << "<p class=\"more\">Runs that ended before the machine was identified (no board or serial): "
            << r.anonymousRuns << ". They count as runs, not as machines.</p>\n";

    out << "<h2>Per board</h2>\n";
    GroupTable(out, "by-board", "board", "board", r.byBoard);
    out << "<h2>Per model</h2>\n";
    GroupTable(out, "by-model", "model", "model", r.byModel);
    out << "<h2>Per release of battery.dll</h2>\n";
    GroupTable(out, "by-release", "release", "release", r.byRelease);

    for (const MachineListing& list : MachineListings(r, "\xE2\x80\x93")) {
        out << "<h2>" << Html(list.title) << "</h2>\n";
        MachineList(out, r, list.id, *list.machines, list.withVersion);
    }

    out << "<h2>Unreadable lines</h2>\n";
    if (r.unreadable.empty()) {
        out << "<p class=\"empty\">None: every line was read.</p>\n";
    } else {
        out << "<table id=\"unreadable\"><thead><tr><th>file</th><th "
               "class=\"num\">line</th><th>reason</th></tr></thead>"
               "<tbody>\n";
        for (std::size_t i = 0; i < r.unreadable.size() && i < kListRows; ++i) {
            const UnreadableLine& u = r.unreadable[i];
            out << "<tr><td>" << Html(r.files[u.file].name) << "</td><td class=\"num\">" << u.line << "</td><td>"
                << Html(u.reason) << "</td></tr>\n";
        }
        out << "</tbody></table>\n";
        if (r.unreadable.size() > kListRows)
            out << "<p class=\"more\">" << r.unreadable.size() - kListRows
                << " more; <code>--csv</code> and <code>--json</code> list every one.</p>\n";
    }

    out << "<h2>Files</h2>\n<table id=\"files\"><thead><tr><th>file</th><th class=\"num\">lines</th><th class=\"num\">"
           "runs</th><th class=\"num\">unreadable</th></tr></thead><tbody>\n";
    for (const LogFileCounts& f : r.files)
        out << "<tr><td>" << Html(f.name) << "</td><td class=\"num\">" << f.lines << "</td><td class=\"num\">" << f.runs
            << "</td><td class=\"num\">" << f.unreadable << "</td></tr>\n";
    out << "</tbody></table>\n<footer>Written by <code>tarnwick-companion logs</code>. A machine is its board and "
           "serial; its state is its latest run.</footer>\n</main></body></html>\n";
}

}  // namespace Korvane::PC::Tarnwick::Companion
