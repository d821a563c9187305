#include "SentimentNew/encoding/GbkTables.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common/IconvRef.h"
#include "common/TestUtil.h"

namespace {

std::string Utf8Of(unsigned int code) {
    char out[4] = {1, 1, 1, 1};
    return char_gbk2utf8(code, out) == 0 ? std::string(out) : std::string("<none>");
}

std::string Big5Of(unsigned int code) {
    char out[3];
    return char_gbk2big5(code, out) == 0 ? std::string(out) : std::string("<none>");
}

}  // namespace

TEST(GbkTablesTest, IndexRuleRowsAndHoles) {
    EXPECT_EQ(cd2sub(0x8140), 0);
    EXPECT_EQ(cd2sub(0xA1A1), 6080);
    EXPECT_EQ(cd2sub(0xB0A1), 7790);
    EXPECT_EQ(cd2sub(0xFEA0), 22045);
    EXPECT_EQ(cd2sub(0xA17F), -1);  // GB2312 rows take A1-FE only
    EXPECT_EQ(cd2sub(0x817F), -1);  // 7F is never a trail byte
    EXPECT_EQ(cd2sub(0xAAA1), -1);  // rows AA-AF stop at A0
    EXPECT_EQ(cd2sub(0x8040), -1);
    EXPECT_EQ(cd2sub(0xFF40), -1);
    EXPECT_EQ(cd2sub(0x81FF), -1);
    EXPECT_EQ(cd2sub(0x1A1A1), -1);  // the lead is not masked
}

TEST(GbkTablesTest, CharacterLookups) {
    char out[4];
    EXPECT_EQ(char_gbk2utf8(0x4141, out), -2);
    EXPECT_EQ(char_gbk2utf8(0x8040, out), -1);  // 0x80xx is invalid, not "below 0x8000"
    EXPECT_EQ(char_gbk2utf8(0xA1B0, out), -1);  // blanked on purpose
    EXPECT_EQ(Utf8Of(0xA1A1), "\xE3\x80\x80");
    EXPECT_EQ(Utf8Of(0xA1A3), "\xE3\x80\x82");
    EXPECT_EQ(Utf8Of(0xB0A1), "\xE5\x95\x8A");  // 啊
    EXPECT_EQ(Utf8Of(0xA1A5), "\xCB\x89");      // a two-byte form leaves the low byte zero
    EXPECT_EQ(GBKHanzis[cd2sub(0xA1A5)].utf8, 0x00CB8900u);
    EXPECT_EQ(Utf8Of(0xA2AB), "\xEE\x9D\xA6");  // U+E766, first private-use entry

    EXPECT_EQ(char_gbk2big5(0x4141, out), -2);
    EXPECT_EQ(Big5Of(0xA1A1), "\xA1\x40");
    EXPECT_EQ(Big5Of(0xA1A3), "\xA1\x43");
    EXPECT_EQ(Big5Of(0xA1B0), "\xA1\xA7");
    EXPECT_EQ(Big5Of(0xB0A1), "\xB0\xDA");
    EXPECT_EQ(Big5Of(0xA3BB), "\xA1\x51");  // the sentence cutter's semicolon
    EXPECT_EQ(Big5Of(0xA1AD), "\xA1\x4B");
    EXPECT_EQ(Big5Of(0xB9FA), "\xB0\xEA");  // 国 -> 國
    EXPECT_EQ(Big5Of(0x8140), "<none>");
}

