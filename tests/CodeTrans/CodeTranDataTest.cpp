// The converter on the shipped data sets (build/Data, written by the data compiler through the
// set writer): whole texts and whole character tables against glibc iconv, and one converter
// shared by many threads.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "CodeTrans/CodeTran.h"
#include "CodeTrans/STLCodeTrans.h"
#include "SentimentNew/encoding/GbkTables.h"
#include "Utility/IDMaps.h"
#include "Utility/PDAT.h"
#include "Utility/WordList.h"
#include "codeset/Big5Table.h"
#include "common/IconvRef.h"
#include "common/TestUtil.h"

namespace {

std::string Convert(const char* to, const char* from, const std::string& in) {
    kxtest::Iconv cd(to, from);
    std::string out;
    EXPECT_TRUE(cd.Convert(in, out)) << from << " -> " << to;
    return out;
}

std::string Utf8Of(unsigned u) {
    std::string s;
    if (u < 0x80) {
        s += char(u);
    } else if (u < 0x800) {
        s += char(0xC0 | (u >> 6));
        s += char(0x80 | (u & 0x3F));
    } else {
        s += char(0xE0 | (u >> 12));
        s += char(0x80 | ((u >> 6) & 0x3F));
        s += char(0x80 | (u & 0x3F));
    }
    return s;
}

std::string GbkBytes(unsigned code) {
    std::string s;
    if (code >= 0x100) s += char(code >> 8);
    s += char(code & 0xFF);
    return s;
}

// The data directory the build made, and a file in it.
const char* const kDataDir = KX_BUILD_DIR "/Data";
std::string DataFile(const char* name) { return std::string(kDataDir) + "/" + name; }

std::string ToGBK(const CCodeTran& t, const std::string& s) {
    std::string out;
    t.CodeToGBK(s.c_str(), out);
    return out;
}

std::string ToCode(const CCodeTran& t, const std::string& s) {
    std::string out;
    t.GBKToCode(s.c_str(), out);
    return out;
}

}  // namespace

TEST(CodeTranDataTest, SetFigures) {
    CPDAT gbk(1), big5(1);
    ASSERT_TRUE(gbk.Load(DataFile("GBK.pdat").c_str())) << "build/Data missing";
    EXPECT_EQ(21791u, gbk.GetItemCount());  // every double-byte character of code page 936
    ASSERT_TRUE(big5.Load(DataFile("BIG5.pdat").c_str()));
    EXPECT_GT(big5.GetItemCount(), 13000u);
    CIDMaps gbk2Big;
    ASSERT_TRUE(gbk2Big.Load(DataFile("GBK2BIG.map").c_str()));
    EXPECT_GT(gbk2Big.GetSize(), 15000);  // the traditional column has no code for the rest
    for (int code = 1; code <= 5; ++code) {
        CCodeTran t(kDataDir, code);
        EXPECT_EQ(1, t.GetStatus()) << code;
    }
}

// Every double-byte code page 936 character goes to GBK as iconv converts it and comes back.
TEST(CodeTranDataTest, EveryGbkCharacterRoundTripsThroughUtf8) {
    std::string utf8;
    int n = 0;
    for (unsigned u = 0x80; u <= 0xFFFF; ++u) {
        if (CodeTable[u] < 0x8000) continue;
        utf8 += Utf8Of(u);
        if (++n % 50 == 0) utf8 += "\r\n";
    }
    ASSERT_EQ(21791, n);
    const std::string gbk = Convert("GBK", "UTF-8", utf8);
    for (int code : {1, 5, 4}) {
        CCodeTran t(kDataDir, code);
        ASSERT_EQ(1, t.GetStatus());
        const std::string toGbk = ToGBK(t, utf8);
        EXPECT_TRUE(toGbk == gbk) << "code " << code;
        EXPECT_TRUE(ToCode(t, toGbk) == utf8) << "code " << code;
    }
    // Code 3 (GBKA) is an identity on GBK text.
    CCodeTran gbka(kDataDir, 3);
    EXPECT_TRUE(ToGBK(gbka, gbk) == gbk);
    EXPECT_TRUE(ToCode(gbka, gbk) == gbk);
}

