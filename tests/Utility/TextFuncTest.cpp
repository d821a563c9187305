#include "Utility/TextFunc.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {
const char* const kFullStop = "\xA1\xA3";  // 。
const char* const kExclaim = "\xA3\xA1";   // ！
}  // namespace

TEST(TextFuncTest, FindSentenceEndAtItsBoundaries) {
    const std::string s = std::string("ab") + kFullStop + "cd!ef";
    EXPECT_EQ(FindSentenceEnd(s.c_str(), 0, 100), 4u);
    EXPECT_EQ(FindSentenceEnd(s.c_str(), 4, 100), 7u);
    EXPECT_EQ(FindSentenceEnd("no punctuation", 0, 100), 14u);
    EXPECT_EQ(FindSentenceEnd(s.c_str(), 0, 2), s.size());  // limit reached: the length
    EXPECT_EQ(FindSentenceEnd(s.c_str(), 50, 100), s.size());  // past the end
    EXPECT_EQ(FindSentenceEnd(s.c_str(), s.size(), 100), s.size());
    // A lead byte in the last position is one byte; nothing past the terminator is read.
    std::unique_ptr<char[]> lone(new char[3]);
    memcpy(lone.get(), "a\xA1", 3);
    EXPECT_EQ(FindSentenceEnd(lone.get(), 0, 100), 2u);
    // Two-byte characters are walked whole: A3 A1 inside B0A3 A1?? must not be read as ！.
    const std::string straddle = "\xB0\xA3\xA1\xB0";
    EXPECT_EQ(FindSentenceEnd(straddle.c_str(), 0, 100), straddle.size());
}

TEST(TextFuncTest, FindSentenceStartAtItsBoundaries) {
    const std::string s = std::string("ab") + kFullStop + "cd;ef";
    EXPECT_EQ(FindSentenceStart(s.c_str(), 0, 100), 0u);
    EXPECT_EQ(FindSentenceStart(s.c_str(), s.size(), 100), 7u);  // behind ';'
    EXPECT_EQ(FindSentenceStart(s.c_str(), 6, 100), 4u);         // behind 。
    EXPECT_EQ(FindSentenceStart(s.c_str(), 1000, 100), 7u);      // clamped to the length
    EXPECT_EQ(FindSentenceStart(s.c_str(), s.size(), 1), 0u);    // limit reached
    EXPECT_EQ(FindSentenceStart("abc", 3, 100), 0u);
}

TEST(TextFuncTest, TitleAndSentenceEndings) {
    EXPECT_FALSE(IsValidTitle((std::string("ab") + kFullStop).c_str()));
    EXPECT_FALSE(IsValidTitle((std::string("ab") + kExclaim).c_str()));
    EXPECT_TRUE(IsValidTitle(kFullStop));  // two-byte endings only count from 4 bytes on
    EXPECT_FALSE(IsValidTitle("title;"));
    EXPECT_TRUE(IsValidTitle("title"));
    EXPECT_TRUE(IsValidTitle(""));

    EXPECT_TRUE(IsValidSentence("done."));
    EXPECT_TRUE(IsValidSentence("(x)"));
    EXPECT_TRUE(IsValidSentence("ab\xA3\xA9"));   // ）
    EXPECT_TRUE(IsValidSentence("ab\xA3\xBA"));   // ：
    EXPECT_FALSE(IsValidSentence("\xA3\xA9"));    // too short
    EXPECT_FALSE(IsValidSentence("ab\xA3\xBF"));  // ？ is not in the set
    EXPECT_FALSE(IsValidSentence("no end"));
    EXPECT_FALSE(IsValidSentence(""));
    EXPECT_FALSE(IsValidSentence(nullptr));
}

TEST(TextFuncTest, ExtractEmailDirectionAndNames) {
    std::vector<_email> v;
    // 收件人 (recipient) before the first '@': every address is "recv".
    const char* header = "\xCA\xD5\xBC\xFE\xC8\xCB: \xD5\xC5\xC8\xFD <zhang.san@example.com>, "
                         "\"Li Si\" <li-si@mail.example.cn>;x_y@z.org";
    EXPECT_EQ(ExtractEmail(header, v), 3);
    ASSERT_EQ(v.size(), 3u);
    EXPECT_EQ(v[0].username, "zhang.san");
    EXPECT_EQ(v[0].domainname, "example.com");
    EXPECT_EQ(v[0].cnName, "\xD5\xC5\xC8\xFD");  // 张三
    EXPECT_EQ(v[0].enName, "");
    EXPECT_EQ(v[1].username, "li-si");
    EXPECT_EQ(v[1].domainname, "mail.example.cn");
    EXPECT_EQ(v[1].enName, "Li Si");
    EXPECT_EQ(v[2].username, "x_y");
    EXPECT_EQ(v[2].enName, "");
    for (const _email& e : v) EXPECT_EQ(e.direction, "recv");

    v.clear();
    ExtractEmail("\xB3\xAD\xCB\xCD: a@b.c", v);  // 抄送
    ASSERT_EQ(v.size(), 1u);
    EXPECT_EQ(v[0].direction, "copy_to");
    v.clear();
    ExtractEmail("\xC3\xDC\xCB\xCD: a@b.c", v);  // 密送
    EXPECT_EQ(v[0].direction, "secret_to");
    v.clear();
    ExtractEmail("From: a@b.c", v);
    EXPECT_EQ(v[0].direction, "send");
    // '@' at the very start or end, and no address at all.
    v.clear();
    EXPECT_EQ(ExtractEmail("@x", v), 0);
    EXPECT_EQ(ExtractEmail("x@", v), 0);
    EXPECT_EQ(ExtractEmail("none", v), 0);
    EXPECT_EQ(ExtractEmail(nullptr, v), 0);
}

TEST(TextFuncTest, CharacterAndNumberFunctions) {
    char buf[12];
    EXPECT_STREQ(itoa(255, buf, 16), "ff");
    EXPECT_STREQ(itoa(-1, buf, 8), "37777777777");  // the longest text still fits the 12 bytes
    char s[] = "AbC\xC1z";
    EXPECT_STREQ(strupr(s), "ABC\xC1Z");  // high bytes are cast before toupper
    EXPECT_STREQ(strlwr(s), "abc\xC1z");
    EXPECT_EQ(GetUpperLetter('\xE1'), '\xE1');
}
