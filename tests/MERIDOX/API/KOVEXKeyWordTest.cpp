// The engine interface's fingerprint and new-word functions on the fixture data directory:
// refusals, the new-word run on the main instance, and fingerprints from many threads.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "MERIDOX/API/EngineDir.h"
#include "Utility/LogCapture.h"

using namespace apitest;

namespace {

// A text of fixture words in which 北京大学 and 学生 recur between different neighbours.
std::string RunText() {
    return Gbk("我们北京大学学生很喜欢电脑。他说北京大学学生今天学习。中国人民喜欢北京大学学生，"
               "一些北京大学学生是记者。王小明说北京大学学生很好。");
}

TEST(KOVEXKeyWordTest, RefusalsWhileInactiveAndTheNewWordRun) {
    LogCapture logs;
    EXPECT_EQ(KOVEX_FingerPrint("abc"), 0u);
    EXPECT_EQ(KOVEX_NWI_Start(), 0);
    EXPECT_EQ(KOVEX_NWI_AddMem("abc"), 0);
    EXPECT_EQ(KOVEX_NWI_Complete(), 0);
    EXPECT_STREQ(KOVEX_NWI_GetResult(0), "");
    EXPECT_STREQ(KOVEX_NWI_GetKeyWordResult(5, 0), "");
    EXPECT_EQ(KOVEX_NWI_Result2UserDict(), 0u);

    EngineStop stop;
    EngineDir dir;
    ASSERT_EQ(dir.Start(), 1);
    const std::string text = RunText();
    EXPECT_EQ(KOVEX_NWI_Start(), 1);
    EXPECT_GT(KOVEX_NWI_AddMem(text.c_str()), 0);
    EXPECT_EQ(KOVEX_NWI_AddMem(nullptr), 0);
    kxtest::TempDir tmp;
    kxtest::WriteAll(tmp.file("empty.txt"), "");
    EXPECT_EQ(KOVEX_NWI_AddFile(tmp.file("empty.txt").c_str()), 0);
    kxtest::WriteAll(tmp.file("run.txt"), text + "\n\n" + text + "\n");
    EXPECT_EQ(KOVEX_NWI_AddFile(tmp.file("run.txt").c_str()), int(text.size() * 2 + 3));
    EXPECT_EQ(KOVEX_NWI_Complete(), 1);

    const std::string keys = KOVEX_NWI_GetKeyWordResult(5, 0);
    EXPECT_NE(keys.find(Gbk("学生")), std::string::npos) << keys;
    const std::string words = KOVEX_NWI_GetResult(0);
    EXPECT_EQ(std::string(KOVEX_NWI_GetResult(0)), words);
    // Each selected new word is added once; a second transfer adds nothing new.
    const unsigned int nAdded = KOVEX_NWI_Result2UserDict();
    size_t nListed = 0;
    for (char c : words) nListed += c == '#';
    EXPECT_LE(nAdded, nListed);
    EXPECT_EQ(KOVEX_NWI_Result2UserDict(), 0u);
}

TEST(KOVEXKeyWordThreadTest, FingerprintsAgreeAcrossThreads) {
    LogCapture logs;
    EngineStop stop;
    EngineDir dir;
    ASSERT_EQ(dir.Start(), 1);
    const std::vector<std::string> texts = {RunText(), Gbk("王小明今天在北京学习电脑。"),
                                            Gbk("中国人民很喜欢记者。"), Gbk("一些学生说很好。")};
    std::vector<unsigned long> expected;
    for (const std::string& t : texts) expected.push_back(KOVEX_FingerPrint(t.c_str()));
    EXPECT_NE(expected[0], 0u);
    EXPECT_EQ(KOVEX_FingerPrint(""), 0u);
    std::atomic<int> mismatches{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&, t] {
            for (int k = 0; k < 200; ++k) {
                const size_t i = size_t(t + k) % texts.size();
                if (KOVEX_FingerPrint(texts[i].c_str()) != expected[i]) ++mismatches;
            }
        });
    }
    for (auto& th : threads) th.join();
    EXPECT_EQ(mismatches.load(), 0);
}

// The new-word run on the main instance, with its transfers into the user dictionary, while
// pooled instances fingerprint texts.
TEST(KOVEXKeyWordThreadTest, NewWordRunWhileInstancesFingerprint) {
    LogCapture logs;
    EngineStop stop;
    EngineDir dir;
    ASSERT_EQ(dir.Start(), 1);
    const std::vector<std::string> texts = {RunText(), Gbk("王小明今天在北京学习电脑。"), Gbk("中国人民很喜欢记者。")};
    // One run first: its transfer puts the new words into the user dictionary, which segmentation
    // reads; later transfers find them there and add nothing.
    auto runOnce = [&] {
        KOVEX_NWI_Start();
        for (const std::string& t : texts) KOVEX_NWI_AddMem(t.c_str());
        KOVEX_NWI_Complete();
        KOVEX_NWI_GetResult(0);
        KOVEX_NWI_GetKeyWordResult(5, 1);
        return KOVEX_NWI_Result2UserDict();
    };
    EXPECT_GT(runOnce(), 0u);
    std::vector<unsigned long> expected;
    for (const std::string& t : texts) expected.push_back(KOVEX_FingerPrint(t.c_str()));
    std::atomic<int> mismatches{0};
    std::atomic<bool> done{false};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (size_t k = 0; !done.load() || k < 20; ++k) {
                const size_t i = (size_t(t) + k) % texts.size();
                if (KOVEX_FingerPrint(texts[i].c_str()) != expected[i]) ++mismatches;
            }
        });
    }
    std::atomic<unsigned int> added{0};
    std::thread run([&] {
        for (int k = 0; k < 5; ++k) added += runOnce();
        done = true;
    });
    run.join();
    for (auto& th : threads) th.join();
    EXPECT_EQ(mismatches.load(), 0);
    EXPECT_EQ(added.load(), 0u);
}

// English text, read twice: "New York" recurs between different neighbours.
TEST(KOVEXKeyWordTest, NewWordsWithABlankStayOutOfTheUserDictionary) {
    LogCapture logs;
    EngineStop stop;
    EngineDir dir;
    ASSERT_EQ(dir.Start(), 1);
    const std::string text =
        "People in New York like music. Friends from New York visit often. Trains to New York run late. "
        "Artists of New York paint walls. Workers leave New York early.";
    EXPECT_EQ(KOVEX_NWI_Start(), 1);
    EXPECT_GT(KOVEX_NWI_AddMem(text.c_str()), 0);
    EXPECT_GT(KOVEX_NWI_AddMem(text.c_str()), 0);
    // The English pair is joined with a blank, which the user dictionary would read as the word
    // "new" with the tag "york": it is listed but not added.
    const std::string words = KOVEX_NWI_GetResult(0);
    EXPECT_NE(words.find("new york/"), std::string::npos) << words;
    EXPECT_EQ(KOVEX_NWI_Result2UserDict(), 0u);
}

}  // namespace
