#include "MERIDOX/System/MainSystem.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <new>
#include <type_traits>
#include <sys/stat.h>

#include "CodeTrans/CodeDetect.h"
#include "CodeTrans/CodeTran.h"
#include "CodeTrans/STLCodeTrans.h"
#include "EnglishParser/English.h"
#include "MERIDOX/Segment/PreProcess.h"
#include "MERIDOX/Segment/Segment.h"
#include "MERIDOX/System/EngineConfig.h"
#include "MERIDOX/System/EngineGlobals.h"
#include "MERIDOX/Tagger/HMMTagger.h"
#include "Utility/GBKChar.h"
#include "Utility/KeyWordFinder.h"
#include "Utility/LogFile.h"
#include "Utility/MutexLock.h"
#include "Utility/StrToken.h"
#include "Utility/Unigram.h"

namespace {

const size_t kInitialTextSize = 10240;
const size_t kInitialRows = 2048;
const size_t kInitialFieldWords = 2048;
const int kLongTextBytes = 101;  // texts of this many bytes or more are processed line by line
// Words of a line gathered before the result output writes them, at the next sentence end across
// which it joins nothing (a sentence cut at the bound is written at once).
const size_t kFlushWords = 8192;

const char kRowGrowFailed[] = "newMem=(result_t *)realloc(m_pVecResult failed!";
const char kTextGrowFailed[] = "(char *)realloc(m_sResult, failed!";

void WriteErrorLocked(const char* sMessage) {
    CMutexLock lock(&g_mutex);
    WriteError(sMessage);
}

bool IsLineBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

template <typename Buffer>
size_t CapacityBytes(const Buffer& b) {
    return b.capacity() * sizeof(typename Buffer::value_type);
}

}  // namespace

template <typename Visit>
void CMainSystem::ForEachBuffer(Visit visit) {
    visit(m_sResult);
    visit(m_sOutput);
    visit(m_sScratch);
    visit(m_pVecResult);
    visit(m_pVecOut);
    visit(m_sTrans);
    visit(m_vecLongText);
    visit(m_vecSpans);
    visit(m_vecCharStart);
    visit(m_vecWords);
    visit(m_vecNames);
    visit(m_vecPieces);
    visit(m_sUnit);
    visit(m_sLearn);
    visit(m_sTagText);
    visit(m_spanMarks.vecOpen);
}

size_t CMainSystem::HeldBytes() const {
    size_t n = 0;
    const_cast<CMainSystem*>(this)->ForEachBuffer([&n](const auto& b) { n += CapacityBytes(b); });
    return n;
}

void CMainSystem::ReleaseGrownBuffers(const char* pReturned) {
    // Only a buffer that grew past the bound is looked at, so ordinary texts keep their buffers
    // from call to call; a long text's are given back instead of held until the instance ends.
    const void* pText = &GetResultText();
    const void* pRows = m_bLongText ? &m_pVecOut : &m_pVecResult;
    ForEachBuffer([&](auto& b) {
        if (CapacityBytes(b) <= kKeptBufferBytes) return;
        if (static_cast<const void*>(b.data()) == pReturned) return;
        if (!b.empty() && (static_cast<const void*>(&b) == pText || static_cast<const void*>(&b) == pRows)) return;
        std::decay_t<decltype(b)>().swap(b);
    });
}

