// The engine instance's keyword, new-word, summary and fingerprint front ends on the build's
// lexicons, over a short news text.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "CodeTrans/CodeDetect.h"
#include "CodeTrans/CodeTran.h"
#include "MainSystemFixture.h"
#include "MERIDOX/System/MainSystem.h"
#include "Utility/Bigram.h"
#include "Utility/KeyWordFinder.h"
#include "Utility/LogFile.h"
#include "Utility/LogCapture.h"
#include "Utility/PDAT.h"
#include "Utility/Unigram.h"
#include "common/TestUtil.h"

namespace enginetest {

class MainSystemKeyWordTest : public EngineTestBase {};

// A news text about a bridge: 大桥 and 长江 are its most frequent content nouns.
const char kNews[] =
    "本报武汉电 记者李明报道：长江上又一座大桥昨天正式通车。这座大桥全长三千米，是长江上最长的公路大桥。"
    "大桥通车后，两岸居民过江的时间从一个小时缩短到十分钟。武汉市政府表示，大桥的建成将带动长江两岸的经济发展。"
    "据介绍，大桥由中国企业设计和建造，总投资四十亿元。";

// Words of a format-0 keyword text ("w/t/weight/freq#...").
std::vector<std::string> KeyWords(const std::string& text) {
    std::vector<std::string> out;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t hash = text.find('#', pos);
        if (hash == std::string::npos) break;
        const std::string item = text.substr(pos, hash - pos);
        out.push_back(item.substr(0, item.find('/')));
        pos = hash + 1;
    }
    return out;
}

TEST_F(MainSystemKeyWordTest, KeywordsOfANewsTextAndTheirEncodings) {
    CMainSystem sys;
    ASSERT_TRUE(sys.IsReady());
    EXPECT_STREQ(sys.GetKeyWords("", 10, 0), "");
    EXPECT_STREQ(sys.GetKeyWords(nullptr, 10, 0), "");

    const std::string news = Gbk(kNews);
    const std::string keys = sys.GetKeyWords(news.c_str(), 5, 0);
    const std::vector<std::string> words = KeyWords(keys);
    ASSERT_FALSE(words.empty()) << Utf8(keys);
    EXPECT_LE(words.size(), 5u);
    EXPECT_EQ(words[0], Gbk("大桥")) << Utf8(keys);
    // No function word among them.
    for (const char* stop : {"的", "是", "和", "上", "后"})
        for (const std::string& w : words) EXPECT_NE(w, Gbk(stop)) << Utf8(keys);
    // The same request twice gives the same text.
    EXPECT_EQ(sys.GetKeyWords(news.c_str(), 5, 0), keys);

    // Code -1: a UTF-8 text gives UTF-8 keywords.
    ASSERT_EQ(CodeTrans_Initialize((DataDir() + "/CodeTrans.model").c_str()), 0);
    g_nEncodeType = -1;
    const std::string utf8Keys = sys.GetKeyWords(kNews, 5, 0);
    EXPECT_EQ(utf8Keys, Utf8(keys));
    g_nEncodeType = 0;

    // Format 2 starts with its header; format 1 is a JSON array.
    const std::string csv = sys.GetKeyWords(news.c_str(), 3, 2);
    EXPECT_EQ(csv.rfind("Word,POS,Weight,Frequency\r\n", 0), 0u);
    EXPECT_EQ(std::string(sys.GetKeyWords(news.c_str(), 3, 1)).front(), '[');
}

