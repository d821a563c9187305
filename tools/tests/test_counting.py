"""Tests of the corpus counting: engine words, class words, sentence ends, person roles, and the
vocabulary and English builders on small hand-made inputs."""
import lzma
import os
import sys
import tempfile
import unittest
from collections import Counter

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

from kxdata import charset, core, corpus, english, tagset              # noqa: E402
from kxdata.atoms import fold                                           # noqa: E402
from kxdata.gbk import G                                                # noqa: E402

CLASSES = charset.build_classes()


def toks(text):
    """'word/tag word/tag' (UTF-8 here) as corpus tokens."""
    out = []
    for p in text.split():
        w, t = p.rsplit('/', 1)
        out.append((G(w), t))
    return out


class VocabularyTests(unittest.TestCase):
    def setUp(self):
        train = [toks('江/nr 泽民/nr 说/v ，/w 王/nr 小明/nr 来/v 。/w'),
                 toks('李/nr 鹏/nr 和/c 克林顿/nr 会见/v １２３/m Ｂ超/n 。/w')]
        jieba = [(G('小明'), 5, 'nr'), (G('江泽民'), 50, 'nr'), (G('ＡＢＣ'), 3, 'nz'),
                 (G('中国'), 100, 'ns')]
        self.v = core.Vocabulary(CLASSES, train, jieba)

    def test_order_and_special_words(self):
        w = self.v.words
        self.assertEqual(w[0], G('始##始'))
        self.assertEqual(w[1], G('末##末'))
        self.assertEqual(w[-1], G('一'))
        self.assertEqual(len(set(w)), len(w))
        self.assertEqual(self.v.handle[G('———')], len(core.CLASS_WORDS) + 4)

    def test_filters(self):
        h = self.v.handle
        # a given name only seen as one and unknown to jieba is cut like an unseen name
        self.assertNotIn(G('泽民'), h)
        self.assertIn(G('小明'), h)           # jieba knows it
        self.assertIn(G('江泽民'), h)
        self.assertIn(G('克林顿'), h)
        for w in ('１２３', 'Ｂ超', 'ＡＢＣ', '[', '_', '１', 'a'):
            self.assertNotIn(fold(G(w)), h, w)
        for w in ('+', '-', '=', '％', '鹏'):
            self.assertIn(G(w), h, w)


class WideWordTests(unittest.TestCase):
    """Which jieba-only words stay out of the core dictionary."""

    def test_kinds_left_out(self):
        train = [toks('外交/n 途径/n 集装箱/n 运输/vn 洋溢/v 着/u 一/m 片/q 。/w')]
        jieba = [(G('外交途径'), 50, 'n'), (G('一片'), 50, 'm'), (G('画蛇添足'), 50, 'i'),
                 (G('洋溢着'), 50, 'v'), (G('集装箱运输'), 50, 'n'), (G('罕见词'), 3, 'n'),
                 (G('常见词'), 4, 'n'), (G('外交'), 2, 'n'), (G('葡萄'), 50, 'n')]
        v = core.Vocabulary(CLASSES, train, jieba, ('long', 'numeral'), 4)
        h = v.handle
        for w in ('外交途径', '集装箱运输', '一片', '罕见词'):
            self.assertFalse(G(w) in h, w)
        # idioms, short words, words the corpus has and single characters stay
        for w in ('画蛇添足', '洋溢着', '常见词', '外交', '葡萄', '罕'):
            self.assertTrue(G(w) in h, w)
        self.assertEqual(v.dropped_wide, 4)
        # nothing is left out without the options
        self.assertTrue(G('外交途径') in core.Vocabulary(CLASSES, train, jieba).handle)

    def test_composable(self):
        known = {G('外交'), G('途径'), G('着'), G('洋溢')}
        self.assertTrue(core.composable(G('外交途径'), known))
        self.assertTrue(core.composable(G('洋溢着'), known))
        self.assertFalse(core.composable(G('洋溢着'), known, 2))
        self.assertFalse(core.composable(G('外交'), known))      # the word itself is one piece
        self.assertFalse(core.composable(G('外交部'), known))


