#!/usr/bin/python3
"""Generates the GBK conversion tables compiled into kx_foundation.

Writes two C++ sources under Src/SentimentNew/encoding:
  GbkHanzisData.cpp  GBKHanzis: per double-byte GBK code (in cd2sub order) its UTF-8 form and
                     the BIG5 code of its traditional form
  CodeTableData.cpp  CodeTable: per 16-bit Unicode code point its GBK code (code page 936)

Sources (all Debian packages):
  - glibc iconv "GBK" (code page 936), read through libc's iconv(3); Python's own gbk codec must
    agree with it code for code, which the generator checks.
  - OpenCC's simplified-to-traditional character table (libopencc-data STCharacters.ocd2, dumped
    with opencc_dict), first candidate of each character.
  - Python's cp950 codec for the BIG5 codes of traditional characters.

Usage:
  gen_code_tables.py [--root DIR]          write the two files under DIR (default: the checkout)
  gen_code_tables.py --check [--root DIR]  regenerate in memory, compare, exit 1 on a difference
"""

import argparse
import ctypes
import ctypes.util
import os
import subprocess
import sys
import tempfile

OUT_DIR = os.path.join("Src", "SentimentNew", "encoding")
HANZI_FILE = "GbkHanzisData.cpp"
CODETABLE_FILE = "CodeTableData.cpp"
HANZI_COUNT = 22046
OPENCC_DICT = "/usr/share/opencc/STCharacters.ocd2"

# Codes that keep no UTF-8 form in GBKHanzis (punctuation the sentiment side must leave in GBK,
# and the Greek rows A6A1-A6B8, A6C1-A6D8).
UTF8_BLANKS = (
    [0xA1A4, 0xA1A7, 0xA1AA, 0xA1AD, 0xA1AE, 0xA1AF, 0xA1B0, 0xA1B1, 0xA1C0, 0xA1C1,
     0xA1C2, 0xA1C4, 0xA1C5, 0xA1C6, 0xA1C7, 0xA1C8, 0xA1C9, 0xA1CA, 0xA1CC, 0xA1CD,
     0xA1CF, 0xA1D2, 0xA1D4, 0xA1D6, 0xA1D8, 0xA1D9, 0xA1DC, 0xA1DD, 0xA1DE, 0xA1E0,
     0xA1E3, 0xA1E4, 0xA1E5, 0xA1E8, 0xA1EB, 0xA1EC, 0xA1FA, 0xA1FB, 0xA1FC, 0xA1FD]
    + list(range(0xA6A1, 0xA6B9)) + list(range(0xA6C1, 0xA6D9))
    + [0xA843, 0xA892, 0xA8A2, 0xA8A4, 0xA8A6, 0xA8A8, 0xA8AA, 0xA8AC, 0xA8AE, 0xA8B0,
       0xA8B2, 0xA8B4, 0xA8B9, 0xA8BA])

# BIG5 codes fixed by hand: the punctuation the sentence cutter converts. All but A3BB agree
# with cp950; the full-width semicolon is A151 there (cp950 has A146).
BIG5_FIXED = {
    0xA1A1: 0xA140, 0xA1A3: 0xA143, 0xA1B0: 0xA1A7, 0xA1B1: 0xA1A8, 0xA1AE: 0xA1A5,
    0xA1AF: 0xA1A6, 0xA3A1: 0xA149, 0xA3BF: 0xA148, 0xA3BB: 0xA151, 0xA1AD: 0xA14B,
    0xB0A1: 0xB0DA,
}

PUA_FIRST = 0xE766  # the 255 codes CP936 leaves unmapped take U+E766.. in code order


def cd2sub(code):
    """Index of a double-byte GBK code in GBKHanzis, or -1 (mirrors the C++ function)."""
    lead, trail = code >> 8, code & 0xFF

    def t(last):
        if 0x40 <= trail <= 0x7E:
            return trail - 0x40
        if 0x80 <= trail <= last:
            return trail - 0x41
        return None

    if not 0x81 <= lead <= 0xFE:
        return -1
    if lead <= 0xA0:
        x, base = t(0xFE), (lead - 0x81) * 190
    elif lead <= 0xA7:
        return 6080 + (lead - 0xA1) * 94 + (trail - 0xA1) if 0xA1 <= trail <= 0xFE else -1
    elif lead <= 0xA9:
        x, base = t(0xFE), 6738 + (lead - 0xA8) * 190
    elif lead <= 0xAF:
        x, base = t(0xA0), 7118 + (lead - 0xAA) * 96
    elif lead <= 0xF7:
        x, base = t(0xFE), 7694 + (lead - 0xB0) * 190
    else:
        x, base = t(0xA0), 21374 + (lead - 0xF8) * 96
    return -1 if x is None else base + x


