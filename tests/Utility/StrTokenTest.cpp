#include "Utility/StrToken.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

// Walks text with a fresh tokenizer until NULL; returns the tokens and checks the text is whole.
std::vector<std::string> WalkAll(const std::string& text, const char* delim, bool english = false) {
    std::vector<char> buf(text.begin(), text.end());
    buf.push_back(0);
    CStrToken tok(english);
    std::vector<std::string> out;
    for (char* t = tok.GetToken(buf.data(), nullptr, delim); t; t = tok.GetToken(nullptr, nullptr, delim))
        out.emplace_back(t);
    EXPECT_EQ(std::string(buf.data(), text.size()), text) << "text not restored after the walk";
    return out;
}

using Tokens = std::vector<std::string>;

}  // namespace

TEST(StrTokenTest, CutsAtDelimitersAndRecordsSeparators) {
    char text[] = "a  b";
    CStrToken tok(false);
    char* t = tok.GetToken(text, nullptr, " ");
    ASSERT_NE(t, nullptr);
    EXPECT_STREQ(t, "a");
    EXPECT_FALSE(tok.m_bOutputSep);
    EXPECT_EQ(std::string(tok.m_vecSep.begin(), tok.m_vecSep.end()), "  ");
    t = tok.GetToken(nullptr, nullptr, " ");
    ASSERT_NE(t, nullptr);
    EXPECT_STREQ(t, "b");
    EXPECT_TRUE(tok.m_bOutputSep);
    EXPECT_TRUE(tok.m_vecSep.empty());  // ran to the end: no 0 byte recorded
    EXPECT_EQ(tok.GetToken(nullptr, nullptr, " "), nullptr);
    EXPECT_EQ(std::string(text, 4), "a  b");
}

TEST(StrTokenTest, TextIsWholeAfterTheFinalNull) {
    // Trailing separators used to stay cut after the walk ended.
    EXPECT_EQ(WalkAll("a ", " "), Tokens({"a"}));
    EXPECT_EQ(WalkAll("x,y,,", ","), Tokens({"x", "y"}));
    EXPECT_EQ(WalkAll(",,,", ","), Tokens());
    EXPECT_EQ(WalkAll("", ","), Tokens());
    // A walk stopped early leaves its last token cut.
    char text[] = "p q";
    CStrToken tok;
    EXPECT_STREQ(tok.GetToken(text, nullptr, " "), "p");
    EXPECT_EQ(text[1], 0);
}

TEST(StrTokenTest, SkipsBlankTabCrButNotLineFeed) {
    // Blank, tab and CR are skipped before a token, but end one only when they are delimiters.
    EXPECT_EQ(WalkAll(" \t\ra b", ","), Tokens({"a b"}));
    EXPECT_EQ(WalkAll("a\nb", " "), Tokens({"a\nb"}));
    EXPECT_EQ(WalkAll("\na", " "), Tokens({"\na"}));
    EXPECT_EQ(WalkAll("a\nb", "\n"), Tokens({"a", "b"}));
    // Separators after a token include skipped blanks even when they are not delimiters.
    char text[] = "a, \tb";
    CStrToken tok;
    tok.GetToken(text, nullptr, ",");
    EXPECT_EQ(std::string(tok.m_vecSep.begin(), tok.m_vecSep.end()), ", \t");
}

TEST(StrTokenTest, EnglishModeKeepsPointsAndThousands) {
    const char* d = " .,";
    EXPECT_EQ(WalkAll("3.14 is", d, true), Tokens({"3.14", "is"}));
    EXPECT_EQ(WalkAll("1,000", d, true), Tokens({"1,000"}));
    EXPECT_EQ(WalkAll("end. Next", d, true), Tokens({"end", "Next"}));
    EXPECT_EQ(WalkAll("a..b", d, true), Tokens({"a", "b"}));
    EXPECT_EQ(WalkAll("a,b", d, true), Tokens({"a", "b"}));  // a comma stays only before a digit
    EXPECT_EQ(WalkAll("end.", d, true), Tokens({"end"}));     // the line's last byte
    // Outside English mode the same texts are cut everywhere.
    EXPECT_EQ(WalkAll("3.14 is", d, false), Tokens({"3", "14", "is"}));
}

