#include "Utility/KeyWordFinder.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <random>
#include <vector>

#include "MERIDOX/System/EngineGlobals.h"
#include "Utility/PDAT.h"
#include "Utility/Unigram.h"

namespace {

TEST(KeyWordFinderTest, ThresholdsIn64BitsAndWithoutItems) {
    CUnigram big(10);
    big.AddFreq(1, 300000000);  // total 3 x 10^8, no item counted
    EXPECT_EQ(WordThreshold(&big), INT_MAX);
    EXPECT_EQ(WordThreshold(nullptr), INT_MAX);

    // A table of 4 items with total 3 x 10^8: 7.5 x 10^8, positive.
    const unsigned char image[] = {4, 0, 0, 0, 4, 0, 0, 0, 0x00, 0xA3, 0xE1, 0x11,  // size, bound, total
                                   1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0};
    CUnigram u;
    ASSERT_TRUE(u.LoadFromMemory(image, sizeof image));
    ASSERT_EQ(u.GetTotalFreq(), 300000000);
    EXPECT_EQ(WordThreshold(&u), 750000000);

    CUnigram* saved = g_pEnglishUnigram;
    g_pEnglishUnigram = nullptr;
    CKeyWordFinder finder(&u, nullptr, KWF_KEYWORD);
    EXPECT_EQ(finder.GetCnWordThreshold(), 750000000);
    EXPECT_EQ(finder.GetEnWordThreshold(), INT_MAX);
    g_pEnglishUnigram = saved;
}

TEST(KeyWordFinderTest, UserTagsGiveSlotsAfterTheFixedOnes) {
    CKeyWordFinder finder(nullptr, "#a#b#", KWF_KEYWORD);
    DOC_EXTRAXT_DATA* slots = finder.GetDocExtractData();
    EXPECT_EQ(slots->entity_count, 15u);
    EXPECT_EQ(finder.GetUserPosCount(), 2);
    EXPECT_EQ(finder.GetUserPosHandle(0), 0);
    EXPECT_EQ(finder.GetUserPosHandle(1), 1);
    EXPECT_EQ(finder.GetUserDefPos()->Find("b"), 1);
    ASSERT_NE(slots->GetElement(14), nullptr);
    EXPECT_TRUE(slots->GetElement(14)->empty());
    EXPECT_EQ(slots->GetElement(15), nullptr);
    EXPECT_EQ(slots->GetElement(-1), nullptr);
    EXPECT_EQ(slots->sentiment_score, 0);

    for (const char* none : {static_cast<const char*>(nullptr), "", "#", "###"}) {
        CKeyWordFinder plain(nullptr, none, 8);
        EXPECT_EQ(plain.GetDocExtractData()->entity_count, 13u);
        EXPECT_EQ(plain.GetUserDefPos(), nullptr);
        EXPECT_EQ(plain.GetUserPosHandle(0), -1);
    }
}

TEST(KeyWordFinderTest, StopWordsAndKeyTags) {
    EXPECT_FALSE(WORD_AV("x", "", -1).is_stopword);  // an empty tag is no stop tag
    EXPECT_TRUE(WORD_AV("x", "u", 1).is_stopword);
    EXPECT_TRUE(WORD_AV("x", "w", 1).is_stopword);
    EXPECT_TRUE(WORD_AV("x", "y", 1).is_stopword);
    EXPECT_FALSE(WORD_AV("x", "U", 1).is_stopword);  // case-sensitive
    EXPECT_TRUE(WORD_AV("<b", "n", 1).is_stopword);
    EXPECT_TRUE(WORD_AV(">", "n", 1).is_stopword);
    EXPECT_TRUE(WORD_AV("x", "VShi", 1).is_stopword);
    WORD_AV key("x", "KeyWord", 1);
    EXPECT_FALSE(key.is_stopword);
    EXPECT_EQ(key.weight, 1000.0);
    WORD_AV plain("x", "n", 21);
    EXPECT_EQ(plain.pos_id, 21);
    EXPECT_EQ(plain.freq, 0);
    EXPECT_EQ(plain.unit_count, 1);
    EXPECT_EQ(plain.original_word, "x");
    WORD_AV def;
    EXPECT_EQ(def.pos_id, -1);
    EXPECT_EQ(def.weight, 0.0);
}

TEST(KeyWordFinderTest, ResetKeepsTheSlots) {
    CKeyWordFinder finder(nullptr, "#t#", KWF_KEYWORD);
    *finder.GetDocExtractData()->GetElement(3) = "kept#";
    CTrie* before = finder.GetTrie();
    finder.Reset();
    EXPECT_NE(finder.GetTrie(), nullptr);
    (void)before;
    EXPECT_EQ(*finder.GetDocExtractData()->GetElement(3), "kept#");
    EXPECT_EQ(finder.GetDocLength(), 0u);
    EXPECT_TRUE(finder.GetWordAV().empty());
}

// Find and Add against a sorted reference, with a fixed seed.
TEST(KeyWordFinderTest, NeighbourListsStaySortedAndCounted) {
    const unsigned seed = 20261209;
    std::mt19937 rng(seed);
    std::vector<_word_freq> list;
    std::vector<int> counts(200, 0);
    int nMid = -1;
    EXPECT_FALSE(Find(5, list, nMid));
    EXPECT_EQ(nMid, 0);
    for (int k = 0; k < 3000; ++k) {
        int h = int(rng() % 200);
        int at = Add(h, list);
        ++counts[size_t(h)];
        ASSERT_EQ(list[size_t(at)].handle, h) << "seed " << seed;
    }
    size_t n = 0;
    for (int h = 0; h < 200; ++h) {
        bool found = Find(h, list, nMid);
        ASSERT_EQ(found, counts[size_t(h)] > 0) << "seed " << seed << " handle " << h;
        if (found) {
            EXPECT_EQ(list[size_t(nMid)].freq, counts[size_t(h)]);
            ++n;
        } else {
            ASSERT_LE(size_t(nMid), list.size());
            if (size_t(nMid) < list.size()) {
                EXPECT_GT(list[size_t(nMid)].handle, h);
            }
            if (nMid > 0) {
                EXPECT_LT(list[size_t(nMid) - 1].handle, h);
            }
        }
    }
    EXPECT_EQ(n, list.size());
    for (size_t k = 1; k < list.size(); ++k) EXPECT_LT(list[k - 1].handle, list[k].handle);
    EXPECT_FALSE(Find(1000, list, nMid));
    EXPECT_EQ(size_t(nMid), list.size());

    char line[] = "a\tb\r\nc";
    EXPECT_STREQ(replacelinechar(line), "a b  c");
}

}  // namespace