class Iconv:
    """Minimal binding of glibc's iconv(3) for one-shot conversions."""

    def __init__(self, to_code, from_code):
        libc = ctypes.CDLL(ctypes.util.find_library("c"), use_errno=True)
        self._open = libc.iconv_open
        self._open.restype = ctypes.c_void_p
        self._open.argtypes = [ctypes.c_char_p, ctypes.c_char_p]
        self._iconv = libc.iconv
        self._iconv.restype = ctypes.c_size_t
        pp = ctypes.POINTER(ctypes.c_char_p)
        ps = ctypes.POINTER(ctypes.c_size_t)
        self._iconv.argtypes = [ctypes.c_void_p, pp, ps, pp, ps]
        self._cd = self._open(to_code.encode(), from_code.encode())
        if self._cd in (None, ctypes.c_void_p(-1).value):
            sys.exit("iconv cannot convert %s to %s" % (from_code, to_code))

    def __call__(self, data):
        """The converted bytes, or None when the input is invalid or incomplete."""
        src = ctypes.create_string_buffer(data, len(data))
        dst = ctypes.create_string_buffer(64)
        ip, il = ctypes.c_char_p(ctypes.addressof(src)), ctypes.c_size_t(len(data))
        op, ol = ctypes.c_char_p(ctypes.addressof(dst)), ctypes.c_size_t(64)
        self._iconv(self._cd, None, None, None, None)
        r = self._iconv(self._cd, ctypes.byref(ip), ctypes.byref(il), ctypes.byref(op), ctypes.byref(ol))
        if r == ctypes.c_size_t(-1).value or il.value:
            return None
        return dst.raw[:64 - ol.value]


def gbk_decode_table():
    """{code: character} for every double-byte code glibc's GBK decodes, checked against Python."""
    to_utf32 = Iconv("UTF-32LE", "GBK")
    table = {}
    for lead in range(0x81, 0xFF):
        for trail in range(0x40, 0xFF):
            code = (lead << 8) | trail
            out = to_utf32(bytes([lead, trail]))
            glibc = out.decode("utf-32-le") if out else None
            try:
                python = bytes([lead, trail]).decode("gbk")
            except UnicodeDecodeError:
                python = None
            if glibc != python:
                sys.exit("glibc and Python disagree on GBK %04X: %r %r" % (code, glibc, python))
            if glibc is not None:
                if len(glibc) != 1:
                    sys.exit("GBK %04X decodes to %d characters" % (code, len(glibc)))
                table[code] = glibc
    euro = to_utf32(b"\x80")
    if euro is None or euro.decode("utf-32-le") != "\u20ac":
        sys.exit("glibc GBK does not map 0x80 to U+20AC")
    return table


def opencc_first_candidates(ocd2_path):
    """{key: first candidate} of an OpenCC dictionary, dumped with opencc_dict."""
    with tempfile.TemporaryDirectory() as tmp:
        dump = os.path.join(tmp, "dict.txt")
        subprocess.run(["opencc_dict", "-i", ocd2_path, "-o", dump, "-f", "ocd2", "-t", "text"],
                       check=True, stdout=subprocess.DEVNULL)
        table = {}
        with open(dump, encoding="utf-8") as f:
            for line in f:
                key, _, values = line.rstrip("\n").partition("\t")
                if key and values:
                    table[key] = values.split(" ")[0]
    return table


def opencc_s2t():
    """{simplified: first traditional candidate} from OpenCC's character table."""
    return opencc_first_candidates(OPENCC_DICT)


def big5_of(ch):
    try:
        b = ch.encode("cp950")
    except UnicodeEncodeError:
        return None
    return (b[0] << 8) | b[1] if len(b) == 2 else None


