#include "CodeTrans/STLCodeTrans.h"

#include <gtest/gtest.h>
#include <locale.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "SentimentNew/encoding/GbkTables.h"
#include "Utility/BufferManager.h"
#include "Utility/LogFile.h"
#include "Utility/Settings.h"
#include "common/IconvRef.h"
#include "common/TestUtil.h"

namespace {

std::string ToUtf8(const std::string& gbk) {
    std::string out;
    ANSIToUTF8(gbk.c_str(), out);
    return out;
}

std::string ToGbk(const std::string& utf8) {
    std::string out;
    UTF8ToANSI(utf8.c_str(), out);
    return out;
}

std::vector<std::string> AllGbkCodes() {
    std::vector<std::string> codes;
    for (int lead = 0x81; lead <= 0xFE; ++lead)
        for (int trail = 0x40; trail <= 0xFE; ++trail)
            if (trail != 0x7F) codes.push_back({char(lead), char(trail)});
    return codes;
}

}  // namespace

// Every double-byte code decodes as glibc's code page 936 does, and every mapped one comes back
// unchanged; every well-formed pair without a mapping (255 of them inside GBKHanzis) gives one '?'.
TEST(GbkCodecTest, EveryGbkCodeAgreesWithIconvAndRoundTrips) {
    kxtest::Iconv ref("UTF-8", "GBK");
    int mapped = 0, unmapped = 0, unmappedInTable = 0;
    for (const std::string& code : AllGbkCodes()) {
        std::string expect;
        const std::string got = ToUtf8(code);
        if (ref.Convert(code, expect)) {
            ++mapped;
            ASSERT_EQ(got, expect) << std::hex << (unsigned char)code[0] << (unsigned char)code[1];
            ASSERT_EQ(ToGbk(got), code);
        } else {
            ++unmapped;
            if (cd2sub((unsigned(code[0] & 0xFF) << 8) | (code[1] & 0xFF)) >= 0) ++unmappedInTable;
            ASSERT_EQ(got, "?");
        }
    }
    EXPECT_EQ(mapped, 21791);
    EXPECT_EQ(unmapped, 126 * 190 - 21791);
    EXPECT_EQ(unmappedInTable, 255);
    EXPECT_EQ(ToUtf8("\x80"), "\xE2\x82\xAC");
    EXPECT_EQ(ToGbk("\xE2\x82\xAC"), "\x80");
    EXPECT_EQ(ToUtf8("\xA2\xAB"), "?");
}

// Random BMP text: our UTF-8 -> GBK agrees with iconv wherever GBK has the characters, and the
// characters it lacks become '?' one for one.
TEST(GbkCodecTest, RandomTextAgainstIconv) {
    const unsigned seed = 20240611;
    std::mt19937 rng(seed);
    kxtest::Iconv toGbk("GBK", "UTF-8");
    for (int round = 0; round < 300; ++round) {
        std::wstring wide;
        std::string expect;
        const int len = 1 + int(rng() % 40);
        for (int i = 0; i < len; ++i) {
            unsigned u = rng() % 4 == 0 ? 0x20 + rng() % 0x5F : 0x80 + rng() % (0x10000 - 0x80);
            if (u >= 0xD800 && u < 0xE000) u = 0x4E00;
            wide += wchar_t(u);
            std::string one;
            expect += toGbk.Convert(unicode_to_utf8(std::wstring(1, wchar_t(u))), one) ? one : "?";
        }
        ASSERT_EQ(ToGbk(unicode_to_utf8(wide)), expect) << "seed " << seed << " round " << round;
    }
}

