# Sourced by the scripts that run Windows programs: the environment every
# Wine process of the project runs in, and the choice of Wine's loader.
#
# Debian's "wine" wrapper picks the 32-bit loader whenever its file exists,
# even on machines whose kernel cannot start 32-bit programs, so the loader
# is chosen here from the program's own PE header: x86_64 programs run
# through wine64 in a 64-bit prefix; i686 programs need the 32-bit loader
# and a machine that can start it.
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
export LC_ALL=zh_CN.UTF-8
export WINEARCH=win64
QV_WINE64=${QV_WINE64:-/usr/lib/wine/wine64}
QV_WINE32=${QV_WINE32:-/usr/lib/wine/wine}
export WINELOADER=$QV_WINE64

# qv_pe_machine FILE: prints i686 or x86_64 (or nothing for other files).
qv_pe_machine() {
    python3 - "$1" <<'PY' 2>/dev/null
import struct, sys
try:
    with open(sys.argv[1], "rb") as f:
        head = f.read(4096)
    if head[:2] != b"MZ":
        sys.exit(0)
    pe = struct.unpack_from("<I", head, 0x3C)[0]
    if head[pe:pe + 4] != b"PE\0\0":
        sys.exit(0)
    machine = struct.unpack_from("<H", head, pe + 4)[0]
    print({0x14C: "i686", 0x8664: "x86_64"}.get(machine, ""))
except (OSError, struct.error):
    pass
PY
}

# qv_wine_loader FILE: prints the loader that runs FILE, or fails with a
# message when this machine cannot run it.
qv_wine_loader() {
    local program=$1 machine
    case $program in
        *.exe|*.EXE) machine=$(qv_pe_machine "$program") ;;
        *) machine=x86_64 ;;  # a built-in program such as wineboot or regsvr32
    esac
    case $machine in
        i686)
            if ! qv_can_run_32bit; then
                echo "wine: $program is a 32-bit program, and this machine cannot run 32-bit programs" >&2
                return 1
            fi
            echo "$QV_WINE32" ;;
        *)
            if [ ! -x "$QV_WINE64" ]; then
                echo "wine: $QV_WINE64 is missing (install the wine64 package: scripts/setup.sh)" >&2
                return 1
            fi
            echo "$QV_WINE64" ;;
    esac
}

# qv_can_run_32bit: true when Wine's 32-bit loader is installed and the
# kernel starts it (many 64-bit kernels have their 32-bit emulation off).
qv_can_run_32bit() {
    [ -x "$QV_WINE32" ] || return 1
    "$QV_WINE32" --version >/dev/null 2>&1
}