def build():
    gbk = gbk_decode_table()
    if len(gbk) != 21791:
        sys.exit("expected 21791 GBK codes, found %d" % len(gbk))
    s2t = opencc_s2t()

    codes = [0] * HANZI_COUNT
    for lead in range(0x81, 0xFF):
        for trail in range(0x40, 0x100):
            i = cd2sub((lead << 8) | trail)
            if i >= 0:
                codes[i] = (lead << 8) | trail
    if any(c == 0 for c in codes) or codes != sorted(codes):
        sys.exit("index rule does not cover its domain in code order")
    if any(cd2sub(c) < 0 for c in gbk):
        sys.exit("a decodable GBK code lies outside the index rule")

    blanks = set(UTF8_BLANKS)
    assert len(blanks) == 102
    pua = PUA_FIRST
    hanzis = []
    for code in codes:
        ch = gbk.get(code)
        if ch is None:
            uni = pua
            pua += 1
        else:
            uni = ord(ch)
        utf8 = 0
        if code not in blanks:
            b = chr(uni).encode("utf-8")
            utf8 = int.from_bytes(b.ljust(3, b"\0"), "big")
        big5 = 0
        if ch is not None:
            big5 = big5_of(s2t.get(ch, ch)) or big5_of(ch) or 0
        big5 = BIG5_FIXED.get(code, big5)
        hanzis.append((code, big5, utf8))
    if pua != 0xE865:
        sys.exit("expected 255 private-use codes, found %d" % (pua - PUA_FIRST))

    code_table = [0] * 65536
    for cp in range(1, 0x80):
        code_table[cp] = cp
    code_table[0x20AC] = 0x80
    for code, ch in gbk.items():
        if code_table[ord(ch)]:
            sys.exit("two GBK codes decode to U+%04X" % ord(ch))
        code_table[ord(ch)] = code
    return hanzis, code_table


HEADER = """\
// Generated by tools/gen_code_tables.py; do not edit. Rerun the generator instead.
// Sources: glibc iconv GBK (code page 936), OpenCC STCharacters (first candidate), Python cp950.
"""


def render_hanzis(hanzis):
    out = [HEADER,
           "// GBKHanzis: one record {BIG5, 0, UTF-8} per double-byte GBK code, in cd2sub order.\n",
           '#include "SentimentNew/encoding/GbkTables.h"\n\n',
           "const GBKHanzi GBKHanzis[GBK_HANZI_COUNT] = {\n"]
    for i in range(0, len(hanzis), 6):
        row = hanzis[i:i + 6]
        cells = " ".join("{0x%04X, 0, 0x%06X}," % (b, u) for _, b, u in row)
        out.append("/* %04X */ %s\n" % (row[0][0], cells))
    out.append("};\n")
    return "".join(out)


def render_code_table(table):
    out = [HEADER,
           "// CodeTable: the GBK code of every 16-bit Unicode code point, 0 when it has none.\n",
           '#include "SentimentNew/encoding/GbkTables.h"\n\n',
           "const uint16_t CodeTable[65536] = {\n"]
    for i in range(0, 65536, 16):
        cells = ",".join("0x%04X" % v if v else "0" for v in table[i:i + 16])
        out.append("/* %04X */ %s,\n" % (i, cells))
    out.append("};\n")
    return "".join(out)


def write_or_check(path, text, check):
    """Writes a generated source, or with check compares it with the committed file; False (with
    a message) when they differ."""
    if not check:
        with open(path, "w", encoding="ascii", newline="\n") as f:
            f.write(text)
        return True
    try:
        with open(path, encoding="ascii") as f:
            if f.read() == text:
                return True
    except OSError:
        pass
    print("%s differs from the generated table" % path)
    return False


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--root", default=os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    ap.add_argument("--check", action="store_true", help="compare with the committed files")
    args = ap.parse_args()

    hanzis, code_table = build()
    files = {HANZI_FILE: render_hanzis(hanzis), CODETABLE_FILE: render_code_table(code_table)}
    status = 0
    for name, text in files.items():
        if not write_or_check(os.path.join(args.root, OUT_DIR, name), text, args.check):
            status = 1
    if args.check and status == 0:
        print("tables match their sources")
    return status


if __name__ == "__main__":
    sys.exit(main())
