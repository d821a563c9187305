// Long lines: the sentence bound, the result output written in runs of words, and the result text
// handed out in pieces. Each is checked against an instance without them (unbounded sentences, one
// output run per line), which is what the engine did before they existed.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "CodeTrans/CodeDetect.h"
#include "CodeTrans/CodeTran.h"
#include "MainSystemFixture.h"
#include "MERIDOX/Segment/PreProcess.h"
#include "MERIDOX/System/MainSystem.h"

namespace enginetest {
namespace {

// The GBK paragraphs of the held-out day (tools/corpus_text.py); empty when they cannot be read.
const std::vector<std::string>& HeldOutLines() {
    static const std::vector<std::string> s_lines = CorpusParagraphs("27");
    return s_lines;
}

void ExpectSameRows(const std::vector<result_t>& a, const std::vector<result_t>& b, const std::string& where) {
    ASSERT_EQ(a.size(), b.size()) << where;
    for (size_t i = 0; i < a.size(); ++i) {
        const std::string at = where + " row " + std::to_string(i);
        ASSERT_EQ(a[i].start, b[i].start) << at;
        ASSERT_EQ(a[i].length, b[i].length) << at;
        ASSERT_STREQ(a[i].sPOS, b[i].sPOS) << at;
        ASSERT_EQ(a[i].iPOS, b[i].iPOS) << at;
        ASSERT_EQ(a[i].word_ID, b[i].word_ID) << at;
        ASSERT_EQ(a[i].word_type, b[i].word_type) << at;
        ASSERT_EQ(a[i].weight, b[i].weight) << at;
    }
}

class MainSystemLongTextTest : public EngineTestBase {
protected:
    // The instance under test (the limits it is built with, or those given) and one without
    // limits, which writes a line at once after cutting all of it.
    void MakeInstances(int nBound = CPreProcess::kSentenceBound, size_t nFlushWords = 8192) {
        m_bounded.reset(new CMainSystem);
        m_bounded->SetLineLimits(nBound, nFlushWords);
        m_free.reset(new CMainSystem);
        m_free->SetLineLimits(INT_MAX, SIZE_MAX);
    }
    // Process, ProcessA's rows and ProcessToSink's pieces of both instances agree on the text.
    void ExpectSameResults(const std::string& text, const std::string& where) {
        for (int bTag = 0; bTag <= 1; ++bTag) {
            const std::string w = where + (bTag ? " (tagged)" : " (untagged)");
            const char* pFree = m_free->Process(text.c_str(), bTag, true);
            ASSERT_NE(pFree, nullptr) << w;
            const std::string sFree = pFree;
            const char* pBounded = m_bounded->Process(text.c_str(), bTag, true);
            ASSERT_NE(pBounded, nullptr) << w;
            ASSERT_EQ(std::string(pBounded), sFree) << w;
            std::string sPieces;
            size_t nPieces = 0;
            ASSERT_TRUE(m_bounded->ProcessToSink(text.c_str(), bTag, true, [&](const char* p, size_t n) {
                sPieces.append(p, n);
                ++nPieces;
            })) << w;
            ASSERT_EQ(sPieces, sFree) << w << " in " << nPieces << " pieces";
        }
        tstring sTrans;
        m_free->ProcessA(text.c_str(), sTrans, true, true, false);
        const std::vector<result_t> rowsFree = Rows(*m_free);
        m_bounded->ProcessA(text.c_str(), sTrans, true, true, false);
        ExpectSameRows(Rows(*m_bounded), rowsFree, where + " (rows)");
    }
    std::unique_ptr<CMainSystem> m_bounded, m_free;
};

// ---- ordinary text is cut as before ---------------------------------------------------------

TEST_F(MainSystemLongTextTest, HeldOutDayGivesTheSameResultsAsWithoutLimits) {
    const std::vector<std::string>& lines = HeldOutLines();
    if (lines.size() < 100) GTEST_SKIP() << "the corpus (day 27) is not readable";
    MakeInstances();
    std::string whole, oneLine;
    for (const std::string& l : lines) {
        whole += l + "\n";
        oneLine += l;
    }
    // The day as a text of lines, then as one line of 150 KB whose words are written in runs.
    ExpectSameResults(whole, "day 27 as lines");
    ExpectSameResults(oneLine, "day 27 as one line");
    // In UTF-8 under automatic detection, handed back in UTF-8.
    g_nEncodeType = -1;
    std::string utf8;
    ANSIToUTF8(oneLine.c_str(), utf8);
    ExpectSameResults(utf8, "day 27 as one UTF-8 line");
}

// ---- the sentence bound -------------------------------------------------------------------

TEST_F(MainSystemLongTextTest, ASentenceWithoutSentenceEndEndsAtTheBound) {
    CPreProcess pre(g_pCharset, g_pCoreDict, nullptr);
    const int kBound = CPreProcess::kSentenceBound;
    // Two-byte characters: the sentence ends at the bound, on a character boundary.
    const std::string zh = Gbk("中");
    std::string line;
    for (int i = 0; i < 5000; ++i) line += zh;
    int nEnd = int(pre.AtomSegment(line.c_str(), 0) - line.c_str());
    EXPECT_EQ(nEnd, kBound);
    EXPECT_TRUE(pre.EndedByBound());
    EXPECT_EQ(pre.GetAtomCount(), kBound / 2 + 2);
    nEnd = int(pre.AtomSegment(line.c_str(), 1000) - line.c_str());
    EXPECT_EQ(nEnd, 1000 + kBound);
    // The rest of the line is shorter than the bound: it ends with the line, not at the bound.
    nEnd = int(pre.AtomSegment(line.c_str(), 7000) - line.c_str());
    EXPECT_EQ(nEnd, int(line.size()));
    EXPECT_FALSE(pre.EndedByBound());

    // Runs stop growing at the bound: digits, letters.
    for (const std::string& l : {std::string(6000, '7'), std::string(6000, 'q')}) {
        EXPECT_EQ(pre.AtomSegment(l.c_str(), 0) - l.c_str(), kBound) << l[0];
        EXPECT_TRUE(pre.EndedByBound());
        EXPECT_EQ(pre.GetAtomCount(), 3) << l[0];  // start, the run, end
    }
    // A "^^" span closed only beyond the bound is no span: the carets stay atoms of their own.
    const std::string span = "^^" + std::string(kBound, ' ') + "^^";
    pre.AtomSegment(span.c_str(), 0);
    EXPECT_EQ(pre.GetAtoms()[1].end, 1);
    // An ordinary sentence is untouched.
    const std::string s = Gbk("他说今天天气很好。明天");
    EXPECT_EQ(pre.AtomSegment(s.c_str(), 0) - s.c_str(), int(Gbk("他说今天天气很好。").size()));
    EXPECT_FALSE(pre.EndedByBound());
}

TEST_F(MainSystemLongTextTest, TheOutputTakesNoUnitAcrossTheBound) {
    CMainSystem sys;
    // A number of 5000 digits would be one unit; the bound cuts it at 4096, and so does the output.
    const std::string digits(5000, '1');
    tstring sTrans;
    sys.ProcessA(digits.c_str(), sTrans, true, true, false);
    std::vector<result_t> rows = Rows(sys);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].start, 0);
    EXPECT_EQ(rows[0].length, CPreProcess::kSentenceBound);
    EXPECT_EQ(rows[1].start, CPreProcess::kSentenceBound);
    // A long line without sentence end is cut into bounded sentences; each is segmented and
    // tagged as usual and the result stays one line.
    std::string line;
    while (line.size() < 20000) line += Gbk("我们今天去北京看望老朋友");
    const std::string text = sys.Process(line.c_str(), 1, true);
    EXPECT_EQ(text.find('\n'), std::string::npos);
    EXPECT_NE(Utf8(text).find("北京/ns"), std::string::npos);
}

