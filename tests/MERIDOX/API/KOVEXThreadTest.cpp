// The engine interface under concurrent use: pooled analysis from many threads while other
// threads change, save and import dictionaries. Run under ThreadSanitizer by make tsan.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "MERIDOX/API/EngineDir.h"
#include "MERIDOX/API/KOVEXPool.h"
#include "MERIDOX/System/EngineGlobals.h"
#include "Utility/LogCapture.h"
#include "Utility/Trie.h"

using namespace apitest;

namespace {

// Short texts from fixture words, digits and ASCII words; none holds a character of the words
// that the writer threads change (卯辰巳午未申).
std::vector<std::string> MakeTexts(unsigned seed, size_t n) {
    const char* words[] = {"他", "说", "好", "我们", "中国", "人民", "一些", "王", "小", "明", "年", "月", "日",
                           "是", "的", "学生", "学习", "很", "今天", "北京", "大学", "喜欢", "电脑", "记者", "，",
                           "。", "2024", "abc", " ", "3", "“", "”"};
    std::mt19937 rng(seed);
    std::vector<std::string> texts;
    for (size_t i = 0; i < n; ++i) {
        std::string t;
        const int len = 1 + int(rng() % 12);
        for (int k = 0; k < len; ++k) t += words[rng() % (sizeof(words) / sizeof(words[0]))];
        texts.push_back(Gbk(t.c_str()));
    }
    return texts;
}

}  // namespace

TEST(KOVEXThreadTest, PooledAnalysisWhileDictionariesChange) {
    LogCapture logs;
    EngineStop stop;
    EngineDir dir;
    ASSERT_EQ(dir.Start(), 1);
    const unsigned seed = 20261209;
    SCOPED_TRACE("seed " + std::to_string(seed));
    const std::vector<std::string> texts = MakeTexts(seed, 2000);
    std::vector<std::string> expected;
    for (const auto& t : texts) expected.push_back(KOVEX_ParagraphProcessStr(t.c_str(), 1));

    ASSERT_EQ(KOVEX_AddUserWord(Gbk("甲乙 Neg").c_str()), 1);
    ASSERT_EQ(KOVEX_AddUserWord(Gbk("丙丁 5").c_str()), 1);
    kxtest::TempDir tmp;
    kxtest::WriteAll(tmp.file("field.txt"), Gbk("巳午 3\n未申 -2\n"));

    const int kAnalysers = 32, kTexts = 1000, kWords = 300;
    std::atomic<int> mismatches{0}, tagMisses{0}, running{kAnalysers + 2};
    std::vector<std::thread> threads;
    for (int t = 0; t < kAnalysers; ++t) {
        threads.emplace_back([&, t] {
            for (int k = 0; k < kTexts; ++k) {
                const size_t i = size_t(t * 37 + k * 13) % texts.size();
                if (KOVEX_ParagraphProcessStr(texts[i].c_str(), 1) != expected[i]) ++mismatches;
            }
            --running;
        });
    }
    // Two analysers whose texts carry user words with different tags: each sees its own.
    const std::pair<std::string, std::string> tagged[2] = {{Gbk("我们甲乙电脑"), Gbk("甲乙/Neg")},
                                                           {Gbk("他丙丁好"), Gbk("丙丁/5")}};
    for (int t = 0; t < 2; ++t) {
        threads.emplace_back([&, t] {
            for (int k = 0; k < 300; ++k)
                if (KOVEX_ParagraphProcessStr(tagged[t].first.c_str(), 1).find(tagged[t].second) == std::string::npos)
                    ++tagMisses;
            --running;
        });
    }
    // Writers: unrelated user words added (every second one deleted again), saves, an import.
    threads.emplace_back([&] {
        for (int i = 0; i < kWords; ++i) {
            const std::string w = Gbk("卯辰") + std::to_string(i);
            KOVEX_AddUserWord((w + " Object").c_str());
            if (i % 2 == 0) KOVEX_DelUsrWord(w.c_str());
        }
    });
    threads.emplace_back([&] {
        while (running > 0) {
            KOVEX_SaveTheUsrDic();
            std::this_thread::yield();
        }
    });
    threads.emplace_back([&] {
        for (int i = 0; i < 3; ++i) EXPECT_EQ(KOVEX_ImportUserDict(tmp.file("field.txt").c_str(), false), 2);
    });
    for (auto& th : threads) th.join();

    EXPECT_EQ(mismatches.load(), 0);
    EXPECT_EQ(tagMisses.load(), 0);
    EXPECT_LE(g_vecWorker.size(), size_t(kAnalysers + 2 + 1));
    for (int i = 0; i < kWords; ++i) {
        const std::string w = Gbk("卯辰") + std::to_string(i);
        int handle = 0;
        char tag[40];
        const int freq = g_pUserDict->GetFreq(w.c_str(), handle, tag);
        if (i % 2 == 0) {
            EXPECT_EQ(freq, -1) << i;
        } else {
            EXPECT_EQ(freq, 1) << i;
            EXPECT_STREQ(tag, "Object");
        }
    }
    ASSERT_EQ(KOVEX_SaveTheUsrDic(), 1);
    CTrie saved;
    EXPECT_TRUE(saved.Load(dir.Data("UserDict.pdat").c_str()));
    EXPECT_GE(saved.Find(Gbk("甲乙").c_str()), 0);
}

