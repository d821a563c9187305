#!/usr/bin/python3
"""Runs the Python copies of library logic against the library on generated input.

The data derivation carries Python copies of the GBK character tests (tools/kxdata/gbk.py) and of
the encoding detector (tools/kxdata/codesets.py `detect`). The library is the reference: this
script feeds random input to both, through the helper program kxcheck, and fails on the first
difference, printing the seed, the input and both answers.
Usage: tools/check_python_copies.py --helper build/bin/kxcheck --model build/Data/CodeTrans.model
       [--data data] [--seed N] [--count N]"""
import argparse
import lzma
import os
import random
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from kxdata import codesets, gbk      # noqa: E402

# The sets the Python copies test membership in, in a fixed order.
SETS = [gbk.YEAR_NUMERALS, gbk.YEAR_HIGH, gbk.THOUSAND_ZERO, gbk.THOUSAND, gbk.DAY_NUMERALS,
        gbk.SIGN, gbk.POINT, gbk.PERCENT, gbk.UNIT]


def run_helper(args, lines):
    res = subprocess.run(args, input=('\n'.join(lines) + '\n').encode(), capture_output=True)
    if res.returncode != 0:
        sys.exit('kxcheck failed: %s' % res.stderr.decode(errors='replace'))
    return res.stdout.decode().split('\n')[:len(lines)]


def hexs(b):
    return b.hex() if b else '-'


# ---- GBK character tests --------------------------------------------------------------------

def token_pool():
    """Characters the generated tokens are made of: those the tests look for, and others."""
    pool = [bytes((c,)) for c in b'0123456789+-./%:,;?!(){}[]=abcXYZ \t']
    for s in SETS:
        pool += sorted(s)
    pool += gbk.chars(gbk.G('０１２３４５６７８９年月日时分秒点之第两几半十百千万亿号中国人＋－％'))
    codes = gbk.all_gbk_codes()
    return pool, codes


def random_token(rng, pool, codes):
    out = b''
    for _ in range(rng.randint(1, 8)):
        r = rng.random()
        if r < 0.8:
            out += rng.choice(pool)
        elif r < 0.95:
            c = rng.choice(codes)
            out += bytes((c >> 8, c & 0xFF))
        else:
            out += bytes((rng.randint(1, 0xFF),))
    if rng.random() < 0.05:
        out += bytes((rng.randint(0x81, 0xFE),))   # a lone lead byte at the end
    return out


def python_gbk(tok):
    first = tok[0] if tok else None
    full = gbk.delimiter_full(first) if first is not None else None
    return 'chars=%s num=%d year=%d day=%d delim=%s atoi=%d counts=%s' % (
        ','.join(str(len(c)) for c in gbk.chars(tok)),
        gbk.is_all_num(tok), gbk.is_year_time(tok), gbk.is_day_time(tok),
        full.hex() if full else '-', gbk.c_atoi(tok),
        ','.join(str(gbk.count_members(tok, s)) for s in SETS))


def check_gbk(helper, seed, count):
    rng = random.Random(seed)
    pool, codes = token_pool()
    toks = [random_token(rng, pool, codes) for _ in range(count)]
    # Every single byte and every set member alone as well.
    toks += [bytes((b,)) for b in range(1, 256)] + [c for s in SETS for c in sorted(s)]
    sets_line = 'sets ' + ' '.join(hexs(b''.join(sorted(s))) for s in SETS)
    got = run_helper([helper, 'gbk'], [sets_line] + [hexs(t) for t in toks])
    for tok, lib in zip(toks, got):
        py = python_gbk(tok)
        if py != lib:
            print('GBK character tests differ (seed %d) on %s (%r)' % (seed, tok.hex(), tok))
            print('  library: %s' % lib)
            print('  python:  %s' % py)
            return False
    print('GBK character tests: %d tokens agree' % len(toks))
    return True


# ---- encoding detector ----------------------------------------------------------------------

def read_scores(data_dir):
    scores = {}
    with lzma.open(os.path.join(data_dir, 'CodeTrans.model.txt.xz')) as f:
        for raw in f:
            parts = raw.split()
            if len(parts) == 6 and parts[0].isdigit():
                a, b, *ch = map(int, parts)
                scores[(a, b)] = ch
    return scores


def random_text(rng, samples):
    """Pieces of real text in the four encodings, ASCII and random bytes, mixed."""
    out = b''
    for _ in range(rng.randint(1, 4)):
        r = rng.random()
        if r < 0.6:
            enc = rng.choice(codesets.ENCODINGS)
            t = rng.choice(samples[enc])
            a = rng.randint(0, max(0, len(t) - 1))
            out += t[a:a + rng.randint(1, 40)]
        elif r < 0.8:
            out += bytes(rng.choice(b'abcdefg 0123.,') for _ in range(rng.randint(1, 10)))
        elif r < 0.9:
            out += rng.choice((b'\xef\xbb\xbf', b'\xff\xfe', b'\xef\xbb', b'\xff'))
        else:
            out += bytes(rng.randint(1, 255) for _ in range(rng.randint(1, 6)))
    return out.replace(b'\n', b' ')


def check_detect(helper, model, data_dir, seed, count):
    rng = random.Random(seed)
    scores = read_scores(data_dir)
    base = ['记者从国家统计局获悉，今年一月份全国居民消费价格比去年同月上涨百分之三。',
            '他说：“我们要把经济建设搞上去！”', '中华人民共和国成立五十周年', 'abc 中文 123']
    gbk_texts = [t.encode('gbk') for t in base]
    samples = {'gbk': gbk_texts,
               'big5': [t.encode('big5', errors='ignore') for t in base],
               'utf16': [t.encode('utf-16-le') for t in base],
               'utf8': [t.encode('utf-8') for t in base]}
    texts = [random_text(rng, samples) for _ in range(count)]
    texts += [t for e in codesets.ENCODINGS for t in samples[e]]
    got = run_helper([helper, 'detect', model], [hexs(t) for t in texts])
    for text, lib in zip(texts, got):
        py = str(codesets.detect(text, scores))
        if py != lib:
            print('encoding detection differs (seed %d) on %s' % (seed, text.hex()))
            print('  library: %s' % lib)
            print('  python:  %s' % py)
            return False
    print('encoding detection: %d texts agree' % len(texts))
    return True


def main():
    ap = argparse.ArgumentParser(description=__doc__.split('\n')[0])
    ap.add_argument('--helper', required=True)
    ap.add_argument('--model', required=True)
    ap.add_argument('--data', default=os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'data'))
    ap.add_argument('--seed', type=int, default=27)
    ap.add_argument('--count', type=int, default=20000)
    args = ap.parse_args()
    ok = check_gbk(args.helper, args.seed, args.count)
    ok = check_detect(args.helper, args.model, args.data, args.seed, args.count) and ok
    return 0 if ok else 1


if __name__ == '__main__':
    sys.exit(main())
