// The exported interface: one analyser behind the ten ST_ functions, guarded by one request lock.
//
// Request lock: phase-fair (CPhaseFairLock), statically initialised, never destroyed. Point
// requests and the ranking hold it shared; start-up, shut-down, object requests and imports hold
// it exclusively, so no scoring ever sees an object request's temporary words or a field
// dictionary being replaced. Turns alternate: a point request waits for at most the one exclusive
// request that holds or is next in line when it arrives, however busy the object requests keep
// the lock. No ST_ function calls another (a nested shared hold would wait behind a queued
// writer). The last error takes no request lock. Lock order: this lock, then the engine's own
// locks.
//
// Every function catches whatever its work throws and returns its refusal value instead: an
// exception must not cross the C interface (the request's ledger has put its words back).
//
// Every call that fails leaves its own reason as the last error, with a path as the caller gave it:
// the engine's and the analyser's failures report themselves; a call made while the library is not
// started, a configuration document that cannot be read and a call whose work threw are reported
// here.
#include "SentimentNew/main/kovex_sentiment.h"

#include <sys/stat.h>

#include <atomic>
#include <memory>

#include "CodeTrans/CodeTran.h"
#include "CodeTrans/STLCodeTrans.h"
#include "MERIDOX/API/KOVEXInternal.h"
#include "SentimentNew/class/SentiText.h"
#include "SentimentNew/class/Sentiment.h"
#include "Utility/BufferManager.h"
#include "Utility/LogFile.h"
#include "Utility/PhaseFairLock.h"
#include "Utility/Settings.h"

// The analyser: null before ST_Init and after ST_Exit. Changed only under the exclusive lock.
Sentiment* g_sentiment = nullptr;
// Converter between the caller's encoding and GBK for codes 1 to 5 (configuration paths, BIG5
// document texts); null otherwise. Changed only under the exclusive lock.
CCodeTran* g_pSentiCodeTrans = nullptr;

namespace {

CPhaseFairLock g_hSentiRequestLock;

// The encoding code of the latest start-up attempt, successful or not: the last error is handed out
// in the encoding its caller asked for, also after a failed start and after shut-down.
std::atomic<int> g_nSentiEncode{0};

// The refusal text: one static constant, never registered.
const char kNoText[] = "";

// A call made before ST_Init (or after ST_Exit, or after a start-up that failed): the last error
// says so. Nothing is written to a file: no configuration has said where log files may go.
template <typename T>
T NotStarted(T failValue) {
    SetLastErrorMessage("The library is not started: call ST_Init first");
    return failValue;
}

// The refusal of a call whose work threw, called inside the handler: the last error names the call
// and the reason, and is written to the error file. Never throws.
template <typename T>
T Thrown(const char* sCall, T failValue) {
    try {
        tstring sWhy = "unknown exception";
        try {
            throw;
        } catch (const std::bad_alloc&) {
            sWhy = "out of memory";
        } catch (const std::exception& e) {
            sWhy = e.what();
        } catch (...) {
        }
        return ReportError(tstring(sCall) + " failed: " + sWhy, failValue);
    } catch (...) {
        return failValue;
    }
}

class RequestLock : public CPhaseFairHold {
public:
    explicit RequestLock(bool bExclusive) : CPhaseFairHold(g_hSentiRequestLock, bExclusive) {}
};

// A caller's text in the analyser's working form: null is "", and under automatic detection
// every text is brought to UTF-8.
tstring Arg(const char* s) {
    tstring text(s ? s : "");
    if (g_sentiment && g_sentiment->m_encode == -1) return DetectedToUtf8(text);
    return text;
}

// A registered copy of a result text; "" (static) when it cannot be registered.
const char* Registered(const tstring& sText) {
    if (!g_pBufManager) return kNoText;
    const char* p = g_pBufManager->AddBuffer(sText.c_str());
    return p ? p : kNoText;
}

// Registers a result array (new[], NUL-terminated) without copying it; "" (static) when there is
// no buffer manager.
const char* RegisteredArray(std::unique_ptr<char[]> text) {
    if (!g_pBufManager) return kNoText;
    return g_pBufManager->AddBuffer(text.release());  // owned by the manager from here, also on a throw
}

// Creates the converter of codes 1 to 5; false (and no converter) when its set does not load,
// with the last error naming the file that did not ("<path> cannot load!", as the engine's
// converter reports it).
bool LoadSentiConverter(int encode) {
    if (encode < 1 || encode > 5) return true;
    CCodeTran* pTrans = new CCodeTran(g_sDataPath.c_str(), encode);
    if (pTrans->GetStatus() != 1) {
        SetLastErrorMessage(kovex::DataPathText(pTrans->GetFailedPath()) + " cannot load!");
        delete pTrans;
        return false;
    }
    g_pSentiCodeTrans = pTrans;
    if (encode == 2) g_sentiment->m_big5Converter = pTrans;
    return true;
}

// The configuration path to open: as given when it names a file, else its GBK form.
tstring ConfigPath(const char* sPath) {
    tstring sGiven(sPath ? sPath : "");
    struct stat st;
    if (!g_pSentiCodeTrans || sGiven.empty() || stat(sGiven.c_str(), &st) == 0) return sGiven;
    tstring sGBK;
    g_pSentiCodeTrans->CodeToGBK(sGiven.c_str(), sGBK);
    return sGBK;
}

}  // namespace

