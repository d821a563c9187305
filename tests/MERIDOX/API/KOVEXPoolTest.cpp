// The instance pool and the analysis functions of the engine interface.
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <thread>
#include <vector>

#include <json/json.h>

#include "MERIDOX/API/EngineDir.h"
#include "MERIDOX/API/KOVEXPool.h"
#include "MERIDOX/System/EngineGlobals.h"
#include "MERIDOX/System/MainSystem.h"
#include "Utility/BufferManager.h"
#include "Utility/LogCapture.h"

using namespace apitest;

namespace {

class KOVEXPoolTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(m_dir.Start(), 1); }
    void TearDown() override { KOVEX_Exit(); }
    LogCapture m_logs;
    EngineDir m_dir;
};

}  // namespace

TEST(KOVEXRefusalTest, EveryFunctionRefusesWhileInactive) {
    ASSERT_FALSE(g_bActive.load());
    const char* p = KOVEX_ParagraphProcess("abc", 1);
    EXPECT_STREQ(p, "");
    EXPECT_EQ(p, KOVEX_ParagraphProcess("x", 0));  // the one static text, never registered
    EXPECT_EQ(KOVEX_ParagraphProcessStr("abc", 1), "");
    int n = 7;
    EXPECT_EQ(KOVEX_ParagraphProcessA("abc", &n, true), nullptr);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(KOVEX_GetParagraphProcessAWordCount("abc"), 0);
    EXPECT_EQ(KOVEX_GetEngWordOrign("went"), nullptr);
    CKOVEX unusable;  // built while inactive: no instance
    EXPECT_EQ(unusable.GetParagraphProcessAWordCount("abc"), 0);
    result_t row{};
    row.start = 7;
    unusable.ParagraphProcessAW(1, &row);
    EXPECT_EQ(row.start, 7);
    EXPECT_EQ(KOVEX_SetPOSmap(2), 0);
    EXPECT_EQ(g_nPosMap.load(), 0);
    EXPECT_EQ(KOVEX_GetWordPOS("abc"), nullptr);
    EXPECT_EQ(KOVEX_FinerSegment("abc"), nullptr);
    EXPECT_EQ(KOVEX_GetUniProb("abc"), 0.0);
    EXPECT_EQ(KOVEX_FileProcess("a", "b", 1), 0.0);
    EXPECT_EQ(KOVEX_AddUserWord("w n"), 0);
    EXPECT_EQ(KOVEX_DelUsrWord("w"), -1);
    EXPECT_EQ(KOVEX_SaveTheUsrDic(), 0);
    EXPECT_EQ(KOVEX_CleanUserWord(), 0);
    EXPECT_EQ(KOVEX_ImportUserDict("x", false), 0);
    EXPECT_EQ(KOVEX_ImportKeyBlackList("x", "n"), 0);
    KOVEX_UserWordState state;
    EXPECT_EQ(KOVEX_GetUserWordState("w", state), -1);
    EXPECT_EQ(KOVEX_RestoreUserWord("w", state), -1);
    EXPECT_EQ(g_pBufManager, nullptr);
}

TEST_F(KOVEXPoolTest, TwoCallersTakeSlotsOneAndTwoThenTheFirstIsReused) {
    CKOVEX* held[2] = {nullptr, nullptr};
    std::thread a([&] { held[0] = GetActiveInstance(); });
    std::thread b([&] { held[1] = GetActiveInstance(); });
    a.join();
    b.join();
    ASSERT_TRUE(held[0] && held[1]);
    EXPECT_NE(held[0], held[1]);
    EXPECT_EQ(held[0]->GetHandle() + held[1]->GetHandle(), 3u);
    EXPECT_FALSE(held[0]->IsAvailable());
    EXPECT_FALSE(held[0]->SetAvailable(false));  // a claimed handle cannot be claimed again
    held[0]->SetAvailable(true);
    held[1]->SetAvailable(true);

    EXPECT_STRNE(KOVEX_ParagraphProcess(Gbk("我们喜欢电脑").c_str(), 1), "");
    CKOVEX* lone = GetActiveInstance();
    ASSERT_NE(lone, nullptr);
    EXPECT_EQ(lone->GetHandle(), 1u);
    lone->SetAvailable(true);
    EXPECT_EQ(g_vecWorker.size(), 2u);
}