// The euro sign has no GBK form in the sets (a lone 0x80 byte would pair with the byte after it
// when the engine walks GBK text): towards GBK each byte of its UTF-8 or BIG5 form becomes a
// marked blank, and a 0x80 byte in GBK text goes out as a blank.
TEST(CodeTranDataTest, EuroSignHasNoGbkForm) {
    for (int code : {1, 4, 5}) {
        CCodeTran t(kDataDir, code);
        ASSERT_EQ(1, t.GetStatus());
        EXPECT_EQ("9^^   ^^ \xD4\xAA", ToGBK(t, u8"9€ 元")) << code;  // 元
        EXPECT_EQ("a b", ToCode(t, "a\x80" "b")) << code;
    }
    CCodeTran big5(kDataDir, 2);
    ASSERT_EQ(1, big5.GetStatus());
    EXPECT_EQ("9^^  ^^", ToGBK(big5, "9\xA3\xE1"));  // € in BIG5
    EXPECT_EQ("a b", ToCode(big5, "a\x80" "b"));
}

TEST(CodeTranDataTest, RealTextAgreesWithIconvForUtf8) {
    CCodeTran t(kDataDir, 1);
    for (const char* name : {"codetrans/simplified.txt", "codetrans/traditional.txt"}) {
        const std::string utf8 = kxtest::ReadAll(kxtest::DataPath(name));
        ASSERT_NE(std::string::npos, utf8.find("\r\n\r\n")) << name;  // an empty line
        ASSERT_NE(std::string::npos, utf8.find("\r\n\t")) << name;    // a line led by a TAB
        ASSERT_EQ(0u, utf8.find("  ")) << name;                           // leading blanks
        const std::string gbk = Convert("GBK", "UTF-8", utf8);
        EXPECT_EQ(gbk, ToGBK(t, utf8)) << name;
        EXPECT_EQ(gbk, ToGBK(t, "\xEF\xBB\xBF" + utf8)) << name;
        EXPECT_EQ(utf8, ToCode(t, gbk)) << name;
    }
    // Characters outside GBK become marked blanks; the text around them stays.
    EXPECT_EQ("\xB0\xA1^^    ^^x\xB0\xA1^^   ^^", ToGBK(t, "\xE5\x95\x8A\xF0\x9F\x98\x80x\xE5\x95\x8A\xE2\x82\xA9"));
}

TEST(CodeTranDataTest, RealTextAgreesWithIconvForBig5) {
    CCodeTran t(kDataDir, 2);
    ASSERT_EQ(1, t.GetStatus());
    const std::string simplified = kxtest::ReadAll(kxtest::DataPath("codetrans/simplified.txt"));
    const std::string traditional = kxtest::ReadAll(kxtest::DataPath("codetrans/traditional.txt"));
    const std::string big5 = Convert("BIG5", "UTF-8", traditional);
    // BIG5 text comes in as simplified GBK.
    EXPECT_EQ(Convert("GBK", "UTF-8", simplified), ToGBK(t, big5));
    // Traditional text in GBK goes out as iconv's BIG5.
    EXPECT_EQ(big5, ToCode(t, Convert("GBK", "UTF-8", traditional)));
    // The byte-order mark is text for code 2: EF BB is a BIG5 character, BF alone is not.
    const std::string efbb = ToGBK(t, "\xEF\xBB");
    EXPECT_EQ(2u, efbb.size());
    EXPECT_EQ(efbb + "^^ ^^", ToGBK(t, "\xEF\xBB\xBF"));
}

// Every GBK character goes to the BIG5 code of the traditional column, or a blank.
TEST(CodeTranDataTest, EveryGbkCharacterFollowsTheTraditionalColumn) {
    CCodeTran t(kDataDir, 2);
    int nBlank = 0;
    for (unsigned u = 0x80; u <= 0xFFFF; ++u) {
        unsigned code = CodeTable[u];
        if (code < 0x8000) continue;
        char big5[3];
        std::string expected = char_gbk2big5(code, big5) == 0 ? std::string(big5) : std::string(" ");
        nBlank += expected == " ";
        ASSERT_EQ(expected, ToCode(t, GbkBytes(code))) << std::hex << code;
    }
    EXPECT_LT(nBlank, 6300);
}

