// The analysis functions of the engine interface: pooled paragraph processing, the main-instance
// row protocol, and the word tests on the shared lexicons.
#include "MERIDOX/API/KOVEX_API.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include <json/json.h>

#include "CodeTrans/CodeDetect.h"
#include "CodeTrans/CodeTran.h"
#include "CodeTrans/STLCodeTrans.h"
#include "EnglishParser/English.h"
#include "MERIDOX/API/KOVEXInternal.h"
#include "MERIDOX/API/KOVEXPool.h"
#include "MERIDOX/System/EngineGlobals.h"
#include "MERIDOX/System/MainSystem.h"
#include "Utility/BufferManager.h"
#include "Utility/GBKChar.h"
#include "Utility/JsonText.h"
#include "Utility/MutexLock.h"
#include "Utility/PDAT.h"
#include "Utility/POS.h"
#include "Utility/POSmap.h"
#include "Utility/ReadFile.h"
#include "Utility/Trie.h"

pthread_mutex_t g_hMainSystem = PTHREAD_MUTEX_INITIALIZER;

namespace kovex {

const char kEmptyText[] = "";

tstring ToGBK(const char* sText) {
    if (!sText) return tstring();
    if (g_nEncodeType == -1) {
        const size_t nLen = strlen(sText);
        return ToGBK(tstring(sText, nLen), DetectCode(sText, nLen));
    }
    return ToGBKByConverter(sText);
}

int DetectCode(const char* pText, size_t nLen) {
    if (g_nEncodeType != -1) return 0;
    return CodeTrans_CodeDetect(pText, int(nLen));
}

tstring ToGBK(const tstring& sPiece, int nDetected) {
    if (g_nEncodeType != -1) return ToGBKByConverter(sPiece.c_str());
    // Code 0 would make the converter detect again, on the piece alone.
    if (nDetected == CODETRANS_DETECT) return tstring();
    std::vector<char> buf(sPiece.size() + 2);
    int nDest = 0;
    CodeTrans_ToAnsi(nDetected, sPiece.data(), int(sPiece.size()), buf.data(), nDest);
    return tstring(buf.data());
}

tstring ToGBKByConverter(const char* sText) {
    if (!sText) return tstring();
    if (!g_pCodeTranslator) return tstring(sText);
    tstring sResult;
    g_pCodeTranslator->CodeToGBK(sText, sResult);
    return sResult;
}

tstring FromGBK(const tstring& sGBK) {
    if (g_nEncodeType == -1) {
        const int nLen = int(sGBK.size());
        std::vector<char> buf(4 * size_t(nLen) + 1);
        int nCap = int(buf.size());
        CodeTrans_ToUtf8(2, sGBK.c_str(), nLen, buf.data(), nCap);
        return tstring(buf.data());
    }
    if (g_pCodeTranslator && !sGBK.empty()) {
        tstring sResult;
        g_pCodeTranslator->GBKToCode(sGBK.c_str(), sResult);
        return sResult;
    }
    return sGBK;
}

const char* Register(const tstring& sText) {
    if (!g_pBufManager) return kEmptyText;
    const char* p = g_pBufManager->AddBuffer(sText.c_str());
    return p ? p : kEmptyText;
}

char* RegisterBytes(const void* pData, size_t nBytes) {
    if (!g_pBufManager || nBytes == 0) return nullptr;
    char* p = new char[nBytes];
    memcpy(p, pData, nBytes);
    return g_pBufManager->AddBuffer(p);
}

}  // namespace kovex

using kovex::kEmptyText;

// ---- pooled analysis ---------------------------------------------------------------------------

std::string KOVEX_ParagraphProcessStr(const char* sParagraph, int bPOStagged) {
    if (!g_bActive) return std::string();
    CPoolClaim claim;
    if (!claim.get()) return std::string();
    const char* sResult = claim.get()->ParagraphProcess(sParagraph, bPOStagged);
    return sResult ? std::string(sResult) : std::string();
}

bool KOVEX_ParagraphProcessToSink(const char* sParagraph, int bPOStagged,
                                  const std::function<void(const char*, size_t)>& sink) {
    if (!g_bActive) return false;
    CPoolClaim claim;
    if (!claim.get() || !g_bActive || !claim.get()->GetSystem()) return false;
    return claim.get()->GetSystem()->ProcessToSink(sParagraph, bPOStagged, true, sink);
}