TEST_F(KOVEXPoolTest, AThreadTakesBackItsLastHandleAndForgetsItAcrossARestart) {
    CKOVEX* first = GetActiveInstance();
    CKOVEX* second = GetActiveInstance();
    ASSERT_TRUE(first && second);
    first->SetAvailable(true);
    second->SetAvailable(true);
    // This thread claimed the second last: it gets it back although the first is free too.
    EXPECT_EQ(GetActiveInstance(), second);
    CKOVEX* other = nullptr;
    std::thread t([&] { other = GetActiveInstance(); });  // a new thread takes the first free one
    t.join();
    EXPECT_EQ(other, first);
    EXPECT_FALSE(second->SetAvailable(false));  // claimed handles stay exclusive
    first->SetAvailable(true);
    second->SetAvailable(true);

    // A restart deletes the handles; the remembered one must not be touched again (ASan sees it).
    KOVEX_Exit();
    ASSERT_EQ(m_dir.Start(), 1);
    CKOVEX* fresh = GetActiveInstance();
    ASSERT_NE(fresh, nullptr);
    ASSERT_EQ(g_vecWorker.size(), 1u);
    EXPECT_EQ(fresh, g_vecWorker[0]);
    EXPECT_EQ(fresh->GetHandle(), 1u);
    fresh->SetAvailable(true);
}

TEST_F(KOVEXPoolTest, FifthHandleGrowsTheTableByFive) {
    std::vector<CKOVEX*> held;
    for (int i = 0; i < 5; ++i) held.push_back(GetActiveInstance());
    for (int i = 0; i < 5; ++i) {
        ASSERT_NE(held[size_t(i)], nullptr);
        EXPECT_EQ(held[size_t(i)]->GetHandle(), unsigned(i + 1));
    }
    EXPECT_EQ(g_nCopyMemSize, 10);
    EXPECT_EQ(g_vecKOVEX[0], g_pKOVEX);
    EXPECT_EQ(g_vecKOVEX[5], held[4]->GetSystem());
    for (int i = 6; i < 10; ++i) EXPECT_EQ(g_vecKOVEX[i], nullptr);
    for (CKOVEX* p : held) p->SetAvailable(true);
}

TEST_F(KOVEXPoolTest, ResultsAreRegisteredCopies) {
    const size_t before = g_pBufManager->GetBufferCount();
    const char* empty = KOVEX_ParagraphProcess("", 1);
    EXPECT_STREQ(empty, "");
    EXPECT_EQ(g_pBufManager->GetBufferCount(), before + 1);

    const std::string text = Gbk("我们喜欢电脑");
    const char* first = KOVEX_ParagraphProcess(text.c_str(), 1);
    const std::string kept = first;
    KOVEX_ParagraphProcess(Gbk("今天北京").c_str(), 1);  // the same pooled instance runs again
    EXPECT_EQ(std::string(first), kept);
    EXPECT_EQ(KOVEX_ParagraphProcessStr(text.c_str(), 1), kept);
}

TEST_F(KOVEXPoolTest, RowsFromThePoolAndFromTheMainInstanceAgree) {
    const std::string text = Gbk("我们喜欢电脑");
    int n = 0;
    const result_t* rows = KOVEX_ParagraphProcessA(text.c_str(), &n, true);
    ASSERT_NE(rows, nullptr);
    ASSERT_GT(n, 0);
    std::vector<result_t> copy(rows, rows + n);

    const int count = KOVEX_GetParagraphProcessAWordCount(text.c_str());
    ASSERT_EQ(count, n);
    std::vector<result_t> mine(size_t(count) + 1);
    memset(mine.data(), 0x5A, sizeof(result_t) * mine.size());
    KOVEX_ParagraphProcessAW(count + 1, mine.data());  // wrong count: untouched
    for (const result_t& r : mine) EXPECT_EQ(r.start, 0x5A5A5A5A);
    KOVEX_ParagraphProcessAW(count, mine.data());
    for (int i = 0; i < n; ++i) {
        EXPECT_EQ(mine[size_t(i)].start, copy[size_t(i)].start);
        EXPECT_EQ(mine[size_t(i)].length, copy[size_t(i)].length);
        EXPECT_STREQ(mine[size_t(i)].sPOS, copy[size_t(i)].sPOS);
    }
}

