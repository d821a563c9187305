"""A mirror of the engine's atom segmentation, used to count the corpus the way the engine cuts it.

It follows the atom rules of the engine's pre-processor: one atom per character unless a class
rule joins a run (numbers, numerals, letters, repeated dashes, "^^" spans), numbers and numerals
followed by a date unit become time atoms, class 28 ends the sentence and class 2 ends it after
six atoms. The user-dictionary priority is off while counting."""
from .gbk import char_at, delimiter_full, is_year_time, is_day_time, c_atoi, G, code_of

GYUE = G('月份')


class Atom:
    __slots__ = ('start', 'end', 'handle', 'type')

    def __init__(self, start, end, handle, type_):
        self.start, self.end, self.handle, self.type = start, end, handle, type_

    def __repr__(self):
        return 'Atom(%d,%d,%d,%r)' % (self.start, self.end, self.handle, self.type)


class Segmenter:
    def __init__(self, classes, core, english=None, granularity=0):
        """classes: code -> class; core: folded word bytes -> handle; english: set of words."""
        self.cls = classes
        self.core = core
        self.english = english or set()
        self.gran = granularity
        f = core.get
        self.START, self.END = f(G('始##始')), f(G('末##末'))
        self.M, self.T, self.X = f(G('未##数')), f(G('未##时')), f(G('未##串'))
        self.WP = f(G('———'), -1)
        self.LD, self.RD = f(G('“'), -1), f(G('”'), -1)
        self.LS, self.RS = f(G('‘'), -1), f(G('’'), -1)

    def find(self, text):
        return self.core.get(fold(text), -1)

    def cls_at(self, line, i):
        if i >= len(line):
            return -1
        code, _ = char_at(line, i)
        return self.cls.get(code, 0)

    def sentence(self, line, start):
        """Atoms of the sentence that begins at start, and where the next sentence begins."""
        n = len(line)
        atoms = [Atom(start, start, self.START, 'x')]
        i = start
        ended = False
        dq = sq = False
        while i < n and not ended:
            code, ln = char_at(line, i)
            c = self.cls.get(code, 0)
            handle = self.core.get(line[i:i + ln], -1)
            end = i + ln
            typ = c
            if c in (1, 3):
                if code == 0x27:
                    handle = self.RS if sq else self.LS
                    sq = not sq
                elif code == 0x22:
                    handle = self.RD if dq else self.LD
                    dq = not dq
                elif code == 0xA1AD:
                    pass
                elif code == 0x5E and line[i + 1:i + 2] == b'^':
                    close = self.span_close(line, i + 2)
                    if close >= 0:
                        end = close + 2
                        typ = 'c'
                elif code < 0x80 and delimiter_full(code):
                    handle = self.core.get(delimiter_full(code), -1)
            elif c == 2:
                if len(atoms) >= 6:
                    ended = True
                if code < 0x80 and delimiter_full(code):
                    handle = self.core.get(delimiter_full(code), -1)
            elif c == 4:
                joined = 0
                while self.cls_at(line, end) == 4:
                    end += char_at(line, end)[1]
                    joined += 1
                if joined:
                    handle = self.WP
            elif c in (5, 7, 29):
                isnum = True
                if code != 0x3D:
                    while end < n:
                        nc = self.cls_at(line, end)
                        ncode, nl = char_at(line, end)
                        ok = (nc == 7 and c != 29) or (nc == 29 and c != 7) or nc == 5 or \
                            (nc in (10, 11) and isnum) or nc == 3 or (self.gran == 0 and nc == 8)
                        if not ok:
                            break
                        if self.gran == 0 and nc == 8 and ncode not in (0x4F, 0x6F):
                            isnum = False
                        if nc == 11 and self.cls_at(line, end + nl) == 12:
                            break
                        end += nl
                if isnum:
                    handle = self.M
                else:
                    handle, typ = self.X, 8
            elif c == 6:
                handle = self.M
            elif c == 8:
                while end < n:
                    nc = self.cls_at(line, end)
                    if nc in (8, 3) or (self.gran == 0 and nc in (5, 7, 29)):
                        end += char_at(line, end)[1]
                    else:
                        break
                if end - i > 1 and line[end - 1] == 0x2E:
                    w = fold(line[i:end - 1])
                    if self.english.get(w, -1) > 0:
                        end -= 1
                handle = self.X
            elif c in (9, 10, 11):
                if c == 11 and self.cls_at(line, end) == 12:
                    pass
                else:
                    isnum = True
                    nc0 = self.cls_at(line, end)
                    if nc0 == 8 and line[end] not in (0x4F, 0x6F):
                        isnum = False
                    last = c
                    last_len = 0
                    while end < n:
                        nc = self.cls_at(line, end)
                        ncode, nl = char_at(line, end)
                        if not (nc in (9, 10, 3, 4, 11, 18, 16, 15) or ncode in (0x4F, 0x6F, 0x30)):
                            break
                        if end + 4 <= n and line[end] >= 0x80 and line[end + 2] >= 0x80 and \
                                self.find(line[end:end + 4]) >= 0:
                            break
                        if nc in (3, 4):
                            isnum = False
                        if nc == 18:
                            if self.cls_at(line, end + nl) == 19:
                                last_len = char_at(line, end + nl)[1]
                                end += nl + last_len
                                last = 19
                                continue
                            break
                        if nc == 11 and self.cls_at(line, end + nl) == 12:
                            break
                        end += nl
                        last = nc
                        last_len = nl
                    if last in (16, 15) and last_len:
                        end -= last_len
                    if isnum:
                        handle, typ = self.M, 9
                    else:
                        handle = self.T
            elif c == 13:
                j = end
                last = 13
                while j < n and self.cls_at(line, j) in (10, 11, 13):
                    last = self.cls_at(line, j)
                    j += char_at(line, j)[1]
                if j > end and last != 13:
                    end = j
                    handle = self.M
            elif c == 28:
                handle = self.END
                if code not in (0x20, 0x09):
                    ended = True
            atom = Atom(i, end, handle, typ)
            if handle == self.M:
                prev = atoms[-1] if len(atoms) > 1 else None
                if prev is not None and prev.type in (17, 20):
                    prev.end, prev.handle = atom.end, atom.handle
                    atom = prev
                    atoms.pop()
                else:
                    text = line[atom.start:atom.end]
                    uc = self.cls_at(line, atom.end)
                    if uc >= 0:
                        ul = char_at(line, atom.end)[1]
                        after = self.cls_at(line, atom.end + ul)
                        if uc == 23:
                            if after != 24 and is_year_time(text):
                                atom.end += ul
                                atom.handle = self.T
                        elif uc in (16, 18, 21, 22, 25):
                            v = c_atoi(text)
                            if is_day_time(text) and v < 60 and (uc != 21 or v < 32) and \
                                    not (uc == 25 and after == 26) and \
                                    not (uc == 18 and after in (26, 27)):
                                if line[atom.end:atom.end + 4] == GYUE:
                                    atom.end += 4
                                else:
                                    atom.end += ul
                                atom.handle = self.T
            if atom.handle in (self.T, self.M):
                h = self.find(line[atom.start:atom.end])
                if h >= 0:
                    atom.handle = h
            i = atom.end
            atoms.append(atom)
        atoms.append(Atom(i, i, self.END, 'y'))
        return atoms, i

    @staticmethod
    def span_close(line, j):
        """Offset of the first "^^" from j on, walking whole characters; -1 when none."""
        n = len(line)
        while j + 1 < n:
            if line[j] == 0x5E and line[j + 1] == 0x5E:
                return j
            j += char_at(line, j)[1]
        return -1

    def standalone(self, atom):
        """Atoms that no longer dictionary word may start on."""
        if atom.handle in (self.T, self.X):
            return True
        if atom.handle == self.M and atom.type != 9:
            return True
        return atom.type in (1, 2, 3, 4, 28)


def fold(word):
    """Key of a word in a mode-0 dictionary: ASCII capitals folded (two-byte characters kept)."""
    out = bytearray()
    i = 0
    n = len(word)
    while i < n:
        b = word[i]
        if b >= 0x80 and i + 1 < n:
            out += word[i:i + 2]
            i += 2
        else:
            out.append(b + 32 if 0x41 <= b <= 0x5A else b)
            i += 1
    return bytes(out)
