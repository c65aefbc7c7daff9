# Starts the loopback download server for a test script and stops it when
# the script exits. Source it, then: start_server ROOT_DIR LOG_FILE
# Sets SERVER_PORT and SERVER_URL (http://127.0.0.1:PORT/). WinINet follows
# the system's proxy settings, and Wine takes them from these variables:
# they are unset so loopback requests go straight to the server. Every port
# is the script's own (the server binds port 0; free_port holds its port), so
# scripts can run side by side.
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/at-exit.sh"
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY all_proxy ALL_PROXY no_proxy NO_PROXY
SERVER_PID=

stop_server() {
    if [ -n "$SERVER_PID" ]; then
        kill "$SERVER_PID" 2>/dev/null || true
        wait "$SERVER_PID" 2>/dev/null || true
        SERVER_PID=
    fi
}

start_server() {
    local root=$1 log=$2 portfile
    portfile=$(mktemp -u "${TMPDIR:-/tmp}/tarnwick-port.XXXXXX")
    python3 "$(dirname "${BASH_SOURCE[0]}")/loopback-server.py" --root "$root" --port-file "$portfile" \
        --log "$log" &
    SERVER_PID=$!
    at_exit stop_server
    for _ in $(seq 100); do
        [ -s "$portfile" ] && break
        sleep 0.1
    done
    SERVER_PORT=$(cat "$portfile")
    rm -f "$portfile"
    SERVER_URL="http://127.0.0.1:$SERVER_PORT/"
}

# A port on which nothing listens: bound but never listening (a connection
# is refused), and held until the calling script ends, so that no server of
# a script running beside it can be given the same port.
free_port() {
    python3 -c '
import os, socket, sys, time
s = socket.socket()
s.bind(("127.0.0.1", 0))
print(s.getsockname()[1], flush=True)
os.close(1)
while True:
    try:
        os.kill(int(sys.argv[1]), 0)
    except OSError:
        break
    time.sleep(1)
' "$$" 2>/dev/null &
}
