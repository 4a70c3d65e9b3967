#!/usr/bin/env bash
# with-desktop.sh [--no-wm] COMMAND [ARGS...]
# Runs COMMAND on an X display of its own, as a user's desktop has it: Xvfb
# on a free display (1280x1024, 24 bits) with the openbox window manager
# started on it (not with --no-wm). COMMAND sees DISPLAY; the display and
# the window manager end with it; the exit status is COMMAND's.
set -u
wm=1
if [ "${1:-}" = "--no-wm" ]; then
    wm=0
    shift
fi
[ $# -gt 0 ] || { echo "usage: with-desktop.sh [--no-wm] COMMAND [ARGS...]" >&2; exit 2; }
command -v Xvfb >/dev/null || { echo "with-desktop.sh: Xvfb is not installed" >&2; exit 1; }
if [ "$wm" = 1 ] && ! command -v openbox >/dev/null; then
    echo "with-desktop.sh: openbox is not installed (scripts/setup.sh installs it)" >&2
    exit 1
fi
work=$(mktemp -d)
# Xvfb picks a free display itself and writes its number.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xpid=$!
for _ in $(seq 1 100); do
    [ -s "$work/display" ] && break
    kill -0 "$xpid" 2>/dev/null || break
    sleep 0.1
done
if [ ! -s "$work/display" ]; then
    echo "with-desktop.sh: Xvfb did not start:" >&2
    cat "$work/xvfb.log" >&2
    kill "$xpid" 2>/dev/null
    rm -rf "$work"
    exit 1
fi
DISPLAY=:$(head -n1 "$work/display")
export DISPLAY
wmpid=
if [ "$wm" = 1 ]; then
    openbox >"$work/openbox.log" 2>&1 &
    wmpid=$!
    # openbox owns the screen's window-manager selection once it runs.
    for _ in $(seq 1 50); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
        kill -0 "$wmpid" 2>/dev/null || break
        sleep 0.1
    done
fi
"$@"
status=$?
[ -n "$wmpid" ] && kill "$wmpid" 2>/dev/null && wait "$wmpid" 2>/dev/null
kill "$xpid" 2>/dev/null
wait "$xpid" 2>/dev/null
rm -rf "$work"
exit $status