TEST_F(KOVEXPoolTest, AHandleCountsAndCopiesItsOwnRows) {
    const std::string text = Gbk("我们喜欢电脑");
    int n = 0;
    const result_t* rows = KOVEX_ParagraphProcessA(text.c_str(), &n, true);
    ASSERT_GT(n, 0);
    const std::vector<result_t> expected(rows, rows + n);

    CPoolClaim claim;
    CKOVEX* h = claim.get();
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->GetParagraphProcessAWordCount(nullptr), 0);
    ASSERT_EQ(h->GetParagraphProcessAWordCount(text.c_str()), n);
    std::vector<result_t> mine(size_t(n) + 1);
    memset(mine.data(), 0x5A, sizeof(result_t) * mine.size());
    h->ParagraphProcessAW(n + 1, mine.data());  // wrong count: untouched
    h->ParagraphProcessAW(n, nullptr);
    for (const result_t& r : mine) EXPECT_EQ(r.start, 0x5A5A5A5A);
    h->ParagraphProcessAW(n, mine.data());
    for (int i = 0; i < n; ++i) {
        EXPECT_EQ(mine[size_t(i)].start, expected[size_t(i)].start) << i;
        EXPECT_EQ(mine[size_t(i)].length, expected[size_t(i)].length) << i;
        EXPECT_STREQ(mine[size_t(i)].sPOS, expected[size_t(i)].sPOS) << i;
    }
    EXPECT_EQ(mine[size_t(n)].start, 0x5A5A5A5A);

    // The rows are the handle's own: the main instance's analysis of another text leaves them.
    KOVEX_GetParagraphProcessAWordCount(Gbk("今天北京").c_str());
    std::vector<result_t> again(static_cast<size_t>(n));
    h->ParagraphProcessAW(n, again.data());
    for (int i = 0; i < n; ++i) {
        EXPECT_EQ(again[size_t(i)].start, expected[size_t(i)].start) << i;
        EXPECT_EQ(again[size_t(i)].length, expected[size_t(i)].length) << i;
    }

    // A handle whose instance left the table answers 0 (the table is put back at once).
    CMainSystem* pSlot = g_vecKOVEX[h->GetHandle()];
    g_vecKOVEX[h->GetHandle()] = nullptr;
    EXPECT_EQ(h->GetParagraphProcessAWordCount(text.c_str()), 0);
    g_vecKOVEX[h->GetHandle()] = pSlot;
}

TEST_F(KOVEXPoolTest, EnglishRegularFormsOnlyFromTheTables) {
    EXPECT_STREQ(KOVEX_GetEngWordOrign("went"), "go");
    EXPECT_STREQ(KOVEX_GetEngWordOrign("Went"), "go");
    // A known word without an irregular form, and an unknown word, have no form to give.
    EXPECT_EQ(KOVEX_GetEngWordOrign("book"), nullptr);
    EXPECT_EQ(KOVEX_GetEngWordOrign("Xyzzy"), nullptr);
    EXPECT_EQ(KOVEX_GetEngWordOrign(""), nullptr);
    EXPECT_EQ(KOVEX_GetEngWordOrign(nullptr), nullptr);
}

TEST_F(KOVEXPoolTest, SetPOSmapAcceptsZeroToThreeOnly) {
    CKOVEX* h = GetActiveInstance();
    ASSERT_NE(h, nullptr);
    h->SetAvailable(true);
    EXPECT_EQ(KOVEX_SetPOSmap(4), 0);
    EXPECT_EQ(KOVEX_SetPOSmap(-1), 0);
    EXPECT_EQ(g_nPosMap.load(), 0);
    EXPECT_EQ(KOVEX_SetPOSmap(2), 0);
    EXPECT_EQ(g_nPosMap.load(), 2);
    EXPECT_EQ(g_pKOVEX->GetPosmap(), 2);
    EXPECT_EQ(h->GetSystem()->GetPosmap(), 2);
    CKOVEX* held = GetActiveInstance();
    CKOVEX* fresh = GetActiveInstance();  // a new handle starts with the current map
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(fresh->GetSystem()->GetPosmap(), 2);
    held->SetAvailable(true);
    fresh->SetAvailable(true);
}

