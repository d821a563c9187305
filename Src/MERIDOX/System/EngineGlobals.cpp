#include "MERIDOX/System/EngineGlobals.h"

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

namespace {

template <typename T>
void DeleteAndClear(T*& p) {
    delete p;
    p = nullptr;
}

}  // namespace

std::atomic<bool> g_bActive{false};
std::atomic<bool> g_bInitStart{false};

bool g_bFinerSegCombined = false;
std::atomic<int> g_nPosMap{0};

CCharset* g_pCharset = nullptr;
CPDAT* g_pCoreDict = nullptr;
CUnigram* g_pUnigram = nullptr;
CBigram* g_pBiDict = nullptr;
CTrie* g_pUserDict = nullptr;
CPDAT* g_pFieldDict = nullptr;
CWordList* g_pFieldPOS = nullptr;
CPDAT* g_pGranDict = nullptr;
CPOS* g_pGranPOS = nullptr;
CPOS* g_pCorePOS = nullptr;
CContextStat* g_pPOSContext = nullptr;
CPOSmap** g_ppPOSmap = nullptr;
CPOS* g_pPersonRole = nullptr;
CContextStat* g_pPersonContext = nullptr;
CFSA* g_pPersonFSA = nullptr;
CPDAT* g_pKeyBlackList = nullptr;
tstring g_pKeyPOSBlacklist;
CPDAT* g_pSentiDict = nullptr;
CUnigram* g_pSentiScore = nullptr;
CPDAT* g_pEnglishDict = nullptr;
CWordList* g_pEnglishWordList = nullptr;
CUnigram* g_pEnglishUnigram = nullptr;
CPOS* g_pEnglishPOS = nullptr;
CIDMaps* g_pEnglishIrre2Reg = nullptr;
CPDAT* g_pEngNEDict = nullptr;
CPOS* g_pEngNEPOS = nullptr;

CMainSystem* g_pKOVEX = nullptr;
CMainSystem** g_vecKOVEX = nullptr;
int g_nCopyMemSize = 0;

pthread_rwlock_t g_hUserDictLock = PTHREAD_RWLOCK_WRITER_NONRECURSIVE_INITIALIZER_NP;
std::atomic<int> g_nUserDictReaderCount{0};
std::atomic<int> g_nUserDictWriterCount{0};
std::atomic<int> g_nUserDictWritersWaiting{0};
std::atomic<unsigned int> g_nUserDictGeneration{0};

bool TryClaimEngineStart() {
    bool expected = false;
    return g_bInitStart.compare_exchange_strong(expected, true);
}

void ReleaseEngineStart() { g_bInitStart.store(false); }

namespace {

// Shared holds of g_hUserDictLock open on this thread (nested scopes).
thread_local int t_nUserDictReadDepth = 0;

}  // namespace

CUserDictReadLock::CUserDictReadLock() {
    if (t_nUserDictReadDepth++ > 0) return;
    pthread_rwlock_rdlock(&g_hUserDictLock);
    ++g_nUserDictReaderCount;
}
CUserDictReadLock::~CUserDictReadLock() {
    if (--t_nUserDictReadDepth > 0) return;
    --g_nUserDictReaderCount;
    pthread_rwlock_unlock(&g_hUserDictLock);
}

CUserDictReadSuspend::CUserDictReadSuspend() : m_nDepth(t_nUserDictReadDepth) {
    if (m_nDepth == 0) return;
    t_nUserDictReadDepth = 0;
    --g_nUserDictReaderCount;
    pthread_rwlock_unlock(&g_hUserDictLock);
}
CUserDictReadSuspend::~CUserDictReadSuspend() {
    if (m_nDepth == 0) return;
    pthread_rwlock_rdlock(&g_hUserDictLock);
    ++g_nUserDictReaderCount;
    t_nUserDictReadDepth = m_nDepth;
}

bool UserDictLetWritersInSlow() {
    if (t_nUserDictReadDepth == 0) return false;
    const unsigned int nGeneration = g_nUserDictGeneration.load(std::memory_order_relaxed);
    { CUserDictReadSuspend letGo; }
    return g_nUserDictGeneration.load(std::memory_order_relaxed) != nGeneration;
}

CUserDictWriteLock::CUserDictWriteLock() {
    ++g_nUserDictWritersWaiting;
    pthread_rwlock_wrlock(&g_hUserDictLock);
    --g_nUserDictWritersWaiting;
    ++g_nUserDictWriterCount;
}
CUserDictWriteLock::~CUserDictWriteLock() {
    --g_nUserDictWriterCount;
    g_nUserDictGeneration.fetch_add(1, std::memory_order_relaxed);
    pthread_rwlock_unlock(&g_hUserDictLock);
}

void ResetEngineSettings() {
    g_sDataPath.clear();
    g_sDefaultDir.clear();
    g_sTagset.clear();
    g_sPOSDelimiter = "/";
    g_sWordBoundary = "  ";
    g_nEncodeType = 0;
    g_bNERPerson = true;
    g_bPOSTagger = true;
    g_bUserDictPrior = false;
    g_nGranularity = 0;
    g_bFinerSegCombined = false;
    g_nPosMap = 0;
    gSent_StartID = gSent_EndID = 0;
    gUnknown_x_ID = gUnknown_nr_ID = gUnknown_ns_ID = gUnknown_nt_ID = gUnknown_t_ID = gUnknown_m_ID =
        gUnknown_nz_ID = 0;
    gQuatation_LD_ID = gQuatation_RD_ID = gQuatation_LS_ID = gQuatation_RS_ID = 0;
    gPunctation_WP_ID = 0;
    gOneID = 0;
    CUserDictWriteLock lock;
    g_pKeyPOSBlacklist.clear();
}

void ReleaseEngineLexicons() {
    {
        CUserDictWriteLock lock;
        DeleteAndClear(g_pUserDict);
        DeleteAndClear(g_pFieldDict);
        DeleteAndClear(g_pFieldPOS);
        DeleteAndClear(g_pKeyBlackList);
        g_pKeyPOSBlacklist.clear();
    }
    DeleteAndClear(g_pCharset);
    DeleteAndClear(g_pCoreDict);
    DeleteAndClear(g_pUnigram);
    DeleteAndClear(g_pBiDict);
    DeleteAndClear(g_pGranDict);
    DeleteAndClear(g_pGranPOS);
    DeleteAndClear(g_pCorePOS);
    DeleteAndClear(g_pPOSContext);
    if (g_ppPOSmap) {
        for (int i = 0; i < kPOSmapCount; ++i) DeleteAndClear(g_ppPOSmap[i]);
        delete[] g_ppPOSmap;
        g_ppPOSmap = nullptr;
    }
    DeleteAndClear(g_pPersonRole);
    DeleteAndClear(g_pPersonContext);
    DeleteAndClear(g_pPersonFSA);
    DeleteAndClear(g_pSentiDict);
    DeleteAndClear(g_pSentiScore);
    DeleteAndClear(g_pEnglishDict);
    DeleteAndClear(g_pEnglishWordList);
    DeleteAndClear(g_pEnglishUnigram);
    DeleteAndClear(g_pEnglishPOS);
    DeleteAndClear(g_pEnglishIrre2Reg);
    DeleteAndClear(g_pEngNEDict);
    DeleteAndClear(g_pEngNEPOS);
    DeleteAndClear(g_pCodeTranslator);
}

void ResetEngineGlobals() {
    ReleaseEngineLexicons();
    ResetEngineSettings();
}
