#!/usr/bin/env python3
"""Checks a built battery.dll (see check-dll.sh). Prints one line per check
and a closing 'N passed, N failed' line; exits 1 when a check failed."""

import json
import os
import re
import shutil
import struct
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
OBJDUMP = os.environ.get("OBJDUMP", "i686-w64-mingw32-objdump")
WRESTOOL = os.environ.get("WRESTOOL", "wrestool")

CATALOGUE = ([109, 110, 111, 112, 115, 116, 117, 119] + list(range(120, 128))
             + [129, 131, 133, 134, 136, 137, 139, 140, 141, 143, 145, 146,
                147, 148, 149, 150, 151, 152] + list(range(153, 159))
             + [159, 160, 161, 162, 163, 164, 165, 166, 167, 169, 172, 174,
                176, 178, 180, 181, 182, 183, 184, 185, 186, 187, 188, 190,
                192] + list(range(194, 200)) + [200])
LANGUAGES = {1033: "English", 1041: "Japanese"}
# Templates expanded with numbered inserts: the inserts each must carry.
TEMPLATES = {112: ["%1", "%2"], 147: ["%1!u!", "%2!u!", "%3!u!"],
             148: ["%1"], 149: ["%1"], 163: ["%1!u!"], 174: ["%1"],
             182: ["%1!u!"]}
RTF_IDS = [101, 102, 103, 104, 105, 106, 107, 173]
TABLE_IDS = [108, 114, 164, 171]
RT_STRING, RT_GROUP_ICON = 6, 14


# ---- reading as the tool reads ---------------------------------------------

def strtol(text):
    """Signed 32-bit conversion with automatic base, saturating."""
    i, n = 0, len(text)
    while i < n and text[i] in " \t\n\v\f\r":
        i += 1
    sign = 1
    if i < n and text[i] in "+-":
        sign = -1 if text[i] == "-" else 1
        i += 1
    base = 10
    if text[i:i + 2].lower() == "0x" and i + 2 < n and text[i + 2] in "0123456789abcdefABCDEF":
        base, i = 16, i + 2
    elif i < n and text[i] == "0":
        base = 8
    value = 0
    while i < n:
        digit = "0123456789abcdef".find(text[i].lower())
        if digit < 0 or digit >= base:
            break
        value = value * base + digit
        i += 1
    value *= sign
    return max(-2**31, min(2**31 - 1, value))


def units(data):
    """UTF-16LE code units; an odd last byte is not counted."""
    return [struct.unpack_from("<H", data, k)[0] for k in range(0, len(data) - 1, 2)]


def text_of(code_units):
    return struct.pack(f"<{len(code_units)}H", *code_units).decode("utf-16-le", "surrogatepass")


def lines_of(data):
    """Lines as the parsers see them: each ends at a CR, the unit after it is
    skipped; a trailing piece without CR is dropped. A leading BOM is skipped."""
    u = units(data)
    p = 1 if u[:1] == [0xFEFF] else 0
    lines = []
    while True:
        try:
            cr = u.index(0x0D, p)
        except ValueError:
            return lines
        lines.append(text_of(u[p:cr]))
        p = cr + 2


def parse_definitions(data):
    lines, rows = lines_of(data), []
    for start in range(0, len(lines) - 6, 8):
        f = lines[start:start + 7]
        rows.append({"product": f[0], "action": strtol(f[1]), "version": f[2],
                     "url": f[3], "toolFile": f[4], "toolParameters": f[5],
                     "hash": f[6].lower()})
    return rows


def parse_columns(data, numbers):
    """Product TAB n numbers. Rows are checked to have exactly n numbers; the
    tool itself would run a short row on into the next line."""
    rows = []
    for line in lines_of(data):
        columns = line.split("\t")
        if len(columns) != numbers + 1:
            raise ValueError(f"row {line!r} has {len(columns) - 1} numbers, not {numbers}")
        rows.append((columns[0], [strtol(c) for c in columns[1:]]))
    return rows


def string_block(data):
    """The 16 entries of a string-table block (None where absent)."""
    u, p, entries = units(data), 0, []
    for _ in range(16):
        if p >= len(u):
            entries.append(None)
            continue
        n = u[p]
        entries.append(text_of(u[p + 1:p + 1 + n]) if p + 1 + n <= len(u) else None)
        p += 1 + n
    return entries


def inserts(template):
    return re.findall(r"%[1-9][0-9]?(?:![^!]*!)?", template)


