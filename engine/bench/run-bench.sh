#!/usr/bin/env bash
# run-bench.sh [<Windows build folder>] [engine_bench options...]
# Starts the build's stand-in chat server on free ports, runs engine_bench
# under Wine against it (in a Wine prefix of its own beside the build, made
# on the first run), stops the server and that prefix's wine server. The
# build folder defaults to build/windows.
set -u
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${1:-$root/build/windows}
[ $# -gt 0 ] && shift
build=$(cd "$build" && pwd)
bench=$build/bench/engine_bench.exe
server=$build/host-standins/chatserver/chatserver
for f in "$bench" "$server"; do
    [ -e "$f" ] || { echo "missing $f: build the windows preset first (cmake --build $build)" >&2; exit 1; }
done
export WINEPREFIX=$build/bench-wineprefix
"$root/engine/win/tests/with-chatserver.sh" "$server" "$build/host-standins/chatserver/accounts.txt" \
    bash -c '"$0" "$1" "$QV_CHAT_PORT" "${@:2}"' "$root/cmake/wine-run.sh" "$bench" "$@"
status=$?
wineserver -k 2>/dev/null
exit $status
