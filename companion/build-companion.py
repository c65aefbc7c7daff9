#!/usr/bin/env python3
"""Builds battery.dll, the resource-only companion library of Tarnwick.

Steps:
  1. Each table in tables/*.txt (UTF-8, one line per table line) is checked
     and written as UTF-16LE with CR LF line ends to
     BUILD_DIR/tables-utf16/NAME.u16; only the operating-system table gets a
     byte-order mark.
  2. battery.rc is compiled with windres into a COFF object.
  3. The object is linked with resource-only.ld into a DLL that holds the
     resource section only: no code, entry point, exports or imports.

Usage:
  build-companion.py --build-dir DIR --output battery.dll
                     [--windres i686-w64-mingw32-windres]
                     [--linker i686-w64-mingw32-ld]
  build-companion.py ... --overlay DIR    (a test library: files of DIR, laid
                     out like this folder, replace the sample's, e.g.
                     DIR/tables/definitions.txt or DIR/strings/strings-en.rc)
  build-companion.py --tables-only --build-dir DIR
  build-companion.py --list-sources     (the files the DLL is made from)

The linker may be ld itself or a gcc driver (then -nostdlib is passed).
"""

import argparse
import os
import shutil
import re
import subprocess
import sys

SOURCE_DIR = os.path.dirname(os.path.abspath(__file__))

# Table source name -> (resource id, kind, byte-order mark).
TABLES = {
    "definitions": (108, "definitions", False),
    "excluded-models": (114, "models", False),
    "requirements": (164, "requirements", False),
    "os-support": (171, "os", True),
}

DEFINITION_FIELDS = ("product", "action", "version", "url", "toolFile",
                     "toolParameters", "hash")
OS_COLUMNS = 8
REQUIREMENT_COLUMNS = 6

_NUMBER = re.compile(r"^[ \t\n\v\f\r]*[+-]?(0[xX][0-9a-fA-F]+|0[0-7]*|[1-9][0-9]*)$")


class TableError(Exception):
    """A table source that the tool would misread."""


def split_lines(name, text):
    """Lines of a table source. Every line must end with a line end (LF or
    CR LF): the tool drops a last line that has none. Nothing is trimmed."""
    if text.startswith("\ufeff"):
        text = text[1:]  # an editor's byte-order mark is not part of the table
    text = text.replace("\r\n", "\n")
    if "\r" in text:
        line = text[:text.index("\r")].count("\n") + 1
        raise TableError(f"{name}: line {line}: carriage return inside a line")
    if text == "":
        return []
    if not text.endswith("\n"):
        raise TableError(f"{name}: the last line has no line end "
                         "(the tool would drop it)")
    return text[:-1].split("\n")


def is_number(text):
    return bool(_NUMBER.match(text))


def check_definitions(name, lines):
    if len(lines) % 8:
        raise TableError(
            f"{name}: {len(lines)} lines; every record is 7 lines followed by "
            "exactly one separator line (a multiple of 8 lines)")
    for start in range(0, len(lines), 8):
        record = lines[start:start + 8]
        where = f"{name}: record at line {start + 1} ({record[0]!r})"
        if record[0] == "":
            raise TableError(f"{where}: empty product")
        if not is_number(record[1]):
            raise TableError(f"{where}: action {record[1]!r} is not a number")
        if not re.fullmatch(r"[0-9a-fA-F]{64}", record[6]):
            raise TableError(f"{where}: hash {record[6]!r} is not 64 "
                             "hexadecimal digits")
        if record[7] != "":
            raise TableError(f"{where}: separator line {start + 8} is not "
                             "empty (records out of step?)")


def check_columns(name, lines, numbers):
    for index, line in enumerate(lines, 1):
        columns = line.split("\t")
        if len(columns) != numbers + 1:
            raise TableError(f"{name}: line {index}: {len(columns)} columns, "
                             f"need the product and {numbers} numbers "
                             "separated by single TABs")
        if columns[0] == "":
            raise TableError(f"{name}: line {index}: empty product")
        for column in columns[1:]:
            if not is_number(column):
                raise TableError(f"{name}: line {index}: {column!r} is not "
                                 "a number")


def check_table(name, kind, lines):
    if kind == "definitions":
        check_definitions(name, lines)
    elif kind == "os":
        check_columns(name, lines, OS_COLUMNS)
    elif kind == "requirements":
        check_columns(name, lines, REQUIREMENT_COLUMNS)


