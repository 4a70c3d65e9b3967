#!/usr/bin/env python3
"""Writes PinyinTable.cpp, the syllable table of CPinyinConverter, from the
Unihan database (Debian package unicode-data, /usr/share/unicode).

    make_pinyin_table.py [--unihan DIR] [--output FILE] [--check]

With --check nothing is written: the script fails when FILE differs from what
it would write (the build's test that the kept table is the generated one).

The table is keyed by the GB2312 row/cell code (row * 100 + cell) of a
double-byte character:

- Level-1 characters (rows 16 to 55) are ordered by their reading in the
  character set, so they are stored as consecutive ranges, one per syllable.
  The ranges are found from the data: a dynamic programme picks the split
  into ranges in alphabetical order that agrees best with the characters'
  readings (a character with several readings sits where the character set
  put it, which is not always the reading Unihan lists first; a character
  whose reading is not among the table's syllables joins a neighbouring range).
- Level-2 characters (rows 56 to 87) are ordered by radical, so each code has
  its own entry: the character's first Mandarin reading that is one of the
  table's syllables, else its first such reading in the other Unihan reading
  fields, else none (the converter then yields "?").

Syllables are spelled in upper case without tones. The table uses exactly the
syllables listed in SYLLABLES below; "lu" and "nu" with a diaeresis are stored
as "L" and "N" followed by the code-page-936 characters for u-diaeresis
(0xA8 0xB9) and u-diaeresis-macron (0xA8 0xB5); "lue" and "nue" are spelled
with a plain U. A reading outside this set does not enter the table.

The output depends only on the Unihan files: the same data gives the same
file, byte for byte.
"""
import argparse
import bz2
import io
import os
import re
import sys
import unicodedata

SYLLABLES = """
A AI AN ANG AO BA BAI BAN BANG BAO BEI BEN BENG BI BIAN BIAO BIE BIN BING BO BU
CA CAI CAN CANG CAO CE CEN CENG CHA CHAI CHAN CHANG CHAO CHE CHEN CHENG CHI
CHONG CHOU CHU CHUAI CHUAN CHUANG CHUI CHUN CHUO CI CONG COU CU CUAN CUI CUN CUO
DA DAI DAN DANG DAO DE DENG DI DIA DIAN DIAO DIE DING DIU DONG DOU DU DUAN DUI
DUN DUO E EN ER FA FAN FANG FEI FEN FENG FO FOU FU GA GAI GAN GANG GAO GE GEI
GEN GENG GONG GOU GU GUA GUAI GUAN GUANG GUI GUN GUO HA HAI HAN HANG HAO HE HEI
HEN HENG HONG HOU HU HUA HUAI HUAN HUANG HUI HUN HUO JI JIA JIAN JIANG JIAO JIE
JIN JING JIONG JIU JU JUAN JUE JUN KA KAI KAN KANG KAO KE KEN KENG KONG KOU KU
KUA KUAI KUAN KUANG KUI KUN KUO LA LAI LAN LANG LAO LE LEI LENG LI LIA LIAN
LIANG LIAO LIE LIN LING LIU LONG LOU LU LUAN LUE LUN LUO M MA MAI MAN MANG MAO
ME MEI MEN MENG MI MIAN MIAO MIE MIN MING MO MOU MU N NA NAI NAN NANG NAO NE NEI
NEN NENG NI NIAN NIANG NIAO NIE NIN NING NIU NONG NOU NU NUAN NUE NUO O OU PA
PAI PAN PANG PAO PEI PEN PENG PI PIAN PIAO PIE PIN PING PO POU PU QI QIA QIAN
QIANG QIAO QIE QIN QING QIONG QIU QU QUAN QUE QUN RAN RANG RAO RE REN RENG RI
RONG ROU RU RUAN RUI RUN RUO SA SAI SAN SANG SAO SE SEN SENG SHA SHAI SHAN SHANG
SHAO SHE SHEN SHENG SHI SHOU SHU SHUA SHUAI SHUAN SHUANG SHUI SHUN SHUO SI SONG
SOU SU SUAN SUI SUN SUO TA TAI TAN TANG TAO TE TENG TI TIAN TIAO TIE TING TONG
TOU TU TUAN TUI TUN TUO WA WAI WAN WANG WEI WEN WENG WO WU XI XIA XIAN XIANG
XIAO XIE XIN XING XIONG XIU XU XUAN XUE XUN YA YAN YANG YAO YE YI YIN YING YO
YONG YOU YU YUAN YUE YUN ZA ZAI ZAN ZANG ZAO ZE ZEI ZEN ZENG ZHA ZHAI ZHAN ZHANG
ZHAO ZHE ZHEN ZHENG ZHI ZHONG ZHOU ZHU ZHUA ZHUAI ZHUAN ZHUANG ZHUI ZHUN ZHUO ZI
ZONG ZOU ZU ZUAN ZUI ZUN ZUO
""".split()

