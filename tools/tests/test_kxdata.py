"""Tests of the data derivation: the atom-segmentation mirror, the token tests, the tag sets, the
vocabulary filter and the encoding detector. Run: python3 -m unittest discover tools/tests"""
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

from kxdata import charset, codesets, core, gbk, punct, tagset          # noqa: E402
from kxdata.atoms import Segmenter, fold                                  # noqa: E402
from kxdata.gbk import G                                                  # noqa: E402

CLASSES = charset.build_classes()


def make_core(words):
    special = core.CLASS_WORDS + core.QUOTE_WORDS
    allw = [G(w) for w in special] + [G(w) for w in words]
    return {fold(w): h for h, w in enumerate(allw)}


class TokenTests(unittest.TestCase):
    def test_numbers_years_days(self):
        for s in ('', '-', '12', '3.14', '-.5', '5/8', '12%', '12万', '1.5万'):
            self.assertTrue(gbk.is_all_num(G(s)), s)
        for s in ('.5', '1.2.3', '12万5', '1.5a'):
            self.assertFalse(gbk.is_all_num(G(s)), s)
        self.assertTrue(gbk.is_year_time(b'1998'))
        self.assertTrue(gbk.is_year_time(b'98'))
        self.assertFalse(gbk.is_year_time(b'38'))
        self.assertTrue(gbk.is_year_time(G('一九九八')))
        self.assertTrue(gbk.is_day_time(b'12'))
        self.assertFalse(gbk.is_day_time(b'123'))
        self.assertTrue(gbk.is_day_time(G('十二')))
        self.assertEqual(gbk.c_atoi(G('１２')), 0)
        self.assertEqual(gbk.c_atoi(b' -31x'), -31)


class SegmenterTests(unittest.TestCase):
    def setUp(self):
        words = ['一些', '他', '说', '好', '。', '，', '：', '“', '”', '—', '…', '一', '年', '月',
                 '日', '十二月', '三', '十', '三十一日']
        self.core = make_core(words)
        self.seg = Segmenter(CLASSES, self.core, {b'etc': 5})
        self.s = self.seg

    def atoms(self, text):
        line = G(text)
        atoms, end = self.seg.sentence(line, 0)
        return [(line[a.start:a.end].decode('gbk'), a.handle) for a in atoms[1:-1]], end

    def test_dates_become_three_time_atoms(self):
        atoms, _ = self.atoms('1998年12月31日')
        self.assertEqual([t for t, _ in atoms], ['1998年', '12月', '31日'])
        self.assertTrue(all(h == self.s.T for _, h in atoms))
        atoms, _ = self.atoms('32日')
        self.assertEqual(atoms[0], ('32', self.s.M))

    def test_numbers_and_dictionary_numerals(self):
        self.assertEqual(self.atoms('3.14')[0], [('3.14', self.s.M)])
        # 一 stays its own word so that the lattice finds 一些
        self.assertEqual(self.atoms('一些')[0][0], ('一', self.core[G('一')]))
        # a numeral run that is itself a core word takes that word's handle
        self.assertEqual(self.atoms('十二月')[0], [('十二月', self.core[G('十二月')])])

    def test_quotes_alternate_and_sentence_ends(self):
        atoms, end = self.atoms('他说："好"。他')
        handles = [h for _, h in atoms]
        self.assertIn(self.s.LD, handles)
        self.assertLess(handles.index(self.s.LD), handles.index(self.s.RD))
        self.assertEqual(atoms[-1], ('。', self.s.END))
        self.assertEqual(end, len(G('他说："好"。')))

    def test_dashes_and_ellipsis(self):
        self.assertEqual(self.atoms('——')[0], [('——', self.s.WP)])
        self.assertEqual(self.atoms('—')[0], [('—', self.core[G('—')])])
        self.assertEqual(len(self.atoms('……')[0]), 2)

    def test_letters_and_the_english_dot_rule(self):
        self.assertEqual(self.atoms('abc')[0], [('abc', self.s.X)])
        self.assertEqual(self.atoms('etc.')[0][0], ('etc', self.s.X))
        self.assertEqual(self.atoms('abc.')[0], [('abc.', self.s.X)])

    def test_comma_ends_a_long_sentence_only(self):
        _, end = self.atoms('他说，好')
        self.assertEqual(end, len(G('他说，好')))
        _, end = self.atoms('他说好他说好，他')
        self.assertEqual(end, len(G('他说好他说好，')))


