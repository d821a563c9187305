// Tokenising English lines and classifying word shapes.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "EnglishParser/English.h"
#include "EnglishParser/EnglishLexicon.h"

namespace {

using kxtest::EnglishLexicon;

std::vector<std::string> Words(const std::vector<english_term_result>& items) {
    std::vector<std::string> out;
    for (const auto& t : items) out.push_back(t.word);
    return out;
}

// Runs ProcessA on a thread and ends the whole test program when it has not returned within the
// limit: a tokenizer that loops cannot be stopped from outside.
std::vector<std::string> TokensWithin(CEnglish& eng, const std::string& line, int nSeconds = 20) {
    std::promise<std::vector<std::string>> done;
    std::future<std::vector<std::string>> result = done.get_future();
    std::thread worker([&] { done.set_value(Words(eng.ProcessA(line.c_str()))); });
    if (result.wait_for(std::chrono::seconds(nSeconds)) != std::future_status::ready) {
        fprintf(stderr, "ProcessA did not return within %d s for \"%s\"\n", nSeconds, line.c_str());
        fflush(stderr);
        std::_Exit(1);
    }
    worker.join();
    return result.get();
}

class EnglishTokenTest : public ::testing::Test {
protected:
    EnglishLexicon lexicon;
    CEnglish eng;
};

TEST_F(EnglishTokenTest, LineOfDelimitersGivesOneTermPerVisibleDelimiter) {
    const std::string line = " \t:\"&-=+()[]<>/?!#$*~`{};|,^\r\n";
    auto& items = eng.ProcessA(line.c_str());
    std::vector<std::string> expected;
    for (char c : line)
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n') expected.push_back(std::string(1, c));
    EXPECT_EQ(Words(items), expected);
    for (const auto& t : items) {
        ASSERT_GE(t.start, 0);
        EXPECT_EQ(line.substr(size_t(t.start), 1), t.word);
        EXPECT_EQ(t.length, 1);
    }
    // '.' and '\'' are not delimiters, the NUL is never one.
    EXPECT_EQ(Words(eng.ProcessA(".'")), std::vector<std::string>({".'"}));
    EXPECT_TRUE(eng.ProcessA("").empty());
    EXPECT_TRUE(eng.ProcessA(nullptr).empty());
    EXPECT_TRUE(eng.ProcessA(" \t\r\n ").empty());
}

// An unknown word that ends a sentence loses its full stop, and the stop is a term of its own;
// the cut never repeats on a lone ".".
TEST_F(EnglishTokenTest, TrailingStopsAreCutOnceAndTerminate) {
    typedef std::vector<std::string> V;
    EXPECT_EQ(TokensWithin(eng, "Hello world."), V({"Hello", "world", "."}));
    EXPECT_EQ(TokensWithin(eng, "."), V({"."}));
    EXPECT_EQ(TokensWithin(eng, ".."), V({".", "."}));
    EXPECT_EQ(TokensWithin(eng, "a..."), V({"a..", "."}));
    EXPECT_EQ(TokensWithin(eng, "x."), V({"x", "."}));
    EXPECT_EQ(TokensWithin(eng, "Unknownword. Next"), V({"Unknownword", ".", "Next"}));
    // The shorter token is the one looked up.
    auto& items = eng.ProcessA("go book.");
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[1].word_ID, EnglishLexicon::Handle("book"));
    EXPECT_EQ(items[1].start, 3);
    EXPECT_EQ(items[1].length, 4);
    EXPECT_EQ(items[1].original_word, "book");
    EXPECT_EQ(items[2].start, 7);
    EXPECT_EQ(items[2].word_type, ENG_TYPE_END);
}

TEST_F(EnglishTokenTest, PossessiveIsCutCaseSensitively) {
    typedef std::vector<std::string> V;
    auto& items = eng.ProcessA("John's book");
    EXPECT_EQ(Words(items), V({"John", "'s", "book"}));
    EXPECT_EQ(items[0].word_ID, EnglishLexicon::Handle("john"));
    EXPECT_EQ(items[1].start, 4);
    EXPECT_EQ(items[1].length, 2);
    EXPECT_EQ(TokensWithin(eng, "JOHN'S"), V({"JOHN'S"}));
    EXPECT_EQ(TokensWithin(eng, "'s"), V({"'s"}));
    EXPECT_EQ(TokensWithin(eng, "x's."), V({"x's", "."}));
}