TEST_F(KOVEXPoolTest, WordTests) {
    const std::string pos = KOVEX_GetWordPOS(Gbk("我们").c_str());
    ASSERT_FALSE(pos.empty());
    EXPECT_EQ(pos[0], '/');
    EXPECT_EQ(pos.back(), '#');
    EXPECT_STREQ(KOVEX_GetWordPOS(Gbk("没有这个").c_str()), "");
    EXPECT_STREQ(KOVEX_GetWordPOS(Gbk("始##始").c_str()), "");  // handle 0 has no candidates

    // Matching looks at most 6 bytes ahead (finishing the character it is in).
    EXPECT_EQ(std::string(KOVEX_FinerSegment(Gbk("北京大学学生").c_str())), Gbk("北京大学 学生 "));
    EXPECT_STREQ(KOVEX_FinerSegment(Gbk("北京大学").c_str()), "");

    EXPECT_EQ(KOVEX_IsWord(Gbk("电脑").c_str()), 1);
    EXPECT_EQ(KOVEX_IsWord(Gbk("甲乙").c_str()), 0);
    EXPECT_EQ(KOVEX_IsUserWord(Gbk("甲乙").c_str(), true), 0);
    ASSERT_GE(KOVEX_AddUserWord(Gbk("甲乙 n").c_str()), 1);
    EXPECT_EQ(KOVEX_IsUserWord(Gbk("甲乙").c_str(), true), 1);
    EXPECT_GT(KOVEX_GetUniProb(Gbk("电脑").c_str()), 0.0);
}

namespace {

// The tokens of KOVEX_Tokenizer4IR: "begin" counts the characters before the word in the text
// the rows index (white space included), "end" adds the word's characters, and the text is cut
// from that text and handed back in the caller's encoding.
struct Token {
    std::string text;
    int begin, end;
};

std::vector<Token> Tokens(const char* sLine, bool bFine = false) {
    Json::Value root;
    std::string errors;
    const std::string json = KOVEX_Tokenizer4IR(sLine, bFine);
    std::istringstream in(json);
    EXPECT_TRUE(Json::parseFromStream(Json::CharReaderBuilder(), in, &root, &errors)) << json;
    std::vector<Token> tokens;
    for (const Json::Value& v : root) tokens.push_back({v["text"].asString(), v["begin"].asInt(), v["end"].asInt()});
    return tokens;
}

std::string Show(const std::vector<Token>& tokens) {
    std::string s;
    for (const Token& t : tokens) s += t.text + "[" + std::to_string(t.begin) + "," + std::to_string(t.end) + ") ";
    return s;
}

}  // namespace

TEST_F(KOVEXPoolTest, TokensCountCharactersOfTheIndexedText) {
    // GBK: an English line counts every blank and TAB.
    std::vector<Token> t = Tokens("a  b\tc");
    ASSERT_EQ(t.size(), 3u) << Show(t);
    EXPECT_EQ(Show(t), "a[0,1) b[3,4) c[5,6) ");
    t = Tokens(Gbk("我们 Hello world").c_str());
    EXPECT_EQ(Show(t), Gbk("我们[0,2) Hello[3,8) world[9,14) "));

    // UTF-8 through the code translator, a byte-order mark skipped.
    KOVEX_Exit();
    ASSERT_EQ(m_dir.Start(1), 1);
    EXPECT_EQ(Show(Tokens("我们 Hello world")), "我们[0,2) Hello[3,8) world[9,14) ");
    EXPECT_EQ(Show(Tokens("\xEF\xBB\xBF今天 很开心😀，我们")),
              "今天[0,2) 很[3,4) 开[4,5) 心[5,6) 😀[6,7) ，[7,8) 我们[8,10) ");
    // Finer pieces follow their word, counted on from its begin.
    ASSERT_EQ(KOVEX_AddUserWord("北京大学学生 n"), 1);
    EXPECT_EQ(Show(Tokens("我 北京大学学生", true)), "我[0,1) 北京大学学生[2,8) 北京大学[2,6) 学生[6,8) ");

    // Automatic detection: the tokens count the characters of the text, which comes back as UTF-8.
    KOVEX_Exit();
    ASSERT_EQ(m_dir.Start(-1), 1);
    t = Tokens("我们是中国人，中国 Hello");
    EXPECT_EQ(Show(t), "我们[0,2) 是[2,3) 中国[3,5) 人[5,6) ，[6,7) 中国[7,9) Hello[10,15) ");
}