// The one-pass conversions give what their wide-text compositions give, for random bytes of
// every kind (ASCII, double-byte codes, the euro byte, UTF-8 forms, marks and junk).
TEST(GbkCodecTest, OnePassEqualsTheWideComposition) {
    const unsigned seed = 20261211;
    std::mt19937 rng(seed);
    const char* const kPieces[] = {"a", " ", "\xB0\xA1", "\x80", "\xFF", "\x81\x20", "\xE5\x95\x8A", "\xC2\xA0",
                                   "\xC3", "\xE0\x80\x80", "\xE0\xA0\x80", "\xEF\xBB\xBF", "\xF0\x9F\x98\x80",
                                   "\xA1\xA1", "\xA3\xAC", "\xE2\x82\xAC", "?"};
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        const int n = int(rng() % 24);
        for (int k = 0; k < n; ++k) {
            if (rng() % 3 == 0)
                text += char(1 + rng() % 255);
            else
                text += kPieces[rng() % (sizeof kPieces / sizeof kPieces[0])];
        }
        std::wstring wide;
        ANSIToUnicode(text, wide);
        ASSERT_EQ(ToUtf8(text), unicode_to_utf8(wide)) << "seed " << seed << " round " << round;
        std::string viaWide;
        UnicodeToANSI(UtfStr2Unicode(text.c_str()), viaWide);
        ASSERT_EQ(ToGbk(text), viaWide) << "seed " << seed << " round " << round;
    }
}

TEST(GbkCodecTest, EmptyBomAndBadBytes) {
    std::string out = "stale";
    EXPECT_EQ(ANSIToUTF8("", out), 0);
    EXPECT_EQ(out, "");
    EXPECT_EQ(ANSIToUTF8(nullptr, out), 0);
    out = "stale";
    EXPECT_TRUE(UTF8ToANSI("", out));
    EXPECT_EQ(out, "");
    EXPECT_EQ(ToGbk("\xEF\xBB\xBF" "a\xE5\x95\x8A"), "a\xB0\xA1");  // mark, a啊

    // GBK side: a bad byte costs one '?', and decoding resumes at the next byte.
    EXPECT_EQ(ToUtf8("x\xB0\xA1y\xFFz"), "x\xE5\x95\x8Ay?z");
    EXPECT_EQ(ToUtf8("a\x81\x20" "b"), "a? b");
    EXPECT_EQ(ToUtf8("tail\xB0"), "tail?");

    // UTF-8 side: no GBK form gives '?'; malformed and four-byte forms vanish.
    EXPECT_EQ(ToGbk("a\xC2\xA0" "b\xE2\x84\xA2" "c"), "a?b?c");  // NBSP, ™
    EXPECT_EQ(ToGbk("a\xF0\x9F\x98\x80" "b"), "ab");              // emoji
    EXPECT_EQ(ToGbk("\xC3" "A"), "A");
    EXPECT_EQ(ToGbk("\xC0\x80z"), "z");
    EXPECT_EQ(ToGbk("\xE5\x95"), "");

    std::wstring w;
    EXPECT_EQ(UnicodeToANSI(std::wstring{L'a', wchar_t(0x1F600), wchar_t(0xD800), L'b'}, out), 4u);
    EXPECT_EQ(out, "a??b");
    EXPECT_EQ(ANSIToUnicode("\xB0\xA1" "a", w), 2u);
    EXPECT_EQ(w, std::wstring({wchar_t(0x554A), L'a'}));
}

TEST(GbkCodecTest, LeavesTheLocaleAlone) {
    const std::string before = setlocale(LC_ALL, nullptr);
    ToUtf8("\xB0\xA1");
    ToGbk("\xE5\x95\x8A");
    EXPECT_EQ(before, setlocale(LC_ALL, nullptr));
    EXPECT_STREQ(GBK_LOCALE_NAME, "zh_CN.gbk");
}

