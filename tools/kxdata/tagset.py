"""The working tag set (map 0) and the three aligned output maps.

The engine's rules name fixed tag ids; every name below sits at the id those rules mean (the table
is in data/README.md). Ids without a rule are placeholders that no data file uses."""

# id -> (map-0 name, first-level name, PFR name)
_NAMED = {
    0: ('a', 'a', 'a'), 1: ('brk', 'brk', 'brk'), 2: ('ad', 'a', 'ad'), 3: ('h', 'h', 'h'),
    4: ('ag', 'a', 'Ag'), 5: ('an', 'a', 'an'), 6: ('b', 'b', 'b'), 7: ('bg', 'b', 'Bg'),
    8: ('dg', 'd', 'Dg'), 9: ('c', 'c', 'c'), 10: ('e', 'e', 'e'), 11: ('d', 'd', 'd'),
    12: ('tg', 't', 'Tg'), 13: ('f', 'f', 'f'), 14: ('g', 'g', 'g'), 15: ('i', 'i', 'i'),
    16: ('j', 'j', 'j'), 17: ('k', 'k', 'k'), 18: ('m', 'm', 'm'), 19: ('mg', 'm', 'Mg'),
    20: ('l', 'l', 'l'), 21: ('n', 'n', 'n'), 22: ('ng', 'n', 'Ng'), 23: ('o', 'o', 'o'),
    24: ('nr', 'n', 'nr'), 25: ('q', 'q', 'q'), 26: ('s', 's', 's'), 27: ('nrf', 'n', 'nr'),
    28: ('nrj', 'n', 'nr'), 29: ('ns', 'n', 'ns'), 30: ('nsf', 'n', 'ns'), 31: ('nt', 'n', 'nt'),
    32: ('nz', 'n', 'nz'), 33: ('y', 'y', 'y'), 34: ('p', 'p', 'p'), 35: ('yg', 'y', 'Yg'),
    36: ('z', 'z', 'z'), 40: ('r', 'r', 'r'), 41: ('rg', 'r', 'Rg'), 52: ('t', 't', 't'),
    54: ('u', 'u', 'u'), 68: ('v', 'v', 'v'), 71: ('vg', 'v', 'Vg'), 74: ('vn', 'v', 'vn'),
    76: ('vd', 'v', 'vd'),
    78: ('w', 'w', 'w'), 79: ('wb', 'w', 'w'), 80: ('wd', 'w', 'w'), 81: ('wf', 'w', 'w'),
    82: ('wj', 'w', 'w'), 83: ('wky', 'w', 'w'), 84: ('wkz', 'w', 'w'), 85: ('wm', 'w', 'w'),
    86: ('wn', 'w', 'w'), 87: ('wp', 'w', 'w'), 88: ('ws', 'w', 'w'), 89: ('wt', 'w', 'w'),
    90: ('ww', 'w', 'w'), 91: ('wyy', 'w', 'w'), 92: ('wyz', 'w', 'w'),
    93: ('nx', 'n', 'nx'), 94: ('x', 'x', 'nx'), 96: ('xu', 'x', 'nx'), 97: ('xe', 'x', 'nx'),
    98: ('xr', 'x', 'nx'), 99: ('xx', 'x', 'nx'), 100: ('mtel', 'm', 'm'), 101: ('mcid', 'm', 'm'),
}

COUNT = 102

_COMMENTS = {
    1: 'white space and line breaks; never on a dictionary word',
    18: 'number', 21: 'common noun, the default', 24: 'person name', 27: 'transliterated name',
    28: 'Japanese name', 29: 'place name', 30: 'transliterated place name', 31: 'organisation',
    32: 'other proper noun and new words', 52: 'time', 78: 'other punctuation',
    79: 'percent marks', 80: 'comma', 81: 'semicolon (ends a sentence)',
    82: 'full stop (ends a sentence)', 83: 'closing bracket', 84: 'opening bracket',
    85: 'colon', 86: 'enumeration comma', 87: 'dash', 88: 'ellipsis', 89: 'exclamation mark',
    90: 'question mark', 91: 'closing quote', 92: 'opening quote',
    93: 'Latin letter string, replaced by its English tag', 96: 'web address',
    97: 'e-mail address', 98: 'repost mark //', 99: 'junk string', 100: 'telephone number',
    101: 'identity number',
}


def names(column=0):
    out = []
    for i in range(COUNT):
        if i in _NAMED:
            out.append(_NAMED[i][column])
        else:
            out.append('rsv%d' % i)
    return out


MAP0 = names(0)
ID = {n: i for i, n in enumerate(MAP0)}


def map_text(column):
    lines = []
    for i, n in enumerate(names(column)):
        c = _COMMENTS.get(i)
        lines.append('%-6s %3d %s' % (n, i, c) if c and column == 0 else '%-6s %3d' % (n, i))
    return '\n'.join(x.rstrip() for x in lines) + '\n'


def pku_first_names():
    return [n if (n.startswith('rsv') or n == 'brk') else n[0].lower() for n in names(2)]


def pku_first_text():
    return '\n'.join('%-6s %3d' % (n, i) for i, n in enumerate(pku_first_names())) + '\n'


# PFR corpus tag -> map-0 name (w is refined by character elsewhere)
PFR = {t: t for t in ('a ad an b c d e f h i j k l m n nr ns nt nz o p q r s t u v vd vn y z'
                       ).split()}
PFR.update({'Ag': 'ag', 'Bg': 'bg', 'Dg': 'dg', 'Mg': 'mg', 'Ng': 'ng', 'Rg': 'rg', 'Tg': 'tg',
            'Vg': 'vg', 'Yg': 'yg', 'vvn': 'vn', 'na': 'n', 'nx': 'nx', 'w': 'w'})

# jieba tag -> map-0 name
JIEBA = {'nrt': 'nr', 'nrfg': 'nr', 'eng': 'nx', 'mq': 'm', 'rr': 'r', 'rz': 'r', 'ud': 'u',
         'ug': 'u', 'uj': 'u', 'ul': 'u', 'uv': 'u', 'uz': 'u', 'vi': 'v', 'vq': 'v', 'df': 'd',
         'zg': 'z'}


def jieba_tag(t):
    t = JIEBA.get(t, t)
    return t if t in ID else 'n'


def check_names(names_list):
    """Problems of a tag-name list (empty when it obeys every rule)."""
    bad = []
    seen = set()
    for i, n in enumerate(names_list):
        if not (1 <= len(n) <= 9) or any(c in n for c in ' /[]') or not n.isprintable():
            bad.append('%d: bad name %r' % (i, n))
        if n[0].isdigit() or n[0] == '-':
            bad.append('%d: numeric-looking name %r' % (i, n))
        if n.lower() in ('neg', 'object', 'remsent'):
            bad.append('%d: reserved name %r' % (i, n))
    for i, n in enumerate(MAP0 if names_list is MAP0 else names_list):
        if names_list is MAP0:
            if n.lower() in seen:
                bad.append('%d: repeated name %r' % (i, n))
            seen.add(n.lower())
    return bad