TEST_F(MainSystemKeyWordTest, SummaryFingerprintAndParsedDocument) {
    CMainSystem sys;
    const std::string news = Gbk(kNews);
    const std::string summary = sys.GetSummary(news.c_str(), 120, 0.0, 0, false);
    ASSERT_FALSE(summary.empty());
    EXPECT_LT(summary.size(), 120u);
    // Whole sentences of the text (each ends with its full stop and a blank).
    EXPECT_NE(news.find(summary.substr(0, summary.find(Gbk("。")) + 2)), std::string::npos) << Utf8(summary);
    EXPECT_STREQ(sys.GetSummary(nullptr, 100, 0.0, 0, false), "");

    const uint64_t finger = sys.GetFinger(news.c_str());
    EXPECT_NE(finger, 0u);
    EXPECT_EQ(sys.GetFinger(news.c_str()), finger);
    EXPECT_EQ(sys.GetFinger(nullptr), 0u);
    const std::string other = Gbk("足球队今天在北京举行训练，教练说球员状态很好，足球队将参加下个月的比赛。");
    EXPECT_NE(sys.GetFinger(other.c_str()), finger);

    // A parsed document with a summary, then more results on the same finder.
    std::unique_ptr<CKeyWordFinder> doc(sys.ParseDoc(news.c_str(), nullptr, true, KWF_SUMMARY | KWF_PERSON));
    ASSERT_TRUE(doc);
    EXPECT_FALSE(doc->GetExtractElement(3)->empty());
    EXPECT_FALSE(doc->GetExtractElement(8)->empty());
    EXPECT_LE(doc->GetExtractElement(8)->size(), 400u);
    doc->GetKeyWordList(0, -1);
    kxtest::TempDir dir;
    const std::string dump = dir.path() + "/dump.txt";
    EXPECT_TRUE(doc->Export(doc->GetWordAV(), dump.c_str()));
    EXPECT_NE(kxtest::ReadAll(dump).find(" Sentence Information:\n"), std::string::npos);
}

TEST_F(MainSystemKeyWordTest, FilesAndTheNewWordRun) {
    CMainSystem sys;
    kxtest::TempDir dir;
    const std::string path = dir.path() + "/news.txt";
    const std::string news = Gbk(kNews);
    kxtest::WriteAll(path, news + "\n\n" + news + "\n");
    EXPECT_EQ(KeyWords(sys.GetFileKeyWords(path.c_str(), 5, 0)).at(0), Gbk("大桥"));
    EXPECT_FALSE(std::string(sys.GetFileSummary(path.c_str(), 200, 0.0, 1, false)).empty());

    const std::string missing = dir.path() + "/none.txt";
    EXPECT_STREQ(sys.GetFileKeyWords(missing.c_str(), 5, 0), "");
    EXPECT_STREQ(sys.GetFileNewWords(missing.c_str(), 5, 0), "");

    const std::string empty = dir.path() + "/empty.txt";
    kxtest::WriteAll(empty, "");
    EXPECT_EQ(sys.NWI_Start(), 1);
    EXPECT_EQ(sys.NWI_AddFile(empty.c_str()), 0);
    EXPECT_EQ(sys.NWI_AddFile(missing.c_str()), 0);
    // A line that scans nothing (it starts with a NUL) does not stop the file.
    const std::string withNul = news + "\n" + std::string("\0xyz\n", 5) + news + "\n";
    kxtest::WriteAll(path, withNul);
    EXPECT_EQ(sys.NWI_AddFile(path.c_str()), int(withNul.size()));
    EXPECT_EQ(sys.NWI_AddMem(nullptr), 0);
    EXPECT_EQ(sys.NWI_Complete(), 1);
    EXPECT_EQ(KeyWords(sys.NWI_GetKeyWordResult(5, 0)).at(0), Gbk("大桥"));
    const std::string first = sys.NWI_GetResult(0);
    EXPECT_EQ(sys.NWI_GetResult(0), first);
}

// Standard output written while f runs.
template <class F>
std::string StdoutOf(F f) {
    fflush(stdout);
    ::testing::internal::CaptureStdout();
    f();
    fflush(stdout);
    return ::testing::internal::GetCapturedStdout();
}

