#!/usr/bin/env bash
# Runs Windows test programs again and again the way CTest runs them (their
# output read through a pipe, the test over only once that pipe has closed)
# and counts the runs that did not end: a program still running after its
# time limit, or a program that ended while something else still held its
# output pipe open ("PASSED, then a hang until the time-out").
#
#   scripts/exit-hang-loop.sh [--rounds N | --runs N] [--limit S]
#                             [--load PROGRAM] [--prefix-script FILE]
#                             PROGRAM[:x][@K]...
#
# Everything runs in one prefix laid by the prefix script for the whole
# loop, with the load program (a GUI test program) run again and again
# beside it. ":x" marks a program that needs the display.
#   --rounds N  N rounds; each starts every PROGRAM and the load at the same
#               moment, as a CTest run of the Windows suite starts its
#               tests, and ends when its programs have all ended or hit the
#               limit; the load is then stopped, so that the prefix may go
#               idle between rounds as it does between tests.
#   --runs N    every PROGRAM runs N times in its own loop, K loops at once
#               ("@K", 1 by default), while the load runs throughout.
# A run that hangs is reported with the processes that hold its pipe (pid,
# program, fd), or, when the program itself is still running, its threads
# and where they wait. --prefix-script names the fixture script to compare
# (cmake/wine-prefix.sh of this tree by default).
#
# Needs the windows build (build/windows/tests). The figures go to stdout.
set -u
cd "$(dirname "$0")/.."
root=$PWD
rounds=20
runs=0
limit=60
load=clientui_richedit_tests:x
prefix_script=$root/cmake/wine-prefix.sh
programs=()
while [ $# -gt 0 ]; do
    case $1 in
        --rounds) rounds=$2; shift 2 ;;
        --runs) runs=$2; shift 2 ;;
        --limit) limit=$2; shift 2 ;;
        --load) load=$2; shift 2 ;;
        --prefix-script) prefix_script=$2; shift 2 ;;
        *) programs+=("$1"); shift ;;
    esac
done
[ ${#programs[@]} -gt 0 ] || { echo "usage: $0 [options] PROGRAM[:x]..." >&2; exit 2; }

tests=$root/build/windows/tests
work=$(mktemp -d "${TMPDIR:-/tmp}/exit-hang-loop.XXXXXX")
export WINEPREFIX=$work/prefix
unset DISPLAY
"$prefix_script" setup || exit 1
export DISPLAY
DISPLAY=$(cat "$WINEPREFIX.display")

# command_of NAME[:x]: wine-run.sh's arguments for the program.
command_of() {
    local name=${1%@*}
    name=${name%:x}
    local x= args=
    [ "${1%@*}" != "$name" ] && x=--x
    # The screen-picture stand-in's test takes the library it tests.
    [ "$name" = screenshot_test ] && args=$root/build/windows/bin/Screenshot.dll
    echo "$x $tests/$name.exe $args"
}

# holders INODE: every process with that pipe open, one a line.
holders() {
    local fd
    for fd in /proc/[0-9]*/fd/*; do
        [ "$(readlink "$fd" 2>/dev/null)" = "pipe:[$1]" ] || continue
        local pid=${fd#/proc/}
        pid=${pid%%/*}
        echo "    pid $pid fd ${fd##*/}: $(tr '\0' ' ' </proc/$pid/cmdline 2>/dev/null | cut -c1-80)"
    done | sort -u
}

# One run: the program's output through a pipe into a reader, as CTest
# reads it. Prints "<name> <outcome> <seconds from the program's end to the
# pipe's end>".
run_one() {
    local name=${1%@*} log=$2 cmd
    cmd=$(command_of "$name")
    ( { $root/cmake/wine-run.sh $cmd & echo $! >"$log.pid"; wait $!; echo "__exit $? $(date +%s%N)"; } 2>&1 | cat >"$log" ) &
    local pid=$! start now reader inode= reported=0
    start=$(date +%s)
    while kill -0 "$pid" 2>/dev/null; do
        now=$(date +%s)
        if [ -z "$inode" ]; then
            reader=$(pgrep -P "$pid" -x cat | head -1)
            [ -n "$reader" ] && inode=$(readlink "/proc/$reader/fd/0" 2>/dev/null | tr -dc 0-9)
        fi
        if [ $reported = 0 ] && grep -q '^__exit' "$log" 2>/dev/null && [ $((now - start)) -ge 3 ]; then
            local ended
            ended=$(awk '/^__exit/{print $3}' "$log")
            if [ $(( ($(date +%s%N) - ended) / 1000000000 )) -ge 5 ]; then
                { echo "  $name: ended, pipe still open 5 s later; held by:"; holders "$inode"; } >>"$work/holders.txt"
                reported=1
            fi
        fi
        if [ $((now - start)) -ge "$limit" ]; then
            if ! grep -q '^__exit' "$log" 2>/dev/null; then
                { echo "  $name: still running after ${limit}s; its threads:"
                  local p
                  p=$(cat "$log.pid")
                  for t in /proc/$p/task/*; do echo "    $p/${t##*/} $(cat $t/comm) $(cat $t/wchan 2>/dev/null)"; done
                  echo "    processes holding its pipe:"; holders "$inode"
                  } >>"$work/holders.txt"
            fi
            kill -KILL "$(cat "$log.pid")" 2>/dev/null
            [ -n "$reader" ] && kill "$reader" 2>/dev/null
            kill "$pid" 2>/dev/null
            break
        fi
        sleep 0.2
    done
    wait "$pid" 2>/dev/null
    local outcome hold=0
    if grep -q '^__exit 0' "$log"; then
        outcome=passed
    elif grep -q '^__exit' "$log"; then
        outcome=failed
    else
        outcome=still-running
    fi
    if grep -q '^__exit' "$log"; then
        local ended
        ended=$(awk '/^__exit/{print $3}' "$log")
        hold=$(( ($(date +%s%N) - ended) / 1000000 ))
        [ $hold -ge 5000 ] && outcome="$outcome,pipe-held"
    fi
    echo "$name $outcome $hold"
}

