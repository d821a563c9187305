#include "Utility/NumberType.h"

#include <gtest/gtest.h>

#include <cstring>
#include <ctime>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "CodeTrans/STLCodeTrans.h"
#include "Utility/GBKChar.h"
#include "Utility/StrToken.h"

namespace {

std::string G(const char* utf8) {
    std::string gbk;
    UTF8ToANSI(utf8, gbk);
    return gbk;
}

// A heap copy of exactly the given bytes plus NUL, so an over-read shows under ASan.
std::unique_ptr<char[]> Exact(const std::string& s) {
    std::unique_ptr<char[]> p(new char[s.size() + 1]);
    memcpy(p.get(), s.c_str(), s.size() + 1);
    return p;
}

// An 18-character id from 17 digits with its computed check character.
std::string WithCheck(const std::string& first17) {
    CCIDChecker checker;
    return first17 + checker.GetCheckCode(first17.c_str());
}

int CurrentYear() {
    time_t now = time(nullptr);
    struct tm t {};
    localtime_r(&now, &t);
    return t.tm_year + 1900;
}

struct tm Date(int year, int month, int day) {
    struct tm t {};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    return t;
}


// The number type by the plain steps: the folded token split with GetStrVector and joined.
int ReferenceNumType(const char* sText, unsigned long length) {
    size_t nLen = length == 0 ? strlen(sText) : strnlen(sText, length);
    if (nLen < 5) return -1;
    std::string sToken(sText, nLen);
    QuanJiao2BanJiao(&sToken[0]);
    sToken.resize(strlen(sToken.c_str()));
    std::vector<std::string> vecPiece;
    GetStrVector(sToken.c_str(), "()+-. ", vecPiece);
    std::string sJoined;
    for (const std::string& piece : vecPiece) sJoined += piece;
    const size_t L = sJoined.size();
    if (L == 0) return -1;
    const char cFirst = sJoined[0];
    if (vecPiece.size() >= 2 && vecPiece[0].size() == 4 && (cFirst == '1' || cFirst == '2') && L < 9)
        return NUMTYPE_DATE;
    if (L == 11 || (L == 8 && cFirst != '0' && cFirst != '1') || (L >= 12 && L <= 14 && cFirst == '0'))
        return NUMTYPE_PHONE;
    if ((L == 15 || L == 18) && cFirst >= '1' && cFirst <= '9') {
        CCIDChecker checker;
        if (checker.ValidCheck(sJoined.c_str()) > 0) return NUMTYPE_ID;
    }
    return -1;
}

// Random number-like tokens (half- and full-width digits, the delimiters, white space, letters,
// identity numbers, tokens longer than the stack buffer, a lone lead byte at the end) against the
// reference, with the length given, counted, and past the token's end.
TEST(NumberTypeTest, RandomTokensAgreeWithTheSplitAndJoinReference) {
    const unsigned seed = 4242;
    std::mt19937 rng(seed);
    const std::vector<std::string> pieces = {"0", "1", "2", "3", "5", "9", G("０"), G("１"), G("２"), G("９"), "(",
                                             ")", "+", "-", ".", " ", "\t", "\r", "\n", "a", "X", G("年"), G("．"),
                                             G("－"), G("（")};
    for (int n = 0; n < 20000; ++n) {
        std::string token;
        switch (rng() % 4) {
            case 0: {  // an identity number, sometimes cut or with a delimiter
                std::string first17 = "110101198";
                for (int k = 0; k < 8; ++k) first17 += char('0' + rng() % 10);
                token = WithCheck(first17);
                if (rng() % 3 == 0) token.insert(rng() % token.size(), pieces[10 + rng() % 10]);
                if (rng() % 4 == 0) token = token.substr(0, 15);
                break;
            }
            case 1: {  // digits only
                int len = 1 + int(rng() % 20);
                for (int k = 0; k < len; ++k) token += char('0' + rng() % 10);
                break;
            }
            default: {
                int parts = 1 + int(rng() % (rng() % 10 == 0 ? 150 : 16));
                for (int k = 0; k < parts; ++k) token += pieces[rng() % pieces.size()];
                break;
            }
        }
        if (rng() % 10 == 0) token += "\xC8";
        std::unique_ptr<char[]> p = Exact(token);
        const unsigned long len = (unsigned long)token.size();
        ASSERT_EQ(GetNumType(p.get(), len), ReferenceNumType(p.get(), len)) << "seed " << seed << " [" << token << "]";
        ASSERT_EQ(GetNumType(p.get(), 0), ReferenceNumType(p.get(), 0)) << "seed " << seed << " [" << token << "]";
        ASSERT_EQ(GetNumType(p.get(), len + 3), ReferenceNumType(p.get(), len + 3)) << "seed " << seed;
        const unsigned long cut = len > 0 ? (unsigned long)(rng() % len) + 1 : 1;
        ASSERT_EQ(GetNumType(p.get(), cut), ReferenceNumType(p.get(), cut)) << "seed " << seed << " [" << token << "]";
    }
}

}  // namespace