// Every BIG5 character comes in as its simplified form (or itself), as iconv decodes it.
TEST(CodeTranDataTest, EveryBig5CharacterComesInSimplified) {
    CCodeTran t(kDataDir, 2);
    kxtest::Iconv big5ToUtf8("UTF-8", "BIG5");
    int nSame = 0, nChecked = 0;
    for (int i = 0; i < kBig5TableSize; ++i) {
        const Big5Char& c = kBig5Table[i];
        std::string decoded;
        const std::string raw = GbkBytes(c.nBig5);
        if (!big5ToUtf8.Convert(raw, decoded) || decoded != Utf8Of(c.nUnicode)) continue;  // cp950-only rows
        unsigned target = CodeTable[c.nSimplified];
        if (target < 0x8000) target = CodeTable[c.nUnicode];
        if (target < 0x8000) continue;  // no double-byte GBK form
        ++nChecked;
        nSame += c.nSimplified == c.nUnicode;
        ASSERT_EQ(GbkBytes(target), ToGBK(t, raw)) << std::hex << c.nBig5;
    }
    EXPECT_GT(nChecked, 13000);
    EXPECT_GT(nSame, 10000);
}

TEST(CodeTranThreadTest, OneConverterServesManyThreads) {
    const CCodeTran t(kDataDir, 1);
    const std::string utf8 = kxtest::ReadAll(kxtest::DataPath("codetrans/simplified.txt")) + "\xF0\x9F\x98\x80^^q^^";
    const std::string gbk = ToGBK(t, utf8);
    const std::string back = ToCode(t, gbk);
    std::vector<std::thread> threads;
    std::vector<int> failures(8, 0);
    for (int k = 0; k < 8; ++k) {
        threads.emplace_back([&, k] {
            for (int i = 0; i < 40; ++i) {
                std::string a, b;
                t.CodeToGBK(utf8.c_str(), a);
                t.GBKToCode(a.c_str(), b);
                failures[k] += (a != gbk) + (b != back);
            }
        });
    }
    for (auto& th : threads) th.join();
    for (int k = 0; k < 8; ++k) EXPECT_EQ(0, failures[k]) << "thread " << k;
}

// The converter takes each unit's handle from the maximum matching instead of looking the unit up
// again; that is Find's answer whenever Find walks the unit's bytes unchanged (no blank byte, no
// leading byte-order mark, no surrounding quotes). Random texts (without TAB, as the converter's
// pieces) over every shipped unit set.
TEST(CodeTranDataTest, MatchedHandlesAreFindHandles) {
    const unsigned seed = 20261209;
    std::mt19937 rng(seed);
    const char* const kPieces[] = {"a", "Z", "7", " ", "\r", "\"", "-", "^", "\xEF\xBB\xBF", "\xE4\xB8\xAD",
                                   "\xE6\x96\x87", "\xD6\xD0", "\xCE\xC4", "\xA1\xA1", "\xB0", "\xFF", "\x81\x40",
                                   "\xA4\xA4", "\xF0\x9F\x98\x80", "\xC2\xB7", "\x80"};
    for (const char* name : {"GBK.pdat", "GBKA.pdat", "UTF8.pdat", "BIG5.pdat"}) {
        CPDAT dict(1);
        ASSERT_TRUE(dict.Load(DataFile(name).c_str())) << name;
        char* sUnits = nullptr;
        int* pIDs = nullptr;
        int nUnitsSize = 0, nIDsSize = 0, nChecked = 0;
        for (int round = 0; round < 2000; ++round) {
            std::string text;
            const int n = 1 + int(rng() % 12);
            for (int k = 0; k < n; ++k) text += kPieces[rng() % (sizeof kPieces / sizeof kPieces[0])];
            const int nIDs = dict.MMSegment(text.c_str(), &pIDs, &nIDsSize, &sUnits, &nUnitsSize, false, true, -1, '\t');
            ASSERT_GE(nIDs, 0);
            int k = 0;
            for (char* p = sUnits; *p; ++k) {
                char* e = strchr(p, '\t');
                ASSERT_NE(nullptr, e);
                const std::string unit(p, e);
                p = e + 1;
                ASSERT_LT(k, nIDs) << name << " seed " << seed << " round " << round;
                const bool bPlain = unit.find_first_of(" \t\r\n") == std::string::npos &&
                                    unit.compare(0, 3, "\xEF\xBB\xBF") != 0 &&
                                    !(unit.size() >= 2 && unit.front() == '"' && unit.back() == '"');
                if (!bPlain) continue;
                ++nChecked;
                ASSERT_EQ(dict.Find(unit.c_str()), pIDs[k]) << name << " unit \"" << unit << "\" seed " << seed
                                                            << " round " << round;
            }
            EXPECT_EQ(nIDs, k) << name << " seed " << seed << " round " << round;
        }
        EXPECT_GT(nChecked, 2000) << name;
        free(sUnits);
        free(pIDs);
    }
}

