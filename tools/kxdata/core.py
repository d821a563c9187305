"""The core dictionary and its statistics: word list, unigram and bigram counts, tag candidates,
tag transitions, and the person-name roles, all counted over the engine's own cutting."""
from collections import Counter, defaultdict

from .atoms import Segmenter, fold
from .gbk import G, chars, all_gbk_codes
from . import punct, tagset

CLASS_WORDS = ['始##始', '末##末', '未##串', '未##人', '未##地', '未##团', '未##时', '未##数', '未##专']
QUOTE_WORDS = ['“', '”', '‘', '’', '———']
ROLE = {'S': 0, 'B': 1, 'C': 2, 'D': 3, 'E': 4, 'N': 5, 'X': 6, 'F': 7, 'G': 8, 'K': 9, 'L': 10,
        'M': 11, 'Z': 12, 'A': 22}
NAME_ROLES = set('BCDENXFGZ')
PREFIXES = {G(x) for x in '老小阿'}
SUFFIXES = {G(x) for x in '氏某'}
HELD_OUT_DAY = 27


def first_class(classes, word):
    c = chars(word)[0]
    code = c[0] * 256 + c[1] if len(c) == 2 else c[0]
    return classes.get(code, 0)


def word_ok(classes, word):
    """A multi-character word the lattice can reach: it must not start with a character that
    always stands alone as an atom (punctuation, digits, letters, signs, numbered marks)."""
    if not word or any(b in b' \t\r\n_[]' for b in word):
        return False
    if len(chars(word)) == 1:
        return True
    return first_class(classes, word) not in (1, 2, 3, 4, 5, 6, 7, 8, 17, 28, 29)


def name_runs(toks):
    """Runs of consecutive person-name tokens as (first index, last index + 1)."""
    runs = []
    i = 0
    while i < len(toks):
        if toks[i][1] == 'nr':
            j = i
            while j < len(toks) and toks[j][1] == 'nr':
                j += 1
            runs.append((i, j))
            i = j
        else:
            i += 1
    return runs


def is_chinese_name(toks, lo, hi):
    return hi - lo == 2 and 1 <= len(chars(toks[lo][0])) <= 2 and \
        1 <= len(chars(toks[lo + 1][0])) <= 2 and all(len(c) == 2 for c in chars(toks[lo][0]))


NUMERAL_CLASSES = (9, 10, 11)
IDIOM_TAGS = ('i', 'l')


def composable(word, known, min_chars=1):
    """True when the word is a sequence of two or more words of `known` (folded texts) of at
    least min_chars characters each."""
    cs = chars(word)
    n = len(cs)
    ok = [False] * (n + 1)     # ok[i]: the first i characters split into known words
    ok[0] = True
    for i in range(n):
        if not ok[i]:
            continue
        piece = b''
        for j in range(i, n):
            piece += cs[j]
            if (i, j + 1) != (0, n) and j + 1 - i >= min_chars and fold(piece) in known:
                ok[j + 1] = True
    return ok[n]


def wide_word_dropped(classes, word, tag, drop, corpus_words):
    """Whether a word that only the wide dictionary (jieba) has stays out of the core
    dictionary. `drop` holds the kinds left out: 'long' (four or more characters, idioms
    excepted), 'numeral' (led by a numeral), 'composable' (two or more corpus words)."""
    n = len(chars(word))
    if n < 2:
        return False
    if 'long' in drop and n >= 4 and tag not in IDIOM_TAGS:
        return True
    if 'numeral' in drop and first_class(classes, word) in NUMERAL_CLASSES:
        return True
    if 'composable' in drop and composable(word, corpus_words):
        return True
    if 'compounds' in drop and composable(word, corpus_words, 2):
        return True
    return False


class Vocabulary:
    """Builds the ordered core word list from the corpus (training days), jieba and GBK; the
    jieba-only words of the kinds in `drop_wide` (see wide_word_dropped) are left out."""

    def __init__(self, classes, train, jieba, drop_wide=(), wide_min=0):
        self.classes = classes
        corpus_tags = defaultdict(Counter)
        as_given = Counter()
        for toks in train:
            for w, t in toks:
                corpus_tags[w][t] += 1
            for lo, hi in name_runs(toks):
                if is_chinese_name(toks, lo, hi):
                    as_given[toks[lo + 1][0]] += 1
        jieba_keys = {fold(w) for w, _, _ in jieba}
        # Given names that occur only as the given part of a name and that jieba does not know are
        # left out, so the counts cut them into characters as the engine cuts an unseen name.
        self.excluded_given = {w for w, c in as_given.items()
                               if len(chars(w)) == 2 and sum(corpus_tags[w].values()) == c
                               and fold(w) not in jieba_keys}
        words = {}
        for w in corpus_tags:
            if w not in self.excluded_given and word_ok(classes, w):
                words.setdefault(fold(w), w)
        corpus_words = set(words)
        self.dropped_wide = 0
        for w, f, t in jieba:
            if word_ok(classes, w) and fold(w) not in words:
                if (drop_wide and wide_word_dropped(classes, w, t, drop_wide, corpus_words)) or \
                        (f < wide_min and len(chars(w)) > 1):
                    self.dropped_wide += 1
                    continue
                words[fold(w)] = w
        for code in all_gbk_codes():
            if classes.get(code, 0) in (7, 8):
                continue
            words.setdefault(bytes((code >> 8, code & 0xFF)), bytes((code >> 8, code & 0xFF)))
        for b in range(0x21, 0x7F):
            # '[' and '_' cannot be written in the importer's word file (a bracket opens a
            # phrase, an underscore becomes a blank); they stay punctuation atoms without an id
            if classes.get(b, 0) not in (8, 29) and b not in (0x5B, 0x5F):
                words.setdefault(bytes((b,)), bytes((b,)))
        special = [G(x) for x in CLASS_WORDS + QUOTE_WORDS]
        one = G('一')
        for w in special + [one]:
            words.pop(w, None)
        rest = sorted(words)
        self.words = special + rest + [one]
        self.handle = {fold(w): h for h, w in enumerate(self.words)}
        assert len(self.handle) == len(self.words)


