#!/usr/bin/python3
"""Derives the text sources of the data directory (data/) from the open material.

Usage: tools/derive_data.py [--corpus PATH] [--jieba PATH] [--wordnet DIR] [--out DIR]

Reads the tagged People's Daily corpus (days 1-26; day 27 is held out as the check set), jieba's
dictionary, WordNet and the OpenCC tables, and writes every text file that the data compiler turns
into the binary data directory. The output is a pure function of the sources: a rerun reproduces
the committed files byte for byte."""
import argparse
import lzma
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from kxdata import charset, core, corpus, english, jieba, tagset, punct   # noqa: E402
from kxdata.atoms import fold                                              # noqa: E402
from kxdata.gbk import G, chars                                           # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
# The jieba-only words left out of the core dictionary by default (see kxdata.core.Vocabulary).
DROP_WIDE = 'long,numeral'
WIDE_MIN = 4
ROOT = os.path.dirname(HERE)


def write(path, data):
    """Write bytes; a name ending in .xz is compressed with fixed settings (deterministic)."""
    os.makedirs(os.path.dirname(path), exist_ok=True)
    if path.endswith('.xz'):
        data = lzma.compress(data, format=lzma.FORMAT_XZ, check=lzma.CHECK_CRC32, preset=9)
    with open(path, 'wb') as f:
        f.write(data)


def lines(items):
    return b''.join(x + b'\n' for x in items)


def derive_core(out, cls, train, jb, eng, log, opts):
    vocab = core.Vocabulary(cls, train, jb, opts.drop_wide, opts.wide_min)
    if vocab.dropped_wide:
        log('core: %d jieba-only words left out (%s; jieba count below %d)' %
            (vocab.dropped_wide, ', '.join(opts.drop_wide), opts.wide_min))
    counts = core.Counts(vocab, eng.handle)
    for toks in train:
        counts.paragraph(toks)
    log('core: %d words, %d engine words counted, %d name runs' %
        (len(vocab.words), counts.tokens, counts.runs))
    words = vocab.words
    h = vocab.handle
    uni = dict(counts.uni)
    pos = {k: dict(v) for k, v in counts.pos.items()}
    special = {G(w): i for i, w in enumerate(core.CLASS_WORDS)}
    uni[h[G('未##人')]] = counts.runs
    pos[h[G('未##人')]] = {'nr': counts.runs}
    for w, t in (('未##地', 'ns'), ('未##团', 'nt'), ('未##专', 'nz')):
        uni[h[G(w)]] = 1
        pos[h[G(w)]] = {t: 1}
    for w, t in (('未##串', 'nx'), ('未##时', 't'), ('未##数', 'm'), ('———', 'wp'),
                 ('“', 'wyz'), ('‘', 'wyz'), ('”', 'wyy'), ('’', 'wyy')):
        k = h[G(w)]
        uni[k] = max(uni.get(k, 0), 1)
        pos[k] = {t: uni[k]}
    corpus_total = sum(uni.values())
    jieba_total = sum(f for _, f, _ in jb)
    added = 0
    for w, f, t in jb:
        k = h.get(fold(w))
        if k is None or uni.get(k):
            continue
        c = max(1, round(f * corpus_total / jieba_total * opts.wide_scale))
        uni[k] = c
        pos[k] = {tagset.jieba_tag(t): c}
        added += 1
    # punctuation: every candidate is a punctuation subclass; unseen marks get one count
    for k, w in enumerate(words):
        if k < len(core.CLASS_WORDS):
            continue
        if core.first_class(cls, w) in (1, 2, 3, 4, 5, 17, 28) and len(chars(w)) == 1:
            sub = punct.subclass(w)
            n = sum(pos.get(k, {}).values()) or 1
            pos[k] = {sub: n}
            uni[k] = max(uni.get(k, 0), n)
    log('core: %d jieba-only words counted, unigram total %d' % (added, sum(uni.values())))
    write(os.path.join(out, 'CoreDict.txt.xz'), lines(words))
    write(os.path.join(out, 'CoreDict.unig.txt.xz'),
          lines(words[k] + b' %d' % uni[k] for k in range(len(words)) if uni.get(k, 0) > 0))
    write(os.path.join(out, 'CoreDict.pos.txt.xz'), lines(
        words[k] + b' ' + tagset.MAP0[t].encode() + b' %d' % n
        for k in range(len(words)) if k in pos
        for t, n in sorted((tagset.ID[a], b) for a, b in pos[k].items())))
    pairs = sorted((a, b, n) for (a, b), n in counts.bi.items() if n >= opts.bigram_min)
    write(os.path.join(out, 'BiWord.txt.xz'),
          lines(words[a] + b' ' + words[b] + b' %d' % n for a, b, n in pairs))
    write(os.path.join(out, 'KOVEX.ctx.txt'), lines(
        [b'%d' % tagset.COUNT] + [b'%d %d %d' % (a, b, n) for (a, b), n in sorted(counts.ctx.items())]))
    # person roles: words that ever take a role other than A keep all their role counts
    role = {k: dict(v) for k, v in counts.role.items()}
    surnames = {k for k, r in role.items() if r.get(core.ROLE['B'], 0) >= 5}
    for w, _, t in jb:
        # jieba's names that the corpus never showed: a two-character word is a given name (N)
        # unless it starts with a known surname; a longer one, or one led by a surname, is a
        # whole name (Z). One count each, so the role tagger can see them at all.
        k = h.get(fold(w))
        if k is None or k in role or tagset.jieba_tag(t) != 'nr':
            continue
        cs = chars(w)
        if len(cs) < 2 or any(len(c) != 2 for c in cs):
            continue
        given = len(cs) == 2 and h.get(cs[0]) not in surnames
        role[k] = {core.ROLE['N'] if given else core.ROLE['Z']: 1}
    rows = []
    for k in sorted(role):
        r = role[k]
        if k in (h[G('始##始')], h[G('末##末')]):
            r = {0: sum(r.values())}
        elif all(x == core.ROLE['A'] for x in r):
            continue
        for rid in sorted(r):
            rows.append(words[k] + b' %d %d' % (rid, r[rid]))
    write(os.path.join(out, 'nr.role.txt.xz'), lines(rows))
    write(os.path.join(out, 'nr.ctx.txt'), lines(
        [b'23'] + [b'%d %d %d' % (a, b, n) for (a, b), n in sorted(counts.rctx.items())]))
    return vocab, counts, uni, pos


