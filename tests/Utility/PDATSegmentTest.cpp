#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>

#include "Utility/PDAT.h"
#include "common/TestUtil.h"

namespace {

CPDAT* Dict(std::initializer_list<const char*> words, int mode = 0) {
    CPDAT* d = new CPDAT(mode);
    for (const char* w : words) d->AddWord(w);
    d->AddWordComplete();
    return d;
}

std::vector<std::string> Split(const std::string& s, char sep) {
    std::vector<std::string> out;
    size_t b = 0;
    for (size_t e; (e = s.find(sep, b)) != std::string::npos; b = e + 1) out.push_back(s.substr(b, e - b));
    return out;
}

const char* kZhong = "\xD6\xD0";  // 中
const char* kGuo = "\xB9\xFA";    // 国
const char* kRen = "\xC8\xCB";    // 人
const char* kMin = "\xC3\xF1";    // 民

}  // namespace

TEST(MMSegmentTest, TokensOfTheLine) {
    std::unique_ptr<CPDAT> d(Dict({"ab", "abcd"}));
    EXPECT_STREQ(d->MMSegment("abcx", -1, '\t'), "ab\tcx\t");
    EXPECT_STREQ(d->MMSegment("abcd abc", -1, '|'), "abcd| |ab|c|");
    EXPECT_STREQ(d->MMSegment("", -1, '\t'), "");
    std::unique_ptr<CPDAT> zh(Dict({"\xD6\xD0\xB9\xFA" /* 中国 */}));
    EXPECT_STREQ(zh->MMSegment("hello-world", -1, '\t'), "hello\t-\tworld\t");
    EXPECT_STREQ(zh->MMSegment("abc123 x.y", -1, ' '), "abc123   x . y ");
    // Mode 1: an unknown high byte glues the ASCII bytes after it.
    std::unique_ptr<CPDAT> m1(Dict({"ab"}, 1));
    EXPECT_STREQ(m1->MMSegment("\xE4xy ab", -1, '|'), "\xE4xy| |ab|");
}

TEST(MMSegmentTest, HandleEntriesAndCallerBuffers) {
    std::string zg = std::string(kZhong) + kGuo, rm = std::string(kRen) + kMin, line = zg + "x" + rm;
    std::unique_ptr<CPDAT> d(Dict({zg.c_str(), rm.c_str()}));
    int* ids = nullptr;
    int idSize = 0;
    char* out = nullptr;
    int outSize = 0;
    EXPECT_EQ(d->MMSegment(line.c_str(), &ids, &idSize, &out, &outSize, false, true, -1, ' '), 3);
    EXPECT_EQ(std::string(out), zg + " x " + rm + " ");
    EXPECT_EQ(ids[0], 0);
    EXPECT_EQ(ids[1], -1);
    EXPECT_EQ(ids[2], 1);
    EXPECT_GE(outSize, 6 * 9 + 1);
    EXPECT_GE(idSize, 9 + 2);
    EXPECT_EQ(d->MMSegment(line.c_str(), &ids, &idSize, &out, &outSize, true, false, -1, ' '), 2);
    EXPECT_EQ(ids[0], 0);
    EXPECT_EQ(ids[1], 1);
    EXPECT_EQ(d->MMSegment("", &ids, &idSize, &out, &outSize, false, true, -1, ' '), 0);
    EXPECT_STREQ(out, "");
    free(ids);
    free(out);
}

TEST(MMSegmentTest, LengthLimitCutsLongTokens) {
    std::mt19937 rng(3);
    const char* chars[] = {kZhong, kGuo, kRen, kMin, "\xD2\xF8" /* 银 */, "\xD0\xD0" /* 行 */};
    std::vector<std::string> words;
    std::unique_ptr<CPDAT> d(new CPDAT(0));
    for (int i = 0; i < 300; ++i) {
        std::string w;
        for (int k = 0, n = 1 + int(rng() % 6); k < n; ++k) w += chars[rng() % 6];
        words.push_back(w);
        d->AddWord(w.c_str());
    }
    d->AddWordComplete();
    for (int r = 0; r < 200; ++r) {
        std::string line;
        for (int k = 0; k < 6; ++k) line += words[rng() % words.size()];
        size_t nMax = 0;
        for (const auto& tok : Split(d->MMSegment(line.c_str(), 6, '#'), '#')) nMax = std::max(nMax, tok.size());
        EXPECT_LE(nMax, 8u) << line;
    }
    std::string six = std::string(kZhong) + kGuo + kRen + kMin + kZhong + kGuo;
    d->AddWordInit();
    d->AddWord(six.c_str());
    d->AddWordComplete();
    EXPECT_EQ(std::string(d->MMSegment(six.c_str(), -1, '#')), six + "#");
    EXPECT_EQ(std::string(d->MMSegment(six.c_str(), 6, '#')).find(six), std::string::npos);
}