// Every separator but white space is a term, also the second one of a run or one after a blank
// (none is lost), and after a cut it follows the cut part.
TEST_F(EnglishTokenTest, SeparatorsAfterTokens) {
    typedef std::vector<std::string> V;
    EXPECT_EQ(TokensWithin(eng, "(end.)"), V({"(", "end", ".", ")"}));
    EXPECT_EQ(TokensWithin(eng, "a, (b"), V({"a", ",", "(", "b"}));
    EXPECT_EQ(TokensWithin(eng, "a ,b"), V({"a", ",", "b"}));
    EXPECT_EQ(TokensWithin(eng, "say \"yes\" (now)."), V({"say", "\"", "yes", "\"", "(", "now", ")", "."}));
    EXPECT_EQ(TokensWithin(eng, "John's!"), V({"John", "'s", "!"}));
    EXPECT_EQ(TokensWithin(eng, "yes?\r\nno"), V({"yes", "?", "no"}));
    EXPECT_EQ(TokensWithin(eng, "1,000 and 1,a"), V({"1,000", "and", "1", ",", "a"}));
    EXPECT_EQ(TokensWithin(eng, "e-mail"), V({"e", "-", "mail"}));
    auto& items = eng.ProcessA("1,000");
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].word_ID, EnglishLexicon::Handle("1,000"));
}

// A GBK character whose second byte is a delimiter byte stays whole.
TEST_F(EnglishTokenTest, GBKCharactersAreNotSplit) {
    typedef std::vector<std::string> V;
    EXPECT_EQ(TokensWithin(eng, "ab\xB0[cd ef"), V({"ab\xB0[cd", "ef"}));
    EXPECT_EQ(TokensWithin(eng, "ab\xB0"), V({"ab\xB0"}));
}

// On random lines over a small alphabet every item is the line's text at its offset, items come
// in line order without overlap, every byte but white space lies in some item, and nothing loops.
TEST_F(EnglishTokenTest, OffsetsIndexTheLineOnRandomLines) {
    const unsigned seed = 20261208;
    std::mt19937 rng(seed);
    const std::string alphabet = "ab A.,'s1 (-\t?";
    for (int round = 0; round < 3000; ++round) {
        std::string line;
        for (int k = 0, n = int(rng() % 16); k < n; ++k) line += alphabet[rng() % alphabet.size()];
        auto& items = eng.ProcessA(line.c_str());
        std::vector<bool> covered(line.size(), false);
        int nEnd = 0;
        for (const auto& t : items) {
            ASSERT_GE(t.start, nEnd) << "seed " << seed << " line \"" << line << "\"";
            ASSERT_LE(size_t(t.start + t.length), line.size())
                << "seed " << seed << " line \"" << line << "\"";
            ASSERT_EQ(line.substr(size_t(t.start), size_t(t.length)), t.word) << "seed " << seed;
            for (int i = t.start; i < t.start + t.length; ++i) covered[size_t(i)] = true;
            nEnd = t.start + t.length;
        }
        for (size_t i = 0; i < line.size(); ++i) {
            if (line[i] != ' ' && line[i] != '\t') {
                ASSERT_TRUE(covered[i]) << "seed " << seed << " line \"" << line << "\" byte " << i;
            }
        }
    }
}

TEST_F(EnglishTokenTest, WordTypesByShape) {
    struct Case {
        const char* word;
        int type;
        int pos;  // iPOS after GetWordType from -1
    } cases[] = {
        {"", 0, -1},         {"#$", 0, -1},     {"Hello", 1, -1}, {"@Home", 2, -1},  {"USA", 3, -1},
        {"McDonald", 3, -1}, {"mp3", 4, -1},    {"3D", 4, -1},    {"-3.5%", 6, 18},  {"1,000", 6, 18},
        {"+7", 6, 18},       {"12:30", 6, 18},  {"hello", 7, -1}, {"iPhone", 7, -1}, {",", 8, -1},
        {":", 8, -1},        {"\"", 8, -1},     {".", 100, -1},   {"!", 100, -1},    {"?", 100, -1},
        {"\r", 100, 1},      {"end\n", 100, 1}, {"-", 0, -1},
        {"+", 0, -1},
    };
    for (const Case& c : cases) {
        english_term_result t;
        t.word = c.word;
        EXPECT_EQ(eng.GetWordType(t), c.type) << c.word;
        EXPECT_EQ(t.iPOS, c.pos) << c.word;
    }
}

TEST_F(EnglishTokenTest, NewTermIsEmpty) {
    english_term_result t;
    EXPECT_EQ(t.iPOS, -1);
    EXPECT_EQ(t.word_ID, -1);
    EXPECT_EQ(t.word_type, 0);
    EXPECT_EQ(t.unit_count, 1);
    EXPECT_EQ(t.start, 0);
    EXPECT_EQ(t.length, 0);
    EXPECT_EQ(t.weight, 0);
    EXPECT_STREQ(t.sPOS, "");
    EXPECT_TRUE(t.word.empty() && t.original_word.empty());
}

}  // namespace