TEST_F(MainSystemKeyWordTest, FileFrontEndsReadLikeTheTextOnesAndReportProgress) {
    CMainSystem sys;
    kxtest::TempDir dir;
    const std::string line = Gbk(kNews) + "\n";
    const std::string one = dir.file("one.txt");
    kxtest::WriteAll(one, line);
    // A one-line file gives what its text gives.
    std::string text;
    const std::string keys = StdoutOf([&] { text = sys.GetFileKeyWords(one.c_str(), 5, 0); });
    EXPECT_EQ(keys, "Line 0\r");
    EXPECT_EQ(text, sys.GetKeyWords(line.c_str(), 5, 0));
    EXPECT_EQ(StdoutOf([&] { text = sys.GetFileNewWords(one.c_str(), 5, 0); }), "Line 1\r");
    EXPECT_EQ(text, sys.GetNewWords(line.c_str(), 5, 0));
    EXPECT_EQ(StdoutOf([&] { text = sys.GetFileSummary(one.c_str(), 120, 0.0, 0, false); }), "");
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text, sys.GetSummary(line.c_str(), 120, 0.0, 0, false));

    // Keywords count lines before the 1st, 1001st, ... line; new words after every line.
    std::string many;
    for (int k = 0; k < 1001; ++k) many += Gbk("大桥通车。") + "\n";
    kxtest::WriteAll(dir.file("many.txt"), many);
    EXPECT_EQ(StdoutOf([&] { sys.GetFileKeyWords(dir.file("many.txt").c_str(), 5, 0); }), "Line 0\rLine 1000\r");
    kxtest::WriteAll(dir.file("three.txt"), line + "\n" + line);
    EXPECT_EQ(StdoutOf([&] { sys.GetFileNewWords(dir.file("three.txt").c_str(), 5, 0); }),
              "Line 1\rLine 2\rLine 3\r");
    // A line longer than any fixed buffer is read whole: its keywords are those of one text.
    std::string longLine;
    while (longLine.size() < 20000) longLine += Gbk(kNews);
    kxtest::WriteAll(dir.file("long.txt"), longLine + "\n");
    const std::string longKeys = sys.GetFileKeyWords(dir.file("long.txt").c_str(), 5, 0);
    EXPECT_EQ(longKeys, sys.GetKeyWords((longLine + "\n").c_str(), 5, 0));

    // Files that do not open: "", and the messages of each operation (the keywords' into the log,
    // the others' into the error file); the last error stays.
    const std::string missing = dir.file("none.txt");
    LogCapture logs;
    const std::string savedDir = g_sDefaultDir;
    g_sDefaultDir = logs.Dir();
    SetLastErrorMessage("before");
    EXPECT_STREQ(sys.GetFileKeyWords(missing.c_str(), 5, 0), "");
    EXPECT_EQ(logs.Logs(), (std::vector<std::string>{"Open file failed ", missing}));
    EXPECT_STREQ(sys.GetFileNewWords(missing.c_str(), 5, 0), "");
    EXPECT_STREQ(sys.GetFileSummary(missing.c_str(), 100, 0.0, 0, false), "");
    EXPECT_STREQ(sys.GetFileSummary(nullptr, 100, 0.0, 0, false), "");
    EXPECT_EQ(logs.Errors(), (std::vector<std::string>{"Failed Open file " + missing, "Failed Open file " + missing,
                                                       "Failed Open file "}));
    EXPECT_EQ(CopyLastErrorMessage(), "before");
    g_sDefaultDir = savedDir;
}

TEST_F(MainSystemKeyWordTest, FileNamesInTheCallersEncoding) {
    CCodeTran tran((DataDir() + "/").c_str(), 1);
    ASSERT_EQ(tran.GetStatus(), 1);
    g_pCodeTranslator = &tran;
    g_nEncodeType = 1;
    CMainSystem sys;
    kxtest::TempDir dir;
    // A UTF-8 name as given, and a UTF-8 name whose file is named in GBK.
    const std::string utf8Name = dir.path() + "/新闻.txt";
    const std::string gbkName = dir.path() + "/" + Gbk("报道.txt");
    kxtest::WriteAll(utf8Name, std::string(kNews) + "\n");
    kxtest::WriteAll(gbkName, std::string(kNews) + "\n");
    const std::vector<std::string> a = KeyWords(sys.GetFileKeyWords(utf8Name.c_str(), 5, 0));
    const std::vector<std::string> b = KeyWords(sys.GetFileKeyWords((dir.path() + "/报道.txt").c_str(), 5, 0));
    g_pCodeTranslator = nullptr;
    ASSERT_FALSE(a.empty());
    EXPECT_EQ(a[0], "大桥");  // handed back in UTF-8
    EXPECT_EQ(a, b);
}