// Under automatic detection a UTF-8 line is read as under the UTF-8 code: the tokens count the
// caller's characters, a character without a GBK form keeps its place (in the tokens and in the
// text), and a caller's "^^" is text. Rows of KOVEX_ParagraphProcessA still index the GBK text.
TEST_F(KOVEXPoolTest, DetectedUtf8ReadsAsTheUtf8Code) {
    const char* const kLines[] = {"我们😀今天北京", "我们^^今天^^去", "\xEF\xBB\xBF价格₩很好😀😀，我们", "😀",
                                  "^^ ^^我们", "我\xFF们是中国人"};
    struct Result {
        std::string tokens, fine, text;
    };
    auto Run = [&](const char* sLine) {
        return Result{Show(Tokens(sLine)), Show(Tokens(sLine, true)), KOVEX_ParagraphProcess(sLine, 1)};
    };
    KOVEX_Exit();
    ASSERT_EQ(m_dir.Start(1), 1);
    std::vector<Result> code1;
    for (const char* sLine : kLines) code1.push_back(Run(sLine));
    EXPECT_EQ(code1[0].tokens, "我们[0,2) 😀[2,3) 今天[3,5) 北京[5,7) ");
    EXPECT_EQ(code1[1].tokens, "我们[0,2) ^[2,3) ^[3,4) 今[4,5) 天[5,6) ^[6,7) ^[7,8) 去[8,9) ");
    EXPECT_EQ(code1[1].text.find("^^"), std::string::npos) << code1[1].text;
    KOVEX_Exit();
    ASSERT_EQ(m_dir.Start(-1), 1);
    for (size_t k = 0; k < code1.size(); ++k) {
        const Result r = Run(kLines[k]);
        EXPECT_EQ(r.tokens, code1[k].tokens) << kLines[k];
        EXPECT_EQ(r.fine, code1[k].fine) << kLines[k];
        EXPECT_EQ(r.text, code1[k].text) << kLines[k];
    }
    // The rows of the engine's own row function index the GBK text under detection, where the
    // character without a GBK form stands as its marked blanks.
    int nCount = 0;
    const result_t* pRows = KOVEX_ParagraphProcessA("我们😀今天", &nCount, true);
    ASSERT_GE(nCount, 3);
    EXPECT_EQ(pRows[1].start, 4);
    EXPECT_EQ(pRows[1].length, 8);  // "^^", four blanks, "^^"
    EXPECT_EQ(pRows[2].start, 12);
}

namespace {

// "start,length " of each row of KOVEX_ParagraphProcessA, and whether the rows tile the text they
// index (nLen bytes; the text itself by default): each starts where the one before ended.
std::string Rows(const std::string& text, bool* pTiled, size_t nLen = std::string::npos) {
    if (nLen == std::string::npos) nLen = text.size();
    int nCount = 0;
    const result_t* pRows = KOVEX_ParagraphProcessA(text.c_str(), &nCount, true);
    std::string s;
    int nAt = 0;
    *pTiled = true;
    for (int k = 0; k < nCount; ++k) {
        s += std::to_string(pRows[k].start) + "," + std::to_string(pRows[k].length) + " ";
        if (pRows[k].start != nAt) *pTiled = false;
        nAt = pRows[k].start + pRows[k].length;
    }
    if (nAt != int(nLen)) *pTiled = false;
    return s;
}

}  // namespace

