// Dictionary-based code converter (see CodeTran.h).
#include "CodeTrans/CodeTran.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "SentimentNew/encoding/GbkTables.h"
#include "Utility/ByteIO.h"
#include "Utility/GBKChar.h"
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
// Room of the per-thread working copy kept between calls; a long text's is given back.
const size_t kKeptCopyBytes = size_t(1) << 20;

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
                    if (n == 0 || n > 3) continue;
                    uint32_t v = uint32_t(n) << 24;
                    for (size_t k = 0; k < n; ++k) v |= uint32_t((unsigned char)t[k]) << (8 * k);
                    table.vecTarget[c] = v;
                    if (n > table.nMaxTarget) table.nMaxTarget = n;
                }
            }
            return;
        }
    }
}

// Stores a packed target (its bytes from the lowest up, its length in the top byte) at out as
// one 4-byte word and returns its length; the room after out must hold 4 bytes.
static inline size_t StorePackedTarget(char* out, uint32_t v) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    memcpy(out, &v, sizeof v);
#else
    for (size_t k = 0; k < sizeof v; ++k) out[k] = char((v >> (8 * k)) & 0xFF);
#endif
    return size_t(v >> 24);
}

// Gives each source byte of [nFrom, nTo) a span of its own: the bytes a conversion passes
// unchanged (ASCII, white space, quoted spans).
static void AppendByteSpans(std::vector<CCodeTran::SourceSpan>& spans, int nFrom, int nTo) {
    for (int k = nFrom; k < nTo; ++k) spans.push_back(CCodeTran::SourceSpan{k, k + 1});
}

