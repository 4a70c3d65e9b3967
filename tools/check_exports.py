#!/usr/bin/env python3
"""Checks an engine library's export table without running it.

    check_exports.py <ImEngineApi.h> <Kestrin.dll> <Ulvarn.dll>

The names come from the header's IM_ENGINE_EXPORTS list: every name for the
desk engine (41), the "both" names for the messenger engine (23). Each
library must export exactly its names, undecorated and by name only. Works
on the 32-bit and the 64-bit libraries alike, so the build that cannot run
here is still checked.
"""
import re
import struct
import sys


def listed_names(header_path):
    text = open(header_path, encoding="utf-8").read()
    start = text.index("#define IM_ENGINE_EXPORTS(X)")
    end = text.index("#endif", start)
    pairs = re.findall(r"X\((\w+),\s*(both|desk)\)", text[start:end])
    desk = [name for name, _ in pairs]
    messenger = [name for name, build in pairs if build == "both"]
    return desk, messenger


def exported_names(dll_path):
    data = open(dll_path, "rb").read()
    if data[:2] != b"MZ":
        raise ValueError("not a PE file")
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise ValueError("not a PE file")
    machine, sections, _, _, _, optional_size = struct.unpack_from("<HHIIIH", data, pe + 4)
    optional = pe + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    directories = optional + (96 if magic == 0x10B else 112)
    export_rva, _ = struct.unpack_from("<II", data, directories)
    table = optional + optional_size
    spans = []
    for i in range(sections):
        _, vsize, vaddr, rawsize, rawptr = struct.unpack_from("<8sIIII", data, table + 40 * i)
        spans.append((vaddr, max(vsize, rawsize), rawptr))

    def offset(rva):
        for vaddr, size, rawptr in spans:
            if vaddr <= rva < vaddr + size:
                return rva - vaddr + rawptr
        raise ValueError("address 0x%x outside the sections" % rva)

    arch = {0x14C: "i686", 0x8664: "x86_64"}.get(machine, hex(machine))
    if export_rva == 0:
        return arch, [], 0
    directory = offset(export_rva)
    functions, names, _, names_rva = struct.unpack_from("<IIII", data, directory + 20)[:4]
    name_table = offset(names_rva)
    result = []
    for i in range(names):
        rva = struct.unpack_from("<I", data, name_table + 4 * i)[0]
        at = offset(rva)
        result.append(data[at:data.index(b"\0", at)].decode("ascii"))
    return arch, result, functions - names


def main():
    if len(sys.argv) != 4:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    desk, messenger = listed_names(sys.argv[1])
    failed = False
    for path, expected, count in ((sys.argv[2], desk, 41), (sys.argv[3], messenger, 23)):
        if len(expected) != count:
            print("%s: the header lists %d names, not %d" % (path, len(expected), count))
            failed = True
            continue
        try:
            arch, names, unnamed = exported_names(path)
        except (OSError, ValueError, struct.error) as error:
            print("%s: cannot read the export table: %s" % (path, error))
            failed = True
            continue
        missing = sorted(set(expected) - set(names))
        extra = sorted(set(names) - set(expected))
        if missing or extra or unnamed or len(names) != count:
            print("%s (%s): %d names exported; missing %s; unexpected %s; %d without a name"
                  % (path, arch, len(names), missing, extra, unnamed))
            failed = True
        else:
            print("%s (%s): exactly the %d names" % (path, arch, count))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
