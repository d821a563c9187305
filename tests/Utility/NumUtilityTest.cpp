#include "Utility/NumUtility.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CodeTrans/STLCodeTrans.h"
#include "LogCapture.h"

namespace {

// GBK form of a UTF-8 literal, so the expectations stay readable.
std::string G(const char* utf8) {
    std::string gbk;
    UTF8ToANSI(utf8, gbk);
    return gbk;
}

// UTF-8 form of GBK text, for readable failure messages.
std::string U(const std::string& gbk) {
    std::string utf8;
    ANSIToUTF8(gbk.c_str(), utf8);
    return utf8;
}

struct FormatOf {
    int format;
    int value;
};

FormatOf Format(CNumUtility& num, const char* utf8) {
    FormatOf f;
    f.format = num.GetNumFormat(G(utf8).c_str(), f.value);
    return f;
}

// An analyser holding the given headings (UTF-8 literals, read as GBK).
void AddAll(CNumUtility& num, const std::vector<const char*>& headings) {
    unsigned id = 0;
    for (const char* h : headings) num.AddSections(G(h).c_str(), id++);
}

}  // namespace

TEST(NumUtilityTest, CharacterFormats) {
    CNumUtility num;
    struct {
        const char* ch;
        int format;
        int value;
    } cases[] = {
        {"7", 0, 7},   {"３", 1, 3},  {"０", 1, 0},   {"五", 2, 5},  {"壹", 2, 1},   {"零", 2, 0},
        {"十", 2, 10}, {"I", 6, 1},   {"V", 6, 5},    {"X", 6, 10},  {"v", 7, 5},    {"x", 7, 10},
        {"⑴", 9, 1},   {"⑶", 9, 3},   {"⒇", 9, 20},   {"①", 10, 1},  {"⑩", 10, 10}, {"㈠", 11, 1},
        {"Ａ", 12, 1}, {"Ｚ", 12, 26}, {"ａ", 13, 1}, {"甲", 14, 1}, {"癸", 14, 10}, {"a", -1, -1},
        {"章", -1, -1}, {"", -1, -1},
    };
    for (const auto& c : cases) {
        FormatOf f = Format(num, c.ch);
        EXPECT_EQ(c.format, f.format) << c.ch;
        EXPECT_EQ(c.value, f.value) << c.ch;
    }
    int v = 0;
    EXPECT_EQ(-1, num.GetNumFormat(nullptr, v));
    EXPECT_EQ(-1, num.GetNumFormat("\xA3", v));  // a lone lead byte
}

TEST(NumUtilityTest, GenerateNumRangesAndRoundTrip) {
    CNumUtility num;
    EXPECT_EQ("", std::string(num.GenerateNum(14, 6)));
    EXPECT_EQ("", std::string(num.GenerateNum(0, 6)));
    EXPECT_EQ("", std::string(num.GenerateNum(21, 9)));
    EXPECT_EQ("", std::string(num.GenerateNum(0, 9)));
    EXPECT_EQ("", std::string(num.GenerateNum(11, 14)));
    EXPECT_EQ("", std::string(num.GenerateNum(27, 12)));
    EXPECT_EQ("", std::string(num.GenerateNum(11, 10)));
    EXPECT_EQ("", std::string(num.GenerateNum(-1, 1)));
    EXPECT_EQ("", std::string(num.GenerateNum(1, 5)));
    EXPECT_EQ(G("１０"), num.GenerateNum(10, 1));
    EXPECT_EQ("-12", std::string(num.GenerateNum(-12, 0)));
    EXPECT_EQ("xiii", std::string(num.GenerateNum(13, 7)));
    EXPECT_EQ(G("壹佰零伍"), num.GenerateNum(105, 3));
    EXPECT_EQ(G("癸"), num.GenerateNum(10, 14));

    // Every value a format can write reads back as that format and value.
    const struct {
        int format;
        int first;
        int last;
    } ranges[] = {{0, 0, 120}, {1, 0, 120}, {2, 1, 120}, {3, 1, 120}, {6, 1, 13}, {7, 1, 13},
                  {9, 1, 20},  {10, 1, 10}, {11, 1, 10}, {12, 1, 26}, {13, 1, 26}, {14, 1, 10}};
    for (const auto& r : ranges) {
        for (int v = r.first; v <= r.last; ++v) {
            const std::string text = num.GenerateNum(v, r.format);
            ASSERT_FALSE(text.empty()) << r.format << " " << v;
            _tSection_Info s;
            const int format = num.ExtractOrder(("#" + text).c_str(), s);
            EXPECT_EQ(r.format == 3 ? 2 : r.format, format) << r.format << " " << v;
            EXPECT_EQ(v, s.order) << r.format << " " << U(text);
        }
    }
}

