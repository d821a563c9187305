#!/usr/bin/python3
"""Cuts every paragraph of days 1-27 of the corpus, and random lines made of the characters the
atom rules treat specially (fixed seed), into atoms with both the engine (build/bin/atomcut over
build/Data) and the Python copy of the atom rules (tools/kxdata/atoms.py over the data/ sources),
and fails on the first line where they differ, printing it and both atom lists. The engine is the
reference.

Usage: tools/check_atoms.py ATOMCUT DATA_DIR [--corpus PATH]
Exit 0 when all agree, 1 on a difference, 77 when the corpus is absent."""
import argparse
import lzma
import os
import random
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

from kxdata import corpus                      # noqa: E402
from kxdata.atoms import Segmenter, fold       # noqa: E402
from kxdata.gbk import code_of                 # noqa: E402
import derive_data                             # noqa: E402

ROOT = os.path.dirname(HERE)
LAST_DAY = 27
MARKS = {'x': 120, 'y': 121, 'c': 99, 'e': 101}
RANDOM_LINES = 30000
SEED = 12
# Pieces of the random lines: digits, letters, numerals, units, prefixes, quotes, carets, dashes,
# sentence marks, white space, ordinary words and stray lead bytes.
PALETTE = [x.encode('gbk') for x in (
    '0 1 9 ０ ５ a Z O o x etc. . , : / % @ _ & · ． ％ + - = ＋ ± ① Ⅻ 两 半 〇 零 一 二 十 百 千 万 亿 '
    '第 点 分 之 $ ￥ 日 号 时 秒 年 代 级 月 饼 球 钟 份 “ ” " \' ^ ^^ — ―― ～ ~ … 。 ！ ？ ! ? ， ； 、 '
    '他 说 中国 人民 十分 三五成群 一些 北京大学').split(' ')] + [b' ', b'\t', b'\r', b'\xb0', b'\x81\x30']


def read_lines(path):
    opener = lzma.open if path.endswith('.xz') else open
    with opener(path, 'rb') as f:
        return [x.rstrip(b'\r\n') for x in f.read().split(b'\n') if x.rstrip(b'\r\n')]


def load_classes(path):
    """The character classes as the importer reads charset.txt: white space forced to 28."""
    cls = {}
    for line in read_lines(path):
        ch, _, k = line.rpartition(b' ')
        cls[code_of(ch)] = int(k) & 0xFF
    for code in (9, 10, 13, 32):
        cls[code] = 28
    return cls


def load_handles(path):
    """Folded word -> handle, in the word file's order (a repeated word keeps its first handle)."""
    handle = {}
    for w in read_lines(path):
        handle.setdefault(fold(w), len(handle))
    return handle


def cut(seg, line):
    """The atom line of one paragraph, in atomcut's format."""
    out = []
    pos = 0
    n = len(line)
    while pos < n:
        while pos < n and line[pos] in b' \t\r\n':
            pos += 1
        if pos >= n:
            break
        atoms, pos = seg.sentence(line, pos)
        out.append(' '.join('%d,%d,%d,%d' % (a.start, a.end, a.handle, MARKS.get(a.type, a.type))
                            for a in atoms))
    return ' | '.join(out)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('atomcut')
    ap.add_argument('data_dir')
    ap.add_argument('--corpus', default=derive_data.default_corpus())
    args = ap.parse_args()
    if not os.path.exists(args.corpus):
        print('corpus not found (%s): skipped' % args.corpus)
        return 77
    data = os.path.join(ROOT, 'data')
    seg = Segmenter(load_classes(os.path.join(data, 'charset.txt')),
                    load_handles(os.path.join(data, 'CoreDict.txt.xz')),
                    load_handles(os.path.join(data, 'English', 'English.txt.xz')))
    paras = [b''.join(w for w, _ in toks) for day, toks in corpus.paragraphs(args.corpus)
             if day <= LAST_DAY]
    paras = [p for p in paras if p]
    rng = random.Random(SEED)
    for _ in range(RANDOM_LINES):
        paras.append(b''.join(rng.choice(PALETTE) for _ in range(rng.randint(1, 24))))
    res = subprocess.run([args.atomcut, args.data_dir], input=b''.join(p + b'\n' for p in paras),
                         stdout=subprocess.PIPE, check=True)
    got = res.stdout.decode('ascii').split('\n')
    for k, p in enumerate(paras):
        engine = got[k].strip() if k < len(got) else '(missing)'
        python = cut(seg, p)
        if engine != python:
            print('line %d differs (%s):\n%s\n%r' % (k, 'random' if k >= len(paras) - RANDOM_LINES else 'corpus',
                                                   p.decode('gbk', 'replace'), p))
            ea, pa = engine.split(' '), python.split(' ')
            i = 0
            while i < min(len(ea), len(pa)) and ea[i] == pa[i]:
                i += 1
            print('first difference at item %d' % i)
            print('engine: %s' % engine)
            print('python: %s' % python)
            return 1
    print('%d lines cut alike (%d corpus paragraphs, %d random lines, seed %d)' %
          (len(paras), len(paras) - RANDOM_LINES, RANDOM_LINES, SEED))
    return 0


if __name__ == '__main__':
    sys.exit(main())
