"""jieba's dictionary (word freq tag), converted strictly to GBK; words that fail are dropped."""


def read(path):
    out = []
    with open(path, encoding='utf-8') as f:
        for line in f:
            parts = line.split()
            if len(parts) != 3:
                continue
            try:
                w = parts[0].encode('gbk')
            except UnicodeEncodeError:
                continue
            out.append((w, int(parts[1]), parts[2]))
    return out
