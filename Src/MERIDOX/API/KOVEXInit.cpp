// Engine start-up and shut-down: the configuration, the encoding, every shared lexicon in its
// fixed order, the main instance and the instance table.

#include <sys/stat.h>

#include <cstring>
#include <memory>

#include "CodeTrans/CodeDetect.h"
#include "CodeTrans/CodeTran.h"
#include "CodeTrans/STLCodeTrans.h"
#include "MERIDOX/API/KOVEXInternal.h"
#include "MERIDOX/API/KOVEXPool.h"
#include "MERIDOX/API/KOVEX_API.h"
#include "MERIDOX/System/EngineConfig.h"
#include "MERIDOX/System/EngineGlobals.h"
#include "MERIDOX/System/MainSystem.h"
#include "Utility/Bigram.h"
#include "Utility/BufferManager.h"
#include "Utility/Charset.h"
#include "Utility/ContextStat.h"
#include "Utility/FSA.h"
#include "Utility/IDMaps.h"
#include "Utility/LogFile.h"
#include "Utility/MutexLock.h"
#include "Utility/PDAT.h"
#include "Utility/POS.h"
#include "Utility/POSmap.h"
#include "Utility/ReadFile.h"
#include "Utility/Trie.h"
#include "Utility/Unigram.h"
#include "Utility/WordList.h"

namespace {

const char kCannotOpenFile[] = "Cannot open file ";

tstring DataFile(const char* sName) { return g_sDataPath + "/" + sName; }

// The data folder as the caller named it (g_sDataPath may hold its GBK form); set by start-up.
tstring g_sGivenDataPath;

// A path for a message: a path below the data folder names the folder as the caller gave it, so
// that the caller gets it back intact whatever the message is converted to.
CErrorText PathText(const tstring& sPath) {
    if (sPath.compare(0, g_sDataPath.size(), g_sDataPath) == 0)
        return CErrorText::Given(g_sGivenDataPath + sPath.substr(g_sDataPath.size()));
    return CErrorText::Given(sPath);
}

}  // namespace

CErrorText kovex::DataPathText(const tstring& sPath) { return PathText(sPath); }