def balanced_braces(rtf):
    depth, i = 0, 0
    while i < len(rtf):
        c = rtf[i]
        if c == "\\":
            i += 2
            continue
        if c == "{":
            depth += 1
        elif c == "}":
            depth -= 1
            if depth < 0:
                return False
        i += 1
    return depth == 0


# ---- the checks ---------------------------------------------------------------

class Checker:
    def __init__(self):
        self.passed = self.failed = 0

    def check(self, name, ok, detail=""):
        if ok:
            self.passed += 1
            print(f"ok    {name}")
        else:
            self.failed += 1
            print(f"FAIL  {name}" + (f": {detail}" if detail else ""))
        return ok


def resource_list(dll):
    out = subprocess.run([WRESTOOL, "-l", dll], check=True, capture_output=True, text=True).stdout
    found = set()
    for line in out.splitlines():
        m = re.match(r"--type=('?)([^' ]+)\1 --name=('?)([^' ]+)\3 --language=(\d+)", line)
        if m:
            kind = m.group(2)
            found.add((int(kind) if kind.isdigit() else kind, m.group(4), int(m.group(5))))
    return found


def extract(dll, kind, name, language=None):
    command = [WRESTOOL, "-x", "--raw", f"--type={kind}", f"--name={name}"]
    if language is not None:
        command.append(f"--language={language}")
    return subprocess.run(command + [dll], check=True, capture_output=True).stdout


def check_image(c, dll):
    out = subprocess.run([OBJDUMP, "-p", dll], check=True, capture_output=True, text=True).stdout
    entry = re.search(r"AddressOfEntryPoint\s+([0-9a-fA-F]+)", out)
    c.check("entry point is 0", entry and int(entry.group(1), 16) == 0,
            entry.group(0) if entry else "no AddressOfEntryPoint line")
    imports = re.search(r"Entry 1 ([0-9a-fA-F]+) ([0-9a-fA-F]+) Import Directory", out)
    c.check("no import directory",
            imports and int(imports.group(1), 16) == 0 and int(imports.group(2), 16) == 0
            and "There is an import table" not in out,
            imports.group(0) if imports else "no import directory line")
    exports = re.search(r"Entry 0 ([0-9a-fA-F]+) ([0-9a-fA-F]+) Export Directory", out)
    c.check("no export directory", exports and int(exports.group(2), 16) == 0)
    sections = re.findall(r"^\s*\d+\s+(\.\S+)\s", subprocess.run(
        [OBJDUMP, "-h", dll], check=True, capture_output=True, text=True).stdout, re.M)
    c.check("resource section only", sections == [".rsrc"], f"sections {sections}")