bool CMainSystem::ConvertText(const char* sOrig, tstring& sTrans, bool bSpans) {
    m_bSpans = false;
    m_bMarkSpans = false;
    m_bTextAsGiven = false;
    m_bCallerUTF8 = false;
    m_spanMarks.vecOpen.clear();
    std::vector<CCodeTran::SourceSpan>* pSpans = bSpans ? &m_vecSpans : nullptr;
    if (g_nEncodeType == -1) {
        const int nLen = int(strlen(sOrig));
        const int nCode = CodeTrans_CodeDetect(sOrig, nLen);
        if (nCode == CODETRANS_UTF8) {
            // Characters without a GBK form keep their place as marked blanks, as a converter
            // of the data folder writes them, and every byte tells where it came from.
            CCodeTran::UTF8ToGBKMarked(sOrig, sTrans, pSpans, &m_spanMarks.vecOpen);
            m_bSpans = bSpans;
            m_bCallerUTF8 = true;
        } else if (nCode == CODETRANS_GBK || nCode == CODETRANS_BIG5) {
            sTrans.assign(sOrig, size_t(nLen));  // taken as it is
            m_bTextAsGiven = true;
        } else {
            std::vector<char> buf(size_t(nLen) + 2);
            int nDest = 0;
            CodeTrans_ToAnsi(nCode, sOrig, nLen, buf.data(), nDest);
            sTrans.assign(buf.data());
        }
        // Only GBK text reads a caller's "^^" ... "^^" as a span.
        m_bMarkSpans = nCode != CODETRANS_GBK;
    } else if (g_pCodeTranslator) {
        g_pCodeTranslator->CodeToGBK(sOrig, sTrans, pSpans, &m_spanMarks.vecOpen);
        m_bSpans = bSpans;
        m_bMarkSpans = true;
        m_bCallerUTF8 = g_pCodeTranslator->IsUTF8Encoding();
    } else {
        m_bTextAsGiven = true;
        return false;
    }
    if (m_bMarkSpans) {
        m_spanMarks.pText = sTrans.data();
        m_spanMarks.nTextLen = sTrans.size();
        m_spanMarks.pCopy = &m_vecLongText;
        m_pPreProcess->SetSpanMarks(&m_spanMarks);
    }
    return true;
}

CMainSystem::MarksScope::~MarksScope() {
    system.m_pPreProcess->SetSpanMarks(nullptr);
    system.m_bMarkSpans = false;
    system.m_spanMarks.pText = nullptr;
    system.m_spanMarks.nTextLen = 0;
}

CMainSystem::CMainSystem() : m_nFlushWords(kFlushWords) {
    m_sOutput.clear();
    m_bLongText = false;
    try {
        CTrie* pUser;
        {
            CUserDictReadLock lock;
            pUser = g_pUserDict;
        }
        m_pPreProcess.reset(new CPreProcess(g_pCharset, g_pCoreDict, pUser));
    } catch (const std::exception&) {
        WriteErrorLocked("Cannot build object CPreProcess.\n");
        return;
    }
    try {
        m_pSegmenter.reset(new CSegment(g_pCoreDict, g_pUnigram, g_pBiDict));
    } catch (const std::exception&) {
        WriteErrorLocked("Cannot build object  CSegment");
        return;
    }
    try {
        const double dItems = g_pUnigram ? double(g_pUnigram->GetItemCount()) : 0.0;
        m_nPOSmap = 0;
        if (g_bPOSTagger) m_pTagger.reset(new CHMMTagger(g_pCorePOS, g_pPOSContext, dItems, 21));
        if (g_bNERPerson)
            m_pPERTagger.reset(new CHMMTagger(g_pPersonRole, g_pPersonContext, dItems, 22, false));
    } catch (const std::exception&) {
        WriteErrorLocked("Cannot build object CHMMTagger");
        return;
    }
    try {
        m_sResult.reserve(kInitialTextSize);
        m_pVecResult.reserve(kInitialRows);
        m_pVecOut.reserve(kInitialRows);
        m_pVecField.resize(kInitialFieldWords);
        m_pKeyWordFinder.reset(new CKeyWordFinder(g_pUnigram, nullptr, KWF_KEYWORD));
        m_pEnglishParser.reset(new CEnglish);
    } catch (const std::exception&) {
        WriteErrorLocked("Cannot build object CKeyWordFinder");
        return;
    }
    m_bEnglishText = false;
    m_bReady = true;
}

CMainSystem::~CMainSystem() = default;

void CMainSystem::MarkSpansByShape(const char* s, size_t n) {
    m_spanMarks.vecOpen.clear();
    for (size_t i = 0; i + 1 < n && i < size_t(INT_MAX);) {
        const size_t nEnd = s[i] == '^' ? CCodeTran::MarkedSpanEnd(s, i) : 0;
        if (nEnd > 0 && nEnd <= n) {
            m_spanMarks.vecOpen.push_back(int(i));
            i = nEnd;
        } else {
            ++i;
        }
    }
    m_spanMarks.pText = s;
    m_spanMarks.nTextLen = n;
    m_spanMarks.pCopy = nullptr;
    m_bMarkSpans = true;
    m_pPreProcess->SetSpanMarks(&m_spanMarks);
}

