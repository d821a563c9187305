"""Punctuation subclasses by character (the corpus has only 'w')."""
from .gbk import G, chars

_SUB = {}
for _tag, _text in (('wb', '％‰%'), ('wd', '，,'), ('wf', '；;'), ('wj', '。.'),
                    ('wky', '）］｝〕》〉】〗)]}'), ('wkz', '（［｛〔《〈【〖([{'), ('wm', '：:'),
                    ('wn', '、'), ('wp', '—－～―–-~'), ('ws', '…'), ('wt', '！!'), ('ww', '？?'),
                    ('wyy', '”’」』'), ('wyz', '“‘「『')):
    for _c in chars(G(_text)):
        _SUB[_c] = _tag


def subclass(word):
    """Map-0 punctuation tag of a punctuation word, by its first character."""
    cs = chars(word)
    return _SUB.get(cs[0], 'w') if cs else 'w'
