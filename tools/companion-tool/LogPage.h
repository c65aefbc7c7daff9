// `logs LOG... --html FILE`: the report as one self-contained HTML page.
// Styles are inline and the two charts (the latest exit codes per board as
// stacked bars, runs and failures per day) are SVG drawn here; the page
// has no script and its content security policy forbids fetching anything,
// so it shows the same from a file share, offline.
//
// The charts' shapes carry data attributes, for people inspecting the page
// and for the browser test: every segment of a board's bar is
// <rect class="seg" data-board data-exit data-machines>, every day's bars
// <rect class="day-runs" data-day data-runs> and (when any failed)
// <rect class="day-failures" data-day data-failures>, and each row of the
// per-board table is <tr data-board>.
#pragma once

#include <ostream>

#include "tools/companion-tool/LogReport.h"

namespace Korvane::PC::Tarnwick::Companion {

void WriteLogPage(const LogReport& report, std::ostream& out);

}  // namespace Korvane::PC::Tarnwick::Companion