int CMainSystem::PieceEnd(const char* sLine, int nLen, int nMax, bool bLineEnds, bool bLinePieces,
                          bool bConverted) {
    static_assert(kPieceLookahead >= CPreProcess::kSentenceBound + CPreProcess::kDictWordWindow + 16,
                  "a cut must not depend on the bytes after the text given");
    if (!m_bReady || !sLine || nLen <= 0) return 0;
    MarksScope marks{*this};
    if (bConverted) MarkSpansByShape(sLine, size_t(nLen));
    CPreProcess& pre = *m_pPreProcess;
    const int nLimit = std::min(nMax, bLineEnds ? nLen : nLen - kPieceLookahead);
    CSentenceStarts starts;
    starts.Reset(0);
    int nBest = 0;
    for (int pos = 0; pos < nLimit;) {
        while (pos < nLen && IsLineBlank(sLine[pos])) ++pos;
        if (pos >= nLimit) break;
        starts.Add(pos);
        const int next = int(pre.AtomSegment(sLine, pos, nLen) - sLine);
        if (next <= pos || next > nLimit) break;
        const int nAtoms = pre.GetAtomCount();
        // A piece shorter than a long text would keep its leading white space, which a long
        // text's lines drop: pieces are long texts.
        if (next >= kLongTextBytes && next < nLen && sLine[next] && (bLinePieces || !IsLineBlank(sLine[next])) &&
            (pre.EndedByBound() || (nAtoms >= 3 && pre.IsPieceBoundary(sLine, nLen, starts.From(next),
                                                                       pre.GetAtoms()[nAtoms - 2], bLinePieces))))
            nBest = next;
        pos = next;
    }
    return nBest;
}

int CMainSystem::EnglishPieceEnd(const char* sLine, int nLen, int nMax, bool bLineEnds) {
    if (!sLine || nLen <= 0) return 0;
    const int nLimit = std::min(nMax, bLineEnds ? nLen : nLen - kPieceLookahead);
    const unsigned char* s = reinterpret_cast<const unsigned char*>(sLine);
    // The cuts the tokenizer allows, in order: it steps over a byte of 0x80 or more and the byte
    // after it as one character, so the walk does the same to find where a character starts.
    std::vector<int> vecCuts;
    for (int i = 0; i < nLimit;) {
        const int nChar = (s[i] >= 0x80 && i + 1 < nLen) ? 2 : 1;
        const int c = i + nChar;  // a cut after this character
        if (nChar == 1 && i >= 1 && c < nLen && (s[i] == ' ' || s[i] == '\t') && s[i - 1] < 0x80 &&
            !CEnglish::IsTokenDelimiter(char(s[i - 1])) && !CEnglish::IsTokenDelimiter(char(s[c])) && c <= nLimit)
            vecCuts.push_back(c);
        i += nChar;
    }
    // The latest cut that no dictionary word crosses: the result line merges a field or user word
    // that starts at a token and ends at a later token's end.
    CUserDictReadLock hold;
    const CPDAT* pField = g_pFieldDict;
    const CTrie* pUser = g_pUserDict;
    for (auto it = vecCuts.rbegin(); it != vecCuts.rend(); ++it) {
        const int c = *it;
        bool bCrossed = false;
        for (int i = std::max(0, c - CPreProcess::kDictWordWindow); i < c && !bCrossed; ++i) {
            int nHandle = -1;
            char sPos[40];
            if (pField && i + pField->GetMaxWord(sLine + i, &nHandle) > c) bCrossed = true;
            if (pUser && i + pUser->GetMaxWord(sLine + i, &nHandle, sPos) > c) bCrossed = true;
        }
        if (!bCrossed) return c;
    }
    return 0;
}

const char* CMainSystem::CallerText(const tstring& sGBK) {
    if (g_nEncodeType == -1) {
        ANSIToUTF8(sGBK.c_str(), m_sScratch);
        return m_sScratch.c_str();
    }
    if (g_pCodeTranslator) {
        // The text holds no marks of the conversion (Output wrote their blanks): every "^" in
        // it is the caller's.
        g_pCodeTranslator->GBKToCode(sGBK.c_str(), m_sScratch, false);
        return m_sScratch.c_str();
    }
    return sGBK.c_str();
}