class CountingTests(unittest.TestCase):
    def setUp(self):
        train = [toks('江/nr 泽民/nr 说/v ，/w 王/nr 小明/nr 来/v 。/w')]
        jieba = [(G('小明'), 5, 'nr'), (G('江泽'), 5, 'n')]
        self.v = core.Vocabulary(CLASSES, train, jieba)
        self.c = core.Counts(self.v, {})
        self.h = self.v.handle

    def count(self, text):
        self.c.paragraph(toks(text))

    def test_sentence_ends_and_class_words(self):
        self.count('他/r 说/v 1998年/t １２月/t ３１日/t 。/w 好/a ！/w')
        c, h, s = self.c, self.h, self.c.seg
        self.assertEqual(c.uni[s.START], 2)
        # two engine sentences: each closed by its end atom, plus the two class-28 marks
        self.assertEqual(c.uni[s.END], 4)
        self.assertEqual(c.uni[s.T], 3)
        self.assertEqual(c.bi[(h[G('说')], s.T)], 1)
        self.assertEqual(c.bi[(s.END, s.END)], 2)
        self.assertEqual(dict(c.pos[s.T]), {'t': 3})
        self.assertEqual(dict(c.pos[s.END]), {'wj': 4})
        for (a, _), n in c.bi.items():
            self.assertLessEqual(sum(m for (x, _), m in c.bi.items() if x == a), c.uni[a])

    def test_person_names_and_roles(self):
        self.count('他/r 江/nr 泽民/nr 说/v ，/w 王/nr 小明/nr 和/c 李/nr 鹏/nr 来/v')
        c, h, R = self.c, self.h, core.ROLE
        # 江泽 is a core word (jieba) and 泽民 is not: surname + first character fused, then D
        self.assertEqual(c.role[h[G('江泽')]][R['X']], 1)
        self.assertEqual(c.role[h[G('民')]][R['D']], 1)
        self.assertEqual(c.role[h[G('小明')]][R['N']], 1)
        self.assertEqual(c.role[h[G('鹏')]][R['E']], 1)
        self.assertEqual(c.role[h[G('他')]][R['K']], 1)
        self.assertEqual(c.role[h[G('说')]][R['L']], 1)
        self.assertEqual(c.role[h[G('和')]][R['M']], 1)
        self.assertEqual(c.runs, 3)
        # the pieces keep their own nr counts; transitions see each name as one nr word
        self.assertEqual(c.pos[h[G('王')]]['nr'], 1)
        nr = tagset.ID['nr']
        self.assertEqual(c.ctx[(tagset.ID['c'], nr)], 1)
        self.assertEqual(c.ctx[(nr, tagset.ID['c'])], 1)
        self.assertEqual(sum(n for (a, b), n in c.ctx.items() if a == nr), 3)
        # roles of the sentence boundaries
        self.assertEqual(set(c.role[c.seg.START]), {0})


class CorpusAndEnglishTests(unittest.TestCase):
    def test_corpus_reader(self):
        line = ('19980127-01-001-001/m  [中央/n  人民/n  广播/vn  电台/n]nt  记者/n  ，/w  \r\n'
                '19980101-01-001-002/m  他/r  \r\n')
        with tempfile.TemporaryDirectory() as d:
            p = os.path.join(d, 'c.xz')
            with lzma.open(p, 'wb') as f:
                f.write(line.encode('gbk'))
            paras = list(corpus.paragraphs(p))
        self.assertEqual(paras[0][0], 27)
        self.assertEqual([w.decode('gbk') for w, _ in paras[0][1]], ['中央', '人民', '广播', '电台',
                                                                      '记者', '，'])
        self.assertEqual(paras[0][1][3][1], 'n')
        self.assertEqual(paras[1], (1, [(G('他'), 'r')]))

    def test_wordnet_reader(self):
        with tempfile.TemporaryDirectory() as d:
            def put(name, text):
                with open(os.path.join(d, name), 'w') as f:
                    f.write(text)
            put('cntlist.rev', 'go%2:38:00:: 1 40\nparis%1:15:00:: 1 7\n')
            put('data.noun', '  1 licence line\n'
                '00000001 15 n 01 Paris 0 000 | the capital\n'
                '00000002 18 n 01 Einstein 0 000 | a physicist\n'
                '00000003 03 n 02 book 0 New_York 0 000 | pages\n')
            put('data.verb', '00000004 38 v 01 go 0 000 | move\n')
            put('data.adj', '')
            put('data.adv', '')
            put('verb.exc', 'went go\ngoes go\nfoo bar\n')
            for n in ('noun.exc', 'adj.exc', 'adv.exc'):
                put(n, '')
            e = english.English(d)
        self.assertEqual(e.words[0], english.PLACEHOLDER)
        self.assertEqual(dict(e.cand['go']), {'v': 43})
        self.assertEqual(dict(e.cand['paris']), {'ns': 10})
        self.assertEqual(dict(e.ent['einstein']), {'nr': 3})
        self.assertNotIn('new_york', e.cand)
        self.assertEqual(e.irregular, [('went', 'go'), ('goes', 'go')])
        self.assertGreater(e.handle['went'], e.handle['go'])
        self.assertNotIn('went', e.cand)
        self.assertEqual(e.cand['the']['r'], english.FUNCTION_FREQ)


if __name__ == '__main__':
    unittest.main()
