#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "MERIDOX/API/KOVEX_API.h"
#include "MERIDOX/System/EngineGlobals.h"
#include "SentimentNew/class/SentiEngine.h"
#include "SentimentNew/main/STTestDir.h"
#include "Utility/TagValue.h"
#include "common/SentiTreeDocument.h"
#include "common/TestUtil.h"
#include "Utility/LogCapture.h"
#include "Utility/LogFile.h"
#include "Utility/Trie.h"
#include "common/SegmentData.h"

namespace {

using sttest::STDataDir;

bool ContainsLine(const std::vector<std::string>& lines, const std::string& s) {
    return std::find(lines.begin(), lines.end(), s) != lines.end();
}
using sttest::STStarted;

// Every function's refusal value, null arguments included; none may crash.
void ExpectRefusals() {
    for (const char* arg : {static_cast<const char*>(nullptr), "好"}) {
        EXPECT_STREQ("", ST_GetOneObjectResult(arg, arg, arg));
        EXPECT_STREQ("", ST_GetMultiObjectResult(arg, arg, arg));
        EXPECT_STREQ("", ST_GetSentencePoint(arg));
        EXPECT_EQ(0.0, ST_GetSentimentPoint(arg));
        EXPECT_EQ(0, ST_ImportUserDict(arg, 1));
        EXPECT_EQ(0, ST_SentiDictIO(arg, arg, true));
        EXPECT_EQ(nullptr, ST_ProcesDir(arg));
        EXPECT_NE(nullptr, ST_GetLastErrorMsg());
    }
    EXPECT_EQ(1, ST_Exit());
}

TEST(STLifecycleTest, EveryFunctionRefusesBeforeInitAndAfterExit) {
    ExpectRefusals();
    STDataDir dir;
    ASSERT_EQ(1, ST_Init(dir.Root().c_str(), 1, nullptr));
    EXPECT_EQ(1, ST_Exit());
    ExpectRefusals();
    // The refusals left the engine alone: it is still stopped.
    EXPECT_EQ(0, KOVEX_Exit());
}

TEST(STLifecycleTest, SecondInitKeepsTheFirstCode) {
    STDataDir dir;
    ASSERT_EQ(1, ST_Init(dir.Root().c_str(), 1, nullptr));
    EXPECT_EQ(1, ST_Init(dir.Root().c_str(), 0, nullptr));
    // Still UTF-8: the document declares it.
    EXPECT_NE(std::string::npos, std::string(ST_GetSentencePoint("好")).find("encoding=\"utf-8\""));
    ST_Exit();
}

TEST(STLifecycleTest, FailedStartAppendsThePathToTheLastError) {
    EXPECT_EQ(0, ST_Init("/nonexistent/kovex", 1, nullptr));
    const std::string msg = ST_GetLastErrorMsg();
    EXPECT_NE(std::string::npos, msg.find(" KOVEX Segment init failed! In Data Path=/nonexistent/kovex")) << msg;
    ExpectRefusals();
}

// The last error gives the caller's paths back intact under every code, before and after a start
// that succeeded: a missing data folder and an empty file in a ranked folder, both named in UTF-8.
TEST(STLifecycleTest, LastErrorKeepsTheCallersPaths) {
    STDataDir dir;
    const std::string missing = dir.Root() + "/无此";
    for (int round = 0; round < 2; ++round) {
        for (int code : {0, 1, -1}) {
            EXPECT_EQ(0, ST_Init(missing.c_str(), code, nullptr));
            EXPECT_EQ("Cannot Open Configure file " + missing + "/Data/Configure.xml KOVEX Segment init failed! In Data Path=" +
                          missing,
                      std::string(ST_GetLastErrorMsg()))
                << "code " << code << " round " << round;
        }
        ASSERT_EQ(1, ST_Init(dir.Root().c_str(), 1, nullptr));
        EXPECT_EQ(1, ST_Exit());
    }
    const std::string folder = dir.Root() + "/排名";
    ASSERT_EQ(0, mkdir(folder.c_str(), 0755));
    dir.Put("排名/空的.txt", "");
    dir.Put("排名/好.txt", "很好");
    for (int code : {0, 1, -1}) {
        ASSERT_EQ(1, ST_Init(dir.Root().c_str(), code, nullptr));
        EXPECT_NE(nullptr, ST_ProcesDir(folder.c_str()));
        EXPECT_EQ("Error read file " + folder + "/空的.txt", std::string(ST_GetLastErrorMsg())) << "code " << code;
        EXPECT_EQ(nullptr, ST_ProcesDir((folder + "/无此").c_str()));
        EXPECT_EQ("Cannot open directory " + folder + "/无此", std::string(ST_GetLastErrorMsg())) << "code " << code;
        EXPECT_EQ(1, ST_Exit());
    }
}

TEST(STLifecycleTest, MissingConverterIsRetriedBySecondInit) {
    STDataDir dir;
    // The engine loads no converter for code 5, so only the sentiment side misses this map.
    std::filesystem::remove(dir.Data("UTF2GBK.map"));
    SetLastErrorMessage("an earlier call's message");
    EXPECT_EQ(0, ST_Init(dir.Root().c_str(), 5, nullptr));
    EXPECT_NE(std::string::npos, std::string(ST_GetLastErrorMsg()).find(dir.Data("UTF2GBK.map") + " cannot load!"))
        << ST_GetLastErrorMsg();
    EXPECT_EQ(0, ST_Init(dir.Root().c_str(), 5, nullptr));
    std::filesystem::create_symlink(std::string(KX_BUILD_DIR) + "/Data/UTF2GBK.map", dir.Data("UTF2GBK.map"));
    EXPECT_EQ(1, ST_Init(dir.Root().c_str(), 5, nullptr));
    ST_Exit();
}

// The lexicon shipped in the built data directory scores plain reviews the right way round, in
// UTF-8 and in GBK alike, and an empty text still gets 0.
TEST(STShippedLexiconTest, PlainReviewsGetTheirSign) {
    STDataDir dir(true);
    const char* positive = "质量很好，物流也快，非常满意！";
    const char* negative = "用了两天就坏了，太失望了。";
    ASSERT_EQ(1, ST_Init(dir.Root().c_str(), 1, nullptr));
    const double pos = ST_GetSentimentPoint(positive), neg = ST_GetSentimentPoint(negative);
    EXPECT_GT(pos, 0.0);
    EXPECT_LT(neg, 0.0);
    EXPECT_EQ(0.0, ST_GetSentimentPoint(""));
    EXPECT_NE(std::string::npos, std::string(ST_GetSentencePoint(positive)).find("<pos value=\""));
    ST_Exit();
    ASSERT_EQ(1, ST_Init(dir.Root().c_str(), 0, nullptr));
    // 质量很好，物流也快，非常满意！ in GBK: the same point
    EXPECT_DOUBLE_EQ(pos, ST_GetSentimentPoint("\xD6\xCA\xC1\xBF\xBA\xDC\xBA\xC3\xA3\xAC\xCE\xEF\xC1\xF7\xD2\xB2\xBF\xEC"
                                               "\xA3\xAC\xB7\xC7\xB3\xA3\xC2\xFA\xD2\xE2\xA3\xA1"));
    ST_Exit();
}

class STRequestTest : public STStarted {};

// Every failing call leaves its own reason as the last error, whatever an earlier call left
// there, with the caller's path as given (UTF-8 names under code 1).
TEST(STLastErrorTest, FailedCallsLeaveTheirOwnReason) {
    LogCapture logs;
    const std::string notStarted = "The library is not started: call ST_Init first";
    SetLastErrorMessage("an earlier call's message");
    EXPECT_EQ(0.0, ST_GetSentimentPoint("好"));
    EXPECT_EQ(notStarted, ST_GetLastErrorMsg());
    SetLastErrorMessage("an earlier call's message");
    EXPECT_EQ(0, ST_ImportUserDict("/missing.txt", 0));
    EXPECT_EQ(notStarted, ST_GetLastErrorMsg());

    STDataDir dir;
    ASSERT_EQ(1, ST_Init(dir.Root().c_str(), 1, nullptr));
    const std::string missing = dir.Root() + "/无此.txt";
    const std::string empty = dir.Put("空.txt", "\n\n");
    const std::pair<std::function<bool()>, std::string> cases[] = {
        {[] { return ST_ImportUserDict("/missing.txt", 0) == 0; }, "Failed Open file /missing.txt"},
        {[&] { return ST_ImportUserDict(missing.c_str(), 1) == 0; }, "Failed Open file " + missing},
        {[&] { return ST_ImportUserDict(empty.c_str(), 1) == 0; }, "No dictionary entry in file " + empty},
        {[&] { return ST_SentiDictIO(missing.c_str(), missing.c_str(), true) == 0; }, "Failed Open file " + missing},
        {[&] { return *ST_GetMultiObjectResult("", "苹果很好", (dir.Root() + "/无此.xml").c_str()) == 0; },
         "Cannot read sentiment configuration file " + dir.Root() + "/无此.xml"},
        {[&] { return ST_ProcesDir((dir.Root() + "/无此").c_str()) == nullptr; }, "Cannot open directory " + dir.Root() + "/无此"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.second);
        SetLastErrorMessage("an earlier call's message");
        EXPECT_TRUE(c.first());
        EXPECT_EQ(c.second, ST_GetLastErrorMsg());
    }
    // An import whose new files cannot be put in place (a folder holds the temporary's name).
    std::filesystem::create_directories(dir.Data("FieldDict.pdat.new/x"));
    SetLastErrorMessage("an earlier call's message");
    EXPECT_EQ(0, ST_ImportUserDict(dir.Put("l.txt", "满意 2\n").c_str(), 1));
    EXPECT_EQ("Cannot Save user dictionary  " + dir.Data("FieldDict.pdat"), std::string(ST_GetLastErrorMsg()));
    EXPECT_TRUE(ContainsLine(logs.Errors(), dir.Data("FieldDict.pdat")));
    ST_Exit();
}

// The library's day files: a failed import's error and the walker's lines of a ranking over a
// folder with a subfolder go into the working folder, or into the folder that Configure.xml's
// LogPath names, and then nowhere else.
TEST(STLogTest, DayFilesGoToTheWorkingFolderOrTheConfiguredOne) {
    LogCapture logs;
    STDataDir dir;
    kxtest::TempDir chosen;
    const std::string folder = dir.Root() + "/rank";
    ASSERT_EQ(0, mkdir(folder.c_str(), 0755));
    ASSERT_EQ(0, mkdir((folder + "/sub").c_str(), 0755));
    dir.Put("rank/sub/a.txt", "很好");
    const std::string shipped = kxtest::ReadAll(dir.Data("Configure.xml"));
    ASSERT_NE(std::string::npos, shipped.find("<LogPath></LogPath>"));
    auto run = [&] {
        ASSERT_EQ(1, ST_Init(dir.Root().c_str(), 1, nullptr));
        EXPECT_EQ(0, ST_ImportUserDict("/missing.txt", 1));
        EXPECT_NE(nullptr, ST_ProcesDir(folder.c_str()));
        ST_Exit();
    };
    auto lineIn = [](const std::string& logFolder, const char* ext, const std::string& text) {
        for (auto& e : std::filesystem::directory_iterator(logFolder)) {
            if (e.path().extension() == ext && kxtest::ReadAll(e.path().string()).find(text) != std::string::npos) return true;
        }
        return false;
    };
    run();
    EXPECT_TRUE(lineIn(logs.Dir(), ".err", "\tFailed Open file /missing.txt\n"));
    EXPECT_TRUE(lineIn(logs.Dir(), ".log", folder + "/sub/ starting!"));

    for (auto& e : std::filesystem::directory_iterator(logs.Dir())) std::filesystem::remove(e.path());
    std::string config = shipped;
    config.replace(config.find("<LogPath></LogPath>"), 19, "<LogPath>" + chosen.path() + "</LogPath>");
    ASSERT_EQ(0, unlink(dir.Data("Configure.xml").c_str()));
    kxtest::WriteAll(dir.Data("Configure.xml"), config);
    run();
    EXPECT_TRUE(lineIn(chosen.path(), ".err", "\tFailed Open file /missing.txt\n"));
    EXPECT_TRUE(lineIn(chosen.path(), ".log", folder + "/sub/ starting!"));
    EXPECT_TRUE(std::filesystem::is_empty(logs.Dir()));
}

// Object requests, point requests and a ranking leave the data folder as it was: no file written
// or replaced (its links stay links), no error line, even when the folder is read-only (for a
// process that is not root, which the mode binds; root is held to the same by the stamps). The
// user dictionary they change is put back, and an unchanged dictionary is not saved.
TEST(STDataFolderTest, RequestsLeaveAReadOnlyDataFolderUntouched) {
    LogCapture logs;
    STDataDir dir(true);
    const std::string config = dir.Put("c.xml",
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<QVSentiment-Config><eventcategory>"
        "<category id=\"1\"><brandword>手机|屏幕|电池</brandword></category></eventcategory>"
        "<wordset><set tag=\"neg\">不|没</set></wordset><remove><remove tag=\"sentence\"><removeSentence>广告"
        "</removeSentence></remove><remove tag=\"word\"><removeWord>的</removeWord></remove></remove>"
        "</QVSentiment-Config>\n");
    const std::string folder = dir.Root() + "/rank";
    ASSERT_EQ(0, mkdir(folder.c_str(), 0755));
    dir.Put("rank/a.txt", "屏幕很清晰。");
    ASSERT_EQ(0, chmod(dir.Data().c_str(), 0555));
    struct Restore {
        std::string path;
        ~Restore() { chmod(path.c_str(), 0755); }
    } restore{dir.Data()};
    ASSERT_EQ(1, ST_Init(dir.Root().c_str(), 1, nullptr));
    const kxtest::FileStamp before = kxtest::StampOf(dir.Data()), userDict = kxtest::StampOf(dir.Data("UserDict.pdat"));
    ASSERT_TRUE(userDict.link);
    const char* content = "这款手机屏幕很清晰，电池也耐用。可惜手机的价格太贵了，不满意。";
    for (int i = 0; i < 3; ++i) {
        EXPECT_NE(std::string::npos, std::string(ST_GetMultiObjectResult("新手机", content, config.c_str())).find("<object>"));
        EXPECT_NE(std::string::npos, std::string(ST_GetOneObjectResult("新手机", content, "手机")).find("<object>"));
        EXPECT_NE(0.0, ST_GetSentimentPoint(content));
        EXPECT_NE(nullptr, ST_ProcesDir(folder.c_str()));
    }
    ST_Exit();
    EXPECT_TRUE(kxtest::StampOf(dir.Data()) == before);
    EXPECT_TRUE(kxtest::StampOf(dir.Data("UserDict.pdat")) == userDict);
    EXPECT_EQ(std::vector<std::string>(), logs.Errors());
}

TEST_F(STRequestTest, PointsFollowImportedWeights) {
    const std::string lexicon = m_dir.Put("senti.txt", "满意 2\n失望 -1\n糟糕 -3\n不 Neg\n");
    ASSERT_EQ(4, ST_ImportUserDict(lexicon.c_str(), 1));
    EXPECT_DOUBLE_EQ(1.0, ST_GetSentimentPoint("我很满意"));
    EXPECT_DOUBLE_EQ(-1.0, ST_GetSentimentPoint("我很失望"));
    EXPECT_DOUBLE_EQ(-0.2, ST_GetSentimentPoint("我很满意但是糟糕"));  // {2, -3}
    EXPECT_DOUBLE_EQ(-1.0, ST_GetSentimentPoint("我不太满意"));        // negation crosses 太
    EXPECT_EQ(0.0, ST_GetSentimentPoint("今天星期三"));
    EXPECT_EQ(0.0, ST_GetSentimentPoint(""));
    const std::string doc = ST_GetSentencePoint("我很满意");
    EXPECT_NE(std::string::npos, doc.find("<pos value=\"2\">满意</pos>")) << doc;
    EXPECT_NE(std::string::npos, doc.find("<positivepoint>2.00</positivepoint>")) << doc;
}

// A long text goes through the engine in many pieces (lines, sentences cut at the sentence
// bound) and its document is written as it is scored: the same bytes as the document built as a
// tree from the whole marked-up text, and the ranking's sentence column is that document's clue.
TEST_F(STRequestTest, LongTextDocumentIsTheTreeBuiltOne) {
    ASSERT_EQ(3, ST_ImportUserDict(m_dir.Put("senti.txt", "满意 2\n失望 -1\n不 Neg\n").c_str(), 1));
    std::string text;
    for (int i = 0; text.size() < 300000; ++i) {
        text += i % 3 ? "我很满意这款手机，屏幕]]>清晰。" : "价格不满意\n";
        if (i % 500 == 0) {
            for (int j = 0; j < 2000; ++j) text += "失望";  // 6,000 bytes without a sentence end
        }
    }
    // The library's engine behind an analyser of the test's own, which leaves it running.
    struct LibraryEngine : SentiEngine {
        KovexSentiEngine& e = KovexSentiEngine::Instance();
        tstring TagSentence(const tstring& s) override { return e.TagSentence(s); }
        void TagSentenceUnits(const char* s, const SentiUnitSink& sink) override { e.TagSentenceUnits(s, sink); }
        int AddUserWord(const tstring& s) override { return e.AddUserWord(s); }
        int GetUserWordState(const tstring& w, SentiUserWordState& st) override { return e.GetUserWordState(w, st); }
        int RestoreUserWord(const tstring& w, const SentiUserWordState& st) override { return e.RestoreUserWord(w, st); }
        int SaveUserDict() override { return e.SaveUserDict(); }
        tstring UserWordKey(const tstring& w) override { return e.UserWordKey(w); }
    } engine;
    const Sentiment senti("", 1, engine);
    const std::string expected = kxtest::TreeDocument(senti, text, SentiEncoding::UTF8, "utf-8");
    EXPECT_NE(std::string::npos, expected.find("]]]]><![CDATA[>"));
    EXPECT_EQ(expected, ST_GetSentencePoint(text.c_str()));

    const std::string folder = m_dir.Root() + "/long";
    ASSERT_EQ(0, mkdir(folder.c_str(), 0755));
    m_dir.Put("long/a.txt", text);
    const char* table = ST_ProcesDir(folder.c_str());
    ASSERT_NE(nullptr, table);
    std::string clue;
    GetXMLItemValue(expected.c_str(), "contentsentenceclue", clue);
    std::replace(clue.begin(), clue.end(), '\n', ' ');
    size_t quote = 0;
    while ((quote = clue.find('"', quote)) != std::string::npos) {
        clue.insert(quote, 1, '"');
        quote += 2;
    }
    const std::string bytes = kxtest::ReadAll(table);
    EXPECT_EQ(bytes.substr(bytes.size() - clue.size() - 2), clue + "\"\n");
}

// The exported ranking reaches the analyser: a folder with one text gets its table, a missing
// folder gets null.
TEST_F(STRequestTest, ProcesDirRanksAFolderThroughTheInterface) {
    ASSERT_EQ(2, ST_ImportUserDict(m_dir.Put("r.txt", "满意 2\n失望 -1\n").c_str(), 1));
    const std::string folder = m_dir.Root() + "/rank";
    ASSERT_EQ(0, mkdir(folder.c_str(), 0755));
    m_dir.Put("rank/a.txt", "我很满意");
    const char* table = ST_ProcesDir(folder.c_str());
    ASSERT_NE(nullptr, table);
    EXPECT_EQ(folder + "/SentimentRankResult.xls", std::string(table));
    EXPECT_EQ(0, access(table, R_OK));
    EXPECT_EQ(nullptr, ST_ProcesDir((m_dir.Root() + "/missing").c_str()));
}

TEST_F(STRequestTest, ImportAppendsOrReplaces) {
    ASSERT_EQ(1, ST_ImportUserDict(m_dir.Put("a.txt", "满意 2\n").c_str(), 1));
    ASSERT_EQ(1, ST_ImportUserDict(m_dir.Put("b.txt", "失望 -1\n").c_str(), 0));
    EXPECT_DOUBLE_EQ(0.0 + 1.0 / 3.0, ST_GetSentimentPoint("满意失望"));
    ASSERT_EQ(1, ST_ImportUserDict(m_dir.Put("c.txt", "失望 -1\n").c_str(), 1));
    EXPECT_DOUBLE_EQ(-1.0, ST_GetSentimentPoint("满意失望"));
    EXPECT_EQ(0, ST_ImportUserDict(nullptr, 1));
    EXPECT_DOUBLE_EQ(-1.0, ST_GetSentimentPoint("满意失望"));  // a failed import keeps the words
}

TEST_F(STRequestTest, SentiDictIOKeepsBothFilesAndTheNegativeWeightWins) {
    const std::string pos = m_dir.Put("pos.txt", "满意 2\n一般 1\n");
    const std::string neg = m_dir.Put("neg.txt", "失望 -1\n一般 -0.5\n");
    EXPECT_EQ(0, ST_SentiDictIO(pos.c_str(), neg.c_str(), false));
    EXPECT_EQ(0.0, ST_GetSentimentPoint("满意"));
    EXPECT_EQ(4, ST_SentiDictIO(pos.c_str(), neg.c_str(), true));
    EXPECT_DOUBLE_EQ(1.0, ST_GetSentimentPoint("满意"));
    EXPECT_DOUBLE_EQ(-1.0, ST_GetSentimentPoint("失望"));
    EXPECT_DOUBLE_EQ(-1.0, ST_GetSentimentPoint("一般"));
}

// Object requests under UTF-8 callers (code 1) and automatic detection (-1), where the analyser
// hands its words to the engine already in GBK: converted once, they are found and put back.
class STObjectRequestTest : public STStarted, public ::testing::WithParamInterface<int> {
protected:
    int Encode() const override { return GetParam(); }
};
INSTANTIATE_TEST_SUITE_P(Codes, STObjectRequestTest, ::testing::Values(1, -1));

TEST_P(STObjectRequestTest, ObjectRequestLeavesTheUserDictionaryAsItWas) {
    ASSERT_EQ(2, ST_ImportUserDict(m_dir.Put("l.txt", "好 2\n差 -1\n").c_str(), 1));
    ASSERT_EQ(1, KOVEX_AddUserWord("苹果 nz"));
    KOVEX_UserWordState before;
    ASSERT_EQ(1, KOVEX_GetUserWordState("苹果", before));

    const std::string doc = ST_GetOneObjectResult("苹果手机", "苹果很好。香蕉很差！", "苹果");
    EXPECT_NE(std::string::npos, doc.find("<object>苹果</object>")) << doc;
    EXPECT_NE(std::string::npos, doc.find("<polarity>2.00</polarity>")) << doc;
    KOVEX_UserWordState after;
    ASSERT_EQ(1, KOVEX_GetUserWordState("苹果", after));
    EXPECT_STREQ(before.sPOS, after.sPOS);
    EXPECT_EQ(before.nFreq, after.nFreq);

    EXPECT_NE(std::string::npos, std::string(ST_GetOneObjectResult("", "香蕉很差", "香蕉")).find("-1.00"));
    EXPECT_EQ(0, KOVEX_GetUserWordState("香蕉", after));
    EXPECT_STREQ("", ST_GetOneObjectResult("", "香蕉很差", "西瓜"));
    EXPECT_STREQ("", ST_GetOneObjectResult("", "香蕉很差", "香蕉 Neg"));
    EXPECT_EQ(0, KOVEX_GetUserWordState("香蕉", after));
}

TEST_P(STObjectRequestTest, ConfigurationRequestByUtf8Path) {
    ASSERT_EQ(1, ST_ImportUserDict(m_dir.Put("l.txt", "满意 2\n").c_str(), 1));
    const std::string config = m_dir.Put("配置.xml",
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<QVSentiment-Config><eventcategory>"
        "<category id=\"1\"><brandword>苹果|香蕉</brandword></category></eventcategory>"
        "<wordset><set tag=\"neg\">不</set></wordset></QVSentiment-Config>\n");
    const std::string doc = ST_GetMultiObjectResult("", "苹果不太满意。", config.c_str());
    EXPECT_NE(std::string::npos, doc.find("<object>苹果</object>")) << doc;
    EXPECT_NE(std::string::npos, doc.find("<polarity>-2.00</polarity>")) << doc;
    EXPECT_EQ(std::string::npos, doc.find("香蕉"));
    KOVEX_UserWordState state;
    EXPECT_EQ(0, KOVEX_GetUserWordState("不", state));
    EXPECT_DOUBLE_EQ(1.0, ST_GetSentimentPoint("不太满意"));  // 不 negates no more
}

// Ten thousand distinct object words, from configuration documents of 2,000 brand words each and
// from single-object requests, leave the user dictionary as they found it: the same nodes in
// memory and the same saved file, byte for byte, a present and a deleted word among the objects.
TEST_F(STRequestTest, DistinctObjectsLeaveTheUserDictionaryAsItWas) {
    ASSERT_EQ(1, ST_ImportUserDict(m_dir.Put("l.txt", "满意 2\n").c_str(), 1));
    ASSERT_EQ(1, KOVEX_AddUserWord("苹果 nz"));
    ASSERT_EQ(1, KOVEX_AddUserWord("香蕉 nz"));
    ASSERT_GE(KOVEX_DelUsrWord("香蕉"), 0);
    ASSERT_EQ(1, KOVEX_SaveTheUsrDic());
    const std::string saved = kxtest::ReadAll(m_dir.Data("UserDict.pdat"));
    ASSERT_FALSE(saved.empty());
    auto nodes = [] {
        int n = 0;
        g_pUserDict->Nodes().GetElemNum(n);
        return n;
    };
    const int nNodes = nodes();

    // Words of three characters out of forty: 64,000 of them, none in the dictionary.
    const std::vector<std::string> chars = {"甲", "乙", "丙", "丁", "戊", "己", "庚", "辛", "壬", "癸",
                                            "子", "丑", "寅", "卯", "辰", "巳", "午", "未", "申", "酉",
                                            "戌", "亥", "金", "木", "水", "火", "土", "东", "南", "西",
                                            "北", "春", "夏", "秋", "冬", "梅", "兰", "竹", "菊", "松"};
    auto brand = [&](int i) { return chars[size_t(i % 40)] + chars[size_t(i / 40 % 40)] + chars[size_t(i / 1600)] + "牌"; };
    int nObject = 0;
    for (int c = 0; c < 4; ++c) {
        std::string words = "苹果|香蕉";
        for (int k = 0; k < 2000; ++k) words += "|" + brand(nObject++);
        const std::string config = m_dir.Put("c.xml",
            "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<QVSentiment-Config><eventcategory><category id=\"1\"><brandword>" +
            words + "</brandword></category></eventcategory><wordset><set tag=\"neg\">不|没</set></wordset>"
            "<remove><remove tag=\"sentence\"><removeSentence>广告</removeSentence></remove>"
            "<remove tag=\"word\"><removeWord>的</removeWord></remove></remove></QVSentiment-Config>\n");
        const std::string content = "苹果很满意。" + brand(nObject - 1) + "不满意。香蕉满意。";
        const std::string doc = ST_GetMultiObjectResult("", content.c_str(), config.c_str());
        EXPECT_NE(std::string::npos, doc.find("<object>" + brand(nObject - 1) + "</object>")) << doc;
    }
    while (nObject < 10000) {
        const std::string object = brand(nObject++);
        EXPECT_STRNE("", ST_GetOneObjectResult("", (object + "很满意").c_str(), object.c_str()));
    }
    EXPECT_STRNE("", ST_GetOneObjectResult("", "香蕉很满意", "香蕉"));
    EXPECT_STRNE("", ST_GetOneObjectResult("", "苹果很满意", "苹果"));

    EXPECT_EQ(nNodes, nodes());
    EXPECT_EQ(0, g_pUserDict->RemovedNodes());
    ASSERT_EQ(1, KOVEX_SaveTheUsrDic());
    EXPECT_TRUE(saved == kxtest::ReadAll(m_dir.Data("UserDict.pdat")));
    KOVEX_UserWordState state;
    EXPECT_EQ(1, KOVEX_GetUserWordState("苹果", state));
    EXPECT_EQ(0, KOVEX_GetUserWordState("香蕉", state));
    EXPECT_EQ(1, state.nFreq);
    EXPECT_STREQ("nz", state.sPOS);
}

// Whole documents from the exported functions with control bytes, "]]>" and ill-formed UTF-8 in
// title and content are accepted by libxml2's strict parser.
TEST_F(STRequestTest, DocumentsOfDamagedTextsAreWellFormed) {
    if (access("/usr/bin/xmllint", X_OK) != 0) GTEST_SKIP() << "xmllint not installed";
    const std::string title = std::string("苹果\x01标题]]>") + "\xC3\x28";
    const std::string content = std::string("苹果\x1F很好\xED\xA0\x80。苹果]]>坏\xF0\x9F。") + "\xE8";
    for (const std::string& doc : {std::string(ST_GetOneObjectResult(title.c_str(), content.c_str(), "苹果")),
                                   std::string(ST_GetSentencePoint(content.c_str()))}) {
        ASSERT_FALSE(doc.empty());
        const std::string path = m_dir.Put("doc.xml", doc);
        EXPECT_EQ(0, std::system(("xmllint --noout '" + path + "' 2>/dev/null").c_str())) << doc;
    }
}

// A path that names no regular file (a folder, a FIFO, a device) or a file without entries imports
// nothing, even with overwrite on: the shipped lexicon stays in the data directory and scores as
// before, for the sentiment layer's own reading of files too (code -1). The lexicon files are
// copied into the scratch directory (links followed), so nothing reaches the built data.
TEST(STImportTest, NoEntriesLeaveTheShippedLexicon) {
    const char* positive = "质量很好，物流也快，非常满意！";
    const char* lexicon[] = {"FieldDict.pdat", "FieldDict.pos", "FieldDict.wordlist"};
    for (int encode : {1, -1}) {
        SCOPED_TRACE(encode);
        STDataDir dir(true);
        std::vector<std::string> before;
        for (const char* f : lexicon) {
            before.push_back(kxtest::ReadAll(dir.Data(f)));
            ASSERT_FALSE(before.back().empty()) << f;
            ASSERT_EQ(0, unlink(dir.Data(f).c_str()));
            kxtest::WriteAll(dir.Data(f), before.back());
        }
        const std::string folder = dir.Root() + "/folder", fifo = dir.Root() + "/fifo";
        ASSERT_EQ(0, mkdir(folder.c_str(), 0755));
        kxtest::FifoReleaser releaser(fifo);
        ASSERT_TRUE(releaser.ok());
        const std::string empty = dir.Put("empty.txt", "");
        ASSERT_EQ(1, ST_Init(dir.Root().c_str(), encode, nullptr));
        const double point = ST_GetSentimentPoint(positive);
        EXPECT_GT(point, 0.0);
        for (const std::string& path : {folder, empty, fifo, std::string("/dev/zero")}) {
            SCOPED_TRACE(path);
            EXPECT_EQ(0, ST_ImportUserDict(path.c_str(), 1));
            EXPECT_EQ(0, ST_SentiDictIO(path.c_str(), path.c_str(), true));
        }
        EXPECT_DOUBLE_EQ(point, ST_GetSentimentPoint(positive));
        ST_Exit();
        for (size_t i = 0; i < before.size(); ++i) EXPECT_TRUE(kxtest::ReadAll(dir.Data(lexicon[i])) == before[i]) << lexicon[i];
    }
}

class STDetectedTest : public STStarted {
protected:
    int Encode() const override { return -1; }
};

// Under automatic detection a GBK request reads as its UTF-8 form, and imported UTF-8 and GBK
// lexicons are both detected and score.
TEST_F(STDetectedTest, GbkAndUtf8TextsAndLexiconsAlike) {
    using kxtest::Gbk;
    ASSERT_EQ(2, ST_ImportUserDict(m_dir.Put("l.txt", "好 2\n差 -1\n").c_str(), 1));
    ASSERT_EQ(1, ST_ImportUserDict(m_dir.Put("g.txt", Gbk("糟糕 -3\n")).c_str(), 0));
    EXPECT_DOUBLE_EQ(-0.2, ST_GetSentimentPoint("很好但是糟糕"));  // {2, -3}
    const std::string doc = ST_GetOneObjectResult("苹果手机", "苹果很好。香蕉很差！", "苹果");
    EXPECT_NE(std::string::npos, doc.find("<polarity>2.00</polarity>")) << doc;
    EXPECT_EQ(doc, ST_GetOneObjectResult(Gbk("苹果手机").c_str(), Gbk("苹果很好。香蕉很差！").c_str(), Gbk("苹果").c_str()));
}

}  // namespace