def check_strings(c, dll, found, expected):
    texts = {}
    for language, name in LANGUAGES.items():
        blocks = sorted({i // 16 + 1 for i in CATALOGUE})
        table = {}
        for block in blocks:
            if (RT_STRING, str(block), language) not in found:
                continue
            for k, entry in enumerate(string_block(extract(dll, RT_STRING, block, language))):
                if entry:
                    table[(block - 1) * 16 + k] = entry
        missing = [i for i in CATALOGUE if i not in table]
        c.check(f"{name}: all {len(CATALOGUE)} catalogue strings present", not missing,
                f"missing {missing}")
        for i, wanted in TEMPLATES.items():
            if i in table:
                c.check(f"{name}: {i} carries inserts {' '.join(wanted)}",
                        sorted(inserts(table[i])) == sorted(wanted), repr(table[i]))
        if 186 in table:
            c.check(f"{name}: 186 has exactly two %s", re.findall(r"%.", table[186]) == ["%s", "%s"],
                    repr(table[186]))
        if 152 in table:
            c.check(f"{name}: 152 is a release number",
                    re.fullmatch(r"0[xX][0-9a-fA-F]+|0[0-7]*|[1-9][0-9]*", table[152]) is not None,
                    repr(table[152]))
        if 178 in table:
            c.check(f"{name}: 178 is a cancel-day list with a default entry",
                    re.fullmatch(r"0x[0-9a-f]{8}=\d+(,0x[0-9a-f]{8}=\d+)*", table[178]) is not None
                    and "0x00000000=" in table[178], repr(table[178]))
        for i in (146, 200):
            if i in table:
                c.check(f"{name}: {i} is a base address ending in /",
                        re.fullmatch(r"https?://[^\s/]+/\S*/", table[i]) is not None, repr(table[i]))
        texts[language] = table
    if expected:
        strings = expected["strings"]
        for language, table in texts.items():
            for i, value in strings["sameInEveryLanguage"].items():
                c.check(f"{LANGUAGES[language]}: {i} is {value!r}", table.get(int(i)) == value,
                        repr(table.get(int(i))))
        for i, value in strings.get("english", {}).items():
            c.check(f"English: {i} as expected", texts[1033].get(int(i)) == value,
                    repr(texts[1033].get(int(i))))


def check_rtf(c, dll, found):
    for i in RTF_IDS:
        present = [r for r in found if r[0] == "RTF" and r[1] == str(i)]
        if not c.check(f"RTF {i} present", present):
            continue
        rtf = extract(dll, "RTF", i).decode("latin-1")
        c.check(f"RTF {i} is a rich-text document with a heading, a list and a link",
                rtf.startswith("{\\rtf1") and balanced_braces(rtf) and re.search(r"\\b(?![a-z0-9-])", rtf) is not None
                and "\\pnlvlblt" in rtf and re.search(r'\\fldinst\{HYPERLINK "https?://', rtf) is not None)


def check_tables(c, dll, found, expected):
    data = {}
    for i in TABLE_IDS:
        if c.check(f"TXT {i} present", any(r[0] == "TXT" and r[1] == str(i) for r in found)):
            data[i] = extract(dll, "TXT", i)
    for i, raw in data.items():
        u = units(raw)
        c.check(f"TXT {i}: UTF-16LE, every line ends in CR LF",
                len(raw) % 2 == 0 and len(u) >= 2 and u[-2:] == [0x0D, 0x0A]
                and all((u[k] == 0x0D) == (k + 1 < len(u) and u[k + 1] == 0x0A) for k in range(len(u)))
                and all(u[k] != 0x0A or (k > 0 and u[k - 1] == 0x0D) for k in range(len(u))))
        if expected:
            bom = expected["tables"][str(i)]["byteOrderMark"]
            c.check(f"TXT {i}: {'starts with' if bom else 'has no'} byte-order mark",
                    (u[:1] == [0xFEFF]) == bom)
    if not expected:
        return
    rows = expected["tables"]
    if 108 in data:
        got = parse_definitions(data[108])
        want = [{k: r[k] for k in ("product", "action", "version", "url", "toolFile",
                                  "toolParameters", "hash")} for r in rows["108"]["rows"]]
        c.check(f"TXT 108: {len(want)} definition records as expected", got == want,
                f"read {got}")
        c.check("TXT 108: record count matches the line count (one separator per record)",
                len(lines_of(data[108])) == 8 * len(got))
    if 114 in data:
        c.check("TXT 114: excluded models as expected", lines_of(data[114]) == rows["114"]["rows"],
                repr(lines_of(data[114])))
    for i, numbers in ((171, 8), (164, 6)):
        if i not in data:
            continue
        try:
            got = parse_columns(data[i], numbers)
        except ValueError as error:
            c.check(f"TXT {i}: rows of product and {numbers} numbers", False, str(error))
            continue
        if i == 171:
            want = [(r["product"], r["codes"]) for r in rows["171"]["rows"]]
        else:
            want = [(r["product"], [1 if b else 0 for b in r["required"]]) for r in rows["164"]["rows"]]
            got = [(p, [1 if v == 1 else 0 for v in values]) for p, values in got]
        c.check(f"TXT {i}: rows as expected", got == want, f"read {got}")


def check_icon(c, dll, found, expected):
    if not c.check("icon 100 present", (RT_GROUP_ICON, "100", 0) in found
                   or any(r[0] == RT_GROUP_ICON and r[1] == "100" for r in found)):
        return
    group = extract(dll, RT_GROUP_ICON, 100)
    count = struct.unpack_from("<HHH", group)[2]
    sizes = sorted((group[6 + 14 * k] or 256) for k in range(count))
    want = sorted(expected["icon"]["sizes"]) if expected else [16, 32]
    c.check(f"icon 100 holds sizes {want}", sizes == want, f"sizes {sizes}")


def main(argv):
    dll = argv[0]
    expected_path = argv[1] if len(argv) > 1 else os.path.join(HERE, "expected-rows.json")
    for tool in (OBJDUMP, WRESTOOL):
        if not shutil.which(tool):
            print(f"error: {tool} not found (apt-get install -y binutils-mingw-w64-i686 icoutils)",
                  file=sys.stderr)
            return 2
    expected = None
    if os.path.exists(expected_path):
        with open(expected_path, encoding="utf-8") as f:
            expected = json.load(f)
    c = Checker()
    check_image(c, dll)
    found = resource_list(dll)
    check_strings(c, dll, found, expected)
    check_rtf(c, dll, found)
    check_tables(c, dll, found, expected)
    check_icon(c, dll, found, expected)
    print(f"{c.passed} passed, {c.failed} failed")
    return 1 if c.failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