class Counts:
    """Counts of the engine-word stream: unigrams, bigrams, (word, tag), tag and role bigrams."""

    def __init__(self, vocab, english):
        self.v = vocab
        self.seg = Segmenter(vocab.classes, vocab.handle, english)
        s = self.seg
        self.NR = vocab.handle[G('未##人')]
        self.class_tag = {s.M: 'm', s.T: 't', s.X: 'nx', s.WP: 'wp', s.START: 'wj', s.END: 'wj',
                          s.LD: 'wyz', s.LS: 'wyz', s.RD: 'wyy', s.RS: 'wyy'}
        self.uni = Counter()
        self.bi = Counter()
        self.pos = defaultdict(Counter)
        self.ctx = Counter()
        self.role = defaultdict(Counter)
        self.rctx = Counter()
        self.runs = 0
        self.tokens = 0

    # -- virtual tokens: the gold tokens with names cut as the engine would cut them --
    def virtual_tokens(self, toks):
        out = []          # (word, map-0 tag, role or None, run id or -1)
        runs = name_runs(toks)
        self.runs += len(runs)
        starts = {lo: hi for lo, hi in runs}
        i = 0
        rid = 0
        core = self.v.handle
        while i < len(toks):
            if i not in starts:
                w, t = toks[i]
                out.append((w, self.map_tag(w, t), None, -1))
                i += 1
                continue
            lo, hi = i, starts[i]
            rid += 1
            text = b''.join(w for w, _ in toks[lo:hi])
            if is_chinese_name(toks, lo, hi):
                s, g = toks[lo][0], toks[lo + 1][0]
                gc = chars(g)
                if fold(s + g) in core:
                    out.append((s + g, 'nr', 'Z', rid))
                elif len(gc) == 1:
                    out += [(s, 'nr', 'B', rid), (g, 'nr', 'E', rid)]
                elif fold(g) in core:
                    out += [(s, 'nr', 'B', rid), (g, 'nr', 'N', rid)]
                elif fold(s + gc[0]) in core:
                    out += [(s + gc[0], 'nr', 'X', rid), (gc[1], 'nr', 'D', rid)]
                else:
                    out += [(s, 'nr', 'B', rid), (gc[0], 'nr', 'C', rid), (gc[1], 'nr', 'D', rid)]
            elif hi - lo == 1 and fold(text) in core:
                out.append((text, 'nr', 'Z', rid))
            else:
                for w, _ in toks[lo:hi]:
                    out.append((w, 'nr', 'A', -1))
            i = hi
        return out

    def map_tag(self, w, t):
        t = tagset.PFR.get(t, 'n')
        if t == 'w':
            return punct.subclass(w)
        return t

    def tag_of(self, handle, text, tag):
        ct = self.class_tag.get(handle)
        if ct:
            return ct
        if tag.startswith('w'):
            return punct.subclass(self.v.words[handle]) if handle >= 0 else punct.subclass(text)
        if tag == 'nx':
            return 'nz'
        return tag

    # -- one paragraph --
    def paragraph(self, toks):
        vt = self.virtual_tokens(toks)
        line = b''.join(w for w, _, _, _ in vt)
        starts, ends = [], []
        p = 0
        for w, _, _, _ in vt:
            starts.append(p)
            p += len(w)
            ends.append(p)
        tok_at_end = {e: k for k, e in enumerate(ends)}
        pos = 0
        first_tok = 0
        while pos < len(line):
            while pos < len(line) and line[pos] in b' \t\r\n':
                pos += 1
            if pos >= len(line):
                break
            atoms, nxt = self.seg.sentence(line, pos)
            if nxt <= pos:
                break
            words = self.align(line, atoms, vt, starts, ends, tok_at_end)
            self.sentence(words)
            pos = nxt

    def align(self, line, atoms, vt, starts, ends, tok_at_end):
        """Engine words (handle, tag, role, run id) of one sentence's atoms."""
        s = self.seg
        inner = atoms[1:-1]
        words = [(s.START, 'wj', 'S', -1)]
        k = 0
        while k < len(inner):
            j = k
            while j < len(inner) - 1 and inner[j].end not in tok_at_end:
                j += 1
            seg_atoms = inner[k:j + 1]
            a0, a1 = seg_atoms[0].start, seg_atoms[-1].end
            toks = self.overlap(starts, ends, a0, a1)
            exact = len(toks) == 1 and starts[toks[0]] == a0 and ends[toks[0]] == a1
            if exact:
                w, tag, role, rid = vt[toks[0]]
                if len(seg_atoms) == 1:
                    h = seg_atoms[0].handle
                    words.append(self.word(h, line[a0:a1], tag, role, rid))
                else:
                    h = s.find(line[a0:a1])
                    if h >= 0 and not s.standalone(seg_atoms[0]):
                        words.append(self.word(h, line[a0:a1], tag, role, rid))
                    else:
                        for a in seg_atoms:
                            words.append(self.word(a.handle, line[a.start:a.end], tag,
                                                   'A' if role else None, -1 if role else rid,
                                                   broken=rid))
            else:
                big = max(toks, key=lambda t: ends[t] - starts[t])
                tag = vt[big][1]
                brk = [vt[t][3] for t in toks if vt[t][3] > 0]
                h = seg_atoms[0].handle if len(seg_atoms) == 1 else s.find(line[a0:a1])
                if len(seg_atoms) == 1 or (h >= 0 and not s.standalone(seg_atoms[0])):
                    words.append(self.word(h, line[a0:a1], tag, 'A' if brk else None, -1,
                                           broken=brk[0] if brk else -1))
                else:
                    for a in seg_atoms:
                        t = self.overlap(starts, ends, a.start, a.end)[0]
                        words.append(self.word(a.handle, line[a.start:a.end], vt[t][1],
                                               'A' if brk else None, -1,
                                               broken=brk[0] if brk else -1))
            k = j + 1
        words.append((s.END, 'wj', 'S', -1))
        return words

    @staticmethod
    def overlap(starts, ends, a0, a1):
        import bisect
        t = bisect.bisect_right(ends, a0)
        out = []
        while t < len(starts) and starts[t] < a1:
            out.append(t)
            t += 1
        return out

    def word(self, h, text, tag, role, rid, broken=-1):
        tag = self.tag_of(h, text, tag)
        if h == self.seg.END:
            role, rid = 'S', -1
        return [h, tag, role, rid, broken]

    def sentence(self, words):
        words = [list(w) if isinstance(w, tuple) else w for w in words]
        broken = {w[4] for w in words if len(w) > 4 and w[4] > 0}
        for w in words:
            if len(w) < 5:
                w.append(-1)
            if w[3] in broken:
                w[2], w[3] = 'A', -1
        # the words of one intact run keep their run id; everything else without a role is A
        n = len(words)
        runs = {}
        for idx, w in enumerate(words):
            if w[3] > 0:
                runs.setdefault(w[3], []).append(idx)
        roles = [w[2] if w[2] else 'A' for w in words]
        spans = sorted((ix[0], ix[-1]) for ix in runs.values())
        for lo, hi in spans:
            if len(range(lo, hi + 1)) == 1 and roles[lo] == 'Z' and \
                    len(chars(self.v.words[words[lo][0]])) == 1:
                # a lone surname: with a prefix or a suffix it is a surname, else a whole name
                if lo > 0 and roles[lo - 1] == 'A' and self.v.words[words[lo - 1][0]] in PREFIXES:
                    roles[lo - 1], roles[lo] = 'F', 'B'
                elif hi + 1 < n and roles[hi + 1] == 'A' and \
                        self.v.words[words[hi + 1][0]] in SUFFIXES:
                    roles[hi + 1], roles[lo] = 'G', 'B'
        for lo, hi in spans:
            if lo > 0 and roles[lo - 1] in ('A', 'L'):
                roles[lo - 1] = 'M' if roles[lo - 1] == 'L' else 'K'
            if hi + 1 < n and roles[hi + 1] == 'A':
                roles[hi + 1] = 'L'
        for idx, w in enumerate(words):
            h, tag = w[0], w[1]
            self.uni[h] += 1
            self.pos[h][tag] += 1
            self.role[h][ROLE[roles[idx]]] += 1
            if idx:
                self.bi[(words[idx - 1][0], h)] += 1
                self.rctx[(ROLE[roles[idx - 1]], ROLE[roles[idx]])] += 1
        self.tokens += n - 2
        # tag transitions: an intact run counts as one nr word
        tags = []
        idx = 0
        while idx < n:
            w = words[idx]
            if w[3] > 0:
                j = idx
                while j + 1 < n and words[j + 1][3] == w[3]:
                    j += 1
                tags.append('nr')
                idx = j + 1
            else:
                tags.append(w[1])
                idx += 1
        for a, b in zip(tags, tags[1:]):
            self.ctx[(tagset.ID[a], tagset.ID[b])] += 1
