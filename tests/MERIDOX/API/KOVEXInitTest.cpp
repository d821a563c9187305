// Engine start-up and shut-down: the state machine, failed start-ups and their messages, and the
// optional stores.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include "MERIDOX/API/EngineDir.h"
#include "MERIDOX/System/EngineGlobals.h"
#include "Utility/LogCapture.h"
#include "Utility/LogFile.h"
#include "Utility/PDAT.h"
#include "Utility/POSmap.h"
#include "Utility/WordList.h"

using namespace apitest;

TEST(KOVEXInitTest, MissingConfigurationFailsAndARetryStarts) {
    LogCapture logs;
    EngineStop stop;
    EngineDir dir(nullptr, {"Configure.xml"});
    g_bLog = false;
    EXPECT_EQ(dir.Start(), 0);
    EXPECT_TRUE(g_bLog.load());
    EXPECT_EQ(CopyLastErrorMessage(), "Cannot Open Configure file " + dir.Data("Configure.xml"));
    EXPECT_FALSE(g_bActive.load());
    EXPECT_FALSE(g_bInitStart.load());

    dir.Put("Configure.xml", "");  // empty counts as missing
    EXPECT_EQ(dir.Start(), 0);

    dir.Put("Configure.xml", DefaultConfig());
    EXPECT_EQ(dir.Start(), 1);
    for (const auto& l : logs.Logs()) EXPECT_EQ(l.find("Other thread"), std::string::npos) << l;
    EXPECT_TRUE(g_bActive.load());
}

TEST(KOVEXInitTest, SecondStartKeepsTheFirstCodeAndExitRunsOnce) {
    LogCapture logs;
    EngineDir dir;
    ASSERT_EQ(dir.Start(7), 1);
    EXPECT_EQ(dir.Start(1), 1);
    EXPECT_EQ(g_nEncodeType, 7);
    EXPECT_EQ(g_pCodeTranslator, nullptr);
    EXPECT_EQ(KOVEX_Exit(), 1);
    EXPECT_EQ(KOVEX_Exit(), 0);
    EXPECT_EQ(g_pCoreDict, nullptr);
    EXPECT_EQ(g_vecKOVEX, nullptr);
}

TEST(KOVEXInitTest, RestartWithoutTagSetHasAnEmptyMapZero) {
    LogCapture logs;
    EngineStop stop;
    EngineDir dir;
    ASSERT_EQ(dir.Start(), 1);
    ASSERT_GT(g_ppPOSmap[0]->GetItemCount(), 0);
    EXPECT_STRNE(KOVEX_ParagraphProcess(Gbk("我们喜欢电脑").c_str(), 1), "");
    ASSERT_EQ(KOVEX_Exit(), 1);

    dir.Put("Configure.xml", "<Configure><Tagger>on</Tagger><POSDelimiter></POSDelimiter></Configure>");
    ASSERT_EQ(dir.Start(), 1);
    EXPECT_EQ(g_sTagset, "");
    EXPECT_EQ(g_ppPOSmap[0]->GetItemCount(), 0);
    EXPECT_EQ(g_sPOSDelimiter, "/");
    bool bLogged = false;
    for (const auto& l : logs.Logs()) bLogged |= l.find("No TagSet configured") != std::string::npos;
    EXPECT_TRUE(bLogged);
    // Every tag of map 0 reads "n", and the delimiter is still "/".
    const std::string out = KOVEX_ParagraphProcess(Gbk("我们喜欢电脑").c_str(), 1);
    EXPECT_NE(out.find("/n"), std::string::npos) << out;
    EXPECT_EQ(out.find('\0'), std::string::npos);
}

TEST(KOVEXInitTest, DamagedCoreDictionaryFailsWithItsMessage) {
    LogCapture logs;
    EngineStop stop;
    EngineDir dir;
    CPDAT dict(0);
    dict.AddWordInit();
    for (const char* w : {"始##始", "末##末", "未##串", "未##地", "未##团", "未##时", "未##数", "未##专", "我们"})
        dict.AddWord(Gbk(w).c_str());
    dict.AddWordComplete();
    unlink(dir.Data("CoreDict.pdat").c_str());
    ASSERT_TRUE(dict.Save(dir.Data("CoreDict.pdat").c_str()));
    SetLastErrorMessage("Cannot open user dictionary earlier");
    EXPECT_EQ(dir.Start(), 0);
    EXPECT_EQ(CopyLastErrorMessage(), "The Core Dictionary has been destroyed! ");
    EXPECT_TRUE(Contains(logs.Errors(), "The Core Dictionary has been destroyed! "));
    EXPECT_EQ(g_pCoreDict, nullptr);  // released; LSan checks the rest
    EXPECT_EQ(g_pCharset, nullptr);
}

