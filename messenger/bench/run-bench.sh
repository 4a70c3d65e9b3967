#!/usr/bin/env bash
# run-bench.sh [<Windows build folder>] [im_bench options...]
# The messenger's benchmark in one run, printing the whole table:
#   - generates the organisation from messenger/tests/data: 小明 (12345)
#     gets 2,000 friends in 20 categories, one in four of them online;
#   - starts the stand-in chat and file servers (with-desk-server.sh) and
#     runs im_bench under Wine on a desktop of its own
#     (scripts/with-desktop.sh: Xvfb with a window manager), in a Wine prefix
#     of its own beside the build (made on the first run); the log-on alone
#     first on a display without a window manager, for the second row of
#     item 1;
#   - stops the servers and that prefix's wine server.
# Options: --friends N --opens N --messages N --chats N --records N
# --history-opens N --idle-seconds N (defaults: 2,000 friends, 50 opens,
# 1,000 messages, 20 chats, a history of 100,000 records opened 10 times,
# 30 s idle). The build folder defaults to build/windows. Nothing fails on a
# figure; the exit is non-zero only when the run itself failed.
set -u
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${1:-$root/build/windows}
[ $# -gt 0 ] && shift
build=$(cd "$build" && pwd)
friends=2000
args=("$@")
while [ $# -gt 0 ]; do
    case $1 in
    --friends) friends=$2; shift ;;
    esac
    shift
done
bench=$build/bench/im_bench.exe
server=$build/host-standins/chatserver/chatserver
fileserver=$build/host-standins/fileserver/qv-fileserver
for f in "$bench" "$server" "$fileserver" "$build/bin/IM.exe"; do
    [ -e "$f" ] || { echo "missing $f: build the windows preset first (cmake --build $build --target im_bench)" >&2; exit 1; }
done
work=$build/bench/im
rm -rf "$work"
mkdir -p "$work/src"

# The organisation (UTF-8; with-desk-server.sh converts it to GBK).
cp "$root/messenger/tests/data/"{accounts,world,desk}.txt "$work/src/"
python3 - "$work/src" "$friends" <<'PY' || { echo "run-bench.sh: the organisation could not be written" >&2; exit 1; }
import sys
folder, friends = sys.argv[1], int(sys.argv[2])
surnames = "王李张刘陈杨黄赵吴周徐孙马朱胡郭何高林罗郑梁谢宋唐许韩冯邓曹彭曾肖田董袁潘于蒋蔡余杜叶程苏魏吕丁任沈"
given = ["伟", "芳", "娜", "敏", "静", "丽", "强", "磊", "军", "洋", "勇", "艳", "杰", "娟", "涛", "明", "超", "秀兰",
         "霞", "平", "刚", "桂英", "建华", "文", "华", "红", "志强", "海燕", "小红", "晓东", "玉兰", "建国", "婷"]
def name(i):
    return surnames[i % len(surnames)] + given[(i // len(surnames)) % len(given)] + given[(i * 7 + 3) % len(given)][:1]
accounts, world = [], []
# 小明 (12345) has the tests' 3 categories (我的好友, 同事, 黑名单) and 5
# friends; 17 more categories (20 in all) and friends up to `friends`, the
# first 30 generated ones in 我的好友, so that the chats of the benchmark
# are at hand.
for c in range(4, 21):
    world.append("category 12345 %d %d 好友分组%02d" % (c, 9 - c // 3, c))
for k in range(max(0, friends - 5)):
    uid = 300001 + k
    category = 1 if k < 30 else 2 + k % 19
    accounts.append("%d secret" % uid)
    world.append("user %d 0 0 %s | 签名 %d" % (uid, name(k), k))
    world.append("friend 12345 %d %d -" % (uid, category))
    if k % 4 == 3:
        world.append("present %d 1" % uid)
for file, lines in (("accounts.txt", accounts), ("world.txt", world)):
    with open(folder + "/" + file, "a", encoding="utf-8") as f:
        f.write("\n" + "\n".join(lines) + "\n")
PY

export WINEPREFIX=$build/bench-wineprefix
# The driver runs from a folder of its own: the engine host of its baseline
# keeps its files beside the program, and every run starts without them.
mkdir -p "$work/driver"
cp "$bench" "$work/driver/"
bench=$work/driver/im_bench.exe
export QV_BENCH_WORLD_FILE=$work/run/data/world.txt

# The log-on alone, on a display without a window manager.
export QV_BENCH_LOGON_NO_WM=$work/logon-no-wm.txt
: > "$QV_BENCH_LOGON_NO_WM"
"$root/desk/tests/with-desk-server.sh" --fileserver "$fileserver" "$server" "$work/src" "$build/bin" "$work/run-no-wm" \
    "$root/scripts/with-desktop.sh" --no-wm "$root/cmake/wine-run.sh" --x "$bench" --logon-only "${args[@]}" \
    > "$QV_BENCH_LOGON_NO_WM" 2> "$work/logon-no-wm.log" ||
    echo "run-bench.sh: the log-on without a window manager failed (see $work/logon-no-wm.log)" >&2
sed -i 's/\r$//' "$QV_BENCH_LOGON_NO_WM"
wineserver -k 2>/dev/null

"$root/desk/tests/with-desk-server.sh" --fileserver "$fileserver" "$server" "$work/src" "$build/bin" "$work/run" \
    "$root/scripts/with-desktop.sh" "$root/cmake/wine-run.sh" --x "$bench" "${args[@]}"
status=$?
wineserver -k 2>/dev/null
exit $status