TEST(NumUtilityTest, ExtractOrderParts) {
    CNumUtility num;
    _tSection_Info s;
    s.error_id = "1.3.6";
    EXPECT_EQ(2, num.ExtractOrder(G("  第一章 总则").c_str(), s));
    EXPECT_EQ(G("第"), s.prefix);
    EXPECT_EQ(1, s.order);
    EXPECT_EQ(G("章"), s.post);
    EXPECT_EQ(G("第一章 总则"), s.sample);
    EXPECT_EQ("1.3.6", s.error_id);  // survives the reset
    EXPECT_EQ(2, num.Format());       // the first heading with a format sets the dominant one
    EXPECT_EQ(G("第"), num.Prefix());
    EXPECT_EQ(G("章"), num.Postfix());

    EXPECT_EQ(0, num.ExtractOrder("1.2.3 x", s));
    EXPECT_EQ("1.2", s.chapter_id);
    EXPECT_EQ(".", s.section_sep);
    EXPECT_EQ("3", s.text);
    EXPECT_EQ(3, s.order);
    EXPECT_EQ(3, s.level);
    EXPECT_EQ(0, s.chapter_format);
    EXPECT_EQ(2, num.Format());  // later headings leave it

    EXPECT_EQ(0, num.ExtractOrder(G("图1-2 结构").c_str(), s));
    EXPECT_EQ(1, s.section_type);
    EXPECT_EQ("1", s.chapter_id);
    EXPECT_EQ("-", s.section_sep);
    EXPECT_EQ(2, s.order);
    EXPECT_EQ(1, s.level);  // a caption lowers the level

    EXPECT_EQ(0, num.ExtractOrder(G("表3．").c_str(), s));
    EXPECT_EQ(2, s.section_type);

    EXPECT_EQ(0, num.ExtractOrder(G("2－5").c_str(), s));
    EXPECT_EQ(G("－"), s.section_sep);
    EXPECT_EQ(5, s.order);

    EXPECT_EQ(0, num.ExtractOrder("1.2.", s));  // a trailing point loses its level
    EXPECT_EQ(2, s.level);
    EXPECT_EQ(1, s.order);
    EXPECT_EQ("", s.chapter_id);

    EXPECT_EQ(2, num.ExtractOrder(G("（一）").c_str(), s));
    EXPECT_EQ(-1, s.level);
    EXPECT_EQ(G("）"), s.post);
    EXPECT_EQ(2, num.ExtractOrder(G("（一）").c_str(), s, 3));
    EXPECT_EQ(1, s.level);

    EXPECT_EQ(9, num.ExtractOrder(G("⑴⑵").c_str(), s));
    EXPECT_EQ(G("⑴⑵"), s.text);
    EXPECT_EQ(1, s.order);
    EXPECT_EQ(1, num.ExtractOrder(G("１２、").c_str(), s));
    EXPECT_EQ(12, s.order);
    EXPECT_EQ(G("、"), s.post);
    EXPECT_EQ(6, num.ExtractOrder("XIV. x", s));
    EXPECT_EQ(14, s.order);
    EXPECT_EQ(".", s.post);
    EXPECT_EQ(14, num.ExtractOrder(G("丙、").c_str(), s));
    EXPECT_EQ(3, s.order);

    // At most 5 bytes before the number.
    EXPECT_EQ(0, num.ExtractOrder("abcde1", s));
    EXPECT_EQ(-1, num.ExtractOrder("abcdef1", s));
    EXPECT_EQ(-1, num.ExtractOrder(G("附录第一章").c_str(), s));
    EXPECT_EQ(-1, num.ExtractOrder("abc", s));
    EXPECT_EQ(-1, num.ExtractOrder("", s));
    EXPECT_EQ(-1, num.ExtractOrder(nullptr, s));
}

