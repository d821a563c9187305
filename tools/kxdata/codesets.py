"""Scores of the encoding-detection automaton (CodeTrans.model).

The converter sets of encoding codes 1 to 5 are not derived here: the data compiler writes them
from the built-in conversion tables (tools/codeset), and fills the model's GBK and BIG5 maps from
the same tables.

CodeTrans.model scores: the detector is a byte automaton whose cells score each byte given the
byte before it (a first-order model); one line 'prev next gbk big5 unicode utf8' per cell with
its four score changes (-9..10), trained on the training days converted to each encoding; then
'first byte gbk big5 unicode utf8' lines scoring a text's first byte (bytes that cannot start a
text in an encoding), and 'mark HEX CODE' lines: byte-order marks whose last byte ends detection with CODE."""
import math
import os
import subprocess
from collections import Counter

ENCODINGS = ('gbk', 'big5', 'utf16', 'utf8')   # order of the score columns


def to_traditional(texts):
    """Traditional-script UTF-8 form of each text, through OpenCC's s2t conversion."""
    data = '\n'.join(texts) + '\n'
    res = subprocess.run(['opencc', '-c', 's2t.json'], input=data.encode('utf-8'),
                         capture_output=True, check=True)
    out = res.stdout.decode('utf-8').split('\n')
    return out[:len(texts)]


def encode_all(texts_gbk):
    """The texts in the four encodings (bytes), each text in each encoding."""
    uni = [t.decode('gbk') for t in texts_gbk]
    trad = to_traditional(uni)
    return {
        'gbk': texts_gbk,
        'big5': [t.encode('cp950', errors='ignore') for t in trad],
        'utf16': [t.encode('utf-16-le') for t in uni],
        'utf8': [t.encode('utf-8') for t in uni],
    }


def utf8_impossible(a, b):
    """Byte pairs that valid UTF-8 never contains (at any position)."""
    if b in (0xC0, 0xC1) or b >= 0xF5:
        return True
    if 0xC2 <= a <= 0xF4 and not 0x80 <= b <= 0xBF:
        return True
    return a < 0x80 and 0x80 <= b <= 0xBF


PRIOR = 20.0   # weight of the byte's own frequency when its context was seldom seen


def train_scores(texts):
    """Score changes per (prev, next) byte pair, or None where the cell stays neutral.

    P(next | prev) per encoding is the pair count smoothed towards the encoding's own byte
    frequencies, so a context that training seldom met still says which bytes the encoding uses
    at all (no byte above F4 in UTF-8, no zero byte outside 16-bit text)."""
    counts, single, totals = {}, {}, {}
    for e in ENCODINGS:
        c = Counter()
        s = Counter()
        for t in texts[e]:
            c.update(zip(t, t[1:]))
            s.update(t)
        counts[e] = c
        single[e] = s
        t = Counter()
        for (a, _), n in c.items():
            t[a] += n
        totals[e] = t
    unigram = {e: [(single[e][b] + 0.5) / (sum(single[e].values()) + 128.0) for b in range(256)]
               for e in ENCODINGS}
    scores = {}
    for a in range(256):
        for b in range(256):
            lp = []
            for e in ENCODINGS:
                p = (counts[e][(a, b)] + PRIOR * unigram[e][b]) / (totals[e][a] + PRIOR)
                lp.append(math.log(p))
            mean = sum(lp) / len(lp)
            ch = [max(-9, min(10, int(round(2.0 * (x - mean))))) for x in lp]
            if ch[2] <= 0 and counts['utf16'][(a, b)] > 0:
                # every pair that 16-bit text makes counts for it, so that on 16-bit text nearly
                # all cells are positive for it (the detector asks for ten to one)
                ch[2] = 1
            if utf8_impossible(a, b):
                ch[3] = -9
            if a < 0x80 and b < 0x80 and a and b:
                # plain ASCII is neutral: it reads the same in the multi-byte encodings, and 16-bit
                # text is told by its zero and high bytes, not by letter pairs
                ch = [0, 0, 0, 0]
            if any(ch):
                scores[(a, b)] = ch
    return scores


def first_scores():
    """Score changes of a text's first byte: bytes that cannot start a text in an encoding."""
    out = {}
    for b in range(0x80, 0x100):
        ch = [0, 0, 1, 0]   # 16-bit text may start with any byte
        if b in (0x80, 0xFF):
            ch[0] = ch[1] = -9
        if b <= 0xBF or b in (0xC0, 0xC1) or b >= 0xF5:
            ch[3] = -9
        if any(ch):
            out[b] = ch
    return out


FIRST = first_scores()

# Byte-order marks decide at once wherever the automaton meets them.
MARKS = ((b'\xef\xbb\xbf', 1), (b'\xff\xfe', 8))


def detect(data, scores):
    """The detector over the first-order automaton, as the engine runs it."""
    g = b5 = u = f = 0
    gc = bc = uc = fc = notu = 0
    high = 0
    prev = None
    for i, ch in enumerate(data):
        if ch >= 0x80:
            high += 1
        for mark, code in MARKS:
            if data[max(0, i + 1 - len(mark)):i + 1] == mark and i + 1 >= len(mark):
                return code
        s = scores.get((prev, ch)) if prev is not None else FIRST.get(ch)
        if s:
            g += s[0]
            b5 += s[1]
            u += s[2]
            f += s[3]
            gc += s[0] > 0
            bc += s[1] > 0
            fc += s[3] > 0
            if s[2] > 0:
                uc += 1
            else:
                notu += 1
        prev = ch
    res = 2 if (gc > high // 4 or high == 0) else 0
    best = g
    if b5 > best:
        best = b5
        res = 3 if bc > high // 4 else 0
    if f > best:
        best = f
        res = 1 if fc > high // 6 else 0
    if u > best and (uc + 9) // (notu + 1) >= 10:
        res = 8
    return res


CODE_OF = {'gbk': 2, 'big5': 3, 'utf16': 8, 'utf8': 1}


def derive(paras, held_out_day, log):
    """{file name: bytes} of the detector scores, and the detector's accuracy on the held-out
    day in each encoding."""
    train = [b''.join(w for w, _ in toks) for day, toks in paras if day != held_out_day]
    held = [b''.join(w for w, _ in toks) for day, toks in paras if day == held_out_day]
    scores = train_scores(encode_all(train))
    lines = ['%d %d %d %d %d %d' % ((a, b) + tuple(s)) for (a, b), s in sorted(scores.items())]
    lines += ['first %d %d %d %d %d' % ((b,) + tuple(s)) for b, s in sorted(FIRST.items())]
    lines += ['mark %s %d' % (m.hex(), code) for m, code in MARKS]
    log('codes: %d scored detector cells' % len(scores))
    held_enc = encode_all(held)
    accuracy = {}
    for e in ENCODINGS:
        ok = sum(1 for t in held_enc[e] if detect(t, scores) == CODE_OF[e])
        accuracy[e] = ok / max(1, len(held_enc[e]))
        log('codes: detection on the held-out day, %s: %d of %d paragraphs (%.2f%%)' %
            (e, ok, len(held_enc[e]), 100.0 * accuracy[e]))
    return {'CodeTrans.model.txt.xz': ('\n'.join(lines) + '\n').encode()}, accuracy