TEST(KOVEXThreadTest, SetPOSmapWhileInstancesWork) {
    LogCapture logs;
    EngineStop stop;
    EngineDir dir;
    ASSERT_EQ(dir.Start(), 1);
    std::atomic<bool> done{false};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int k = 0; k < 200; ++k) EXPECT_FALSE(KOVEX_ParagraphProcessStr(Gbk("我们喜欢电脑").c_str(), 1).empty());
        });
    }
    threads.emplace_back([&] {
        for (int k = 0; k < 200; ++k) KOVEX_SetPOSmap(k % 4);
        done = true;
    });
    for (auto& th : threads) th.join();
    EXPECT_TRUE(done.load());
}

// A long line holds the user dictionaries shared while it is cut; a writer that comes to wait is
// let in between two of its sentences instead of waiting for the whole line (and every new reader
// with it). The line's own words tell: a user word added while the line is being processed shows
// in the line's result, which it could not if the add had waited for the line's end. No timing:
// the writer starts once the line holds the lock, and the result is read after both are done.
TEST(KOVEXThreadTest, AWriterGetsInWhileALongLineIsCut) {
    LogCapture logs;
    EngineStop stop;
    EngineDir dir;
    ASSERT_EQ(dir.Start(), 1);
    std::string line;
    while (line.size() < 200000) line += Gbk("他说甲乙很好。");
    const std::string word = Gbk("甲乙/zz");
    bool bSeen = false;
    // The writer may come too late when the line ends before its thread runs: try again then.
    for (int round = 0; round < 5 && !bSeen; ++round) {
        KOVEX_DelUsrWord(Gbk("甲乙").c_str());
        std::atomic<bool> warm{false}, done{false};
        std::string result;
        std::thread reader([&] {
            KOVEX_ParagraphProcessStr(Gbk("他说").c_str(), 1);  // this thread's pool instance exists
            warm = true;
            result = KOVEX_ParagraphProcessStr(line.c_str(), 1);
            done = true;
        });
        std::thread writer([&] {
            while (!warm) std::this_thread::yield();
            while (!done && g_nUserDictReaderCount.load() == 0) std::this_thread::yield();
            if (!done) KOVEX_AddUserWord(Gbk("甲乙 zz").c_str());
        });
        reader.join();
        writer.join();
        ASSERT_GT(result.size(), line.size());
        bSeen = result.find(word) != std::string::npos;
    }
    EXPECT_TRUE(bSeen);
}

