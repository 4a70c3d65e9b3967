#!/usr/bin/env python3
"""Project rules that no compiler checks, over every C/C++ source file:

- a wide printf format names its argument width: %ls or %hs, never a bare %s
  (MinGW's C++ mode reads a bare %s in a wide format as a narrow string);
- no Chinese (non-ASCII) text in a narrow string literal: it would be UTF-8,
  not the ANSI code page.
"""
import os
import re
import sys

SOURCE_EXT = (".c", ".cc", ".cpp", ".h", ".hpp")
SKIP_DIRS = {"build", ".git", "third_party"}
WIDE_LITERAL = re.compile(r'L"((?:[^"\\]|\\.)*)"')
NARROW_LITERAL = re.compile(r'(?<![A-Za-z0-9_])(?:u8)?"((?:[^"\\]|\\.)*)"')
BARE_S = re.compile(r'%[-+ #0-9.*]*s')


def check(path, problems):
    with open(path, encoding="utf-8", errors="replace") as f:
        for number, line in enumerate(f, 1):
            stripped = line.strip()
            if stripped.startswith("//") or stripped.startswith("*"):
                continue
            for m in WIDE_LITERAL.finditer(line):
                if BARE_S.search(m.group(1)):
                    problems.append(f"{path}:{number}: bare %s in a wide format (use %ls or %hs)")
            for m in NARROW_LITERAL.finditer(line):
                start = m.start()
                if start > 0 and line[start - 1] in "Lu":
                    continue
                if any(ord(c) > 127 for c in m.group(1)):
                    problems.append(f"{path}:{number}: non-ASCII text in a narrow literal")


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else "."
    problems = []
    files = 0
    for top, dirs, names in os.walk(root):
        dirs[:] = [d for d in dirs if d not in SKIP_DIRS and not d.startswith(".")]
        for name in names:
            if name.endswith(SOURCE_EXT):
                files += 1
                check(os.path.join(top, name), problems)
    for p in problems:
        print(p)
    print(f"{files} files checked")
    print(f"{0 if problems else 1} passed, {1 if problems else 0} failed")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
