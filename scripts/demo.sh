#!/usr/bin/env bash
# The demo: installs what is needed (scripts/setup.sh, as root), builds the
# 64-bit Windows preset (the build that runs on this machine), starts the
# stand-in chat server (port 7012) and file server (port 7013) on 127.0.0.1
# (or --address) with the demo organisation of standins/demo/, writes the
# scrambled server entry into a program folder of its own, and starts the desk client
# Tavrel.exe under 64-bit Wine, logged on as the team's manager 林晓 (50001).
#
#   scripts/demo.sh [--second] [--messenger] [--build DIR] [--shot FILE] [--address A] [--customers N] [--no-setup]
#
#   --second      also start the agent 周宁 (50002) beside it
#   --messenger   start the messenger IM.exe instead, logged on as the
#                 messenger user 陈晨 (70001), and open its main window
#   --build DIR   the build folder (default build/windows, the preset's)
#   --shot FILE   the screenshot to take when there is no display
#                 (default <build>/demo/screenshot.png)
#   --address A   the loopback address the servers listen on (default
#                 127.0.0.1; another 127.x.y.z when that one's ports are taken)
#   --customers N give the manager N more customers (客户0000, ...) in the
#                 category 普通客户, to see a large customer list
#   --no-setup    do not run scripts/setup.sh
#
# With a display ($DISPLAY) the programs run on it until the client ends
# (or Ctrl+C). Without one the demo runs on a desktop of its own (an Xvfb with
# the openbox window manager, scripts/with-desktop.sh), waits until
# the logged-on main window shows the demo customers, takes a screenshot
# and stops. Any step that fails ends the demo with a message saying what
# failed and a non-zero exit.
# Accounts of the demo: agents 50001 to 50004, customers 60001 to 60007 and
# messenger users 70001 to 70008, password "demo".
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
arguments=("$@")
root=$(cd "$here/.." && pwd)
build=$root/build/windows
second=0
messenger=0
setup=1
shot=
address=127.0.0.1
customers=0
while [ $# -gt 0 ]; do
    case $1 in
    --second) second=1 ;;
    --messenger) messenger=1 ;;
    --no-setup) setup=0 ;;
    --build) build=$(realpath -m "$2"); shift ;;
    --shot) shot=$(realpath -m "$2"); shift ;;
    --address) address=$2; shift ;;
    --customers) customers=$2; shift ;;
    *) echo "usage: demo.sh [--second] [--messenger] [--build DIR] [--shot FILE] [--address A] [--customers N] [--no-setup]" >&2
       exit 2 ;;
    esac
    shift
done

fail() {
    echo "demo.sh: $*" >&2
    exit 1
}

# 1. Packages (only when something is missing: setup.sh needs root).
if [ "$setup" = 1 ]; then
    if ! command -v x86_64-w64-mingw32-g++-posix >/dev/null || [ ! -x /usr/lib/wine/wine64 ] ||
        ! command -v Xvfb >/dev/null || ! command -v cmake >/dev/null || ! command -v import >/dev/null ||
        ! command -v openbox >/dev/null || ! command -v xprop >/dev/null; then
        if [ "$(id -u)" -eq 0 ]; then
            bash "$here/setup.sh" || fail "installing the packages failed (scripts/setup.sh)"
        else
            fail "packages are missing; run 'sudo bash scripts/setup.sh' first"
        fi
    fi
fi

# Without a display the demo runs on a desktop of its own, as a user's is:
# an Xvfb with a window manager (with-desktop.sh), the whole rest of it.
display_works() {
    [ -n "${DISPLAY:-}" ] || return 1
    if command -v xdpyinfo >/dev/null; then xdpyinfo >/dev/null 2>&1; return; fi
    if command -v xset >/dev/null; then xset q >/dev/null 2>&1; return; fi
    return 0  # nothing to check with: trust $DISPLAY
}
if [ -z "${QV_DEMO_OWN_DESKTOP:-}" ] && ! display_works; then
    QV_DEMO_OWN_DESKTOP=1 exec "$here/with-desktop.sh" bash "$0" "${arguments[@]}" --no-setup
fi