TEST(KOVEXInitTest, MissingUnigramWritesTwoLinesAndNamesTheFile) {
    LogCapture logs;
    EngineStop stop;
    EngineDir dir(nullptr, {"CoreDict.unig"});
    EXPECT_EQ(dir.Start(), 0);
    const std::string path = dir.Data("CoreDict.unig");
    EXPECT_EQ(CopyLastErrorMessage(), "Cannot open file " + path);
    auto errors = logs.Errors();
    EXPECT_TRUE(Contains(errors, "Cannot open file "));
    EXPECT_TRUE(Contains(errors, path));
    EXPECT_FALSE(g_bInitStart.load());
}

TEST(KOVEXInitTest, MissingEnglishFileFailsWithItsPath) {
    LogCapture logs;
    EngineStop stop;
    EngineDir dir(nullptr, {"English/ne.pos"});
    EXPECT_EQ(dir.Start(), 0);
    EXPECT_EQ(CopyLastErrorMessage(), "Cannot open file " + dir.Data("English/ne.pos"));
    EXPECT_EQ(g_pEnglishDict, nullptr);
}

TEST(KOVEXInitTest, OptionalStoresNeverStopStartUp) {
    LogCapture logs;
    EngineStop stop;
    EngineDir dir;
    // A field dictionary of three words whose tag list covers only one: both are dropped.
    CPDAT field(0);
    field.AddWordInit();
    for (const char* w : {"甲乙", "丙丁", "戊己"}) field.AddWord(Gbk(w).c_str());
    field.AddWordComplete();
    ASSERT_TRUE(field.Save(dir.Data("FieldDict.pdat").c_str()));
    CWordList tags(false, nullptr);
    tags.AddWordInit();
    tags.AddWord("5", 0);
    tags.AddWordComplete();
    ASSERT_TRUE(tags.Save(dir.Data("FieldDict.pos").c_str()));

    ASSERT_EQ(dir.Start(), 1);
    EXPECT_EQ(g_pFieldDict, nullptr);
    EXPECT_EQ(g_pFieldPOS, nullptr);
    EXPECT_EQ(g_pUserDict, nullptr);
    auto lines = logs.Logs();
    EXPECT_TRUE(Contains(lines, "Cannot open user dictionary " + dir.Data("UserDict.pdat")));
    EXPECT_TRUE(Contains(lines, "Cannot open field dictionary POS data " + dir.Data("FieldDict.pos")));
    // The first added word creates an empty user dictionary, even for an empty text.
    EXPECT_EQ(KOVEX_AddUserWord(""), -1);
    EXPECT_NE(g_pUserDict, nullptr);
}

TEST(KOVEXInitTest, ConverterThatDoesNotLoadNamesItsFile) {
    LogCapture logs;
    EngineStop stop;
    EngineDir dir(nullptr, {"UTF8.wordlist"});
    EXPECT_EQ(dir.Start(1), 0);
    EXPECT_EQ(CopyLastErrorMessage(), dir.Data("UTF8.wordlist") + " cannot load!");
    EXPECT_EQ(g_pCodeTranslator, nullptr);
}

// A data folder named in UTF-8 comes back intact in the last error under every code, before and
// after a start-up that succeeded, and so does a folder that exists only under its GBK name: the
// message names it as the caller gave it.
TEST(KOVEXInitTest, LastErrorNamesTheDataFolderAsGiven) {
    LogCapture logs;
    EngineStop stop;
    EngineDir dir;
    const std::string missing = dir.Root() + "/无此";
    const std::string gbkOnly = dir.Root() + "/国";
    ASSERT_EQ(mkdir((dir.Root() + "/\xB9\xFA").c_str(), 0755), 0);  // 国 in GBK, holding no Data
    for (int round = 0; round < 2; ++round) {
        for (int code : {0, 1, -1}) {
            for (const std::string& path : {missing, gbkOnly}) {
                EXPECT_EQ(KOVEX_Init(path.c_str(), code, nullptr), 0);
                EXPECT_EQ("Cannot Open Configure file " + path + "/Data/Configure.xml", std::string(KOVEX_GetLastErrorMsg()))
                    << "code " << code << " round " << round;
            }
        }
        ASSERT_EQ(dir.Start(1), 1);
        EXPECT_EQ(KOVEX_Exit(), 1);
    }
    // A start that succeeds without the optional keyword blacklist keeps the loader's message.
    EngineDir plain(nullptr, {"KeyBlackList.pdat"});
    const std::string named = dir.Root() + "/数据";
    ASSERT_EQ(symlink(plain.Root().c_str(), named.c_str()), 0);
    ASSERT_EQ(KOVEX_Init(named.c_str(), 1, nullptr), 1);
    EXPECT_EQ("Fail read file " + named + "/Data/KeyBlackList.pdat", std::string(KOVEX_GetLastErrorMsg()));
    EXPECT_EQ(KOVEX_Exit(), 1);
}