TEST(LaxDecoderTest, Utf8ToWideUnits) {
    std::vector<wchar_t> buf(32, L'#');
    // a, four-byte emoji (skipped byte by byte), é, 啊, stray continuation, cut-short lead.
    const char* in = "a\xF0\x9F\x98\x80\xC3\xA9\xE5\x95\x8A\x80z\xE5";
    EXPECT_EQ(utf8_to_unicode(in, buf.data()), 4 * 4);
    EXPECT_EQ(std::wstring(buf.data()), std::wstring({L'a', wchar_t(0xE9), wchar_t(0x554A), L'z'}));
    EXPECT_EQ(utf8_to_unicode(std::string("\xC3" "A")), L"A");
    EXPECT_EQ(utf8_to_unicode(std::string("\xC0\x80z")), L"z");
    EXPECT_EQ(utf8_to_unicode(std::string("\xE0\x80\x80z")), L"z");
    EXPECT_EQ(UtfStr2Unicode("\xEF\xBB\xBFq"), L"q");
    EXPECT_EQ(utf8_to_unicode(std::string("\xEF\xBB\xBFq")), std::wstring({wchar_t(0xFEFF), L'q'}));
    EXPECT_EQ(UtfStr2Unicode(nullptr), L"");
}

TEST(LaxDecoderTest, WideToUtf8) {
    const wchar_t in[] = {L'a', wchar_t(0x10000), wchar_t(0xE9), wchar_t(-5), wchar_t(0x554A)};
    char* out = nullptr;
    EXPECT_EQ(unicode_to_utf8(in, 5, &out), 6);
    ASSERT_NE(out, nullptr);
    EXPECT_STREQ(out, "a\xC3\xA9\xE5\x95\x8A");
    free(out);
    EXPECT_EQ(unicode_to_utf8(in, 0, &out), 0);
    EXPECT_STREQ(out, "");
    free(out);

    unsigned char b[8];
    EXPECT_EQ(unicode_to_utf8_one(0x41, b, 6), 1);
    EXPECT_EQ(unicode_to_utf8_one(0x554A, b, 6), 3);
    EXPECT_EQ(std::string((char*)b, 3), "\xE5\x95\x8A");
    EXPECT_EQ(unicode_to_utf8_one(0x1F600, b, 6), 4);
    EXPECT_EQ(std::string((char*)b, 4), "\xF0\x9F\x98\x80");
    EXPECT_EQ(unicode_to_utf8_one(0x7FFFFFFF, b, 6), 6);
    EXPECT_EQ(std::string((char*)b, 6), "\xFD\xBF\xBF\xBF\xBF\xBF");
    EXPECT_EQ(unicode_to_utf8_one(0x80000000UL, b, 6), 0);
    EXPECT_EQ(unicode_to_utf8_one(0x41, b, 5), 0);
    EXPECT_EQ(unicode_to_utf8_one(0x41, nullptr, 6), 0);
}

TEST(LaxDecoderTest, SixteenBitUnits) {
    // utf8tou: a, emoji dropped whole, 啊, stray lead dropped alone; one zero byte after.
    std::string in = "a\xF0\x9F\x98\x80\xE5\x95\x8A\xC3" "b";
    std::vector<char> units(2 * in.size() + 1, '#');
    ASSERT_EQ(utf8tou(in.c_str(), units.data()), 3);
    EXPECT_EQ(std::string(units.data(), 7), std::string("a\0\x4A\x55" "b\0\0", 7));

    // utoGbk: unmapped -> A1A1, U+20AC -> 80, then two zero bytes.
    const char u16[] = {'\x4A', '\x55', '\xAC', '\x20', '\x00', '\xD8', '\x34', '\x12', 'z', 0};
    std::vector<char> gbk(2 * 5 + 2, '#');
    utoGbk(u16, gbk.data(), 5);
    EXPECT_EQ(std::string(gbk.data(), 10), std::string("\xB0\xA1\x80\xA1\xA1\xA1\xA1z\0\0", 10));
    // The same with the count of bytes before the two zeros; a U+0000 unit counts as one.
    const char withZero[] = {'\x4A', '\x55', 'a', 0, 0, 0, 'b', 0};
    std::fill(gbk.begin(), gbk.end(), '#');
    EXPECT_EQ(utoGbkBytes(withZero, gbk.data(), 4), 5u);
    EXPECT_EQ(std::string(gbk.data(), 7), std::string("\xB0\xA1" "a\0b\0\0", 7));
    EXPECT_EQ(utoGbkBytes(u16, nullptr, 5), 0u);

    // utf8toGbk fills exactly strlen + 2 bytes at most.
    const std::string text = "\xE5\x95\x8A\xE2\x82\xAC\xE2\x84\xA2x";
    std::vector<char> out(text.size() + 2, '#');
    utf8toGbk(text.c_str(), out.data());
    EXPECT_STREQ(out.data(), "\xB0\xA1\x80\xA1\xA1x");
}