TEST(NumUtilityTest, Utf8Analyser) {
    CNumUtility num(true);
    _tSection_Info s;
    EXPECT_EQ(2, num.ExtractOrder("第三章 总则 ", s));
    EXPECT_EQ("第三章 总则", s.sample);
    EXPECT_EQ(3, s.order);
    EXPECT_EQ(G("第"), s.prefix);  // held in GBK
    EXPECT_EQ("第四章", std::string(num.SetNewSectionNo(s, 4)));
    EXPECT_EQ("第四章", s.textNew);

    _tSection_Format other;
    other.prefix = G("（");
    other.num_format = 10;
    other.post = G("）");
    num.SetNewSectionNo(s, other);
    EXPECT_EQ("（③", s.textNew);  // the post only for captions
    s.section_type = 1;
    num.SetNewSectionNo(s, other);
    EXPECT_EQ("（③）", s.textNew);

    CNumUtility gbk;
    gbk.SetNewSectionNo(s, other);
    EXPECT_EQ(G("（③）"), s.textNew);
}

TEST(NumUtilityTest, SetNewSectionNoValueAndDefaults) {
    CNumUtility num;
    _tSection_Info s;
    num.ExtractOrder("1.2.3) x", s);
    s.orderNew = 9;
    EXPECT_EQ("1.2.4)", std::string(num.SetNewSectionNo(s, 4)));
    EXPECT_EQ("1.2.9)", std::string(num.SetNewSectionNo(s, -1)));
    EXPECT_EQ("1.2.3)", std::string(num.SetNewSectionNo(s, 0)));
    EXPECT_EQ(G("第7.⑤章"), num.SetNewSectionNo(s, 5, G("第").c_str(), "7", 10, G("章").c_str()));
}

TEST(NumUtilityTest, PostfixAndSameFormat) {
    for (const char* p : {"章", "节", "）", "、", "：", "】", ")", ".", ":", "]"})
        EXPECT_TRUE(IsValidNumPostfix(G(p).c_str())) << p;
    for (const char* p : {"(", "，", "a", " ", ""}) EXPECT_FALSE(IsValidNumPostfix(G(p).c_str())) << p;
    EXPECT_FALSE(IsValidNumPostfix(nullptr));

    CNumUtility num;
    _tSection_Info a, b;
    num.ExtractOrder("1.2 x", a);
    num.ExtractOrder("3.7 y", b);
    EXPECT_TRUE(IsSameFormat(a, b));
    num.ExtractOrder("3-7 y", b);
    EXPECT_FALSE(IsSameFormat(a, b));
}

TEST(NumUtilityTest, FreqStatTies) {
    CFreqStat<std::string> texts;
    EXPECT_EQ("", texts.GetTop());
    EXPECT_EQ(1, texts.AddElem("b"));
    EXPECT_EQ(1, texts.AddElem("a"));
    EXPECT_EQ("a", texts.GetTop());  // a tie goes to the first key
    EXPECT_EQ(3, texts.AddElem("b", 2));
    EXPECT_EQ("b", texts.GetTop());
}

TEST(NumUtilityTest, CheckOrderMarksOutOfSequence) {
    CNumUtility num;
    AddAll(num, {"1 a", "2 b", "4 c"});
    EXPECT_EQ(1, num.CheckOrder(0, 0, nullptr));
    const auto& s = num.Sections();
    EXPECT_EQ("", s[0].error_id);
    EXPECT_EQ("", s[1].error_id);
    EXPECT_EQ("1.3.6", s[2].error_id);
    EXPECT_EQ(3, s[2].orderNew);
    EXPECT_EQ("3", s[2].textNew);
    EXPECT_EQ(2u, s[2].para_id);

    CNumUtility chinese;
    AddAll(chinese, {"第一章 总则", "第二章 范围", "第四章 附则"});
    chinese.CheckOrder();
    EXPECT_EQ("1.3.6", chinese.Sections()[2].error_id);
    EXPECT_EQ(G("第三章"), chinese.Sections()[2].textNew);
}

