#include "CodeTrans/HtmlText.h"

#include <gtest/gtest.h>

#include <strings.h>

#include <cctype>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "CodeTrans/STLCodeTrans.h"
#include "SentimentNew/encoding/GbkTables.h"

namespace {

// Runs vHtmlToText on an exact heap copy of in (no terminator after it) into a buffer of limit
// bytes (iInPutLen + 1 when limit is 0) followed by guard bytes that must stay untouched.
std::string Html(const std::string& in, int limit = 0, int code = CODETRANS_UTF8) {
    std::vector<char> src(in.begin(), in.end());
    const size_t cap = limit > 0 ? size_t(limit) : in.size() + 1;
    std::vector<char> out(cap + 8, '\x7F');
    int len = limit;
    EXPECT_EQ(vHtmlToText(src.empty() ? nullptr : src.data(), int(in.size()), out.data(), len, code), 0);
    EXPECT_GE(len, 0);
    EXPECT_LT(size_t(len), cap);
    EXPECT_EQ(out[size_t(len)], '\0');
    for (size_t k = cap; k < out.size(); ++k) EXPECT_EQ(out[k], '\x7F') << "wrote past the buffer";
    return std::string(out.data(), size_t(len));
}

// The cleaning as it was before its searches were bounded: every comment, script and '&' searched
// to the end of the input for its end marker. Kept as the reference of what the output must be.
namespace before {

typedef unsigned char u8;

bool IsLetter(u8 c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

const u8* Find(const u8* p, const u8* end, const char* pat) {
    const size_t n = strlen(pat);
    if (p >= end || size_t(end - p) < n) return nullptr;
    return static_cast<const u8*>(memmem(p, size_t(end - p), pat, n));
}

const u8* SkipMarkup(const u8* p, const u8* end) {
    const size_t left = size_t(end - p);
    if (left >= 4 && memcmp(p, "<!--", 4) == 0) {
        const u8* close = Find(p + 4, end, "-->");
        return close ? close + 3 : nullptr;
    }
    if (left > 15 && strncasecmp(reinterpret_cast<const char*>(p + 1), "script>", 7) == 0) {
        const u8* close = Find(p + 8, end, "</s");
        if (!close) close = Find(p + 8, end, "</S");
        if (!close) return nullptr;
        const u8* gt = static_cast<const u8*>(memchr(close + 3, '>', size_t(end - close - 3)));
        return gt ? gt + 1 : nullptr;
    }
    const u8* gt = static_cast<const u8*>(memchr(p + 1, '>', left - 1 < 499 ? left - 1 : 499));
    return gt ? gt + 1 : nullptr;
}

size_t Reference(uint64_t n, int code, u8* buf) {
    if (n == 0 || (n >= 127 && n <= 254) || (n >= 0xD800 && n <= 0xDFFF) || n > 0x10FFFF) return 0;
    if (code == CODETRANS_GBK) {
        const unsigned g = n < 0x10000 ? CodeTable[n] : 0;
        if (g == 0) return 0;
        if (g < 0x100) {
            buf[0] = u8(g);
            return 1;
        }
        buf[0] = u8(g >> 8);
        buf[1] = u8(g);
        return 2;
    }
    const int k = unicode_to_utf8_one((unsigned long)n, buf, 6);
    return k > 0 ? size_t(k) : 0;
}

std::string HtmlToText(const std::string& in, size_t limit, int code) {
    std::string o;
    bool full = false;
    auto put = [&](const u8* b, size_t n) {
        if (limit != 0 && o.size() + n >= limit) return !(full = true);
        o.append(reinterpret_cast<const char*>(b), n);
        return true;
    };
    auto put1 = [&](u8 c) { return put(&c, 1); };
    auto prevBlank = [&] { return !o.empty() && o.back() == ' '; };
    const u8* p = reinterpret_cast<const u8*>(in.data());
    const u8* const end = p + in.size();
    if (in.size() >= 3 && in.compare(0, 3, "\xEF\xBB\xBF") == 0) p += 3;
    while (p < end && !full) {
        const size_t left = size_t(end - p);
        const u8 c = *p;
        if (c == '<' && left >= 2 && (IsLetter(p[1]) || p[1] == '/' || p[1] == '!' || p[1] == '?')) {
            if (const u8* next = SkipMarkup(p, end)) {
                if (put1(' ')) p = next;
                continue;
            }
        } else if (c == '&' && left >= 2) {
            if (const u8* semi = static_cast<const u8*>(memchr(p + 1, ';', left - 1))) {
                const size_t dist = size_t(semi - p);
                if (p[1] == '#' && dist <= 10) {
                    uint64_t n = 0;
                    for (const u8* q = p + 2; q < semi && *q >= '0' && *q <= '9'; ++q) n = n * 10 + (*q - '0');
                    u8 buf[8];
                    const size_t k = Reference(n, code, buf);
                    if (k ? put(buf, k) : put1(' ')) p = semi + 1;
                    continue;
                }
                if (dist == 3 && (p[1] == 'l' || p[1] == 'g') && p[2] == 't') {
                    if (put1(p[1] == 'l' ? '<' : '>')) p = semi + 1;
                    continue;
                }
                if (IsLetter(p[1]) && dist < 10) {
                    if (put1(' ')) p = semi + 1;
                    continue;
                }
            }
        } else if (c == '%' && left >= 3 && isxdigit(p[1]) && !islower(p[1]) && isxdigit(p[2]) && !islower(p[2])) {
            if (put1(u8(x2c(reinterpret_cast<const char*>(p + 1))))) p += 3;
            continue;
        } else if (c == 0 && left >= 2 && p[1] == 0) {
            ++p;
            continue;
        } else if (c == 'n' && left >= 5 && memcmp(p, "nbsp;", 5) == 0) {
            if (!prevBlank() || put1(' ')) p += 5;
            continue;
        }
        if (c == ' ' && prevBlank()) {
            ++p;
            continue;
        }
        if (put1(c)) ++p;
    }
    std::string w;
    for (char ch : o) {
        if (ch == ' ' && (w.empty() || w.back() == ' ')) continue;
        w += ch;
    }
    return w;
}

}  // namespace before

}  // namespace

TEST(HtmlTextTest, MarkupBecomesOneBlank) {
    EXPECT_EQ(Html("a<b>c"), "a c");
    EXPECT_EQ(Html("a</p>c<br/>d<?x?>e<!DOCTYPE html>f"), "a c d e f");
    EXPECT_EQ(Html("a < b"), "a < b");
    EXPECT_EQ(Html("1<2"), "1<2");
    EXPECT_EQ(Html("a<!-- c -->b"), "a b");
    EXPECT_EQ(Html("x<!-- never closed <b>"), "x<!-- never closed ");
    EXPECT_EQ(Html("a<script>if (a<b) x();</script>b"), "a b");
    EXPECT_EQ(Html("a<SCRIPT>x();</SCRIPT>b"), "a b");
    // "</s" wins over an earlier "</S".
    EXPECT_EQ(Html("a<script>x();</S>y</s>z"), "a z");
    // A script without its end stays text up to the next '>' rules: the '<' is plain.
    EXPECT_EQ(Html("a<script>no end here"), "a<script>no end here");
}

TEST(HtmlTextTest, TagEndMustLieWithin500Bytes) {
    const std::string near = "q<a" + std::string(497, 'x') + ">z";  // '>' 499 bytes after '<'
    const std::string far = "q<a" + std::string(498, 'x') + ">z";   // 500 bytes
    EXPECT_EQ(Html(near), "q z");
    EXPECT_EQ(Html(far), far);
}

TEST(HtmlTextTest, ReferencesAndEscapes) {
    EXPECT_EQ(Html("&#20013;"), "\xE4\xB8\xAD");  // 中
    EXPECT_EQ(Html("a&#160;b"), "a b");
    EXPECT_EQ(Html("a&amp;b"), "a b");
    EXPECT_EQ(Html("&lt;&gt;"), "<>");
    EXPECT_EQ(Html("a&#65;b"), "aAb");
    EXPECT_EQ(Html("AT&T; x"), "AT x");           // a named reference is a blank
    EXPECT_EQ(Html("a & b;"), "a & b;");          // '&' before a blank is text
    EXPECT_EQ(Html("a&verylongname;b"), "a&verylongname;b");
    EXPECT_EQ(Html("%41"), "A");
    EXPECT_EQ(Html("%4a"), "%4a");
    // Unusable numbers become one blank.
    for (const char* ref : {"&#0;", "&#x41;", "&#55296;", "&#1114112;", "&#127;", "&#254;"}) {
        EXPECT_EQ(Html(std::string("a") + ref + "b"), "a b") << ref;
    }
    EXPECT_EQ(Html("&#1114111;"), "\xF4\x8F\xBF\xBF");
}

TEST(HtmlTextTest, ReferencesInGbk) {
    EXPECT_EQ(Html("&#20013;", 0, CODETRANS_GBK), "\xD6\xD0");  // 中
    EXPECT_EQ(Html("&#65;", 0, CODETRANS_GBK), "A");
    EXPECT_EQ(Html("a&#128512;b", 0, CODETRANS_GBK), "a b");  // no GBK form
    EXPECT_EQ(Html("a&#256;b", 0, CODETRANS_GBK), "a b");
}

TEST(HtmlTextTest, BlanksAndSpecialBytes) {
    EXPECT_EQ(Html("   a    b  "), "a b ");
    EXPECT_EQ(Html("a\r\n\r\nb\t\tc"), "a\r\n\r\nb\t\tc");
    EXPECT_EQ(Html("\xEF\xBB\xBF" "abc"), "abc");
    EXPECT_EQ(Html("x\xEF\xBB\xBF"), "x\xEF\xBB\xBF");
    EXPECT_EQ(Html(std::string("a\0\0b", 4)), std::string("a\0b", 3));
    EXPECT_EQ(Html(std::string("a\0b", 3)), std::string("a\0b", 3));
    EXPECT_EQ(Html("anbsp;b"), "ab");
    EXPECT_EQ(Html("a nbsp;b"), "a b");
    EXPECT_EQ(Html(""), "");
    int len = 0;
    char out[4] = "zz";
    vHtmlToText(nullptr, 5, out, len);
    EXPECT_EQ(len, 0);
    EXPECT_EQ(out[0], '\0');
}

TEST(HtmlTextTest, InputsEndingInsideAConstructStayText) {
    for (const char* in : {"<!-", "&#12", "%4", "<scr", "nbsp", "a<!--", "&lt", "<a", "a\xB0"}) {
        EXPECT_EQ(Html(in), in);
    }
    EXPECT_EQ(Html("&#1234567;"), "");
}

TEST(HtmlTextTest, OutputLimitIsTheBufferSize) {
    EXPECT_EQ(Html("&#20013;", 5), "\xE4\xB8\xAD");
    EXPECT_EQ(Html("&#20013;", 4), "\xE4\xB8\xAD");
    EXPECT_EQ(Html("&#20013;", 3), "");  // three bytes and the terminator do not fit
    EXPECT_EQ(Html("ab&#20013;cd", 5), "ab");
    EXPECT_EQ(Html("abcdef", 4), "abc");
    EXPECT_EQ(Html("abcdef", 1), "");
}

TEST(HtmlTextTest, UriDecode) {
    const std::string in = "%41%4a%zz+%";
    std::vector<char> src(in.begin(), in.end());
    std::vector<char> out(in.size() + 2, '\x7F');
    int len = -1;
    EXPECT_EQ(iURIDecode(src.data(), int(src.size()), out.data(), len), 0);
    ASSERT_EQ(len, 5);
    EXPECT_EQ(std::string(out.data(), 5), "AJS+%");
    EXPECT_EQ(out[5], '\x7F');  // no terminator
    EXPECT_EQ(iURIDecode("%4", 2, out.data(), len), 0);
    EXPECT_EQ(len, 2);
    EXPECT_EQ(std::string(out.data(), 2), "%4");
    EXPECT_EQ(x2c("4a"), 'J');
    EXPECT_EQ(x2c("4A"), 'J');
    EXPECT_EQ(static_cast<unsigned char>(x2c("fF")), 0xFF);
}

TEST(HtmlTextTest, Normalization) {
    auto norm = [](const std::string& in, bool query, int nLen = -1) {
        std::vector<char> buf(in.begin(), in.end());
        buf.push_back('\x7F');
        const int n = str_normalization(buf.data(), nLen < 0 ? int(in.size()) : nLen, query);
        std::vector<char> copy(in.begin(), in.end());
        copy.push_back('\0');
        EXPECT_EQ(zipname_normalization(copy.data(), nLen < 0 ? int(in.size()) : nLen, query), n);
        return std::string(buf.data(), size_t(n)) + (buf[size_t(n)] == '\0' ? "" : "<no NUL>");
    };
    // ＡＢ，ｃ
    EXPECT_EQ(norm("\xA3\xC1\xA3\xC2\xA3\xAC\xA3\xE3", false), "ab\tc");
    EXPECT_EQ(norm("A,b/c_D", false), "a\tb\tc\td");
    EXPECT_EQ(norm("A,b/c_D", true), "a,b/c_d");
    // （【】）“”‘＇ and ’ unchanged
    EXPECT_EQ(norm("\xA3\xA8\xA1\xBE\xA1\xBF\xA3\xA9\xA1\xB0\xA1\xB1\xA1\xAE\xA3\xA7\xA1\xAF", true),
              "(())\"\"\"\"\xA1\xAF");
    // ＼｜，．。、－— become TAB whatever the mode; ０９ become digits.
    EXPECT_EQ(norm("\xA3\xDC\xA3\xFC\xA3\xAC\xA3\xAE\xA1\xA3\xA1\xA2\xA3\xAD\xA1\xAA\xA3\xB0\xA3\xB9", true),
              "\t\t\t\t\t\t\t\t09");
    // A lone lead byte at the end, and a lead byte whose trail lies outside nLen.
    EXPECT_EQ(norm("A\xB0", false), "a\xB0");
    EXPECT_EQ(norm("\xA3\xC1", false, 1), "\xA3");
    EXPECT_EQ(norm("\xD6\xD0", false), "\xD6\xD0");  // 中 unchanged
    EXPECT_EQ(str_normalization(nullptr, 4, false), 0);
}

// Inputs built to make the end-marker searches scan to the end of the text again and again: each
// is cleaned in one pass (4 MB each; the searches used to take minutes), and where no marker ever
// ends, the text comes back unchanged.
TEST(HtmlTextTest, HostileInputsTakeOnePass) {
    const size_t kSize = size_t(4) << 20;
    auto repeat = [&](const std::string& unit) {
        std::string s;
        s.reserve(kSize + unit.size());
        while (s.size() < kSize) s += unit;
        return s;
    };
    for (const char* unit : {"<!--", "&", "&#", "&a"}) {
        const std::string in = repeat(unit);
        EXPECT_TRUE(Html(in) == in) << unit;
    }
    // Scripts that never end stay text, but for the last 15 bytes, where only the tag rule applies.
    for (const char* unit : {"<script>", "<SCRIPT>x"}) {
        const std::string in = repeat(unit);
        const std::string text = Html(in);
        EXPECT_LT(text.size(), in.size()) << unit;
        EXPECT_EQ(text.compare(0, in.size() - 16, in, 0, in.size() - 16), 0) << unit;
    }
    // A script whose "</s" has no '>' after it, and comments and scripts that all end at the text's end.
    for (const std::string& in : {repeat("<script>") + "</s", repeat("<!--") + "-->", repeat("<script>") + "</S>"}) {
        EXPECT_LE(Html(in).size(), in.size());
    }
    EXPECT_EQ(Html(repeat("<!--") + "-->"), "");
}

// The bounded and remembered searches give the same text as the unbounded ones did, byte for byte,
// on random mixtures of the constructs (fixed seed), for both output encodings and with limits.
TEST(HtmlTextTest, SameOutputAsTheUnboundedSearches) {
    const char* const pieces[] = {"<", ">", "<!--", "-->", "--", "<script>", "<SCRIPT>", "</s", "</S", "</script>",
                                  "&", "&#", "&#20013;", "&#160", ";", "&lt;", "&gt;", "&amp;", "lt", "nbsp;", "%",
                                  "%4", "A", "1", "9", "a", "b", " ", "  ", "\r\n", "\xE4\xB8\xAD", "\xEF\xBB\xBF",
                                  "<a", "<!", "<?", "</", "x"};
    const size_t nPieces = sizeof(pieces) / sizeof(pieces[0]);
    std::mt19937 rng(20240531);
    for (int round = 0; round < 20000; ++round) {
        std::string in;
        const int nParts = int(rng() % 40);
        for (int k = 0; k < nParts; ++k) {
            const size_t i = rng() % (nPieces + 2);
            if (i == nPieces)
                in += char(rng() % 256);
            else if (i == nPieces + 1)
                in.append(2, '\0');
            else
                in += pieces[i];
        }
        const int code = (round & 1) ? CODETRANS_GBK : CODETRANS_UTF8;
        const int limit = (round % 3 == 0) ? int(rng() % (in.size() + 2)) : 0;
        ASSERT_EQ(Html(in, limit, code), before::HtmlToText(in, size_t(limit), code)) << "round " << round;
    }
}