// ---- runs of words and pieces: nothing moves across a cut ---------------------------------------

TEST_F(MainSystemLongTextTest, HostileLinesGiveTheSameResultsWrittenInRunsOrAtOnce) {
    // Words that the output joins across sentence ends when nothing stops it: a user word holding a
    // full stop, numbers, e-mail and web addresses, "//", a numeral repeat, blanks.
    SetUserWords({"好。好 nz", "天。明天 nz", "中国 ns"});
    SetFieldWords({{"不错。很", "2"}, {"很好", "1"}});
    const std::vector<std::string> pieces = {
        "好", "。", "！", "？", "中国", "一", "1", "2", ".", "@", "a", "com", "/", " ", "  ", "\t", "天", "明天", "，",
        "不错", "很", "北京", "3.5", "http://x.cn", "name@mail.com", "^^", "…", "\"", "我们", "说",
        "好。好", "天。明天", "不错。很好", "一。。"};
    std::mt19937 rng(36);
    for (size_t nFlush : {size_t(1), size_t(7), size_t(64)}) {
        // User words take priority in the sentiment library's data: the atom cut keeps lookups.
        g_bUserDictPrior = nFlush == 7;
        // Small runs and a small bound: every sentence end the line may be cut at is a cut.
        MakeInstances(200, nFlush);
        m_free->SetLineLimits(200, SIZE_MAX);
        for (int round = 0; round < 40; ++round) {
            std::string utf8;
            const size_t nLen = 300 + rng() % 3000;
            while (utf8.size() < nLen) utf8 += pieces[rng() % pieces.size()];
            const std::string line = Gbk(utf8.c_str());
            ExpectSameResults(line, "flush " + std::to_string(nFlush) + " round " + std::to_string(round) + ": " + utf8);
            if (HasFatalFailure()) return;
        }
    }
}

