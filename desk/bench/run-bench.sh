#!/usr/bin/env bash
# run-bench.sh [<Windows build folder>] [desk_bench options...]
# The desk client's benchmark in one run, printing the whole table:
#   - generates the organisation from standins/demo: the manager 林晓
#     (50001) gets 5,000 customers in 20 categories and a group of 100
#     agents; the agent 陈静 (50003) gets 10,000 customers for the search;
#   - runs the message records' benchmark (history_bench) first when this
#     tree builds it, for item 5 of the table;
#   - starts the stand-in chat and file servers (with-desk-server.sh) and
#     runs desk_bench under Wine on a desktop of its own as a user has it:
#     an Xvfb with a window manager (scripts/with-desktop.sh), in a Wine
#     prefix of its own beside the build (made on the first run);
#   - before that, the log-on alone once more on a bare X display without a
#     window manager (servers and program folder started afresh), for the
#     row that shows what the missing window manager costs;
#   - stops the servers and that prefix's wine server.
# Options: --customers N --search-contacts N --opens N --messages N
# --conversations N --idle-seconds N (defaults: the sizes above, 50 opens,
# 1,000 messages, 20 conversations, 30 s idle). The build folder defaults
# to build/windows. Nothing fails on a figure; the exit is non-zero only
# when the run itself failed.
set -u
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${1:-$root/build/windows}
[ $# -gt 0 ] && shift
build=$(cd "$build" && pwd)
customers=5000
search=10000
args=("$@")
while [ $# -gt 0 ]; do
    case $1 in
    --customers) customers=$2; shift ;;
    --search-contacts) search=$2; shift ;;
    esac
    shift
done
bench=$build/bench/desk_bench.exe
server=$build/host-standins/chatserver/chatserver
fileserver=$build/host-standins/fileserver/qv-fileserver
for f in "$bench" "$server" "$fileserver" "$build/bin/Tavrel.exe"; do
    [ -e "$f" ] || { echo "missing $f: build the windows preset first (cmake --build $build --target desk_bench)" >&2; exit 1; }
done
work=$build/bench/desk
rm -rf "$work"
mkdir -p "$work/src"

# The organisation (UTF-8; with-desk-server.sh converts it to GBK).
cp "$root/standins/demo/"{accounts,world,desk}.txt "$work/src/"
python3 - "$work/src" "$customers" "$search" <<'PY' || { echo "run-bench.sh: the organisation could not be written" >&2; exit 1; }
import sys
folder, customers, search = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
surnames = "王李张刘陈杨黄赵吴周徐孙马朱胡郭何高林罗郑梁谢宋唐许韩冯邓曹彭曾肖田董袁潘于蒋蔡余杜叶程苏魏吕丁任沈"
given = ["伟", "芳", "娜", "敏", "静", "丽", "强", "磊", "军", "洋", "勇", "艳", "杰", "娟", "涛", "明", "超", "秀兰",
         "霞", "平", "刚", "桂英", "建华", "文", "华", "红", "志强", "海燕", "小红", "晓东", "玉兰", "建国", "婷"]
def name(i):
    return surnames[i % len(surnames)] + given[(i // len(surnames)) % len(given)] + given[(i * 7 + 3) % len(given)][:1]
accounts, world, desk = [], [], []
# The manager 50001: the demo's team (3 agents) and 5 customers in the
# categories 重要客户 (2) and 普通客户 (3), 17 more categories (20 in all)
# and customers up to `customers`; the first 30 extra ones in 重要客户, so
# that the conversations of the benchmark are at hand.
for c in range(4, 21):
    world.append("category 50001 %d %d 客户分组%02d" % (c, 9 - c // 3, c))
for k in range(max(0, customers - 5)):
    uid = 100001 + k
    category = 2 if k < 30 else 3 + k % 18
    n = name(k)
    accounts.append("%d demo" % uid)
    world.append("user %d 5 0 %s | 签名 %d" % (uid, n, k))
    world.append("friend 50001 %d %d -" % (uid, category))
    desk.append("friend|50001|%d|%d|0|5|%s||签名 %d" % (uid, category, n, k))
    desk.append("customer|%d|50001" % uid)
# A group of 100 agents for the manager (the demo's three and 97 more).
for a in range(97):
    aid = 51001 + a
    accounts.append("%d demo" % aid)
    world.append("user %d 4 0 坐席%03d | 值班" % (aid, a))
    desk.append("agent|%d|坐席%03d|7" % (aid, a))
    desk.append("group|50001|%d|7|坐席%03d" % (aid, a))
# The agent 陈静 (50003): `search` customers in 10 categories.
for c in range(2, 12):
    world.append("category 50003 %d %d 客户组%02d" % (c, 20 - c, c))
for k in range(search):
    uid = 200001 + k
    n = name(k * 13 + 5)
    accounts.append("%d demo" % uid)
    world.append("user %d 5 0 %s" % (uid, n))
    world.append("friend 50003 %d %d -" % (uid, 2 + k % 10))
    desk.append("friend|50003|%d|%d|0|5|%s||" % (uid, 2 + k % 10, n))
    desk.append("customer|%d|50003" % uid)
for file, lines in (("accounts.txt", accounts), ("world.txt", world), ("desk.txt", desk)):
    with open(folder + "/" + file, "a", encoding="utf-8") as f:
        f.write("\n" + "\n".join(lines) + "\n")
PY

export WINEPREFIX=$build/bench-wineprefix
# The programs' X display is the one with-desktop.sh starts, never a test
# run's (wine-run.sh would take that one from the prefix).
unset DISPLAY
rm -f "$WINEPREFIX.display"
desktop=$root/scripts/with-desktop.sh
history=$work/history.txt
: > "$history"
if [ -e "$build/bench/history_bench.exe" ]; then
    "$desktop" "$root/cmake/wine-run.sh" --x "$build/bench/history_bench.exe" > "$history" 2> "$work/history.log" ||
        echo "history_bench failed (see $work/history.log)" >> "$history"
    # The program's lines end in CR LF; the driver quotes them line by line.
    sed -i 's/\r$//' "$history"
    wineserver -k 2>/dev/null
fi

# The driver runs from a folder of its own: the engine host of its baseline
# keeps its files (lists, history) beside the program, and every run starts
# without them, as the client does.
mkdir -p "$work/driver"
cp "$bench" "$work/driver/"
bench=$work/driver/desk_bench.exe

export QV_HISTORY_FIGURES=$history
# The log-on without a window manager: the same first log-on (a fresh
# program folder and server) on a bare X display.
nowm=$work/logon-without-wm.txt
QV_BENCH_DESK_FILE=$work/run-nowm/data/desk.txt \
    "$root/desk/tests/with-desk-server.sh" --fileserver "$fileserver" "$server" "$work/src" "$build/bin" "$work/run-nowm" \
    "$desktop" --no-wm "$root/cmake/wine-run.sh" --x "$bench" --only logon "${args[@]}" > "$nowm" 2> "$work/logon-without-wm.log" ||
    echo "the log-on without a window manager failed (see $work/logon-without-wm.log)" >> "$nowm"
sed -i 's/\r$//' "$nowm"
wineserver -k 2>/dev/null
export QV_BENCH_LOGON_WITHOUT_WM=$nowm
export QV_BENCH_DESK_FILE=$work/run/data/desk.txt
"$root/desk/tests/with-desk-server.sh" --fileserver "$fileserver" "$server" "$work/src" "$build/bin" "$work/run" \
    "$desktop" "$root/cmake/wine-run.sh" --x "$bench" "${args[@]}"
status=$?
wineserver -k 2>/dev/null
exit $status
