// Tag choice, the irregular-form map, fallbacks, field overrides, GetWordPos and GetEngWordOrign.
#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <string>

#include "EnglishParser/English.h"
#include "EnglishParser/EnglishLexicon.h"

namespace {

using namespace kxtest;

class EnglishTagTest : public ::testing::Test {
protected:
    // The single item of a one-token line.
    const english_term_result& One(const char* sLine) {
        auto& items = eng.ProcessA(sLine);
        EXPECT_EQ(items.size(), 1u) << sLine;
        static english_term_result none;
        return items.empty() ? none : items[0];
    }

    EnglishLexicon lexicon;
    CEnglish eng;
};

TEST_F(EnglishTagTest, CapitalisedWordPrefersNameTags) {
    // n 50, nr 2, ns 1: both name tags replace the more frequent noun, the last one wins.
    EXPECT_EQ(One("China").iPOS, kNs);
    EXPECT_STREQ(One("China").sPOS, "ns");
    // n 50, ns 1, nt 2.
    EXPECT_EQ(One("London").iPOS, kNt);
    // n 4, nr 2, v 3: a later ordinary tag still needs a higher frequency than the name tag's.
    EXPECT_EQ(One("Bill").iPOS, kV);
    // Lower case: the most frequent, the first on ties.
    EXPECT_EQ(One("china").iPOS, kN);
    EXPECT_EQ(One("bill").iPOS, kN);
    EXPECT_EQ(One("book").iPOS, kN);
    EXPECT_EQ(One("run").iPOS, kV);
    EXPECT_EQ(One("the").iPOS, kR);
    EXPECT_EQ(One("the").word_type, ENG_TYPE_LOWER);
}

TEST_F(EnglishTagTest, IrregularFormsTakeTheRegularTag) {
    // No candidate of its own: go's tag and text.
    const english_term_result& went = One("went");
    EXPECT_EQ(went.iPOS, kV);
    EXPECT_EQ(went.word_ID, EnglishLexicon::Handle("go"));
    EXPECT_EQ(went.original_word, "go");
    EXPECT_EQ(went.word, "went");
    // A best frequency of 3 settles it: the map is not consulted.
    const english_term_result& saw = One("saw");
    EXPECT_EQ(saw.iPOS, kN);
    EXPECT_EQ(saw.word_ID, EnglishLexicon::Handle("saw"));
    EXPECT_EQ(saw.original_word, "saw");
    // a 1 < leave's v 9.
    const english_term_result& left = One("left");
    EXPECT_EQ(left.iPOS, kV);
    EXPECT_EQ(left.original_word, "leave");
    // a 2 beats feed's v 1: the tag stays, the word id and text still become feed's.
    const english_term_result& fed = One("fed");
    EXPECT_EQ(fed.iPOS, kA);
    EXPECT_EQ(fed.word_ID, EnglishLexicon::Handle("feed"));
    EXPECT_EQ(fed.original_word, "feed");
}

TEST_F(EnglishTagTest, FallbacksForWordsWithoutCandidates) {
    EXPECT_EQ(One("@abc").iPOS, kNr);
    EXPECT_EQ(One("@").iPOS, kNr);
    EXPECT_EQ(One("a@b.c").iPOS, kXe);
    EXPECT_STREQ(One("a@b.c").sPOS, "xe");
    EXPECT_EQ(One("ab@").iPOS, kN);  // the at sign is the last byte
    EXPECT_EQ(One("3rd").iPOS, kN);
    EXPECT_EQ(One("xyzzy").iPOS, kN);
    // Number shapes take their number class through the number tag.
    EXPECT_EQ(One("13800138000").iPOS, kMtel);
    EXPECT_STREQ(One("13800138000").sPOS, "mtel");
    EXPECT_EQ(One("2008.10").iPOS, kT);
    EXPECT_EQ(One("2008.10").word_type, ENG_TYPE_NUMBER);
    EXPECT_EQ(One("42").iPOS, kM);
    // A digit-led mixed token is classified without a digit check.
    EXPECT_EQ(One("2345678a").iPOS, kMtel);
    // A candidate list overrides the number tag.
    EXPECT_EQ(One("1,000").iPOS, kM);
}

TEST_F(EnglishTagTest, AddWordStartsFromAClearTag) {
    english_term_result t;
    t.word = "went";
    t.original_word = "went";
    t.iPOS = 7;
    t.word_ID = EnglishLexicon::Handle("went");
    EXPECT_EQ(eng.AddWord(t), EnglishLexicon::Handle("go"));
    ASSERT_EQ(eng.m_vecResult.size(), 1u);
    EXPECT_EQ(eng.m_vecResult[0].iPOS, kV);
    EXPECT_EQ(eng.m_vecResult[0].original_word, "go");
    // Without tagging the tag id is chosen all the same, the text stays empty.
    g_bPOSTagger = false;
    EXPECT_EQ(One("book").iPOS, kN);
    EXPECT_STREQ(One("book").sPOS, "");
    g_bPOSTagger = true;
}

TEST_F(EnglishTagTest, FieldDictionaryOverridesTheTag) {
    const std::string sLong(50, 'x');
    EnglishLexicon::SetFieldDict({{"hello", "nz"}, {"world", sLong}, {"went", "ns"}});
    EXPECT_EQ(One("Hello").iPOS, kNz);
    EXPECT_STREQ(One("Hello").sPOS, "nz");
    // A tag the map does not hold is cut to 39 bytes and has no id.
    EXPECT_EQ(std::string(One("world").sPOS), sLong.substr(0, 39));
    EXPECT_EQ(One("world").iPOS, 255);
    // The field tag replaces the irregular form's, the regular form's id stays.
    EXPECT_EQ(One("went").iPOS, kNs);
    EXPECT_EQ(One("went").original_word, "go");
    // A field dictionary without its tag list changes nothing here.
    EnglishLexicon::SetFieldDict({{"hello", "nz"}}, false);
    EXPECT_EQ(One("hello").iPOS, kN);
}

// Tagging off: no tag maps, yet a field dictionary imported at run time with its tag list.
TEST_F(EnglishTagTest, FieldOverrideWithoutTagMaps) {
    g_bPOSTagger = false;
    for (int i = 0; i < kPOSmapCount; ++i) delete g_ppPOSmap[i];
    delete[] g_ppPOSmap;
    g_ppPOSmap = nullptr;
    EnglishLexicon::SetFieldDict({{"hello", "nz"}});
    EXPECT_EQ(One("hello").iPOS, kN);
    EXPECT_STREQ(One("hello").sPOS, "nz");
    EXPECT_EQ(One("book").iPOS, kN);
    EXPECT_STREQ(One("book").sPOS, "");
    g_bPOSTagger = true;
}

TEST_F(EnglishTagTest, WordPosOfASpanInChineseText) {
    // "我用book写" in GBK: the span is not NUL-terminated.
    const char sLine[] =
        "\xCE\xD2\xD3\xC3"
        "book"
        "\xD0\xB4";  // 我用 book 写
    int handle = 99;
    EXPECT_EQ(eng.GetWordPos(sLine + 4, 4, handle), kN);
    EXPECT_EQ(handle, EnglishLexicon::Handle("book"));
    EXPECT_EQ(eng.GetWordPos("China", 5, handle), kNs);
    EXPECT_EQ(eng.GetWordPos("went", 4, handle), kV);
    EXPECT_EQ(handle, EnglishLexicon::Handle("go"));
    EXPECT_EQ(eng.GetWordPos("fed", 3, handle), kA);
    EXPECT_EQ(handle, EnglishLexicon::Handle("fed"));
    EXPECT_EQ(eng.GetWordPos("xyzzy", 5, handle), 255);
    EXPECT_EQ(handle, -1);
    EXPECT_EQ(eng.GetWordPos("book", 0, handle), 255);
    EXPECT_EQ(eng.GetWordPos("<none>", 6, handle), 255);  // the placeholder has no tag
    EXPECT_EQ(handle, 0);
}

TEST_F(EnglishTagTest, EngWordOrign) {
    EXPECT_EQ(eng.GetEngWordOrign("went"), "go");
    EXPECT_EQ(eng.GetEngWordOrign("Went"), "go");
    EXPECT_EQ(eng.GetEngWordOrign("book"), "book");
    EXPECT_EQ(eng.GetEngWordOrign("xyzzy"), "xyzzy");
    EXPECT_EQ(eng.GetEngWordOrign(nullptr), "");
    // A regular form without text in the word list reads as empty.
    delete g_pEnglishWordList;
    g_pEnglishWordList = new CWordList;
    EXPECT_EQ(eng.GetEngWordOrign("went"), "");
}

// The shipped data: WordNet words, forms and tags.
TEST(EnglishDataTest, ShippedLexiconTagsRealWords) {
    EnglishLexicon lexicon(KX_BUILD_DIR "/Data");
    ASSERT_TRUE(lexicon.loaded());
    CEnglish eng;
    EXPECT_EQ(eng.GetEngWordOrign("went"), "go");
    EXPECT_EQ(eng.GetEngWordOrign("children"), "child");
    int handle = -1;
    const char sLine[] =
        "\xCE\xD2\xCF\xB2\xBB\xB6"
        "music";  // 我喜欢 music
    EXPECT_EQ(eng.GetWordPos(sLine + 6, 5, handle), kN);
    EXPECT_EQ(eng.GetWordPos("went", 4, handle), kV);
    EXPECT_EQ(handle, EnglishLexicon::Handle("go"));
    EXPECT_EQ(eng.GetWordPos("qzxv", 4, handle), 255);
    EXPECT_STREQ(eng.Process("The children went to school.", 1),
                 "The/r children/n went/v to/p school/n ./w ");
}

// Floor on real English: the share of the words of WordNet's glosses (every second gloss) that
// take a tag from the English dictionary's candidates. The full set measures 89.9 % (bench/english).
TEST(EnglishDataTest, MostGlossWordsGetADictionaryTag) {
    EnglishLexicon lexicon(KX_BUILD_DIR "/Data");
    ASSERT_TRUE(lexicon.loaded());
    CEnglish eng;
    size_t nWords = 0, nTagged = 0, nLine = 0;
    for (const char* part : {"noun", "verb", "adj", "adv"}) {
        std::ifstream in(std::string("/usr/share/wordnet/data.") + part);
        std::string line;
        while (std::getline(in, line)) {
            size_t bar = line.find(" | ");
            if (line.compare(0, 2, "  ") == 0 || bar == std::string::npos || nLine++ % 2) continue;
            for (const auto& t : eng.ProcessA(line.c_str() + bar + 3)) {
                bool bWord = false;
                for (char c : t.word) bWord = bWord || isalnum(static_cast<unsigned char>(c));
                int n = 0;
                nWords += bWord;
                nTagged += bWord && t.word_ID >= 0 && g_pEnglishPOS->GetPOS(t.word_ID, &n) && n > 0;
            }
        }
    }
    if (nWords == 0) GTEST_SKIP() << "WordNet's data files (wordnet-base) are not installed";
    EXPECT_GT(nWords, 600000u);
    EXPECT_GE(100.0 * double(nTagged) / double(nWords), 89.5) << nTagged << " of " << nWords;
}

}  // namespace