# 2. Build what the demo runs.
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake --preset windows -B "$build" -S "$root" >/dev/null || fail "configuring the build failed"
fi
cmake --build "$build" --target Tavrel Kestrin Mervale Screenshot Service host_standins wait_window \
    IM Ulvarn InstanceControl ||
    fail "the build failed"

. "$root/cmake/wine-env.sh"
wine=$(qv_wine_loader "$build/bin/Tavrel.exe") || fail "cannot run the 64-bit build here"

demo=$build/demo
rm -rf "$demo"
mkdir -p "$demo/data" "$demo/files"
[ -n "$shot" ] || shot=$demo/screenshot.png

# 3. The demo data in the clients' code page (GBK).
for f in accounts.txt world.txt desk.txt; do
    iconv -f UTF-8 -t GBK "$root/standins/demo/$f" > "$demo/data/$f" || fail "standins/demo/$f is not convertible to GBK"
done
# More customers of the manager, ids from 100001 on (after the messenger users).
if [ "$customers" -gt 0 ] 2>/dev/null; then
    python3 - "$demo/data" "$customers" <<'PY' || fail "the extra customers could not be written"
import sys
folder, count = sys.argv[1], int(sys.argv[2])
def append(name, lines):
    with open(folder + "/" + name, "ab") as f:
        f.write(("\n".join(lines) + "\n").encode("gbk"))
ids = range(100001, 100001 + count)
append("accounts.txt", ["%d demo" % i for i in ids])
append("world.txt", ["user %d 5 0 客户%04d | 签名 %d" % (i, i - 100001, i - 100001) for i in ids] +
       ["friend 50001 %d 3 -" % i for i in ids])
append("desk.txt", ["friend|50001|%d|2|0|5|客户%04d||签名 %d" % (i, i - 100001, i - 100001) for i in ids] +
       ["customer|%d|50001" % i for i in ids])
PY
fi

# 4. The program folder: a copy of the build's, with the scrambled server
#    entry and the accounts used before.
cp -r "$build/bin" "$demo/app"
mkdir -p "$demo/app/Ini"
python3 - "$demo/app" "$address" <<'PY'
import sys
folder, address = sys.argv[1], sys.argv[2]
def scramble(text):
    # The clients' scrambling: add 2, 4, 6, 2, 4, 6, ... then reverse.
    units = [chr(ord(c) + 2 * (i % 3 + 1)) for i, c in enumerate(text)]
    return "".join(reversed(units))
with open(folder + "/Ini/IMServerInfo.ini", "w", newline="\r\n") as ini:
    ini.write("[serverList]\nuse=%s\n" % scramble(address))
with open(folder + "/IMUsers.dll", "w", newline="\r\n") as users:
    users.write("[userList]\ncount=2\n0001=50001\n0002=50002\n")
PY

pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    if [ -n "${WINEPREFIX:-}" ]; then wineserver -k 2>/dev/null || true; fi
}
trap cleanup EXIT

# 5. The stand-in servers on the address (127.0.0.1 unless given).
"$build/host-standins/chatserver/chatserver" --bind "$address" --port 7012 \
    --accounts "$demo/data/accounts.txt" --world "$demo/data/world.txt" --desk "$demo/data/desk.txt" \
    --control-port 0 --port-file "$demo/ports" 2>"$demo/chatserver.log" &
chat=$!
pids+=($chat)
"$build/host-standins/fileserver/qv-fileserver" --bind "$address" --port 7013 --dir "$demo/files" >"$demo/fileserver.log" 2>&1 &
files=$!
pids+=($files)
listening() {
    python3 -c 'import socket,sys; socket.create_connection((sys.argv[2], int(sys.argv[1])), 1).close()' "$1" "$address" 2>/dev/null
}
for _ in $(seq 1 50); do
    [ -s "$demo/ports" ] && listening 7013 && break
    kill -0 "$chat" 2>/dev/null && kill -0 "$files" 2>/dev/null || break
    sleep 0.1
done
if [ ! -s "$demo/ports" ] || ! kill -0 "$chat" 2>/dev/null; then
    cat "$demo/chatserver.log" >&2
    fail "the chat server did not start (port 7012 in use?)"
