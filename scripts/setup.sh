#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the demo need.
# Safe to run more than once. Needs root.
set -euo pipefail

if [ "$(id -u)" -ne 0 ]; then
    echo "setup.sh: run as root (it installs Debian packages)" >&2
    exit 1
fi

export DEBIAN_FRONTEND=noninteractive

# --with-wine32 also installs Wine's 32-bit loader, for machines whose
# kernel can start 32-bit programs: the 32-bit build's tests then run too.
with_wine32=0
for arg in "$@"; do
    case $arg in
        --with-wine32) with_wine32=1 ;;
        *) echo "usage: setup.sh [--with-wine32]" >&2; exit 2 ;;
    esac
done

# Both Windows builds: x86_64 (what runs here) and i686 (what the system
# ships), each with the posix thread model; wine64 runs the 64-bit build.
# openbox and x11-utils (xprop): the window manager of the desktop that
# the benchmarks and the demo run on (scripts/with-desktop.sh).
packages=(
    cmake ninja-build g++ clang llvm libclang-rt-14-dev
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix
    g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix mingw-w64-tools
    googletest
    wine wine64
    xvfb xauth imagemagick
    openbox x11-utils
    fonts-wqy-microhei locales
    python3 python3-pil
    unicode-data
)

if [ "$with_wine32" = 1 ]; then
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        dpkg --add-architecture i386
    fi
    packages+=(wine32:i386)
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ "${#missing[@]}" -gt 0 ]; then
    apt-get update -q
    apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# The zh_CN locale, so the host side (and Wine's ANSI code page) agree on GBK.
if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.utf8$'; then
    sed -i 's/^# *zh_CN.UTF-8 UTF-8/zh_CN.UTF-8 UTF-8/' /etc/locale.gen
    grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' >> /etc/locale.gen
    locale-gen >/dev/null
fi

echo "setup.sh: all packages present"
