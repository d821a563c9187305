#include "Utility/GBKChar.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "common/TestUtil.h"

namespace {

// A heap copy of exactly the string's bytes and its NUL, so that AddressSanitizer catches any read
// past the terminator.
struct HeapStr {
    explicit HeapStr(const std::string& s, bool bTerminate = true)
        : n(s.size() + (bTerminate ? 1 : 0)), p(new char[n]) {
        memcpy(p.get(), s.data(), s.size());
        if (bTerminate) p[s.size()] = 0;
    }
    char* c() { return p.get(); }
    unsigned char* u() { return reinterpret_cast<unsigned char*>(p.get()); }
    size_t n;
    std::unique_ptr<char[]> p;
};

// GBK text of the characters used below.
const std::string YI = "\xD2\xBB";       // 一
const std::string ER = "\xB6\xFE";       // 二
const std::string JIU = "\xBE\xC5";      // 九
const std::string BA = "\xB0\xCB";       // 八
const std::string SHI = "\xCA\xAE";      // 十
const std::string QIAN = "\xC7\xA7";     // 千
const std::string LING = "\xC1\xE3";     // 零
const std::string WAN = "\xCD\xF2";      // 万
const std::string DI = "\xB5\xDA";       // 第
const std::string SHU = "\xCA\xFD";      // 数
const std::string BAI = "\xB0\xD9";      // 百
const std::string FENZHI = "\xB7\xD6\xD6\xAE";  // 分之
const std::string FW_DOT = "\xA3\xAE";   // ．
const std::string FW_PCT = "\xA3\xA5";   // ％
const std::string FW_5 = "\xA3\xB5";     // ５

TEST(GBKCharTest, LoneTrailingLeadByteStaysInside) {
    {
        HeapStr s("a\xB0");
        char ch[3];
        int code = 0;
        EXPECT_EQ(1, Getchar(s.c() + 1, ch));
        EXPECT_EQ("\xB0", std::string(ch));
        EXPECT_EQ(1, Getchar(s.c() + 1, &code));
        EXPECT_EQ(static_cast<signed char>(0xB0), code);
        EXPECT_LT(code, 0);
        unsigned long i = 1;
        EXPECT_EQ(0xB0u, GetCharCode(s.c(), i, 2));
        EXPECT_EQ(2u, i);
    }
    EXPECT_FALSE(IsAllChinese(HeapStr("\xB0").u()));
    EXPECT_TRUE(IsAllNonChinese(HeapStr("a\x81").u()));
    EXPECT_EQ(2u, GetCCPrefix(HeapStr("\xB0\xA1\xB0").u()));
    EXPECT_FALSE(IsAllDelimiter(HeapStr("\xA1").u()));
    EXPECT_FALSE(IsAllLetter(HeapStr("\xA3\xC1\xA3").u()));
    EXPECT_FALSE(IsAllIndex(HeapStr("\xA2\xB1\xA2").u()));
    EXPECT_FALSE(IsAllChineseNum(HeapStr(YI + "\xC1").c(), 0));
    EXPECT_EQ(0u, GetCharCount((YI + ER).c_str(), HeapStr("\xD2").c(), 0));  // lead of 一 alone
    {
        HeapStr s("ab\xA3");
        EXPECT_FALSE(QuanJiao2BanJiao(s.c()));
        EXPECT_EQ("ab\xA3", std::string(s.c()));
    }
    {
        HeapStr s("x\xA3");
        WordStandard(s.c());
        EXPECT_EQ("x\xA3", std::string(s.c()));
    }
    std::vector<tstring> v;
    EXPECT_EQ(2u, Str2CharVector(HeapStr(YI + "\xB0").c(), v, false));
    EXPECT_EQ("\xB0", v[1]);
}

TEST(GBKCharTest, ReadingCharacters) {
    char ch[8];
    int code = 0;
    EXPECT_EQ(0, Getchar("", ch));
    EXPECT_EQ("", std::string(ch));
    EXPECT_EQ(0, Getchar("", &code));
    EXPECT_EQ(-1, code);
    EXPECT_EQ(2, Getchar(YI.c_str(), &code));
    EXPECT_EQ(0xD2BB, code);
    EXPECT_EQ(1, Getchar("Z", &code));
    EXPECT_EQ('Z', code);

    // GetCharCode folds ASCII capitals only, and takes two bytes whatever the trail is.
    std::string line = std::string("AB") + "\xC1\x41" + std::string("\x81\0", 2);
    unsigned long i = 0;
    EXPECT_EQ(unsigned('a'), GetCharCode(line.data(), i, line.size()));
    EXPECT_EQ(unsigned('b'), GetCharCode(line.data(), i, line.size()));
    EXPECT_EQ(0xC141u, GetCharCode(line.data(), i, line.size()));
    EXPECT_EQ(0x8100u, GetCharCode(line.data(), i, line.size()));
    EXPECT_EQ(line.size(), i);

    // UTF-8 lengths by first byte, cut at the end of the string.
    struct {
        const char* s;
        int n;
    } cases[] = {{"", 0}, {"a", 1}, {"\x80z", 1}, {"\xBF", 1}, {"\xC3\xA9", 2}, {"\xE4\xB8\xAD", 3},
                 {"\xF0\x9F\x98\x80", 4}, {"\xF8\x88\x80\x80\x80", 5}, {"\xFC\x84\x80\x80\x80\x80", 6},
                 {"\xFE\x80\x80\x80\x80\x80\x80", 6}, {"\xE4\xB8", 2}};
    for (auto& c : cases) {
        HeapStr s(c.s);
        EXPECT_EQ(c.n, GetUTF8Char(s.c(), ch)) << c.s;
        EXPECT_EQ(std::string(c.s, size_t(c.n)), std::string(ch));
    }

    std::vector<tstring> v;
    EXPECT_EQ(3u, Str2CharVector("a\xE4\xB8\xAD" "b", v, true));
    EXPECT_EQ("\xE4\xB8\xAD", v[1]);
    EXPECT_EQ(3u, Str2CharVector(("a" + YI + "\xE4\xB8").c_str(), v, false));
    EXPECT_EQ(std::vector<tstring>({"a", YI, "\xE4\xB8"}), v);

    // FindGBKChar walks characters: the trail of 一 and the lead of 二 (0xBBB6) are no character.
    const tstring text = "a" + YI + ER + YI + std::string("\0", 1) + ER;
    EXPECT_EQ(1u, FindGBKChar(text, 0xD2BB));
    EXPECT_EQ(5u, FindGBKChar(text, 0xD2BB, 3));
    EXPECT_EQ(tstring::npos, FindGBKChar(text, 0xBBB6));
    EXPECT_EQ(tstring::npos, FindGBKChar(text, 0xB6FE, 5));  // the NUL ends the walk
    EXPECT_EQ(3u, FindGBKChar(text, 0xB6FE));
}

TEST(GBKCharTest, CCFindAndCounts) {
    // The needle A1B0 first occurs at offset 1 (across B0A1|B0C1): NULL, although it also lies at
    // the even offset 4.
    const char* set = "\xB0\xA1\xB0\xC1\xA1\xB0";
    EXPECT_EQ(nullptr, CC_Find(set, "\xA1\xB0"));
    EXPECT_EQ(set + 2, CC_Find(set, "\xB0\xC1"));
    EXPECT_EQ(nullptr, CC_Find(set, ""));
    EXPECT_EQ(nullptr, CC_Find(set, "\xC1\xA2"));

    std::string digits = YI + ER + "ab";
    std::string word = "a" + YI + "x" + ER + BA + "b";
    EXPECT_EQ(4u, GetCharCount(digits.c_str(), word.c_str(), 0));
    EXPECT_EQ(2u, GetCharCount(digits.c_str(), word.c_str(), 3));     // "a一"
    EXPECT_EQ(2u, GetCharCount(digits.c_str(), word.c_str(), 5));     // "a一x" + lone lead of 二
    EXPECT_EQ(4u, GetCharCount(digits.c_str(), word.c_str(), 1000));  // never past the NUL
    HeapStr exact(word, false);                                        // no terminator at all
    EXPECT_EQ(4u, GetCharCount(digits.c_str(), exact.c(), exact.n));
    EXPECT_EQ(0u, GetCharCount("", word.c_str(), 0));
}

TEST(GBKCharTest, NumberTokens) {
    const std::vector<std::string> yes = {"", "-", "+", "12", "3.14", "-.5", "5/8", "12%", "12" + WAN,
                                          "1.5" + WAN, DI + "12", "1" + FW_DOT + "5", "7" + FW_PCT,
                                          "3" + BAI + WAN, "-" + FW_DOT + "5", "%", WAN};
    const std::vector<std::string> no = {".5", "1.2.3", "12" + WAN + "5", "1.5a", FW_5, "1 2", "--1",
                                         FW_DOT + "5", "5%%"};
    for (auto& s : yes) EXPECT_TRUE(IsAllNum(HeapStr(s).c(), 0)) << s;
    for (auto& s : no) EXPECT_FALSE(IsAllNum(HeapStr(s).c(), 0)) << s;

    // A token inside a longer line: nothing at or past nLen is read.
    EXPECT_TRUE(IsAllNum(HeapStr("12" + WAN).c(), 2));
    EXPECT_TRUE(IsAllNum(HeapStr("12", false).c(), 2));
    EXPECT_FALSE(IsAllNum(HeapStr("1\xCD", false).c(), 2));  // half of 万
    EXPECT_FALSE(IsAllNum(HeapStr("12").c(), 5));            // shorter than nLen

    EXPECT_TRUE(IsYearTime("1998", 0));
    EXPECT_TRUE(IsYearTime("98", 0));
    EXPECT_FALSE(IsYearTime("38", 0));
    EXPECT_TRUE(IsYearTime("5x", 0));
    EXPECT_TRUE(IsYearTime("2008.5", 0));
    EXPECT_FALSE(IsYearTime("123", 0));
    EXPECT_TRUE(IsYearTime((YI + JIU + JIU + BA).c_str(), 0));
    EXPECT_TRUE(IsYearTime((ER + QIAN + LING + BA).c_str(), 0));
    EXPECT_FALSE(IsYearTime((ER + QIAN + SHI + BA).c_str(), 0));  // one member only
    EXPECT_TRUE(IsYearTime(QIAN.c_str(), 0));
    EXPECT_TRUE(IsYearTime(HeapStr("1998" + WAN, false).c(), 4));
    EXPECT_FALSE(IsYearTime("19", -1));

    EXPECT_TRUE(IsDayTime("12", 0));
    EXPECT_FALSE(IsDayTime("123", 0));
    EXPECT_TRUE(IsDayTime((SHI + ER).c_str(), 0));
    EXPECT_FALSE(IsDayTime((SHI + ER + SHI + ER).c_str(), 0));  // 8 bytes
    EXPECT_TRUE(IsDayTime("x", 0));
    EXPECT_TRUE(IsDayTime("", 0));
    EXPECT_TRUE(IsDayTime(HeapStr("12" + WAN, false).c(), 2));
}

// IsAllNum against a regular expression of the same grammar over random tokens.
TEST(GBKCharTest, IsAllNumMatchesGrammar) {
    struct Unit {
        std::string gbk;
        char sym;  // S sign, P point, D digit, C percent, U unit, x other
    };
    const std::vector<Unit> units = {
        {"0", 'D'}, {"7", 'D'}, {"+", 'S'}, {"-", 'S'}, {".", 'P'}, {"/", 'P'}, {"%", 'C'}, {"a", 'x'},
        {DI, 'S'}, {"\xA1\xC0", 'S'}, {FW_DOT, 'P'}, {"\xA1\xA4", 'P'}, {FW_PCT, 'C'}, {"\xA1\xEB", 'C'},
        {WAN, 'U'}, {BAI, 'U'}, {FW_5, 'x'}, {YI, 'x'}};
    const std::regex withSign("SP?D*(PD*)?C?U*");
    const std::regex noSign("(D+(PD*)?)?C?U*");
    const unsigned seed = 20240601;
    std::mt19937 rng(seed);
    for (int round = 0; round < 20000; ++round) {
        std::string token, syms;
        int n = int(rng() % 7);
        for (int k = 0; k < n; ++k) {
            const Unit& u = units[rng() % units.size()];
            token += u.gbk;
            syms += u.sym;
        }
        bool bExpect = std::regex_match(syms, syms.size() && syms[0] == 'S' ? withSign : noSign);
        ASSERT_EQ(bExpect, IsAllNum(HeapStr(token).c(), 0)) << "seed " << seed << " token " << syms;
    }
}

TEST(GBKCharTest, FullWidthToHalfWidth) {
    // The 63 punctuation forms, in table order, and their ASCII replacements.
    const char* codes =
        "A1A2 A1A3 A1AA A1AB A1AE A1AF A1B0 A1B1 A1B2 A1B3 A1B4 A1B5 A1BC A1BD A3A8 A3A9 A3AA A3AB "
        "A3AC A3AD A3AE A3AF A3BA A3BB A3BC A3BD A3BE A3BF A3DB A3DD A3DF A3E0 A3FB A3FC A3FD A842 "
        "A843 A844 A96F A970 A971 A972 A973 A974 A975 A976 A977 A978 A979 A97A A97B A97C A97D A97E "
        "A980 A981 A982 A983 A984 A985 A986 A987 A988";
    std::string punct;
    for (const char* p = codes; *p; p += (p[4] ? 5 : 4)) {
        punct += char(std::stoi(std::string(p, 2), nullptr, 16));
        punct += char(std::stoi(std::string(p + 2, 2), nullptr, 16));
    }
    ASSERT_EQ(126u, punct.size());
    HeapStr s(punct);
    EXPECT_TRUE(QuanJiao2BanJiao(s.c()));
    EXPECT_EQ(",.-~''\"\"()<>[]()*+,-./:;<=>?[]_'{|}.--,,.;:?!(){}()#&*+-<>=\\$%@", std::string(s.c()));

    std::string wide, narrow;
    for (int c = 0; c < 10; ++c) wide += std::string("\xA3") + char(0xB0 + c), narrow += char('0' + c);
    for (int c = 0; c < 26; ++c) wide += std::string("\xA3") + char(0xC1 + c), narrow += char('A' + c);
    for (int c = 0; c < 26; ++c) wide += std::string("\xA3") + char(0xE1 + c), narrow += char('a' + c);
    HeapStr w(wide);
    EXPECT_TRUE(QuanJiao2BanJiao(w.c()));
    EXPECT_EQ(narrow, std::string(w.c()));

    // Row A3 forms without an entry, the ideographic space, A97F (no GBK code) and hanzi stay.
    const std::string keep = "\xA3\xA1\xA3\xA2\xA3\xA3\xA3\xA4\xA3\xA5\xA3\xA6\xA3\xA7\xA3\xC0\xA3\xDC"
                             "\xA3\xDE\xA1\xA1\xA9\x7F" + YI + "abc";
    HeapStr k(keep);
    EXPECT_FALSE(QuanJiao2BanJiao(k.c()));
    EXPECT_EQ(keep, std::string(k.c()));

    HeapStr mixed("\xA3\xA8\xA3\xB1\xA3\xB2\xA3\xB3\xA3\xA9");  // （１２３）
    EXPECT_TRUE(QuanJiao2BanJiao(mixed.c()));
    EXPECT_EQ("(123)", std::string(mixed.c()));
    HeapStr plain("plain ascii (1)");
    EXPECT_FALSE(QuanJiao2BanJiao(plain.c()));
    EXPECT_EQ("plain ascii (1)", std::string(plain.c()));
}

TEST(GBKCharTest, DelimiterToDictionaryForm) {
    const std::string ascii = ".,;:?!%(){+}[]/=";
    const char* full[] = {"\xA1\xA3", "\xA3\xAC", "\xA3\xBB", "\xA3\xBA", "\xA3\xBF", "\xA3\xA1",
                          "\xA3\xA5", "\xA3\xA8", "\xA3\xA9", "\xA3\xFB", "\xA3\xAB", "\xA3\xFD",
                          "\xA3\xDB", "\xA3\xDD", "\xA3\xAF", "\xA3\xBD"};
    char ret[3];
    for (size_t i = 0; i < ascii.size(); ++i) {
        EXPECT_TRUE(Delimiter2DictFormat(ascii[i], ret)) << ascii[i];
        EXPECT_EQ(full[i], std::string(ret)) << ascii[i];
    }
    EXPECT_FALSE(Delimiter2DictFormat('a', ret));
    EXPECT_EQ("a", std::string(ret));
    EXPECT_FALSE(Delimiter2DictFormat('\0', ret));
    EXPECT_EQ("", std::string(ret));
}

TEST(GBKCharTest, NormaliseAndClassifyText) {
    HeapStr a("  a \t\r\n b  ");
    EXPECT_EQ("a b", std::string(StrNormalize(a.c())));
    HeapStr b("ab ");
    EXPECT_EQ("ab", std::string(StrNormalize(b.c())));
    EXPECT_EQ(nullptr, StrNormalize(nullptr));

    EXPECT_TRUE(IsEnglishText("ab"));
    EXPECT_TRUE(IsEnglishText("Hello world, this is English"));
    EXPECT_FALSE(IsEnglishText(""));
    EXPECT_FALSE(IsEnglishText(nullptr));
    EXPECT_FALSE(IsEnglishText("12345 67890"));
    // len 20: samples at 0, 2, 4, ...; a hanzi lead at 10 decides, one at 11 does not.
    EXPECT_FALSE(IsEnglishText(("abcdefghij" + YI + "klmnopqr").c_str()));
    EXPECT_TRUE(IsEnglishText("abcdefghijk\x81" "lmnopqrs"));
    EXPECT_TRUE(IsEnglishText("abcdefghij\xA1\xB1klmnopqr"));
    EXPECT_FALSE(IsEnglishText("a\xC1" "bcdefghijklmnopqrs"));  // position 1

    unsigned long nSingle = 9, nMulti = 9;
    EXPECT_EQ(5u, CharStat(("a b\t" + YI + ER + "c\n").c_str(), nSingle, nMulti, false));
    EXPECT_EQ(3u, nSingle);
    EXPECT_EQ(2u, nMulti);
    EXPECT_EQ(2u, CharStat("\xE4\xB8\xAD" "x", nSingle, nMulti, true));
    EXPECT_EQ(1u, nMulti);
}

TEST(GBKCharTest, TestFamily) {
    EXPECT_TRUE(IsAllSingleByte(HeapStr("abc").u(), 0));
    EXPECT_FALSE(IsAllSingleByte(HeapStr("ab\x80").u(), 0));
    EXPECT_TRUE(IsAllSingleByte(HeapStr("ab\x80").u(), 2));
    EXPECT_TRUE(IsAllChinese(HeapStr(YI + ER).u()));
    EXPECT_FALSE(IsAllChinese(HeapStr(YI + "a").u()));
    EXPECT_FALSE(IsAllChinese(HeapStr("\xA3\xB1").u()));
    EXPECT_FALSE(IsAllNonChinese(HeapStr("a" + YI).u()));
    EXPECT_TRUE(IsAllNonChinese(HeapStr("a\x81\xB0\xA3\xB1").u()));  // B0 is a trail here
    EXPECT_EQ(4u, GetCCPrefix(HeapStr(YI + ER + "a" + YI).u()));
    EXPECT_TRUE(IsAllIndex(HeapStr("\xA2\xB1\xA2\xB2" "ab").u()));
    EXPECT_FALSE(IsAllIndex(HeapStr("ab\xA2\xB1").u()));
    EXPECT_TRUE(IsAllLetter(HeapStr("\xA3\xC1\xA3\xFA").u()));
    EXPECT_FALSE(IsAllLetter(HeapStr("\xA3\xB1").u()));
    EXPECT_TRUE(IsAllDelimiter(HeapStr("\xA1\xA3\xA3\xAC").u()));
    EXPECT_FALSE(IsAllDelimiter(HeapStr("\xA1\xA3,").u()));
    for (auto* f : {IsAllChinese, IsAllNonChinese, IsAllIndex, IsAllLetter, IsAllDelimiter})
        EXPECT_TRUE(f(HeapStr("").u()));

    EXPECT_TRUE(IsDelimiter(","));
    EXPECT_TRUE(IsDelimiter("\t"));
    EXPECT_FALSE(IsDelimiter(",,"));
    EXPECT_FALSE(IsDelimiter("a"));
    EXPECT_FALSE(IsDelimiter(""));

    EXPECT_TRUE(IsAllChineseNum((SHU + SHI + FENZHI + YI).c_str(), 0));
    EXPECT_TRUE(IsAllChineseNum((DI + ER).c_str(), 0));
    EXPECT_FALSE(IsAllChineseNum((ER + DI).c_str(), 0));
    EXPECT_TRUE(IsAllChineseNum(HeapStr(SHI + ER + "x", false).c(), 4));
    EXPECT_FALSE(IsAllChineseNum(HeapStr(YI + FENZHI.substr(0, 3), false).c(), 5));  // half of 分之
    EXPECT_TRUE(IsAllChineseNum("", 0));
}

TEST(GBKCharTest, ForeignNamesAndPlaceSuffixes) {
    const std::string A = "\xB0\xA2", AN = "\xB0\xB2", BA8 = "\xB0\xCB", DOT = "\xA1\xA4";  // 阿 安 八 ·
    EXPECT_EQ(0, GetForeignType((A + DOT).c_str()));   // in the first and third sets
    EXPECT_EQ(1, GetForeignType((BA8 + AN).c_str()));  // 八 only in the second set
    EXPECT_EQ(2u, GetForeignCharCount((A + DOT).c_str()));
    EXPECT_TRUE(IsAllForeign((A + AN + DOT).c_str()));
    EXPECT_FALSE(IsAllForeign((A + YI).c_str()));
    EXPECT_TRUE(IsForeign("abc"));
    EXPECT_TRUE(IsForeign(A.c_str()));
    EXPECT_FALSE(IsForeign(YI.c_str()));

    char pre[32], post[32];
    const std::string CHAOXIAN = "\xB3\xAF\xCF\xCA", BANDAO = "\xB0\xEB\xB5\xBA";  // 朝鲜 半岛
    const std::string CUN = "\xB4\xE5", ZHANG = "\xD5\xC5";                         // 村 张
    EXPECT_TRUE(PostfixSplit((CHAOXIAN + BANDAO).c_str(), pre, post));
    EXPECT_EQ(CHAOXIAN, std::string(pre));
    EXPECT_EQ(BANDAO, std::string(post));
    EXPECT_TRUE(PostfixSplit((ZHANG + CUN).c_str(), pre, post));
    EXPECT_EQ(ZHANG, std::string(pre));
    EXPECT_EQ(CUN, std::string(post));
    EXPECT_TRUE(PostfixSplit((ZHANG + YI).c_str(), pre, post));
    EXPECT_EQ(ZHANG + YI, std::string(pre));
    EXPECT_EQ("", std::string(post));
    // The bytes of 半岛 end the word but begin inside its first character (B0B0 EBB5 BA).
    std::string shifted = "\xB0\xB0\xEB\xB5\xBA";
    EXPECT_TRUE(PostfixSplit(shifted.c_str(), pre, post));
    EXPECT_EQ("", std::string(post));
}

TEST(GBKCharTest, WordStandardAndLines) {
    HeapStr s("Ab Cd \xA3\xC1\xA3\xB1 +-{};\r\n,!x \xA3\xAB\xA3\xBC\xA3\xA1" + YI + " ,");
    WordStandard(s.c());
    EXPECT_EQ("ab cda1+-{};\r\nx+;\xA3\xA1" + YI, std::string(s.c()));

    EXPECT_EQ(2u, MaxPrefix("abcd", "abx"));
    EXPECT_EQ(0u, MaxPrefix("", "a"));

    const char* text = "one\r\n\r\ntwo\nthree";
    char line[32];
    std::vector<std::string> lines;
    const char* p = text;
    while (p) {
        p = sgets(p, line);
        lines.push_back(line);
    }
    EXPECT_EQ(std::vector<std::string>({"one", "two", "three"}), lines);
    EXPECT_EQ(nullptr, sgets("last\n", line));
    EXPECT_EQ("last", std::string(line));
}

TEST(GBKCharTest, CodeTableFiles) {
    kxtest::TempDir dir;
    ASSERT_TRUE(GB2312_Generate(dir.file("gb.txt").c_str()));
    std::string gb = kxtest::ReadAll(dir.file("gb.txt"));
    EXPECT_EQ("\xA1\xA1,161,161\n", gb.substr(0, 11));
    EXPECT_EQ(94 * 94, std::count(gb.begin(), gb.end(), '\n'));
    EXPECT_NE(std::string::npos, gb.find("\n\xB0\xA1,176,161\n"));
    EXPECT_EQ("\xFE\xFE,254,254\n", gb.substr(gb.size() - 11));

    ASSERT_TRUE(CC_Generate(dir.file("cc.txt").c_str()));
    std::string cc = kxtest::ReadAll(dir.file("cc.txt"));
    EXPECT_EQ("\xB0\xA1,176,161\n", cc.substr(0, 11));
    EXPECT_EQ(79 * 94, std::count(cc.begin(), cc.end(), '\n'));

    kxtest::WriteAll(dir.file("plain"), "x");
    EXPECT_FALSE(CC_Generate(dir.file("plain/cc.txt").c_str()));
}

}  // namespace