// The direct conversion for one character form: the piece is written through a cursor into room
// made once (every character of two or more bytes gives at most nMaxTarget bytes, ASCII one byte
// each), so a character costs a table read and one store instead of a checked append per byte.
// With pSpans (the instantiation that records them) each byte written gets the span of the
// character or ASCII byte it came from, the piece starting at nPieceFrom of the source.
template <int nForm, bool bSpans>
bool CCodeTran::TransDirect(const char* sPiece, tstring& result, const UnitTable& table, bool bTargets,
                            CIDMaps* pIDMaps, CWordList* pDsnWordList, std::vector<SourceSpan>* pSpans,
                            int nPieceFrom) {
    const unsigned char* s = reinterpret_cast<const unsigned char*>(sPiece);
    const size_t nOldSize = result.size();
    const size_t nOldSpans = bSpans ? pSpans->size() : 0;
    const size_t nPiece = strlen(sPiece);
    const size_t nPerByte = bTargets && table.nMaxTarget > 2 ? (table.nMaxTarget + 1) / 2 : 1;
    const size_t kSlack = 8;  // a target is stored as 4 bytes and an ASCII run 8 at a time
    result.resize(nOldSize + nPiece * nPerByte + kSlack);
    char* out = &result[0];
    size_t nPos = nOldSize;
    // The bytes written since nWritten came from the source bytes [iFrom, iTo) of the piece.
    auto Spans = [&](size_t nWritten, size_t iFrom, size_t iTo) {
        if (!bSpans) return;
        const SourceSpan span{nPieceFrom + int(iFrom), nPieceFrom + int(iTo)};
        pSpans->resize(pSpans->size() + (nPos - nWritten), span);
    };
    const uint32_t* pTarget = bTargets ? table.vecTarget.data() : nullptr;
    const int32_t* pHandle = table.vecHandle.data();
    size_t i = 0;
    for (;;) {
        // A run of three-byte UTF-8 characters with table targets (the common case of UTF-8
        // text), decoded as below; double-byte text comes in short runs between ASCII (the
        // results' tags), where the steps below cost less.
        if (nForm == 2 && pTarget != nullptr) {
            for (;;) {
                const unsigned int c = s[i];
                unsigned int nCode;
                size_t nLen;
                if (c < 0xE0 || c > 0xEF || (s[i + 1] & 0xC0) != 0x80 || (s[i + 2] & 0xC0) != 0x80) break;
                nCode = (c & 0x0Fu) << 12 | (s[i + 1] & 0x3Fu) << 6 | (s[i + 2] & 0x3Fu);
                if (nCode < 0x800) break;
                nLen = 3;
                const uint32_t v = pTarget[nCode];
                if (v == 0) break;
                const size_t nWritten = nPos;
                nPos += StorePackedTarget(out + nPos, v);
                Spans(nWritten, i, i + nLen);
                i += nLen;
            }
        }
        const unsigned int c = s[i];
        if (c < 0x80) {
            if (c == 0) break;
            const size_t iRun = i;
            // An ASCII run: unmatched units of ASCII, which pass unchanged. Eight bytes at a
            // time while eight lie before the piece's end (the piece holds no NUL): all eight are
            // stored, and the cursor moves past those before the first non-ASCII byte (the room
            // kept for the rest of the piece covers the eight); then byte by byte.
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
            while (i + 8 <= nPiece) {
                uint64_t w;
                memcpy(&w, s + i, sizeof w);
                memcpy(out + nPos, &w, sizeof w);
                const uint64_t nHigh = w & 0x8080808080808080ULL;
                const size_t n = nHigh == 0 ? 8 : size_t(__builtin_ctzll(nHigh)) / 8;
                i += n;
                nPos += n;
                if (n < 8) break;
            }
            if (s[i] != 0 && s[i] < 0x80) {
#endif
                unsigned int a = s[i];
                do {
                    out[nPos++] = char(a);
                    a = s[++i];
                } while (a != 0 && a < 0x80);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
            }
#endif
            // ASCII passes unchanged.
            if (bSpans) AppendByteSpans(*pSpans, nPieceFrom + int(iRun), nPieceFrom + int(i));
            continue;
        }
        // The character's code as CharOfForm reads it (0: not a character of the form).
        unsigned int nCode = 0;
        size_t nLen = 0;
        if (nForm == 1) {
            if (c != 0x80 && c != 0xFF && s[i + 1] != 0) {
                nCode = c * 256u + s[i + 1];
                nLen = 2;
            }
        } else if (c >= 0xC2 && c <= 0xDF) {
            if ((s[i + 1] & 0xC0) == 0x80) {
                nCode = (c & 0x1Fu) << 6 | (s[i + 1] & 0x3Fu);
                nLen = 2;
            }
        } else if (c >= 0xE0 && c <= 0xEF) {
            if ((s[i + 1] & 0xC0) == 0x80 && (s[i + 2] & 0xC0) == 0x80) {
                const unsigned int u = (c & 0x0Fu) << 12 | (s[i + 1] & 0x3Fu) << 6 | (s[i + 2] & 0x3Fu);
                if (u >= 0x800) {
                    nCode = u;
                    nLen = 3;
                }
            }
        }
        if (nCode != 0) {
            if (pTarget != nullptr) {
                const uint32_t v = pTarget[nCode];
                if (v != 0) {
                    const size_t nWritten = nPos;
                    nPos += StorePackedTarget(out + nPos, v);
                    Spans(nWritten, i, i + nLen);
                    i += nLen;
                    continue;
                }
            }
            const int nHandle = pHandle[nCode];
            const char* sTarget = nullptr;
            if (nHandle >= 0) {
                int nCount = 0;
                const idmaps_info* pTargets = pIDMaps->GetMaps(nHandle, &nCount);
                if (pTargets != nullptr && nCount > 0) sTarget = pDsnWordList->GetWord(pTargets[0].handle2);
            }
            if (sTarget != nullptr && *sTarget != '\0') {
                // A target outside the table may be longer than the room kept for it.
                const size_t n = strlen(sTarget);
                const size_t nNeed = nPos + n + (nPiece - i - nLen) * nPerByte + kSlack;
                if (nNeed > result.size()) {
                    result.resize(nNeed);
                    out = &result[0];
                }
                const size_t nWritten = nPos;
                memcpy(out + nPos, sTarget, n);
                nPos += n;
                Spans(nWritten, i, i + nLen);
                i += nLen;
                continue;
            }
        }
        result.resize(nOldSize);
        if (bSpans) pSpans->resize(nOldSpans);
        return false;
    }
    result.resize(nPos);
    return true;
}

