// The engine instance's document-level front ends: keywords, new words, summaries and
// fingerprints of texts and files through a keyword finder, the new-word run on the instance's
// own finder, and document parsing into a finder the caller owns.
#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "CodeTrans/CodeDetect.h"
#include "CodeTrans/CodeTran.h"
#include "CodeTrans/HtmlText.h"
#include "CodeTrans/STLCodeTrans.h"
#include "EnglishParser/English.h"
#include "MERIDOX/System/EngineGlobals.h"
#include "MERIDOX/System/MainSystem.h"
#include "Utility/FileHandle.h"
#include "Utility/GBKChar.h"
#include "Utility/KeyWordFinder.h"
#include "Utility/LogFile.h"
#include "Utility/MutexLock.h"

namespace {

const char kResultGrowFailed[] = "(char *)realloc(m_sResult, failed!";

std::unique_ptr<CKeyWordFinder> NewFinder() {
    return std::unique_ptr<CKeyWordFinder>(new CKeyWordFinder(g_pUnigram, nullptr, KWF_KEYWORD));
}

// The encoding markup cleaning writes character references in: UTF-8 for callers in UTF-8
// (codes 1 and 4, and detected UTF-8 under -1), GBK otherwise.
int HtmlCodeType(const char* sText, int nLen) {
    if (g_nEncodeType == 1 || g_nEncodeType == 4) return CODETRANS_UTF8;
    if (g_nEncodeType == -1 && CodeTrans_CodeDetect(sText, nLen) == CODETRANS_UTF8) return CODETRANS_UTF8;
    return CODETRANS_GBK;
}

// Opens a file by the name as given, else by its GBK form.
FILE* OpenByName(const char* sFilenameO) {
    if (!sFilenameO) return nullptr;
    tstring sName;
    GetAnsiFilename(sFilenameO, sName, false);
    return fopen(sName.c_str(), "rb");
}

// Reads whole lines (with their line break) from fp; false at the end.
class LineReader {
public:
    explicit LineReader(FILE* fp) : m_fp(fp) {}
    ~LineReader() { free(m_pLine); }
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;
    const char* Next() {
        const ssize_t n = getline(&m_pLine, &m_nCapacity, m_fp);
        return n < 0 ? nullptr : m_pLine;
    }

private:
    FILE* m_fp;
    char* m_pLine = nullptr;
    size_t m_nCapacity = 0;
};

void LogLocked(const tstring& sLine, const char* sDir, bool bError) {
    CMutexLock lock(&g_mutex);
    WriteLog(sLine, sDir, bError);
}

// What a file front end reads a file for: it decides the message for a file that does not open
// and the progress lines.
enum class FileWork { kKeyWords, kNewWords, kSummary };

// Scans every whole line of the file (opened as OpenByName does) into a fresh finder shared by
// the file, with the user dictionaries on and markup removed when bHtmlTagRemove. Progress goes
// to standard output: for keywords "Line %d\r" after the 1st, 1001st, ... line with the count
// before it; for new words after every line with the count including it; none for summaries. A
// file that does not open gives null after its message (the keywords' two lines into the log of
// g_sDefaultDir, the others' error line into g_sDefaultDir or, for summaries, the default
// directory); the last error is left alone.
std::unique_ptr<CKeyWordFinder> ScanFileLines(CMainSystem& sys, const char* sFilenameO, FileWork work,
                                              bool bHtmlTagRemove) {
    FilePtr fp(OpenByName(sFilenameO));
    if (!fp.get()) {
        const tstring sName = sFilenameO ? sFilenameO : "";
        if (work == FileWork::kKeyWords) {
            LogLocked("Open file failed ", g_sDefaultDir.c_str(), false);
            LogLocked(sName, g_sDefaultDir.c_str(), false);
        } else {
            LogLocked("Failed Open file " + sName, work == FileWork::kNewWords ? g_sDefaultDir.c_str() : nullptr, true);
        }
        return nullptr;
    }
    std::unique_ptr<CKeyWordFinder> pFinder = NewFinder();
    LineReader reader(fp.get());
    int nLine = 0;
    for (const char* sLine = reader.Next(); sLine; sLine = reader.Next()) {
        sys.Scan(sLine, pFinder.get(), true, true, bHtmlTagRemove);
        if (work == FileWork::kKeyWords && nLine % 1000 == 0) printf("Line %d\r", nLine);
        ++nLine;
        if (work == FileWork::kNewWords) printf("Line %d\r", nLine);
    }
    return pFinder;
}

}  // namespace

