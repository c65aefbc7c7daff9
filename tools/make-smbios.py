#!/usr/bin/env python3
"""Write a raw SMBIOS firmware table for tests.

The file holds exactly what the firmware-table provider 'RSMB' hands out for
table 0: an 8-byte header (calling method, SMBIOS major and minor version,
DMI revision, little-endian length of the structure table) and then the
structure table:

  type 0   BIOS Information      BIOS Version at offset 5
  type 1   System Information    Manufacturer at 4, Product Name (--model)
                                 at 5, Serial Number at 7
  type 2   Baseboard Information Manufacturer at 4, Product at 5
  type 127 End of Table

Strings are 8-bit, encoded as Windows-1252. SMBIOS has no empty strings: an
empty option is written as string number 0 ("no string"). The reader of this
project takes string number 0 as the first string of the set, so a structure
written that way reads its first string there.

Example:
  make-smbios.py --manufacturer KORVANE --product "X Y1" --model "AB 12" \\
      --serial R123 --bios-version 1.07 -o table.bin
"""

import argparse
import struct
import sys


def structure(kind, handle, fields, strings):
    """One structure: type, formatted length, handle, fields, string set."""
    formatted = struct.pack("<BBH", kind, 4 + len(fields), handle) + bytes(fields)
    data = b"".join(s.encode("cp1252") + b"\0" for s in strings)
    return formatted + (data + b"\0" if strings else b"\0\0")


class StringSet:
    """Numbers the non-empty strings of one structure from 1."""

    def __init__(self):
        self.strings = []

    def add(self, text):
        if not text:
            return 0
        self.strings.append(text)
        return len(self.strings)


def bios_information(handle, version):
    s = StringSet()
    vendor = 0
    number = s.add(version)
    # vendor, version, start segment (2), release date, ROM size,
    # characteristics (8)
    fields = [vendor, number, 0x00, 0xE0, 0, 0] + [0] * 8
    return structure(0, handle, fields, s.strings)


def system_information(handle, manufacturer, model, serial):
    s = StringSet()
    maker = s.add(manufacturer)
    product = s.add(model)
    number = s.add(serial)
    # manufacturer, product name, version, serial, UUID (16), wake-up type,
    # SKU, family
    fields = [maker, product, 0, number] + [0] * 16 + [6, 0, 0]
    return structure(1, handle, fields, s.strings)


def baseboard_information(handle, manufacturer, product):
    s = StringSet()
    maker = s.add(manufacturer)
    number = s.add(product)
    # manufacturer, product, version, serial, asset tag, feature flags,
    # location, chassis handle (2), board type, contained handles
    fields = [maker, number, 0, 0, 0, 0x01, 0, 0, 0, 0x0A, 0]
    return structure(2, handle, fields, s.strings)


def build(args):
    table = (bios_information(0, args.bios_version)
             + system_information(1, args.manufacturer, args.model, args.serial)
             + baseboard_information(2, args.manufacturer, args.product)
             + structure(127, 3, [], []))
    header = struct.pack("<BBBBI", 0, 2, 7, 0, len(table))
    return header + table


def main(argv):
    parser = argparse.ArgumentParser(
        description=__doc__.split("\n\n")[0],
        epilog=__doc__.split("\n\n", 1)[1],
        formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--manufacturer", default="KORVANE", help="system manufacturer (type 1 and 2, offset 4)")
    parser.add_argument("--product", default="", help="baseboard product (type 2, offset 5)")
    parser.add_argument("--model", default="", help="system product name (type 1, offset 5)")
    parser.add_argument("--serial", default="", help="system serial number (type 1, offset 7)")
    parser.add_argument("--bios-version", default="", help="BIOS version (type 0, offset 5)")
    parser.add_argument("-o", "--output", required=True, help="file to write")
    args = parser.parse_args(argv)
    try:
        data = build(args)
    except UnicodeEncodeError as error:
        parser.error("text not representable in Windows-1252: %s" % error)
    with open(args.output, "wb") as out:
        out.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