TEST_F(MainSystemKeyWordTest, SummaryWithoutMarkupAndSentencesStartingInTheirLine) {
    CMainSystem sys;
    const std::string news = Gbk(kNews);
    const std::string html = "<html><body><p>" + news + "</p><br/></body></html>";
    const std::string clean = sys.GetSummary(html.c_str(), 200, 0.0, 0, true);
    ASSERT_FALSE(clean.empty());
    EXPECT_EQ(clean.find('<'), std::string::npos) << Utf8(clean);
    EXPECT_EQ(clean.find("body"), std::string::npos) << Utf8(clean);
    const std::string first = clean.substr(0, clean.find(Gbk("。")));
    EXPECT_NE(news.find(first), std::string::npos) << Utf8(clean);

    // Lines scanned one by one into one finder: each line's sentences start at or after the ids
    // that line added first, and end inside the id list.
    CKeyWordFinder finder(g_pUnigram, nullptr, KWF_KEYWORD);
    const char* lines[] = {"长江上又一座大桥昨天正式通车。这座大桥全长三千米。\n", "大桥通车后，两岸居民过江的时间缩短。\n",
                           "武汉市政府表示，大桥的建成将带动经济发展。据介绍，大桥由中国企业建造。\n"};
    for (const char* l : lines) {
        const size_t nIds = finder.GetWordIDList().size();
        const size_t nSents = finder.GetSentences().size();
        ASSERT_GT(sys.Scan(Gbk(l).c_str(), &finder, true, true, false), 0u);
        ASSERT_GT(finder.GetSentences().size(), nSents) << l;
        for (size_t k = nSents; k < finder.GetSentences().size(); ++k) {
            const SENTENCE_INFO& s = finder.GetSentences()[k];
            EXPECT_GE(size_t(s.start_pos), nIds) << l;
            EXPECT_LE(s.start_pos, s.end_pos) << l;
            EXPECT_LT(size_t(s.end_pos), finder.GetWordIDList().size()) << l;
        }
    }
    const std::string summary = finder.GetSummary(0, 0.0, 2, false);
    EXPECT_FALSE(summary.empty());
}

// Words of a format-0 keyword text of the instance, as UTF-8 for readable failures.
std::vector<std::string> Utf8KeyWords(CMainSystem& sys, const char* sUtf8, int nMax = -1) {
    std::vector<std::string> out;
    for (const std::string& w : KeyWords(sys.GetKeyWords(Gbk(sUtf8).c_str(), nMax, 0))) out.push_back(Utf8(w));
    return out;
}

bool Has(const std::vector<std::string>& words, const std::string& w) {
    return std::find(words.begin(), words.end(), w) != words.end();
}

TEST_F(MainSystemKeyWordTest, MarksWhiteSpaceAndFieldWordsAreNoKeywords) {
    CMainSystem sys;
    // The sentence-end marks come untagged, the others tagged "w...": none ranks in an article.
    for (const std::string& w : Utf8KeyWords(sys, kNews))
        for (const char* mark : {"。", "，", "：", " "}) EXPECT_EQ(w.find(mark), std::string::npos) << w;

    // Field words carry their weight as tag: judged by the core dictionary's tag, 好 is as common
    // as it ever was; a lexicon phrase the core dictionary lacks is no keyword; a numeral stays.
    SetFieldWords({{"好", "0.52"}, {"非常满意", "1.07"}, {"12", "0.05"}, {"好评", "0.65"}});
    const std::string said = sys.GetKeyWords(Gbk("他说：“好。”").c_str(), 10, 0);
    EXPECT_EQ(said.find(Gbk("。")), std::string::npos) << Utf8(said);
    EXPECT_EQ(said.find("/0.52/"), std::string::npos) << Utf8(said);
    const std::vector<std::string> review = Utf8KeyWords(sys, "好评非常满意，非常满意，12个赞，12元");
    EXPECT_FALSE(Has(review, "非常满意"));
    EXPECT_TRUE(Has(review, "好评"));
    EXPECT_TRUE(Has(review, "12"));

    // White space or marks alone: no keyword, no summary, and the fingerprint of the empty text.
    for (const char* blank : {"     ", "\n\n\n", "\t \r\n", "　　", "。。。。。。。。。。。。", "……  ，，!!"}) {
        EXPECT_STREQ(sys.GetKeyWords(Gbk(blank).c_str(), 10, 0), "") << blank;
        EXPECT_STREQ(sys.GetSummary(Gbk(blank).c_str(), 400, 0.0, 0, false), "") << blank;
        EXPECT_EQ(sys.GetFinger(Gbk(blank).c_str()), sys.GetFinger("")) << blank;
    }
    EXPECT_EQ(sys.GetFinger(""), 0u);
}