NR_FSA = """state count
11
input size
9
accepting states
3 4 5 7 9 10
tag ids of those states
24 24 24 24 24 24
state input next
0 1 1
1 2 2
2 3 3
1 4 4
1 5 5
0 6 6
6 3 7
0 7 8
8 1 9
1 8 10
"""

CONFIGURE = """<?xml version="1.0" encoding="GBK"?>
<Configure>
<!-- The library's day files: errors in YYYYMMDD.err, tolerated problems in YYYYMMDD.log.
     LogPath names their folder (absolute, or relative to this data folder); left empty, they go
     into the working folder of the program that uses the library. Log set to off writes neither. -->
<Log>on</Log>
<LogPath></LogPath>
<TagSet>KOVEX.map</TagSet>
<Person>on</Person>
<Tagger>on</Tagger>
<UserDictPrior>on</UserDictPrior>
<UserDict>on</UserDict>
<FieldDict>on</FieldDict>
<GranularityContorl>off</GranularityContorl>
<Sentiment>off</Sentiment>
</Configure>
"""

# The engine's own data directory (build/engine/Data): the same stores without the sentiment
# lexicon, so that tags are parts of speech; the user dictionary stays on for saved user words.
ENGINE_CONFIGURE = CONFIGURE.replace('<FieldDict>on</FieldDict>', '<FieldDict>off</FieldDict>').replace(
    '<UserDictPrior>on</UserDictPrior>', '<UserDictPrior>off</UserDictPrior>')

# Words that are never keywords: reporting formulas and empty time and place words of news text.
KEY_BLACKLIST = ('记者 新华社 本报 报道 电 讯 日电 今天 昨天 明天 目前 现在 当前 今年 去年 明年 '
                 '有关 方面 问题 工作 情况 同志 人们 我们 他们 她们 你们 大家 一些 这些 那些 '
                 '一个 这个 那个 其中 以及 通过 进行 表示 认为 指出 强调 说 称').split()


def derive_english(out, eng, log):
    d = os.path.join(out, 'English')
    write(os.path.join(d, 'English.txt.xz'), lines(w.encode() for w in eng.words))
    write(os.path.join(d, 'English.ung.txt.xz'), lines(
        w.encode() + b' %d' % eng.freq[w] for w in eng.words if eng.freq.get(w, 0) > 0))
    write(os.path.join(d, 'English.pos.txt.xz'), lines(
        w.encode() + b' ' + t.encode() + b' %d' % n
        for w in eng.words if w in eng.cand
        for t, n in sorted(eng.cand[w].items(), key=lambda x: tagset.ID[x[0]])))
    write(os.path.join(d, 'Irrel2regular.txt.xz'), lines(
        f.encode() + b' ' + b.encode() for f, b in eng.irregular))
    write(os.path.join(d, 'ne.txt.xz'), lines(w.encode() for w in eng.ne_words))
    write(os.path.join(d, 'ne.pos.txt.xz'), lines(
        w.encode() + b' ' + t.encode() + b' %d' % n
        for w in eng.ne_words
        for t, n in sorted(eng.ent[w].items(), key=lambda x: tagset.ID[x[0]])))
    log('english: %d words, %d irregular forms, %d named entities' %
        (len(eng.words), len(eng.irregular), len(eng.ne_words)))


