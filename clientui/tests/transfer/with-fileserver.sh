#!/usr/bin/env bash
# with-fileserver.sh <qv-fileserver> [server arguments...] -- <command...>
# Starts the stand-in file server on a free port with a fresh storage
# folder, runs the command with QV_FILESERVER_PORT and QV_FILESERVER_DIR in
# its environment, stops the server and returns the command's status.
# Every wait is bounded.
set -u
server=$1
shift
server_args=()
while [ $# -gt 0 ] && [ "$1" != "--" ]; do
    server_args+=("$1")
    shift
done
[ "${1:-}" = "--" ] && shift
work=$(mktemp -d)
mkdir -p "$work/store"
trap 'rm -rf "$work"' EXIT
"$server" --port 0 --dir "$work/store" "${server_args[@]}" >"$work/server.out" 2>"$work/server.log" &
pid=$!
port=
for _ in $(seq 1 100); do
    port=$(sed -n 's/^listening \([0-9][0-9]*\)$/\1/p' "$work/server.out" 2>/dev/null)
    [ -n "$port" ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
if [ -z "$port" ]; then
    echo "the file server did not start:" >&2
    cat "$work/server.log" >&2
    kill "$pid" 2>/dev/null
    exit 1
fi
export QV_FILESERVER_PORT=$port QV_FILESERVER_DIR=$work/store
"$@"
status=$?
kill "$pid" 2>/dev/null
for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
kill -9 "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
exit $status
