// The result line: format, and field and user dictionary merges.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "EnglishParser/English.h"
#include "EnglishParser/EnglishLexicon.h"

namespace {

using namespace kxtest;

class EnglishResultTest : public ::testing::Test {
protected:
    EnglishLexicon lexicon;
    CEnglish eng;
};

TEST_F(EnglishResultTest, LineFormat) {
    // Punctuation the core dictionary does not know (none is loaded here) is general punctuation.
    EXPECT_STREQ(eng.Process("Hello world.", 1), "Hello/n world/n ./w ");
    EXPECT_STREQ(eng.Process("Hello world.", 0), "Hello world . ");
    // The separators are fixed, whatever the engine's configured delimiter and boundary.
    g_sPOSDelimiter = "_";
    g_sWordBoundary = "|";
    EXPECT_STREQ(eng.Process("went (a@b.c)", 1), "went/v (/w a@b.c/xe )/w ");
    EXPECT_STREQ(eng.Process("", 1), "");
    // A line-break item is written as its word alone.
    std::vector<english_term_result> items(3);
    items[0].word = "go";
    SetResultPOS(items[0], "v");
    items[1].word = "\r\n";
    items[1].iPOS = 1;
    SetResultPOS(items[1], "brk");
    items[2].word = "on";
    SetResultPOS(items[2], "p");
    EXPECT_STREQ(eng.GetResultString(nullptr, items, true), "go/v \r\non/p ");
}

TEST_F(EnglishResultTest, UserEntryOverThreeTokensMergesThem) {
    EnglishLexicon::SetUserDict({"e-mail nz"});
    const char* sLine = "send e-mail now";
    auto& items = eng.ProcessA(sLine);
    ASSERT_EQ(items.size(), 5u);  // send e - mail now
    EXPECT_STREQ(eng.GetResultString(sLine, items, true), "send/n e-mail/nz now/n ");
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[1].word, "e-mail");
    EXPECT_EQ(items[1].start, 5);
    EXPECT_EQ(items[1].length, 6);
    EXPECT_EQ(items[1].iPOS, kNz);
    EXPECT_EQ(items[1].word_ID, -1);
    EXPECT_EQ(items[1].word_type, 1);
    EXPECT_EQ(items[2].word, "now");
    // A user tag the map does not hold gives the default id.
    EnglishLexicon::SetUserDict({"e-mail Object"});
    eng.Process(sLine, 1);
    EXPECT_EQ(eng.m_sResult, "send/n e-mail/Object now/n ");
    EXPECT_EQ(eng.m_vecResult[1].iPOS, kN);
}

TEST_F(EnglishResultTest, MatchMustEndOnAnItemEnd) {
    EnglishLexicon::SetUserDict({"hell n", "send-e nz", "x v"});
    EXPECT_STREQ(eng.Process("hello", 1), "hello/n ");
    EXPECT_STREQ(eng.Process("send-email", 1), "send/n -/w email/n ");  // a lone sign is no number
    // A one-byte match is never used.
    EXPECT_STREQ(eng.Process("x", 1), "x/n ");
    // A match running past the last item changes nothing either.
    std::vector<english_term_result> items(1);
    items[0].word = "hell";
    items[0].length = 4;
    SetResultPOS(items[0], "n");
    EXPECT_STREQ(eng.GetResultString("hello", items, true), "hell/n ");
}

TEST_F(EnglishResultTest, FieldBeatsUserOnEqualLengths) {
    EnglishLexicon::SetUserDict({"e-mail nz", "e-mail-box ns"});
    EnglishLexicon::SetFieldDict({{"e-mail", "nt"}});
    EXPECT_STREQ(eng.Process("e-mail", 1), "e-mail/nt ");
    EXPECT_EQ(eng.m_vecResult[0].iPOS, kNt);
    // A strictly longer user entry wins.
    EXPECT_STREQ(eng.Process("e-mail-box", 1), "e-mail-box/ns ");
}

TEST_F(EnglishResultTest, WordsWithBlanksAreBracketed) {
    EnglishLexicon::SetFieldDict({{"new york", "nz"}});
    EXPECT_STREQ(eng.Process("New York is big", 1), "[New York]nz is/n big/n ");
    EXPECT_EQ(eng.m_vecResult[0].length, 8);
    EXPECT_STREQ(eng.Process("in New York", 0), "in [New York] ");
    // A blank run matches one blank and counts in full.
    EXPECT_STREQ(eng.Process("New \t York", 1), "[New \t York]nz ");
    EXPECT_EQ(eng.m_vecResult[0].length, 10);
}

TEST_F(EnglishResultTest, FieldDictionaryWithoutTagsOrMaps) {
    g_bPOSTagger = false;
    for (int i = 0; i < kPOSmapCount; ++i) delete g_ppPOSmap[i];
    delete[] g_ppPOSmap;
    g_ppPOSmap = nullptr;
    EnglishLexicon::SetFieldDict({{"new york", "nz"}}, false);
    EXPECT_STREQ(eng.Process("New York now", 1), "[New York] now/ ");
    EXPECT_STREQ(eng.m_vecResult[0].sPOS, "");
    EXPECT_EQ(eng.m_vecResult[0].iPOS, kN);
    EXPECT_EQ(eng.m_vecResult[0].word_type, 1);
    g_bPOSTagger = true;
}

TEST_F(EnglishResultTest, ItemsOutsideTheLineAreNotMerged) {
    EnglishLexicon::SetUserDict({"go v"});
    std::vector<english_term_result> items(1);
    items[0].word = "go";
    items[0].start = 40;
    items[0].length = 2;
    SetResultPOS(items[0], "n");
    EXPECT_STREQ(eng.GetResultString("go", items, true), "go/n ");
    items[0].start = -3;
    EXPECT_STREQ(eng.GetResultString("go", items, true), "go/n ");
}

}  // namespace
