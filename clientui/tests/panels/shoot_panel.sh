#!/usr/bin/env bash
# Takes a screenshot of the sample panel (clientui_panel_demo.exe, which lies
# beside its copy of the skin) under its own Xvfb.
#   shoot_panel.sh <clientui_panel_demo.exe> <out.png> [wine prefix]
# The picture is cropped to the panel (it opens at 40,40, 360 x 320).
set -eu
demo=$1
out=$2
if [ $# -ge 3 ]; then export WINEPREFIX=$3; fi
here=$(cd "$(dirname "$0")" && pwd)
runner=$here/../../../cmake/wine-run.sh

display=:$((200 + RANDOM % 600))
Xvfb "$display" -screen 0 640x480x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true' EXIT
sleep 1
DISPLAY=$display "$runner" "$demo" 12 &
demo_pid=$!
sleep "${SHOOT_DELAY:-8}"
DISPLAY=$display import -window root -crop 368x328+36+36 +repage "$out"
wait "$demo_pid" || true
echo "wrote $out"
