#!/usr/bin/env python3
"""Builds battery.dll, the resource-only companion library of Tarnwick.

Steps:
  1. Each table in tables/*.txt (UTF-8, one line per table line) is written
     as UTF-16LE with CR LF line ends to BUILD_DIR/tables-utf16/NAME.u16;
     only the operating-system table gets a byte-order mark. Nothing is
     checked here: `tarnwick-companion check` reads the built library with
     the program's own parsers.
  2. tarnwick-version.h is written to BUILD_DIR from the file VERSION at the
     top of the tree (the release's one version: VERSIONINFO and string
     152).
  3. Each rich-text message in rtf/ (English) and rtf/ja/ (Japanese), saved
     as UTF-8 so translators read and write their own script, is written to
     BUILD_DIR/rtf-escaped/ (same sub-folder) with every character outside ASCII as
     an RTF Unicode escape (\\uN? with N a signed 16-bit number; characters
     beyond U+FFFF as two escapes, one per UTF-16 unit). RTF itself is
     8-bit text: the escapes keep it independent of any code page.
  4. battery.rc is compiled with windres into a COFF object.
  5. The object is linked with resource-only.ld into a DLL that holds the
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
import subprocess
import sys

SOURCE_DIR = os.path.dirname(os.path.abspath(__file__))
TREE_DIR = os.path.dirname(SOURCE_DIR)
VERSION_FILE = os.path.join(TREE_DIR, "VERSION")
VERSION_TEMPLATE = os.path.join(TREE_DIR, "cmake", "tarnwick-version.h.in")

# Table source name -> (resource id, byte-order mark).
TABLES = {
    "definitions": (108, False),
    "excluded-models": (114, False),
    "requirements": (164, False),
    "os-support": (171, True),
}

# Folders of rich-text messages, one per language (battery.rc says which).
RTF_FOLDERS = ("rtf", os.path.join("rtf", "ja"))

class TableError(Exception):
    """A table source that cannot be converted."""


def convert_table(name, source_bytes, bom):
    """UTF-8 source -> UTF-16LE resource data, CR LF for every line end (LF
    or CR LF in the source). Nothing else changes: a last line without a
    line end stays without one, a lone CR stays a CR, so the built table
    holds exactly what the source says and `tarnwick-companion check` can
    report what the program would make of it."""
    try:
        text = source_bytes.decode("utf-8")
    except UnicodeDecodeError as error:
        raise TableError(f"{name}: not UTF-8: {error}") from None
    if text.startswith("\ufeff"):
        text = text[1:]  # an editor's byte-order mark is not part of the table
    data = text.replace("\r\n", "\n").replace("\n", "\r\n")
    if bom:
        data = "\ufeff" + data
    return data.encode("utf-16-le")


def escape_rtf(name, source_bytes):
    """UTF-8 rich text -> ASCII rich text with \\uN? escapes."""
    try:
        text = source_bytes.decode("utf-8")
    except UnicodeDecodeError as error:
        raise TableError(f"{name}: not UTF-8: {error}") from None
    if text.startswith("\ufeff"):
        text = text[1:]
    out = []
    for char in text:
        if ord(char) < 0x80:
            out.append(char)
            continue
        units = char.encode("utf-16-le")
        for i in range(0, len(units), 2):
            unit = int.from_bytes(units[i:i + 2], "little")
            out.append("\\u%d?" % (unit - 0x10000 if unit >= 0x8000 else unit))
    return "".join(out).encode("ascii")


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
    for name, (_, bom) in TABLES.items():
        source = os.path.join(source_dir, "tables", name + ".txt")
        with open(source, "rb") as f:
            data = convert_table(name + ".txt", f.read(), bom)
        write_if_changed(os.path.join(out_dir, name + ".u16"), data)


def build_rtf(build_dir, source_dir=SOURCE_DIR):
    for sub in RTF_FOLDERS:
        folder = os.path.join(source_dir, sub)
        out_dir = os.path.join(build_dir, "rtf-escaped", os.path.relpath(sub, "rtf"))
        os.makedirs(out_dir, exist_ok=True)
        for entry in sorted(os.listdir(folder)):
            if entry.endswith(".rtf"):
                with open(os.path.join(folder, entry), "rb") as f:
                    data = escape_rtf(os.path.join(sub, entry), f.read())
                write_if_changed(os.path.join(out_dir, entry), data)


def read_version(path=VERSION_FILE):
    """MAJOR.MINOR.RELEASE from the version file (the line that is not a
    comment)."""
    with open(path, encoding="utf-8") as f:
        lines = [line.strip() for line in f if line.strip() and not line.startswith("#")]
    parts = lines[0].split(".") if len(lines) == 1 else []
    if len(parts) != 3 or not all(p.isdigit() for p in parts):
        raise TableError(f"{path}: expected one line MAJOR.MINOR.RELEASE")
    return parts


def write_version_header(build_dir):
    major, minor, release = read_version()
    with open(VERSION_TEMPLATE, encoding="utf-8") as f:
        text = f.read()
    for key, value in (("TARNWICK_VERSION_MAJOR", major), ("TARNWICK_VERSION_MINOR", minor),
                       ("TARNWICK_VERSION_RELEASE", release),
                       ("TARNWICK_VERSION", f"{major}.{minor}.{release}")):
        text = text.replace(f"@{key}@", value)
    write_if_changed(os.path.join(build_dir, "tarnwick-version.h"), text.encode("utf-8"))


def list_sources():
    """Every file that battery.rc and this script read."""
    files = [os.path.join(SOURCE_DIR, "battery.rc"),
             os.path.join(SOURCE_DIR, "resource-only.ld"),
             os.path.abspath(__file__), VERSION_FILE, VERSION_TEMPLATE]
    for sub in ("strings", "icon", "tables") + RTF_FOLDERS:
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
    build_rtf(build_dir, source_dir)
    write_version_header(build_dir)
    obj = os.path.join(build_dir, "battery-res.o")
    # No folder name reaches the preprocessor output: the same bytes from
    # any checkout.
    maps = [f"--preprocessor-arg=-ffile-prefix-map={os.path.abspath(d)}/={name}/"
            for d, name in ((source_dir, "companion"), (build_dir, "build"))]
    run([windres, "--codepage=65001", *maps, "-I", source_dir, "-I", build_dir,
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
