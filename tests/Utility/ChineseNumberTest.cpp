#include "Utility/ChineseNumber.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>

#include "CodeTrans/STLCodeTrans.h"
#include "Utility/LogFile.h"

namespace {

// GBK form of a UTF-8 literal, so the expectations stay readable.
std::string G(const char* utf8) {
    std::string gbk;
    UTF8ToANSI(utf8, gbk);
    return gbk;
}

int64_t Int(const char* utf8) { return Str2Integer(G(utf8).c_str()); }

// A heap copy of exactly the given bytes plus NUL, so an over-read shows under ASan.
std::unique_ptr<char[]> Exact(const std::string& s) {
    std::unique_ptr<char[]> p(new char[s.size() + 1]);
    memcpy(p.get(), s.c_str(), s.size() + 1);
    return p;
}

}  // namespace

TEST(ChineseNumberTest, DigitTable) {
    EXPECT_EQ(0, ChineseNum2Digit(G("零").c_str()));
    EXPECT_EQ(0, ChineseNum2Digit(G("○").c_str()));
    EXPECT_EQ(2, ChineseNum2Digit(G("两万").c_str()));
    EXPECT_EQ(9, ChineseNum2Digit(G("玖").c_str()));
    EXPECT_EQ(100, ChineseNum2Digit(G("佰").c_str()));
    EXPECT_EQ(100000000, ChineseNum2Digit(G("亿").c_str()));
    EXPECT_EQ(-2, ChineseNum2Digit("3"));
    EXPECT_EQ(-2, ChineseNum2Digit(""));
    EXPECT_EQ(-2, ChineseNum2Digit(nullptr));
    // A lead byte before the NUL is one character, and no numeral.
    auto lone = Exact("\xC8");
    EXPECT_EQ(-2, ChineseNum2Digit(lone.get()));
}

TEST(ChineseNumberTest, Str2IntegerValues) {
    EXPECT_EQ(35000000, Int("三千五百万"));
    EXPECT_EQ(105, Int("一百零五"));
    EXPECT_EQ(15, Int("十五"));
    EXPECT_EQ(20003, Int("两万三"));
    EXPECT_EQ(0, Int("零"));
    EXPECT_EQ(10, Int("十"));
    EXPECT_EQ(0, Int(""));
    EXPECT_EQ(105, Int("壹佰零伍"));
    EXPECT_EQ(120000000, Int("一亿两千万"));
    // The lone group unit adds section x unit with a section of 0.
    EXPECT_EQ(10000, Int("一万亿"));
    EXPECT_EQ(3000, Str2Integer("三千", true));
}

TEST(ChineseNumberTest, Str2IntegerErrorsCarryExactMessages) {
    SetLastErrorMessage("");
    EXPECT_EQ(-1, Int("一二"));
    EXPECT_EQ(G("一二") + " is invalid Chinese numeric expression", CopyLastErrorMessage());
    EXPECT_EQ(-1, Int("五零"));
    EXPECT_EQ(-1, Int("百"));
    EXPECT_EQ(G("百") + " is invalid num expersion", CopyLastErrorMessage());
    EXPECT_EQ(-1, Int("千"));
    EXPECT_EQ(-1, Str2Integer("x"));
    EXPECT_EQ("x using invalid charater in Chinese numeric expression. ", CopyLastErrorMessage());
    EXPECT_EQ(-1, Str2Integer(nullptr));

    // A lone trailing lead byte is an invalid character; nothing past the NUL is read.
    auto lone = Exact(G("三千") + "\xC8");
    EXPECT_EQ(-1, Str2Integer(lone.get()));
    EXPECT_EQ(G("三千") + "\xC8 using invalid charater in Chinese numeric expression. ", CopyLastErrorMessage());

    // Long expressions keep adding up.
    std::string many;
    for (int i = 0; i < 200; ++i) many += "九千九百亿";
    EXPECT_EQ(int64_t(200) * 990000000000, Int(many.c_str()));
}

