#include "Utility/StrFunc.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

using Strings = std::vector<std::string>;

TEST(StrFuncTest, ReplaceSubstrResumesAfterInsertedText) {
    tstring s = "aaa";
    EXPECT_EQ(gfn_vReplaceSubstr(s, "a", "aa"), 3);
    EXPECT_EQ(s, "aaaaaa");
    s = "x--y--";
    EXPECT_EQ(gfn_vReplaceSubstr(s, "--", nullptr), 2);  // NULL new text means ""
    EXPECT_EQ(s, "xy");
    s = "abc";
    EXPECT_EQ(gfn_vReplaceSubstr(s, "", "z"), 0);
    EXPECT_EQ(gfn_vReplaceSubstr(s, nullptr, "z"), 0);
    EXPECT_EQ(gfn_vReplaceSubstr(s, "q", "z"), 0);
    EXPECT_EQ(s, "abc");
    s.clear();
    EXPECT_EQ(gfn_vReplaceSubstr(s, "a", "b"), 0);
}

TEST(StrFuncTest, SplitOnWholeDelimiterAndOnAnyByte) {
    std::vector<tstring> v{"stale"};
    EXPECT_TRUE(gfn_bSplit("a::b::::c::", v, "::"));
    EXPECT_EQ(v, Strings({"a", "b", "c"}));
    EXPECT_TRUE(gfn_bSplit("a:b", v, "::"));  // not found: the whole text
    EXPECT_EQ(v, Strings({"a:b"}));
    EXPECT_TRUE(gfn_bSplit("a:b", v, ""));
    EXPECT_EQ(v, Strings({"a:b"}));
    EXPECT_FALSE(gfn_bSplit("", v, ":"));
    EXPECT_TRUE(v.empty());

    EXPECT_TRUE(gfn_bSplitOR(",a;;b,", v, ",;"));
    EXPECT_EQ(v, Strings({"a", "b"}));
    EXPECT_FALSE(gfn_bSplitOR(nullptr, v, ","));
    // No silent cap on long texts.
    std::string big;
    for (int i = 0; i < 4000; ++i) big += "abcd,";
    ASSERT_GT(big.size(), 20000u - 1);
    EXPECT_TRUE(gfn_bSplitOR(big.c_str(), v, ","));
    EXPECT_EQ(v.size(), 4000u);
    EXPECT_EQ(v.back(), "abcd");
}

TEST(StrFuncTest, TrimWordRemovesGbkSpacesByCharacter) {
    tstring w = "\xA1\xA1 \t\xA3\xA0word\xA1\xA1\r\n";  // A1A1 ideographic space, A3A0
    EXPECT_TRUE(gfn_bTrimWord(w));
    EXPECT_EQ(w, "word");
    // B0A1 (啊) ends in A1: with A1 A1 following it must not look like an ideographic space.
    w = "\xB0\xA1\xA1";
    EXPECT_TRUE(gfn_bTrimWord(w));
    EXPECT_EQ(w, "\xB0\xA1\xA1");
    w = "\xB0\xA1\xA1\xA1";  // 啊 + ideographic space
    gfn_bTrimWord(w);
    EXPECT_EQ(w, "\xB0\xA1");
    w = " \xA1\xA1 ";
    EXPECT_TRUE(gfn_bTrimWord(w));
    EXPECT_EQ(w, "");
    EXPECT_FALSE(gfn_bTrimWord(w));

    tstring t = "xxabxx";
    trim(t, 'x');
    EXPECT_EQ(t, "ab");
    t = "xxx";
    trim(t, 'x');
    EXPECT_EQ(t, "");
}

TEST(StrFuncTest, DeleteCharZeroFillsTheTail) {
    char buf[] = "a-b-c-ZZ";
    EXPECT_EQ(deleteChar(buf, 6, '-'), 3u);
    EXPECT_EQ(std::string(buf, 8), std::string("abc\0\0\0ZZ", 8));
}

TEST(StrFuncTest, WordPosAndJoin) {
    tstring w, p;
    EXPECT_TRUE(gfn_bGetWordPos(" word / n ", w, p, "/"));
    EXPECT_EQ(w, "word");
    EXPECT_EQ(p, "n");
    EXPECT_FALSE(gfn_bGetWordPos(" /n", w, p, "/"));  // empty word
    EXPECT_TRUE(gfn_bGetWordPos("word", w, p, "/"));
    EXPECT_EQ(w, "word");
    EXPECT_EQ(p, "");
    EXPECT_FALSE(gfn_bGetWordPos("", w, p, "/"));

    std::vector<tstring> v{"a", "", "b"};
    tstring s = "old";
    EXPECT_STREQ(Vector2Str(v, ",", s), "a,b");
    v = {"a", "b", ""};
    EXPECT_STREQ(Vector2Str(v, ",", s), "a,b,");
}

TEST(StrFuncTest, ToLowerLeavesTrailBytesAlone) {
    tstring s = "\x81\x41" "AB";  // 8141: trail byte 'A'
    toLower(s);
    EXPECT_EQ(s, "\x81\x41" "ab");
    char buf[] = "X\x81\x41Y";
    toLower(buf, 4);
    EXPECT_STREQ(buf, "x\x81\x41y");
    char lone[] = "A\x81";  // a lead byte at the end is one byte
    toLower(lone, 2);
    EXPECT_STREQ(lone, "a\x81");
}

