#include "CodeTrans/HtmlText.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

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
