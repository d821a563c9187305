// Document scanning of the keyword finder over hand-made result rows.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "EnglishParser/English.h"
#include "KeyWordDocs.h"
#include "MERIDOX/System/EngineGlobals.h"
#include "Utility/KeyWordFinder.h"
#include "Utility/PDAT.h"
#include "Utility/Trie.h"
#include "Utility/Unigram.h"

namespace {

const std::string kEnd = "\xC4\xA9##\xC4\xA9";  // 末##末

using kwtest::Doc;

int Handle(CKeyWordFinder& f, const std::string& word) {
    return f.GetTrie()->Find(word.c_str(), (unsigned long)word.size());
}

const WORD_AV& Av(CKeyWordFinder& f, const std::string& word) {
    int h = Handle(f, word);
    EXPECT_GE(h, 0) << word;
    return f.GetWordAV().at(size_t(h < 0 ? 0 : h));
}

std::vector<int> Handles(const std::vector<_word_freq>& v) {
    std::vector<int> out;
    for (const _word_freq& e : v) out.push_back(e.handle);
    return out;
}

TEST(KeyWordScanTest, TwoScansDoubleCountsAndLaterSentencesStartAtTheirIds) {
    CKeyWordFinder f(nullptr, nullptr, KWF_KEYWORD);
    Doc d;
    d.Add("abc", "n").Add("defg", "v", 30).Add("\n", "w", 1).Add("ef", "n").Add("gh", "n");
    ASSERT_EQ(d.ScanInto(f), 12u);
    EXPECT_EQ(d.rows[2].iPOS, 1);  // the line break became the sentence end
    EXPECT_EQ(Handle(f, kEnd), 0);
    EXPECT_EQ(Av(f, kEnd).freq, 2);
    EXPECT_TRUE(Av(f, kEnd).is_stopword);
    ASSERT_EQ(f.GetSentences().size(), 2u);
    EXPECT_EQ(f.GetSentences()[0].line, "abcdefg ");
    EXPECT_EQ(f.GetSentences()[0].length, 8);
    EXPECT_EQ(f.GetSentences()[0].start_pos, 0);
    EXPECT_EQ(f.GetSentences()[0].end_pos, 2);
    EXPECT_EQ(f.GetSentences()[1].line, "efgh");
    EXPECT_EQ(f.GetSentences()[1].start_pos, 3);

    ASSERT_EQ(d.ScanInto(f), 12u);
    EXPECT_EQ(f.GetDocLength(), 24u);
    for (const char* w : {"abc", "defg", "ef", "gh"}) EXPECT_EQ(Av(f, w).freq, 2) << w;
    EXPECT_EQ(Av(f, kEnd).freq, 4);
    EXPECT_EQ(f.GetWordIDList(), (std::vector<int32_t>{1, 2, 0, 3, 4, 1, 2, 0, 3, 4}));
    EXPECT_EQ(Av(f, "abc").vecInvertList, (std::vector<int32_t>{0, 5}));
    ASSERT_EQ(f.GetSentences().size(), 4u);
    EXPECT_EQ(f.GetSentences()[2].start_pos, 5);  // not 0: the earlier ids are not in it
    EXPECT_EQ(f.GetSentences()[2].end_pos, 7);
    EXPECT_EQ(f.GetSentences()[3].start_pos, 8);
    // Neighbours: abc follows the sentence end, defg follows abc.
    EXPECT_EQ(Handles(Av(f, "abc").vecLV), (std::vector<int>{0}));
    EXPECT_EQ(Av(f, "abc").vecRV[0].freq, 2);
    EXPECT_TRUE(Av(f, kEnd).vecRV.empty());
}

TEST(KeyWordScanTest, UnusableRowsCountAsTheSentenceEnd) {
    CKeyWordFinder f(nullptr, nullptr, KWF_KEYWORD);
    std::string text(35, 'a');
    std::vector<result_t> rows(5);
    auto set = [&](int k, int start, int len) {
        rows[size_t(k)] = result_t{};
        rows[size_t(k)].start = start;
        rows[size_t(k)].length = len;
        SetResultPOS(rows[size_t(k)], "n");
        rows[size_t(k)].iPOS = 21;
        rows[size_t(k)].word_ID = -1;
    };
    set(0, 0, 31);     // too long for a word
    set(1, 31, 4);     // "aaaa"
    set(2, 33, 10);    // past the end of the text
    set(3, -1, 2);     // before it
    set(4, 30, -3);    // negative length: no text at all, skipped
    ASSERT_EQ(f.Scan(text.c_str(), 5, rows.data()), 35u);
    ASSERT_EQ(f.GetWordAV().size(), 2u);
    EXPECT_EQ(f.GetWordAV()[0].word, kEnd);
    EXPECT_EQ(f.GetWordAV()[1].word, "aaaa");
    EXPECT_EQ(f.GetWordAV()[0].freq, 4);

    tstring word;
    int h = -2;
    EXPECT_EQ(f.GetWord(text.c_str(), 5, rows.data(), 2, &word, h), 0);
    EXPECT_EQ(word, kEnd);
    EXPECT_EQ(f.GetWord(text.c_str(), 5, rows.data(), 5, &word, h), -1);
    EXPECT_EQ(h, -1);

    // Null and empty input.
    const size_t before = f.GetDocLength();
    EXPECT_EQ(f.Scan(nullptr, 5, rows.data()), 0u);
    EXPECT_EQ(f.Scan(text.c_str(), 0, rows.data()), 0u);
    EXPECT_EQ(f.Scan(text.c_str(), 5, nullptr), 0u);
    EXPECT_EQ(f.GetDocLength(), before + 70);
    EXPECT_EQ(f.GetWordIDList().size(), 3u);
}

TEST(KeyWordScanTest, NegativeLengthRowsAreSkipped) {
    // A closing mark of negative length right after a sentence end: it would join the previous
    // sentence with the bytes up to its own end, which lies before that sentence's end.
    auto scan = [](bool bBadRow) {
        CKeyWordFinder f(nullptr, nullptr, KWF_KEYWORD);
        Doc d;
        d.Add("abcdefgh", "n").Add(".", "w", 81);
        if (bBadRow) {
            d.Add("", "w", 91);
            d.rows.back().start = 9;
            d.rows.back().length = -1;
        }
        d.Add("xyz", "n").Add(".", "w", 81).Add("\"", "w", 91);
        EXPECT_EQ(d.ScanInto(f), d.line.size());
        std::vector<std::string> lines;
        for (const SENTENCE_INFO& s : f.GetSentences()) lines.push_back(s.line);
        return std::make_pair(f.GetWordIDList(), lines);
    };
    EXPECT_EQ(scan(true), scan(false));
}

TEST(KeyWordScanTest, PunctuationWhiteSpaceAndUntaggedMarksAreStopWords) {
    const std::string jy = "\xBC\xD7\xD2\xD2";         // 甲乙
    const std::string period = "\xA1\xA3";             // 。
    const std::string colonQuote = "\xA3\xBA\xA1\xB0";  // ：“
    const std::string wide12 = "\xA3\xB1\xA3\xB2";      // １２
    const std::string ideoSpace = "\xA1\xA1\xA1\xA1";   // two ideographic blanks
    CKeyWordFinder f(nullptr, nullptr, KWF_KEYWORD);
    Doc d;
    d.Add(jy, "n").Add(colonQuote, "n").Add("12", "m", 18).Add(wide12, "m", 18).Add("     ", "n");
    d.Add(ideoSpace, "n").Add("--", "n").Add("abc", "", 21).Add(period, "", 82).Add("\n\n\n", "w", 1);
    d.ScanInto(f);
    // Marks and white space, whatever their tag, and a tagged row without a tag.
    for (const std::string& w : {colonQuote, std::string("     "), ideoSpace, std::string("--"), std::string("abc"),
                                 period, std::string("\n\n\n")})
        EXPECT_TRUE(Av(f, w).is_stopword) << w;
    // Words and numerals stay candidates.
    for (const std::string& w : {jy, std::string("12"), wide12}) EXPECT_FALSE(Av(f, w).is_stopword) << w;
    const std::string keys = f.GetKeyWordList(0, -1);
    EXPECT_NE(keys.find(jy + "/n/"), std::string::npos) << keys;
    for (const std::string& w : {colonQuote, period, std::string("--"), std::string("  ")})
        EXPECT_EQ(keys.find(w), std::string::npos) << keys;

    // Rows of an analysis without tags (tag id -1) are judged by their text alone.
    CKeyWordFinder untagged(nullptr, nullptr, KWF_KEYWORD);
    Doc u;
    u.Add(jy, "", -1).Add(period, "", -1);
    u.ScanInto(untagged);
    EXPECT_FALSE(Av(untagged, jy).is_stopword);
    EXPECT_TRUE(Av(untagged, period).is_stopword);

    // A text of white space has no keyword and the fingerprint of an empty text.
    for (const char* blank : {"     ", "\n\n\n", "\xA1\xA1\xA1\xA1", " \t "}) {
        CKeyWordFinder g(nullptr, nullptr, KWF_KEYWORD);
        Doc b;
        b.Add(blank, "", 1);
        b.ScanInto(g);
        EXPECT_STREQ(g.GetKeyWordList(0, 50), "") << blank;
        EXPECT_EQ(g.FingerPrint(), 0u) << blank;
    }
}

TEST(KeyWordScanTest, SentenceEndsJoinsAndShortSentences) {
    {
        // A line break ends the sentence; a second one within 10 bytes adds no id.
        CKeyWordFinder f(nullptr, nullptr, KWF_KEYWORD);
        Doc d;
        d.Add("abcdefgh", "n").Add("\n", "w", 1).Add("\n", "w", 1).Add("ijklmnop", "n");
        d.ScanInto(f);
        EXPECT_EQ(f.GetWordIDList(), (std::vector<int32_t>{1, 0, 2}));
        EXPECT_EQ(Av(f, kEnd).freq, 3);
        ASSERT_EQ(f.GetSentences().size(), 2u);
        EXPECT_EQ(f.GetSentences()[0].line, "abcdefgh ");
        EXPECT_EQ(f.GetSentences()[1].line, "ijklmnop");
        EXPECT_EQ(f.GetSentences()[1].start_pos, 2);
    }
    {
        // A closing mark (tag id 91) right after the end joins the previous sentence; a sentence
        // of 6 bytes or fewer is dropped; the remainder needs only 2 bytes.
        CKeyWordFinder f(nullptr, nullptr, KWF_KEYWORD);
        Doc d;
        d.Add("abcdefgh", "n").Add(".", "w", 81).Add("\"", "w", 91).Add("abc", "n").Add(".", "w", 81).Add("xy", "n");
        d.ScanInto(f);
        ASSERT_EQ(f.GetSentences().size(), 2u);
        EXPECT_EQ(f.GetSentences()[0].line, "abcdefgh.\"");
        EXPECT_EQ(f.GetSentences()[0].length, 10);
        EXPECT_EQ(f.GetSentences()[0].end_pos, 2);
        EXPECT_EQ(f.GetSentences()[1].line, "xy");
        EXPECT_EQ(f.GetSentences()[1].start_pos, 5);
    }
    {
        // A mark after a dropped short sentence ("……" cut into two ends) and after a line break
        // takes those bytes along: the line stays a piece of the text.
        const std::string dots = "\xA1\xAD", quote = "\xA1\xB1";  // … ”
        CKeyWordFinder f(nullptr, nullptr, KWF_KEYWORD);
        Doc d;
        d.Add("abcdefgh", "n").Add(dots, "w", 90).Add(dots, "w", 90).Add(quote, "w", 91);
        d.Add("ijklmnop", "n").Add(".", "w", 81).Add("\n", "w", 1).Add(quote, "w", 91).Add("xyz", "n");
        d.ScanInto(f);
        ASSERT_EQ(f.GetSentences().size(), 3u);
        EXPECT_EQ(f.GetSentences()[0].line, "abcdefgh" + dots + dots + quote);
        EXPECT_EQ(f.GetSentences()[0].length, 14);
        EXPECT_EQ(f.GetSentences()[1].line, "ijklmnop. " + quote);
        EXPECT_EQ(f.GetSentences()[2].line, "xyz");
    }
    {
        // A text ending in a break: the remainder is one byte shorter and "\n" alone is no
        // sentence; nothing reaches outside the text.
        CKeyWordFinder f(nullptr, nullptr, KWF_KEYWORD);
        Doc d;
        d.Add("ab", "n").Add("\n", "w", 1);
        d.ScanInto(f);
        EXPECT_TRUE(f.GetSentences().empty());
    }
}

TEST(KeyWordScanTest, WyBridgesAndCapitals) {
    CKeyWordFinder f(nullptr, nullptr, KWF_KEYWORD);
    Doc d;
    d.Add("zz", "n").Add("aa", "n").Add("bb", "wy").Add("cc", "n").Add("Beijing", "ns").Add("USA", "ns")
        .Add("New York", "ns").Add("AB", "n");
    d.ScanInto(f);
    const int aa = Handle(f, "aa"), bb = Handle(f, "bb"), cc = Handle(f, "cc");
    EXPECT_EQ(Handles(Av(f, "aa").vecRV), (std::vector<int>{bb, cc}));
    EXPECT_EQ(Handles(Av(f, "cc").vecLV), (std::vector<int>{aa, bb}));
    EXPECT_TRUE(Av(f, "bb").is_stopword);  // tag "w..."
    EXPECT_TRUE(Av(f, "bb").vecLV.empty());
    EXPECT_EQ(Av(f, "cc").freq, 2);  // counted once more by the bridge

    // The words as counted (the trie itself matches letters without regard to case).
    EXPECT_EQ(Av(f, "beijing").word, "beijing");
    EXPECT_EQ(Av(f, "USA").word, "USA");
    EXPECT_EQ(Av(f, "New York").word, "New York");
    EXPECT_EQ(Av(f, "AB").word, "aB");
}

TEST(KeyWordScanTest, SlotsOfTimeGenericAndUserTags) {
    CKeyWordFinder f(nullptr, "a#a#b", KWF_GENERIC | KWF_TIME);
    Doc d;
    d.Add("today", "t").Add("place", "gn").Add("w1", "a").Add("w2", "b").Add("w1", "a").Add("x", "g");
    d.ScanInto(f);
    DOC_EXTRAXT_DATA* s = f.GetDocExtractData();
    EXPECT_EQ(*s->GetElement(12), "today#");
    EXPECT_EQ(*s->GetElement(5), "place#");
    EXPECT_EQ(*s->GetElement(13), "w1#");
    EXPECT_EQ(*s->GetElement(14), "w2#");
    EXPECT_EQ(*s->GetElement(15), "");
}

struct SentiGlobals {
    CPDAT dict{0};
    CUnigram score{4};
    CPDAT* savedDict = g_pSentiDict;
    CUnigram* savedScore = g_pSentiScore;
    SentiGlobals() {
        dict.AddWordInit();
        dict.AddWord("good");
        dict.AddWord("bad");
        dict.AddWordComplete();
        score.AddFreq(dict.Find("good"), 3);
        score.AddFreq(dict.Find("bad"), -5);
        g_pSentiDict = &dict;
        g_pSentiScore = &score;
    }
    ~SentiGlobals() {
        g_pSentiDict = savedDict;
        g_pSentiScore = savedScore;
    }
};

TEST(KeyWordScanTest, SentimentScoreRulesAndRawSumAcrossScans) {
    SentiGlobals g;
    {
        // A small positive sum reports 1.
        CKeyWordFinder f(nullptr, nullptr, KWF_SENTIMENT_SCORE);
        Doc d;
        d.Add("good", "a");
        for (int k = 0; k < 700; ++k) d.Add("xx", "n");
        d.ScanInto(f);
        EXPECT_EQ(f.GetDocExtractData()->sentiment_score, 1);
        EXPECT_TRUE(f.GetDocExtractData()->GetElement(9)->empty());  // no 0x1000
    }
    {
        // Two good words over 4 ids give 300: clamped to 100.
        CKeyWordFinder f(nullptr, nullptr, KWF_SENTIMENT_SCORE);
        Doc d;
        d.Add("good", "a").Add("good", "a").Add("xx", "n").Add("xx", "n");
        d.ScanInto(f);
        EXPECT_EQ(f.GetDocExtractData()->sentiment_score, 100);
    }
    {
        // Two scans normalise the raw total over all ids: trunc((-2 + 3) x 200 / (3 + 5)) = 25.
        CKeyWordFinder f(nullptr, nullptr, KWF_SENTIMENT_SCORE | KWF_SENTIMENT_WORDS);
        Doc d1, d2;
        d1.Add("good", "a").Add("bad", "a").Add("xx", "n");
        d2.Add("good", "a").Add("xx", "n").Add("xx", "n").Add("xx", "n").Add("xx", "n");
        d1.ScanInto(f);
        EXPECT_EQ(f.GetDocExtractData()->sentiment_score, -100);
        d2.ScanInto(f);
        EXPECT_EQ(f.GetSentimentRawSum(), 1);
        EXPECT_EQ(f.GetDocExtractData()->sentiment_score, 25);
        EXPECT_EQ(*f.GetDocExtractData()->GetElement(9), "good/3#");
        EXPECT_EQ(*f.GetDocExtractData()->GetElement(10), "bad/-5#");
    }
    {
        // A text of line breaks only keeps the score as summed (here 0).
        CKeyWordFinder f(nullptr, nullptr, KWF_SENTIMENT_SCORE);
        Doc d;
        d.Add("\n", "w", 1).Add("\n", "w", 1);
        d.ScanInto(f);
        EXPECT_TRUE(f.GetWordIDList().empty());
        EXPECT_EQ(f.GetDocExtractData()->sentiment_score, 0);
    }
}

TEST(KeyWordScanTest, SlotPiecesNeverPassTheSlot) {
    CKeyWordFinder f(nullptr, nullptr, KWF_KEYWORD);
    Doc d;
    for (int k = 0; k < 60; ++k) d.Add(std::string(29, char('a' + k % 26)) + char('A' + k / 26), "");
    d.ScanInto(f);
    tstring* slot = f.GetDocExtractData()->GetElement(9);
    for (int h = 0; h < int(f.GetWordAV().size()); ++h) {
        f.SetExtractName(9, h, INT_MIN);
        ASSERT_LE(slot->size(), 600u);
    }
    EXPECT_GT(slot->size(), 500u);
    EXPECT_EQ(slot->back(), '#');
    EXPECT_NE(slot->find("/-2147483648#"), tstring::npos);
    // Room for the Part's estimate (558 + 30 + 10 < 600) but not for the 43 bytes and the NUL.
    *slot = std::string(558, 'z');
    f.SetExtractName(9, 1, INT_MIN);
    EXPECT_EQ(slot->size(), 558u);
    *slot = std::string(557, 'z');
    f.SetExtractName(9, 1, INT_MIN);
    EXPECT_EQ(slot->size(), 600u);
    // Invalid slots and handles append nothing.
    f.SetExtractName(13, 1, 0);
    f.SetExtractName(-1, 1, 0);
    f.SetExtractName(3, 1000, 0);
    EXPECT_TRUE(f.GetDocExtractData()->GetElement(3)->empty());
    // A word already in the slot is not appended again.
    f.SetExtractName(3, 1, 0);
    f.SetExtractName(3, 1, 0);
    EXPECT_EQ(*f.GetDocExtractData()->GetElement(3), f.GetWordAV()[1].word + "#");
}

TEST(KeyWordScanTest, EnglishTermsKeepTrieAndTableInStep) {
    kwtest::EnglishDoc d;
    d.Add("one").Add(std::string(2000, 'q')).Add("two").Add("\n", "w", 1).Add("Three");
    const std::string& line = d.line;
    CEnglish& parser = d.parser;
    CKeyWordFinder f(nullptr, nullptr, KWF_KEYWORD);
    EXPECT_EQ(f.Scan(line.c_str(), nullptr), 0u);
    EXPECT_EQ(f.Scan("", &parser), 0u);
    ASSERT_EQ(f.Scan(line.c_str(), &parser), 1u);
    EXPECT_EQ(f.GetDocLength(), line.size() * 2);  // as rows do, a scan without terms counts its text
    for (size_t k = 0; k < f.GetWordAV().size(); ++k)
        EXPECT_EQ(Handle(f, f.GetWordAV()[k].word), int(k)) << f.GetWordAV()[k].word.size();
    EXPECT_LT(Handle(f, std::string(2000, 'q')), 0);
    EXPECT_GE(Handle(f, "three"), 0);
    EXPECT_EQ(parser.m_vecResult[3].iPOS, 1);
    EXPECT_EQ(Av(f, kEnd).freq, 3);  // the scan, the long term and the line break
}

TEST(KeyWordScanTest, ResetStartsANewWordTable) {
    CKeyWordFinder f(nullptr, nullptr, KWF_KEYWORD);
    Doc d;
    d.Add("zz", "n").Add("aa", "n").Add("bb", "wy").Add("cc", "n");
    d.ScanInto(f);
    f.Reset();
    EXPECT_TRUE(f.GetWordIDList().empty());
    d.ScanInto(f);
    EXPECT_EQ(f.GetWordIDList().size(), 4u);
    EXPECT_EQ(Handle(f, kEnd), 0);
}

}  // namespace
