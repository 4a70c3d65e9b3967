#!/usr/bin/env bash
# Takes a screenshot of Tavrel.exe's log-on panel under an Xvfb of its own.
#   shoot_logon.sh <bin folder> <out.png> [wine prefix]
# The program is started from a copy of the bin folder (no server is needed
# to show the panel) and ended after the picture is taken.
set -eu
bin=$1
out=$2
if [ $# -ge 3 ]; then export WINEPREFIX=$3; fi
here=$(cd "$(dirname "$0")" && pwd)
runner=$here/../../cmake/wine-run.sh
work=$(mktemp -d)
cp -r "$bin" "$work/app"

display=:$((200 + RANDOM % 600))
Xvfb "$display" -screen 0 800x600x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true; rm -rf "$work"' EXIT
sleep 1
DISPLAY=$display "$runner" "$work/app/Tavrel.exe" &
program=$!
sleep "${SHOOT_DELAY:-8}"
# The panel (366 x 268) is centred on the screen.
DISPLAY=$display import -window root -crop 390x290+205+150 +repage "$out"
# Ending the display ends the program too.
kill "$program" 2>/dev/null || true
wait "$program" 2>/dev/null || true
echo "wrote $out"