extern "C" {

int ST_Init(const char* sDataPath, int encode, const char* third) {
    (void)third;
    try {
        RequestLock lock(true);
        if (g_sentiment) {
            // Already started: a converter that failed to load is tried once more.
            if (!g_pSentiCodeTrans && g_sentiment->m_encode >= 1 && g_sentiment->m_encode <= 5)
                return LoadSentiConverter(g_sentiment->m_encode) ? 1 : 0;
            return 1;
        }
        g_pSentiCodeTrans = nullptr;
        g_nSentiEncode = encode;
        const tstring sPath(sDataPath ? sDataPath : "");
        const int nResult = Sentiment::Init(sPath, encode);
        if (nResult == 0) return 0;
        g_sentiment = new Sentiment(sPath.c_str(), encode);
        if (!g_pBufManager) g_pBufManager = new CBufferManager();
        if (!g_bPOSTagger || g_sPOSDelimiter != "/" || g_sWordBoundary != "  ")
            WriteLog("Sentiment points need tagging on, the delimiter \"/\" and the default word boundary: every point is 0");
        if (!LoadSentiConverter(encode)) return 0;
        return nResult;
    } catch (...) {
        return Thrown("ST_Init", 0);
    }
}

int ST_Exit(void) {
    try {
        RequestLock lock(true);
        if (!g_sentiment) return 1;  // not started: nothing of ours to stop
        delete g_sentiment;  // stops the engine, which frees the buffer manager
        g_sentiment = nullptr;
        if (g_pBufManager) {
            delete g_pBufManager;
            g_pBufManager = nullptr;
        }
        if (g_pSentiCodeTrans) {
            delete g_pSentiCodeTrans;
            g_pSentiCodeTrans = nullptr;
        }
    } catch (...) {
    }
    return 1;
}

const char* ST_GetOneObjectResult(const char* sTitle, const char* sContent, const char* sObject) {
    try {
        RequestLock lock(true);
        if (!g_sentiment) return NotStarted(kNoText);
        int nHitCount = 0;
        const std::vector<tstring> objects(1, Arg(sObject));
        const tstring sResult = g_sentiment->GetMultiObjectResult(Arg(sTitle), Arg(sContent), objects, nHitCount);
        return Registered(nHitCount < 1 ? tstring() : sResult);
    } catch (...) {
        return Thrown("ST_GetOneObjectResult", kNoText);
    }
}

const char* ST_GetMultiObjectResult(const char* sTitleO, const char* sContentO, const char* sObjectRuleFileO) {
    try {
        RequestLock lock(true);
        if (!g_sentiment) return NotStarted(kNoText);
        bool bRead = false;
        const tstring sResult =
            g_sentiment->GetMultiObjectResult(Arg(sTitleO), Arg(sContentO), ConfigPath(sObjectRuleFileO), &bRead);
        // Unread, the document gave no word and the request found nothing: that is its failure.
        if (!bRead) {
            return ReportError<const char*>(
                "Cannot read sentiment configuration file " + CErrorText::Given(sObjectRuleFileO ? sObjectRuleFileO : ""),
                Registered(sResult));
        }
        return Registered(sResult);
    } catch (...) {
        return Thrown("ST_GetMultiObjectResult", kNoText);
    }
}

double ST_GetSentimentPoint(const char* sSentenceO) {
    try {
        RequestLock lock(false);
        if (!g_sentiment) return NotStarted(0.0);
        // Only the points are needed: the text is scored as the engine writes it, without a copy
        // of its own unless automatic detection brings it to UTF-8 first.
        const ProcSentResult r = g_sentiment->m_encode == -1 ? g_sentiment->SentencePoints(Arg(sSentenceO).c_str())
                                                              : g_sentiment->SentencePoints(sSentenceO);
        return SentimentPoint(r.posPoint, r.negPoint);
    } catch (...) {
        return Thrown("ST_GetSentimentPoint", 0.0);
    }
}

const char* ST_GetSentencePoint(const char* sSentenceO) {
    try {
        RequestLock lock(false);
        if (!g_sentiment) return NotStarted(kNoText);
        // The document is written straight into the array handed out; the caller's text is scored
        // where it lies unless automatic detection brings it to UTF-8 first.
        std::unique_ptr<char[]> doc = g_sentiment->m_encode == -1 ? g_sentiment->SentenceDocument(Arg(sSentenceO).c_str())
                                                                   : g_sentiment->SentenceDocument(sSentenceO);
        return RegisteredArray(std::move(doc));
    } catch (...) {
        return Thrown("ST_GetSentencePoint", kNoText);
    }
}

int ST_ImportUserDict(const char* sFilePath, int bSaveDict) {
    try {
        RequestLock lock(true);
        if (!g_sentiment) return NotStarted(0);
        return g_sentiment->ImportUserDict(sFilePath ? sFilePath : "", bSaveDict != 0);
    } catch (...) {
        return Thrown("ST_ImportUserDict", 0);
    }
}

int ST_SentiDictIO(const char* sPositiveFile, const char* sNegativeFile, bool bInputOutput) {
    try {
        RequestLock lock(true);
        if (!bInputOutput) return 0;  // asked to do nothing: no failure
        if (!g_sentiment) return NotStarted(0);
        // One rebuild over both files, the negative one last: a word in both takes its weight.
        const std::vector<tstring> files = {sPositiveFile ? sPositiveFile : "", sNegativeFile ? sNegativeFile : ""};
        return g_sentiment->ImportUserDicts(files, true);
    } catch (...) {
        return Thrown("ST_SentiDictIO", 0);
    }
}

const char* ST_GetLastErrorMsg(void) {
    try {
        return Sentiment::GetLastErrMsg(g_nSentiEncode);
    } catch (...) {
        return kNoText;
    }
}

const char* ST_ProcesDir(const char* sPath) {
    try {
        // Ranking only reads the dictionaries, like the point requests.
        RequestLock lock(false);
        if (!g_sentiment) return NotStarted<const char*>(nullptr);
        tstring sTable;
        if (!g_sentiment->RankDirectory(sPath, sTable)) return nullptr;
        const char* sResult = Registered(sTable);
        return (sResult && *sResult) ? sResult : nullptr;
    } catch (...) {
        return Thrown<const char*>("ST_ProcesDir", nullptr);
    }
}

}  // extern "C"