TEST(ChineseNumberTest, Integer2StrWritesGroupsAndZeros) {
    const struct {
        uint64_t n;
        const char* text;
    } cases[] = {
        {0, "零"},           {11, "十一"},           {105, "一百零五"},       {1005, "一千零五"},
        {10050, "一万零五十"}, {15000, "一万五千"},       {150000, "十五万"},     {100000050, "一亿零五十"},
        {10, "十"},          {20003, "二万零三"},       {110000000, "一亿一千万"}, {100010050, "一亿零一万零五十"},
        {1000, "一千"},       {100000000, "一亿"},
    };
    for (const auto& c : cases) {
        std::string out;
        EXPECT_STREQ(G(c.text).c_str(), Integer2Str(c.n, out)) << c.n;
        EXPECT_EQ(G(c.text), out) << c.n;
    }
    std::string out;
    EXPECT_EQ(G("壹佰零伍"), std::string(Integer2Str(uint64_t(105), out, true)));
    EXPECT_EQ(G("壹万伍仟"), std::string(Integer2Str("15000", out, true)));
    EXPECT_EQ(G("零"), std::string(Integer2Str("abc", out)));

    // The largest value fits the documented bound and has no unit for its fourth group.
    Integer2Str(UINT64_MAX, out);
    EXPECT_LT(out.size(), 100u);
    EXPECT_EQ(G("一"), out.substr(0, 2));
}

// Writing and reading back agree on every value below 10^12 (the fourth group has no unit).
TEST(ChineseNumberTest, Integer2StrRoundTripsThroughStr2Integer) {
    const unsigned seed = 20240607;
    std::mt19937_64 rng(seed);
    for (int i = 0; i < 20000; ++i) {
        uint64_t n = rng() % 1000000000000ULL;
        if (i % 4 == 1) n %= 100000;  // plenty of small values and internal zeros
        if (i % 4 == 2) n = (n / 1000) * 1000;
        std::string text;
        Integer2Str(n, text, i % 2 == 0);
        ASSERT_EQ(int64_t(n), Str2Integer(text.c_str())) << "seed " << seed << " value " << n;
    }
}

TEST(ChineseNumberTest, DoublesBothWays) {
    std::string out;
    EXPECT_STREQ("3.14", Str2Double(G("三点一四").c_str(), out));
    EXPECT_DOUBLE_EQ(3.14, Str2Double(G("三点一四").c_str()));
    EXPECT_EQ("0.5", std::string(Str2Double(G("点五").c_str(), out)));
    EXPECT_EQ("12", std::string(Str2Double(G("十二").c_str(), out)));
    EXPECT_EQ("3.14", std::string(Str2Double("三点一四", out, true)));

    SetLastErrorMessage("");
    EXPECT_EQ("3.1", std::string(Str2Double(G("三点一x四").c_str(), out)));
    EXPECT_EQ(G("三点一x四") + " is invalid double expression.", CopyLastErrorMessage());
    auto lone = Exact(G("三点一") + "\xC8");
    EXPECT_EQ("3.1", std::string(Str2Double(lone.get(), out)));
    EXPECT_DOUBLE_EQ(0, Str2Double(""));

    EXPECT_EQ(G("三点一四"), std::string(Double2Str("3.14", out)));
    EXPECT_EQ(G("叁点壹肆"), std::string(Double2Str("3.14", out, true)));
    EXPECT_EQ(G("一百零五"), std::string(Double2Str("105", out)));
    EXPECT_EQ(G("三点一"), std::string(Double2Str("3.1a", out)));
    EXPECT_EQ("3.1a is invalid double expression.", CopyLastErrorMessage());
}

TEST(ChineseNumberTest, MoneyAndPercent) {
    std::string out;
    EXPECT_EQ("300.52", std::string(Str2Money(G("三百元五角二分").c_str(), out)));
    EXPECT_EQ("300", std::string(Str2Money(G("三百").c_str(), out)));
    EXPECT_EQ("300", std::string(Str2Money(G("三百圆整").c_str(), out)));
    EXPECT_EQ("300", std::string(Str2Money(G("三百元整五角").c_str(), out)));
    EXPECT_EQ("1.50", std::string(Str2Money(G("一元五角").c_str(), out)));
    EXPECT_EQ("20.05", std::string(Str2Money(G("二十元零角五分").c_str(), out)));
    // An unpaired last value is ignored.
    EXPECT_EQ("2", std::string(Str2Money(G("两元五").c_str(), out)));
    EXPECT_EQ("300.52", std::string(Str2Money("三百元五角二分", out, true)));
    auto lone = Exact(G("三元五角") + "\xBD");
    EXPECT_EQ("3.50", std::string(Str2Money(lone.get(), out)));

    EXPECT_FLOAT_EQ(0.125f, Str2Float("12.5%"));
    EXPECT_FLOAT_EQ(12.5f, Str2Float("12.5"));
    EXPECT_FLOAT_EQ(0.0f, Str2Float("abc"));
    EXPECT_FLOAT_EQ(0.0f, Str2Float(nullptr));
}
