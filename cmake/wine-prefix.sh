#!/usr/bin/env bash
# CTest fixture for one test run of the Windows build.
#   setup    lays a fresh Wine prefix and, when no X display is given, starts
#            one Xvfb for the whole run: every Wine process of the prefix
#            shares one desktop (clipboard, windows), so all of them must see
#            the same display. It also starts the prefix's wine server and
#            its background processes for the whole run (see below).
#   cleanup  ends the prefix's wine server and that Xvfb.
#
# Why the fixture starts the server and the background processes itself:
# Wine starts its server, and the server's background processes (services,
# winedevice, plugplay, svchost, rpcss, and explorer /desktop once a window
# is needed), from whichever program of the prefix needs them first, and
# every one of them keeps that program's stderr (Unix fd 2) open. CTest
# reads a test's output through a pipe and waits for that pipe to close, so
# a test program that happened to start them printed "[  PASSED  ]", ended,
# and its test still ran until those processes ended: with Debian's
# "wineserver -p0" only once no Wine program of the prefix was left, which
# under a full suite (GUI tests beside it) came after the 300 s time-out.
# Here the server is persistent and started with its output on /dev/null,
# and wineboot and one window-making program start the background
# processes with their output in the boot log, before any test runs. The
# desktop process ends by itself a second after the last program using the
# desktop has gone, so a command interpreter that reads a pipe nobody
# writes to (the "keeper") uses it for the whole run. All of them live
# until cleanup, so no test's pipe is ever held by them.
set -eu
. "$(dirname "$0")/wine-env.sh"
: "${WINEPREFIX:?WINEPREFIX must be set}"
display_file="$WINEPREFIX.display"
xvfb_pid_file="$WINEPREFIX.xvfb.pid"
keeper_fifo="$WINEPREFIX.keeper"

stop_xvfb() {
    if [ -f "$xvfb_pid_file" ]; then
        kill "$(cat "$xvfb_pid_file")" 2>/dev/null || true
        rm -f "$xvfb_pid_file"
    fi
    rm -f "$display_file"
}

start_xvfb() {
    local n
    for n in $(seq 90 250); do
        [ -e "/tmp/.X$n-lock" ] && continue
        Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
        local pid=$!
        for _ in $(seq 1 50); do
            [ -S "/tmp/.X11-unix/X$n" ] && break
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
        if kill -0 "$pid" 2>/dev/null && [ -S "/tmp/.X11-unix/X$n" ]; then
            echo "$pid" > "$xvfb_pid_file"
            echo ":$n" > "$display_file"
            export DISPLAY=":$n"
            return 0
        fi
        kill "$pid" 2>/dev/null || true
    done
    echo "wine-prefix.sh: no free X display" >&2
    return 1
}

case "$1" in
    setup)
        wineserver -k 2>/dev/null || true
        stop_xvfb
        rm -rf "$WINEPREFIX"
        mkdir -p "$WINEPREFIX"
        if [ -z "${DISPLAY:-}" ]; then
            start_xvfb
        else
            echo "$DISPLAY" > "$display_file"
        fi
        # "-p" with no time: the server stays until cleanup ends it.
        wineserver -p </dev/null >/dev/null 2>&1
        boot_log="$WINEPREFIX.boot.log"
        if ! "$(qv_wine_loader wineboot)" wineboot -i </dev/null >"$boot_log" 2>&1; then
            echo "wine-prefix.sh: wineboot failed to lay the prefix $WINEPREFIX:" >&2
            tail -20 "$boot_log" >&2
            exit 1
        fi
        # Opened for reading and writing, the keeper's input never ends.
        rm -f "$keeper_fifo"
        mkfifo "$keeper_fifo"
        "$(qv_wine_loader cmd)" cmd.exe <>"$keeper_fifo" >>"$boot_log" 2>&1 &
        # rundll32 makes a window, so the desktop process (explorer
        # /desktop) starts now, not from the first test that shows one.
        "$(qv_wine_loader rundll32)" rundll32.exe user32.dll,GetDesktopWindow </dev/null >>"$boot_log" 2>&1 || true
        ;;
    cleanup)
        wineserver -k 2>/dev/null || true
        rm -f "$keeper_fifo"
        stop_xvfb
        ;;
esac