class TagSetTests(unittest.TestCase):
    def test_maps_are_aligned_and_clean(self):
        self.assertEqual(tagset.check_names(tagset.MAP0), [])
        for col in (1, 2):
            self.assertEqual(len(tagset.names(col)), tagset.COUNT)
        self.assertEqual(len(tagset.pku_first_names()), tagset.COUNT)
        for i, name in ((1, 'brk'), (18, 'm'), (21, 'n'), (24, 'nr'), (32, 'nz'), (52, 't'),
                        (78, 'w'), (82, 'wj'), (83, 'wky'), (84, 'wkz'), (87, 'wp'), (91, 'wyy'),
                        (93, 'nx'), (96, 'xu'), (97, 'xe'), (98, 'xr'), (100, 'mtel')):
            self.assertEqual(tagset.MAP0[i], name)

    def test_tag_mappings(self):
        self.assertEqual(tagset.jieba_tag('nrfg'), 'nr')
        self.assertEqual(tagset.jieba_tag('uj'), 'u')
        self.assertEqual(tagset.jieba_tag('zz'), 'n')
        self.assertEqual(tagset.PFR['Ng'], 'ng')
        self.assertEqual(punct.subclass(G('。')), 'wj')
        self.assertEqual(punct.subclass(G('》')), 'wky')
        self.assertEqual(punct.subclass(G('·')), 'w')

    def test_word_filter(self):
        self.assertTrue(core.word_ok(CLASSES, G('中国')))
        self.assertTrue(core.word_ok(CLASSES, G('三十一日')))
        self.assertTrue(core.word_ok(CLASSES, G('。')))
        for w in ('Ｂ超', 'B超', '３Ｋ', '《读书》', 'a b'):
            self.assertFalse(core.word_ok(CLASSES, G(w)), w)


class CharsetTests(unittest.TestCase):
    def test_required_classes(self):
        c = lambda s: CLASSES.get(gbk.code_of(G(s)), 0)
        self.assertEqual([k for k, v in CLASSES.items() if v == 28].__len__(), 9)
        self.assertEqual(c('^'), 1)
        self.assertEqual(c('.'), 3)
        self.assertNotEqual(c('…'), 4)
        self.assertEqual(c('月'), 25)
        self.assertEqual((c('0'), c('０'), c('+')), (29, 7, 5))


class DetectorTests(unittest.TestCase):
    def test_packing_and_decision_rules(self):
        scores = {(0xD6, 0xD0): [5, -3, -5, -4], (0xE4, 0xB8): [-2, -2, -5, 6]}
        self.assertEqual(codesets.detect(b'', scores), 2)
        self.assertEqual(codesets.detect(b'plain', scores), 2)
        self.assertEqual(codesets.detect(bytes((0xD6, 0xD0)), scores), 2)
        self.assertEqual(codesets.detect(bytes((0xE4, 0xB8)), scores), 1)
        # high bytes that meet no scored cell: not detected
        self.assertEqual(codesets.detect(b'a' + bytes((0x81, 0x81, 0x81)), scores), 0)
        # a continuation byte cannot start UTF-8 text
        self.assertEqual(codesets.FIRST[0xB0][3], -9)
        self.assertNotIn(0x41, codesets.FIRST)
        # byte-order marks decide wherever they stand
        self.assertEqual(codesets.detect(b'\xd6\xd0\xef\xbb\xbf', scores), 1)
        self.assertEqual(codesets.detect(b'ab\xff\xfe', scores), 8)

    def test_utf8_grammar(self):
        self.assertTrue(codesets.utf8_impossible(0x41, 0x80))
        self.assertTrue(codesets.utf8_impossible(0xE4, 0x41))
        self.assertTrue(codesets.utf8_impossible(0x80, 0xFF))
        self.assertFalse(codesets.utf8_impossible(0xE4, 0xB8))
        self.assertFalse(codesets.utf8_impossible(0xB8, 0xE4))


if __name__ == '__main__':
    unittest.main()