const char* CMainSystem::ProcessLinePiece(const char* sGBK, int bPOStagged, bool bUserDict, bool bEnglish,
                                          bool bConverted) {
    if (!m_bReady) return nullptr;
    MarksScope marks{*this};
    if (bConverted && sGBK) MarkSpansByShape(sGBK, strlen(sGBK));
    m_bLongText = false;
    m_bTagging = g_bPOSTagger && bPOStagged;
    // The line's verdict and the text result only (as Process's long texts keep it), for this
    // call.
    struct PieceScope {
        int& nVerdict;
        bool& bTextOnly;
        ~PieceScope() {
            nVerdict = -1;
            bTextOnly = false;
        }
    } scope{m_nEnglishVerdict, m_bTextOnly};
    m_nEnglishVerdict = bEnglish ? 1 : 0;
    m_bTextOnly = true;
    CallEndScope end{*this};
    try {
        if (!sGBK || !*sGBK) {
            m_pVecResult.clear();
            m_sResult.clear();
            return end.Returned(m_sResult.c_str());
        }
        ProcessAtomImpl(sGBK, bPOStagged != 0, bUserDict);
        return end.Returned(CallerText(m_sResult));
    } catch (const std::bad_alloc&) {
        ReportGrowFailure(false);
        return nullptr;
    }
}

const char* CMainSystem::LineBreakText(char chBreak) {
    if (!m_bReady) return nullptr;
    try {
        m_sOutput.clear();
        m_pVecOut.clear();
        SetOutput(&chBreak, 0, 1, -1, 1, true);
        return CallerText(m_sOutput);
    } catch (const std::bad_alloc&) {
        ReportGrowFailure(false);
        return nullptr;
    }
}

void CMainSystem::SetLineLimits(int nSentenceBytes, size_t nFlushWords) {
    if (m_pPreProcess) m_pPreProcess->SetSentenceBound(nSentenceBytes);
    m_nFlushWords = nFlushWords;
}

void CMainSystem::ReportGrowFailure(bool bRows) { WriteErrorLocked(bRows ? kRowGrowFailed : kTextGrowFailed); }

// ---- Process ----------------------------------------------------------------------------------

const char* CMainSystem::Process(const char* sLineOrig, int bPOStagged, bool bUserDict) {
    if (!m_bReady) return nullptr;
    m_bLongText = false;
    CallEndScope end{*this};
    if (!sLineOrig || !*sLineOrig) {
        m_pVecResult.clear();
        m_sResult.clear();
        return end.Returned(m_sResult.c_str());
    }
    size_t nOrigLen = strlen(sLineOrig);
    try {
        if (nOrigLen < 3 && (sLineOrig[0] == '\r' || sLineOrig[0] == '\n' || sLineOrig[0] == ' ' ||
                             sLineOrig[0] == '\t')) {
            m_pVecResult.clear();
            m_sResult.assign(sLineOrig);
            return end.Returned(m_sResult.c_str());
        }
        MarksScope marks{*this};
        const char* sText = ConvertText(sLineOrig, m_sTrans, false) ? m_sTrans.c_str() : sLineOrig;
        if (ProcessAtomExImpl(sText, bPOStagged != 0, bUserDict, true) < 0) return nullptr;
        const tstring& sGBK = m_bLongText ? m_sOutput : m_sResult;
        const char* p = CallerText(sGBK);
        if (p == sGBK.c_str()) return end.Returned(p);
        m_sResult.swap(m_sScratch);
        return end.Returned(m_sResult.c_str());
    } catch (const std::bad_alloc&) {
        ReportGrowFailure(false);
        return nullptr;
    }
}