TEST_F(MainSystemLongTextTest, PiecesCutWherePieceEndSaysGiveTheWholeLinesResult) {
    SetUserWords({"好。好 nz", "中国 ns"});
    const std::vector<std::string> pieces = {"好", "。", "！", "中国", "一", "12", "我们", "说", "，", " ", "好。好",
                                             "一。。", "天气", "很", "北京", "ab", "@", "/", "？"};
    std::mt19937 rng(7);
    CMainSystem finder, whole, part;
    for (CMainSystem* sys : {&finder, &whole, &part}) sys->SetLineLimits(100, SIZE_MAX);
    int nCuts = 0;
    for (int round = 0; round < 60; ++round) {
        std::string utf8;
        const size_t nLen = 200 + rng() % 2000;
        while (utf8.size() < nLen) utf8 += pieces[rng() % pieces.size()];
        const std::string line = Gbk(utf8.c_str());
        const std::string expected = whole.Process(line.c_str(), 1, true);
        std::string joined;
        for (size_t at = 0; at < line.size();) {
            const std::string rest = line.substr(at);
            // A piece of at most 50 to 400 bytes; the text given may stop short of the line's end.
            const int nMax = 50 + int(rng() % 350);
            const bool bLineEnds = rng() % 2 == 0;
            int nCut = finder.PieceEnd(rest.c_str(), int(rest.size()), nMax, bLineEnds);
            if (nCut <= 0) nCut = int(rest.size());  // no cut: the rest whole
            ASSERT_LE(nCut, int(rest.size()));
            const std::string piece = rest.substr(0, size_t(nCut));
            if (nCut < int(rest.size())) ++nCuts;
            joined += part.Process(piece.c_str(), 1, true);
            at += size_t(nCut);
        }
        ASSERT_EQ(Utf8(joined), Utf8(expected)) << "round " << round << ": " << utf8;
    }
    EXPECT_GT(nCuts, 20);
    // Text given short of the line's end: no cut within the lookahead before its end.
    std::string line;
    const std::string unit = Gbk("我们说好。");
    while (line.size() < 3 * size_t(CMainSystem::kPieceLookahead)) line += unit;
    const int nLen = 2 * CMainSystem::kPieceLookahead;
    const std::string prefix = line.substr(0, size_t(nLen));
    const int nCut = finder.PieceEnd(prefix.c_str(), nLen, nLen, false);
    EXPECT_GT(nCut, 0);
    EXPECT_LE(nCut, nLen - CMainSystem::kPieceLookahead);
    // Given as the line's end: the last full stop that a character follows.
    EXPECT_EQ(finder.PieceEnd(prefix.c_str(), nLen, nLen, true), nLen - nLen % int(unit.size()));
}

