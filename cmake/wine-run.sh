#!/usr/bin/env bash
# Runs one Windows program under Wine the way every test does: quiet, no
# runtime installers, a crash ends the program, ANSI code page 936, and the
# X display of the test run (see wine-prefix.sh), so that programs with
# windows work. "--x" marks a program that needs that display; "--wm"
# (after it) runs a window manager on that display while the program runs.
# The test display has none, and without one Wine's X11 driver waits two
# seconds for a window manager's answer each time it hides a window that it
# had shown ("fixme:event:wait_for_withdrawn_state ... wait timed out"), as
# the programs do at exit; a user's desktop always has one. Only tests that
# run alone (RUN_SERIAL) may use it: it manages every window of the display.
set -u
. "$(dirname "$0")/wine-env.sh"
: "${WINEPREFIX:=${TMPDIR:-/tmp}/qorvane-wine64-$(id -u)}"
export WINEPREFIX

needs_x=0
if [ "${1:-}" = "--x" ]; then
    needs_x=1
    shift
fi
with_wm=0
if [ "${1:-}" = "--wm" ]; then
    with_wm=1
    shift
fi
loader=$(qv_wine_loader "$1") || exit 1
if [ -z "${DISPLAY:-}" ] && [ -f "$WINEPREFIX.display" ]; then
    DISPLAY=$(cat "$WINEPREFIX.display")
    export DISPLAY
fi
if [ "$needs_x" = 1 ] && [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "$loader" "$@"
fi
if [ "$with_wm" = 1 ] && [ -n "${DISPLAY:-}" ]; then
    openbox </dev/null >/dev/null 2>&1 &
    wm=$!
    # Up once it has set its check window on the root window (5 s at most).
    for _ in $(seq 1 100); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
        kill -0 "$wm" 2>/dev/null || break
        sleep 0.05
    done
    "$loader" "$@"
    status=$?
    kill "$wm" 2>/dev/null
    wait "$wm" 2>/dev/null
    exit $status
fi
exec "$loader" "$@"