// Conversions through the converter's own dictionaries take a direct per-character path; the
// same conversion through separately loaded copies of the six files takes the general unit
// segmentation. Both must give the same bytes, for valid text and for every kind of junk.
TEST(CodeTranDataTest, DirectPathEqualsUnitSegmentation) {
    const unsigned seed = 20261210;
    std::mt19937 rng(seed);
    struct Files {
        int code;
        const char *gbkDict, *gbkList, *codeDict, *codeList, *toGBK, *fromGBK;
    };
    const Files kSets[] = {
        {1, "GBKA.pdat", "GBKA.wordlist", "UTF8.pdat", "UTF8.wordlist", "UTF2GBKA.map", "GBKA2UTF.map"},
        {2, "GBK.pdat", "GBK.wordlist", "BIG5.pdat", "BIG5.wordlist", "BIG2GBK.map", "GBK2BIG.map"},
    };
    const char* const kJunk[] = {"a", "Zq", "7 8", " ", "\t", "\r\n", "\"", "\"x\"", "^^", "^^ab^^", "-_", "\xEF\xBB\xBF",
                                 "\x80", "\xFF", "\xC3", "\xE4\xB8", "\xF0\x9F\x98\x80", "\xA4", "\xA4@", "\x81\x7F",
                                 "\xC0\x80", "\xE0\x80\x80", "\xA1\xA1", "\xA3\xAC",
                                 // ASCII runs of eight bytes and more (copied a word at a time)
                                 "abcdefgh", "/n_/vshi/ad0123", "Q/w.x,y;z:1234567890-="};
    for (const Files& f : kSets) {
        const CCodeTran t(kDataDir, f.code);
        ASSERT_EQ(1, t.GetStatus()) << f.code;
        CPDAT gbkDict(1), codeDict(1);
        CWordList gbkList(false, nullptr), codeList(false, nullptr);
        CIDMaps toGBK, fromGBK;
        ASSERT_TRUE(gbkDict.Load(DataFile(f.gbkDict).c_str()) && codeDict.Load(DataFile(f.codeDict).c_str()));
        ASSERT_TRUE(gbkList.Load(DataFile(f.gbkList).c_str()) && codeList.Load(DataFile(f.codeList).c_str()));
        ASSERT_TRUE(toGBK.Load(DataFile(f.toGBK).c_str()) && fromGBK.Load(DataFile(f.fromGBK).c_str()));
        // Characters of both sides: GBK text of random handles and its conversion.
        std::vector<std::string> gbkChars, codeChars;
        for (int k = 0; k < 200; ++k) {
            gbkChars.push_back(gbkList.GetWord(int(rng() % unsigned(gbkList.GetBound()))));
            codeChars.push_back(codeList.GetWord(int(rng() % unsigned(codeList.GetBound()))));
        }
        for (int round = 0; round < 3000; ++round) {
            std::string gbk, code;
            const int n = 1 + int(rng() % 16);
            for (int k = 0; k < n; ++k) {
                const unsigned r = rng() % 10;
                const char* junk = kJunk[rng() % (sizeof kJunk / sizeof kJunk[0])];
                gbk += r < 7 ? gbkChars[rng() % gbkChars.size()] : std::string(junk);
                code += r < 7 ? codeChars[rng() % codeChars.size()] : std::string(junk);
            }
            std::string direct, general;
            t.CodeToGBK(code.c_str(), direct);
            t.CodeTrans(code.c_str(), general, &codeDict, &toGBK, &gbkList, false);
            ASSERT_EQ(general, direct) << "code " << f.code << " to GBK, seed " << seed << " round " << round;
            // The form that tells where each byte came from converts alike; its spans run
            // forward through the source and cover every byte written.
            std::string spanned;
            std::vector<CCodeTran::SourceSpan> spans;
            t.CodeToGBK(code.c_str(), spanned, spans);
            ASSERT_EQ(spanned, direct) << "code " << f.code << " seed " << seed << " round " << round;
            ASSERT_EQ(spans.size(), spanned.size());
            for (size_t k = 0; k < spans.size(); ++k) {
                ASSERT_LE(0, spans[k].nFrom);
                ASSERT_LE(spans[k].nFrom, spans[k].nTo);
                ASSERT_LE(spans[k].nTo, int(code.size()));
                if (k > 0) {
                    ASSERT_LE(spans[k - 1].nFrom, spans[k].nFrom) << k;
                    ASSERT_LE(spans[k - 1].nTo, spans[k].nTo) << k;
                }
            }
            // The bytes of one span are the conversion of its source bytes (outside "^^" marks,
            // which stand for characters without a GBK form and join into runs).
            for (size_t k = 0; k < spans.size();) {
                size_t e = k;
                while (e < spans.size() && spans[e].nFrom == spans[k].nFrom && spans[e].nTo == spans[k].nTo) ++e;
                const std::string out = spanned.substr(k, e - k);
                const std::string src = code.substr(size_t(spans[k].nFrom), size_t(spans[k].nTo - spans[k].nFrom));
                std::string alone;
                t.CodeToGBK(src.c_str(), alone);
                if ((out + alone).find('^') == std::string::npos && src.find_first_of(" \t\r\n^\"") == std::string::npos) {
                    ASSERT_EQ(alone, out) << "code " << f.code << " seed " << seed << " round " << round << " at " << k;
                }
                k = e;
            }
            t.GBKToCode(gbk.c_str(), direct);
            t.CodeTrans(gbk.c_str(), general, &gbkDict, &fromGBK, &codeList, true);
            ASSERT_EQ(general, direct) << "code " << f.code << " from GBK, seed " << seed << " round " << round;
        }
    }
}


