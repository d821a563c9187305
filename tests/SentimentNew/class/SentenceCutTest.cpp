#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "SentimentNew/class/Sentiment.h"

using Strings = std::vector<std::string>;

namespace {

Strings Cut(int code, const std::string& content) { return Sentiment("", code).CutContentToSentences(content); }

}  // namespace

TEST(SentenceCutTest, SeparatorsCutAndEmptySentencesAreDropped) {
    for (int code : {0, 1, 2}) {
        EXPECT_EQ(Cut(code, ""), Strings()) << code;
        EXPECT_EQ(Cut(code, ".!?;"), Strings()) << code;
        EXPECT_EQ(Cut(code, "good?!bad"), Strings({"good", "bad"})) << code;
        EXPECT_EQ(Cut(code, "it costs 3.5 now"), Strings({"it costs 3", "5 now"})) << code;
        EXPECT_EQ(Cut(code, " a\r\nb ;\n"), Strings({" a\r\nb ", "\n"})) << code;
        EXPECT_EQ(Cut(code, "no separator at all"), Strings({"no separator at all"})) << code;
    }
}

TEST(SentenceCutTest, GbkCutsAtFullWidthMarksAndDropsQuotes) {
    // “好”。 坏！ 差？ 行； 嗯…… 完
    const std::string content =
        "\xA1\xB0\xBA\xC3\xA1\xB1\xA1\xA3 \xBB\xB5\xA3\xA1 \xB2\xEE\xA3\xBF \xD0\xD0\xA3\xBB "
        "\xE0\xC5\xA1\xAD\xA1\xAD\xCD\xEA";
    const Strings expected = {"\xBA\xC3", " \xBB\xB5", " \xB2\xEE", " \xD0\xD0", " \xE0\xC5", "\xCD\xEA"};
    EXPECT_EQ(Cut(0, content), expected);
    for (int code : {3, 5, -2, 100}) EXPECT_EQ(Cut(code, content), expected) << code;  // GBK too
    // ‘单引号’ are dropped as well.
    EXPECT_EQ(Cut(0, "\xA1\xAE" "a" "\xA1\xAF"), Strings({"a"}));
}

TEST(SentenceCutTest, GbkLiteralsNeverMatchAcrossCharacters) {
    // 小，好。: the bytes A1 A3 straddling 小 and ， are not a full stop.
    EXPECT_EQ(Cut(0, "\xD0\xA1\xA3\xAC\xBA\xC3\xA1\xA3"), Strings({"\xD0\xA1\xA3\xAC\xBA\xC3"}));
    // 啊啊: A1 B0 straddling them is not a quotation mark.
    EXPECT_EQ(Cut(0, "\xB0\xA1\xB0\xA1"), Strings({"\xB0\xA1\xB0\xA1"}));
    // 埃坑 (B0 A3, BF D3): the bytes A3 BF straddling them are not a question mark.
    EXPECT_EQ(Cut(0, "\xB0\xA3\xBF\xD3"), Strings({"\xB0\xA3\xBF\xD3"}));
    // A stray lead byte before an ASCII separator does not swallow it; one at the end stays.
    EXPECT_EQ(Cut(0, "a\xB0.b\xB0"), Strings({"a\xB0", "b\xB0"}));
}

TEST(SentenceCutTest, Utf8CutsAtItsOwnMarksOnly) {
    // 衰退。确实！真？好；
    const std::string content =
        "\xE8\xA1\xB0\xE9\x80\x80\xE3\x80\x82\xE7\xA1\xAE\xE5\xAE\x9E\xEF\xBC\x81"
        "\xE7\x9C\x9F\xEF\xBC\x9F\xE5\xA5\xBD\xEF\xBC\x9B";
    const Strings expected = {"\xE8\xA1\xB0\xE9\x80\x80", "\xE7\xA1\xAE\xE5\xAE\x9E", "\xE7\x9C\x9F", "\xE5\xA5\xBD"};
    for (int code : {1, 4, -1}) EXPECT_EQ(Cut(code, content), expected) << code;
    // Real quotation marks and the ellipsis stay inside the sentence: “好”…‘坏’
    const std::string quoted =
        "\xE2\x80\x9C\xE5\xA5\xBD\xE2\x80\x9D\xE2\x80\xA6\xE2\x80\x98\xE5\x9D\x8F\xE2\x80\x99";
    EXPECT_EQ(Cut(1, quoted), Strings({quoted}));
    // GBK punctuation bytes in UTF-8 mode are stray bytes, neither cut nor dropped.
    EXPECT_EQ(Cut(1, "a\xA1\xA3" "b\xA1\xB0" "c"), Strings({"a\xA1\xA3" "b\xA1\xB0" "c"}));
    // A truncated character before a separator does not swallow it.
    EXPECT_EQ(Cut(1, "a\xE3\x80.b\xE3"), Strings({"a\xE3\x80", "b\xE3"}));
    EXPECT_EQ(Cut(1, "a\xE3\xE3\x80\x82" "b"), Strings({"a\xE3", "b"}));
}