int CMainSystem::ProcessA(const char* sLineOrig, tstring& sLineTrans, bool bPOStagged, bool bUserDict,
                          bool bKeyWordExtract, bool bMapDetected) {
    if (!m_bReady) return 0;
    m_bRowsIndexGBK = true;
    CallEndScope end{*this};
    try {
        const char* sOrig = sLineOrig ? sLineOrig : "";
        // Rows are mapped back onto the caller's text through a code translator, and under
        // automatic detection when asked (never for keyword extraction); the conversion then
        // tells where each GBK byte came from.
        const bool bMapBack =
            !bKeyWordExtract && (g_nEncodeType == -1 ? bMapDetected : g_pCodeTranslator != nullptr);
        MarksScope marks{*this};
        const char* sText = ConvertText(sOrig, sLineTrans, bMapBack) ? sLineTrans.c_str() : sOrig;
        m_pVecResult.clear();
        m_pVecOut.clear();
        if (ProcessAtomExImpl(sText, bPOStagged, bUserDict, false) < 0) return 0;
        int nCount = 0;
        result_t* pRows = GetResult(&nCount);
        if (!bMapBack || !m_bSpans) return nCount;
        m_bRowsIndexGBK = false;
        MapRowsBack(sOrig, pRows, nCount, m_bCallerUTF8);
        return nCount;
    } catch (const std::bad_alloc&) {
        ReportGrowFailure(true);
        return 0;
    }
}

tstring CMainSystem::RowText(const char* sOrig, const tstring& sTrans, const result_t& row) const {
    const bool bOnCaller = RowsIndexCallerText();
    const char* sText = bOnCaller ? (sOrig ? sOrig : "") : sTrans.c_str();
    const size_t nText = bOnCaller ? strlen(sText) : sTrans.size();
    if (row.start < 0 || row.length < 0 || size_t(row.start) + size_t(row.length) > nText) return tstring();
    tstring sRow(sText + row.start, size_t(row.length));
    if (g_nEncodeType != -1 || (bOnCaller && m_bCallerUTF8)) return sRow;
    tstring sUTF8;
    ANSIToUTF8(sRow.c_str(), sUTF8);
    return sUTF8;
}

void CMainSystem::MapRowsBack(const char* sOrig, result_t* pRows, int nCount, bool bUTF8) {
    // A row covers the caller's bytes that its first and last GBK bytes came from, widened to
    // whole characters of the caller's encoding: a unit the conversion could not map may hold
    // part of a character. Finer pieces, which lie inside their unit, map inside its span.
    const int nOrigLen = int(strlen(sOrig));
    std::vector<unsigned char>& bound = m_vecCharStart;
    bound.assign(size_t(nOrigLen) + 1, 0);
    const unsigned char* s = reinterpret_cast<const unsigned char*>(sOrig);
    for (int i = 0; i < nOrigLen;) {
        bound[size_t(i)] = 1;
        i += EncodedCharLength(s + i, size_t(nOrigLen - i), bUTF8);
    }
    bound[size_t(nOrigLen)] = 1;
    const std::vector<CCodeTran::SourceSpan>& spans = m_vecSpans;
    const int nText = int(spans.size());
    for (int i = 0; i < nCount; ++i) {
        result_t& row = pRows[i];
        const int nStart = std::min(std::max(row.start, 0), nText);
        const int nEnd = std::min(std::max(row.start + std::max(row.length, 0), nStart), nText);
        int nFrom = nStart < nText ? spans[size_t(nStart)].nFrom : nOrigLen;
        int nTo = nEnd > nStart ? spans[size_t(nEnd - 1)].nTo : nFrom;
        nFrom = std::min(std::max(nFrom, 0), nOrigLen);
        nTo = std::min(std::max(nTo, nFrom), nOrigLen);
        while (!bound[size_t(nFrom)]) --nFrom;
        while (!bound[size_t(nTo)]) ++nTo;
        row.start = nFrom;
        row.length = nTo - nFrom;
    }
}

int CMainSystem::ProcessAtomEx(const char* sLine, bool bPOStagged, bool bUserDict, bool bStrOut) {
    if (!m_bReady) return 0;
    CallEndScope end{*this};
    try {
        int n = ProcessAtomExImpl(sLine, bPOStagged, bUserDict, bStrOut);
        return n < 0 ? 0 : n;
    } catch (const std::bad_alloc&) {
        ReportGrowFailure(true);
        return 0;
    }
}

