#!/usr/bin/env bash
# with-chatserver.sh <chatserver> <accounts file> <command...>
# Starts the stand-in chat server on free ports (chat and control), runs the
# command with QV_CHAT_PORT and QV_CONTROL_PORT in its environment, stops
# the server and returns the command's status. Every wait is bounded.
set -u
server=$1
accounts=$2
shift 2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$server" --port 0 --control-port 0 --accounts "$accounts" --port-file "$work/ports" \
    2>"$work/server.log" &
pid=$!
for _ in $(seq 1 100); do
    [ -s "$work/ports" ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
if [ ! -s "$work/ports" ]; then
    echo "the chat server did not start:" >&2
    cat "$work/server.log" >&2
    kill "$pid" 2>/dev/null
    exit 1
fi
read -r chat control < "$work/ports"
export QV_CHAT_PORT=$chat QV_CONTROL_PORT=$control
"$@"
status=$?
kill "$pid" 2>/dev/null
for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
kill -9 "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
exit $status