bool CCodeTran::TransPieceDirect(const char* sPiece, tstring& result, const UnitTable& table, CIDMaps* pIDMaps,
                                 CWordList* pDsnWordList, std::vector<SourceSpan>* pSpans, int nPieceFrom) const {
    if (table.nForm == 0) return false;
    const bool bTargets = !table.vecTarget.empty() && table.pMaps == pIDMaps && table.pTargets == pDsnWordList;
    if (pSpans)
        return table.nForm == 1 ? TransDirect<1, true>(sPiece, result, table, bTargets, pIDMaps, pDsnWordList, pSpans,
                                                       nPieceFrom)
                                : TransDirect<2, true>(sPiece, result, table, bTargets, pIDMaps, pDsnWordList, pSpans,
                                                       nPieceFrom);
    return table.nForm == 1 ? TransDirect<1, false>(sPiece, result, table, bTargets, pIDMaps, pDsnWordList, nullptr, 0)
                            : TransDirect<2, false>(sPiece, result, table, bTargets, pIDMaps, pDsnWordList, nullptr, 0);
}

const char* CCodeTran::CodeToGBK(const char* sLine, tstring& result) const {
    return CodeTrans(sLine, result, m_pCodeDict, m_pCode2GBKMap, m_pGBKWordList, false);
}

const char* CCodeTran::GBKToCode(const char* sLine, tstring& result, bool bMarks) const {
    return CodeTransSpans(sLine, result, m_pGBKSrcDict, m_pGBK2CodeMap, m_pCodeWordList, true, bMarks, nullptr,
                          nullptr);
}

const char* CCodeTran::CodeToGBK(const char* sLine, tstring& result, std::vector<SourceSpan>& vecSpans) const {
    return CodeToGBK(sLine, result, &vecSpans, nullptr);
}

const char* CCodeTran::CodeToGBK(const char* sLine, tstring& result, std::vector<SourceSpan>* pSpans,
                                 std::vector<int>* pMarks) const {
    if (pSpans) pSpans->clear();
    if (pMarks) pMarks->clear();
    return CodeTransSpans(sLine, result, m_pCodeDict, m_pCode2GBKMap, m_pGBKWordList, false, false, pSpans, pMarks);
}

const char* CCodeTran::CodeTrans(const char* sLine, tstring& result, CPDAT* pSrcDict, CIDMaps* pIDMaps,
                                 CWordList* pDsnWordList, bool bOutput) const {
    return CodeTransSpans(sLine, result, pSrcDict, pIDMaps, pDsnWordList, bOutput, bOutput, nullptr, nullptr);
}

size_t CCodeTran::MarkedSpanEnd(const char* s, size_t i) {
    if (s[i] != '^' || s[i + 1] != '^' || s[i + 2] != ' ') return 0;
    size_t k = i + 3;
    while (s[k] == ' ') ++k;
    return (s[k] == '^' && s[k + 1] == '^') ? k + 2 : 0;
}

namespace {

// The text with every mark span of the converter ("^^", blanks, "^^") replaced by its blanks;
// any other "^" stays.
tstring WithoutMarks(const char* s) {
    tstring sOut;
    sOut.reserve(strlen(s));
    for (size_t i = 0; s[i] != '\0';) {
        const size_t nEnd = CCodeTran::MarkedSpanEnd(s, i);
        if (nEnd == 0) {
            sOut += s[i++];
            continue;
        }
        sOut.append(s + i + 2, nEnd - 4 - i);
        i = nEnd;
    }
    return sOut;
}

}  // namespace