load_loop() {
    local cmd
    cmd=$(command_of "$load")
    while :; do
        $root/cmake/wine-run.sh $cmd >/dev/null 2>&1 &
        echo $! >"$work/load.pid"
        wait $!
    done
}

: >"$work/results.txt"
if [ "$runs" -gt 0 ]; then
    load_loop &
    load_pid=$!
    for spec in "${programs[@]}"; do
        workers=1
        [ "${spec#*@}" != "$spec" ] && workers=${spec#*@}
        for w in $(seq 1 "$workers"); do
            (
                for r in $(seq "$w" "$workers" "$runs"); do
                    base=${spec%@*}
                    run_one "$spec" "$work/$r.${base%:x}.log"
                done >>"$work/results.txt"
            ) &
        done
    done
    wait $(jobs -p | grep -v "^$load_pid$") 2>/dev/null
    kill "$load_pid" 2>/dev/null
    wait "$load_pid" 2>/dev/null
    kill "$(cat "$work/load.pid")" 2>/dev/null
    rounds=0
fi
for round in $(seq 1 "$rounds"); do
    load_loop &
    load_pid=$!
    for name in "${programs[@]}"; do
        base=${name%@*}
        run_one "$name" "$work/$round.${base%:x}.log" >>"$work/results.txt" &
    done
    wait $(jobs -p | grep -v "^$load_pid$") 2>/dev/null
    kill "$load_pid" 2>/dev/null
    wait "$load_pid" 2>/dev/null
    kill "$(cat "$work/load.pid")" 2>/dev/null
    sleep 0.5
done

"$prefix_script" cleanup
rm -rf "$WINEPREFIX" "$WINEPREFIX".*
echo "rounds $rounds, runs $runs, limit ${limit}s, load ${load}, prefix script ${prefix_script#$root/}"
awk '{ runs[$1]++; if ($2 == "passed") ok[$1]++; if ($2 ~ /pipe-held|still-running/) hung[$1]++;
       if ($3 > max[$1]) max[$1] = $3 }
     END { for (p in runs) printf "%-28s runs %4d  passed %4d  hung %4d  longest pipe hold after exit %d ms\n",
                                   p, runs[p], ok[p], hung[p], max[p] }' "$work/results.txt" | sort
if [ -s "$work/holders.txt" ]; then
    echo "hangs:"
    cat "$work/holders.txt"
fi
echo "(logs in $work)"