# Toneless readings with a diaeresis and how the table spells them.
DIAERESIS = {"LÜ": "L\xfc", "NÜ": "N\u01d6", "LÜE": "LUE", "NÜE": "NUE"}
# The C++ spelling of the two syllables that keep their diaeresis (GBK bytes).
CPP_SPELLING = {"L\xfc": "L\\xA8\\xB9", "N\u01d6": "N\\xA8\\xB5"}

ALL_SYLLABLES = SYLLABLES + ["L\xfc", "N\u01d6"]
SYLLABLE_SET = set(ALL_SYLLABLES)

LEVEL1_FIRST, LEVEL1_LAST = 1601, 5589
LEVEL2_FIRST, LEVEL2_LAST = 5601, 8794

# Reading fields in the order they are trusted; kMandarin gives the most
# common reading first.
READING_FIELDS = ["kMandarin", "kHanyuPinlu", "kXHC1983", "kTGHZ2013", "kHanyuPinyin"]


def open_unihan(folder, name):
    path = os.path.join(folder, name)
    if os.path.exists(path):
        return open(path, encoding="utf-8")
    if os.path.exists(path + ".bz2"):
        return bz2.open(path + ".bz2", "rt", encoding="utf-8")
    sys.exit(f"make_pinyin_table: {path}(.bz2) not found (install unicode-data)")


def read_field(folder, name, fields):
    """{field: {code point: value}} for the wanted fields of one Unihan file."""
    out = {f: {} for f in fields}
    with open_unihan(folder, name) as f:
        for line in f:
            if line.startswith("#") or not line.strip():
                continue
            cp, field, value = line.rstrip("\n").split("\t", 2)
            if field in out:
                out[field][int(cp[2:], 16)] = value
    return out


def toneless(reading):
    """'lǘ' -> 'LÜ', 'zhāng' -> 'ZHANG'; the diaeresis is kept."""
    decomposed = unicodedata.normalize("NFD", reading)
    kept = "".join(c for c in decomposed if not unicodedata.combining(c) or c == "\u0308")
    return unicodedata.normalize("NFC", kept).upper()


def table_spelling(reading):
    s = toneless(reading)
    return DIAERESIS.get(s, s)


def readings_of(cp, fields):
    """The character's readings in the table's spelling, most trusted first,
    each once; readings outside the table's syllables are left out."""
    out = []
    for field in READING_FIELDS:
        value = fields[field].get(cp)
        if not value:
            continue
        for word in value.split():
            # kHanyuPinyin "10634.180:è,ā" / kXHC1983 "0002.010:ā" / kHanyuPinlu "a(1102)"
            text = word.split(":", 1)[1] if ":" in word else word
            text = re.sub(r"\(\d+\)$", "", text)
            for r in text.split(","):
                s = table_spelling(r)
                if s in SYLLABLE_SET and s not in out:
                    out.append(s)
    return out


def codes(first, last):
    for code in range(first, last + 1):
        if 1 <= code % 100 <= 94:
            yield code


def level1_ranges(gb, fields):
    """Contiguous ranges [(first, last, syllable)] over the level-1 codes."""
    seq = [c for c in codes(LEVEL1_FIRST, LEVEL1_LAST) if c in gb]
    readings = [readings_of(gb[c], fields) for c in seq]

    # The character set orders level 1 alphabetically by reading, a "u" with
    # a diaeresis sorting like a plain "u" that comes after it on a tie
    # ("lu", "lu:", "luan", "lue", "lun"; "lue" is spelled plain already).
    def alphabetical(s):
        return (s.replace("\xfc", "U").replace("\u01d6", "U"), s in CPP_SPELLING)

    order = sorted(ALL_SYLLABLES, key=alphabetical)
    index = {s: k for k, s in enumerate(order)}

    # best[k]: best score of the codes so far with the last one in syllable k;
    # the syllable index never decreases along the codes.
    n, m = len(seq), len(order)
    NEG = -1 << 30
    best = [NEG] * m
    back = []
    for i in range(n):
        score = [0] * m
        for rank, s in enumerate(readings[i]):
            if s in index:
                score[index[s]] = 3 if rank == 0 else 2
        row = [0] * m
        new = [NEG] * m
        if i == 0:
            for k in range(m):
                new[k] = score[k]
        else:
            run_best, run_arg = NEG, 0
            for k in range(m):
                if best[k] > run_best:
                    run_best, run_arg = best[k], k
                new[k] = run_best + score[k]
                row[k] = run_arg
        back.append(row)
        best = new
    k = max(range(m), key=lambda j: (best[j], -j))
    assign = [0] * n
    for i in range(n - 1, -1, -1):
        assign[i] = k
        k = back[i][k]

    ranges = []
    for code, k in zip(seq, assign):
        syllable = order[k]
        if ranges and ranges[-1][2] == syllable:
            ranges[-1][1] = code
        else:
            ranges.append([code, code, syllable])
    seen = set()
    for r in ranges:
        if r[2] in seen:
            sys.exit(f"make_pinyin_table: syllable {r[2]} split into two level-1 ranges")
        seen.add(r[2])
    return [tuple(r) for r in ranges]