// Saves from several threads at once: once a thread's save returns, the file holds the word the
// thread added before it (an older snapshot written more slowly and renamed last would drop it).
// With a few thousand words each save takes long enough for eight savers to overlap often.
TEST(KOVEXThreadTest, ConcurrentSavesKeepEveryWordAddedBeforeThem) {
    LogCapture logs;
    EngineStop stop;
    EngineDir dir;
    ASSERT_EQ(dir.Start(), 1);
    for (int i = 0; i < 3000; ++i) ASSERT_EQ(KOVEX_AddUserWord(("w" + std::to_string(i * 7919) + " n").c_str()), 1);
    const std::string path = dir.Data("UserDict.pdat");
    const int kThreads = 8;
#if defined(__SANITIZE_THREAD__)
    const int kRounds = 8;  // the race checker needs the saves to overlap, not many of them
#else
    const int kRounds = 40;
#endif
    std::atomic<int> missing{0}, failed{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int r = 0; r < kRounds; ++r) {
                const std::string word = "t" + std::to_string(t) + "r" + std::to_string(r);
                if (KOVEX_AddUserWord((word + " n").c_str()) != 1 || KOVEX_SaveTheUsrDic() != 1) {
                    ++failed;
                    continue;
                }
                CTrie saved;
                if (!saved.Load(path.c_str()) || saved.Find(word.c_str()) < 0) ++missing;
            }
        });
    }
    for (auto& th : threads) th.join();
    EXPECT_EQ(failed.load(), 0);
    EXPECT_EQ(missing.load(), 0);
    CTrie saved;
    ASSERT_TRUE(saved.Load(path.c_str()));
    for (int t = 0; t < kThreads; ++t)
        for (int r = 0; r < kRounds; ++r) EXPECT_GE(saved.Find(("t" + std::to_string(t) + "r" + std::to_string(r)).c_str()), 0);
}

namespace {

// Ends the process with a message when the test has not called Done within the given time: a
// deadlock fails the test instead of hanging it.
class Watchdog {
public:
    Watchdog(int nSeconds, const char* sWhat)
        : m_thread([this, nSeconds, sWhat] {
              std::unique_lock<std::mutex> lock(m_mutex);
              if (!m_cv.wait_for(lock, std::chrono::seconds(nSeconds), [this] { return m_bDone; })) {
                  fprintf(stderr, "watchdog: %s did not end within %d s\n", sWhat, nSeconds);
                  std::abort();
              }
          }) {}
    ~Watchdog() { Done(); }
    void Done() {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_bDone = true;
        }
        m_cv.notify_all();
        if (m_thread.joinable()) m_thread.join();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_bDone = false;
    std::thread m_thread;
};

}  // namespace

// An import refused because the stored field words cannot be read (the word list shorter than the
// dictionary), looped beside a thread that adds user words: the refusal's error line never waits
// for g_mutex while the import holds the user-dictionary lock, so both loops end.
TEST(KOVEXThreadTest, RefusedImportBesideAWriterEnds) {
    LogCapture logs;
    EngineStop stop;
    EngineDir dir;
    ASSERT_EQ(dir.Start(), 1);
    kxtest::TempDir tmp;
    kxtest::WriteAll(tmp.file("three.txt"), Gbk("甲乙 1\n丙丁 2\n戊己 3\n"));
    ASSERT_EQ(KOVEX_ImportUserDict(tmp.file("three.txt").c_str(), true), 3);
    const std::string threeWords = kxtest::ReadAll(dir.Data("FieldDict.wordlist"));
    std::string nine;
    for (const char* w : {"子", "丑", "寅", "卯", "辰", "巳", "午", "未", "申"}) nine += Gbk(w) + Gbk("甲 1\n");
    kxtest::WriteAll(tmp.file("nine.txt"), nine);
    ASSERT_EQ(KOVEX_ImportUserDict(tmp.file("nine.txt").c_str(), true), 9);
    dir.Put("FieldDict.wordlist", threeWords);

    // The writer adds words for as long as the imports go on. A few dozen refusals beside it were
    // enough to hang both threads for good.
#if defined(__SANITIZE_THREAD__)
    const int kImports = 60;
#else
    const int kImports = 300;
#endif
    std::atomic<int> accepted{0}, failedAdds{0};
    std::atomic<bool> importing{true};
    Watchdog watchdog(300, "an import refused beside a user-word writer");
    std::thread importer([&] {
        for (int i = 0; i < kImports; ++i)
            if (KOVEX_ImportUserDict(tmp.file("three.txt").c_str(), false) != 0) ++accepted;
        importing = false;
    });
    std::thread writer([&] {
        for (int i = 0; importing; ++i)
            if (KOVEX_AddUserWord(("zz" + std::to_string(i % 1000)).c_str()) < 1) ++failedAdds;
    });
    importer.join();
    writer.join();
    watchdog.Done();
    EXPECT_EQ(accepted.load(), 0);
    EXPECT_EQ(failedAdds.load(), 0);
    const std::string refusal = "Cannot open field dictionary " + dir.Data("FieldDict.wordlist");
    EXPECT_EQ(CopyLastErrorMessage(), refusal);
    EXPECT_TRUE(Contains(logs.Errors(), refusal));
}