def convert_table(name, kind, source_bytes, bom):
    """UTF-8 source -> UTF-16LE resource data, CR LF after every line."""
    try:
        text = source_bytes.decode("utf-8")
    except UnicodeDecodeError as error:
        raise TableError(f"{name}: not UTF-8: {error}") from None
    lines = split_lines(name, text)
    check_table(name, kind, lines)
    data = "".join(line + "\r\n" for line in lines)
    if bom:
        data = "\ufeff" + data
    return data.encode("utf-16-le")


def write_if_changed(path, data):
    """Keeps the time stamp of an unchanged output, so nothing relinks."""
    try:
        with open(path, "rb") as existing:
            if existing.read() == data:
                return
    except FileNotFoundError:
        pass
    with open(path, "wb") as out:
        out.write(data)


def build_tables(build_dir, source_dir=SOURCE_DIR):
    out_dir = os.path.join(build_dir, "tables-utf16")
    os.makedirs(out_dir, exist_ok=True)
    for name, (_, kind, bom) in TABLES.items():
        source = os.path.join(source_dir, "tables", name + ".txt")
        with open(source, "rb") as f:
            data = convert_table(name + ".txt", kind, f.read(), bom)
        write_if_changed(os.path.join(out_dir, name + ".u16"), data)


def list_sources():
    """Every file that battery.rc and this script read."""
    files = [os.path.join(SOURCE_DIR, "battery.rc"),
             os.path.join(SOURCE_DIR, "resource-only.ld"),
             os.path.abspath(__file__)]
    for sub in ("strings", "rtf", "icon", "tables"):
        folder = os.path.join(SOURCE_DIR, sub)
        for entry in sorted(os.listdir(folder)):
            if entry.endswith((".rc", ".rtf", ".ico", ".txt")):
                files.append(os.path.join(folder, entry))
    return files


def run(command):
    print(" ".join(command), flush=True)
    subprocess.run(command, check=True)


def overlay_sources(build_dir, overlay):
    """A copy of this folder's sources with the overlay's files on top."""
    merged = os.path.join(build_dir, "sources")
    shutil.rmtree(merged, ignore_errors=True)
    shutil.copytree(SOURCE_DIR, merged, ignore=shutil.ignore_patterns("tests", "__pycache__"))
    shutil.copytree(overlay, merged, dirs_exist_ok=True)
    return merged


def build_dll(build_dir, output, windres, linker, overlay=None):
    source_dir = overlay_sources(build_dir, overlay) if overlay else SOURCE_DIR
    build_tables(build_dir, source_dir)
    obj = os.path.join(build_dir, "battery-res.o")
    run([windres, "--codepage=65001", "-I", source_dir, "-I", build_dir,
         "-O", "coff", "-i", os.path.join(source_dir, "battery.rc"),
         "-o", obj])
    script = os.path.join(SOURCE_DIR, "resource-only.ld")
    program = os.path.basename(linker)
    if program.endswith(".exe"):
        program = program[:-4]
    if program.endswith("ld"):
        link = [linker, "-shared", "-e", "0", "--no-insert-timestamp", "-s",
                "-T", script]
    else:  # a gcc driver
        link = [linker, "-shared", "-nostdlib", "-Wl,-e,0",
                "-Wl,--no-insert-timestamp", "-s", "-Wl,-T," + script]
    run(link + ["-o", output, obj])


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build-dir")
    parser.add_argument("--output")
    parser.add_argument("--windres", default="i686-w64-mingw32-windres")
    parser.add_argument("--linker", default="i686-w64-mingw32-ld")
    parser.add_argument("--overlay")
    parser.add_argument("--tables-only", action="store_true")
    parser.add_argument("--list-sources", action="store_true")
    args = parser.parse_args(argv)
    if args.list_sources:
        print(";".join(list_sources()))
        return 0
    if not args.build_dir:
        parser.error("--build-dir is needed")
    os.makedirs(args.build_dir, exist_ok=True)
    try:
        if args.tables_only:
            build_tables(args.build_dir)
        else:
            if not args.output:
                parser.error("--output is needed")
            build_dll(args.build_dir, args.output, args.windres, args.linker, args.overlay)
    except TableError as error:
        print(f"error: {error}", file=sys.stderr)
        return 1
    except subprocess.CalledProcessError as error:
        print(f"error: {error}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
