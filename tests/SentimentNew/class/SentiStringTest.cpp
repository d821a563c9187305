#include "SentimentNew/class/SentiString.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <locale>
#include <random>
#include <string>
#include <vector>

#include "CommaLocale.h"

using Strings = std::vector<std::string>;

TEST(SentiStringTest, SplitAtWholeDelimiter) {
    EXPECT_EQ(Split("a  b", " ", false), Strings({"a", "b"}));
    EXPECT_EQ(Split("  a b  ", " ", false), Strings({"a", "b"}));
    EXPECT_EQ(Split("", " ", false), Strings());
    EXPECT_EQ(Split("a b", "", false), Strings({"a b"}));
    EXPECT_EQ(Split("", "", false), Strings({""}));
    EXPECT_EQ(Split("x::y:z::", "::", false), Strings({"x", "y:z"}));
    // Kept empty pieces: one between every two delimiters and at both ends.
    EXPECT_EQ(Split("/a//b/", "/", true), Strings({"", "a", "", "b", ""}));
    EXPECT_EQ(Split("", "/", true), Strings({""}));
    // Overlapping delimiters are taken left to right.
    EXPECT_EQ(Split("aaab", "aa", true), Strings({"", "ab"}));
}

namespace {

// The replacement as first described: search again from the start after every replacement.
std::string RestartReplace(std::string s, const std::string& from, const std::string& to) {
    for (size_t pos = s.find(from); pos != std::string::npos; pos = s.find(from)) s.replace(pos, from.size(), to);
    return s;
}

std::string RandomText(std::mt19937& rng, size_t maxLen) {
    std::uniform_int_distribution<size_t> len(0, maxLen);
    std::uniform_int_distribution<int> letter(0, 2);
    std::string s(len(rng), 'a');
    for (char& c : s) c = static_cast<char>('a' + letter(rng));
    return s;
}

}  // namespace

TEST(SentiStringTest, ReplaceAllMatchesRestartingFromTheStart) {
    const unsigned seed = 20261208;
    std::mt19937 rng(seed);
    for (int round = 0; round < 20000; ++round) {
        const std::string text = RandomText(rng, 24);
        std::string from = RandomText(rng, 3);
        if (from.empty()) from = "a";
        const std::string to = RandomText(rng, 3);
        if (to.find(from) != std::string::npos) continue;
        std::string got = text;
        ReplaceAll(got, from, to);
        ASSERT_EQ(got, RestartReplace(text, from, to))
            << "seed " << seed << " round " << round << ": " << text << " " << from << " -> " << to;
    }
    // A replacement that forms a new occurrence reaching back before it.
    std::string s = "aaabbb";
    EXPECT_EQ(ReplaceAll(s, "ab", ""), "");
}

TEST(SentiStringTest, ReplaceLoopsThatCouldNeverEndStop) {
    std::string s = "abc";
    EXPECT_EQ(ReplaceAll(s, "", "x"), "abc");
    EXPECT_EQ(ReplaceAllDistinct(s, "", ""), "abc");
    s = "aaa";
    EXPECT_EQ(ReplaceAll(s, "a", "aa"), "aaaaaa");  // one pass instead of growing for ever
    s = "aaa";
    EXPECT_EQ(ReplaceAllDistinct(s, "a", "aa"), "aaaaaa");
    s = "aaabbb";
    EXPECT_EQ(ReplaceAllDistinct(s, "ab", ""), "aabb");  // a single pass does not look back
}

TEST(SentiStringTest, ConvertFromStringReadsTheLeadingNumber) {
    EXPECT_EQ(ConvertFromString<double>("2"), 2.0);
    EXPECT_EQ(ConvertFromString<double>("-1.5"), -1.5);
    EXPECT_EQ(ConvertFromString<double>("-.5"), -0.5);
    EXPECT_EQ(ConvertFromString<double>("abc"), 0.0);
    EXPECT_EQ(ConvertFromString<double>(""), 0.0);
    EXPECT_EQ(ConvertFromString<double>("1e999"), DBL_MAX);
    EXPECT_EQ(ConvertFromString<double>("-1e999"), -DBL_MAX);
    EXPECT_EQ(ConvertFromString<int>("12x"), 12);
}

TEST(SentiStringTest, ConvertFromStringIgnoresTheGlobalLocale) {
    kxtest::CommaLocale comma;
    EXPECT_EQ(ConvertFromString<double>("1.5"), 1.5);
    EXPECT_EQ(ConvertFromString<double>("1,5"), 1.0);
    EXPECT_EQ(ConvertFromString<double>("1234.25"), 1234.25);
}

namespace {

// Reference: decode by the lead byte's length, then reject overlong forms, surrogates and values
// above U+10FFFF.
size_t RefUtf8Length(const unsigned char* s, size_t n) {
    const unsigned char c = s[0];
    size_t len;
    unsigned value;
    if (c < 0x80) return 1;
    if ((c & 0xE0) == 0xC0) { len = 2; value = c & 0x1F; }
    else if ((c & 0xF0) == 0xE0) { len = 3; value = c & 0x0F; }
    else if ((c & 0xF8) == 0xF0) { len = 4; value = c & 0x07; }
    else return 0;
    if (n < len) return 0;
    for (size_t k = 1; k < len; ++k) {
        if ((s[k] & 0xC0) != 0x80) return 0;
        value = (value << 6) | (s[k] & 0x3F);
    }
    static const unsigned kMin[] = {0, 0, 0x80, 0x800, 0x10000};
    if (value < kMin[len] || (value >= 0xD800 && value <= 0xDFFF) || value > 0x10FFFF) return 0;
    return len;
}

}  // namespace

TEST(SentiStringTest, Utf8CharLengthAgreesWithADecoder) {
    // Every two-byte prefix, then bytes at the edges of the continuation range, and cut short.
    const unsigned char edges[] = {0x00, 0x41, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0, 0xFF};
    for (unsigned b0 = 0; b0 < 256; ++b0) {
        for (unsigned b1 = 0; b1 < 256; ++b1) {
            for (unsigned char b2 : edges) {
                for (unsigned char b3 : edges) {
                    const unsigned char s[4] = {static_cast<unsigned char>(b0), static_cast<unsigned char>(b1), b2, b3};
                    for (size_t n = 1; n <= 4; ++n) {
                        const size_t got = Utf8CharLength(reinterpret_cast<const char*>(s), 0, n);
                        if (got != RefUtf8Length(s, n)) {
                            ADD_FAILURE() << std::hex << b0 << " " << b1 << " " << unsigned(b2) << " "
                                          << unsigned(b3) << " n=" << n << ": " << got;
                            return;
                        }
                    }
                }
            }
        }
    }
    const std::string text = "x\xE4\xB8\xAD";  // x中, at an offset
    EXPECT_EQ(Utf8CharLength(text.data(), 1, text.size()), 3u);
    EXPECT_EQ(Utf8CharLength(text.data(), 2, text.size()), 0u);
}