bool KOVEX_ParagraphUnitsToSink(const char* sParagraph, const std::function<void(const KOVEX_TaggedUnit&)>& sink) {
    if (!g_bActive) return false;
    CPoolClaim claim;
    if (!claim.get() || !g_bActive || !claim.get()->GetSystem()) return false;
    return claim.get()->GetSystem()->ProcessUnitsToSink(
        sParagraph, true, [&sink](const char* sText, size_t nText, const char* sTag) {
            sink(KOVEX_TaggedUnit{sText, nText, sTag});
        });
}

const char* KOVEX_ParagraphProcess(const char* sParagraph, int bPOStagged) {
    if (!g_bActive) return kEmptyText;
    return kovex::Register(KOVEX_ParagraphProcessStr(sParagraph, bPOStagged));
}

const result_t* KOVEX_ParagraphProcessA(const char* sParagraph, int* pResultCount, bool bUserDict) {
    if (pResultCount) *pResultCount = 0;
    if (!g_bActive) return nullptr;
    char* pCopy = nullptr;
    int nCount = 0;
    {
        CPoolClaim claim;
        if (!claim.get()) return nullptr;
        const result_t* pRows = claim.get()->ParagraphProcessA(sParagraph, &nCount, bUserDict);
        if (!pRows || nCount <= 0) return nullptr;
        pCopy = kovex::RegisterBytes(pRows, sizeof(result_t) * size_t(nCount));
    }
    if (!pCopy) return nullptr;
    if (pResultCount) *pResultCount = nCount;
    return reinterpret_cast<const result_t*>(pCopy);
}

double KOVEX_FileProcess(const char* sSourceFilename, const char* sResultFilename, int bPOStagged) {
    if (!g_bActive || !sSourceFilename || !sResultFilename) return 0.0;
    tstring sSrc, sDst;
    const bool bConverted = GetAnsiFilename(sSourceFilename, sSrc, false);
    GetAnsiFilename(sResultFilename, sDst, bConverted);
    CPoolClaim claim;
    if (!claim.get()) return 0.0;
    return claim.get()->FileProcess(sSrc.c_str(), sDst.c_str(), bPOStagged);
}

const char* KOVEX_WordFreqStat(const char* sText, bool bStopRemove) {
    if (!g_bActive) return kEmptyText;
    std::string sResult;
    {
        CPoolClaim claim;
        if (claim.get()) {
            const char* p = claim.get()->WordFreqStat(sText, bStopRemove);
            if (p) sResult = p;
        }
    }
    return kovex::Register(sResult);
}

const char* KOVEX_FileWordFreqStat(const char* sFilenameO, bool bStopRemove) {
    if (!g_bActive) return kEmptyText;
    if (!sFilenameO) return kovex::Register(tstring());
    tstring sName;
    GetAnsiFilename(sFilenameO, sName, false);
    char* pText = nullptr;
    const unsigned long n = ReadFile(sName.c_str(), &pText, 0, 0, true);
    std::unique_ptr<char[]> text(pText);
    if (!pText || n == 0) return kovex::Register(tstring());
    return KOVEX_WordFreqStat(pText, bStopRemove);
}

// ---- the main instance ---------------------------------------------------------------------------

const char* KOVEX_GetLastErrorMsg() { return GetLastErrorMsg(); }

int KOVEX_GetParagraphProcessAWordCount(const char* sParagraph) {
    if (!g_bActive || !sParagraph) return 0;
    CMutexLock lock(&g_hMainSystem);
    if (!g_pKOVEX) return 0;
    tstring sTrans;
    return g_pKOVEX->ProcessA(sParagraph, sTrans, true, true, false);
}

void KOVEX_ParagraphProcessAW(int nCount, result_t* result) {
    if (!g_bActive || !result || nCount <= 0) return;
    CMutexLock lock(&g_hMainSystem);
    if (!g_pKOVEX) return;
    int nRows = 0;
    const result_t* pRows = g_pKOVEX->GetResult(&nRows);
    if (pRows && nRows == nCount) memcpy(result, pRows, sizeof(result_t) * size_t(nCount));
}

int KOVEX_SetPOSmap(int nPOSmap) {
    if (!g_bActive || nPOSmap < 0 || nPOSmap > 3) return 0;
    g_nPosMap = nPOSmap;
    if (!g_bPOSTagger) return 0;
    CMutexLock lock(&g_mutex);
    if (g_pKOVEX) g_pKOVEX->SetPOSmap(nPOSmap);
    for (int i = 0; g_vecKOVEX && i < g_nCopyMemSize; ++i)
        if (g_vecKOVEX[i]) g_vecKOVEX[i]->SetPOSmap(nPOSmap);
    return 0;
}

