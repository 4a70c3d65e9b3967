#!/usr/bin/env bash
# with-desktop.sh [--no-wm] COMMAND [ARGS...]
# Runs COMMAND on a desktop of its own, as a user's desktop is: an Xvfb on a
# free display (1280x1024, 24 bits) with the openbox window manager on it.
# It waits until the window manager has taken the screen, runs COMMAND with
# DISPLAY set to that display, then stops the window manager and the Xvfb
# and exits with COMMAND's status. --no-wm leaves the window manager out
# (a bare X display, as the tests have it). Needs Xvfb, openbox and xprop
# (scripts/setup.sh installs them).
set -u

usage() {
    echo "usage: with-desktop.sh [--no-wm] COMMAND [ARGS...]" >&2
    exit 2
}

wm=1
if [ "${1:-}" = "--no-wm" ]; then
    wm=0
    shift
fi
[ $# -gt 0 ] || usage
for tool in Xvfb xprop $([ "$wm" = 1 ] && echo openbox); do
    command -v "$tool" >/dev/null || { echo "with-desktop.sh: $tool is missing (run scripts/setup.sh)" >&2; exit 2; }
done

log=$(mktemp -d "${TMPDIR:-/tmp}/with-desktop.XXXXXX")
xvfb=
openbox=

stop() {
    [ -n "$openbox" ] && kill "$openbox" 2>/dev/null && wait "$openbox" 2>/dev/null
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
    openbox=
    xvfb=
    rm -rf "$log"
}
trap 'stop; exit 130' INT
trap 'stop; exit 143' TERM

# A free display: one with neither a lock nor a socket whose Xvfb starts
# (another one may take the same number at the same moment: then the next).
display=
for n in $(seq 400 899); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >"$log/xvfb.log" 2>&1 &
    xvfb=$!
    for _ in $(seq 1 100); do
        [ -S "/tmp/.X11-unix/X$n" ] && break
        kill -0 "$xvfb" 2>/dev/null || break
        sleep 0.05
    done
    if kill -0 "$xvfb" 2>/dev/null && [ -S "/tmp/.X11-unix/X$n" ] && DISPLAY=:$n xprop -root >/dev/null 2>&1; then
        display=:$n
        break
    fi
    kill "$xvfb" 2>/dev/null
    wait "$xvfb" 2>/dev/null
    xvfb=
done
if [ -z "$display" ]; then
    echo "with-desktop.sh: no free X display could be started" >&2
    cat "$log/xvfb.log" >&2 2>/dev/null
    stop
    exit 1
fi
export DISPLAY=$display

# The window manager is up once it has set its check window on the root
# window (the property that tells programs a window manager runs). One that
# ends before that is started again (twice at most).
if [ "$wm" = 1 ]; then
    up=0
    for _ in 1 2 3; do
        openbox --sm-disable >"$log/openbox.log" 2>&1 &
        openbox=$!
        for _ in $(seq 1 200); do
            if xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; then
                up=1
                break
            fi
            kill -0 "$openbox" 2>/dev/null || break
            sleep 0.05
        done
        [ "$up" = 1 ] && break
        kill "$openbox" 2>/dev/null
        wait "$openbox" 2>/dev/null
        openbox=
    done
    if [ "$up" = 0 ]; then
        echo "with-desktop.sh: openbox did not start on $DISPLAY:" >&2
        cat "$log/openbox.log" >&2
        stop
        exit 1
    fi
fi

"$@"
status=$?
stop
exit $status
