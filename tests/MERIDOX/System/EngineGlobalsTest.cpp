#include "MERIDOX/System/EngineGlobals.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

TEST(EngineGlobalsTest, ResetGivesTheStartUpDefaults) {
    g_sTagset = "old.map";
    g_sPOSDelimiter = "#";
    g_sWordBoundary = "|";
    g_bPOSTagger = false;
    g_bNERPerson = false;
    g_bUserDictPrior = true;
    g_nGranularity = 1;
    g_bFinerSegCombined = true;
    g_nPosMap = 3;
    g_pKeyPOSBlacklist = "w";
    gOneID = 17;
    ResetEngineSettings();
    EXPECT_EQ(g_sTagset, "");
    EXPECT_EQ(g_sPOSDelimiter, "/");
    EXPECT_EQ(g_sWordBoundary, "  ");
    EXPECT_TRUE(g_bPOSTagger);
    EXPECT_TRUE(g_bNERPerson);
    EXPECT_FALSE(g_bUserDictPrior);
    EXPECT_EQ(g_nGranularity, 0);
    EXPECT_FALSE(g_bFinerSegCombined);
    EXPECT_EQ(g_nPosMap, 0);
    EXPECT_EQ(g_pKeyPOSBlacklist, "");
    EXPECT_EQ(gOneID, 0);
}

TEST(EngineStartThreadTest, OnlyOneStartUpClaims) {
    ASSERT_FALSE(g_bInitStart);
    std::atomic<int> wins{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < 8; ++i)
        threads.emplace_back([&] {
            if (TryClaimEngineStart()) ++wins;
        });
    for (auto& t : threads) t.join();
    EXPECT_EQ(wins, 1);
    EXPECT_FALSE(TryClaimEngineStart());
    ReleaseEngineStart();
    EXPECT_TRUE(TryClaimEngineStart());  // a later start-up can try again
    ReleaseEngineStart();
}

TEST(UserDictLockThreadTest, ReadersNeverSeeAWriterAtWork) {
    std::string shared = "aaaa";
    std::atomic<bool> bad{false};
    std::vector<std::thread> threads;
    for (int t = 0; t < 6; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 2000; ++i) {
                if (t % 3 == 0) {
                    CUserDictWriteLock lock;
                    if (g_nUserDictWriterCount != 1 || g_nUserDictReaderCount != 0) bad = true;
                    char c = char('a' + i % 26);
                    shared.assign(4, c);
                } else {
                    CUserDictReadLock lock;
                    if (g_nUserDictWriterCount != 0) bad = true;
                    std::string copy = shared;
                    if (copy.size() != 4 || copy[0] != copy[3]) bad = true;
                }
            }
        });
    }
    for (auto& t : threads) t.join();
    EXPECT_FALSE(bad);
    EXPECT_EQ(g_nUserDictReaderCount, 0);
    EXPECT_EQ(g_nUserDictWriterCount, 0);
}