TEST(GbkTablesTest, BufferToUtf8) {
    char out[64];
    EXPECT_EQ(buffer_gbk2utf8(nullptr, 64, out), -1);
    EXPECT_EQ(buffer_gbk2utf8("", 64, out), 0);
    EXPECT_STREQ(out, "");
    EXPECT_EQ(buffer_gbk2utf8("plain text", 64, out), 10);
    EXPECT_STREQ(out, "plain text");

    // One three-byte character needs capacity 4 (room for the NUL).
    EXPECT_EQ(buffer_gbk2utf8("\xB0\xA1", 3, out), -1);  // 啊
    EXPECT_STREQ(out, "");
    EXPECT_EQ(buffer_gbk2utf8("\xB0\xA1", 4, out), 3);
    EXPECT_STREQ(out, "\xE5\x95\x8A");
    // The capacity counts single bytes too; the partial output stays terminated.
    EXPECT_EQ(buffer_gbk2utf8("ab\xB0\xA1", 5, out), -1);
    EXPECT_STREQ(out, "ab");
    EXPECT_EQ(buffer_gbk2utf8("abc", 3, out), -1);
    EXPECT_STREQ(out, "ab");

    // A lone lead byte at the end and an unmapped character both fail after the good prefix.
    EXPECT_EQ(buffer_gbk2utf8("x\xB0", 64, out), -1);
    EXPECT_STREQ(out, "x");
    EXPECT_EQ(buffer_gbk2utf8("y\xA1\xB0z", 64, out), -1);
    EXPECT_STREQ(out, "y");

    // Measuring without an output.
    EXPECT_EQ(buffer_gbk2utf8("a\xB0\xA1\xA1\xA5", 0, nullptr), 6);
}

TEST(GbkTablesTest, BufferToBig5) {
    char out[16];
    EXPECT_EQ(buffer_gbk2big5(nullptr, out), -1);
    EXPECT_EQ(buffer_gbk2big5("a\xB9\xFA" "b", out), 4);  // a国b
    EXPECT_STREQ(out, "a\xB0\xEA" "b");
    EXPECT_EQ(buffer_gbk2big5("a\x81\x40", out), -1);
    EXPECT_STREQ(out, "a");
    EXPECT_EQ(buffer_gbk2big5("\xA1\xA3", nullptr), 2);
}

TEST(GbkTablesTest, FileConverters) {
    kxtest::TempDir dir;
    // 啊 . A1B0 (no UTF-8 form, dropped) . 丂 (no BIG5) . a lead byte cut by the end of file.
    kxtest::WriteAll(dir.file("in.txt"), "a\xB0\xA1.\xA1\xB0.\x81\x40.\xB0");
    ASSERT_EQ(file_gbk2utf8(dir.file("in.txt").c_str(), dir.file("u.txt").c_str()), 0);
    EXPECT_EQ(kxtest::ReadAll(dir.file("u.txt")), "a\xE5\x95\x8A..\xE4\xB8\x82.");
    ASSERT_EQ(file_gbk2big5(dir.file("in.txt").c_str(), dir.file("b.txt").c_str(), "?"), 0);
    EXPECT_EQ(kxtest::ReadAll(dir.file("b.txt")), "a\xB0\xDA.\xA1\xA7.?.?");

    EXPECT_EQ(file_gbk2utf8(dir.file("missing").c_str(), dir.file("x").c_str()), -1);
    EXPECT_EQ(file_gbk2big5(dir.file("in.txt").c_str(), dir.file("no/such/dir").c_str(), "?"), -1);
}

