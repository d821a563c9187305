// The driver's long lines (tools/kovex_long.h): a line read in parts, converted, cut into pieces
// and processed piece by piece gives the bytes that Process gives for the whole line, under GBK,
// the UTF-8 converter and detection, for lines of Chinese, English, a run without sentence end,
// sentence ends before blanks, carriage returns inside the line and lines whose first bytes leave
// the English verdict open.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "CodeTrans/CodeDetect.h"
#include "CodeTrans/CodeTran.h"
#include "MERIDOX/System/MainSystemFixture.h"
#include "kovex_long.h"

namespace {

using enginetest::DataDir;
using kxtest::Gbk;

using enginetest::CorpusParagraphs;

class KovexLongLineTest : public enginetest::EngineTestBase {
protected:
    void TearDown() override {
        g_pCodeTranslator = nullptr;
        enginetest::EngineTestBase::TearDown();
    }

    // One GBK line of several lines joined by carriage returns: Chinese text whose sentence ends
    // are followed by text or blanks, an English text, one that starts with ASCII (its verdict
    // needs the whole line), a run of one character without sentence end, and a short one.
    static std::string MixedLine(const std::vector<std::string>& paras) {
        std::string chinese, dated = "2024-01-01 12:00 ";
        for (size_t i = 0; i < paras.size() && chinese.size() < 40000; ++i) {
            chinese += paras[i];
            if (i % 3 == 1) chinese += "  ";
        }
        for (size_t i = paras.size() / 2; i < paras.size() && dated.size() < 30000; ++i) dated += paras[i] + " ";
        std::string english;
        while (english.size() < 20000)
            english += "The engine cuts English text into tokens, and New York is a place. It has 2 numbers: 1,000 and 3.5. ";
        std::string run;
        for (int i = 0; i < 6000; ++i) run += Gbk("中");
        return "  " + chinese + "\r" + english + "\r\r  " + dated + "\r" + run + "\r" + Gbk("短行。") + "ab  ";
    }

    // The line's result through LongLine, the caller's text handed over in parts of nPart bytes
    // and cut into pieces of at most nPiece GBK bytes.
    static std::string Pieces(const std::string& sText, size_t nPart, int nPiece) {
        CMainSystem sys;
        size_t nAt = std::min(nPart, sText.size());
        kovexlong::GBKStream gbk(
            sText.substr(0, nAt),
            [&](std::string& part) {
                part = sText.substr(nAt, nPart);
                nAt += part.size();
                return !part.empty();
            },
            64);
        std::string out;
        kovexlong::LongLine line(sys, 1, gbk,
                                 [&](const char* p, size_t n) {
                                     out.append(p, n);
                                     return true;
                                 },
                                 nPiece);
        EXPECT_EQ(line.Run(), kovexlong::LongLine::kOk);
        return out;
    }

    // Process's result of the whole text, by an instance with the sentence bound and the output
    // runs (bUnlimited: without them, as the engine was before them).
    static std::string Whole(const std::string& sText, bool bUnlimited = false) {
        CMainSystem sys;
        if (bUnlimited) sys.SetLineLimits(INT_MAX, SIZE_MAX);
        const char* p = sys.Process(sText.c_str(), 1, true);
        return p ? p : "<null>";
    }

