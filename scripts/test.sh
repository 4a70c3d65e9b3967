#!/usr/bin/env bash
# Sets up a fresh machine and runs every test: the native build (portable
# code, stand-in servers, source checks), the same portable tests under
# AddressSanitizer and UBSan, and the Windows build (every deliverable, its
# tests under Wine in a fresh prefix).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

for preset in native sanitize windows; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
done

status=0
ctest --preset native || status=1
ctest --preset sanitize || status=1
ctest --preset windows || status=1
exit $status