size_t CMainSystem::Scan(const char* sLineO, CKeyWordFinder* pKeyWordFinder, bool bEnglishRecognized, bool bUserDict,
                         bool bHtmlTagRemove) {
    if (!pKeyWordFinder) return 0;
    const char* sLine = sLineO ? sLineO : "";
    if (bHtmlTagRemove) {
        tstring* pSlot = pKeyWordFinder->GetExtractElement(11);
        const int nLen = int(std::min<size_t>(strlen(sLine), INT_MAX - 1));
        std::vector<char> buf(size_t(nLen) + 1);
        int nOut = 0;
        vHtmlToText(sLine, nLen, buf.data(), nOut, HtmlCodeType(sLine, nLen));
        pSlot->assign(buf.data(), size_t(nOut));
        sLine = pSlot->c_str();
    }
    m_bEnglishText = ::IsEnglishText(sLine);
    if (m_bEnglishText) {
        m_pEnglishParser->ProcessA(sLine, m_nPOSmap.load());
        m_pEnglishParser->GetResultString(sLine, m_pEnglishParser->m_vecResult, true);
        return pKeyWordFinder->Scan(sLine, m_pEnglishParser.get());
    }
    tstring sTrans;
    ProcessA(sLine, sTrans, true, bUserDict, true);
    int nCount = 0;
    result_t* pRows = GetResult(&nCount);
    // The rows index the GBK text: the converted one when the engine converts.
    const char* sScanned = (g_nEncodeType == -1 || g_pCodeTranslator) && !sTrans.empty() ? sTrans.c_str() : sLine;
    return pKeyWordFinder->Scan(sScanned, nCount, pRows);
}

const char* CMainSystem::HandBack(const char* sText) {
    if (!sText) sText = "";
    try {
        // Built aside and swapped in, so that a failed allocation keeps the old result.
        tstring sOut;
        if (g_nEncodeType == -1) {
            const size_t nLen = strlen(sText);
            std::vector<char> buf(4 * nLen + 1);
            int nDest = 0;
            CodeTrans_ToUtf8(CODETRANS_GBK, sText, int(std::min<size_t>(nLen, INT_MAX / 4)), buf.data(), nDest);
            sOut.assign(buf.data(), size_t(nDest));
        } else if (g_pCodeTranslator) {
            g_pCodeTranslator->GBKToCode(sText, sOut);
        } else {
            sOut = sText;
        }
        m_sResult.swap(sOut);
    } catch (const std::bad_alloc&) {
        CMutexLock lock(&g_mutex);
        WriteError(kResultGrowFailed);
        return nullptr;
    }
    return m_sResult.c_str();
}

const char* CMainSystem::GetKeyWordsEx(const char* sLine, std::vector<WORD_AV>& vecWordAVResult, int nMaxKeyLimit,
                                       int nFormat, bool bGetVector) {
    if (!sLine || !*sLine) {
        m_sResult.clear();
        return m_sResult.c_str();
    }
    std::unique_ptr<CKeyWordFinder> pFinder = NewFinder();
    Scan(sLine, pFinder.get(), false, true, false);
    return HandBack(pFinder->GetKeyWordListEx(vecWordAVResult, nFormat, nMaxKeyLimit, bGetVector));
}

const char* CMainSystem::GetKeyWords(const char* sLine, int nMaxKeyLimit, int nFormat) {
    std::vector<WORD_AV> vecResult;
    return GetKeyWordsEx(sLine, vecResult, nMaxKeyLimit, nFormat, true);
}

const char* CMainSystem::GetNewWords(const char* sLine, int nMaxKeyLimit, int nFormat) {
    std::unique_ptr<CKeyWordFinder> pFinder = NewFinder();
    Scan(sLine ? sLine : "", pFinder.get(), true, true, false);
    return HandBack(pFinder->GetNewWordList(nFormat, nMaxKeyLimit));
}

const char* CMainSystem::GetSummary(const char* sText, int nLengthLimit, double fRatio, int nSentCount,
                                    bool bHtmlTagRemove) {
    std::unique_ptr<CKeyWordFinder> pFinder = NewFinder();
    Scan(sText ? sText : "", pFinder.get(), false, true, bHtmlTagRemove);
    return HandBack(pFinder->GetSummary(nLengthLimit, fRatio, nSentCount, false));
}

