#include "MERIDOX/System/EngineGlobals.h"

#include <gtest/gtest.h>

#include "CodeTrans/CodeTran.h"
#include "Utility/Bigram.h"
#include "Utility/Charset.h"
#include "Utility/ContextStat.h"
#include "Utility/FSA.h"
#include "Utility/IDMaps.h"
#include "Utility/PDAT.h"
#include "Utility/POS.h"
#include "Utility/POSmap.h"
#include "Utility/Trie.h"
#include "Utility/Unigram.h"
#include "Utility/WordList.h"

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

// Every lexicon, whichever switch created it, is deleted and cleared (LeakSanitizer checks the
// deletes under make asan), and a restart begins from the defaults.
TEST(EngineGlobalsTest, ResetReleasesEveryLexicon) {
    g_pCharset = new CCharset;
    g_pCoreDict = new CPDAT;
    g_pUnigram = new CUnigram(5);
    g_pBiDict = new CBigram(false, 4);
    g_pUserDict = new CTrie;
    g_pFieldDict = new CPDAT;
    g_pFieldPOS = new CWordList;
    g_pGranDict = new CPDAT;
    g_pGranPOS = new CPOS;
    g_pCorePOS = new CPOS;
    g_pPOSContext = new CContextStat;
    g_ppPOSmap = new CPOSmap*[kPOSmapCount]();
    g_ppPOSmap[0] = new CPOSmap;
    g_ppPOSmap[3] = new CPOSmap;
    g_pPersonRole = new CPOS;
    g_pPersonContext = new CContextStat;
    g_pPersonFSA = new CFSA;
    g_pKeyBlackList = new CPDAT;
    g_pKeyPOSBlacklist = "w";
    g_pSentiDict = new CPDAT;
    g_pSentiScore = new CUnigram;
    g_pEnglishDict = new CPDAT;
    g_pEnglishWordList = new CWordList;
    g_pEnglishUnigram = new CUnigram;
    g_pEnglishPOS = new CPOS;
    g_pEnglishIrre2Reg = new CIDMaps;
    g_pEngNEDict = new CPDAT;
    g_pEngNEPOS = new CPOS;
    g_pCodeTranslator = new CCodeTran(nullptr, 0);
    g_bPOSTagger = false;  // tagging off does not keep the tag tables alive
    g_bNERPerson = false;
    g_sTagset = "old.map";

    ResetEngineGlobals();
    const void* pointers[] = {g_pCharset, g_pCoreDict, g_pUnigram, g_pBiDict, g_pUserDict, g_pFieldDict,
                              g_pFieldPOS, g_pGranDict, g_pGranPOS, g_pCorePOS, g_pPOSContext, g_ppPOSmap,
                              g_pPersonRole, g_pPersonContext, g_pPersonFSA, g_pKeyBlackList, g_pSentiDict,
                              g_pSentiScore, g_pEnglishDict, g_pEnglishWordList, g_pEnglishUnigram,
                              g_pEnglishPOS, g_pEnglishIrre2Reg, g_pEngNEDict, g_pEngNEPOS, g_pCodeTranslator};
    for (size_t i = 0; i < sizeof pointers / sizeof pointers[0]; ++i) EXPECT_EQ(pointers[i], nullptr) << i;
    EXPECT_EQ(g_pKeyPOSBlacklist, "");
    EXPECT_EQ(g_sTagset, "");
    EXPECT_TRUE(g_bPOSTagger);
    ResetEngineGlobals();  // nothing left to release: a no-op
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