def level2_slots(gb, fields):
    slots = []
    for code in range(LEVEL2_FIRST, LEVEL2_LAST + 1):
        cp = gb.get(code)
        r = readings_of(cp, fields) if cp is not None else []
        slots.append(r[0] if r else None)
    return slots


def cpp_string(s):
    return '"' + CPP_SPELLING.get(s, s) + '"'


def write_table(out, version, ranges, slots):
    index = {s: i for i, s in enumerate(ALL_SYLLABLES)}
    lines = []
    w = lines.append
    w("// Generated by make_pinyin_table.py from the Unihan database"
      + (f" ({version})" if version else "") + ". Do not edit.")
    w("//")
    w("// GB2312 row/cell codes to syllables; see PinyinTable.h for the layout.")
    w('#include "PinyinTable.h"')
    w("")
    w("namespace clientui {")
    w("namespace pinyin_table {")
    w("")
    w("// The last two are \"lu\" and \"nu\" with their code-page-936 diaeresis.")
    w("const char* const kSyllables[] = {")
    row = []
    for s in ALL_SYLLABLES:
        row.append(cpp_string(s) + ",")
        if len(" ".join(row)) > 84:
            w("    " + " ".join(row))
            row = []
    if row:
        w("    " + " ".join(row))
    w("};")
    w("")
    w("const Level1Range kLevel1Ranges[] = {")
    for first, last, s in ranges:
        w(f"    {{{first}, {last}, {index[s]}}},  // {CPP_SPELLING.get(s, s)}")
    w("};")
    w("")
    w("// Syllable index + 1 per code from kLevel2First; 0: no syllable.")
    w("const uint16_t kLevel2Slots[] = {")
    values = [str(index[s] + 1) if s else "0" for s in slots]
    for i in range(0, len(values), 20):
        w("    " + ", ".join(values[i:i + 20]) + ",")
    w("};")
    w("")
    w(f"const size_t kSyllableCount = {len(ALL_SYLLABLES)};")
    w(f"const size_t kLevel1RangeCount = {len(ranges)};")
    w(f"const size_t kLevel2SlotCount = {len(slots)};")
    w("")
    w("}  // namespace pinyin_table")
    w("}  // namespace clientui")
    out.write("\n".join(lines) + "\n")


def unihan_version(folder):
    try:
        with open_unihan(folder, "Unihan_Readings.txt") as f:
            for line in f:
                if not line.startswith("#"):
                    break
                m = re.search(r"Unicode (?:version|Version|data)?\s*:?\s*([0-9][0-9.]*)", line)
                if m:
                    return "Unicode " + m.group(1).rstrip(".")
    except OSError:
        pass
    return ""


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--unihan", default="/usr/share/unicode")
    ap.add_argument("--output", default=os.path.join(here, "PinyinTable.cpp"))
    ap.add_argument("--check", action="store_true", help="compare with FILE instead of writing it")
    args = ap.parse_args()

    mappings = read_field(args.unihan, "Unihan_OtherMappings.txt", ["kGB0"])["kGB0"]
    gb = {}
    for cp, value in mappings.items():
        gb[int(value)] = cp
    fields = read_field(args.unihan, "Unihan_Readings.txt", READING_FIELDS)

    # The GB2312 codes of Unihan must agree with the GB2312 codec.
    for code, cp in gb.items():
        raw = bytes([code // 100 + 0xA0, code % 100 + 0xA0])
        if raw.decode("gb2312") != chr(cp):
            sys.exit(f"make_pinyin_table: kGB0 {code} disagrees with the gb2312 codec")

    ranges = level1_ranges(gb, fields)
    slots = level2_slots(gb, fields)
    text = io.StringIO()
    write_table(text, unihan_version(args.unihan), ranges, slots)
    if args.check:
        try:
            with open(args.output, encoding="ascii", newline="") as f:
                kept = f.read()
        except OSError:
            kept = None
        if kept != text.getvalue():
            sys.exit(f"make_pinyin_table: {args.output} is not the generated table; run the script")
        print(f"{args.output}: up to date")
        return
    with open(args.output, "w", encoding="ascii", newline="\n") as out:
        out.write(text.getvalue())
    known = sum(1 for s in slots if s)
    print(f"{args.output}: {len(ranges)} level-1 ranges, {known} level-2 entries, "
          f"{len(set(r[2] for r in ranges) | set(s for s in slots if s))} syllables")


if __name__ == "__main__":
    main()