uint64_t CMainSystem::GetFinger(const char* sLine) {
    tstring sTrans;
    const char* sText = sLine ? sLine : "";
    ProcessA(sText, sTrans, true, false, true);
    int nCount = 0;
    result_t* pRows = GetResult(&nCount);
    const char* sScanned = (g_nEncodeType == -1 || g_pCodeTranslator) && !sTrans.empty() ? sTrans.c_str() : sText;
    std::unique_ptr<CKeyWordFinder> pFinder = NewFinder();
    pFinder->Scan(sScanned, nCount, pRows);
    pFinder->GetKeyWordList(0, 50);
    return pFinder->FingerPrint();
}

const char* CMainSystem::GetFileKeyWords(const char* sFilenameO, int nMaxKeyLimit, int nFormat) {
    std::unique_ptr<CKeyWordFinder> pFinder = ScanFileLines(*this, sFilenameO, FileWork::kKeyWords, false);
    return HandBack(pFinder ? pFinder->GetKeyWordList(nFormat, nMaxKeyLimit) : "");
}

const char* CMainSystem::GetFileNewWords(const char* sFilenameO, int nMaxKeyLimit, int nFormat) {
    std::unique_ptr<CKeyWordFinder> pFinder = ScanFileLines(*this, sFilenameO, FileWork::kNewWords, false);
    return HandBack(pFinder ? pFinder->GetNewWordList(nFormat, nMaxKeyLimit) : "");
}

const char* CMainSystem::GetFileSummary(const char* sFilenameO, int nLengthLimit, double fRatio, int nSentCount,
                                        bool bHtmlTagRemove) {
    std::unique_ptr<CKeyWordFinder> pFinder = ScanFileLines(*this, sFilenameO, FileWork::kSummary, bHtmlTagRemove);
    return HandBack(pFinder ? pFinder->GetSummary(nLengthLimit, fRatio, nSentCount, false) : "");
}

int CMainSystem::NWI_Start() {
    m_pKeyWordFinder->Reset();
    return 1;
}

int CMainSystem::NWI_AddMem(const char* sText) {
    return int(Scan(sText ? sText : "", m_pKeyWordFinder.get(), false, true, false));
}

int CMainSystem::NWI_AddFile(const char* sFilenameO) {
    FilePtr fp(OpenByName(sFilenameO));
    if (!fp.get()) return 0;
    struct stat st;
    if (fstat(fileno(fp.get()), &st) != 0) {
        LogLocked("_fstat( _fileno(m_fpFileRead) failed", nullptr, true);
        LogLocked(sFilenameO, nullptr, true);
        return 0;
    }
    LineReader reader(fp.get());
    for (const char* sLine = reader.Next(); sLine; sLine = reader.Next()) {
        // 0 is a line that gave nothing (skipped); -1 is the document's size limit.
        if (NWI_AddMem(sLine) == -1) return -1;
    }
    return st.st_size > INT_MAX ? INT_MAX : int(st.st_size);
}

int CMainSystem::NWI_Complete() { return 1; }

const char* CMainSystem::NWI_GetKeyWordResult(int nMaxKeyLimt, int nFormat) {
    return HandBack(m_pKeyWordFinder->GetKeyWordList(nFormat, nMaxKeyLimt));
}

const char* CMainSystem::NWI_GetResult(int nFormat) { return HandBack(m_pKeyWordFinder->GetNewWordList(nFormat, -1)); }

const std::vector<WORD_AV>& CMainSystem::NWI_Result2UserDict() { return m_pKeyWordFinder->GetNewWordListE(0, -1); }

CKeyWordFinder* CMainSystem::ParseDoc(const char* sText, const char* sUserDefPos, bool bSummaryNeeded,
                                      unsigned int nFuncRequired) {
    std::unique_ptr<CKeyWordFinder> pFinder(new CKeyWordFinder(g_pUnigram, sUserDefPos, nFuncRequired));
    Scan(sText ? sText : "", pFinder.get(), false, true, nFuncRequired != 0);
    pFinder->DocExtractor(bSummaryNeeded);
    return pFinder.release();
}