const char* CCodeTran::CodeTransSpans(const char* sLine, tstring& result, CPDAT* pSrcDict, CIDMaps* pIDMaps,
                                      CWordList* pDsnWordList, bool bOutput, bool bMarks,
                                      std::vector<SourceSpan>* pSpans, std::vector<int>* pMarks) const {
    result.clear();
    if (m_nStatus != 1 || sLine == nullptr || *sLine == '\0' || pSrcDict == nullptr || pIDMaps == nullptr ||
        pDsnWordList == nullptr)
        return result.c_str();
    int nBase = 0;  // source offset of sLine's first byte
    if (IsUTF8Encoding() && strncmp(sLine, kBOM, 3) == 0) {
        sLine += 3;
        nBase = 3;
    }
    // Towards the caller's encoding the converter's own marks become their blanks. Every other
    // "^" is a character of the text, in both directions, and is converted as such.
    tstring sUnmarked;
    if (bMarks && strstr(sLine, kMark) != nullptr) {
        sUnmarked = WithoutMarks(sLine);
        sLine = sUnmarked.c_str();
        if (*sLine == '\0') return result.c_str();
    }

    // Made by the unit segmentation when a piece needs it (the direct path needs neither).
    MallocBuffer<char> buffer;
    MallocBuffer<int> ids;
    const size_t nLen = strlen(sLine);
    if (strcspn(sLine, " \t\r\n") == nLen) {
        // No white space: the text is one line of one piece (what the splitting below would
        // find), converted without the copy that the splitter cuts.
        MarkRun run;
        TransPiece(sLine, result, pSrcDict, pIDMaps, pDsnWordList, bOutput, run, &buffer.p, &buffer.nSize,
                   &ids.p, &ids.nSize, pSpans, nBase, pMarks);
        return result.c_str();
    }
    // Work on a copy: the line splitter cuts it in place. The copy's room is kept per thread
    // (the converter itself is shared and never changes), so a call allocates nothing once the
    // thread has converted a text as long; room grown beyond 1 MB for a long text is given back
    // as the call ends, so that no thread holds the size of the longest text it converted.
    static thread_local std::vector<char> t_vecText;
    std::vector<char>& vecText = t_vecText;
    struct GrownCopyRelease {
        std::vector<char>& v;
        ~GrownCopyRelease() {
            if (v.capacity() > kKeptCopyBytes) std::vector<char>().swap(v);
        }
    } release{vecText};
    vecText.assign(sLine, sLine + nLen + 1);
    result.reserve(vecText.size() + vecText.size() / 2);

    char* pCur = vecText.data();
    // Source offset of a byte of the copy; bytes passed unchanged are their own span.
    auto From = [&](const char* p) { return nBase + int(p - vecText.data()); };
    auto Verbatim = [&](const char* p, size_t n) {
        if (pSpans) AppendByteSpans(*pSpans, From(p), From(p) + int(n));
    };
    while (pCur != nullptr && *pCur != '\0') {
        // White space between lines is kept verbatim (CR LF, empty lines, leading blanks and TABs).
        while (IsBlankByte(*pCur)) {
            Verbatim(pCur, 1);
            result += *pCur++;
        }
        if (*pCur == '\0') break;

        char* pNext = nullptr;
        char chSep = 0;
        char* pLine = StrLine(pCur, &pNext, &chSep, nullptr, false);
        if (pLine == nullptr) break;
        // Each TAB-separated piece is converted on its own and the TABs are written back.
        MarkRun run;  // the "^^" span written last in this line
        char* pPiece = pLine;
        for (;;) {
            char* pTab = strchr(pPiece, '\t');
            if (pTab != nullptr) *pTab = '\0';
            TransPiece(pPiece, result, pSrcDict, pIDMaps, pDsnWordList, bOutput, run, &buffer.p, &buffer.nSize,
                       &ids.p, &ids.nSize, pSpans, From(pPiece), pMarks);
            if (pTab == nullptr) break;
            result += '\t';
            Verbatim(pTab, 1);
            pPiece = pTab + 1;
        }
        if (pNext == nullptr || pNext <= pCur) break;
        *pNext = chSep;  // the splitter wrote a NUL over the separator: put it back
        pCur = pNext;
    }
    return result.c_str();
}