TEST(KOVEXInitTest, ConcurrentStartUpsLoadOnce) {
    LogCapture logs;
    EngineStop stop;
    EngineDir dir;
    for (int round = 0; round < 3; ++round) {
        std::atomic<int> ready{0};
        int results[2] = {-1, -1};
        const int codes[2] = {0, 7};
        std::thread threads[2];
        for (int t = 0; t < 2; ++t) {
            threads[t] = std::thread([&, t] {
                ++ready;
                while (ready < 2) {
                }
                results[t] = dir.Start(codes[t]);
            });
        }
        for (auto& t : threads) t.join();
        ASSERT_TRUE(g_bActive.load());
        ASSERT_TRUE(results[0] == 1 || results[1] == 1);
        if (results[0] == 0) {
            EXPECT_EQ(g_nEncodeType, codes[1]);
        }
        if (results[1] == 0) {
            EXPECT_EQ(g_nEncodeType, codes[0]);
        }
        if (results[0] == 0 || results[1] == 0) {
            EXPECT_TRUE(Contains(logs.Logs(), "Other thread is under initialization "));
        }
        ASSERT_EQ(KOVEX_Exit(), 1);
    }
}

// The configuration item LogPath sends the engine's day files into its folder (a relative one
// below the data folder) instead of the working directory; without it, or when it names no folder
// that takes files (which is logged in the working directory), they stay in the working directory;
// with Log off nothing is written anywhere.
TEST(KOVEXInitTest, LogPathChoosesTheFolderOfTheDayFiles) {
    LogCapture logs;
    EngineStop stop;
    kxtest::TempDir elsewhere;
    EngineDir dir;
    ASSERT_EQ(mkdir(dir.Data("logs").c_str(), 0755), 0);
    const std::string missing = dir.Root() + "/missing.txt";
    auto configWith = [](const std::string& items) {
        std::string config = DefaultConfig();
        config.insert(config.find("<TagSet>"), items);
        return config;
    };
    auto failAnImport = [&] {
        EXPECT_EQ(KOVEX_ImportUserDict(missing.c_str(), true), 0);
        ASSERT_EQ(KOVEX_Exit(), 1);
    };
    auto errorsIn = [](const std::string& folder) {
        int n = 0;
        for (auto& e : std::filesystem::directory_iterator(folder)) n += e.path().extension() == ".err";
        return n;
    };
    const struct {
        std::string items;
        std::string folder;
    } cases[] = {{"<LogPath>logs</LogPath>\n", dir.Data("logs")},
                 {"<LogPath>" + elsewhere.path() + "</LogPath>\n", elsewhere.path()},
                 {"<LogPath></LogPath>\n", logs.Dir()},
                 {"", logs.Dir()}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.items);
        for (const std::string& folder : {dir.Data("logs"), elsewhere.path(), logs.Dir()})
            for (auto& e : std::filesystem::directory_iterator(folder)) std::filesystem::remove(e.path());
        dir.Put("Configure.xml", configWith(c.items));
        ASSERT_EQ(dir.Start(), 1);
        failAnImport();
        EXPECT_EQ(errorsIn(c.folder), 1);
        for (const std::string& folder : {dir.Data("logs"), elsewhere.path(), logs.Dir()}) {
            if (folder != c.folder) {
                EXPECT_EQ(errorsIn(folder), 0) << folder;
            }
        }
    }

    // A folder that takes no file: said in the working directory, which keeps the files.
    dir.Put("Configure.xml", configWith("<LogPath>" + dir.Root() + "/none</LogPath>\n"));
    ASSERT_EQ(dir.Start(), 1);
    failAnImport();
    EXPECT_TRUE(Contains(logs.Logs(), "Cannot write log files in " + dir.Root() + "/none"));
    EXPECT_TRUE(Contains(logs.Errors(), "Failed Open file " + missing));

    // Log off: nothing anywhere.
    for (auto& e : std::filesystem::directory_iterator(logs.Dir())) std::filesystem::remove(e.path());
    std::string quiet = configWith("<LogPath>logs</LogPath>\n");
    quiet.replace(quiet.find("<Log>on</Log>"), 13, "<Log>off</Log>");
    dir.Put("Configure.xml", quiet);
    ASSERT_EQ(dir.Start(), 1);
    failAnImport();
    EXPECT_EQ(errorsIn(dir.Data("logs")) + errorsIn(logs.Dir()), 0);
    g_bLog = true;
}