// Under the codes that convert, a caller's "^^" is converted as text: the rows tile the text once
// and the words come back as the caller wrote them, in short texts and in long ones (cut into
// lines). In GBK text a "^^" ... "^^" pair stays one span unit.
TEST_F(KOVEXPoolTest, CallerCaretsAreTextUnderConversion) {
    const std::string sShort = "我们^^今天^^去";
    std::string sLong;
    for (int k = 0; k < 6; ++k) sLong += "我们^^今天😀^^去^^\n";
    for (int code : {1, -1}) {
        KOVEX_Exit();
        ASSERT_EQ(m_dir.Start(code), 1);
        // Under detection the rows index the GBK text, where the emoji stands as marked blanks.
        std::string sLongGBK;
        CCodeTran::UTF8ToGBKMarked(sLong.c_str(), sLongGBK, nullptr, nullptr);
        bool bTiled = false;
        if (code == 1)
            EXPECT_EQ(Rows(sShort, &bTiled), "0,6 6,1 7,1 8,3 11,3 14,1 15,1 16,3 ");
        else
            EXPECT_EQ(Rows(sShort, &bTiled, Gbk(sShort.c_str()).size()), "0,4 4,1 5,1 6,2 8,2 10,1 11,1 12,2 ");
        EXPECT_TRUE(bTiled) << code;
        const std::string sRows = Rows(sLong, &bTiled, code == 1 ? sLong.size() : sLongGBK.size());
        EXPECT_TRUE(bTiled) << code << ": " << sRows;
        std::string sText = KOVEX_ParagraphProcess(sShort.c_str(), 1);
        for (const char* sWord : {"我们/", "^/", "今/", "天/", "去/"}) EXPECT_NE(sText.find(sWord), std::string::npos) << sText;
        sText = KOVEX_ParagraphProcess(sLong.c_str(), 0);
        std::string sJoined;
        for (char c : sText)
            if (c != ' ') sJoined += c;
        std::string sExpected;
        for (char c : sLong)
            if (c != ' ') sExpected += c;
        // The emoji has no GBK form: it keeps its place as blanks.
        size_t nAt;
        while ((nAt = sExpected.find("😀")) != std::string::npos) sExpected.erase(nAt, 4);
        EXPECT_EQ(sJoined, sExpected) << code;
        // Nor finer pieces: the conversion's marks never reach the text.
        struct Finer {
            Finer() { g_bFinerSegCombined = true; }
            ~Finer() { g_bFinerSegCombined = false; }
        } finer;
        sText = KOVEX_ParagraphProcess("我们😀😀今天", 1);
        EXPECT_EQ(sText.find('^'), std::string::npos) << code << ": " << sText;
        // Nor at the sentence bound, which the marks of a character just before it cross.
        std::string sBound;
        for (int k = 0; k < 2046; ++k) sBound += "中";
        sBound += "😀中国";
        sText = KOVEX_ParagraphProcess(sBound.c_str(), 1);
        EXPECT_EQ(sText.find('^'), std::string::npos) << code;
    }
    KOVEX_Exit();
    ASSERT_EQ(m_dir.Start(0), 1);
    bool bTiled = false;
    EXPECT_EQ(Rows(Gbk(sShort.c_str()), &bTiled), "0,4 4,8 12,2 ");
    EXPECT_TRUE(bTiled);
}

TEST_F(KOVEXPoolTest, FileProcessAndWordFrequencies) {
    kxtest::TempDir tmp;
    kxtest::WriteAll(tmp.file("in.txt"), Gbk("我们喜欢电脑\n电脑\n"));
    EXPECT_GE(KOVEX_FileProcess(tmp.file("in.txt").c_str(), tmp.file("out.txt").c_str(), 1), 0.0);
    EXPECT_NE(kxtest::ReadAll(tmp.file("out.txt")).find(Gbk("电脑")), std::string::npos);
    const std::string stat = KOVEX_FileWordFreqStat(tmp.file("in.txt").c_str(), false);
    EXPECT_NE(stat.find(Gbk("电脑")), std::string::npos) << stat;
    EXPECT_STREQ(KOVEX_FileWordFreqStat(tmp.file("missing.txt").c_str(), false), "");
}