TEST(SentenceCutTest, Big5CutsAtConvertedMarks) {
    // 好。壞！差？行；嗯… 完, with the BIG5 quotation marks “”‘’ dropped.
    const std::string content =
        "\xA1\xA7\xA6\x6E\xA1\xA8\xA1\x43\xC3\x61\xA1\x49\xAE\x74\xA1\x48\xA6\xE6\xA1\x51"
        "\xB6\xE2\xA1\x4B\xA1\xA5\xA7\xB9\xA1\xA6";
    EXPECT_EQ(Cut(2, content),
              Strings({"\xA6\x6E", "\xC3\x61", "\xAE\x74", "\xA6\xE6", "\xB6\xE2", "\xA7\xB9"}));
    // 活 (AC A1) followed by "C": the bytes A1 43 straddling them are not a full stop; 功 (A5 5C)
    // keeps its backslash-valued trail byte.
    EXPECT_EQ(Cut(2, "\xAC\xA1" "C\xA5\x5C"), Strings({"\xAC\xA1" "C\xA5\x5C"}));
    // The GBK full stop is no separator in BIG5.
    EXPECT_EQ(Cut(2, "a\xA1\xA3" "b"), Strings({"a\xA1\xA3" "b"}));
}

namespace {

// One character of a random content and what the cut does with it.
struct Unit {
    std::string bytes;
    enum Kind { Keep, Drop, Cut } kind;
};

// Random contents built from whole characters, cut by a reference that works on the character
// list: characters whose bytes, read across their boundaries, spell other literals test that
// the walk never matches there.
void CheckAgainstCharacterReference(int code, const std::vector<Unit>& pool, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<size_t> pick(0, pool.size() - 1);
    std::uniform_int_distribution<int> length(0, 40);
    for (int round = 0; round < 3000; ++round) {
        std::string content;
        Strings expected;
        std::string sentence;
        const int n = length(rng);
        for (int k = 0; k < n; ++k) {
            const Unit& u = pool[pick(rng)];
            content += u.bytes;
            if (u.kind == Unit::Keep) sentence += u.bytes;
            if (u.kind == Unit::Cut && !sentence.empty()) expected.push_back(std::move(sentence)), sentence.clear();
        }
        if (!sentence.empty()) expected.push_back(sentence);
        ASSERT_EQ(Cut(code, content), expected) << "code " << code << " seed " << seed << " round " << round;
    }
}

}  // namespace

TEST(SentenceCutTest, RandomContentsMatchACharacterReference) {
    const std::vector<Unit> gbk = {
        {"a", Unit::Keep},          {" ", Unit::Keep},          {"\n", Unit::Keep},
        {".", Unit::Cut},           {"!", Unit::Cut},           {"?", Unit::Cut},
        {";", Unit::Cut},           {"\xA1\xA3", Unit::Cut},    {"\xA3\xA1", Unit::Cut},
        {"\xA3\xBF", Unit::Cut},    {"\xA3\xBB", Unit::Cut},    {"\xA1\xAD", Unit::Cut},
        {"\xA1\xB0", Unit::Drop},   {"\xA1\xB1", Unit::Drop},   {"\xA1\xAE", Unit::Drop},
        {"\xA1\xAF", Unit::Drop},   {"\xD0\xA1", Unit::Keep},   {"\xA3\xAC", Unit::Keep},
        {"\xB0\xA1", Unit::Keep},   {"\xB0\xA3", Unit::Keep},   {"\xBF\xD3", Unit::Keep},
        {"\xA1\xA1", Unit::Keep},   {"\x81\x40", Unit::Keep},   {"\xFE\xA1", Unit::Keep},
    };
    CheckAgainstCharacterReference(0, gbk, 1017);
    const std::vector<Unit> utf8 = {
        {"a", Unit::Keep},                {".", Unit::Cut},                 {";", Unit::Cut},
        {"\xE3\x80\x82", Unit::Cut},      {"\xEF\xBC\x81", Unit::Cut},      {"\xEF\xBC\x9F", Unit::Cut},
        {"\xEF\xBC\x9B", Unit::Cut},      {"\xE8\xA1\xB0", Unit::Keep},     {"\xE7\xA1\xAE", Unit::Keep},
        {"\xE2\x80\x9C", Unit::Keep},     {"\xE2\x80\xA6", Unit::Keep},     {"\xF0\x9F\x98\x80", Unit::Keep},
        {"\xC3\xA9", Unit::Keep},         {"\xA1", Unit::Keep},             {"\xE3\x80", Unit::Keep},
    };
    // The truncated E3 80 and the stray A1 may join into one character; both are kept, so the
    // sentences are the same.
    CheckAgainstCharacterReference(1, utf8, 2027);
    const std::vector<Unit> big5 = {
        {"C", Unit::Keep},          {".", Unit::Cut},           {"!", Unit::Cut},
        {"\xA1\x43", Unit::Cut},    {"\xA1\x49", Unit::Cut},    {"\xA1\x48", Unit::Cut},
        {"\xA1\x51", Unit::Cut},    {"\xA1\x4B", Unit::Cut},    {"\xA1\xA7", Unit::Drop},
        {"\xA1\xA8", Unit::Drop},   {"\xA1\xA5", Unit::Drop},   {"\xA1\xA6", Unit::Drop},
        {"\xAC\xA1", Unit::Keep},   {"\xA5\x5C", Unit::Keep},   {"\xA6\x6E", Unit::Keep},
        {"\xC3\xA1", Unit::Keep},
    };
    CheckAgainstCharacterReference(2, big5, 3037);
}
