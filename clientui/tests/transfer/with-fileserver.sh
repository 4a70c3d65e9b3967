#!/usr/bin/env bash
# with-fileserver.sh <qv-fileserver> [--restartable] [server arguments...] -- <command...>
# Starts the stand-in file server on a free port with a fresh storage
# folder, runs the command with QV_FILESERVER_PORT and QV_FILESERVER_DIR in
# its environment, stops the server and returns the command's status.
#
# With --restartable the command may stop the server process and start it
# again (same port, same storage folder) for outage tests: it sees
# QV_FILESERVER_CONTROL, a folder in which it creates the file "stop" or
# "start"; the wrapper removes it, ends or starts the process, and then
# creates "stopped" or "started" there.
# Every wait is bounded.
set -u
server=$1
shift
server_args=()
restartable=0
while [ $# -gt 0 ] && [ "$1" != "--" ]; do
    if [ "$1" = "--restartable" ]; then
        restartable=1
    else
        server_args+=("$1")
    fi
    shift
done
[ "${1:-}" = "--" ] && shift
work=$(mktemp -d)
mkdir -p "$work/store" "$work/control"
trap 'rm -rf "$work"' EXIT

# start_server <port>: starts the server, waits for its port; sets pid and port.
start_server() {
    : >"$work/server.out"
    "$server" --port "$1" --dir "$work/store" "${server_args[@]}" >"$work/server.out" 2>>"$work/server.log" &
    pid=$!
    echo "$pid" >"$work/pid"
    port=
    for _ in $(seq 1 100); do
        port=$(sed -n 's/^listening \([0-9][0-9]*\)$/\1/p' "$work/server.out" 2>/dev/null)
        [ -n "$port" ] && return 0
        kill -0 "$pid" 2>/dev/null || return 1
        sleep 0.1
    done
    return 1
}

stop_server() {
    local p
    p=$(cat "$work/pid" 2>/dev/null)
    [ -n "$p" ] || return 0
    kill "$p" 2>/dev/null
    for _ in $(seq 1 50); do kill -0 "$p" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$p" 2>/dev/null
    wait "$p" 2>/dev/null
    : >"$work/pid"
}

if ! start_server 0; then
    echo "the file server did not start:" >&2
    cat "$work/server.log" >&2
    stop_server
    exit 1
fi
export QV_FILESERVER_PORT=$port QV_FILESERVER_DIR=$work/store

watcher=
if [ "$restartable" = 1 ]; then
    export QV_FILESERVER_CONTROL=$work/control
    fixed_port=$port
    (
        while :; do
            if [ -e "$work/control/stop" ]; then
                rm -f "$work/control/stop" "$work/control/started"
                stop_server
                touch "$work/control/stopped"
            fi
            if [ -e "$work/control/start" ]; then
                rm -f "$work/control/start" "$work/control/stopped"
                # The port may take a moment to be free again.
                for _ in 1 2 3 4 5 6 7 8 9 10; do
                    start_server "$fixed_port" && break
                    stop_server
                    sleep 0.5
                done
                touch "$work/control/started"
            fi
            sleep 0.1
        done
    ) &
    watcher=$!
fi

"$@"
status=$?
[ -n "$watcher" ] && kill "$watcher" 2>/dev/null && wait "$watcher" 2>/dev/null
stop_server
exit $status
