#!/usr/bin/env bash
# with-desk-server.sh [--fileserver <qv-fileserver>] <chatserver> <accounts file or data folder>
#                     <bin folder> <work folder> <command...>
#
# A data folder holds accounts.txt, world.txt and desk.txt in UTF-8 (as
# standins/demo/ does); they are converted to GBK, the clients' code page,
# into <work folder>/data first. Beside an accounts file the server finds
# its world.txt and desk.txt itself.
#
# The desk program always connects to port 7012. So that several runs can
# work at once, the stand-in chat server listens on 7012 of a loopback
# address of its own (127.x.y.z, chosen at random). Before the command runs,
# the work folder gets two copies of the program folder:
#   app/         the whole program folder
#   noengine/    the same without Kestrin.dll
#   noserver/    the whole program folder again (its test points it at an
#                address where no server listens)
# The command sees QV_DESK_SERVER (the address), QV_DESK_APP,
# QV_DESK_NOENGINE and QV_DESK_NOSERVER (the folders, as Unix paths) and
# QV_CONTROL_PORT.
# With --fileserver the stand-in file server listens beside it, on port 7013
# of the same address (where the programs look for it), storing into
# <work folder>/files (QV_FILESERVER_DIR); QV_FILESERVER_ARGS, when set,
# holds further arguments for it (its faults and log).
# Every wait is bounded.
set -u
fileserver=
if [ "${1:-}" = "--fileserver" ]; then
    fileserver=$2
    shift 2
fi
server=$1
accounts=$2
bin=$3
work=$4
shift 4

rm -rf "$work"
mkdir -p "$work"
if [ -d "$accounts" ]; then
    mkdir -p "$work/data"
    for f in accounts.txt world.txt desk.txt; do
        iconv -f UTF-8 -t GBK "$accounts/$f" > "$work/data/$f" || exit 1
    done
    accounts=$work/data/accounts.txt
fi
cp -r "$bin" "$work/app" || exit 1
cp -r "$bin" "$work/noengine" || exit 1
rm -f "$work/noengine/Kestrin.dll"
cp -r "$bin" "$work/noserver" || exit 1

pid=
filepid=
address=
# Starts the file server on $address:7013; true once it listens.
start_fileserver() {
    mkdir -p "$work/files"
    rm -f "$work/fileserver.out"
    # shellcheck disable=SC2086
    "$fileserver" --bind "$address" --port 7013 --dir "$work/files" ${QV_FILESERVER_ARGS:-} >"$work/fileserver.out" \
        2>"$work/fileserver.log" &
    filepid=$!
    for _ in $(seq 1 100); do
        grep -q '^listening ' "$work/fileserver.out" 2>/dev/null && return 0
        kill -0 "$filepid" 2>/dev/null || break
        sleep 0.1
    done
    kill "$filepid" 2>/dev/null
    wait "$filepid" 2>/dev/null
    filepid=
    return 1
}
for attempt in 1 2 3 4 5 6; do
    address=127.$((RANDOM % 200 + 20)).$((RANDOM % 250 + 1)).$((RANDOM % 250 + 1))
    rm -f "$work/ports"
    "$server" --bind "$address" --port 7012 --control-port 0 --accounts "$accounts" \
        --port-file "$work/ports" 2>"$work/server.log" &
    pid=$!
    for _ in $(seq 1 100); do
        [ -s "$work/ports" ] && break
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    if [ -s "$work/ports" ] && { [ -z "$fileserver" ] || start_fileserver; }; then
        break
    fi
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    pid=
done
if [ -z "$pid" ]; then
    echo "the chat server did not start:" >&2
    cat "$work/server.log" >&2
    exit 1
fi
read -r _ control < "$work/ports"
export QV_DESK_SERVER=$address QV_CONTROL_PORT=$control
export QV_DESK_APP=$work/app QV_DESK_NOENGINE=$work/noengine QV_DESK_NOSERVER=$work/noserver
[ -n "$fileserver" ] && export QV_FILESERVER_DIR=$work/files
"$@"
status=$?
if [ -n "$filepid" ]; then
    kill "$filepid" 2>/dev/null
    wait "$filepid" 2>/dev/null
fi
kill "$pid" 2>/dev/null
for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
kill -9 "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
exit $status