TEST(StrTokenTest, RangeInsideAnUnterminatedBuffer) {
    // Exactly sized heap block with no terminator: ASan flags any read of the byte at pEnd.
    const std::string s = "ab cd.e";
    for (bool english : {false, true}) {
        for (size_t n = 0; n <= s.size(); ++n) {
            std::unique_ptr<char[]> buf(new char[n ? n : 1]);
            memcpy(buf.get(), s.data(), n);
            CStrToken tok(english);
            std::vector<std::string> got;
            for (char* t = tok.GetToken(buf.get(), buf.get() + n, " ."); t;
                 t = tok.GetToken(nullptr, nullptr, " ."))
                got.emplace_back(t, strnlen(t, buf.get() + n - t));  // the last token is unterminated
            EXPECT_EQ(std::string(buf.get(), n), s.substr(0, n));
            if (n == 5) {
                EXPECT_EQ(got, Tokens({"ab", "cd"}));
            }
        }
    }
}

TEST(StrTokenTest, RestartingAWalkOnAnotherText) {
    char a[] = "one two";
    char b[] = "x y";
    CStrToken tok;
    EXPECT_STREQ(tok.GetToken(a, nullptr, " "), "one");
    EXPECT_STREQ(tok.GetToken(b, nullptr, " "), "x");
    EXPECT_STREQ(tok.GetToken(nullptr, nullptr, " "), "y");
    EXPECT_EQ(tok.GetToken(nullptr, nullptr, " "), nullptr);
    EXPECT_STREQ(b, "x y");
    CStrToken fresh;
    EXPECT_EQ(fresh.GetToken(nullptr, nullptr, " "), nullptr);  // no text yet
}

TEST(StrTokenTest, RandomWalksMatchAReferenceSplitter) {
    // Non-English mode: tokens are the maximal runs of bytes that are neither delimiters nor
    // (when leading) blank/tab/CR. Compare against a plain reference on random texts.
    const unsigned seed = 20240501;
    std::mt19937 rng(seed);
    const char alphabet[] = "ab ,\t\r\n\xB0\xA1";
    for (int round = 0; round < 2000; ++round) {
        std::string text;
        int len = rng() % 20;
        for (int i = 0; i < len; ++i) text += alphabet[rng() % (sizeof alphabet - 1)];
        const char* delim = (round % 2) ? ", " : ",";
        // Reference: skip blank/tab/CR/delims, then take bytes up to the next delimiter.
        Tokens ref;
        size_t i = 0;
        auto skipped = [&](char c) { return c == ' ' || c == '\t' || c == '\r' || strchr(delim, c); };
        while (i < text.size()) {
            while (i < text.size() && skipped(text[i])) ++i;
            size_t b = i;
            while (i < text.size() && !strchr(delim, text[i])) ++i;
            if (i > b) ref.push_back(text.substr(b, i - b));
        }
        ASSERT_EQ(WalkAll(text, delim), ref) << "seed " << seed << " round " << round;
    }
}

TEST(GetStrVectorTest, StripsLineEndsAndDropsEmptyTokens) {
    std::vector<tstring> v{"old"};
    EXPECT_EQ(GetStrVector("x\t\ty\r\n", "\t", v), 2);
    EXPECT_EQ(v, Tokens({"x", "y"}));
    EXPECT_EQ(GetStrVector("a;\r\n;b", ";", v), 2);  // the token "\r\n" is dropped
    EXPECT_EQ(v, Tokens({"a", "b"}));
    EXPECT_EQ(GetStrVector(nullptr, ";", v), 0);
    EXPECT_TRUE(v.empty());
    // English mode is never used: "1.5" is cut at the point.
    EXPECT_EQ(GetStrVector("1.5", ".", v), 2);
    // The caller's text is never written.
    const std::string src = "k=v;w";
    GetStrVector(src.c_str(), ";", v);
    EXPECT_EQ(src, "k=v;w");
}

namespace {

// Runs StrLine to the end, restoring the separator as callers do; returns lines and statuses.
std::vector<std::pair<std::string, int>> Lines(std::string text, bool quoted) {
    std::vector<char> buf(text.begin(), text.end());
    buf.push_back(0);
    std::vector<std::pair<std::string, int>> out;
    char* cur = buf.data();
    for (int guard = 0; guard < 100; ++guard) {
        char* next = nullptr;
        char sep = 'Z';
        int status = -1;
        char* line = StrLine(cur, &next, &sep, &status, quoted);
        if (!line) {
            EXPECT_EQ(next, nullptr);
            break;
        }
        out.emplace_back(line, status);
        if (!next) {
            EXPECT_EQ(sep, 0);
            break;
        }
        *next = sep;
        cur = next;
    }
    return out;
}

using LineList = std::vector<std::pair<std::string, int>>;

}  // namespace