// ---- word tests ----------------------------------------------------------------------------------

double KOVEX_GetUniProb(const char* sWord) {
    if (!g_bActive || !sWord) return 0.0;
    return CMainSystem::GetUniProb(sWord);
}

int KOVEX_IsWord(const char* sWordO) {
    if (!g_bActive || !sWordO) return 0;
    const tstring sWord = kovex::ToGBK(sWordO);
    return CMainSystem::IsWord(sWord.c_str()) ? 1 : 0;
}

int KOVEX_IsUserWord(const char* sWordO, bool bAnsiCode) {
    if (!g_bActive || !sWordO) return 0;
    const tstring sWord = bAnsiCode ? tstring(sWordO) : kovex::ToGBK(sWordO);
    if (sWord.empty()) return 0;
    CUserDictReadLock lock;
    if (g_pFieldDict && g_pFieldDict->Find(sWord.c_str()) >= 0) return 1;
    if (g_pUserDict && g_pUserDict->Find(sWord.c_str()) >= 0) return 1;
    return 0;
}

const char* KOVEX_GetWordPOS(const char* sWordO) {
    if (!g_bActive) return nullptr;
    if (!sWordO) return kovex::Register(tstring());
    const tstring sWord = kovex::ToGBK(sWordO);
    const POS_info* pInfo = nullptr;
    int nCount = 0;
    if (g_bPOSTagger && g_pCorePOS && g_ppPOSmap && g_ppPOSmap[0]) {
        const int nHandle = g_pCoreDict->Find(sWord.c_str());
        if (nHandle > 0) {
            pInfo = g_pCorePOS->GetPOS(nHandle, &nCount);
        } else if (nHandle < 0 && g_pEnglishDict && g_pEnglishPOS) {
            const int nEnglish = g_pEnglishDict->Find(sWord.c_str());
            if (nEnglish >= 0) pInfo = g_pEnglishPOS->GetPOS(nEnglish, &nCount);
        }
    }
    tstring sResult;
    for (int i = 0; pInfo && i < nCount; ++i) {
        char sItem[80];
        snprintf(sItem, sizeof(sItem), "/%s/%d#", g_ppPOSmap[0]->GetPOS(pInfo[i].POS_id), int(pInfo[i].freq));
        sResult += sItem;
    }
    return kovex::Register(kovex::FromGBK(sResult));
}

namespace {

// The pieces of a GBK text cut by forward maximum matching on the core dictionary (pieces of at
// most 6 bytes), in the caller's encoding and separated by single blanks; "" when the matching
// leaves the text whole.
tstring FinerPieces(const tstring& sLine) {
    char* pCut = nullptr;
    int nCutSize = 0;
    g_pCoreDict->MMSegment(sLine.c_str(), nullptr, nullptr, &pCut, &nCutSize, false, false, 6, '#');
    tstring sCut = pCut ? pCut : "";
    free(pCut);
    if (sCut.find(sLine) != tstring::npos) return tstring();
    tstring sResult = kovex::FromGBK(sCut);
    for (char& c : sResult)
        if (c == '#') c = ' ';
    return sResult;
}

}  // namespace

const char* KOVEX_FinerSegment(const char* sLineO) {
    if (!g_bActive) return nullptr;
    if (!sLineO) return kovex::Register(tstring());
    return kovex::Register(FinerPieces(kovex::ToGBK(sLineO)));
}

const char* KOVEX_GetEngWordOrign(const char* sWord) {
    if (!g_bActive || !sWord) return nullptr;
    // Only what the English tables give: a word without a regular form has none to hand out.
    tstring sOrign;
    if (!CEnglish::FindRegularForm(sWord, sOrign) || sOrign.empty()) return nullptr;
    if (sOrign[0] >= 'A' && sOrign[0] <= 'Z') sOrign[0] = char(sOrign[0] - 'A' + 'a');
    return kovex::Register(sOrign);
}

namespace {

bool StartsWithBlank(const char* p) { return *p == '\t' || *p == '\r' || *p == '\n' || *p == ' '; }

// Characters of the nLen bytes at s; every byte below 0x80 is one, white space included.
int CountChars(const char* s, size_t nLen, bool bUTF8) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(s);
    int n = 0;
    for (size_t i = 0; i < nLen; ++n) i += size_t(EncodedCharLength(p + i, nLen - i, bUTF8));
    return n;
}

}  // namespace

