#!/usr/bin/env bash
# The demo: installs what is needed (scripts/setup.sh, as root), builds the
# Windows preset, starts the stand-in chat server (port 7012) and file
# server (port 7013) on 127.0.0.1 with the demo organisation of
# standins/demo/, writes the scrambled server entry into a program folder of
# its own, and starts the desk client Tavrel.exe under Wine, logged on as
# the team's manager 林晓 (50001).
#
#   scripts/demo.sh [--second] [--messenger] [--build DIR] [--shot FILE] [--no-setup]
#
#   --second      also start the agent 周宁 (50002) beside it
#   --messenger   start the messenger IM.exe instead, logged on as the
#                 messenger user 陈晨 (70001), and open its main window
#   --build DIR   the build folder (default build/windows, the preset's)
#   --shot FILE   the screenshot to take when there is no display
#                 (default <build>/demo/screenshot.png)
#   --no-setup    do not run scripts/setup.sh
#
# With a display ($DISPLAY) the programs run on it until the client ends
# (or Ctrl+C). Without one the demo runs on an Xvfb of its own, takes a
# screenshot of the logged-on main window after a while and stops.
# Accounts of the demo: agents 50001 to 50004 and customers 60001 to 60007,
# password "demo".
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
build=$root/build/windows
second=0
messenger=0
setup=1
shot=
while [ $# -gt 0 ]; do
    case $1 in
    --second) second=1 ;;
    --messenger) messenger=1 ;;
    --no-setup) setup=0 ;;
    --build) build=$(realpath -m "$2"); shift ;;
    --shot) shot=$(realpath -m "$2"); shift ;;
    *) echo "usage: demo.sh [--second] [--messenger] [--build DIR] [--shot FILE] [--no-setup]" >&2; exit 2 ;;
    esac
    shift
done

# 1. Packages (only when something is missing: setup.sh needs root).
if [ "$setup" = 1 ]; then
    if ! command -v i686-w64-mingw32-g++-posix >/dev/null || ! command -v wine >/dev/null ||
        ! command -v Xvfb >/dev/null || ! command -v cmake >/dev/null || ! command -v import >/dev/null; then
        if [ "$(id -u)" -eq 0 ]; then
            bash "$here/setup.sh"
        else
            echo "demo.sh: packages are missing; run 'sudo bash scripts/setup.sh' first" >&2
            exit 1
        fi
    fi
fi

# 2. Build what the demo runs.
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake --preset windows -B "$build" -S "$root"
fi
cmake --build "$build" -j4 --target Tavrel Kestrin Mervale Screenshot Service host_standins IM Ulvarn InstanceControl

demo=$build/demo
rm -rf "$demo"
mkdir -p "$demo/data" "$demo/files"
[ -n "$shot" ] || shot=$demo/screenshot.png

# 3. The demo data in the clients' code page (GBK).
for f in accounts.txt world.txt desk.txt; do
    iconv -f UTF-8 -t GBK "$root/standins/demo/$f" > "$demo/data/$f"
done

# 4. The program folder: a copy of the build's, with the scrambled server
#    entry and the accounts used before.
cp -r "$build/bin" "$demo/app"
mkdir -p "$demo/app/Ini"
python3 - "$demo/app" <<'PY'
import sys
folder = sys.argv[1]
def scramble(text):
    # The clients' scrambling: add 2, 4, 6, 2, 4, 6, ... then reverse.
    units = [chr(ord(c) + 2 * (i % 3 + 1)) for i, c in enumerate(text)]
    return "".join(reversed(units))
with open(folder + "/Ini/IMServerInfo.ini", "w", newline="\r\n") as ini:
    ini.write("[serverList]\nuse=%s\n" % scramble("127.0.0.1"))
with open(folder + "/IMUsers.dll", "w", newline="\r\n") as users:
    users.write("[userList]\ncount=2\n0001=50001\n0002=50002\n")
PY

pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    if [ -n "${WINEPREFIX:-}" ]; then wineserver -k 2>/dev/null || true; fi
}
trap cleanup EXIT

# 5. The stand-in servers on 127.0.0.1.
"$build/host-standins/chatserver/chatserver" --bind 127.0.0.1 --port 7012 \
    --accounts "$demo/data/accounts.txt" --world "$demo/data/world.txt" --desk "$demo/data/desk.txt" \
    --control-port 0 --port-file "$demo/ports" 2>"$demo/chatserver.log" &
pids+=($!)
"$build/host-standins/fileserver/qv-fileserver" --port 7013 --dir "$demo/files" 2>"$demo/fileserver.log" &
pids+=($!)
for _ in $(seq 1 50); do [ -s "$demo/ports" ] && break; sleep 0.1; done
if [ ! -s "$demo/ports" ]; then
    echo "demo.sh: the chat server did not start (port 7012 in use?):" >&2
    cat "$demo/chatserver.log" >&2
    exit 1
fi

# 6. Wine in a prefix of its own, on the user's display or on an Xvfb.
export WINEPREFIX=$build/demo-wineprefix
export WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d" LC_ALL=zh_CN.UTF-8
display_works() {
    [ -n "${DISPLAY:-}" ] || return 1
    if command -v xdpyinfo >/dev/null; then xdpyinfo >/dev/null 2>&1; return; fi
    if command -v xset >/dev/null; then xset q >/dev/null 2>&1; return; fi
    return 0  # nothing to check with: trust $DISPLAY
}
headless=0
if ! display_works; then
    headless=1
    export DISPLAY=:$((300 + RANDOM % 500))
    Xvfb "$DISPLAY" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
    pids+=($!)
    sleep 1
fi
[ -d "$WINEPREFIX" ] || wineboot -i >/dev/null 2>&1 || true

if [ "$messenger" = 1 ]; then
    # The messenger logs 陈晨 on by itself and waits in the tray; another
    # program's instance-control message opens its main window.
    wine "$demo/app/IM.exe" demo 70001 >/dev/null 2>&1 &
    client=$!
    pids+=($client)
    sleep "${DEMO_LOGON_DELAY:-10}"
    wine "$build/standins/InstanceControl.exe" show 70001 >/dev/null 2>&1 || true
else
wine "$demo/app/Tavrel.exe" demo 50001 >/dev/null 2>&1 &
client=$!
pids+=($client)
fi
if [ "$second" = 1 ] && [ "$messenger" = 0 ]; then
    sleep 3
    wine "$demo/app/Tavrel.exe" demo 50002 >/dev/null 2>&1 &
    pids+=($!)
fi

if [ "$headless" = 1 ]; then
    sleep "${DEMO_SHOT_DELAY:-20}"
    import -window root "$shot"
    echo "demo.sh: no display; screenshot written to $shot"
else
    if [ "$messenger" = 1 ]; then
        echo "demo.sh: IM runs on $DISPLAY (account 70001, password demo); close it from its tray menu or press Ctrl+C"
    else
        echo "demo.sh: Tavrel runs on $DISPLAY (account 50001, password demo); close it from its tray menu or press Ctrl+C"
    fi
    wait "$client" || true
fi
