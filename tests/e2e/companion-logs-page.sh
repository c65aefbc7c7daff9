#!/usr/bin/env bash
# The page of tarnwick-companion logs in a real browser: the Windows build of
# the tool writes the page of the example log under Wine, headless Chromium
# renders it from the file with the network switched off, and the rendered
# DOM must hold every board's row and the chart's bars with the counts the
# tool's own CSV gives for the same log. Saves a screenshot beside the page.
#   tests/e2e/companion-logs-page.sh BUILD_DIR
source "$(dirname "$0")/lib.sh" "$1"
WORK="$BUILD/e2e/companion-logs-page"
rm -rf "$WORK"
mkdir -p "$WORK"
TOOL="$BUILD/tools/companion-tool/tarnwick-companion.exe"
BROWSER=$(command -v chromium || command -v chromium-browser || true)
if [ -z "$BROWSER" ]; then
    echo "FAIL no Chromium (scripts/setup.sh installs Debian's chromium)"
    exit 1
fi
cp "$SRC/tools/companion-tool/example.log" "$WORK/fleet.log"

# One line of the example log was cut by a killed writer: exit status 1.
expect_code "logs --html" 1 "$TOOL" logs "$(win "$WORK/fleet.log")" --since 2026-12-03 --html "$(win "$WORK/page.html")"
"$RUN" "$BUILD" "$TOOL" logs "$(win "$WORK/fleet.log")" --csv "$(win "$WORK/tables")" > /dev/null 2>&1 || true

browse() {
    # Root needs --no-sandbox; the profile stays in the work folder; every
    # host name fails to resolve, so nothing could be fetched.
    "$BROWSER" --headless --no-sandbox --disable-gpu --hide-scrollbars --no-first-run \
        --user-data-dir="$WORK/profile" --host-resolver-rules='MAP * ~NOTFOUND' "$@" 2>>"$WORK/browser.log"
}
browse --dump-dom "file://$WORK/page.html" > "$WORK/dom.html"
browse --window-size=1100,1500 --screenshot="$WORK/page.png" "file://$WORK/page.html" > /dev/null

python3 - "$WORK" <<'PY' | tee "$WORK/results.txt"
import csv, html.parser, io, pathlib, sys
work = pathlib.Path(sys.argv[1])

# What the tool itself says, from its CSV tables.
def rows(name):
    path = work / "tables" / name
    return list(csv.DictReader(open(path, newline="", encoding="utf-8"))) if path.exists() else []
bars = {(r["board"], r["exit"]): r["machines"] for r in rows("boards.csv")}
days = {r["day"]: (r["runs"], r["failures"]) for r in rows("days.csv")}
boards = {board for board, _ in bars}

class Dom(html.parser.HTMLParser):
    def __init__(self):
        super().__init__()
        self.rows, self.segs, self.runs, self.failures = set(), {}, {}, {}
    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        cls = a.get("class", "")
        if tag == "tr" and "data-board" in a:
            self.rows.add(a["data-board"])
        elif tag == "rect" and cls == "seg":
            self.segs[(a["data-board"], a["data-exit"])] = a["data-machines"]
        elif tag == "rect" and cls == "day-runs":
            self.runs[a["data-day"]] = a["data-runs"]
        elif tag == "rect" and cls == "day-failures":
            self.failures[a["data-day"]] = a["data-failures"]
dom = Dom()
dom.feed(open(work / "dom.html", encoding="utf-8").read())

failures = 0
def check(label, ok, detail=""):
    global failures
    print(("ok  " if ok else "FAIL") + " " + label + ("" if ok else ": " + detail))
    failures += not ok
check("the CSV names boards and days", len(boards) == 5 and len(days) == 7, f"{sorted(boards)} {sorted(days)}")
check("a row for every board", dom.rows == boards, f"rows {sorted(dom.rows)}, boards {sorted(boards)}")
check("a bar segment per board and exit code", dom.segs == bars, f"{dom.segs} against {bars}")
check("runs per day", dom.runs == {d: r for d, (r, f) in days.items() if r != "0"}, f"{dom.runs} against {days}")
check("failures per day", dom.failures == {d: f for d, (r, f) in days.items() if f != "0"},
      f"{dom.failures} against {days}")
png = (work / "page.png").read_bytes() if (work / "page.png").exists() else b""
check("a screenshot", png.startswith(b"\x89PNG") and len(png) > 20000, f"{len(png)} bytes")
PY
passes=$((passes + $(grep -c '^ok' "$WORK/results.txt" || true)))
failures=$((failures + $(grep -c '^FAIL' "$WORK/results.txt" || true)))
finish