// Every record against glibc's code page 936 decoder: the UTF-8 column differs only by the 102
// blanks and the 255 private-use characters, the BIG5 column has the expected share of zeros,
// and CodeTable is the exact reverse.
TEST(GbkTablesTest, FullTableSweepAgainstIconv) {
    kxtest::Iconv toUtf8("UTF-8", "GBK");
    int blanks = 0, pua = 0, big5Zeros = 0, covered = 0;
    unsigned int nextPua = 0xE766;
    for (unsigned int code = 0x8100; code <= 0xFEFF; ++code) {
        const int i = cd2sub(code);
        const std::string bytes{char(code >> 8), char(code & 0xFF)};
        std::string ref;
        const bool mapped = toUtf8.Convert(bytes, ref);
        if (i < 0) {
            EXPECT_FALSE(mapped) << std::hex << code;
            continue;
        }
        ++covered;
        if (GBKHanzis[i].big5 == 0) ++big5Zeros;
        EXPECT_EQ(GBKHanzis[i].zero, 0);
        char form[4];
        if (char_gbk2utf8(code, form) != 0) {
            ++blanks;
            EXPECT_TRUE(mapped) << std::hex << code;
            continue;
        }
        if (!mapped) {
            ++pua;
            kxtest::Iconv fromUcs("UTF-8", "UCS-2LE");
            std::string expect;
            ASSERT_TRUE(fromUcs.Convert(std::string{char(nextPua & 0xFF), char(nextPua >> 8)}, expect));
            EXPECT_EQ(std::string(form), expect) << std::hex << code;
            ++nextPua;
            continue;
        }
        EXPECT_EQ(std::string(form), ref) << std::hex << code;
    }
    EXPECT_EQ(covered, GBK_HANZI_COUNT);
    EXPECT_EQ(blanks, 102);
    EXPECT_EQ(pua, 255);
    EXPECT_EQ(nextPua, 0xE865u);
    EXPECT_GE(big5Zeros, 5800);
    EXPECT_LE(big5Zeros, 6300);

    kxtest::Iconv toGbk("GBK", "UCS-2LE");
    int nonZero = 0;
    for (unsigned int u = 0; u < 0x10000; ++u) {
        const uint16_t g = CodeTable[u];
        if (g) ++nonZero;
        if (u >= 0xD800 && u < 0xE000) {
            EXPECT_EQ(g, 0) << std::hex << u;
            continue;
        }
        std::string ref;
        const bool ok = toGbk.Convert(std::string{char(u & 0xFF), char(u >> 8)}, ref) && u != 0;
        std::string ours;
        if (g >= 0x100) ours = {char(g >> 8), char(g & 0xFF)};
        else if (g) ours = {char(g)};
        EXPECT_EQ(ours, ok ? ref : std::string()) << std::hex << u;
    }
    EXPECT_EQ(nonZero, 21919);
    EXPECT_EQ(CodeTable[0x20AC], 0x0080);
    EXPECT_EQ(CodeTable[0x554A], 0xB0A1);  // 啊
}

// Every BIG5 entry is a code that code page 950 decodes to one character: the GBK character
// itself (shared forms) or another one (its traditional form).
TEST(GbkTablesTest, Big5ColumnDecodes) {
    kxtest::Iconv fromGbk("UCS-2LE", "GBK");
    kxtest::Iconv fromBig5("UCS-2LE", "CP950");
    std::vector<unsigned int> codeOf(GBK_HANZI_COUNT);
    for (unsigned int c = 0x8100; c <= 0xFEFF; ++c)
        if (cd2sub(c) >= 0) codeOf[size_t(cd2sub(c))] = c;
    int same = 0, traditional = 0, undecodable = 0;
    for (int i = 0; i < GBK_HANZI_COUNT; ++i) {
        const uint16_t big5 = GBKHanzis[i].big5;
        if (big5 == 0) continue;
        const int lead = big5 >> 8, trail = big5 & 0xFF;
        EXPECT_TRUE(lead >= 0x81 && lead <= 0xFE && ((trail >= 0x40 && trail <= 0x7E) || (trail >= 0xA1 && trail <= 0xFE)))
            << std::hex << big5;
        std::string b, g;
        if (!fromBig5.Convert(std::string{char(lead), char(trail)}, b) || b.size() != 2) {
            ++undecodable;
            continue;
        }
        const unsigned int code = codeOf[size_t(i)];
        ASSERT_TRUE(fromGbk.Convert(std::string{char(code >> 8), char(code & 0xFF)}, g)) << std::hex << code;
        (b == g ? same : traditional)++;
    }
    EXPECT_EQ(undecodable, 0);
    EXPECT_GT(same, 5000);
    EXPECT_GT(traditional, 2000);
    std::printf("BIG5 column: %d shared, %d traditional, %d outside glibc CP950\n", same, traditional, undecodable);
}