int CMainSystem::ProcessAtomExImpl(const char* sLine, bool bPOStagged, bool bUserDict, bool bStrOut) {
    m_bLongText = false;
    m_bTagging = g_bPOSTagger && bPOStagged;
    if (!sLine || !*sLine) {
        m_pVecResult.clear();
        m_sResult.clear();
        return 0;
    }
    const size_t nLen = strlen(sLine);
    if (nLen < size_t(kLongTextBytes)) {
        ProcessAtomImpl(sLine, bPOStagged, bUserDict);
        if (m_pTextSink) EmitText(m_sResult);
        if (m_pUnitSink) EmitUnits(sLine, m_pVecResult);
        return int(m_pVecResult.size());
    }
    m_bLongText = true;
    // The text is cut into lines with NULs, each put back once its line is done: the instance's
    // own conversion is cut where it lies (nothing else reads it during the call), any other text
    // in a working copy, as a caller's text is never written.
    char* pText;
    if (sLine == m_sTrans.c_str()) {
        m_vecLongText.clear();
        pText = &m_sTrans[0];
    } else {
        m_vecLongText.assign(sLine, sLine + nLen + 1);
        pText = m_vecLongText.data();
    }
    m_pVecOut.clear();
    // Cleared for rows too: the line breaks are appended to it either way, and it would grow with
    // every long text processed for its rows.
    m_sOutput.clear();
    // With bStrOut only the text of each line is kept (in m_sOutput), else only its rows.
    struct PartsScope {
        bool& bTextOnly;
        bool& bRowsOnly;
        ~PartsScope() { bTextOnly = bRowsOnly = false; }
    } parts{m_bTextOnly, m_bRowsOnly};
    m_bTextOnly = bStrOut;
    m_bRowsOnly = !bStrOut;
    int nRows = int(m_pVecResult.size());
    char* pCur = pText;
    while (pCur) {
        char* pNext = nullptr;
        char chSep = 0;
        char* pLineStart = StrLine(pCur, &pNext, &chSep, nullptr, false);
        if (!pLineStart) break;
        const int nOffset = int(pLineStart - pText);
        nRows = ProcessAtomImpl(pLineStart, bPOStagged, bUserDict);
        if (pNext) *pNext = chSep;
        if (m_pTextSink) {
            EmitText(m_sResult);
        } else if (m_pUnitSink) {
            EmitUnits(pLineStart, m_pVecResult);
        } else if (bStrOut) {
            m_sOutput += m_sResult;
        } else {
            for (const result_t& row : m_pVecResult) {
                m_pVecOut.push_back(row);
                m_pVecOut.back().start += nOffset;
            }
        }
        if (!pNext) break;
        SetOutput(pText, int(pNext - pText), 1, -1, 1, true);
        if (m_pTextSink) EmitText(m_sOutput);
        if (m_pUnitSink) {
            EmitUnits(pText, m_pVecOut);  // the line break
            m_sOutput.clear();
        }
        pCur = pNext;
    }
    return nRows;
}

bool CMainSystem::ProcessToSink(const char* sLineOrig, int bPOStagged, bool bUserDict, const ResultTextSink& sink) {
    if (!m_bReady) return false;
    // A short text is Process's own: its special cases stay where they are.
    if (!sLineOrig || strlen(sLineOrig) < size_t(kLongTextBytes)) {
        const char* sResult = Process(sLineOrig, bPOStagged, bUserDict);
        if (!sResult) return false;
        if (*sResult) sink(sResult, strlen(sResult));
        return true;
    }
    SinkHold<ResultTextSink> hold(m_pTextSink, sink);
    return ProcessForSink(sLineOrig, bPOStagged != 0, bUserDict, true);
}

bool CMainSystem::ProcessUnitsToSink(const char* sLineOrig, bool bUserDict, const ResultUnitSink& sink) {
    if (!m_bReady) return false;
    SinkHold<ResultUnitSink> hold(m_pUnitSink, sink);
    // Rows only: each run of them goes out as units and is dropped.
    return ProcessForSink(sLineOrig ? sLineOrig : "", true, bUserDict, false);
}

bool CMainSystem::ProcessForSink(const char* sLineOrig, bool bPOStagged, bool bUserDict, bool bStrOut) {
    CallEndScope end{*this};
    try {
        MarksScope marks{*this};
        const char* sText = ConvertText(sLineOrig, m_sTrans, false) ? m_sTrans.c_str() : sLineOrig;
        m_pVecResult.clear();
        m_pVecOut.clear();
        const int nRows = ProcessAtomExImpl(sText, bPOStagged, bUserDict, bStrOut);
        m_pVecResult.clear();
        m_pVecOut.clear();
        m_sOutput.clear();
        m_sResult.clear();
        return nRows >= 0;
    } catch (const std::bad_alloc&) {
        ReportGrowFailure(!bStrOut);
        return false;
    }
}

