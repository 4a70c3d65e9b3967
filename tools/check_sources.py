#!/usr/bin/env python3
"""Project rules that no compiler checks, over every C/C++ source file:

- a wide printf format names its argument width: %ls or %hs, never a bare %s
  (MinGW's C++ mode reads a bare %s in a wide format as a narrow string);
- no Chinese (non-ASCII) text in a narrow string literal: it would be UTF-8,
  not the ANSI code page.

String literals are found by a small lexer that skips comments, character
literals and raw strings.
"""
import os
import re
import sys

SOURCE_EXT = (".c", ".cc", ".cpp", ".h", ".hpp")
SKIP_DIRS = {"build", ".git", "third_party"}
BARE_S = re.compile(r'%[-+ #0-9.*]*s')
IDENT = re.compile(r'[A-Za-z0-9_]')


def literals(text):
    """Yields (line number, prefix, body) for every string literal."""
    i, line, n = 0, 1, len(text)
    while i < n:
        c = text[i]
        if c == "\n":
            line += 1
            i += 1
        elif text.startswith("//", i):
            j = text.find("\n", i)
            i = n if j < 0 else j
        elif text.startswith("/*", i):
            j = text.find("*/", i + 2)
            j = n if j < 0 else j + 2
            line += text.count("\n", i, j)
            i = j
        elif c == "'":
            j = i + 1
            while j < n and text[j] != "'" and text[j] != "\n":
                j += 2 if text[j] == "\\" else 1
            i = j + 1
        elif c == '"':
            k = i
            while k > 0 and IDENT.match(text[k - 1]):
                k -= 1
            prefix = text[k:i]
            if prefix.endswith("R"):
                m = re.match(r'"([^(\s]*)\(', text[i:])
                end = text.find(")" + (m.group(1) if m else "") + '"', i)
                end = n if end < 0 else end + len(m.group(1) if m else "") + 2
                line += text.count("\n", i, end)
                i = end
                continue
            j = i + 1
            while j < n and text[j] != '"' and text[j] != "\n":
                j += 2 if text[j] == "\\" else 1
            yield line, prefix, text[i + 1:j]
            i = j + 1
        else:
            i += 1


def check(path, problems):
    with open(path, encoding="utf-8", errors="replace") as f:
        text = f.read()
    for line, prefix, body in literals(text):
        wide = prefix in ("L", "u", "U")
        if wide and BARE_S.search(body):
            problems.append(f"{path}:{line}: bare %s in a wide format (use %ls or %hs)")
        if not wide and any(ord(ch) > 127 for ch in body):
            problems.append(f"{path}:{line}: non-ASCII text in a narrow literal")


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