// The engine converts a text detected as UTF-8 through the built-in Unicode table, marked as the
// converter marks: on the shipped data it gives the code-1 converter's bytes and marks, for every
// character of the Basic Multilingual Plane and for texts mixed with junk. Its spans cover whole
// characters where the converter's cover the bytes of a character it could not convert.
TEST(CodeTranDataTest, TableConversionOfUtf8MarksAsTheConverter) {
    const CCodeTran t(kDataDir, 1);
    ASSERT_EQ(1, t.GetStatus());
    auto Same = [&](const std::string& s) {
        std::string a, b;
        std::vector<CCodeTran::SourceSpan> sa, sb;
        std::vector<int> ma, mb;
        t.CodeToGBK(s.c_str(), a, &sa, &ma);
        CCodeTran::UTF8ToGBKMarked(s.c_str(), b, &sb, &mb);
        if (a != b || ma != mb || sa.size() != sb.size()) return false;
        for (size_t k = 0; k < sa.size(); ++k)
            if (sb[k].nFrom > sa[k].nFrom || sb[k].nTo < sa[k].nTo) return false;
        return true;
    };
    int nDiffer = 0;
    for (unsigned u = 0x80; u < 0x10000; ++u) {
        if (u >= 0xD800 && u < 0xE000) continue;
        const std::string s = "a" + Utf8Of(u) + Utf8Of(u) + "b";
        if (!Same(s) && ++nDiffer < 5) ADD_FAILURE() << std::hex << "U+" << u;
    }
    EXPECT_EQ(nDiffer, 0);
    const unsigned seed = 20270105;
    std::mt19937 rng(seed);
    const char* const kPieces[] = {"a", "7 8", " ", "\t", "\r\n", "^^", "^^ ^^", "^", "\xEF\xBB\xBF", "\x80", "\xFF",
                                   "\xC3", "\xE4\xB8", "\xF0\x9F\x98\x80", "\xE2\x82\xAC", "\xE5\x95\x8A", "\xC0\x80",
                                   "\xE0\x80\x80", "\xED\xA0\x80", "\xE4\xBB\x8A\xE5\xA4\xA9", "\xEF\xBC\x8C"};
    for (int round = 0; round < 3000; ++round) {
        std::string s;
        const int n = 1 + int(rng() % 12);
        for (int k = 0; k < n; ++k) s += kPieces[rng() % (sizeof kPieces / sizeof kPieces[0])];
        ASSERT_TRUE(Same(s)) << "seed " << seed << " round " << round;
    }
}