TEST(NumUtilityTest, CheckOrderMissingNumber) {
    CNumUtility num;
    AddAll(num, {"1 a", "b", "2 c", "3 d", "e"});
    num.CheckOrder();
    const auto& s = num.Sections();
    EXPECT_EQ("", s[0].error_id);
    EXPECT_EQ("1.3.8", s[1].error_id);
    EXPECT_EQ(-138, s[1].orderNew);
    EXPECT_EQ("2", s[1].textNew);
    EXPECT_EQ("", s[2].error_id);  // the unnumbered heading takes no number of the list
    EXPECT_EQ("", s[3].error_id);
    EXPECT_EQ("", s[4].error_id);  // nothing numbered follows: the check ends
}

TEST(NumUtilityTest, CheckOrderChapterPart) {
    CNumUtility num;
    AddAll(num, {"3.1 a", "3.2 b", "3.4.5 c"});
    num.CheckOrder(0, 0, "2");
    const auto& s = num.Sections();
    EXPECT_EQ("1.3.10", s[0].error_id);
    EXPECT_EQ("2.1", s[0].textNew);
    EXPECT_EQ("1.3.10", s[1].error_id);
    EXPECT_EQ("2.2", s[1].textNew);
    // 3.4.5 is out of order (chapter 3.4 is not the dominant 3) before its chapter is looked at.
    EXPECT_EQ("1.3.6", s[2].error_id);
    EXPECT_EQ("3.3", s[2].textNew);

    CNumUtility prefixed;
    AddAll(prefixed, {"3.1 a", "3.2 b"});
    prefixed.CheckOrder(0, 0, "3");
    EXPECT_EQ("", prefixed.Sections()[0].error_id);
    EXPECT_EQ("", prefixed.Sections()[1].error_id);
}

TEST(NumUtilityTest, CheckOrderStartId) {
    // The headings before the first number are numbered backwards, never past the list start.
    CNumUtility num;
    AddAll(num, {"a", "b", "c", "d", "3 x", "4 y"});
    num.CheckOrder(0, -10, nullptr);
    const auto& s = num.Sections();
    const int expected[] = {-1, 0, 1, 2, 3, 4};
    for (size_t i = 0; i < s.size(); ++i) EXPECT_EQ(expected[i], s[i].order) << i;

    CNumUtility stop;
    AddAll(stop, {"a", "b", "c", "3 x"});
    stop.CheckOrder(0, 2, nullptr);
    EXPECT_EQ(0, stop.Sections()[0].order);
    EXPECT_EQ(0, stop.Sections()[1].order);
    EXPECT_EQ(2, stop.Sections()[2].order);

    // A list expected to start at 1 but starting at 3.
    CNumUtility start;
    AddAll(start, {"3 x", "4 y"});
    start.CheckOrder(0, 1, nullptr);
    EXPECT_EQ(1, start.Sections()[0].orderNew);
    EXPECT_EQ("1", start.Sections()[0].textNew);
    EXPECT_EQ("1.3.6", start.Sections()[1].error_id);
    EXPECT_EQ(2, start.Sections()[1].orderNew);
}

TEST(NumUtilityTest, CheckOrderNewListAndLooseLevel) {
    CNumUtility num;
    AddAll(num, {"1 a", "2 b", "3 c", "(1) x", "(2) y"});
    num.CheckOrder();
    for (const auto& s : num.Sections()) EXPECT_EQ("", s.error_id) << s.sample;

    CNumUtility loose;
    AddAll(loose, {"1 a", "1 b", "2 c"});
    loose.CheckOrder(-1, 0, nullptr);
    for (const auto& s : loose.Sections()) EXPECT_EQ("", s.error_id) << s.sample;
    CNumUtility strict;
    AddAll(strict, {"1 a", "1 b", "2 c"});
    strict.CheckOrder();
    EXPECT_EQ("1.3.6", strict.Sections()[1].error_id);
}

