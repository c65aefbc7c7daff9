# Starts the loopback download server for a test script and stops it when
# the script exits. Source it, then: start_server ROOT_DIR LOG_FILE
# Sets SERVER_PORT and SERVER_URL (http://127.0.0.1:PORT/). WinINet follows
# the system's proxy settings, and Wine takes them from these variables:
# they are unset so loopback requests go straight to the server.
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
    trap stop_server EXIT
    for _ in $(seq 100); do
        [ -s "$portfile" ] && break
        sleep 0.1
    done
    SERVER_PORT=$(cat "$portfile")
    rm -f "$portfile"
    SERVER_URL="http://127.0.0.1:$SERVER_PORT/"
}

# A port on which nothing listens (bound and closed again at once).
free_port() {
    python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}