namespace {

// No caller text is ever read as a tag or a weight, under every encoding code: "word/tag" written
// into a text, "^^" spans around it (the converter's protocol under the codes that convert, a span
// atom of GBK text), weights too large to sum. Every point lies within -1 and 1 and every number
// of a document is finite; a caller's "^^" is converted as text.
TEST(STCallerTextTest, NoCallerTextIsReadAsATagOrAWeight) {
    const std::string kTexts[] = {"^^ a/-9 \xA1", "^^ 5\xFA\xFF\xEF\xBC\x81/1e308 \xEF\xBC\x81/1e308 \xA1",
                                  "^^ a/-9 ^^", "x a/-9 b/Neg c/Object d/RemSent 1/1e308 2/1e308",
                                  "\xA3\xA1/1e308 \xA3\xA1/1e308 ^^ \xA3\xA1/1e308^^"};
    STDataDir dir(true);
    for (int code : {0, 1, 2, 3, 4, 5, -1}) {
        SCOPED_TRACE(code);
        ASSERT_EQ(1, ST_Init(dir.Root().c_str(), code, nullptr));
        for (const std::string& text : kTexts) {
            SCOPED_TRACE(text);
            const double point = ST_GetSentimentPoint(text.c_str());
            EXPECT_EQ(point, 0.0);
            const std::string doc = ST_GetSentencePoint(text.c_str());
            EXPECT_NE(doc.find("<polarity>0.00</polarity>"), std::string::npos) << doc;
            EXPECT_EQ(doc.find("value="), std::string::npos) << doc;
            EXPECT_EQ(doc.find("<object>"), std::string::npos) << doc;
        }
        ST_Exit();
    }
    // The caller's "^^" comes back as written, not as its bytes read in another encoding.
    ASSERT_EQ(1, ST_Init(dir.Root().c_str(), 1, nullptr));
    const std::string doc = ST_GetSentencePoint("我们^^今天^^去");
    EXPECT_NE(doc.find("<![CDATA[我们^^今天^^去]]>"), std::string::npos) << doc;
    ST_Exit();
}

}  // namespace