void CMainSystem::EmitUnits(const char* sLine, std::vector<result_t>& rows) {
    for (const result_t& row : rows) {
        if (row.start < 0 || row.length < 0) continue;
        const char* p = sLine + row.start;
        size_t n = size_t(row.length);
        // A mark span of the conversion reads as its blanks, as the result text writes it.
        if (m_bMarkSpans && n >= 4 && CCodeTran::MarkedSpanEnd(p, 0) == n) {
            p += 2;
            n -= 4;
        }
        const char* sTag = row.sPOS;
        m_sTagText.assign(sTag, strnlen(sTag, sizeof row.sPOS));
        if (g_nEncodeType == -1) {
            ANSIToUTF8(m_sTagText.c_str(), m_sScratch);
            m_sTagText.swap(m_sScratch);
        }
        // Back to the caller's encoding as the result text goes.
        m_sUnit.assign(p, n);
        if (CallerText(m_sUnit) != m_sUnit.c_str()) m_sUnit.swap(m_sScratch);
        (*m_pUnitSink)(m_sUnit.data(), m_sUnit.size(), m_sTagText.c_str());
    }
    rows.clear();
}

void CMainSystem::EmitText(tstring& sGBK) {
    if (sGBK.empty()) return;
    // The conversion back of Process, piece by piece: GBK converts character by character, and a
    // piece ends after a word's boundary or a line break.
    const char* p = CallerText(sGBK);
    (*m_pTextSink)(p, p == sGBK.c_str() ? sGBK.size() : m_sScratch.size());
    sGBK.clear();
}

int CMainSystem::SetOutput(const char* pLine, int nStartLen, int nWordLen, int /*handle*/, int /*nOutputStyle*/,
                           bool bOut) {
    result_t row{};
    row.start = nStartLen;
    row.length = nWordLen;
    row.iPOS = m_bTagging ? 1 : -1;  // a line break is white space
    row.word_ID = -1;
    if (bOut) {
        m_sOutput.append(pLine + nStartLen, size_t(nWordLen));
        m_sOutput += g_sWordBoundary;
        m_pVecOut.push_back(row);
        return int(m_pVecOut.size());
    }
    m_sResult.append(pLine + nStartLen, size_t(nWordLen));
    AppendFirstChar(m_sResult, g_sWordBoundary);
    m_pVecResult.push_back(row);
    return int(m_pVecResult.size());
}

result_t* CMainSystem::GetResult(int* p_nCount) {
    std::vector<result_t>& rows = m_bLongText ? m_pVecOut : m_pVecResult;
    if (p_nCount) *p_nCount = int(rows.size());
    return rows.data();
}

int CMainSystem::ProcessAtom(const char* sLine, bool bPOStagged, bool bUserDict) {
    if (!m_bReady) return 0;
    CallEndScope end{*this};
    try {
        return ProcessAtomImpl(sLine ? sLine : "", bPOStagged, bUserDict);
    } catch (const std::bad_alloc&) {
        ReportGrowFailure(true);
        return 0;
    }
}

