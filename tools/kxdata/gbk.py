"""GBK character model and the small token tests the atom segmentation uses.

Everything works on bytes: a character is one byte below 0x80, or two bytes whose lead byte is
0x80 or above (the second byte taken whatever it is, when it exists)."""


def G(text):
    """GBK bytes of a str literal (strict)."""
    return text.encode('gbk')


def char_at(line, i):
    """(code, length) of the character at byte offset i."""
    b = line[i]
    if b >= 0x80 and i + 1 < len(line):
        return b * 256 + line[i + 1], 2
    return b, 1


def chars(word):
    """List of the characters (bytes objects) of a GBK byte string."""
    out = []
    i = 0
    while i < len(word):
        _, n = char_at(word, i)
        out.append(word[i:i + n])
        i += n
    return out


def code_of(ch):
    return ch[0] * 256 + ch[1] if len(ch) == 2 else ch[0]


def all_gbk_codes():
    """Every two-byte code that the GBK codec decodes, ascending."""
    out = []
    for lead in range(0x81, 0xFF):
        for trail in range(0x40, 0xFF):
            if trail == 0x7F:
                continue
            b = bytes((lead, trail))
            try:
                b.decode('gbk')
            except UnicodeDecodeError:
                continue
            out.append(lead * 256 + trail)
    return out


def _set(text):
    return set(chars(G(text)))


YEAR_NUMERALS = _set('’零○〇０一二三四五六七八九壹贰叁肆伍陆柒捌玖')
YEAR_HIGH = _set('５６７８９')
THOUSAND_ZERO = _set('千仟零〇○')
THOUSAND = _set('千仟')
DAY_NUMERALS = _set('零一二三四五六七八九十壹贰叁肆伍陆柒捌玖０１２３４５６７８９')
SIGN = _set('±第—＋')
POINT = _set('∶·．／')
PERCENT = _set('％‰')
UNIT = _set('百千万亿佰仟兆')
FULL_DELIMS = chars(G('。，；：？！％（）｛＋｝［］／＝'))
ASCII_DELIMS = b'.,;:?!%(){+}[]/='


def delimiter_full(b):
    """Full-width form of an ASCII delimiter byte, or None."""
    k = ASCII_DELIMS.find(bytes((b,)))
    return FULL_DELIMS[k] if k >= 0 else None


def count_members(s, members):
    return sum(1 for c in chars(s) if c in members)


def is_all_num(s):
    n = len(s)
    i = 0

    def ch(i):
        if i >= n:
            return b''
        _, k = char_at(s, i)
        return s[i:i + k]
    signed = False
    c = ch(i)
    if c in (b'+', b'-') or c in SIGN:
        i += len(c)
        signed = True
        c = ch(i)
        if c in (b'.', b'/') or c in POINT:
            i += len(c)
    if i >= n:
        return True
    while i < n and 0x30 <= s[i] <= 0x39:
        i += 1
    c = ch(i)
    if c and (c in (b'.', b'/') or c in POINT) and i != 0:
        i += len(c)
        while i < n and 0x30 <= s[i] <= 0x39:
            i += 1
    c = ch(i)
    if c and (c == b'%' or c in PERCENT):
        i += len(c)
    while True:
        c = ch(i)
        if c and c in UNIT:
            i += len(c)
        else:
            break
    return i == n


def is_year_time(s):
    n = len(s)
    if n >= 3 and count_members(s, YEAR_NUMERALS) == n // 2:
        return True
    if all(b < 0x80 for b in s):
        if n == 4 or (n == 2 and s[0] >= ord('5')):
            return True
    if is_all_num(s):
        if n >= 6:
            return True
        if n == 4 and chars(s)[0] in YEAR_HIGH:
            return True
    if n == 8 and count_members(s, THOUSAND_ZERO) == 2:
        return True
    if n == 2 and chars(s)[0] in THOUSAND:
        return True
    return False


def is_day_time(s):
    n = len(s)
    if n < 7 and count_members(s, DAY_NUMERALS) == n // 2:
        return True
    if n < 3 and all(0x30 <= b <= 0x39 for b in s):
        return True
    return False


def c_atoi(s):
    i = 0
    while i < len(s) and s[i] in b' \t\r\n\v\f':
        i += 1
    neg = False
    if i < len(s) and s[i] in b'+-':
        neg = s[i] == 0x2D
        i += 1
    v = 0
    while i < len(s) and 0x30 <= s[i] <= 0x39:
        v = v * 10 + s[i] - 0x30
        i += 1
    return -v if neg else v
