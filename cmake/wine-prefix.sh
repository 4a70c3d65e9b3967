#!/usr/bin/env bash
# CTest fixture: "setup" lays a fresh Wine prefix for this test run,
# "cleanup" ends its wine server.
set -eu
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
export LC_ALL=zh_CN.UTF-8
export WINEARCH=win32
: "${WINEPREFIX:?WINEPREFIX must be set}"
case "$1" in
    setup)
        wineserver -k 2>/dev/null || true
        rm -rf "$WINEPREFIX"
        mkdir -p "$(dirname "$WINEPREFIX")"
        wineboot -i >/dev/null 2>&1
        wineserver -w
        ;;
    cleanup)
        wineserver -k 2>/dev/null || true
        ;;
esac