fi
if ! listening 7013; then
    cat "$demo/fileserver.log" >&2
    fail "the file server did not start (port 7013 in use?)"
fi

# 6. Wine in a prefix of its own, on the user's display or on an Xvfb.
export WINEPREFIX=$build/demo-wineprefix
# On the desktop of its own (above) the demo takes a screenshot and stops;
# on the user's display it runs until the client is closed.
headless=0
[ -n "${QV_DEMO_OWN_DESKTOP:-}" ] && headless=1
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    rm -rf "$WINEPREFIX"
    # wineboot returns before the wine server has written the registry.
    if ! "$wine" wineboot -i >"$demo/wineboot.log" 2>&1 || ! wineserver -w || [ ! -f "$WINEPREFIX/system.reg" ]; then
        tail -20 "$demo/wineboot.log" >&2
        rm -rf "$WINEPREFIX"
        fail "Wine could not make its prefix $WINEPREFIX (see above)"
    fi
fi

# 7. The desk client, and the check that it came up logged on with the
#    demo organisation: its main window titled with the account, and the
#    customer tree (control 1052; the reply tree beside it is filled from
#    local files before the log-on) holding a category and a customer.
start_client() {
    local account=$1 log=$demo/tavrel-$1.log
    "$wine" "$demo/app/Tavrel.exe" demo "$account" >"$log" 2>&1 &
    local pid=$!
    pids+=($pid)
    # Into a file, not a pipe: Wine's helper processes, started on demand,
    # keep the descriptors they inherit open until the prefix ends.
    local waited=$demo/wait-$account.log
    if ! "$wine" "$build/tools/wait_window.exe" --caption-prefix "Qorvane 客服 - $account" \
            --tree-id 1052 --tree-items 2 --timeout-ms "${DEMO_WAIT_MS:-90000}" >"$waited" 2>&1; then
        cat "$waited" >&2
        if ! kill -0 "$pid" 2>/dev/null; then
            cat "$log" >&2
            fail "the desk client (account $account) ended before its logged-on main window showed"
        fi
        fail "the desk client (account $account) did not show its logged-on main window with the demo customers"
    fi
    client=$pid
    client_rect=$(tail -1 "$waited")
}
# The messenger logs 陈晨 (70001) on by itself and waits in the tray; an
# outside program's instance-control message opens its main window, which
# shows her friend tree once the log-on is through.
start_messenger() {
    local log=$demo/im-70001.log waited=$demo/wait-70001.log
    "$wine" "$demo/app/IM.exe" demo 70001 >"$log" 2>&1 &
    client=$!
    pids+=($client)
    local deadline=$((SECONDS + ${DEMO_WAIT_MS:-90000} / 1000))
    until "$wine" "$build/standins/InstanceControl.exe" show 70001 >/dev/null 2>&1 &&
        "$wine" "$build/tools/wait_window.exe" --caption-prefix "IM 70001" --tree-items 1 --timeout-ms 5000 \
            >"$waited" 2>&1; do
        kill -0 "$client" 2>/dev/null || { cat "$log" >&2; fail "the messenger ended before its main window showed"; }
        [ "$SECONDS" -lt "$deadline" ] ||
            { cat "$waited" >&2; fail "the messenger did not show its logged-on main window with the demo friends"; }
    done
    client_rect=$(tail -1 "$waited")
}
if [ "$messenger" = 1 ]; then
    start_messenger
    first=$client
    shown="the logged-on messenger (70001"
else
    start_client 50001
    first=$client
    shown="the logged-on desk client (50001"
    if [ "$second" = 1 ]; then
        start_client 50002
    fi
fi

if [ "$headless" = 1 ]; then
    sleep 1  # let the last paint reach the screen
    import -window root "$shot" || fail "taking the screenshot failed"
    echo "demo.sh: no display; $shown, window at $client_rect) is in $shot"
elif [ "$messenger" = 1 ]; then
    echo "demo.sh: IM runs on $DISPLAY (account 70001, password demo); close it from its tray menu or press Ctrl+C"
    wait "$first" || true
else
    echo "demo.sh: Tavrel runs on $DISPLAY (account 50001, password demo); close it from its tray menu or press Ctrl+C"
    wait "$first" || true
fi
