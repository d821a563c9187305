#!/usr/bin/python3
"""Writes the plain GBK text of the corpus paragraphs of the given days (default: the held-out
day 27) to standard output, one paragraph a line, as the engine would receive them.

Usage: tools/corpus_text.py [--corpus PATH] [DAY ...]"""
import argparse
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from kxdata import corpus   # noqa: E402
import derive_data          # noqa: E402


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('--corpus', default=derive_data.default_corpus())
    ap.add_argument('days', nargs='*', type=int, default=[27])
    args = ap.parse_args()
    if not os.path.exists(args.corpus):
        sys.stderr.write('corpus not found: %s\n' % args.corpus)
        return 1
    days = set(args.days)
    out = sys.stdout.buffer
    for day, toks in corpus.paragraphs(args.corpus):
        if day in days and toks:
            out.write(b''.join(w for w, _ in toks) + b'\n')
    return 0


if __name__ == '__main__':
    sys.exit(main())
