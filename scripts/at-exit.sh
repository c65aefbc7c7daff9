# at_exit COMMAND: runs COMMAND when the calling shell exits, after whatever
# was registered before it (a plain `trap ... EXIT` would replace that: the
# display, the server and a test's own clean-up each register one). Source it.
at_exit() {
    local command=$1 current
    eval "set -- $(trap -p EXIT)"
    current=${3:-}
    trap "${current:+$current; }$command" EXIT
}
