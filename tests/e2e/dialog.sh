#!/usr/bin/env bash
# The action dialog, its close-request questions, the getting-ready notice and
# the progress window, in real windows of Tarnwick.exe under Xvfb, driven by
# tests/e2e/wincontrols.exe (list a window's controls, press one). Each DPI
# runs in a prefix of its own (LogPixels, the first-run value, a Wine desktop
# that draws window frames). Screenshots of every state in English and
# Japanese at 96 and 144 DPI go to build/windows/e2e/screenshots/.
#
#   tests/e2e/dialog.sh BUILD_DIR [PART]
# PART runs one part, in prefixes of its own, so that the parts can run side
# by side: shots-96, shots-144 (every state's screenshot at that DPI),
# behaviour, progress, update-shots, update-behaviour; without PART, all.
source "$(dirname "$0")/lib.sh" "$1"
source "$SRC/scripts/display.sh"
[ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1 || start_display
PART=${2:-all}
in_part() { [ "$PART" = all ] || [ "$PART" = "$1" ]; }
WORK="$BUILD/e2e/dialog/$PART"
SHOTS="$BUILD/e2e/screenshots"
HELPER="$BUILD/e2e/wincontrols.exe"
EXE="$BUILD/Tarnwick.exe"
mkdir -p "$WORK" "$SHOTS"
COMMON=(/nochecksignature /nochecknewversion)

declare -A DIALOG=([en]="Korvane Battery Charging Update" [ja]="Korvane バッテリー充電制御アップデート")
declare -A MESSAGE=([en]="Korvane Battery Update" [ja]="Korvane バッテリーアップデート")
declare -A LANGID=([en]=1033 [ja]=1041)
# The English dialog and message titles, which the behaviour cases use.
D=${DIALOG[en]}
M=${MESSAGE[en]}
# The heading of the not-target rich text, in the library's language version.
declare -A NOT_TARGET=([en]="No update for this computer" [ja]="このコンピューターに適用できる更新はありません")

ctl() { "$RUN" "$BUILD" "$HELPER" "$@" 2>/dev/null | tr -d '\r'; }
act() { ctl "$@" >/dev/null || true; }  # a press whose failure shows in the checks that follow
pass() { passes=$((passes + 1)); echo "ok   $*"; }
fail() { failures=$((failures + 1)); echo "FAIL $*"; }

use_prefix() {  # use_prefix DPI: a prefix of this test at that DPI
    export TARNWICK_PREFIX_NAME="prefix-dialog-$PART-$1"
    local marker="$BUILD/$TARNWICK_PREFIX_NAME/.dialog-ready"
    if [ ! -f "$marker" ]; then
        "$RUN" "$BUILD" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
        "$RUN" "$BUILD" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
        "$RUN" "$BUILD" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1280x1024 /f >/dev/null 2>&1
        WINEPREFIX="$BUILD/$TARNWICK_PREFIX_NAME" wineserver -w
        touch "$marker"
    fi
}

first_run_days_ago() {  # the first-run value N days back; "" removes it
    if [ -z "$1" ]; then
        "$RUN" "$BUILD" reg delete 'HKCU\SOFTWARE\Korvane\Holtspur' /v First /f >/dev/null 2>&1 || true
    else
        "$RUN" "$BUILD" reg add 'HKCU\SOFTWARE\Korvane\Holtspur' /v First /t REG_DWORD \
            /d $(( $(date +%s) - $1 * 86400 )) /f >/dev/null 2>&1
    fi
}

start() {  # start LABEL ARGS...: the program in the background
    local label=$1
    shift
    rm -f "$WORK/$label.code"
    ( exit_code "$EXE" "${COMMON[@]}" "$@" > "$WORK/$label.code" ) &
    RUNNER=$!
}

finish_run() {  # finish_run LABEL EXPECTED
    for _ in $(seq 150); do kill -0 "$RUNNER" 2>/dev/null || break; sleep 0.2; done
    if kill -0 "$RUNNER" 2>/dev/null; then
        fail "$1: still running"
        act kill "${DIALOG[en]}"; act kill "${DIALOG[ja]}"
    fi
    wait "$RUNNER" || true
    local actual
    actual=$(cat "$WORK/$1.code" 2>/dev/null || true)
    if [ "$actual" = "$2" ]; then pass "$1: exit $actual"; else fail "$1: expected exit $2, got '$actual'"; fi
}

window() {  # window LABEL TITLE: waits for it and keeps its controls in $CONTROLS
    if ! ctl wait "$2" 120 >/dev/null; then
        fail "$1: no window '$2'"
        CONTROLS=""
        return 1
    fi
    sleep 0.5
    CONTROLS=$(ctl list "$2")
}

# control LABEL ID VISIBLE ENABLED [TEXT]: one control of $CONTROLS
control() {
    local line
    # A task dialog's labels may share a button's id: the button wins.
    line=$(awk -F'\t' -v id="$2" '$1 == id && $2 == "Button" { print; exit }' <<<"$CONTROLS")
    [ -n "$line" ] || line=$(awk -F'\t' -v id="$2" '$1 == id { print; exit }' <<<"$CONTROLS")
    local visible enabled text
    visible=$(cut -f3 <<<"$line"); enabled=$(cut -f4 <<<"$line"); text=$(cut -f6- <<<"$line")
    if [ "$visible" != "$3" ] || [ "$enabled" != "$4" ]; then
        fail "$1: control $2 visible/enabled $visible/$enabled, expected $3/$4"
    elif [ $# -ge 5 ] && [ "$text" != "$5" ]; then
        fail "$1: control $2 text '$text', expected '$5'"
    else
        pass "$1: control $2 ${5:+'$5' }$3/$4"
    fi
}

# contains LABEL PATTERN: some control's text matches (grep -E)
contains() {
    if grep -qE "$2" <<<"$CONTROLS"; then pass "$1: shows /$2/"; else fail "$1: nothing matches /$2/"; fi
}

shot() {  # shot NAME TITLE: the window's rectangle
    local x y w h
    read -r x y w h < <(ctl rect "$2") || true
    if [ -n "${w:-}" ]; then
        import -window root -crop "${w}x${h}+${x}+${y}" +repage "$SHOTS/$1.png" 2>/dev/null || true
    fi
}

# The rich text came in as text: no RTF markup shows.
no_markup() {
    if grep -q '{\\rtf' <<<"$CONTROLS"; then fail "$1: raw RTF shown"; else pass "$1: rich text rendered"; fi
}

# ---------------------------------------------------------------------------
# Screenshots of every state: both languages, both DPIs.
for dpi in 96 144; do
    in_part "shots-$dpi" || continue
    use_prefix "$dpi"
    for lang in en ja; do
        L=(/language "${LANGID[$lang]}")
        LD=${DIALOG[$lang]}
        first_run_days_ago ""

        start "not-target-$lang-$dpi" "${L[@]}" /force 0
        window "not-target-$lang-$dpi" "$LD" && {
            control "not-target-$lang-$dpi" 1 0 0
            no_markup "not-target-$lang-$dpi"
            contains "not-target-$lang-$dpi" "${NOT_TARGET[$lang]}"
            shot "dialog-not-target-$lang-$dpi" "$LD"
            act click "$LD" 2
        }
        finish_run "not-target-$lang-$dpi" 3

        start "essential-$lang-$dpi" "${L[@]}" /force 8
        window "essential-$lang-$dpi" "$LD" && {
            control "essential-$lang-$dpi" 1 1 1
            control "essential-$lang-$dpi" 2 1 1
            shot "dialog-essential-$lang-$dpi" "$LD"
            act click "$LD" 2
        }
        finish_run "essential-$lang-$dpi" 2

        first_run_days_ago 100
        start "essential-period-over-$lang-$dpi" "${L[@]}" /force 8 /enablecancellimit
        window "essential-period-over-$lang-$dpi" "$LD" && {
            control "essential-period-over-$lang-$dpi" 2 0 0
            shot "dialog-essential-period-over-$lang-$dpi" "$LD"
            act close "$LD"
        }
        finish_run "essential-period-over-$lang-$dpi" 2
        first_run_days_ago ""

        start "getting-ready-$lang-$dpi" "${L[@]}" /force 6
        window "getting-ready-$lang-$dpi" "${MESSAGE[$lang]}" && {
            shot "message-getting-ready-$lang-$dpi" "${MESSAGE[$lang]}"
            act click "${MESSAGE[$lang]}" 1
        }
        finish_run "getting-ready-$lang-$dpi" 4
    done
done

# ---------------------------------------------------------------------------
# Behaviour, in English at 96 DPI.
if in_part behaviour; then
    use_prefix 96
    first_run_days_ago ""

    start not-target /force 0
    window not-target "$D" && {
        control not-target 1000 1 1 "Battery charging control update"
        control not-target 1001 1 1 "Release 7"
        control not-target 1005 1 1 "Computer:"
        control not-target 1006 1 1 "Model: this computer"
        control not-target 2 1 1 "Cancel"
        contains not-target "No update for this computer"
        act close "$D"   # the close box ends it like Cancel
    }
    finish_run not-target 3

    # Consent for essential software: OK goes to the support step (not built: the
    # page is not opened), and the dialog comes again.
    start essential-ok /force 8
    window essential-ok "$D" && {
        control essential-ok 1 1 1 "&Update now"
        act click "$D" 1
        sleep 2
        window essential-ok-again "$D" && act click "$D" 2
    }
    finish_run essential-ok 2

    # Cancel period over outside notification mode: OK stands where Cancel was.
    first_run_days_ago 100
    start period-over /force 8 /enablecancellimit
    window period-over "$D" && {
        ok=$(awk -F'\t' '$1 == 1 && $2 == "Button" {print $5}' <<<"$CONTROLS")
        cancel=$(awk -F'\t' '$1 == 2 && $2 == "Button" {print $5}' <<<"$CONTROLS")
        IFS=, read -r ox _ ow _ <<<"$ok"; IFS=, read -r cx _ cw _ <<<"$cancel"
        if [ $((ox + ow)) = $((cx + cw)) ]; then pass "period-over: OK's right edge at Cancel's"; else
            fail "period-over: OK at $ok, Cancel at $cancel"; fi
        control period-over 2 0 0
        act close "$D"
    }
    finish_run period-over 2
    first_run_days_ago ""

    start getting-ready /force 6
    window getting-ready "$M" && {
        contains getting-ready "Updates for this computer are being prepared"
        contains getting-ready "support.korvane.example"
        act click "$M" 1
    }
    finish_run getting-ready 4

    # Notification mode with nothing to consent to ends without a window.
    expect_code "viewtarget, not a target" 3 "$EXE" "${COMMON[@]}" /viewtarget /force 0
    expect_code "viewtarget, getting ready" 4 "$EXE" "${COMMON[@]}" /viewtarget /force 6
    expect_code "viewtarget, essential software" 2 "$EXE" "${COMMON[@]}" /viewtarget /force 8
fi

# ---------------------------------------------------------------------------
# The progress window, through a stand-in job (battery.dll beside it).
if in_part progress; then
    PROGRESS="$BUILD/e2e/progressdemo.exe"
    for dpi in 96 144; do
        use_prefix "$dpi"
        for lang in en ja; do
            # Its texts follow the thread's default language, which Wine takes from
            # the Unix locale: a Japanese one built into the build folder.
            locale_env=()
            if [ "$lang" = ja ]; then
                [ -d "$BUILD/locale/ja_JP.UTF-8" ] || { mkdir -p "$BUILD/locale"; localedef -i ja_JP -f UTF-8 "$BUILD/locale/ja_JP.UTF-8" 2>/dev/null || true; }
                locale_env=(LOCPATH="$BUILD/locale" LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8)
            fi
            ( set +e; env "${locale_env[@]}" "$RUN" "$BUILD" "$PROGRESS" finish 4 > "$WORK/progress-$lang-$dpi.out" 2>/dev/null
              echo $? > "$WORK/progress-$lang-$dpi.code" ) &
            RUNNER=$!
            if window "progress-$lang-$dpi" "${MESSAGE[$lang]}"; then
                control "progress-$lang-$dpi" 2 1 1
                sleep 1
                shot "progress-$lang-$dpi" "${MESSAGE[$lang]}"
            fi
            wait "$RUNNER" || true
            if [ "$(cat "$WORK/progress-$lang-$dpi.code")" = 0 ] && ctl gone "${MESSAGE[$lang]}" 1 >/dev/null; then
                pass "progress-$lang-$dpi: $(tr -d '\r' < "$WORK/progress-$lang-$dpi.out")"
            else
                fail "progress-$lang-$dpi: did not close by itself"
            fi
        done
    done
    use_prefix 96
    ( set +e; "$RUN" "$BUILD" "$PROGRESS" cancel 60 > "$WORK/progress-cancel.out" 2>/dev/null; echo $? > "$WORK/progress-cancel.code" ) &
    RUNNER=$!
    window progress-cancel "$M" && act click "$M" 2
    wait "$RUNNER" || true
    [ "$(cat "$WORK/progress-cancel.code")" = 8 ] && pass "progress Cancel read as the job's cancel" ||
        fail "progress Cancel: exit $(cat "$WORK/progress-cancel.code")"
fi

# ---------------------------------------------------------------------------
# An update that is needed (/force 1).
if ! in_part update-shots && ! in_part update-behaviour; then
    finish
    exit $?
fi
for dpi in 96 144; do
    in_part update-shots || continue
    use_prefix "$dpi"
    for lang in en ja; do
        first_run_days_ago ""
        start "update-$lang-$dpi" /language "${LANGID[$lang]}" /force 1
        window "update-$lang-$dpi" "${DIALOG[$lang]}" && {
            shot "dialog-update-needed-$lang-$dpi" "${DIALOG[$lang]}"
            act click "${DIALOG[$lang]}" 2
        }
        finish_run "update-$lang-$dpi" 1
    done
done
if in_part update-behaviour; then
    use_prefix 96

    start update /force 1
    window update "$D" && {
        control update 1 1 1 "&Update now"
        control update 2 1 1 "Remind me &later"
        act click "$D" 2
    }
    finish_run update 1

    first_run_days_ago 100
    start update-period-over /force 1 /enablecancellimit
    window update-period-over "$D" && { control update-period-over 2 0 0; act close "$D"; }
    finish_run update-period-over 1

    # Notification mode: the close request asks first.
    first_run_days_ago 57   # 60 days for this nation (the default entry): 3 left
    start view-limited /viewtarget /enablecancellimit /force 1
    window view-limited "$D" && {
        act close "$D"
        window view-limited-days "$M" && {
            contains view-limited-days "You can postpone this update for 3 more days"
            control view-limited-days 0 1 1 "&Postpone the update"
            control view-limited-days 1 1 1 "&Go back"
            shot "question-days-left-en-96" "$M"
            act click "$M" 1   # go back: the dialog stays
        }
        ctl gone "$M" 10 >/dev/null
        ctl wait "$D" 1 >/dev/null && pass "view-limited: Go back keeps the dialog" || fail "view-limited: dialog gone"
        act click "$D" 2
        window view-limited-days2 "$M" && act click "$M" 0
        sleep 1
        window view-limited-last "$M" && {
            contains view-limited-last "Do you really want to cancel"
            shot "question-really-cancel-en-96" "$M"
            act click "$M" 0
        }
    }
    finish_run view-limited 1

    first_run_days_ago ""
    start view-unlimited /viewtarget /force 1
    window view-unlimited "$D" && {
        act click "$D" 2
        window view-unlimited-last "$M" && { contains view-unlimited-last "Do you really want to cancel"; act close "$M"; }
    }
    finish_run view-unlimited 1

    first_run_days_ago 100
    start view-over /viewtarget /enablecancellimit /force 1
    window view-over "$D" && {
        act close "$D"
        sleep 2
        if ctl wait "$M" 1 >/dev/null; then fail "view-over: a question appeared"; fi
        ctl wait "$D" 1 >/dev/null && pass "view-over: the close box does nothing" || fail "view-over: dialog gone"
        act kill "$D"
    }
    wait "$RUNNER" || true
    first_run_days_ago ""
fi

finish