TEST(NumUtilityTest, CheckOrderSymbolFormatsWriteNoErrors) {
    LogCapture log;
    CNumUtility num;
    AddAll(num, {"⑴ a", "⑵ b", "⑷ c", "Ⅰ", "ａ．x"});
    num.CheckOrder();
    const auto& s = num.Sections();
    EXPECT_EQ("", s[0].error_id);
    EXPECT_EQ("", s[1].error_id);
    EXPECT_EQ("1.3.6", s[2].error_id);
    EXPECT_EQ(G("⑶"), s[2].textNew);
    EXPECT_TRUE(log.Errors().empty());
}

// Heading numbers fit an int: INT_MAX itself is one, a larger number (a telephone number starting
// a line) is none, in every number format; and the check never counts past INT_MAX.
TEST(NumUtilityTest, HeadingNumbersAtAndAboveIntMax) {
    CNumUtility num;
    _tSection_Info s;
    EXPECT_EQ(0, num.ExtractOrder("2147483647 a", s));
    EXPECT_EQ(2147483647, s.order);
    for (const char* text : {"2147483648 a", "13800138000 contact", "99999999999999999999999 x", "3.2147483648 y",
                             "２１４７４８３６４８", "二十一亿四千七百四十八万三千六百四十八章"}) {
        CNumUtility fresh;
        EXPECT_EQ(-1, fresh.ExtractOrder(G(text).c_str(), s)) << text;
        EXPECT_EQ(-1, s.num_format) << text;
        EXPECT_EQ(0, s.order) << text;
        EXPECT_EQ(G(text), s.sample) << text;
        EXPECT_EQ(-1, fresh.Format()) << text;  // no dominant format from it
    }
    CNumUtility fullWidth;
    EXPECT_EQ(1, fullWidth.ExtractOrder(G("２１４７４８３６４７").c_str(), s));
    EXPECT_EQ(2147483647, s.order);

    // A telephone number before a list is a heading without a number: the list counts from 1
    // ("x" is the Roman ten, out of sequence; "b" has no number).
    CNumUtility phone;
    AddAll(phone, {"13800138000 contact", "1 a", "2 b", "x", "3 c"});
    phone.CheckOrder();
    const auto& p = phone.Sections();
    for (size_t i : {0, 1, 2}) EXPECT_EQ("", p[i].error_id) << i;
    EXPECT_EQ("1.3.6", p[3].error_id);
    EXPECT_EQ(3, p[3].orderNew);
    EXPECT_EQ("3", p[3].textNew);
    EXPECT_EQ(4, p[4].orderNew);
    CNumUtility gap;
    AddAll(gap, {"13800138000 contact", "1 a", "2 b", "b", "3 c"});
    gap.CheckOrder();
    const auto& g = gap.Sections();
    for (size_t i : {0, 1, 2, 4}) EXPECT_EQ("", g[i].error_id) << i;
    EXPECT_EQ("1.3.8", g[3].error_id);
    EXPECT_EQ("3", g[3].textNew);

    // A list that reaches INT_MAX expects INT_MAX again, never a negative number.
    for (int nLevel : {0, -1}) {
        CNumUtility top;
        AddAll(top, {"2147483646 a", "2147483647 b", "5 c", "2147483647 d"});
        top.CheckOrder(nLevel, 0, nullptr);
        const auto& t = top.Sections();
        EXPECT_EQ("", t[1].error_id) << nLevel;
        EXPECT_EQ("1.3.6", t[2].error_id) << nLevel;
        EXPECT_EQ(2147483647, t[2].orderNew) << nLevel;
        EXPECT_EQ("2147483647", t[2].textNew) << nLevel;
        EXPECT_EQ("", t[3].error_id) << nLevel;
    }
}