TEST(NumberTypeTest, DatesPhonesAndIds) {
    EXPECT_EQ(52, GetNumType("2008-10-12"));
    EXPECT_EQ(52, GetNumType("1998.5"));
    EXPECT_EQ(100, GetNumType("20081012"));
    EXPECT_EQ(-1, GetNumType("3008-10"));
    EXPECT_EQ(-1, GetNumType("10081012"));     // L 8 starting with 1
    EXPECT_EQ(100, GetNumType("98765432101"));  // L 11, any first character
    EXPECT_EQ(100, GetNumType("010-12345678"));
    EXPECT_EQ(100, GetNumType("(010) 1234-5678"));
    EXPECT_EQ(100, GetNumType("0123456789012"));
    EXPECT_EQ(-1, GetNumType("1234567890123"));  // L 13 needs a leading 0
    EXPECT_EQ(101, GetNumType("11010519491231002X"));
    EXPECT_EQ(-1, GetNumType("11010519491231002x"));
    EXPECT_EQ(101, GetNumType("110105491231002"));  // 15-digit form of the same person
    EXPECT_EQ(-1, GetNumType("12345"));
    EXPECT_EQ(-1, GetNumType("---"));
    EXPECT_EQ(-1, GetNumType(""));
    EXPECT_EQ(-1, GetNumType(nullptr));
}

TEST(NumberTypeTest, FullWidthAndLength) {
    EXPECT_EQ(52, GetNumType(G("２００８－１０－１２").c_str()));
    EXPECT_EQ(100, GetNumType(G("２００８１０１２").c_str()));
    EXPECT_EQ(100, GetNumType(G("０１０－１２３４５６７８").c_str()));
    // Only `length` bytes count, and never past the NUL.
    EXPECT_EQ(52, GetNumType("2008-10-12", 7));
    EXPECT_EQ(100, GetNumType("20081012345", 8));
    EXPECT_EQ(100, GetNumType("20081012", 1000));
    auto lone = Exact("2008\xA3");
    EXPECT_EQ(-1, GetNumType(lone.get()));
    // Merged runs have no length limit.
    std::string run(5000, '1');
    EXPECT_EQ(-1, GetNumType(run.c_str()));
}

TEST(NumberTypeTest, ValidCheckResults) {
    CCIDChecker checker;
    EXPECT_EQ(1, checker.ValidCheck("11010519491231002X"));
    EXPECT_EQ(-3, checker.ValidCheck("11010519491231002x"));
    EXPECT_EQ(-3, checker.ValidCheck("110105194912310021"));
    EXPECT_EQ(1, checker.ValidCheck("110105491231002"));
    EXPECT_EQ(-1, checker.ValidCheck("11010519491231002"));
    EXPECT_EQ(-1, checker.ValidCheck("11010519491231002X1"));
    EXPECT_EQ(-1, checker.ValidCheck(nullptr));
    EXPECT_EQ(-2, checker.ValidCheck("1101051949A231002X"));
    EXPECT_EQ(-4, checker.ValidCheck(WithCheck("20010519491231002").c_str()));
    EXPECT_EQ(1, checker.ValidCheck(WithCheck("91010519491231002").c_str()));
    EXPECT_EQ(1, checker.ValidCheck(WithCheck("44030019800229123").c_str()));
    EXPECT_EQ(-5, checker.ValidCheck(WithCheck("44030019810229123").c_str()));
    EXPECT_EQ(-5, checker.ValidCheck(WithCheck("44030019801301123").c_str()));
    std::string future = "440300" + std::to_string(CurrentYear() + 1) + "0101123";
    EXPECT_EQ(-5, checker.ValidCheck(WithCheck(future).c_str()));

    // A 15-character id with GBK bytes or a hyphen is refused before its conversion.
    auto gbk = Exact("1101054912310" + G("啊"));
    EXPECT_EQ(-2, checker.ValidCheck(gbk.get()));
    EXPECT_EQ(-2, checker.ValidCheck("110105-91231002"));
    EXPECT_EQ(-1, GetNumType(gbk.get()));
}

