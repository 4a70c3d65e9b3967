#!/usr/bin/env bash
# CTest fixture for one test run of the Windows build.
#   setup    lays a fresh Wine prefix and, when no X display is given, starts
#            one Xvfb for the whole run: every Wine process of the prefix
#            shares one desktop (clipboard, windows), so all of them must see
#            the same display.
#   cleanup  ends the prefix's wine server and that Xvfb.
set -eu
. "$(dirname "$0")/wine-env.sh"
: "${WINEPREFIX:?WINEPREFIX must be set}"
display_file="$WINEPREFIX.display"
xvfb_pid_file="$WINEPREFIX.xvfb.pid"

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
        mkdir -p "$(dirname "$WINEPREFIX")"
        if [ -z "${DISPLAY:-}" ]; then
            start_xvfb
        else
            echo "$DISPLAY" > "$display_file"
        fi
        if ! "$(qv_wine_loader wineboot)" wineboot -i >"$WINEPREFIX.boot.log" 2>&1; then
            echo "wine-prefix.sh: wineboot failed to lay the prefix $WINEPREFIX:" >&2
            tail -20 "$WINEPREFIX.boot.log" >&2
            exit 1
        fi
        rm -f "$WINEPREFIX.boot.log"
        ;;
    cleanup)
        wineserver -k 2>/dev/null || true
        stop_xvfb
        ;;
esac