void CCodeTran::TransPiece(const char* sPiece, tstring& result, CPDAT* pSrcDict, CIDMaps* pIDMaps,
                           CWordList* pDsnWordList, bool bOutput, MarkRun& run, char** ppBuffer,
                           int* pnBufferSize, int** ppIDs, int* pnIDSize, std::vector<SourceSpan>* pSpans,
                           int nPieceFrom, std::vector<int>* pMarks) const {
    if (*sPiece == '\0') return;
    const UnitTable* pTable = pSrcDict == m_pCodeDict ? &m_codeUnits : pSrcDict == m_pGBKSrcDict ? &m_gbkUnits : nullptr;
    if (pTable && TransPieceDirect(sPiece, result, *pTable, pIDMaps, pDsnWordList, pSpans, nPieceFrom)) return;
    // The units tile the piece: nAt is where the next one starts in it, and the bytes a unit
    // writes get its span.
    size_t nAt = 0;
    const size_t nPieceLen = pSpans ? strlen(sPiece) : 0;
    SourceSpan unitSpan{nPieceFrom, nPieceFrom};
    auto Mark = [&](const SourceSpan& span) {
        if (pSpans) pSpans->resize(result.size(), span);
    };
    // A unit passed unchanged: each of its bytes is its own span.
    auto MarkBytes = [&] {
        if (!pSpans) return;
        for (int k = unitSpan.nFrom; pSpans->size() < result.size(); ++k)
            pSpans->push_back(SourceSpan{std::min(k, unitSpan.nTo), std::min(k + 1, unitSpan.nTo)});
    };
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
        if (pSpans) {
            const size_t nUnitLen = strlen(sUnit);
            if (strncmp(sPiece + nAt, sUnit, nUnitLen) != 0) {
                const char* pFound = strstr(sPiece + nAt, sUnit);
                if (pFound != nullptr) nAt = size_t(pFound - sPiece);
            }
            unitSpan.nFrom = nPieceFrom + int(nAt);
            nAt = std::min(nAt + nUnitLen, nPieceLen);
            unitSpan.nTo = nPieceFrom + int(nAt);
        }

        const int nHandle = (bMatchedIDs && nUnit < nIDs && WalksAsMatched(sUnit)) ? (*ppIDs)[nUnit]
                                                                                  : pSrcDict->Find(sUnit);
        if (nHandle >= 0) {
            int nCount = 0;
            const idmaps_info* pTargets = pIDMaps->GetMaps(nHandle, &nCount);
            const char* sTarget =
                (pTargets != nullptr && nCount > 0) ? pDsnWordList->GetWord(pTargets[0].handle2) : "";
            if (sTarget != nullptr && *sTarget != '\0') {
                result += sTarget;
                Mark(unitSpan);
                continue;
            }
            // Found without a usable mapping (none, or a target outside the list).
            if (static_cast<unsigned char>(*sUnit) < 0x80) {
                result += sUnit;
                MarkBytes();
                continue;
            }
            if (bOutput) {
                result += ' ';
            } else {
                if (pMarks) pMarks->push_back(int(result.size()));
                result += "^^ ^^";  // always a span of its own
                run = MarkRun();
            }
            Mark(unitSpan);
            continue;
        }
        if (static_cast<unsigned char>(*sUnit) < 0x80) {
            result += sUnit;
            MarkBytes();
            continue;
        }
        // An unconvertible unit: one blank. The segmentation may have glued ASCII bytes onto a
        // stray high byte; those pass unchanged after the blank.
        const char* sTail = sUnit;
        while (*sTail != '\0' && static_cast<unsigned char>(*sTail) >= 0x80) ++sTail;
        if (bOutput) {
            result += ' ';
        } else if (run.Extends(result.size(), 1)) {
            // The span written just before in this line takes one more blank.
            result.erase(result.size() - 2);
            if (pSpans) pSpans->resize(result.size());
            result += " ^^";
            run.nEnd = result.size();
        } else {
            if (pMarks) pMarks->push_back(int(result.size()));
            run.nOpen = result.size();
            result += kMark;
            result += ' ';
            result += kMark;
            run.nEnd = result.size();
        }
        if (pSpans && *sTail != '\0') {
            // The blank and its marks stand for the high bytes; the tail is its own bytes.
            const int nTail = int(sTail - sUnit);
            Mark(SourceSpan{unitSpan.nFrom, unitSpan.nFrom + nTail});
            result += sTail;
            AppendByteSpans(*pSpans, unitSpan.nFrom + nTail, unitSpan.nTo);
            pSpans->resize(result.size(), SourceSpan{unitSpan.nTo, unitSpan.nTo});
            continue;
        }
        result += sTail;
        Mark(unitSpan);
    }
}

