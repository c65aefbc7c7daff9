#!/bin/sh
# Checks the Win32 resources linked into a built Tarnwick PE file.
#
#   resources/check-resources.sh build/windows/Tarnwick.exe
#
# Fails (exit 1) when a resource the program loads is missing or came out
# wrong: the manifest, dialog 129 and its controls, icon groups 101 and 102,
# string block 9 (ids 128..143, which holds 131..134) in English (1033) and
# Japanese (1041), and the version resource. The strings are decoded from
# UTF-16, so a source read with the wrong code page shows up as a failure
# instead of as garbled text on a Japanese system.
#
# Needs wrestool (Debian package icoutils) and python3.
set -eu

if [ $# -ne 1 ]; then
    echo "usage: $0 PE-FILE" >&2
    exit 2
fi
exe=$1
[ -r "$exe" ] || { echo "check-resources: cannot read $exe" >&2; exit 2; }
command -v wrestool >/dev/null || { echo "check-resources: wrestool not found (apt-get install icoutils)" >&2; exit 2; }
command -v python3 >/dev/null || { echo "check-resources: python3 not found" >&2; exit 2; }

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

wrestool -l "$exe" >"$tmp/list"
echo "Resources in $exe:"
sed 's/^/  /' "$tmp/list"

# Raw data of each resource that gets looked at more closely. A missing one
# leaves an empty file, which the checks below report.
extract() { # type name language file
    wrestool -x --raw --type="$1" --name="$2" ${3:+--language="$3"} "$exe" >"$tmp/$4" 2>/dev/null || true
}
extract 24 1 "" manifest
extract 5 129 "" dialog
extract 14 101 "" group101
extract 14 102 "" group102
extract 6 9 1033 str1033
extract 6 9 1041 str1041
extract 16 1 "" version

# The release's version, written once at the top of the tree.
version=$(grep -v '^#' "$(dirname "$0")/../VERSION")

python3 - "$tmp" "$version" <<'PY'
import os, re, struct, sys

tmp = sys.argv[1]
release_version = sys.argv[2]
failures = []

def fail(msg):
    failures.append(msg)

def read(name):
    path = os.path.join(tmp, name)
    return open(path, "rb").read() if os.path.exists(path) else b""

# --- presence, from the listing -------------------------------------------
listing = open(os.path.join(tmp, "list")).read()
present = set(re.findall(r"--type=(\w+) --name=(\w+) --language=(\d+)", listing))
def has(rtype, name, lang=None):
    return any(t == rtype and n == name and (lang is None or l == lang) for t, n, l in present)

for rtype, name, lang, what in [
        ("24", "1", None, "manifest 1"),
        ("5", "129", None, "dialog 129"),
        ("14", "101", None, "icon group 101"),
        ("14", "102", None, "icon group 102"),
        ("6", "9", "1033", "string block 9 (ids 128-143), language 1033"),
        ("6", "9", "1041", "string block 9 (ids 128-143), language 1041"),
        ("16", "1", None, "VERSIONINFO 1")]:
    if not has(rtype, name, lang):
        fail("missing " + what)

# --- manifest ---------------------------------------------------------------
manifest = read("manifest").decode("utf-8", "replace")
if manifest:
    for needle, what in [
            ('name="Microsoft.Windows.Common-Controls"', "common controls dependency"),
            ('version="6.0.0.0"', "common controls version 6"),
            ("<dpiAware", "DPI awareness"),
            ('level="asInvoker"', "asInvoker execution level"),
            ('uiAccess="false"', "uiAccess false"),
            ("{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", "Windows 7 supportedOS"),
            ("{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "Windows 8 supportedOS"),
            ("{1f676c76-80e1-4239-95bb-83d0f6d0da78}", "Windows 8.1 supportedOS"),
            ("{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}", "Windows 10 supportedOS")]:
        if needle not in manifest:
            fail("manifest lacks " + what)
    if not re.search(r"<dpiAware[^>]*>\s*true\s*</dpiAware>", manifest):
        fail("manifest: dpiAware is not true")

# --- icon groups: the image sizes the program and Explorer pick from -------
def group_sizes(data):
    if len(data) < 6:
        return None
    _, kind, count = struct.unpack_from("<HHH", data, 0)
    sizes = []
    for i in range(count):
        w, h = struct.unpack_from("<BB", data, 6 + 14 * i)
        sizes.append((w or 256, h or 256))
    return sorted(sizes)

for name, want in [("group101", [(16, 16), (32, 32), (48, 48)]),
                   ("group102", [(64, 40), (80, 50), (96, 60), (128, 80), (160, 100)])]:
    got = group_sizes(read(name))
    if got is not None and got != want:
        fail("icon group %s has sizes %s, expected %s" % (name[5:], got, want))

# --- strings ----------------------------------------------------------------
def string_block(data):
    """The 16 strings of a string block, as str (empty where absent)."""
    out, pos = [], 0
    for _ in range(16):
        if pos + 2 > len(data):
            return None
        (n,) = struct.unpack_from("<H", data, pos)
        pos += 2
        raw = data[pos:pos + 2 * n]
        if len(raw) != 2 * n:
            return None
        out.append(raw.decode("utf-16-le"))
        pos += 2 * n
    return out

def is_japanese(ch):
    return "\u3040" <= ch <= "\u30ff" or "\u4e00" <= ch <= "\u9fff" or "\u3000" <= ch <= "\u303f"

strings = {}
for lang in ("1033", "1041"):
    data = read("str" + lang)
    if not data:
        continue
    block = string_block(data)
    if block is None:
        fail("string block 9/%s is truncated" % lang)
        continue
    strings[lang] = block
    for sid in range(131, 135):
        text = block[sid - 128]
        if not text:
            fail("string %d/%s is empty" % (sid, lang))
        if "\ufffd" in text:
            fail("string %d/%s has a replacement character (source read with the wrong code page?)" % (sid, lang))
        if "\\n" in text:
            fail("string %d/%s has a literal backslash-n" % (sid, lang))

if "1033" in strings:
    en = strings["1033"]
    if en[132 - 128] != "The necessary files are missing or corrupted.":
        fail("string 132/1033 is %r" % en[132 - 128])
    if en[133 - 128].count("\n") != 1:
        fail("string 133/1033 is not two lines")
if "1041" in strings:
    ja = strings["1041"]
    for sid in range(131, 134):
        text = ja[sid - 128]
        if text and not any(is_japanese(c) for c in text):
            fail("string %d/1041 has no Japanese characters: %r" % (sid, text))
        # UTF-8 read as a single-byte code page turns each Japanese character
        # into three Latin-1-range ones.
        if re.search("[\u00c0-\u00ff][\u0080-\u00bf]", text):
            fail("string %d/1041 looks like mis-decoded UTF-8: %r" % (sid, text))
    if ja[133 - 128].count("\n") != 1:
        fail("string 133/1041 is not two lines")
for lang, block in strings.items():
    footer = block[134 - 128]
    if not re.search(r'<a href="https://[^"]+">[^<]+</a>', footer):
        fail("string 134/%s carries no <a href=\"...\">...</a> link: %r" % (lang, footer))

# --- dialog 129 ---------------------------------------------------------------
WS_POPUP, WS_CHILD, WS_VISIBLE = 0x80000000, 0x40000000, 0x10000000
WS_CAPTION, WS_BORDER, WS_SYSMENU = 0x00C00000, 0x00800000, 0x00080000
WS_VSCROLL, WS_GROUP, WS_TABSTOP = 0x00200000, 0x00020000, 0x00010000
DS_MODALFRAME, DS_CENTER, DS_SETFONT, DS_FIXEDSYS = 0x80, 0x800, 0x40, 0x8
SS_LEFT, SS_RIGHT, SS_ICON, SS_ETCHEDHORZ, SS_CENTERIMAGE = 0, 2, 3, 0x10, 0x200
ES_MULTILINE, ES_AUTOHSCROLL, ES_READONLY = 0x4, 0x80, 0x800
BS_PUSHBUTTON, BS_DEFPUSHBUTTON = 0, 1
WS_EX_TRANSPARENT = 0x20
C = WS_CHILD | WS_VISIBLE
# id, class, text, x, y, cx, cy, style, exstyle
WANT_CONTROLS = [
    (1000, "static", "IDC_STATIC_CAPTION", -1, 0, 339, 22, C | WS_GROUP | SS_LEFT | SS_CENTERIMAGE, 0),
    (1001, "static", "IDC_STATIC_CAPTION_VRSION", -1, 11, 335, 11, C | WS_GROUP | SS_RIGHT | SS_CENTERIMAGE, WS_EX_TRANSPARENT),
    (1002, "richedit50w", "", 5, 28, 328, 126,
     C | WS_BORDER | WS_VSCROLL | WS_TABSTOP | ES_MULTILINE | ES_AUTOHSCROLL | ES_READONLY, 0),
    (1005, "static", "PC:", 15, 160, 60, 10, C | WS_GROUP | SS_LEFT, 0),
    (1006, "edit", "", 80, 160, 250, 12, C | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL | ES_READONLY, 0),
    (1008, "static", "", 0, 177, 338, 1, C | SS_ETCHEDHORZ, 0),
    (1007, "static", "", 5, 180, 20, 20, C | SS_ICON | SS_CENTERIMAGE, 0),
    (1, "button", "OK", 111, 182, 106, 13, C | WS_TABSTOP | BS_DEFPUSHBUTTON, 0),
    (2, "button", "Cancel", 222, 182, 106, 13, C | WS_TABSTOP | BS_PUSHBUTTON, 0),
]
WANT_STYLE = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER | DS_SETFONT | DS_FIXEDSYS
ATOMS = {0x80: "button", 0x81: "edit", 0x82: "static"}

class Reader:
    def __init__(self, data):
        self.d, self.p = data, 0
    def take(self, fmt):
        v = struct.unpack_from("<" + fmt, self.d, self.p)
        self.p += struct.calcsize("<" + fmt)
        return v if len(v) > 1 else v[0]
    def sz(self):
        end = self.p
        while self.d[end:end + 2] != b"\0\0":
            end += 2
        s = self.d[self.p:end].decode("utf-16-le")
        self.p = end + 2
        return s
    def sz_or_ord(self):
        if self.d[self.p:self.p + 2] == b"\xff\xff":
            self.p += 2
            return self.take("H")
        return self.sz()
    def align4(self):
        self.p = (self.p + 3) & ~3

def check_dialog(data):
    r = Reader(data)
    ver, sig = r.take("HH")
    if (ver, sig) != (1, 0xFFFF):
        fail("dialog 129 is not a DIALOGEX")
        return
    _help, exstyle, style, count, x, y, cx, cy = r.take("IIIHhhhh")
    if style != WANT_STYLE:
        fail("dialog 129 style 0x%08X, expected 0x%08X" % (style, WANT_STYLE))
    if (cx, cy) != (338, 200):
        fail("dialog 129 size %dx%d, expected 338x200" % (cx, cy))
    r.sz_or_ord()  # menu
    r.sz_or_ord()  # class
    if r.sz() != "Dialog":
        fail("dialog 129 caption is not \"Dialog\"")
    points, weight, italic, charset = r.take("HHBB")
    face = r.sz()
    if (points, weight, italic, charset, face) != (11, 400, 0, 1, "MS Shell Dlg"):
        fail("dialog 129 font is %r" % ((points, weight, italic, charset, face),))
    got = []
    for _ in range(count):
        r.align4()
        _help, ex, st, x, y, cx, cy, cid = r.take("IIIhhhhI")
        cls = r.sz_or_ord()
        cls = ATOMS.get(cls, cls) if isinstance(cls, int) else cls.lower()
        text = r.sz_or_ord()
        extra = r.take("H")
        r.p += extra
        got.append((cid, cls, text, x, y, cx, cy, st, ex))
    if len(got) != len(WANT_CONTROLS):
        fail("dialog 129 has %d controls, expected %d" % (len(got), len(WANT_CONTROLS)))
    for g, w in zip(got, WANT_CONTROLS):
        if g != w:
            fmt = lambda c: "id %d %s %r at %d,%d %dx%d style 0x%08X ex 0x%X" % c
            fail("dialog 129 control\n      got      %s\n      expected %s" % (fmt(g), fmt(w)))

dialog = read("dialog")
if dialog:
    try:
        check_dialog(dialog)
    except (struct.error, IndexError, UnicodeDecodeError) as e:
        fail("dialog 129 cannot be parsed: %s" % e)

# --- version ----------------------------------------------------------------
version = read("version")
if version:
    text = version.decode("utf-16-le", "replace")
    for key, value in [("CompanyName", "Korvane"), ("ProductName", "Tarnwick"),
                       ("FileVersion", release_version + ".0"), ("ProductVersion", release_version),
                       ("InternalName", "Tarnwick"), ("OriginalFilename", "Tarnwick.exe")]:
        if not re.search(key + "\0+" + re.escape(value) + "\0", text):
            fail("version resource lacks %s %s" % (key, value))
    # The fixed part: signature, then file and product versions MAJOR.MINOR.RELEASE.0.
    at = version.find(struct.pack("<I", 0xFEEF04BD))
    if at < 0:
        fail("version resource has no VS_FIXEDFILEINFO")
    else:
        fv = struct.unpack_from("<IIII", version, at + 8)
        major, minor, release = (int(n) for n in release_version.split("."))
        want = ((major << 16) | minor, release << 16)
        if fv != want * 2:
            fail("FILEVERSION/PRODUCTVERSION are not %s.0" % release_version)
    for block in ("040904b0", "041104b0"):
        if block not in text:
            fail("version resource lacks the %s string block" % block)
    at = text.find("Translation")
    trans = version[2 * at:] if at >= 0 else b""
    if struct.pack("<HHHH", 0x0409, 1200, 0x0411, 1200) not in trans:
        fail("version resource Translation is not 0x0409/1200, 0x0411/1200")

# --- report -----------------------------------------------------------------
for lang, block in sorted(strings.items()):
    for sid in range(131, 135):
        print("  string %d/%s: %s" % (sid, lang, block[sid - 128].replace("\n", "\\n")))
if failures:
    for f in failures:
        print("FAIL: " + f)
    sys.exit(1)
print("OK: all resources present and as expected")
PY
