#!/usr/bin/python3
"""Measures the derived data on the held-out day (27) the way the engine would use it.

With the corpus's own segmentation cut as the engine cuts it, it runs the tagger's Viterbi search
over CoreDict.pos and KOVEX.ctx (part-of-speech accuracy), and the role tagger over nr.role and
nr.ctx followed by the role automaton (person names that need merging: recall and precision).
Usage: tools/evaluate_data.py [--data DIR]"""
import argparse
import collections
import lzma
import math
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from kxdata import charset, core, corpus, english, jieba, tagset     # noqa: E402
from kxdata.atoms import fold                                         # noqa: E402
import derive_data                                                    # noqa: E402


def read_lines(path):
    data = lzma.open(path).read() if path.endswith('.xz') else open(path, 'rb').read()
    return [x for x in data.split(b'\n') if x]


class Hmm:
    """The tagger of the engine: transitions from a context table, emissions from candidates."""

    def __init__(self, cands, ctx_path, items, default):
        self.cands = cands
        lines = read_lines(ctx_path)
        self.count = collections.Counter()
        for line in lines[1:]:
            a, b, c = map(int, line.split())
            self.count[(a, b)] += c
        self.freq = collections.Counter()
        for (a, _), c in self.count.items():
            self.freq[a] += c
        self.total = sum(self.freq.values())
        self.items = items
        self.default = default

    def trans(self, a, b):
        c, f = self.count.get((a, b), 0), self.freq.get(a, 0)
        if f and c:
            return ((c * 0.9) / f + (f * 0.1) / self.total) * 0.99999 + 0.00001
        return 0.00001

    def tag(self, handles):
        cands = [self.cands.get(h) or [(self.default, 0)] for h in handles]
        score = [[0.0] * len(cands[0])]
        back = [[0] * len(cands[0])]
        for i in range(1, len(cands)):
            sc, bk = [], []
            for t, f in cands[i]:
                best, arg = None, 0
                for k, (p, _) in enumerate(cands[i - 1]):
                    v = score[-1][k] + math.log(self.trans(p, t))
                    if best is None or v > best:
                        best, arg = v, k
                best += math.log(f + 0.02) - math.log(self.freq.get(t, 0) + self.items * 0.02)
                sc.append(best)
                bk.append(arg)
            score.append(sc)
            back.append(bk)
        out, j = [0] * len(cands), 0
        for i in range(len(cands) - 1, -1, -1):
            out[i] = cands[i][j][0]
            j = back[i][j]
        return out


FSA = {(0, 1): 1, (1, 2): 2, (2, 3): 3, (1, 4): 4, (1, 5): 5, (0, 6): 6, (6, 3): 7, (0, 7): 8,
       (8, 1): 9, (1, 8): 10}
ACCEPTING = {3, 4, 5, 7, 9, 10}


def merges(roles):
    """Spans (first, last word) that the role automaton merges into a name."""
    spans, i, cur, start, accepted = [], 0, 0, 0, 0
    while i < len(roles):
        nxt = FSA.get((cur, roles[i]), -1)
        if nxt != -1:
            if nxt in ACCEPTING:
                accepted = i
            cur = nxt
            i += 1
            continue
        if accepted > start:
            spans.append((start, accepted))
            start = i = accepted + 1
        else:
            start = i = i + 1
        cur = 0
    return spans


def main():
    ap = argparse.ArgumentParser(description=__doc__.split('\n')[0])
    ap.add_argument('--data', default=os.path.join(derive_data.ROOT, 'data'))
    args = ap.parse_args()
    d = args.data
    words = read_lines(os.path.join(d, 'CoreDict.txt.xz'))
    handle = {fold(w): i for i, w in enumerate(words)}

    def cand_table(name, by_name):
        table = collections.defaultdict(list)
        for line in read_lines(os.path.join(d, name)):
            w, t, n = line.rsplit(b' ', 2)
            tid = tagset.ID[t.decode()] if by_name else int(t)
            table[handle[fold(w)]].append((tid, int(n)))
        for k in table:
            table[k].sort()
        return table
    items = len(read_lines(os.path.join(d, 'CoreDict.unig.txt.xz')))
    tagger = Hmm(cand_table('CoreDict.pos.txt.xz', True), os.path.join(d, 'KOVEX.ctx.txt'), items,
                 tagset.ID['n'])
    roles = Hmm(cand_table('nr.role.txt.xz', False), os.path.join(d, 'nr.ctx.txt'), items,
                core.ROLE['A'])
    cls = charset.build_classes()
    paras = list(corpus.paragraphs(derive_data.default_corpus()))
    train = [t for day, t in paras if day != core.HELD_OUT_DAY]
    held = [t for day, t in paras if day == core.HELD_OUT_DAY]
    vocab = core.Vocabulary(cls, train, jieba.read('/usr/lib/python3/dist-packages/jieba/dict.txt'),
                            tuple(derive_data.DROP_WIDE.split(',')), derive_data.WIDE_MIN)
    counts = core.Counts(vocab, english.English('/usr/share/wordnet').handle)
    sentences = []
    counts.sentence = lambda ws: sentences.append([tuple(w[:4]) for w in ws])
    for toks in held:
        counts.paragraph(toks)
    right = total = 0
    gold = found = hit = 0
    for s in sentences:
        hs = [w[0] for w in s]
        for (_, t, _, _), p in zip(s[1:-1], tagger.tag(hs)[1:-1]):
            total += 1
            right += tagset.ID[t] == p
        runs = collections.defaultdict(list)
        for i, w in enumerate(s):
            if w[3] > 0:
                runs[w[3]].append(i)
        want = {(ix[0], ix[-1]) for ix in runs.values() if len(ix) >= 2}
        got = set(merges(roles.tag(hs)))
        gold, found, hit = gold + len(want), found + len(got), hit + len(want & got)
    print('tagging accuracy on %d held-out words: %.2f%%' % (total, 100.0 * right / total))
    print('names to merge: %d, merged %d, right %d (recall %.1f%%, precision %.1f%%)' %
          (gold, found, hit, 100.0 * hit / max(1, gold), 100.0 * hit / max(1, found)))


if __name__ == '__main__':
    main()