TEST(TermStatTest, CountingAndRanking) {
    std::string zgrm = std::string(kZhong) + kGuo + kRen + kMin;
    std::string zgrmyh = zgrm + "\xD2\xF8\xD0\xD0";  // 中国人民银行
    std::vector<std::string> terms;
    for (int i = 0; i < 5; ++i) terms.push_back(zgrm);
    for (int i = 0; i < 3; ++i) terms.push_back(zgrmyh);
    for (const char* t : {"b", "a", "b", "a", "zz"}) terms.push_back(t);
    CPDAT d(1);
    EXPECT_EQ(d.WordFreq(terms), 5);
    // The longer term contains an earlier 8-byte term; equal counts rank by handle.
    EXPECT_EQ(std::string(d.GetTopWords(-1)), zgrm + "/5#b/2#a/2#zz/1#");
    EXPECT_EQ(std::string(d.GetTopWords(-1)), zgrm + "/5#b/2#a/2#zz/1#");
    EXPECT_EQ(std::string(d.GetTopWords(2)), zgrm + "/5#");
    std::vector<_stTermFreq> top = d.GetTopWordVector();
    ASSERT_EQ(top.size(), 5u);
    EXPECT_EQ(top[1].word, zgrmyh);
    // Ranking leaves the records indexed by handle: counting goes on where it should.
    EXPECT_EQ(d.AddWord("a", true), 3);
    EXPECT_EQ(d.GetTerm(3)->freq, 3);
    EXPECT_EQ(d.WordFreq({"a"}), 5);
    EXPECT_EQ(std::string(d.GetTopWords(-1)), "a/1#" + zgrm + "/0#b/0#zz/0#");
}

TEST(TermStatTest, CompareTwoCountingDictionaries) {
    CPDAT d1(1), d2(1);
    d1.WordFreq({"a", "a", "a", "b"});
    d2.WordFreq({"a", "a", "c", "c", "c", "c", "c"});
    tstring same, diff1, diff2;
    CPDAT::WordTermCompare(&d1, &d2, same, diff1, diff2);
    EXPECT_EQ(same, "a/3/2#");
    EXPECT_EQ(diff1, "b/1#");
    EXPECT_EQ(diff2, "c/5#");
}

TEST(ScannerTest, BoundaryTestAndOfflineScanners) {
    EXPECT_FALSE(CPDAT::IsValidString("xabc", 1, 4, 4));
    EXPECT_FALSE(CPDAT::IsValidString("abcd", 0, 3, 4));
    EXPECT_FALSE(CPDAT::IsValidString("123", 0, 1, 3));
    EXPECT_TRUE(CPDAT::IsValidString("12a", 0, 2, 3));
    EXPECT_TRUE(CPDAT::IsValidString("abc d", 0, 3, 5));
    EXPECT_TRUE(CPDAT::IsValidString("1a", 0, 1, 2));

    std::string zg = std::string(kZhong) + kGuo, rm = std::string(kRen) + kMin, zgrm = zg + rm;
    std::unique_ptr<CPDAT> d(Dict({"abc", zg.c_str(), zgrm.c_str(), rm.c_str()}));
    EXPECT_STREQ(d->MMScan(("abc," + zgrm + " xabc").c_str()), ("abc " + zgrm + " ").c_str());
    EXPECT_STREQ(d->MMScan("xabc abc"), "");  // a run of ASCII after an unmatched byte is skipped
    bool bExist = false;
    EXPECT_STREQ(d->MMScan(("q " + rm + " abc").c_str(), &bExist), (rm + " ").c_str());
    EXPECT_TRUE(bExist);
    d->MMScan("nothing here", &bExist);
    EXPECT_FALSE(bExist);
    EXPECT_EQ(std::string(d->MMFullScan(zgrm.c_str())), zg + " " + zgrm + " " + rm + " ");
    std::vector<_stTermPosition> pos;
    EXPECT_EQ(d->MMScanPosition(zgrm.c_str(), pos, 0), 1);
    EXPECT_EQ(pos[0].nWordLen, 8);
    pos.clear();
    EXPECT_EQ(d->MMScanPosition((zgrm + "," + zg).c_str(), pos, 1), 3);
    EXPECT_EQ(pos[1].iStartPos, 4);
    EXPECT_EQ(pos[1].nWordLen, 4);
    EXPECT_EQ(pos[2].iStartPos, 9);

    kxtest::TempDir dir;
    kxtest::WriteAll(dir.file("in.txt"), "abcx " + zgrm);
    ASSERT_TRUE(d->FileSegment(dir.file("in.txt").c_str(), dir.file("out.txt").c_str()));
    EXPECT_EQ(kxtest::ReadAll(dir.file("out.txt")), "abc\tx\t \t" + zgrm + "\t\n");
}