    void ExpectSameInPieces(const std::string& sText, const char* sWhat) {
        const std::string want = Whole(sText);
        ASSERT_GT(want.size(), sText.size() / 2) << sWhat;
        for (int nPiece : {300, 2000, 1 << 20}) {
            const std::string got = Pieces(sText, 997, nPiece);
            if (got == want) continue;
            size_t k = 0;
            while (k < got.size() && k < want.size() && got[k] == want[k]) ++k;
            ADD_FAILURE() << sWhat << ", pieces of " << nPiece << " bytes: the results differ at byte " << k
                          << " of " << want.size() << ": ..." << want.substr(k > 60 ? k - 60 : 0, 120) << "... became ..."
                          << got.substr(k > 60 ? k - 60 : 0, 120);
        }
    }
};

TEST_F(KovexLongLineTest, PiecesGiveTheWholeLinesResultUnderEachEncoding) {
    const std::vector<std::string> paras = CorpusParagraphs("1");
    if (paras.empty()) GTEST_SKIP() << "corpus not available";
    const std::string sGBK = MixedLine(paras);

    g_nEncodeType = 0;
    ExpectSameInPieces(sGBK, "GBK");

    std::unique_ptr<CCodeTran> tran(new CCodeTran((DataDir() + "/").c_str(), 1));
    ASSERT_EQ(tran->GetStatus(), 1);
    tstring sUTF8;
    tran->GBKToCode(sGBK.c_str(), sUTF8);
    g_pCodeTranslator = tran.get();
    g_nEncodeType = 1;
    ExpectSameInPieces(sUTF8, "UTF-8 through the converter");
    // A byte-order mark at the line's start only.
    ExpectSameInPieces("\xEF\xBB\xBF" + sUTF8, "UTF-8 after a byte-order mark");

    g_pCodeTranslator = nullptr;
    g_nEncodeType = -1;
    CodeTrans_Initialize((DataDir() + "/CodeTrans.model").c_str());
    ExpectSameInPieces(sUTF8, "UTF-8 detected");
}

// A caller's "^^" is text and a character without a GBK form keeps its place as blanks in the
// pieces as in the whole line, under the UTF-8 converter and under detection: single emoji, runs
// of them cut anywhere by the parts, and a run longer than one mark span holds.
TEST_F(KovexLongLineTest, CallerCaretsAndCharactersWithoutGbkFormInPieces) {
    const std::string emoji = "\xF0\x9F\x98\x80";  // 😀
    std::string s;
    for (int i = 0; i < 300; ++i) {
        s += "\xE6\x88\x91\xE4\xBB\xAC^^\xE4\xBB\x8A\xE5\xA4\xA9^^\xE5\x8E\xBB";  // 我们^^今天^^去
        for (int k = 0; k < i % 4; ++k) s += emoji;
        s += "\xE5\x8C\x97\xE4\xBA\xAC\xE3\x80\x82";  // 北京。
        if (i % 50 == 7) s += "^^ a/-9 ^";
    }
    for (int k = 0; k < 2500; ++k) s += emoji;
    s += "\xE5\xA5\xBD\xE3\x80\x82";  // 好。

    std::unique_ptr<CCodeTran> tran(new CCodeTran((DataDir() + "/").c_str(), 1));
    ASSERT_EQ(tran->GetStatus(), 1);
    g_pCodeTranslator = tran.get();
    g_nEncodeType = 1;
    const std::string whole = Whole(s);
    EXPECT_EQ(whole.find("^^ "), std::string::npos) << "a mark of the conversion reached the result";
    ExpectSameInPieces(s, "carets and emoji through the converter");

    g_pCodeTranslator = nullptr;
    g_nEncodeType = -1;
    CodeTrans_Initialize((DataDir() + "/CodeTrans.model").c_str());
    EXPECT_EQ(Whole(s), whole);
    ExpectSameInPieces(s, "carets and emoji detected");
}

TEST_F(KovexLongLineTest, LinesWithoutCutsAndSentenceEndsBeforeBlanksStayWhole) {
    g_nEncodeType = 0;
    // Sentence ends followed by blanks, by a second sentence end and by nothing else for long:
    // whatever the pieces, the result is the line's.
    std::string s;
    for (int i = 0; i < 400; ++i) s += Gbk(i % 5 == 0 ? "一。。" : "今天天气很好。 ") + (i % 7 == 0 ? "\t" : "");
    ExpectSameInPieces(s, "sentence ends before blanks");
    // An English line of one token is never cut: it is processed whole.
    ExpectSameInPieces(std::string(30000, 'a') + " b", "one English token");
}

TEST_F(KovexLongLineTest, HeldOutDayAsOneLineGivesTheUnlimitedEnginesResult) {
    const std::vector<std::string> paras = CorpusParagraphs("27");
    if (paras.empty()) GTEST_SKIP() << "corpus not available";
    std::string sLine;
    for (const std::string& p : paras) sLine += p;
    g_nEncodeType = 0;
    const std::string want = Whole(sLine, true);
    ASSERT_GT(want.size(), sLine.size());
    EXPECT_TRUE(Pieces(sLine, 65536, 20000) == want);
}

}  // namespace
