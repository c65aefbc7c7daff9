# Starts a private Xvfb display for windows opened by the tests and stops it
# when the calling script exits, whatever the outcome. Source it. Xvfb picks
# a free display number itself (-displayfd), so scripts running side by side
# each get their own; DISPLAY is set once the server accepts connections.
source "$(dirname "${BASH_SOURCE[0]}")/at-exit.sh"
start_display() {
    if [ -n "${TARNWICK_XVFB_PID:-}" ] && kill -0 "$TARNWICK_XVFB_PID" 2>/dev/null; then
        return 0
    fi
    local number
    number=$(mktemp "${TMPDIR:-/tmp}/tarnwick-display.XXXXXX")
    # Started from a subshell, so a script's plain `wait` (for its own
    # background jobs) does not wait for the display too.
    TARNWICK_XVFB_PID=$(Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$number" >/dev/null 2>&1 &
                        echo $!)
    at_exit stop_display
    for _ in $(seq 100); do
        if [ -s "$number" ]; then
            export DISPLAY=":$(tr -dc 0-9 <"$number")"
            rm -f "$number"
            return 0
        fi
        kill -0 "$TARNWICK_XVFB_PID" 2>/dev/null || break
        sleep 0.1
    done
    rm -f "$number"
    echo "Xvfb did not start" >&2
    return 1
}
stop_display() {
    if [ -n "${TARNWICK_XVFB_PID:-}" ]; then
        kill "$TARNWICK_XVFB_PID" 2>/dev/null || true
        for _ in $(seq 50); do kill -0 "$TARNWICK_XVFB_PID" 2>/dev/null || break; sleep 0.1; done
        TARNWICK_XVFB_PID=""
    fi
}
