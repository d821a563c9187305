#!/usr/bin/python3
"""Generates the encoding-detection model "CodeTrans.model" of the data directory.

The file holds a GBK and a BIG5 character map and a byte automaton whose cells carry packed
score changes (see Src/CodeTrans/CodeDetect.h for the layout). The automaton recognises:
  - the UTF-8 byte-order mark EF BB BF (decisive: UTF-8) and FF FE (decisive: 16-bit Unicode);
  - every GBK lead byte 81-FE (but EF and FF, the marks' first bytes): GBK +1;
  - every GBK pair (trail 40-7E, 80-FE): GBK +2 when it lies in GB2312 (rows A1-A9, B0-F7 with
    trails A1-FE), else +1; UTF-8 +3 when it is also a two-byte UTF-8 form (C2-DF, 80-BF);
  - every three-byte UTF-8 form E1-EF 80-BF 80-BF: UTF-8 +10 and GBK -9 at its third byte.
All failure links lead to the root (cell 0); free cells are {0, -1, 0, neutral}, so that none
poses as a child of the root. States are packed into the cell array by first fit of the
span of their children's bytes.

Sources: Python's gbk and big5 codecs (Debian python3).

Usage: gen_codetrans_model.py OUTPUT
"""

import struct
import sys

MAP_SIZE = 24576
NEUTRAL = 0x1280D

# Score changes; tuned against random word texts (see tools/codetrans_gate.cpp).
GBK_LEAD = 1
GBK_PAIR_GB2312 = 2
GBK_PAIR_OTHER = 1
UTF8_TWO_BYTE = 3
UTF8_THREE_BYTE = 10
GBK_ON_UTF8_THREE_BYTE = -9
DECISIVE_UTF8 = 1
DECISIVE_UNICODE = 8


def pack(gbk=0, big5=0, unicode=0, utf8=0, decisive=0):
    v = (gbk + 9) + 20 * (big5 + 9) + 400 * (unicode + 9) + 8000 * (utf8 + 9)
    score = ((decisive << 20) | (v & 0x3FFFF)) & 0xFFFFFFFF
    return score - (1 << 32) if score & 0x80000000 else score


def char_map(codec):
    table = [0] * MAP_SIZE
    for lead in range(0x80, 0x100):
        for trail in range(0x40, 0x100):
            try:
                text = bytes([lead, trail]).decode(codec)
            except UnicodeDecodeError:
                continue
            if len(text) == 1 and ord(text) < 0x10000:
                table[(trail - 0x40) * 128 + (lead & 0x7F)] = ord(text)
    return table


GBK_TRAILS = list(range(0x40, 0x7F)) + list(range(0x80, 0xFF))
CONTINUATION = list(range(0x80, 0xC0))


def children(path):
    """[(byte, score)] of the state reached by the byte path from the root."""
    if not path:
        return [(b, pack(gbk=GBK_LEAD) if b not in (0xEF, 0xFF) else NEUTRAL) for b in range(0x81, 0x100)]
    lead = path[0]
    if len(path) == 1:
        if lead == 0xFF:
            return [(0xFE, pack(decisive=DECISIVE_UNICODE))]
        out = []
        for t in GBK_TRAILS:
            gb2312 = (0xA1 <= lead <= 0xA9 or 0xB0 <= lead <= 0xF7) and t >= 0xA1
            utf8 = UTF8_TWO_BYTE if 0xC2 <= lead <= 0xDF and 0x80 <= t <= 0xBF else 0
            out.append((t, pack(gbk=GBK_PAIR_GB2312 if gb2312 else GBK_PAIR_OTHER, utf8=utf8)))
        return out
    if len(path) == 2 and 0xE1 <= lead <= 0xEF and 0x80 <= path[1] <= 0xBF:
        out = []
        for c in CONTINUATION:
            if path == (0xEF, 0xBB) and c == 0xBF:
                out.append((c, pack(decisive=DECISIVE_UTF8)))
            else:
                out.append((c, pack(gbk=GBK_ON_UTF8_THREE_BYTE, utf8=UTF8_THREE_BYTE)))
        return out
    return []


def build_cells():
    cells = [[0, -1, 0, NEUTRAL]]  # the root
    used = bytearray(1)
    used[0] = 1
    first_free = 1
    queue = [(0, ())]
    head = 0
    while head < len(queue):
        state, path = queue[head]
        head += 1
        kids = children(path)
        if not kids:
            continue
        # First fit of the children's whole byte span (a free run, found at C speed).
        low, high = kids[0][0], kids[-1][0]
        span = high - low + 1
        start = max(first_free, low + 1)  # every base is at least 1
        if len(used) < start:
            used.extend(bytes(start - len(used)))
        used.extend(bytes(span))
        pos = used.find(bytes(span), start)
        assert pos >= start
        base = pos - low
        del used[max(len(cells), base + high + 1):]
        cells[state][0] = base
        if len(cells) < len(used):
            cells.extend([0, -1, 0, NEUTRAL] for _ in range(len(used) - len(cells)))
        for b, score in kids:
            used[base + b] = 1
            cells[base + b] = [0, state, 0, score]
            queue.append((base + b, path + (b,)))
        while first_free < len(used) and used[first_free]:
            first_free += 1
    return cells


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    cells = build_cells()
    data = bytearray()
    for codec in ("gbk", "big5"):
        data += struct.pack("<%dH" % MAP_SIZE, *char_map(codec))
    data += struct.pack("<i", len(cells))
    for cell in cells:
        data += struct.pack("<4i", *cell)
    with open(sys.argv[1], "wb") as f:
        f.write(data)
    print("%s: %d cells, %d bytes" % (sys.argv[1], len(cells), len(data)))


if __name__ == "__main__":
    main()
