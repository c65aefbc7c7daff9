"""Tests of the companion library's build step and of its checker.

Run: python3 -m unittest discover -s companion/tests -v
The end-to-end cases need i686-w64-mingw32-windres/ld, objdump and wrestool;
they are skipped, with the reason, when those are missing.
"""

import os
import runpy
import shutil
import subprocess
import sys
import tempfile
import types
import unittest

sys.dont_write_bytecode = True  # keep the source folder clean
COMPANION = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def load(file):
    """The module-level names of a script of the companion folder."""
    return types.SimpleNamespace(**runpy.run_path(os.path.join(COMPANION, file)))


build = load("build-companion.py")
check = load("check_dll.py")

HASH = "ab" * 32


def record(product="KBX1", action="1", version="2.0.5", separator=""):
    return "\n".join([product, action, version, "u/p.exe", "t.exe", "/s", HASH, separator]) + "\n"


class TableConversion(unittest.TestCase):
    """UTF-8 table sources become UTF-16LE with CR LF, nothing trimmed."""

    def convert(self, text, kind="models", bom=False, raw=None):
        return build.convert_table("t.txt", kind, raw if raw is not None else text.encode("utf-8"), bom)

    def test_line_ends_become_cr_lf_whatever_the_source_uses(self):
        want = "a\r\nb\r\n".encode("utf-16-le")
        self.assertEqual(self.convert("a\nb\n"), want)
        self.assertEqual(self.convert("a\r\nb\r\n"), want)

    def test_byte_order_mark_only_when_asked_and_editor_mark_dropped(self):
        self.assertEqual(self.convert("x\n", bom=True), "\ufeffx\r\n".encode("utf-16-le"))
        self.assertEqual(self.convert("\ufeffx\n"), "x\r\n".encode("utf-16-le"))

    def test_spaces_tabs_and_empty_lines_are_kept(self):
        self.assertEqual(self.convert(" KN 1 \t\n\n"), " KN 1 \t\r\n\r\n".encode("utf-16-le"))

    def test_non_ascii_text_is_encoded_as_utf16(self):
        self.assertEqual(self.convert("機種\n"), "機種\r\n".encode("utf-16-le"))

    def test_sources_the_tool_would_misread_are_refused(self):
        cases = {
            "last line without line end": ("KN-1\nKN-2", "models"),
            "carriage return inside a line": ("KN\r1\n", "models"),
            "record without separator": (record().rstrip("\n") + "\n" + record(), "definitions"),
            "separator not empty": (record(separator="x"), "definitions"),
            "action not a number": (record(action="one"), "definitions"),
            "hash of 63 digits": (record().replace(HASH, HASH[:-1]), "definitions"),
            "os row with seven numbers": ("KBX1" + "\t1" * 7 + "\n", "os"),
            "os row with a space for a tab": ("KBX1" + "\t1" * 7 + " 1\n", "os"),
            "requirement row with seven numbers": ("KBX1" + "\t0" * 7 + "\n", "requirements"),
            "requirement row without product": ("\t1\t1\t1\t1\t1\t1\n", "requirements"),
        }
        for name, (text, kind) in cases.items():
            with self.subTest(name):
                with self.assertRaises(build.TableError):
                    self.convert(text, kind)
        with self.subTest("not UTF-8"), self.assertRaises(build.TableError):
            self.convert(None, raw=b"KN\xff\n")

    def test_well_formed_tables_pass(self):
        self.convert(record() + record("KBX2", "0x7"), "definitions")
        self.convert("KBX1" + "\t1" * 8 + "\n", "os")
        self.convert("KBX1\t1\t0\t1\t0\t0\t01\n", "requirements")
        self.assertEqual(self.convert("", "definitions"), b"")


class ReadingAsTheToolReads(unittest.TestCase):
    """The checker's readers follow the tool's table and string rules."""

    def test_numbers_use_automatic_base_and_saturate(self):
        for text, value in {"7": 7, "0x7": 7, "010": 8, "abc": 0, "": 0, " -5": -5,
                            "+12x": 12, "0x": 0, "99999999999": 2**31 - 1,
                            "-99999999999": -2**31, "08": 0}.items():
            with self.subTest(text=text):
                self.assertEqual(check.strtol(text), value)

    def test_lines_end_at_cr_and_an_unterminated_last_line_is_lost(self):
        data = "\ufeffa\r\nb\r\nc".encode("utf-16-le")
        self.assertEqual(check.lines_of(data), ["a", "b"])
        self.assertEqual(check.lines_of("\ufeff".encode("utf-16-le")), [])
        self.assertEqual(check.lines_of("x\ufeff\r\n".encode("utf-16-le")), ["x\ufeff"])

    def test_definition_record_without_separator_is_kept_when_last(self):
        data = "P\r\n1\r\n2.0.5\r\nu\r\nt\r\n\r\nAB\r\n".encode("utf-16-le")
        self.assertEqual(check.parse_definitions(data)[0]["product"], "P")
        self.assertEqual(check.parse_definitions(data[:-4]), [])

    def test_string_block_entries(self):
        def block(*entries):
            out = []
            for e in entries:
                out += [len(e)] + [ord(ch) for ch in e]
            return b"".join(u.to_bytes(2, "little") for u in out)
        # An empty entry reads as "" (the checker counts it as missing), a
        # block that ends early leaves the rest absent.
        self.assertEqual(check.string_block(block("", "ab"))[:3], ["", "ab", None])
        overlong = block("a") + (5).to_bytes(2, "little") + "xy".encode("utf-16-le")
        self.assertEqual(check.string_block(overlong)[:2], ["a", None])

    def test_inserts_with_and_without_format(self):
        self.assertEqual(check.inserts("v %1!u!.%2!u! of %3, 100%%"), ["%1!u!", "%2!u!", "%3"])

    def test_rtf_braces(self):
        self.assertTrue(check.balanced_braces(r"{\rtf1 {a} \{ }"))
        self.assertFalse(check.balanced_braces(r"{\rtf1 {a }"))
        self.assertFalse(check.balanced_braces(r"{\rtf1 }}{"))