TEST_F(MainSystemKeyWordTest, NewWordCountsGrowWithTheRunWhateverWasAsked) {
    // The same texts three times into the run, with or without results asked for after the first.
    auto run = [](const char* sUtf8, bool bAsk) {
        CMainSystem sys;
        const std::string text = Gbk(sUtf8);
        sys.NWI_Start();
        sys.NWI_AddMem(text.c_str());
        if (bAsk) {
            sys.NWI_GetResult(0);
            sys.NWI_GetKeyWordResult(-1, 0);
        }
        sys.NWI_AddMem(text.c_str());
        sys.NWI_AddMem(text.c_str());
        return std::make_pair(Utf8(sys.NWI_GetResult(0)), Utf8(sys.NWI_GetKeyWordResult(10, 0)));
    };
    const char* chinese = "困难企业得到帮助。许多困难企业恢复生产。政府支持困难企业发展。银行为困难企业贷款。"
                          "困难企业职工收入增加。";
    const auto plain = run(chinese, false);
    EXPECT_EQ(plain.first.find("困难企业/n_new/"), 0u) << plain.first;
    EXPECT_NE(plain.first.find("/15#"), std::string::npos) << plain.first;
    EXPECT_EQ(run(chinese, true), plain);
    const char* english = "NASA launched a rocket. Scientists at NASA said the mission worked. Engineers from NASA "
                          "built it. Reporters asked NASA about costs.";
    const auto acronym = run(english, false);
    EXPECT_EQ(acronym.first.rfind("NASA/", 0), 0u) << acronym.first;
    EXPECT_NE(acronym.first.find("/12#"), std::string::npos) << acronym.first;
    EXPECT_EQ(run(english, true), acronym);
}

TEST_F(MainSystemKeyWordTest, EnglishSummaryByRatio) {
    LogCapture logs;
    CMainSystem sys;
    const std::string text = "NASA launched a rocket. Scientists at NASA said the mission worked. Engineers from NASA "
                             "built it. Reporters asked NASA about costs.";
    const std::string summary = sys.GetSummary(text.c_str(), 0, 0.5, 0, false);
    EXPECT_FALSE(summary.empty());
    EXPECT_LE(summary.size(), text.size() / 2);
    EXPECT_EQ(text.compare(0, 4, summary, 0, 4), 0) << summary;
    EXPECT_TRUE(logs.Logs().empty());
}

// The frequent-pair test over stores of its own: word ids 1 and 2 (frequencies u1 and u2) and
// their pair frequency b.
TEST(MainSystemFreqAssociateTest, PairCountAgainstEitherWordsCount) {
    CPDAT dict(0);
    dict.AddWordInit();
    dict.AddWord("\xB0\xA1");  // 啊
    dict.AddWord("\xB0\xA2");  // 阿
    dict.AddWord("\xB0\xA3");  // 埃
    dict.AddWordComplete();
    const int h1 = dict.Find("\xB0\xA2"), h2 = dict.Find("\xB0\xA3");
    ASSERT_GE(h1, 0);
    ASSERT_GE(h2, 0);
    CPDAT* savedDict = g_pCoreDict;
    CUnigram* savedUni = g_pUnigram;
    CBigram* savedBi = g_pBiDict;
    auto test = [&](int b, int u1, int u2) {
        CUnigram uni(8);
        uni.AddFreq(h1, u1);
        uni.AddFreq(h2, u2);
        CBigram bi(false, 8);
        bi.AddItem(h1, h2, b);
        bi.Dynamic2Static();
        g_pCoreDict = &dict;
        g_pUnigram = &uni;
        g_pBiDict = &bi;
        const bool bResult = CMainSystem::IsFreqAssociate("\xB0\xA2", "\xB0\xA3");
        const bool bMissing = CMainSystem::IsFreqAssociate("\xB0\xA2", "\xB0\xA4");  // 挨: no such word
        g_pCoreDict = savedDict;
        g_pUnigram = savedUni;
        g_pBiDict = savedBi;
        EXPECT_FALSE(bMissing);
        return bResult;
    };
    EXPECT_FALSE(test(3, 1, 1));      // fewer than 4 together, however rare the words
    EXPECT_TRUE(test(4, 40, 40));     // 4 is a tenth of either
    EXPECT_TRUE(test(4, 41, 40));     // a tenth of the second is enough
    EXPECT_TRUE(test(4, 40, 1000));   // or of the first
    EXPECT_FALSE(test(4, 41, 41));    // under a tenth of both
    EXPECT_TRUE(test(100, 900, 2000));
}

}  // namespace enginetest