TEST(StrFuncTest, CountAndReplaceChars) {
    const char* s = "\xB0\xA1" "a\xA1\xB0" "\xB0\xA1";  // 啊 a 〈? 啊
    EXPECT_EQ(countChar(s, 7, 0xB0A1), 2u);
    EXPECT_EQ(countChar(s, 5, 0xB0A1), 1u);  // the second one lies outside the range
    EXPECT_EQ(countChar(s, 7, 'a'), 1u);
    EXPECT_EQ(countChar(s, 7, 0xA1B0), 1u);  // codes never straddle characters
    EXPECT_EQ(countChar("\xB0", 1, 0xB0), 1u);
    EXPECT_EQ(replaceChar("a,b", ',', nullptr), "ab");
}

TEST(StrFuncTest, TextStandardKeepsBlanksOnlyBetweenAsciiWords) {
    tstring out;
    EXPECT_STREQ(TextStandard("  hello \t world\r\n\r\n", out), "hello world");
    EXPECT_STREQ(TextStandard("\xB0\xA1  \xB0\xA1 x", out), "\xB0\xA1\xB0\xA1x");
    // 8141 ends in the byte 'A' but is not an ASCII letter.
    EXPECT_STREQ(TextStandard("\x81\x41 b", out), "\x81\x41" "b");
    EXPECT_STREQ(TextStandard("\n", out), "");
}

TEST(StrFuncTest, IsInRange) {
    tstring t = "x <b> in </b> out <b> y";
    EXPECT_TRUE(IsInRange(t, "<b>", "</b>", t.find("in")));
    EXPECT_FALSE(IsInRange(t, "<b>", "</b>", t.find("out")));
    EXPECT_FALSE(IsInRange(t, "<b>", "</b>", t.find("y")));  // no end after it
    EXPECT_FALSE(IsInRange(t, "<b>", "</b>", 0));
    EXPECT_FALSE(IsInRange(t, "<b>", "</b>", 1000));
}

TEST(StrFuncTest, PrefixMatchSkipsBlanks) {
    tstring p;
    EXPECT_EQ(prefixMatch("ab c\r\nd", " a b cdx", p), 4u);
    EXPECT_EQ(p, "abcd");
    EXPECT_EQ(prefixMatch("", "a", p), 0u);
}

TEST(StrFuncTest, StrLocateFindsAcrossBlanksAndAlwaysProgresses) {
    unsigned long b = 0, e = 0;
    int off = 0;
    EXPECT_EQ(StrLocate("xx a b\nc yy", "abc", b, e, off), 0);
    EXPECT_EQ(b, 3u);
    EXPECT_EQ(e, 8u);
    EXPECT_EQ(off, 8);
    off = 0;
    EXPECT_EQ(StrLocate("aab", "ab", b, e, off), 0);  // re-anchors after a mismatch
    EXPECT_EQ(b, 1u);
    off = 0;
    EXPECT_EQ(StrLocate("xxab", "abc", b, e, off), 2);  // partial at the text's end
    off = 0;
    EXPECT_EQ(StrLocate("xyz", "abc", b, e, off), -1);
    off = 1;
    EXPECT_EQ(StrLocate("ab ab", "ab", b, e, off), 0);
    EXPECT_EQ(b, 3u);
    off = 1000;  // past the end: nothing found, no read outside
    EXPECT_EQ(StrLocate("ab", "ab", b, e, off), -1);
    // Many near-misses: terminates, with the partial match at the end.
    std::string hay(3000, 'a');
    off = 0;
    EXPECT_EQ(StrLocate(hay.c_str(), "aaab", b, e, off), 3);
    EXPECT_EQ(b, 2997u);
}

TEST(StrFuncTest, StrMatchNearTheEndOfTheText) {
    unsigned long start = 99;
    EXPECT_TRUE(StrMatch("ab <i>cd", "a b[1]c d", start, -1));
    EXPECT_EQ(start, 0u);
    EXPECT_FALSE(StrMatch("", "abc", start, -1));
    EXPECT_TRUE(StrMatch("bcd", "xx bcd", start, -1));  // falls back to locating
    EXPECT_EQ(start, 3u);
    EXPECT_TRUE(StrMatch("abcdX", "abcdY", start, -1));  // four ASCII bytes matched
    EXPECT_FALSE(StrMatch("abX", "abY", start, -1));
    EXPECT_TRUE(StrMatch("abcdef", "abcxxx", start, 3));  // limit reached first
    // An unclosed bracket at the very end is an ordinary byte, and nothing past the NUL is read.
    std::unique_ptr<char[]> a(new char[6]);
    memcpy(a.get(), "abcd<", 6);
    std::unique_ptr<char[]> b(new char[6]);
    memcpy(b.get(), "abcd[", 6);
    EXPECT_TRUE(StrMatch(a.get(), b.get(), start, -1));
    EXPECT_FALSE(StrMatch("x<", "x[", start, -1));
}
