#include "MERIDOX/System/EngineGlobals.h"

#include <mutex>

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

std::shared_mutex g_hUserDictLock;
std::atomic<int> g_nUserDictReaderCount{0};
std::atomic<int> g_nUserDictWriterCount{0};

bool TryClaimEngineStart() {
    bool expected = false;
    return g_bInitStart.compare_exchange_strong(expected, true);
}

void ReleaseEngineStart() { g_bInitStart.store(false); }

CUserDictReadLock::CUserDictReadLock() : m_lock(g_hUserDictLock) { ++g_nUserDictReaderCount; }
CUserDictReadLock::~CUserDictReadLock() { --g_nUserDictReaderCount; }

CUserDictWriteLock::CUserDictWriteLock() : m_lock(g_hUserDictLock) { ++g_nUserDictWriterCount; }
CUserDictWriteLock::~CUserDictWriteLock() { --g_nUserDictWriterCount; }

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
    std::unique_lock<std::shared_mutex> lock(g_hUserDictLock);
    g_pKeyPOSBlacklist.clear();
}
