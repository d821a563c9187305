"""Character sets of the code converter and the encoding-detection automaton.

charmap: one line per character that has a GBK or a BIG5 form: 'handle unicode gbk big5' in hex
('-' when the set lacks the character). The same character has the same handle in every set, so
the converter's maps are identities where both sides hold it. BIG5 is code page 950, as in the
conversion tables. ASCII stays out (unmatched ASCII passes unchanged), and so does the euro sign.

CodeTrans.model scores: the detector is a byte automaton whose cells score each byte given the
byte before it (a first-order model); one line 'prev next gbk big5 unicode utf8' per cell with
its four score changes (-9..10), trained on the training days converted to each encoding."""
import math
import os
import subprocess
from collections import Counter

ENCODINGS = ('gbk', 'big5', 'utf16', 'utf8')   # order of the score columns


def charmap():
    chars = {}
    for lead in range(0x81, 0xFF):
        for trail in range(0x40, 0xFF):
            b = bytes((lead, trail))
            for k, enc in ((0, 'gbk'), (1, 'cp950')):
                try:
                    u = b.decode(enc)
                except UnicodeDecodeError:
                    continue
                if len(u) != 1 or ord(u) < 0x80 or u == '\u20ac':
                    continue
                chars.setdefault(u, [None, None])
                if chars[u][k] is None:
                    chars[u][k] = b
    # GBK characters first in GBK order, then the characters only BIG5 has in BIG5 order
    gbk = sorted((v[0], u) for u, v in chars.items() if v[0])
    big5 = sorted((v[1], u) for u, v in chars.items() if not v[0])
    order = [u for _, u in gbk] + [u for _, u in big5]
    return [(h, u, chars[u][0], chars[u][1]) for h, u in enumerate(order)]


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


def train_scores(texts):
    """Score changes per (prev, next) byte pair, or None where the cell stays neutral."""
    counts = {}
    for e in ENCODINGS:
        c = Counter()
        for t in texts[e]:
            c.update(zip(t, t[1:]))
        counts[e] = c
    alpha = 0.5
    totals = {e: Counter() for e in ENCODINGS}
    for e in ENCODINGS:
        for (a, _), n in counts[e].items():
            totals[e][a] += n
    scores = {}
    for a in range(256):
        for b in range(256):
            lp = []
            for e in ENCODINGS:
                lp.append(math.log((counts[e][(a, b)] + alpha) / (totals[e][a] + 256 * alpha)))
            mean = sum(lp) / len(lp)
            ch = [max(-9, min(10, int(round(2.0 * (x - mean))))) for x in lp]
            if ch[2] <= 0 and counts['utf16'][(a, b)] > 0:
                # every pair that 16-bit text makes counts for it, so that on 16-bit text nearly
                # all cells are positive for it (the detector asks for ten to one)
                ch[2] = 1
            if a < 0x80 and b < 0x80 and a and b:
                # plain ASCII says nothing about the multi-byte encodings
                ch[0] = ch[1] = ch[3] = 0
            if any(ch):
                scores[(a, b)] = ch
    return scores


def detect(data, scores):
    """The detector over the first-order automaton, as the engine runs it."""
    g = b5 = u = f = 0
    gc = bc = uc = fc = notu = 0
    high = 0
    prev = None
    for ch in data:
        if ch >= 0x80:
            high += 1
        if prev is not None:
            s = scores.get((prev, ch))
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
    """{file name: bytes} of the converter character map and the detector scores, and the
    detector's accuracy on the held-out day in each encoding."""
    cm = charmap()
    rows = ['%d %04x %s %s' % (h, ord(u), gb.hex() if gb else '-', b5.hex() if b5 else '-')
            for h, u, gb, b5 in cm]
    train = [b''.join(w for w, _ in toks) for day, toks in paras if day != held_out_day]
    held = [b''.join(w for w, _ in toks) for day, toks in paras if day == held_out_day]
    scores = train_scores(encode_all(train))
    lines = ['%d %d %d %d %d %d' % ((a, b) + tuple(s)) for (a, b), s in sorted(scores.items())]
    log('codes: %d characters in the converter sets, %d scored detector cells' %
        (len(cm), len(scores)))
    held_enc = encode_all(held)
    accuracy = {}
    for e in ENCODINGS:
        ok = sum(1 for t in held_enc[e] if detect(t, scores) == CODE_OF[e])
        accuracy[e] = ok / max(1, len(held_enc[e]))
        log('codes: detection on the held-out day, %s: %d of %d paragraphs (%.2f%%)' %
            (e, ok, len(held_enc[e]), 100.0 * accuracy[e]))
    return {'codes/charmap.txt.xz': ('\n'.join(rows) + '\n').encode(),
            'CodeTrans.model.txt.xz': ('\n'.join(lines) + '\n').encode()}, accuracy
