#!/usr/bin/env bash
# Runs one Windows program under Wine the way every test does: quiet, no
# runtime installers, a crash ends the program, ANSI code page 936, and the
# X display of the test run (see wine-prefix.sh), so that programs with
# windows work. "--x" marks a program that needs that display.
set -u
. "$(dirname "$0")/wine-env.sh"
: "${WINEPREFIX:=${TMPDIR:-/tmp}/qorvane-wine64-$(id -u)}"
export WINEPREFIX

needs_x=0
if [ "${1:-}" = "--x" ]; then
    needs_x=1
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
exec "$loader" "$@"
