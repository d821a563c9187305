"""Reading the tagged People's Daily corpus (GBK, one paragraph a line)."""
import lzma
import re

_TOKEN = re.compile(r'^(.+)/([A-Za-z]+)$')


def paragraphs(path):
    """Yield (day, [(word bytes, PFR tag)]) per paragraph; bracketed compounds give their inner
    tokens, the paragraph-id token is dropped."""
    with lzma.open(path) as f:
        for raw in f:
            line = raw.decode('gbk').rstrip('\r\n')
            parts = [p for p in line.split('  ') if p.strip()]
            if not parts:
                continue
            day = int(parts[0][6:8])
            toks = []
            for p in parts[1:]:
                p = p.strip()
                if p.startswith('[') and len(p) > 1:
                    p = p[1:]
                k = p.rfind(']')
                if k > 0 and '/' in p[:k] and re.match(r'^[a-z]+$', p[k + 1:]):
                    p = p[:k]
                m = _TOKEN.match(p)
                if not m:
                    continue
                word = m.group(1).replace(' ', '')
                if not word:
                    continue
                toks.append((word.encode('gbk'), m.group(2)))
            yield day, toks
