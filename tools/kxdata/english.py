"""The English folder from WordNet: words, frequencies, tags, irregular forms, named entities."""
import os
import re
from collections import Counter, defaultdict

POS_TAG = {'n': 'n', 'v': 'v', 'a': 'a', 's': 'a', 'r': 'd'}
SS_TYPE = {'1': 'n', '2': 'v', '3': 'a', '4': 'd', '5': 'a'}
LEX_ENTITY = {18: 'nr', 15: 'ns', 14: 'nt'}
_WORD = re.compile(r"^[a-z0-9][a-z0-9'.]*$")
PLACEHOLDER = '<none>'
BASE = 3   # every real candidate starts at 3, so a regular word's best tag never falls below it

# Closed classes WordNet does not list, with hand-chosen corpus-scale frequencies.
FUNCTION_WORDS = {
    'p': ('about above across after against along among around at before behind below beneath '
          'beside between beyond by down during except for from in inside into near of off on '
          'onto out outside over past since through throughout till to toward towards under '
          'underneath until up upon via with within without'),
    'c': 'and but or nor so yet because although though if unless whereas while whether than',
    'r': ('i me my mine myself you your yours yourself yourselves he him his himself she her hers '
          'herself it its itself we us our ours ourselves they them their theirs themselves this '
          'that these those who whom whose which what whatever whoever a an the some any no every '
          'each either neither all both few many much several another other such'),
    'u': "to 's not",
    'm': ('zero one two three four five six seven eight nine ten eleven twelve twenty thirty '
          'forty fifty hundred thousand million billion first second third'),
}
FUNCTION_FREQ = 1000


def _lemma_ok(w):
    return bool(_WORD.match(w)) and len(w) <= 40


def read_wordnet(root):
    """(candidates word -> Counter(tag -> freq), entities word -> Counter(tag -> freq),
    irregular list of (form, base))."""
    tagcnt = Counter()
    with open(os.path.join(root, 'cntlist.rev')) as f:
        for line in f:
            parts = line.split()
            if len(parts) != 3:
                continue
            key, _, cnt = parts
            lemma, rest = key.split('%', 1)
            tagcnt[(lemma, SS_TYPE.get(rest[0], 'n'))] += int(cnt)
    cand = defaultdict(Counter)
    ent = defaultdict(Counter)
    for name, pos in (('noun', 'n'), ('verb', 'v'), ('adj', 'a'), ('adv', 'r')):
        with open(os.path.join(root, 'data.' + name)) as f:
            for line in f:
                if line.startswith('  '):
                    continue
                parts = line.split()
                lexfile = int(parts[1])
                wcnt = int(parts[3], 16)
                for k in range(wcnt):
                    raw = parts[4 + 2 * k]
                    raw = re.sub(r'\([a-z]+\)$', '', raw)
                    w = raw.lower()
                    if not _lemma_ok(w):
                        continue
                    tag = POS_TAG[pos]
                    if pos == 'n' and raw[0].isupper():
                        tag = LEX_ENTITY.get(lexfile, 'nz')
                        ent[w][tag] = max(ent[w][tag], BASE + tagcnt[(w, 'n')])
                    cand[w][tag] = max(cand[w][tag], BASE + tagcnt[(w, SS_TYPE_INV[tag])])
    for tag, words in FUNCTION_WORDS.items():
        for w in words.split():
            cand[w][tag] = max(cand[w][tag], FUNCTION_FREQ)
    irregular = []
    for name in ('noun', 'verb', 'adj', 'adv'):
        with open(os.path.join(root, name + '.exc')) as f:
            for line in f:
                parts = line.split()
                if len(parts) >= 2 and _lemma_ok(parts[0]) and _lemma_ok(parts[1]) and \
                        parts[0] != parts[1] and parts[1] in cand:
                    irregular.append((parts[0], parts[1]))
    return cand, ent, irregular


SS_TYPE_INV = {'n': 'n', 'nr': 'n', 'ns': 'n', 'nt': 'n', 'nz': 'n', 'v': 'v', 'a': 'a', 'd': 'd'}


class English:
    def __init__(self, root):
        cand, ent, irregular = read_wordnet(root)
        self.cand = cand
        freq = {w: sum(c.values()) for w, c in cand.items()}
        regular = sorted(cand, key=lambda w: (-freq[w], w))
        seen = set(regular)
        forms = []
        self.irregular = []
        done = set()
        for form, base in irregular:
            if form in done:
                continue
            done.add(form)
            self.irregular.append((form, base))
            if form not in seen:
                seen.add(form)
                forms.append(form)
        self.words = [PLACEHOLDER] + regular + sorted(forms)
        self.handle = {w: h for h, w in enumerate(self.words)}
        self.freq = freq
        self.ent = ent
        self.ne_words = sorted(ent, key=lambda w: (-sum(ent[w].values()), w))
