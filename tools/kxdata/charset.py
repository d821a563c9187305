"""Character classes for the atom segmentation (the 'character class' lines of charset.type)."""
from .gbk import G, chars, code_of, all_gbk_codes


def _codes(text):
    return [code_of(c) for c in chars(G(text))]


def _range(first, last):
    a, b = code_of(G(first)), code_of(G(last))
    return list(range(a, b + 1))


def build_classes():
    """Map code -> class for every character given a class (absent = class 0)."""
    cls = {}
    gbk = all_gbk_codes()
    gbkset = set(gbk)

    def put(codes, k):
        for c in codes:
            if c < 0x80 or c in gbkset:
                cls[c] = k
    # Class 1 first: every symbol of rows A1-A3, A6 (vertical forms), A8 (GBK symbols before the
    # pinyin letters) and A9; the classes below then take their own members out of it.
    for c in gbk:
        lead, trail = c >> 8, c & 0xFF
        if lead in (0xA1, 0xA2, 0xA3, 0xA9) or (lead == 0xA6 and trail >= 0xE0) or \
                (lead == 0xA8 and trail < 0xA1):
            cls[c] = 1
    put(_codes('"()[]{}<>#*\\|`^'), 1)
    put(_codes('，；：、;'), 2)
    put(_codes(".,':/_@%&．／％＠＿＆·"), 3)
    put(_codes('—―–～~'), 4)
    put(_codes('+-=＋－＝±'), 5)
    put(_range('①', '⑩') + _range('⑴', '⒇') + _range('⒈', '⒛') + _range('㈠', '㈩') +
        _range('Ⅰ', 'Ⅻ') + _range('ⅰ', 'ⅹ'), 6)
    put(_range('０', '９'), 7)
    put(list(range(0x61, 0x7B)) + list(range(0x41, 0x5B)) + _range('Ａ', 'Ｚ') +
        _range('ａ', 'ｚ'), 8)
    put(_codes('两几半廿卅'), 9)
    put(_codes('〇○零二三四五六七八九十百千万亿兆壹贰叁肆伍陆柒捌玖拾佰仟'), 10)
    put(_codes('一'), 11)
    put(_codes('第'), 13)
    put(_codes('点'), 16)
    put(_codes('$￥＄￡'), 17)
    put(_codes('分'), 18)
    put(_codes('之'), 19)
    put(_codes('日号'), 21)
    put(_codes('时秒'), 22)
    put(_codes('年'), 23)
    put(_codes('代级龄'), 24)
    put(_codes('月'), 25)
    put(_codes('饼亮球'), 26)
    put(_codes('钟钱'), 27)
    put(_codes('。！？!?'), 28)
    put(list(range(0x30, 0x3A)), 29)
    for c in (9, 10, 13, 32):
        cls[c] = 28
    return cls


def charset_lines(cls):
    """'character class' lines in code order; white space is left to the importer, which forces
    TAB, LF, CR and blank to 28."""
    out = []
    for code in sorted(cls):
        if code in (9, 10, 13, 32):
            continue
        ch = bytes((code,)) if code < 0x100 else bytes((code >> 8, code & 0xFF))
        out.append(ch + b' ' + str(cls[code]).encode())
    return out
