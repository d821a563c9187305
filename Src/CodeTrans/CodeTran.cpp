// Dictionary-based code converter (see CodeTran.h).
#include "CodeTrans/CodeTran.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "Utility/ByteIO.h"
#include "Utility/ReadFile.h"
#include "Utility/IDMaps.h"
#include "Utility/LogFile.h"
#include "Utility/PDAT.h"
#include "Utility/StrToken.h"
#include "Utility/WordList.h"

namespace {

// The six file names of each encoding code 1..5, in load order: GBK dictionary, GBK word list,
// code dictionary, code word list, code->GBK map, GBK->code map.
const char kFileNames[5][6][15] = {
    {"GBKA.pdat", "GBKA.wordlist", "UTF8.pdat", "UTF8.wordlist", "UTF2GBKA.map", "GBKA2UTF.map"},
    {"GBK.pdat", "GBK.wordlist", "BIG5.pdat", "BIG5.wordlist", "BIG2GBK.map", "GBK2BIG.map"},
    {"GBK.pdat", "GBK.wordlist", "GBKA.pdat", "GBKA.wordlist", "GBKA2GBK.map", "GBK2GBKA.map"},
    {"GBKA.pdat", "GBKA.wordlist", "UTF8.pdat", "UTF8.wordlist", "GBKA2UTF.map", "UTF2GBKA.map"},
    {"GBK.pdat", "GBK.wordlist", "UTF8.pdat", "UTF8.wordlist", "UTF2GBK.map", "GBK2UTF.map"},
};

const char kBOM[] = "\xEF\xBB\xBF";
const char kMark[] = "^^";

bool IsBlankByte(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Writes the load failure of one file; the last-error text is left alone.
void ReportLoadFailure(const tstring& sPath) { WriteError(sPath + " cannot load!\n", nullptr); }

// malloc'd work buffer for the unit segmentation, which may realloc it.
template <typename T>
struct MallocBuffer {
    T* p = nullptr;
    int nSize = 0;
    ~MallocBuffer() { free(p); }
};

// Code of the character at s (double-byte: lead 0x81..0xFE with any trail byte; UTF-8: a shortest
// two- or three-byte form) and its length; 0 when s does not start with one.
unsigned int CharOfForm(const unsigned char* s, int nForm, size_t& nLen) {
    const unsigned char c = s[0];
    if (nForm == 1) {
        if (c < 0x81 || c == 0xFF || s[1] == 0) return 0;
        nLen = 2;
        return c * 256u + s[1];
    }
    if (c >= 0xC2 && c <= 0xDF) {
        if ((s[1] & 0xC0) != 0x80) return 0;
        nLen = 2;
        return (c & 0x1Fu) << 6 | (s[1] & 0x3Fu);
    }
    if (c >= 0xE0 && c <= 0xEF) {
        if ((s[1] & 0xC0) != 0x80 || (s[2] & 0xC0) != 0x80) return 0;
        const unsigned int u = (c & 0x0Fu) << 12 | (s[1] & 0x3Fu) << 6 | (s[2] & 0x3Fu);
        if (u < 0x800) return 0;
        nLen = 3;
        return u;
    }
    return 0;
}

// True when CPDAT::Find of the unit walks exactly the symbols the maximum matching walked for it,
// so that the handle the matching found is Find's answer: Find strips a leading byte-order mark
// and surrounding double quotes and folds blank runs, which the matching does not (mode 2
// dictionaries normalise further and always take Find).
bool WalksAsMatched(const char* sUnit) {
    const unsigned char* s = reinterpret_cast<const unsigned char*>(sUnit);
    size_t n = 0;
    for (; s[n]; ++n)
        if (s[n] == ' ' || s[n] == '\t' || s[n] == '\r' || s[n] == '\n') return false;
    if (n > 2 && s[0] == 0xEF && s[1] == 0xBB && s[2] == 0xBF) return false;
    if (n >= 2 && s[0] == '"' && s[n - 1] == '"') return false;
    return true;
}

}  // namespace

CCodeTran::CCodeTran(const char* sDataPath, int encoding) {
    if (sDataPath == nullptr || encoding < 1 || encoding > 5) return;
    const char(*names)[15] = kFileNames[encoding - 1];
    const tstring sDir = tstring(sDataPath) + "/";

    // Load into locals; install only when all six loaded.
    std::unique_ptr<CPDAT> pGBKDict(new CPDAT(1));
    std::unique_ptr<CWordList> pGBKList(new CWordList(false, nullptr));
    std::unique_ptr<CPDAT> pCodeDict(new CPDAT(1));
    std::unique_ptr<CWordList> pCodeList(new CWordList(false, nullptr));
    std::unique_ptr<CIDMaps> pCode2GBK(new CIDMaps());
    std::unique_ptr<CIDMaps> pGBK2Code(new CIDMaps());

    // Column order: GBK dictionary, GBK word list, code dictionary, code word list, the maps.
    for (int i = 0; i < 6; ++i) {
        const tstring sPath = sDir + names[i];
        const char* sFile = sPath.c_str();
        bool bLoaded = false;
        switch (i) {
            case 0: bLoaded = pGBKDict->Load(sFile); break;
            case 1: bLoaded = pGBKList->Load(sFile); break;
            case 2: bLoaded = pCodeDict->Load(sFile); break;
            case 3: bLoaded = pCodeList->Load(sFile); break;
            case 4: bLoaded = pCode2GBK->Load(sFile) != 0; break;
            default: bLoaded = pGBK2Code->Load(sFile) != 0; break;
        }
        if (!bLoaded) {
            ReportLoadFailure(sPath);
            m_sFailedPath = sPath;
            return;
        }
    }

    m_pGBKSrcDict = pGBKDict.release();
    m_pGBKWordList = pGBKList.release();
    m_pCodeDict = pCodeDict.release();
    m_pCodeWordList = pCodeList.release();
    m_pCode2GBKMap = pCode2GBK.release();
    m_pGBK2CodeMap = pGBK2Code.release();
    m_nEncoding = encoding;
    m_nStatus = 1;
    BuildUnitTable(m_pCodeDict, m_pCodeWordList, m_pCode2GBKMap, m_pGBKWordList, m_codeUnits);
    BuildUnitTable(m_pGBKSrcDict, m_pGBKWordList, m_pGBK2CodeMap, m_pCodeWordList, m_gbkUnits);
}

CCodeTran::~CCodeTran() {
    delete m_pGBKSrcDict;
    delete m_pGBKWordList;
    delete m_pCodeDict;
    delete m_pCodeWordList;
    delete m_pCode2GBKMap;
    delete m_pGBK2CodeMap;
}

bool CCodeTran::HoldsCodeUnit(const char* sUnit, unsigned int nLen) const {
    if (m_nStatus != 1 || sUnit == nullptr || nLen == 0) return false;
    return m_pCodeDict->Find(sUnit, nLen) >= 0;
}

// The table is built only when the dictionary holds nothing but single characters of one form,
// each the word of its handle: maximum matching then cuts a text into exactly those characters
// and ASCII runs (no dictionary word starts with an ASCII byte), which the direct path repeats.
void CCodeTran::BuildUnitTable(const CPDAT* pDict, const CWordList* pWordList, const CIDMaps* pIDMaps,
                               const CWordList* pDsnWordList, UnitTable& table) {
    table = UnitTable();
    if (!pDict || !pWordList || pDict->GetMode() != 1) return;
    const int nCount = int(pDict->GetItemCount());
    if (nCount <= 0 || pWordList->GetBound() < nCount) return;
    for (int nForm = 1; nForm <= 2; ++nForm) {
        std::vector<int32_t> vecHandle(65536, -1);
        bool bAll = true;
        for (int h = 0; h < nCount && bAll; ++h) {
            const char* w = pWordList->GetWord(h);
            size_t nLen = 0;
            const unsigned int nCode = w ? CharOfForm(reinterpret_cast<const unsigned char*>(w), nForm, nLen) : 0;
            bAll = nCode != 0 && nCode < 65536 && w[nLen] == 0 && vecHandle[nCode] == -1 &&
                   pDict->Find(w, unsigned(nLen)) == h;
            if (bAll) vecHandle[nCode] = h;
        }
        if (bAll) {
            table.nForm = nForm;
            table.vecHandle.swap(vecHandle);
            if (pIDMaps && pDsnWordList) {
                table.vecTarget.assign(65536, 0);
                table.pMaps = pIDMaps;
                table.pTargets = pDsnWordList;
                for (size_t c = 0; c < 65536; ++c) {
                    const int h = table.vecHandle[c];
                    if (h < 0) continue;
                    int nCount = 0;
                    const idmaps_info* pMapped = pIDMaps->GetMaps(h, &nCount);
                    const char* t = pMapped != nullptr && nCount > 0 ? pDsnWordList->GetWord(pMapped[0].handle2) : nullptr;
                    const size_t n = t ? strlen(t) : 0;
                    if (n == 0 || n > 7) continue;
                    uint64_t v = uint64_t(n) << 56;
                    for (size_t k = 0; k < n; ++k) v |= uint64_t((unsigned char)t[k]) << (8 * k);
                    table.vecTarget[c] = v;
                }
            }
            return;
        }
    }
}

bool CCodeTran::TransPieceDirect(const char* sPiece, tstring& result, const UnitTable& table, CIDMaps* pIDMaps,
                                 CWordList* pDsnWordList) const {
    if (table.nForm == 0) return false;
    const unsigned char* s = reinterpret_cast<const unsigned char*>(sPiece);
    const size_t nOldSize = result.size();
    const bool bTargets = !table.vecTarget.empty() && table.pMaps == pIDMaps && table.pTargets == pDsnWordList;
    size_t i = 0;
    while (s[i]) {
        if (s[i] < 0x80) {
            // An ASCII run: unmatched units of ASCII, which pass unchanged.
            size_t e = i + 1;
            while (s[e] && s[e] < 0x80) ++e;
            result.append(sPiece + i, e - i);
            i = e;
            continue;
        }
        size_t nLen = 0;
        const unsigned int nCode = CharOfForm(s + i, table.nForm, nLen);
        if (bTargets && nCode != 0 && nCode < 65536) {
            const uint64_t v = table.vecTarget[nCode];
            if (v != 0) {
                const size_t n = size_t(v >> 56);
                for (size_t k = 0; k < n; ++k) result.push_back(char((v >> (8 * k)) & 0xFF));
                i += nLen;
                continue;
            }
        }
        const int nHandle = nCode != 0 && nCode < 65536 ? table.vecHandle[nCode] : -1;
        const char* sTarget = nullptr;
        if (nHandle >= 0) {
            int nCount = 0;
            const idmaps_info* pTargets = pIDMaps->GetMaps(nHandle, &nCount);
            if (pTargets != nullptr && nCount > 0) sTarget = pDsnWordList->GetWord(pTargets[0].handle2);
        }
        if (sTarget == nullptr || *sTarget == '\0') {
            result.resize(nOldSize);
            return false;
        }
        // A target is a character of two to four bytes: byte appends inline, where += would
        // call strlen and the general append for each.
        for (const char* t = sTarget; *t; ++t) result.push_back(*t);
        i += nLen;
    }
    return true;
}

const char* CCodeTran::CodeToGBK(const char* sLine, tstring& result) const {
    return CodeTrans(sLine, result, m_pCodeDict, m_pCode2GBKMap, m_pGBKWordList, false);
}

const char* CCodeTran::GBKToCode(const char* sLine, tstring& result) const {
    return CodeTrans(sLine, result, m_pGBKSrcDict, m_pGBK2CodeMap, m_pCodeWordList, true);
}

const char* CCodeTran::CodeTrans(const char* sLine, tstring& result, CPDAT* pSrcDict, CIDMaps* pIDMaps,
                                 CWordList* pDsnWordList, bool bOutput) const {
    result.clear();
    if (m_nStatus != 1 || sLine == nullptr || *sLine == '\0' || pSrcDict == nullptr || pIDMaps == nullptr ||
        pDsnWordList == nullptr)
        return result.c_str();
    if ((m_nEncoding == 1 || m_nEncoding == 4 || m_nEncoding == 5) && strncmp(sLine, kBOM, 3) == 0) sLine += 3;

    // Work on a copy: the line splitter cuts it in place.
    std::vector<char> vecText(sLine, sLine + strlen(sLine) + 1);
    MallocBuffer<char> buffer;
    MallocBuffer<int> ids;
    buffer.nSize = int(2 * (vecText.size() - 1) + 1);
    buffer.p = static_cast<char*>(malloc(size_t(buffer.nSize)));
    if (buffer.p == nullptr) return result.c_str();
    buffer.p[0] = '\0';
    result.reserve(vecText.size() + vecText.size() / 2);

    char* pCur = vecText.data();
    while (pCur != nullptr && *pCur != '\0') {
        // White space between lines is kept verbatim (CR LF, empty lines, leading blanks and TABs).
        while (IsBlankByte(*pCur)) result += *pCur++;
        if (*pCur == '\0') break;

        char* pNext = nullptr;
        char chSep = 0;
        int nStatus = 0;
        char* pLine = StrLine(pCur, &pNext, &chSep, &nStatus, true);
        if (pLine == nullptr) break;
        if (nStatus == 1) {
            result += pLine;  // a quoted span passes unconverted, without its marks
        } else {
            // Each TAB-separated piece is converted on its own and the TABs are written back.
            size_t nSpanEnd = tstring::npos;  // end of a "^^" span written in this line
            char* pPiece = pLine;
            for (;;) {
                char* pTab = strchr(pPiece, '\t');
                if (pTab != nullptr) *pTab = '\0';
                TransPiece(pPiece, result, pSrcDict, pIDMaps, pDsnWordList, bOutput, nSpanEnd, &buffer.p,
                           &buffer.nSize, &ids.p, &ids.nSize);
                if (pTab == nullptr) break;
                result += '\t';
                pPiece = pTab + 1;
            }
        }
        if (pNext == nullptr || pNext <= pCur) break;
        *pNext = chSep;  // the splitter wrote a NUL over the separator: put it back
        pCur = pNext;
    }
    return result.c_str();
}

void CCodeTran::TransPiece(const char* sPiece, tstring& result, CPDAT* pSrcDict, CIDMaps* pIDMaps,
                           CWordList* pDsnWordList, bool bOutput, size_t& nSpanEnd, char** ppBuffer,
                           int* pnBufferSize, int** ppIDs, int* pnIDSize) const {
    if (*sPiece == '\0') return;
    const UnitTable* pTable = pSrcDict == m_pCodeDict ? &m_codeUnits : pSrcDict == m_pGBKSrcDict ? &m_gbkUnits : nullptr;
    if (pTable && TransPieceDirect(sPiece, result, *pTable, pIDMaps, pDsnWordList)) return;
    // Units of the piece, each followed by a TAB (the piece itself holds none), and the handle
    // of each unit (-1 for an unmatched one), which saves a second walk of the dictionary.
    const int nIDs = pSrcDict->MMSegment(sPiece, ppIDs, pnIDSize, ppBuffer, pnBufferSize, false, true, -1, '\t');
    if (nIDs < 0) return;
    const bool bMatchedIDs = pSrcDict->GetMode() != 2;
    int nUnitIndex = 0;
    char* pUnit = *ppBuffer;
    while (pUnit != nullptr && *pUnit != '\0') {
        char* pEnd = strchr(pUnit, '\t');
        if (pEnd != nullptr) *pEnd = '\0';
        const char* sUnit = pUnit;
        pUnit = pEnd != nullptr ? pEnd + 1 : nullptr;
        const int nUnit = nUnitIndex++;
        if (*sUnit == '\0') continue;  // leading or doubled separators

        const int nHandle = (bMatchedIDs && nUnit < nIDs && WalksAsMatched(sUnit)) ? (*ppIDs)[nUnit]
                                                                                  : pSrcDict->Find(sUnit);
        if (nHandle >= 0) {
            int nCount = 0;
            const idmaps_info* pTargets = pIDMaps->GetMaps(nHandle, &nCount);
            const char* sTarget =
                (pTargets != nullptr && nCount > 0) ? pDsnWordList->GetWord(pTargets[0].handle2) : "";
            if (sTarget != nullptr && *sTarget != '\0') {
                result += sTarget;
                continue;
            }
            // Found without a usable mapping (none, or a target outside the list).
            if (static_cast<unsigned char>(*sUnit) < 0x80) {
                result += sUnit;
                continue;
            }
            if (bOutput) {
                result += ' ';
            } else {
                result += "^^ ^^";  // always a span of its own
                nSpanEnd = tstring::npos;
            }
            continue;
        }
        if (static_cast<unsigned char>(*sUnit) < 0x80) {
            result += sUnit;
            continue;
        }
        // An unconvertible unit: one blank. The segmentation may have glued ASCII bytes onto a
        // stray high byte; those pass unchanged after the blank.
        const char* sTail = sUnit;
        while (*sTail != '\0' && static_cast<unsigned char>(*sTail) >= 0x80) ++sTail;
        if (bOutput) {
            result += ' ';
        } else if (nSpanEnd == result.size()) {
            // The span written just before in this line takes one more blank.
            result.erase(result.size() - 2);
            result += " ^^";
            nSpanEnd = result.size();
        } else {
            result += kMark;
            result += ' ';
            result += kMark;
            nSpanEnd = result.size();
        }
        result += sTail;
    }
}

int CCodeTran::WriteConverted(const char* sSrcFile, const char* sDsnFile, bool bToGBK) const {
    char* pBuffer = nullptr;
    long nRead = long(ReadFile(sSrcFile, &pBuffer, 0, 0, true));
    std::unique_ptr<char[]> owner(pBuffer);
    if (nRead <= 0 || pBuffer == nullptr) return 0;
    const char* sText = pBuffer;
    if (bToGBK && m_nEncoding == 1 && strncmp(sText, kBOM, 3) == 0) sText += 3;

    tstring sResult;
    if (bToGBK) CodeToGBK(sText, sResult);
    else GBKToCode(sText, sResult);

    CAtomicFile file;
    if (sDsnFile == nullptr || file.Open(sDsnFile, true) == nullptr) return 0;
    if (!bToGBK && m_nEncoding == 1) file.Write(kBOM, 3);
    file.Write(sResult);
    file.Write("\n", 1);
    return file.Commit() ? 1 : 0;
}

int CCodeTran::CodeToGBKFile(const char* sSrcFile, const char* sDsnFile) const {
    return WriteConverted(sSrcFile, sDsnFile, true);
}

int CCodeTran::GBKToCodeFile(const char* sSrcFile, const char* sDsnFile) const {
    return WriteConverted(sSrcFile, sDsnFile, false);
}