TOOLS = ["i686-w64-mingw32-windres", "i686-w64-mingw32-ld", "i686-w64-mingw32-objdump", "wrestool"]
MISSING = [t for t in TOOLS if not shutil.which(t)]


@unittest.skipIf(MISSING, f"needs {MISSING}")
class BuiltLibrary(unittest.TestCase):
    """Builds battery.dll from the sources (and from broken copies of them)
    and runs the checker on it."""

    def setUp(self):
        self.tmp = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, self.tmp)

    def build_from(self, edit=None):
        source = os.path.join(self.tmp, "companion")
        shutil.copytree(COMPANION, source, ignore=shutil.ignore_patterns("tests", "__pycache__"))
        if edit:
            path, old, new = edit
            full = os.path.join(source, path)
            with open(full, encoding="utf-8") as f:
                text = f.read()
            self.assertIn(old, text)
            with open(full, "w", encoding="utf-8") as f:
                f.write(text.replace(old, new, 1))
        out = os.path.join(self.tmp, "build")
        dll = os.path.join(out, "battery.dll")
        subprocess.run([sys.executable, os.path.join(source, "build-companion.py"),
                        "--build-dir", out, "--output", dll], check=True, capture_output=True)
        return source, dll

    def run_check(self, source, dll):
        result = subprocess.run(["sh", os.path.join(source, "check-dll.sh"), dll],
                                capture_output=True, text=True)
        return result.returncode, result.stdout

    def test_sources_build_a_library_that_passes_every_check(self):
        source, dll = self.build_from()
        code, out = self.run_check(source, dll)
        self.assertEqual(code, 0, out)
        self.assertRegex(out, r"\n[1-9][0-9]* passed, 0 failed\n$")

    def test_checker_finds_faults_in_a_built_library(self):
        faults = {
            "template loses an insert": (("strings/strings-ja.rc", "バージョン %1!u!.%2!u!.%3!u!",
                                          "バージョン %1!u!.%2!u!.%3"),
                                         r"FAIL  Japanese: 147 carries inserts"),
            "string missing in one language": (("strings/strings-ja.rc", '    187 "', '    // 187 "'),
                                               r"FAIL  Japanese: all 72 catalogue strings present: missing \[187\]"),
            "cancel-day list without default": (("strings/strings-en.rc", ",0x00000000=60", ""),
                                                r"FAIL  English: 178 is a cancel-day list"),
            "table row differs from the expected rows": (("tables/os-support.txt", "KBX6006\t6", "KBX6006\t1"),
                                                         r"FAIL  TXT 171: rows as expected"),
            "rtf message without link": (("rtf/105-bios-current.rtf", "HYPERLINK", "HYPERLNK"),
                                         r"FAIL  RTF 105 is a rich-text document"),
        }
        for name, (edit, failure) in faults.items():
            with self.subTest(name):
                shutil.rmtree(self.tmp)
                os.makedirs(self.tmp)
                source, dll = self.build_from(edit)
                code, out = self.run_check(source, dll)
                self.assertEqual(code, 1, out)
                self.assertRegex(out, failure)
                # Nothing else is reported as broken.
                self.assertRegex(out, r"\n[1-9][0-9]* passed, [12] failed\n$")

    def test_a_library_with_code_is_refused(self):
        source, dll = self.build_from()
        linked = os.path.join(self.tmp, "with-code.dll")
        subprocess.run(["i686-w64-mingw32-ld", "-shared", "-o", linked,
                        os.path.join(self.tmp, "build", "battery-res.o")], check=True,
                       capture_output=True)
        code, out = self.run_check(source, linked)
        self.assertEqual(code, 1)
        self.assertIn("FAIL  no import directory", out)
        self.assertIn("FAIL  resource section only", out)


if __name__ == "__main__":
    unittest.main()