TEST_F(MainSystemLongTextTest, APieceEndsOnlyWhereTheOutputJoinsNothing) {
    CPreProcess pre(g_pCharset, g_pCoreDict, nullptr);
    auto LastAtom = [&](const std::string& line) {
        pre.AtomSegment(line.c_str(), 0);
        return pre.GetAtoms()[pre.GetAtomCount() - 2];
    };
    const std::string s = Gbk("他说好。他");
    const word_t stop = LastAtom(s);
    EXPECT_TRUE(pre.IsPieceBoundary(s.c_str(), int(s.size()), 0, stop));
    // Before white space, before a second sentence end, at the line's end: no.
    for (const char* next : {" 他", "\n他", "！他", ""}) {
        const std::string l = Gbk("他说好。") + Gbk(next);
        EXPECT_FALSE(pre.IsPieceBoundary(l.c_str(), int(l.size()), 0, LastAtom(l))) << next;
    }
    // An ASCII full stop: the output's runs join it.
    const std::string a = "abc. def";
    EXPECT_FALSE(pre.IsPieceBoundary(a.c_str(), int(a.size()), 0, LastAtom(a)));
    // A user word across the full stop.
    SetUserWords({"好。他 nz"});
    EXPECT_FALSE(pre.IsPieceBoundary(s.c_str(), int(s.size()), 0, stop));
}


// ---- the memory an instance keeps between calls --------------------------------------------

// A text of 2.4 MB: one line of 1.2 MB, then short lines.
std::string BigText(const std::string& sentence) {
    std::string text;
    while (text.size() < 1200000) text += sentence;
    text += "\n";
    while (text.size() < 2400000) text += sentence + "\n";
    return text;
}

// After a long text the instance holds its result and small buffers only: every buffer that
// grew for the text and holds nothing readable is given back, the caller's text stays unwritten,
// and a later text gives the result a fresh instance gives.
TEST_F(MainSystemLongTextTest, ALongTextLeavesNoGrownBufferHeld) {
    const std::string gbk = BigText(Gbk("他说今天天气很好。我们明天去北京看望老朋友！这些文字用来看引擎留下多少内存。"));
    CCodeTran tran((DataDir() + "/").c_str(), 1);
    ASSERT_EQ(tran.GetStatus(), 1);
    tstring utf8;
    tran.GBKToCode(gbk.c_str(), utf8);
    struct TranslatorScope {
        ~TranslatorScope() { g_pCodeTranslator = nullptr; }
    } scope;
    const size_t nSmall = 4 * CMainSystem::kKeptBufferBytes;
    for (int nCode : {0, 1}) {
        g_nEncodeType = nCode;
        g_pCodeTranslator = nCode == 1 ? &tran : nullptr;
        // UTF-8 is converted into the instance's own buffer and cut there; GBK text is cut in a
        // copy.
        const std::string& text = nCode == 1 ? utf8 : gbk;
        const std::string shortText = nCode == 1 ? "他说今天天气很好。" : Gbk("他说今天天气很好。");
        const std::string given = text;
        const std::string where = "code " + std::to_string(nCode);
        CMainSystem sys;
        ASSERT_TRUE(sys.IsReady());
        std::string joined;
        ASSERT_TRUE(sys.ProcessToSink(text.c_str(), 1, true, [&](const char* p, size_t n) { joined.append(p, n); }));
        EXPECT_LT(sys.HeldBytes(), nSmall) << where << ": text to a sink";
        size_t nUnits = 0;
        ASSERT_TRUE(sys.ProcessUnitsToSink(text.c_str(), true, [&](const char*, size_t, const char*) { ++nUnits; }));
        EXPECT_GT(nUnits, 100000u) << where;
        EXPECT_LT(sys.HeldBytes(), nSmall) << where << ": units to a sink";
        // Process keeps its result text (and the rows) until the next call, nothing else grown.
        const char* pResult = sys.Process(text.c_str(), 1, true);
        ASSERT_NE(pResult, nullptr);
        EXPECT_EQ(std::string(pResult), joined) << where;
        EXPECT_LT(sys.HeldBytes(), 3 * sys.GetResultText().capacity() + nSmall) << where;
        tstring trans;
        const int nRows = sys.ProcessA(text.c_str(), trans, true, true, false);
        int nCount = 0;
        sys.GetResult(&nCount);
        EXPECT_GT(nRows, 0) << where;
        EXPECT_GT(nCount, 100000) << where;
        EXPECT_EQ(text, given) << where << ": the caller's text was written";
        const std::string sShort = sys.Process(shortText.c_str(), 1, true);
        EXPECT_LT(sys.HeldBytes(), nSmall) << where << ": after a short text";
        CMainSystem fresh;
        EXPECT_EQ(sShort, fresh.Process(shortText.c_str(), 1, true)) << where;
        EXPECT_EQ(std::string(sys.Process(text.c_str(), 1, true)), joined) << where << ": again";
    }
}

}  // namespace
}  // namespace enginetest