void CollectLineWords(const char* sLine, int nLen, CPreProcess& pre, CSegment& seg, CHMMTagger* pRoleTagger,
                      CHMMTagger* pPOSTagger, std::vector<int>& vecNames, std::vector<word_t>& vecWords,
                      const LineWordFlush* pFlush) {
    int pos = 0;
    CSentenceStarts starts;  // where IsPieceBoundary's walk may start
    starts.Reset(0);
    while (pos < nLen) {
        int p = pos;
        while (p < nLen && IsLineBlank(sLine[p])) ++p;
        if (p > pos) {
            word_t w;
            w.handle = -1;
            w.start = pos;
            w.end = p;
            w.type = 'y';
            w.POS_id = 1;
            vecWords.push_back(w);
            pos = p;
        }
        if (pos >= nLen) break;
        const int next = int(pre.FullSegment(sLine, pos, nLen) - sLine);
        const bool bBound = pre.EndedByBound();
        starts.Add(pos);
        // The sentence's last atom (before the end atom), read before tagging moves on.
        const int nAtoms = pre.GetAtomCount();
        const word_t lastAtom = nAtoms >= 3 ? pre.GetAtoms()[nAtoms - 2] : word_t();
        int n = seg.BiSegment(pre);
        word_t* pWords = seg.GetWords();
        if (n > 0) {
            n = TagSentenceWords(pWords, n, pRoleTagger, g_pPersonFSA, pPOSTagger, vecNames);
            int first = 0, last = n;
            if (first < last && pWords[first].type == 'x') ++first;
            if (first < last && pWords[last - 1].type == 'y') --last;
            vecWords.insert(vecWords.end(), pWords + first, pWords + last);
        }
        if (next <= pos) break;  // no progress: nothing more can be cut
        pos = next;
        if (pFlush && next < nLen) {
            // A sentence cut at the bound is a cut for the output too; a long run of words is
            // written at the next sentence end across which the output joins nothing.
            if (bBound || (vecWords.size() >= pFlush->nWords && nAtoms >= 3 &&
                           pre.IsPieceBoundary(sLine, nLen, starts.From(next), lastAtom))) {
                pFlush->flush(next);
                starts.Reset(next);
            }
        }
        // A writer waiting for the dictionaries goes first; the lookups the earlier sentences
        // kept are then no longer what the dictionaries say.
        if (UserDictLetWritersIn()) pre.DropLookups();
    }
}

int CMainSystem::ProcessAtomImpl(const char* sLine, bool bPOStagged, bool bUserDict) {
    m_pVecResult.clear();
    m_sResult.clear();
    const size_t nLineLen = strlen(sLine);
    const bool bTagging = g_bPOSTagger && bPOStagged;
    // The rows and the text grow with what is written (doubling), not with the line's length.

    m_bEnglishText = m_nEnglishVerdict < 0 ? ::IsEnglishText(sLine) : m_nEnglishVerdict != 0;
    if (m_bEnglishText) {
        std::vector<english_term_result>& tokens = m_pEnglishParser->ProcessA(sLine, m_nPOSmap.load());
        m_sResult.assign(m_pEnglishParser->GetResultString(sLine, tokens, bTagging));
        for (const english_term_result& t : tokens) {
            result_t row{};
            row.start = t.start;
            row.length = t.length;
            SetResultPOS(row, t.sPOS);
            row.iPOS = t.iPOS;
            row.word_ID = t.word_ID;
            row.word_type = t.word_type;
            row.weight = ProbabilityToWeight(GetUniProb(t.word.c_str()));
            m_pVecResult.push_back(row);
        }
        return int(m_pVecResult.size());
    }

    // One shared hold of the user dictionaries for the line: the priority lookups of every atom
    // and the overrides of every word nest inside it instead of taking the lock each. A writer
    // that comes to wait is let in between two sentences, or two output units, and what was read
    // before is read again when it changed anything, so a writer never waits for a whole line.
    // (English lines take the lock for each word's lookups instead.)
    CUserDictReadLock hold;
    m_vecWords.clear();
    // The priority lookups of this line's atoms serve its output while the dictionaries stay
    // the same.
    struct KeptLookups {
        CPreProcess& pre;
        ~KeptLookups() { pre.DropLookups(); }
    } kept{*m_pPreProcess};
    m_pPreProcess->KeepLookups(sLine, int(nLineLen));
    // The words are written in runs: at every sentence cut at the bound, and at a sentence end
    // across which the output joins nothing once kFlushWords have gathered, so the words of a
    // long line never pile up. With a text sink each run's text goes out at once.
    LineWordFlush flush;
    flush.nWords = m_nFlushWords;
    flush.flush = [&](int nCut) {
        Output(sLine, m_vecWords.data(), int(m_vecWords.size()), 0, bPOStagged, bUserDict);
        m_vecWords.clear();
        m_pPreProcess->ForgetLookupsBefore(nCut);
        if (m_pTextSink) EmitText(m_sResult);
        if (m_pUnitSink) EmitUnits(sLine, m_pVecResult);
    };
    CollectLineWords(sLine, int(nLineLen), *m_pPreProcess, *m_pSegmenter, m_pPERTagger.get(),
                     bTagging ? m_pTagger.get() : nullptr, m_vecNames, m_vecWords, &flush);
    const int nRows = Output(sLine, m_vecWords.data(), int(m_vecWords.size()), 0, bPOStagged, bUserDict);
    m_vecWords.clear();
    return nRows;
}
