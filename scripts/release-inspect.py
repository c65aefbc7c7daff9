#!/usr/bin/env python3
"""Reads what scripts/release.sh checks in the built Tarnwick.exe and
battery.dll, straight from their PE resources (no Windows tools needed).

  release-inspect.py versions VERSION Tarnwick.exe battery.dll
      Prints every version text of the two files: VERSIONINFO (the fixed
      file and product versions, the FileVersion and ProductVersion strings
      of each language block) and battery.dll's string 152 (the release
      number) in every language. Exit status 1 when one of them disagrees
      with VERSION (MAJOR.MINOR.RELEASE) or when Tarnwick.exe is the test
      build of the program.
  release-inspect.py release-number battery.dll
      Prints string 152 of a released battery.dll as a number (read with
      automatic base, as the program reads it); exit status 1 when absent.
"""

import re
import struct
import sys

RT_STRING = 6
RT_VERSION = 16
# Names that only the test build of the program carries (its test hooks).
TEST_BUILD_MARKERS = ("TARNWICK_TEST_",)


class PeError(Exception):
    pass


def resources(data):
    """{(type, name, language): bytes} for the numbered resources of a PE
    image."""
    if data[:2] != b"MZ":
        raise PeError("not a PE file")
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise PeError("not a PE file")
    sections, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
    optional = pe + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    directories = optional + (96 if magic == 0x10B else 112)
    root_rva, _ = struct.unpack_from("<II", data, directories + 2 * 8)
    table = optional + optional_size
    spans = [struct.unpack_from("<8xIIII", data, table + 40 * i) for i in range(sections)]

    def offset(rva):
        for virtual_size, address, raw_size, raw in spans:
            if address <= rva < address + max(virtual_size, raw_size):
                return raw + rva - address
        raise PeError("resource outside every section")

    if root_rva == 0:
        return {}
    root = offset(root_rva)

    def entries(at):
        named, numbered = struct.unpack_from("<12xHH", data, root + at)
        for i in range(named + numbered):
            name, target = struct.unpack_from("<II", data, root + at + 16 + 8 * i)
            yield (None if name & 0x80000000 else name), target

    found = {}
    for rtype, types in entries(0):
        for name, names in entries(types & 0x7FFFFFFF):
            for language, leaf in entries(names & 0x7FFFFFFF):
                if rtype is None or name is None or leaf & 0x80000000:
                    continue
                rva, size = struct.unpack_from("<II", data, root + leaf)
                start = offset(rva)
                found[(rtype, name, language)] = data[start:start + size]
    return found


def strings_of_block(block):
    """The 16 strings of a string-table block."""
    texts, at = [], 0
    for _ in range(16):
        (length,) = struct.unpack_from("<H", block, at)
        texts.append(block[at + 2:at + 2 + 2 * length].decode("utf-16-le"))
        at += 2 + 2 * length
    return texts


def string_152(found):
    """{language: text} of string 152 (block 10, entry 8)."""
    return {language: strings_of_block(data)[8]
            for (rtype, name, language), data in sorted(found.items())
            if rtype == RT_STRING and name == 152 // 16 + 1}


def version_texts(data):
    """[(what, text)] of one VERSIONINFO resource."""
    texts = []
    at = data.find(struct.pack("<I", 0xFEEF04BD))
    if at < 0:
        return [("VERSIONINFO", "no fixed part")]
    file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<IIII", data, at + 8)
    dotted = lambda ms, ls: "%d.%d.%d.%d" % (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)
    texts.append(("FILEVERSION", dotted(file_ms, file_ls)))
    texts.append(("PRODUCTVERSION", dotted(product_ms, product_ls)))
    text = data.decode("utf-16-le", "replace")
    for block in sorted(set(re.findall(r"[0-9a-fA-F]{8}(?=\0)", text))):
        for key in ("FileVersion", "ProductVersion"):
            start = text.find(key + "\0", text.find(block))
            value = text[start + len(key):].lstrip("\0").split("\0", 1)[0] if start >= 0 else "(missing)"
            texts.append((f"{key} {block}", value))
    return texts


def read_number(text):
    """A number text read as the program reads it: decimal, hexadecimal
    after 0x, octal after a leading 0."""
    text = text.strip()
    if text.lower().startswith("0x"):
        return int(text[2:], 16)
    if len(text) > 1 and text.startswith("0"):
        return int(text[1:], 8)
    return int(text, 10)


def versions(version, exe_path, dll_path):
    major, minor, release = version.split(".")
    want = {"FILEVERSION": f"{version}.0", "PRODUCTVERSION": f"{version}.0",
            "FileVersion": f"{version}.0", "ProductVersion": version}
    bad = 0
    for path in (exe_path, dll_path):
        data = open(path, "rb").read()
        found = resources(data)
        infos = [d for (t, _, _), d in found.items() if t == RT_VERSION]
        texts = version_texts(infos[0]) if len(infos) == 1 else [("VERSIONINFO", f"{len(infos)} found")]
        if path == dll_path:
            entries = string_152(found) or {"-": "(missing)"}
            texts += [(f"string 152 ({language})", text) for language, text in entries.items()]
        for what, text in texts:
            expected = want.get(what.split()[0], release if what.startswith("string") else None)
            agrees = text == expected
            bad += not agrees
            print(f"  {path}: {what} {text}" + ("" if agrees else f"  (expected {expected})"))
        if path == exe_path:
            for marker in TEST_BUILD_MARKERS:
                if marker.encode("ascii") in data or marker.encode("utf-16-le") in data:
                    print(f"  {path}: the test build of the program (it holds {marker}...), not a release")
                    bad += 1
    return 1 if bad else 0


def main(argv):
    try:
        if len(argv) == 4 and argv[0] == "versions":
            return versions(*argv[1:])
        if len(argv) == 2 and argv[0] == "release-number":
            texts = string_152(resources(open(argv[1], "rb").read()))
            if not texts:
                print(f"{argv[1]}: no string 152", file=sys.stderr)
                return 1
            print(read_number(next(iter(texts.values()))))
            return 0
    except (OSError, PeError, struct.error, ValueError) as error:
        print(f"release-inspect: {error}", file=sys.stderr)
        return 1
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
