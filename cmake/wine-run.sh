#!/usr/bin/env bash
# Runs one Windows program under Wine the way every test does:
# quiet, no runtime installers, a crash ends the program, ANSI code page 936.
# WINEPREFIX is set by the CTest fixture (a fresh prefix per test run);
# a program that needs a window is started with --x (its own Xvfb).
set -u
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
export LC_ALL=zh_CN.UTF-8
export WINEARCH=win32
: "${WINEPREFIX:=${TMPDIR:-/tmp}/qorvane-wine-$(id -u)}"
export WINEPREFIX

if [ "${1:-}" = "--x" ]; then
    shift
    exec xvfb-run -a -s "-screen 0 1280x1024x24" wine "$@"
fi
exec wine "$@"