TEST(StrLineTest, CutsAtTheFirstLineBreak) {
    char text[] = "  first\r\nsecond";
    char* next = nullptr;
    char sep = 0;
    int status = 5;
    char* line = StrLine(text, &next, &sep, &status, false);
    ASSERT_NE(line, nullptr);
    EXPECT_STREQ(line, "first");
    EXPECT_EQ(sep, '\r');
    EXPECT_EQ(next, text + 7);
    EXPECT_EQ(status, 0);
    *next = sep;
    line = StrLine(next, &next, &sep, nullptr, false);
    EXPECT_STREQ(line, "second");
    EXPECT_EQ(next, nullptr);

    EXPECT_EQ(StrLine(nullptr, &next, &sep, nullptr, false), nullptr);
    char blank[] = " \r\n\t";
    next = blank;
    EXPECT_EQ(StrLine(blank, &next, &sep, nullptr, false), nullptr);
    EXPECT_EQ(next, nullptr);
}

TEST(StrLineTest, QuotedSpanKeepsItsLineBreaks) {
    EXPECT_EQ(Lines("^^a\r\nb^^c", true), LineList({{"a\r\nb", 1}, {"c", 0}}));
    EXPECT_EQ(Lines("x^^y^^z", true), LineList({{"x", 0}, {"y", 1}, {"z", 0}}));
    EXPECT_EQ(Lines("^^abc", true), LineList({{"^^abc", 0}}));  // unclosed: an ordinary line
    EXPECT_EQ(Lines("p\n^^q\nr^^", true), LineList({{"p", 0}, {"q\nr", 1}}));  // span at the end
    // Without the option the marks are ordinary bytes.
    EXPECT_EQ(Lines("^^a\r\nb^^c", false), LineList({{"^^a", 0}, {"b^^c", 0}}));
    // A pair that starts after the line end does not open a span on this line.
    EXPECT_EQ(Lines("a\n^^b^^", true), LineList({{"a", 0}, {"b", 1}}));
}

TEST(StrLineTest, QuotedSeparatorDetails) {
    char text[] = "^^ab^^\r\nc";
    char* next = nullptr;
    char sep = 0;
    int status = 0;
    char* line = StrLine(text, &next, &sep, &status, true);
    EXPECT_STREQ(line, "ab");
    EXPECT_EQ(status, 1);
    EXPECT_EQ(sep, '\r');
    EXPECT_EQ(next, text + 6);
    EXPECT_EQ(text[4], 0);  // the first '^' of the closing pair
    EXPECT_EQ(text[5], '^');
}

TEST(StrTokenFuncTest, ExplicitContinuation) {
    char text[] = ",,a,,b";
    char* next = nullptr;
    EXPECT_STREQ(StrToken(text, ",", &next), "a");
    EXPECT_STREQ(StrToken(next, ",", &next), "b");
    EXPECT_EQ(next, nullptr);
    EXPECT_EQ(StrToken(next, ",", &next), nullptr);
    char seps[] = ",,";
    next = seps;
    EXPECT_EQ(StrToken(seps, ",", &next), nullptr);
    EXPECT_EQ(next, nullptr);
}

namespace {

// StrLine with quoting, walked as Lines walks it, over std::string searches.
LineList RefQuotedLines(const std::string& text) {
    LineList out;
    size_t cur = 0;
    const size_t n = text.size();
    while (cur < n) {
        size_t p = text.find_first_not_of(" \t\r\n", cur);
        if (p == std::string::npos) break;
        size_t lineEnd = text.find_first_of("\r\n", p);
        size_t line = p, end = lineEnd;
        int status = 0;
        size_t open = text.find("^^", p);
        if (open != std::string::npos && (lineEnd == std::string::npos || open < lineEnd)) {
            size_t close = text.find("^^", open + 2);
            if (close != std::string::npos) {
                if (open == p) {
                    line = open + 2;
                    end = close;
                    status = 1;
                    lineEnd = close + 2;
                } else {
                    end = lineEnd = open;
                }
            }
        }
        out.emplace_back(text.substr(line, (end == std::string::npos ? n : end) - line), status);
        if (lineEnd == std::string::npos || lineEnd >= n) break;
        cur = lineEnd;
    }
    return out;
}

}  // namespace

TEST(StrLineTest, QuotedLinesMatchReferenceOnRandomText) {
    const unsigned seed = 23;
    std::mt19937 rng(seed);
    const char alphabet[] = "^^^a b\r\n\t";
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        size_t len = rng() % 24;
        for (size_t i = 0; i < len; ++i) text += alphabet[rng() % (sizeof alphabet - 1)];
        ASSERT_EQ(Lines(text, true), RefQuotedLines(text)) << "seed " << seed << " round " << round << " [" << text << "]";
    }
}