TEST(LaxDecoderTest, FirstCharacterDecoder) {
    wchar_t w = 0;
    EXPECT_EQ(UTF8Char_ToUnicode("", 0, w), 1);
    EXPECT_EQ(w, wchar_t(0xFEFF));
    EXPECT_EQ(UTF8Char_ToUnicode("A", 1, w), 1);
    EXPECT_EQ(w, L'A');
    EXPECT_EQ(UTF8Char_ToUnicode("\xC3\xA9", 2, w), 2);
    EXPECT_EQ(w, wchar_t(0xE9));
    EXPECT_EQ(UTF8Char_ToUnicode("\xC3\xA9", 1, w), 2);  // cut short: length only
    EXPECT_EQ(w, wchar_t(0xFEFF));
    EXPECT_EQ(UTF8Char_ToUnicode("\xE5\x95\x8A", 3, w), 3);
    EXPECT_EQ(w, wchar_t(0x554A));
    EXPECT_EQ(UTF8Char_ToUnicode("\xE5\x41\x8A", 3, w), 3);
    EXPECT_EQ(w, wchar_t(0xFEFF));
    EXPECT_EQ(UTF8Char_ToUnicode("\xF0\x9F\x98\x80", 4, w), 4);
    EXPECT_EQ(w, wchar_t(0xFEFF));
    EXPECT_EQ(UTF8Char_ToUnicode("\xF8", 1, w), 5);
    EXPECT_EQ(UTF8Char_ToUnicode("\xFC", 1, w), 6);
    EXPECT_EQ(UTF8Char_ToUnicode("\xFE", 1, w), 1);
    EXPECT_EQ(UTF8Char_ToUnicode("\x80", 1, w), 1);
}

TEST(AnsiFilenameTest, RawNameFirstThenConverted) {
    kxtest::TempDir dir;
    const std::string gbkName = dir.file("\xB9\xFA\xBC\xD2.txt");          // 国家.txt in GBK
    const std::string utf8Name = dir.file("\xE5\x9B\xBD\xE5\xAE\xB6.txt");  // the same in UTF-8
    kxtest::WriteAll(gbkName, "x");
    std::string ansi;
    EXPECT_FALSE(GetAnsiFilename(gbkName.c_str(), ansi, false));
    EXPECT_EQ(ansi, gbkName);
    EXPECT_TRUE(GetAnsiFilename(utf8Name.c_str(), ansi, false));
    EXPECT_EQ(ansi, gbkName);

    const std::string missing = dir.file("\xE6\x96\xB0.txt");  // 新.txt, absent in both forms
    EXPECT_FALSE(GetAnsiFilename(missing.c_str(), ansi, false));
    EXPECT_EQ(ansi, missing);
    EXPECT_TRUE(GetAnsiFilename(missing.c_str(), ansi, true));
    EXPECT_EQ(ansi, dir.file("\xD0\xC2.txt"));

    // Once the UTF-8 name exists as well, it is taken unconverted.
    kxtest::WriteAll(utf8Name, "y");
    EXPECT_FALSE(GetAnsiFilename(utf8Name.c_str(), ansi, true));
    EXPECT_EQ(ansi, utf8Name);
}