namespace {

bool IsRegularFile(const tstring& sPath) {
    struct stat st;
    return stat(sPath.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Loads a store whose Load returns bool (or an int that is 0 on failure) into a new object; null
// when it does not load.
template <typename T, typename... Args>
T* LoadStore(const tstring& sPath, Args... args) {
    std::unique_ptr<T> p(new T(args...));
    if (!p->Load(sPath.c_str())) return nullptr;
    return p.release();
}

// Loads a mandatory store: false (last error and error line "Cannot open file " + path) when it
// does not load.
template <typename T, typename... Args>
bool LoadMandatory(T*& pTarget, const tstring& sPath, Args... args) {
    pTarget = LoadStore<T>(sPath, args...);
    if (pTarget) return true;
    return ReportError(kCannotOpenFile + PathText(sPath), false);
}

// The two error lines "Cannot open file " and the path; the last error is the two joined.
bool FailTwoLines(const tstring& sPath) {
    WriteError(kCannotOpenFile, nullptr);
    WriteError(PathText(sPath).Text(), nullptr);
    SetLastErrorMessage(kCannotOpenFile + PathText(sPath));
    return false;
}

// Releases everything a start-up (or the engine's run) created, except the buffer manager: the
// pool handles, every instance of the table and the table, the lexicons and the converter, the
// detection model. Leaves the settings to the next start-up's reset.
void ReleaseEngineObjects() {
    ClearPoolHandles();
    {
        CMutexLock lock(&g_mutex);
        for (int i = 0; g_vecKOVEX && i < g_nCopyMemSize; ++i) {
            if (g_vecKOVEX[i] == g_pKOVEX) g_vecKOVEX[i] = nullptr;
            delete g_vecKOVEX[i];
            g_vecKOVEX[i] = nullptr;
        }
        delete[] g_vecKOVEX;
        g_vecKOVEX = nullptr;
        g_nCopyMemSize = 0;
        delete g_pKOVEX;
        g_pKOVEX = nullptr;
    }
    ReleaseEngineLexicons();
    if (g_nEncodeType == -1) CodeTrans_Destroy();
}

// Special words of the core dictionary: GBK text and the id they fill. The first nine must exist.
struct SpecialWord {
    const char* sWord;
    int* pId;
};

bool LoadSpecialWords() {
    const SpecialWord words[] = {
        {"\xCA\xBC##\xCA\xBC", &gSent_StartID},    // 始##始
        {"\xC4\xA9##\xC4\xA9", &gSent_EndID},      // 末##末
        {"\xCE\xB4##\xB4\xAE", &gUnknown_x_ID},    // 未##串
        {"\xCE\xB4##\xC8\xCB", &gUnknown_nr_ID},   // 未##人
        {"\xCE\xB4##\xB5\xD8", &gUnknown_ns_ID},   // 未##地
        {"\xCE\xB4##\xCD\xC5", &gUnknown_nt_ID},   // 未##团
        {"\xCE\xB4##\xCA\xB1", &gUnknown_t_ID},    // 未##时
        {"\xCE\xB4##\xCA\xFD", &gUnknown_m_ID},    // 未##数
        {"\xCE\xB4##\xD7\xA8", &gUnknown_nz_ID},   // 未##专
        {"\xA1\xB0", &gQuatation_LD_ID},           // “
        {"\xA1\xB1", &gQuatation_RD_ID},           // ”
        {"\xA1\xAE", &gQuatation_LS_ID},           // ‘
        {"\xA1\xAF", &gQuatation_RS_ID},           // ’
        {"\xA1\xAA\xA1\xAA\xA1\xAA", &gPunctation_WP_ID},  // ———
        {"\xD2\xBB", &gOneID},                     // 一
    };
    bool bComplete = true;
    for (size_t i = 0; i < sizeof(words) / sizeof(words[0]); ++i) {
        *words[i].pId = g_pCoreDict->Find(words[i].sWord);
        if (i < 9 && *words[i].pId == -1) bComplete = false;
    }
    return bComplete;
}

// Steps 10-13: the optional dictionaries. None stops start-up.
void LoadOptionalStores(const char* sConfig) {
    if (IsConfigItemOn(sConfig, "UserDict")) {
        const tstring sPath = DataFile("UserDict.pdat");
        CTrie* pTrie = LoadStore<CTrie>(sPath);
        if (!pTrie) {
            ReportTolerated("Cannot open user dictionary " + PathText(sPath));
        }
        CUserDictWriteLock lock;
        g_pUserDict = pTrie;
    }
    if (IsConfigItemOn(sConfig, "FieldDict")) {
        const tstring sDictPath = DataFile("FieldDict.pdat");
        CPDAT* pDict = LoadStore<CPDAT>(sDictPath, 0);
        if (!pDict) {
            ReportTolerated("Cannot open field dictionary " + PathText(sDictPath));
        }
        CWordList* pPOS = nullptr;
        if (g_bPOSTagger) {
            const tstring sPOSPath = DataFile("FieldDict.pos");
            pPOS = LoadStore<CWordList>(sPOSPath, false, nullptr);
            // A tag list shorter than the dictionary (an interrupted import) would give words
            // the wrong tags: it counts as not loaded, and the dictionary goes with it.
            if (pPOS && pDict && unsigned(pPOS->GetBound()) < pDict->GetItemCount()) {
                delete pPOS;
                pPOS = nullptr;
            }
            if (!pPOS) {
                ReportTolerated("Cannot open field dictionary POS data " + PathText(sPOSPath));
                delete pDict;
                pDict = nullptr;
            }
        }
        CUserDictWriteLock lock;
        g_pFieldDict = pDict;
        g_pFieldPOS = pPOS;
    }
    if (IsConfigItemOn(sConfig, "GranularityContorl")) {
        const tstring sPath = DataFile("GranDict.pdat");
        g_pGranDict = LoadStore<CPDAT>(sPath, 0);
        if (!g_pGranDict) ReportError("Cannot open Granularity dictionary " + PathText(sPath), 0);
        if (g_bPOSTagger) {
            const tstring sPOSPath = DataFile("GranDict.pos");
            g_pGranPOS = LoadStore<CPOS>(sPOSPath);
            if (!g_pGranPOS) ReportError("Cannot open Granularity dictionary POS data " + PathText(sPOSPath), 0);
        }
    }
    if (IsConfigItemOn(sConfig, "Sentiment")) {
        const tstring sPath = DataFile("sentiment.pdat");
        g_pSentiDict = LoadStore<CPDAT>(sPath, 0);
        if (!g_pSentiDict) ReportError(kCannotOpenFile + PathText(sPath), 0);
        const tstring sScorePath = DataFile("sentiment.ung");
        g_pSentiScore = LoadStore<CUnigram>(sScorePath, -1);
        if (!g_pSentiScore) {
            ReportError(kCannotOpenFile + PathText(sScorePath), 0);
            delete g_pSentiDict;
            g_pSentiDict = nullptr;
        }
    }
}

// Map 0 is the configured tag set; without one (or with a path that is no regular file) it is
// an empty set, whose every name reads "n".
bool LoadTagSetMaps() {
    g_ppPOSmap = new CPOSmap*[kPOSmapCount]();
    if (g_sTagset.empty()) {
        g_ppPOSmap[0] = new CPOSmap();
        WriteLog("No TagSet configured: tag-set map 0 is empty and every tag reads n");
    } else {
        const tstring sPath = DataFile(g_sTagset.c_str());
        if (!IsRegularFile(sPath)) return ReportError(kCannotOpenFile + PathText(sPath), false);
        if (!LoadMandatory(g_ppPOSmap[0], sPath)) return false;
    }
    const tstring sPKUFirst = DataFile("PKU_First.map");
    g_ppPOSmap[3] = LoadStore<CPOSmap>(sPKUFirst);
    if (!g_ppPOSmap[3]) return FailTwoLines(sPKUFirst);
    if (!LoadMandatory(g_ppPOSmap[1], DataFile("KOVEX_First.map"))) return false;
    return LoadMandatory(g_ppPOSmap[2], DataFile("PKU.map"));
}

// Step 15: the mandatory stores. False (message written) on the first failure.
bool LoadMandatoryStores() {
    if (!LoadMandatory(g_pCharset, DataFile("charset.type"))) return false;
    if (!LoadMandatory(g_pCoreDict, DataFile("CoreDict.pdat"), 0)) return false;
    if (!LoadSpecialWords()) return ReportError(tstring("The Core Dictionary has been destroyed! "), false);
    const tstring sUnigram = DataFile("CoreDict.unig");
    g_pUnigram = LoadStore<CUnigram>(sUnigram, -1);
    if (!g_pUnigram) return FailTwoLines(sUnigram);
    if (!LoadMandatory(g_pBiDict, DataFile("BiWord.big"), true, 0)) return false;
    if (g_bPOSTagger) {
        if (!LoadMandatory(g_pCorePOS, DataFile("CoreDict.pos"))) return false;
        if (!LoadMandatory(g_pPOSContext, DataFile("KOVEX.ctx"))) return false;
        if (!LoadTagSetMaps()) return false;
    }
    if (g_bNERPerson) {
        if (!LoadMandatory(g_pPersonRole, DataFile("nr.role"))) return false;
        if (!LoadMandatory(g_pPersonContext, DataFile("nr.ctx"))) return false;
        if (!LoadMandatory(g_pPersonFSA, DataFile("nr.fsa"))) return false;
    }
    return true;
}

bool LoadEnglishStores() {
    const tstring sDir = g_sDataPath + "/English/";
    if (!LoadMandatory(g_pEnglishDict, sDir + "English.pdat", 0)) return false;
    if (!LoadMandatory(g_pEnglishWordList, sDir + "English.wordlist", false, nullptr)) return false;
    if (!LoadMandatory(g_pEnglishUnigram, sDir + "English.ung", -1)) return false;
    if (!LoadMandatory(g_pEnglishPOS, sDir + "English.pos")) return false;
    if (!LoadMandatory(g_pEnglishIrre2Reg, sDir + "Irrel2regular.map")) return false;
    if (!LoadMandatory(g_pEngNEDict, sDir + "ne.pdat", 0)) return false;
    return LoadMandatory(g_pEngNEPOS, sDir + "ne.pos");
}

// Steps 2 and 5-19 of a start-up that holds the start claim. 1, or 0 with everything released.
int StartEngine(const char* sInitDirPath, int encode) {
    ResetEngineGlobals();
    g_nEncodeType = encode;
    GetDefaultPath(sInitDirPath);
    g_sDataPath = g_sDefaultDir + "/" + "Data";
    g_sGivenDataPath = (sInitDirPath && *sInitDirPath ? tstring(sInitDirPath) : g_sDefaultDir) + "/" + "Data";

    const tstring sConfigPath = DataFile("Configure.xml");
    char* pConfig = nullptr;
    ReadFile(sConfigPath.c_str(), &pConfig, 0, 0, true);
    std::unique_ptr<char[]> config(pConfig);
    ApplyLogItem(pConfig, g_sDataPath);
    if (!pConfig || !pConfig[0]) return ReportError("Cannot Open Configure file " + PathText(sConfigPath), 0);
    ApplyEngineItems(pConfig);

    if (encode == -1) {
        const tstring sModel = DataFile("CodeTrans.model");
        if (CodeTrans_Initialize(sModel.c_str()) < 0)
            return ReportError("Fail read encoding recognition file " + PathText(sModel), 0);
    } else if (encode >= 1 && encode <= 4) {
        std::unique_ptr<CCodeTran> pTran(new CCodeTran(g_sDataPath.c_str(), encode));
        if (pTran->GetStatus() != 1) {
            // The converter has written its error line; name the file as the last error too.
            SetLastErrorMessage(PathText(pTran->GetFailedPath()) + " cannot load!");
            return 0;
        }
        g_pCodeTranslator = pTran.release();
    }

    LoadOptionalStores(pConfig);
    config.reset();

    if (!LoadMandatoryStores()) return 0;
    {
        const tstring sPath = DataFile("KeyBlackList.pdat");
        CPDAT* pBlack = LoadStore<CPDAT>(sPath, 0);
        CUserDictWriteLock lock;
        g_pKeyBlackList = pBlack;
    }
    if (!LoadEnglishStores()) return 0;

    std::unique_ptr<CMainSystem> pMain(new CMainSystem());
    if (!pMain->IsReady()) return 0;  // the constructor has written its message
    {
        CMutexLock lock(&g_mutex);
        g_vecKOVEX = new CMainSystem*[5]();
        g_nCopyMemSize = 5;
        g_pKOVEX = pMain.release();
        g_vecKOVEX[0] = g_pKOVEX;
    }
    if (!g_pBufManager) g_pBufManager = new CBufferManager();
    return 1;
}

}  // namespace

int KOVEX_Init(const char* sInitDirPath, int encode, const char* third) {
    (void)third;
    bool bOtherStart = false;
    {
        CMutexLock lock(&g_mutex);
        if (g_bActive) return 1;
        if (g_bInitStart)
            bOtherStart = true;
        else
            g_bInitStart = true;
    }
    if (bOtherStart) {
        ReportTolerated("Other thread is under initialization ");
        return 0;
    }
    int nResult = 0;
    try {
        nResult = StartEngine(sInitDirPath, encode);
    } catch (const std::exception& e) {
        ReportError(tstring("KOVEX_Init failed: ") + e.what(), 0);
        nResult = 0;
    } catch (...) {
        nResult = 0;
    }
    if (nResult == 1) {
        CMutexLock lock(&g_mutex);
        g_bActive = true;
        return 1;
    }
    ReleaseEngineObjects();
    CMutexLock lock(&g_mutex);
    g_bInitStart = false;
    return 0;
}

int KOVEX_Exit() {
    {
        CMutexLock lock(&g_mutex);
        if (!g_bActive) return 0;
        g_bActive = false;
    }
    ReleaseEngineObjects();
    {
        CMutexLock lock(&g_mutex);
        g_bInitStart = false;
    }
    delete g_pBufManager;
    g_pBufManager = nullptr;
    return 1;
}