void CCodeTran::UTF8ToGBKMarked(const char* sLine, tstring& result, std::vector<SourceSpan>* pSpans,
                                 std::vector<int>* pMarks) {
    result.clear();
    if (pSpans) pSpans->clear();
    if (pMarks) pMarks->clear();
    if (sLine == nullptr) return;
    const unsigned char* s = reinterpret_cast<const unsigned char*>(sLine);
    size_t i = strncmp(sLine, kBOM, 3) == 0 ? 3 : 0;
    const size_t nLen = i + strlen(sLine + i);
    result.reserve(nLen + 8);
    if (pSpans) pSpans->reserve(nLen + 8);
    auto Put = [&](const char* p, size_t n, size_t nFrom, size_t nTo) {
        result.append(p, n);
        if (pSpans) pSpans->resize(result.size(), SourceSpan{int(nFrom), int(nTo)});
    };
    MarkRun run;  // the mark span written last
    while (i < nLen) {
        const unsigned char c = s[i];
        if (c < 0x80) {
            Put(sLine + i, 1, i, i + 1);
            ++i;
            continue;
        }
        size_t nChar = size_t(UTF8CharLength(s + i, nLen - i));
        unsigned int u = 0;
        if (nChar == 2) u = (c & 0x1Fu) << 6 | (s[i + 1] & 0x3Fu);
        if (nChar == 3) u = (c & 0x0Fu) << 12 | (s[i + 1] & 0x3Fu) << 6 | (s[i + 2] & 0x3Fu);
        // Overlong three-byte forms read as bytes of their own, as the other UTF-8 decoders do.
        if (nChar == 3 && u < 0x800) nChar = 1;
        const unsigned int g = (nChar == 2 || nChar == 3) ? CodeTable[u] : 0;
        if (g >= 0x100) {
            const char gbk[2] = {char(g >> 8), char(g & 0xFF)};
            Put(gbk, 2, i, i + nChar);
        } else {
            // No double-byte GBK form (the one-byte euro sign included, which would pair with
            // the next byte): a blank per byte, in marks that a run shares.
            if (run.Extends(result.size(), nChar)) {
                result.erase(result.size() - 2);
                if (pSpans) pSpans->resize(result.size());
            } else {
                if (pMarks) pMarks->push_back(int(result.size()));
                run.nOpen = result.size();
                Put(kMark, 2, i, i + nChar);
            }
            Put("    ", nChar, i, i + nChar);
            Put(kMark, 2, i, i + nChar);
            run.nEnd = result.size();
        }
        i += nChar;
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