TEST(NumberTypeTest, CheckerParts) {
    CCIDChecker checker;
    EXPECT_EQ('X', checker.GetCheckCode("11010519491231002"));
    EXPECT_EQ(0, checker.GetCheckCode("1101051949123100"));  // 16 characters
    EXPECT_EQ(0, checker.GetCheckCode("1101051949123100-"));
    EXPECT_EQ(0, checker.GetCheckCode(""));
    auto shortText = Exact("123");
    EXPECT_EQ(0, checker.GetCheckCode(shortText.get()));

    char out[19];
    EXPECT_TRUE(checker.Change15To18("110105491231002", out));
    EXPECT_STREQ("11010519491231002X", out);
    EXPECT_FALSE(checker.Change15To18("1101054912", out));
    EXPECT_STREQ("", out);

    _tPersonInfo info;
    checker.ExtractPersonInfo("11010519491231002X", info);
    EXPECT_EQ(110105, info.district_id);
    EXPECT_EQ(49, info.birthday.tm_year);
    EXPECT_EQ(11, info.birthday.tm_mon);
    EXPECT_EQ(31, info.birthday.tm_mday);
    EXPECT_EQ(0, info.gender);
    ASSERT_TRUE(checker.GetProv(info));
    EXPECT_EQ(G("北京"), info.prov);
    info.district_id = 910000;
    ASSERT_TRUE(checker.GetProv(info));
    EXPECT_EQ(G("国外"), info.prov);
    info.district_id = 200000;
    EXPECT_FALSE(checker.GetProv(info));
    EXPECT_EQ(G("国外"), info.prov);

    checker.ExtractPersonInfo("11010519491231003X", info);
    EXPECT_EQ(1, info.gender);
    // A short text is read only as far as it goes.
    auto partial = Exact("1101051949");
    checker.ExtractPersonInfo(partial.get(), info);
    EXPECT_EQ(0, info.birthday.tm_mday);
}

TEST(NumberTypeTest, DateChecks) {
    EXPECT_FALSE(IsValidDate(Date(2000, 0, 1), false));
    EXPECT_FALSE(IsValidDate(Date(2000, 13, 1), false));
    EXPECT_FALSE(IsValidDate(Date(2000, 1, 0), false));
    EXPECT_FALSE(IsValidDate(Date(2000, 1, 32), false));
    EXPECT_FALSE(IsValidDate(Date(2001, 4, 31), false));
    EXPECT_TRUE(IsValidDate(Date(2001, 4, 30), false));
    EXPECT_FALSE(IsValidDate(Date(1900, 2, 29), false));
    EXPECT_TRUE(IsValidDate(Date(2000, 2, 29), false));
    EXPECT_FALSE(IsValidDate(Date(2100, 2, 29), false));
    EXPECT_TRUE(IsValidDate(Date(0, 1, 1), true));  // the age test only covers years after 1900
    EXPECT_TRUE(IsValidDate(Date(CurrentYear() + 1, 1, 1), false));
    EXPECT_FALSE(IsValidDate(Date(CurrentYear() + 1, 1, 1), true));

    EXPECT_TRUE(IsValidDate(time_t(951782400), true));  // 2000-02-29 UTC
    EXPECT_TRUE(IsValidDateString(G("2008年2月29日").c_str(), false));
    EXPECT_FALSE(IsValidDateString(G("2009年2月29日").c_str(), false));
    EXPECT_TRUE(IsValidDateString(G("二千零八年十二月三十一日").c_str(), false));
    EXPECT_FALSE(IsValidDateString(G("2008年").c_str(), false));  // day 0
    EXPECT_TRUE(IsValidDateString(G("明天见").c_str(), false));
    EXPECT_TRUE(IsValidDateString("2008年2月29日", true));
    EXPECT_FALSE(IsValidDateString("2009年2月29日", true));
    auto lone = Exact(G("2008年2月") + "\xC8");
    EXPECT_FALSE(IsValidDateString(lone.get(), false));
}