def held_out_coverage(vocab, pos, held, log):
    """Share of held-out tokens whose word is a core word with the gold tag among its
    candidates (names and numbers the engine handles by class are counted as plain words)."""
    total = inword = intag = 0
    for toks in held:
        for w, t in toks:
            total += 1
            k = vocab.handle.get(fold(w))
            if k is None:
                continue
            inword += 1
            tag = tagset.PFR.get(t, 'n')
            if tag == 'w':
                tag = punct.subclass(w)
            elif tag == 'nx':
                tag = 'nz'
            if tag in pos.get(k, {}):
                intag += 1
    log('held-out day: %d tokens, %.2f%% in the core dictionary, %.2f%% with the gold tag among '
        'the candidates' % (total, 100.0 * inword / total, 100.0 * intag / total))


def default_corpus():
    """The corpus in the shared folder beside the repository (or the workplace's copy)."""
    name = os.path.join('shared', 'corpus', 'pfr-199801-train.gbk.txt.xz')
    for base in (os.path.dirname(ROOT), os.path.dirname(os.path.dirname(ROOT)), '/work'):
        if os.path.exists(os.path.join(base, name)):
            return os.path.join(base, name)
    return os.path.join(os.path.dirname(ROOT), name)


def main():
    ap = argparse.ArgumentParser(description=__doc__.split('\n')[0])
    ap.add_argument('--corpus', default=default_corpus())
    ap.add_argument('--jieba', default='/usr/lib/python3/dist-packages/jieba/dict.txt')
    ap.add_argument('--wordnet', default='/usr/share/wordnet')
    ap.add_argument('--out', default=os.path.join(ROOT, 'data'))
    ap.add_argument('--skip-codes', action='store_true', help='leave the detector scores alone')
    ap.add_argument('--held-out', type=int, default=core.HELD_OUT_DAY,
                    help='the day held out; the days before it are the training days (for '
                         'deciding a data change on day 26 without looking at day 27)')
    ap.add_argument('--bigram-min', type=int, default=1, help='fewest sightings of a kept word pair')
    ap.add_argument('--drop-wide', default=DROP_WIDE,
                    help='comma-separated kinds of jieba-only words left out: long, numeral, composable, compounds')
    ap.add_argument('--wide-min', type=int, default=WIDE_MIN,
                    help='jieba-only words of several characters with a smaller jieba count are left out')
    ap.add_argument('--wide-scale', type=float, default=1, help='factor on the scaled jieba counts')
    args = ap.parse_args()
    args.drop_wide = tuple(x for x in args.drop_wide.split(',') if x)
    t0 = time.time()

    def log(msg):
        print('[%5.1fs] %s' % (time.time() - t0, msg), flush=True)
    out = args.out
    write(os.path.join(out, 'KOVEX.map'), tagset.map_text(0).encode())
    write(os.path.join(out, 'KOVEX_First.map'), tagset.map_text(1).encode())
    write(os.path.join(out, 'PKU.map'), tagset.map_text(2).encode())
    write(os.path.join(out, 'PKU_First.map'), tagset.pku_first_text().encode())
    write(os.path.join(out, 'Configure.xml'), CONFIGURE.encode())
    write(os.path.join(out, 'engine', 'Configure.xml'), ENGINE_CONFIGURE.encode())
    write(os.path.join(out, 'nr.fsa.txt'), NR_FSA.encode())
    write(os.path.join(out, 'KeyBlackList.txt'), lines(G(w) for w in KEY_BLACKLIST))
    cls = charset.build_classes()
    write(os.path.join(out, 'charset.txt'), lines(charset.charset_lines(cls)))
    eng = english.English(args.wordnet)
    derive_english(out, eng, log)
    paras = list(corpus.paragraphs(args.corpus))
    train = [t for d, t in paras if d < args.held_out]
    held = [t for d, t in paras if d == args.held_out]
    log('corpus: %d training paragraphs, %d held out' % (len(train), len(held)))
    jb = jieba.read(args.jieba)
    vocab, counts, uni, pos = derive_core(out, cls, train, jb, eng, log, args)
    held_out_coverage(vocab, pos, held, log)
    if not args.skip_codes:
        from kxdata import codesets
        files, _ = codesets.derive(paras, core.HELD_OUT_DAY, log)
        for name, data in files.items():
            write(os.path.join(out, name), data)
    log('done')


if __name__ == '__main__':
    main()