const char* KOVEX_Tokenizer4IR(const char* sLine, bool bFineSegment) {
    Json::Value root(Json::arrayValue);
    if (!g_bActive || !sLine) return g_bActive ? kovex::Register(WriteJson2Str(root)) : "[]";
    if ((unsigned char)sLine[0] == 0xEF && (unsigned char)sLine[1] == 0xBB && (unsigned char)sLine[2] == 0xBF)
        sLine += 3;
    // The rows, and the text they index: the caller's text (mapped back through the conversion,
    // or taken as it was given), else the GBK text it was converted to (16-bit Unicode under
    // automatic detection).
    tstring sTrans;
    std::vector<result_t> vecRows;
    bool bOnCaller = true, bCallerUTF8 = false;
    {
        CPoolClaim claim;
        CMainSystem* pSystem = claim.get() ? claim.get()->GetSystem() : nullptr;
        if (pSystem) {
            const int nCount = pSystem->ProcessA(sLine, sTrans, true, true, false, true);
            const result_t* pRows = pSystem->GetResult(nullptr);
            if (nCount > 0 && pRows) vecRows.assign(pRows, pRows + nCount);
            bOnCaller = pSystem->RowsIndexCallerText();
            bCallerUTF8 = pSystem->CallerTextUTF8();
        }
    }
    const bool bDetect = g_nEncodeType == -1;
    const tstring sText = bOnCaller ? tstring(sLine) : sTrans;
    // Characters counted in the indexed text; its words are handed out in the caller's encoding
    // (under automatic detection UTF-8, so a GBK word is converted).
    const bool bTextUTF8 = bOnCaller && bCallerUTF8;
    const bool bWordsGBK = !bTextUTF8 && (bDetect || !g_pCodeTranslator);
    // Finer pieces come back in the caller's encoding.
    const bool bPiecesUTF8 = bDetect || (g_pCodeTranslator && g_pCodeTranslator->IsUTF8Encoding());
    // Characters before each byte offset of the text (white space counts one a byte).
    std::vector<int> vecBefore(sText.size() + 1, 0);
    {
        const unsigned char* p = reinterpret_cast<const unsigned char*>(sText.data());
        int nChars = 0;
        for (size_t i = 0; i < sText.size(); ++nChars) {
            const size_t nChar = size_t(EncodedCharLength(p + i, sText.size() - i, bTextUTF8));
            for (size_t k = 0; k < nChar; ++k) vecBefore[i + k] = nChars;
            i += nChar;
        }
        vecBefore[sText.size()] = nChars;
    }
    for (const result_t& row : vecRows) {
        if (row.start < 0 || row.length <= 0 || size_t(row.start) + size_t(row.length) > sText.size()) continue;
        const tstring sWord = sText.substr(size_t(row.start), size_t(row.length));
        if (StartsWithBlank(sWord.c_str())) continue;
        const int nBegin = vecBefore[size_t(row.start)];
        const tstring sWordOut = bDetect && bWordsGBK ? kovex::FromGBK(sWord) : sWord;
        Json::Value item;
        item["text"] = sWordOut;
        item["begin"] = nBegin;
        item["end"] = nBegin + CountChars(sWord.data(), sWord.size(), bTextUTF8);
        item["pos"] = std::string(row.sPOS);
        root.append(item);
        if (!bFineSegment) continue;
        // The word's finer pieces, counted on from its begin; given only when they add up to
        // the word (a word holding a character that the conversion could not map has pieces
        // of its stand-in, which are not the word's characters).
        const tstring sAll = FinerPieces(bWordsGBK ? sWord : kovex::ToGBK(sWord, bDetect ? CODETRANS_UTF8 : 0));
        std::vector<Json::Value> vecPieces;
        int nPieceBegin = nBegin;
        size_t nPos = 0;
        while (nPos < sAll.size()) {
            size_t nEnd = sAll.find(' ', nPos);
            if (nEnd == tstring::npos) nEnd = sAll.size();
            if (nEnd > nPos) {
                const tstring sPiece = sAll.substr(nPos, nEnd - nPos);
                const int nPieceLen = CountChars(sPiece.data(), sPiece.size(), bPiecesUTF8);
                Json::Value piece;
                piece["text"] = sPiece;
                piece["begin"] = nPieceBegin;
                piece["end"] = nPieceBegin + nPieceLen;
                piece["pos"] = "";
                vecPieces.push_back(piece);
                nPieceBegin += nPieceLen;
            }
            nPos = nEnd + 1;
        }
        if (nPieceBegin == item["end"].asInt())
            for (const Json::Value& piece : vecPieces) root.append(piece);
    }
    return kovex::Register(WriteJson2Str(root));
}
