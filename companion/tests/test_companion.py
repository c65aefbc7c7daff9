"""Tests of the companion library's build step (the library itself is
checked by tarnwick-companion, tests/unit/CompanionToolTest.cpp).

Run: python3 -m unittest discover -s companion/tests -v
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

HASH = "ab" * 32


def record(product="KBX1", action="1", version="2.0.5", separator=""):
    return "\n".join([product, action, version, "u/p.exe", "t.exe", "/s", HASH, separator]) + "\n"


class TableConversion(unittest.TestCase):
    """UTF-8 table sources become UTF-16LE with CR LF, nothing else changed:
    what the program makes of a table is for tarnwick-companion check to
    say, so the conversion must not hide or mend anything."""

    def convert(self, text, bom=False, raw=None):
        return build.convert_table("t.txt", raw if raw is not None else text.encode("utf-8"), bom)

    def test_line_ends_become_cr_lf_whatever_the_source_uses(self):
        want = "a\r\nb\r\n".encode("utf-16-le")
        self.assertEqual(self.convert("a\nb\n"), want)
        self.assertEqual(self.convert("a\r\nb\r\n"), want)

    def test_byte_order_mark_only_when_asked_and_editor_mark_dropped(self):
        self.assertEqual(self.convert("x\n", bom=True), "\ufeffx\r\n".encode("utf-16-le"))
        self.assertEqual(self.convert("\ufeffx\n"), "x\r\n".encode("utf-16-le"))

    def test_text_is_kept_as_written(self):
        for text, want in {" KN 1 \t\n\n": " KN 1 \t\r\n\r\n", "機種\n": "機種\r\n",
                           "no line end": "no line end", "lone\rcr\n": "lone\rcr\r\n", "": ""}.items():
            with self.subTest(text=text):
                self.assertEqual(self.convert(text), want.encode("utf-16-le"))

    def test_a_source_that_is_not_utf8_is_refused(self):
        with self.assertRaises(build.TableError):
            self.convert(None, raw=b"KN\xff\n")


class RichTextEscapes(unittest.TestCase):
    """UTF-8 rich text goes into the library as ASCII with \\uN? escapes:
    N signed 16-bit, one escape per UTF-16 unit, ASCII and control words
    untouched."""

    def test_escapes(self):
        self.assertEqual(build.escape_rtf("r.rtf", "{\\b A\\'B7}".encode("utf-8")), b"{\\b A\\'B7}")
        self.assertEqual(build.escape_rtf("r.rtf", "\ufeff認新é".encode("utf-8")), b"\\u-30067?\\u26032?\\u233?")
        self.assertEqual(build.escape_rtf("r.rtf", "\U0001F50B".encode("utf-8")), b"\\u-10179?\\u-8949?")
        with self.assertRaises(build.TableError):
            build.escape_rtf("r.rtf", b"\xff")


if __name__ == "__main__":
    unittest.main()