TEST(AnsiFilenameTest, DefaultPath) {
    char* cwd = getcwd(nullptr, 0);
    ASSERT_NE(cwd, nullptr);
    EXPECT_STREQ(GetDefaultPath(nullptr), cwd);
    EXPECT_STREQ(GetDefaultPath(""), cwd);
    EXPECT_EQ(g_sDefaultDir, cwd);
    free(cwd);

    kxtest::TempDir dir;
    const std::string gbkDir = dir.file("\xCA\xFD\xBE\xDD");  // 数据 in GBK
    ASSERT_EQ(mkdir(gbkDir.c_str(), 0755), 0);
    EXPECT_EQ(std::string(GetDefaultPath(dir.file("\xE6\x95\xB0\xE6\x8D\xAE").c_str())), gbkDir);
    EXPECT_EQ(std::string(GetDefaultPath("/no/such/dir")), "/no/such/dir");
    g_sDefaultDir.clear();
}

TEST(LastErrorMsgTest, EncodingAndOwnership) {
    const int savedEncode = g_nEncodeType;
    SetLastErrorMessage("Fail read file \xB9\xFA.txt");  // 国.txt
    g_nEncodeType = 1;
    EXPECT_STREQ(GetLastErrorMsg(), "Fail read file \xE5\x9B\xBD.txt");  // kept per thread
    g_nEncodeType = -1;  // any other code: bytes as stored
    EXPECT_STREQ(GetLastErrorMsg(), "Fail read file \xB9\xFA.txt");
    // A path the caller gave stays as given; only the system's own text is converted.
    SetLastErrorMessage("\xB9\xFA " + CErrorText::Given("/\xE5\x9B\xBD/\xB9\xFA.txt") + " \xB9\xFA");  // 国 /国/<GBK 国>.txt 国
    g_nEncodeType = 1;
    EXPECT_STREQ(GetLastErrorMsg(), "\xE5\x9B\xBD /\xE5\x9B\xBD/\xB9\xFA.txt \xE5\x9B\xBD");
    g_nEncodeType = 0;
    EXPECT_STREQ(GetLastErrorMsg(), "\xB9\xFA /\xE5\x9B\xBD/\xB9\xFA.txt \xB9\xFA");

    // With a buffer manager every copy is registered with it and owned by it.
    ASSERT_EQ(g_pBufManager, nullptr);
    g_pBufManager = new CBufferManager;
    const size_t before = g_pBufManager->GetBufferCount();
    const char* c = GetLastErrorMsg();
    const char* d = GetLastErrorMsg();
    EXPECT_NE(c, d);
    EXPECT_STREQ(c, d);
    EXPECT_EQ(g_pBufManager->GetBufferCount(), before + 2);
    delete g_pBufManager;
    g_pBufManager = nullptr;
    g_nEncodeType = savedEncode;
    SetLastErrorMessage("");
}

// Copies are taken under the last-error lock while other threads replace the message.
TEST(LastErrorMsgThreadTest, CopiesWhileMessagesChange) {
    const std::string texts[] = {"first message", "a much longer second message \xB0\xA1\xB0\xA1"};
    std::vector<std::thread> threads;
    std::vector<int> bad(6, 0);
    for (int t = 0; t < 6; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 2000; ++i) {
                if (t % 2 == 0) {
                    SetLastErrorMessage(texts[i % 2]);
                } else {
                    const std::string got = GetLastErrorMsg();
                    if (got != texts[0] && got != texts[1] && !got.empty()) ++bad[t];
                }
            }
        });
    }
    for (auto& th : threads) th.join();
    for (int v : bad) EXPECT_EQ(v, 0);
    SetLastErrorMessage("");
}

TEST(GbkCodecThreadTest, ConcurrentConversionsMatchOneThread) {
    const std::string gbk = "x\xB0\xA1y\xFFz\x80\xB9\xFA\xBC\xD2";
    const std::string utf8 = ToUtf8(gbk);
    std::vector<std::thread> threads;
    std::vector<int> bad(8, 0);
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 500; ++i) {
                if (ToUtf8(gbk) != utf8) ++bad[t];
                if (ToGbk(utf8) != "x\xB0\xA1y?z\x80\xB9\xFA\xBC\xD2") ++bad[t];
            }
        });
    }
    for (auto& th : threads) th.join();
    for (int b : bad) EXPECT_EQ(b, 0);
}
