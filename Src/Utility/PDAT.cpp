// CPDAT: symbol coding, lookups and the .pdat file.
#include "Utility/PDAT.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

#include "CodeTrans/STLCodeTrans.h"
#include "Utility/ByteIO.h"
#include "Utility/LogFile.h"
#include "Utility/PDATInternal.h"

namespace {

// .pdat layout: symbol table, lower bound, item count, cells, mode.
const size_t kCharsetBytes = 65536 * 4;
const size_t kHeaderBytes = kCharsetBytes + 8;  // the cells start here
const size_t kCellBytes = 12;

inline bool IsBlankSymbol(int code) { return code == 32 || code == 9 || code == 13 || code == 10; }

// Mode-2 delimiters: the one-byte " \t\r\n,/_" and nine two-byte GBK characters.
inline bool IsMode2Delimiter1(unsigned char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == ',' || c == '/' || c == '_';
}

}  // namespace

bool PdatIsMode2Delimiter2(int code) {
    switch (code) {
        case 0xA3DC:  // ＼
        case 0xA3FC:  // ｜
        case 0xA3AC:  // ，
        case 0xA3AE:  // ．
        case 0xA1A3:  // 。
        case 0xA1A2:  // 、
        case 0xA3AD:  // －
        case 0xA1AA:  // —
        case 0xAAA4:
            return true;
        default:
            return false;
    }
}

bool PdatIsMode2Delimiter(const unsigned char* s, size_t nCharLen) {
    if (nCharLen == 1) return IsMode2Delimiter1(s[0]);
    return nCharLen == 2 && PdatIsMode2Delimiter2(s[0] * 256 + s[1]);
}

tstring PdatResolveFilename(const char* sFilename) {
    tstring sAnsi;
    if (GetAnsiFilename(sFilename, sAnsi, false)) {
        ReportTolerated("Changed utf-8 file name " + CErrorText::Given(sFilename));
    }
    return sAnsi;
}

// ---- construction ----------------------------------------------------------------------------

CPDAT::CPDAT(int nMode)
    : m_nLength(0),
      m_nLowerBound(0),
      m_nItemCount(0),
      m_sResult(nullptr),
      m_nResultLen(0),
      m_charset(65536, -1),
      m_charsetSize(0),
      m_charsetfreq(65536, 0),
      m_freq(65536, 0),
      m_LowerChar(0x10000),
      m_UpperChar(0),
      m_nMode(nMode == 1 ? 1 : 0),
      m_bWordAddCompleted(false) {
    AddWordInit();
}

CPDAT::~CPDAT() { free(m_sResult); }

int CPDAT::AddTrie(const char*, bool) { return 1; }

void CPDAT::GetPos(char*, int) {}

int CPDAT::GetLowerBound() const { return m_nLowerBound; }

bool CPDAT::SetEmpty() {
    m_nLowerBound = 0;
    m_nItemCount = 0;
    return true;
}

// ---- symbol coding ---------------------------------------------------------------------------

namespace {

// Mode 2 (normalising) symbol code, out of line so that the plain modes' code inlines into the
// walks of this file.
__attribute__((noinline)) int NormalisedCharCode(const unsigned char* s, size_t i, size_t nLen, bool bTwo,
                                                 size_t& nCharLen) {
    unsigned char c = s[i];
    nCharLen = bTwo ? 2 : 1;
    int code = bTwo ? c * 256 + s[i + 1] : c;
    if (bTwo) {
        switch (code) {
            case 0xA3A8:  // （
            case 0xA1BE:  // 【
                return 40;
            case 0xA3A9:  // ）
            case 0xA1BF:  // 】
                return 41;
            case 0xA1B0:  // “
            case 0xA1B1:  // ”
            case 0xA1AE:  // ‘
            case 0xA3A7:  // ＇
                return 34;
            default:
                break;
        }
        unsigned char t = s[i + 1];
        if (c == 0xA3) {
            if (t >= 0xB0 && t <= 0xB9) return t - 0x80;  // full-width digit
            if (t >= 0xC1 && t <= 0xDA) return t - 0x60;  // full-width capital to small letter
            if (t >= 0xE1 && t <= 0xFA) return t - 0x80;  // full-width small letter
        }
    }
    if (bTwo ? PdatIsMode2Delimiter2(code) : IsMode2Delimiter1(c)) {
        // A delimiter swallows the run of delimiters after it, up to the end of the text.
        size_t j = i + nCharLen;
        for (;;) {
            if (nLen == CPDAT::kNulTerminated ? s[j] == 0 : j >= nLen) break;
            unsigned char d = s[j];
            bool bTwoNext = d >= 0x80 && (nLen == CPDAT::kNulTerminated ? s[j + 1] != 0 : j + 1 < nLen);
            size_t nNext = bTwoNext ? 2 : 1;
            if (!PdatIsMode2Delimiter(s + j, nNext)) break;
            j += nNext;
        }
        nCharLen = j - i;
        return 9;
    }
    if (!bTwo && c >= 'A' && c <= 'Z') return c + 32;
    return code;
}

}  // namespace

int CPDAT::GetCharCode(const unsigned char* s, size_t i, size_t nLen, size_t& nCharLen) const {
    unsigned char c = s[i];
    // A lead byte takes the next byte as trail unless it is the last byte of the text.
    bool bTwo = c >= 0x80 && m_nMode != 1 && (nLen == kNulTerminated ? s[i + 1] != 0 : i + 1 < nLen);
    if (m_nMode == 1) {
        nCharLen = 1;
        return c;
    }
    if (m_nMode == 0) {
        if (bTwo) {
            nCharLen = 2;
            return c * 256 + s[i + 1];
        }
        nCharLen = 1;
        return (c >= 'A' && c <= 'Z') ? c + 32 : c;
    }
    return NormalisedCharCode(s, i, nLen, bTwo, nCharLen);
}

// ---- the walk --------------------------------------------------------------------------------

int32_t CPDAT::Step(Walk& walk, int32_t nId) const {
    if (nId < 0 || walk.nOffset < 0) return -1;
    int64_t c = walk.nOffset + nId;
    if (c > m_nLowerBound) return -1;
    const state& st = m_cells[size_t(c)];
    if (st.check != walk.nParent) return -1;
    walk.nParent = int32_t(c);
    walk.nOffset = Offset(st);
    return walk.nParent;
}

// ---- lookups ---------------------------------------------------------------------------------

int CPDAT::Find(const char* sWord) const {
    if (!sWord) return -1;
    size_t n = strlen(sWord);
    if (n > std::numeric_limits<unsigned int>::max()) return -1;
    return Find(sWord, static_cast<unsigned int>(n));
}

int CPDAT::Find(const char* pWord, unsigned int nLen) const {
    if (!pWord || m_cells.empty()) return -1;
    const unsigned char* s = reinterpret_cast<const unsigned char*>(pWord);
    size_t n = nLen;
    if (n > 2 && s[0] == 0xEF && s[1] == 0xBB && s[2] == 0xBF) {
        s += 3;
        n -= 3;
    }
    if (n >= 2 && s[0] == '"' && s[n - 1] == '"') {
        s += 1;
        n -= 2;
    }
    if (n == 0) return -1;
    Walk walk;
    int32_t nCell = -1;
    int nLastCode = -1;
    size_t i = 0;
    while (i < n) {
        size_t nCharLen;
        int code = GetCharCode(s, i, n, nCharLen);
        i += nCharLen;
        if (IsBlankSymbol(code)) {
            code = 32;
            if (nLastCode == 32) continue;
        }
        nLastCode = code;
        nCell = Step(walk, m_charset[code]);
        if (nCell < 0) return -1;
    }
    if (nCell < 0) return -1;
    const state& st = m_cells[nCell];
    return IsWordEnd(st) ? st.handle : -1;
}

int CPDAT::GetMaxWord(const char* sLine, int* rtnHandle, bool* rtbBlankInculded) const {
    if (rtnHandle) *rtnHandle = -1;
    if (rtbBlankInculded) *rtbBlankInculded = false;
    if (!sLine || m_cells.empty()) return 0;
    const unsigned char* s = reinterpret_cast<const unsigned char*>(sLine);
    int nBest = 0, nHandle = -1;
    bool bBestBlank = false;
    if (m_nMode == 2) {
        Walk walk;
        int nLastCode = -1;
        bool bBlank = false;
        size_t i = 0;
        while (s[i]) {
            size_t nCharLen;
            int code = GetCharCode(s, i, kNulTerminated, nCharLen);
            i += nCharLen;
            if (IsBlankSymbol(code)) {
                code = 32;
                if (nLastCode == 32) continue;
                bBlank = true;
            }
            nLastCode = code;
            int32_t nCell = Step(walk, m_charset[code]);
            if (nCell < 0) break;
            const state& st = m_cells[nCell];
            if (IsWordEnd(st)) {
                nBest = int(i);
                nHandle = st.handle;
                bBestBlank = bBlank;
                if (walk.nOffset == nCell) break;  // no children: nothing further can match
            }
        }
    } else {
        nBest = PlainMaxWordFrom(s, 0, -2, 0, nHandle, bBestBlank);
    }
    if (nBest > 0) {
        if (rtnHandle) *rtnHandle = nHandle;
        if (rtbBlankInculded) *rtbBlankInculded = bBestBlank;
    }
    return nBest;
}

int CPDAT::PlainMaxWordFrom(const unsigned char* s, size_t i, int32_t nParent, int64_t nOffset, int& nHandle,
                            bool& bBestBlank, int nBest) const {
    // The walk of GetMaxWord with the plain modes' symbol code written out (Step and GetCharCode),
    // from the cell nParent reached after the first i bytes (the root: -2 and 0); the best word
    // so far (nBest bytes, nHandle, bBestBlank) is kept unless a longer one is found.
    const bool bBytes = m_nMode == 1;
    const state* cells = m_cells.data();
    const int32_t* charset = m_charset.data();
    const int64_t nLower = m_nLowerBound;
    bool bLastBlank = false, bBlank = false;
    for (;;) {
        const unsigned char c = s[i];
        if (!c) break;
        int code;
        if (c >= 0x80 && !bBytes && s[i + 1] != 0) {
            code = c * 256 + s[i + 1];
            i += 2;
            bLastBlank = false;
        } else {
            ++i;
            if (IsBlankSymbol(c)) {
                if (bLastBlank) continue;  // a run of white space is one blank
                bLastBlank = bBlank = true;
                code = 32;
            } else {
                bLastBlank = false;
                code = (!bBytes && c >= 'A' && c <= 'Z') ? c + 32 : c;
            }
        }
        const int32_t nId = charset[code];
        if (nId < 0 || nOffset < 0) break;
        const int64_t nCell = nOffset + nId;
        if (nCell > nLower) break;
        const state& st = cells[nCell];
        if (st.check != nParent) break;
        nParent = int32_t(nCell);
        nOffset = Offset(st);
        if (IsWordEnd(st)) {
            nBest = int(i);
            nHandle = st.handle;
            bBestBlank = bBlank;
            if (nOffset == nCell) break;  // no children: nothing further can match
        }
    }
    return nBest;
}

int CPDAT::GetWords(const char* sLine, unsigned int** vecHandle, unsigned int** vecPosition,
                    unsigned int* npMemorySize, unsigned int* npArrayCount, int nMinLength) const {
    if (npArrayCount) *npArrayCount = 0;
    if (!sLine || m_cells.empty()) return 0;
    const unsigned char* s = reinterpret_cast<const unsigned char*>(sLine);
    Walk walk;
    size_t i = 0;
    int nLast = 0;
    while (s[i]) {
        size_t nCharLen;
        int code = GetCharCode(s, i, kNulTerminated, nCharLen);
        i += nCharLen;
        int32_t nCell = Step(walk, m_charset[code]);
        if (nCell < 0) break;
        const state& st = m_cells[nCell];
        if (!IsWordEnd(st)) continue;
        nLast = int(i);
        if (nLast > nMinLength && vecHandle && vecPosition && npMemorySize && npArrayCount) {
            if (*npArrayCount >= *npMemorySize) {
                unsigned int nNew = *npMemorySize + 5;
                unsigned int* pH = static_cast<unsigned int*>(realloc(*vecHandle, nNew * sizeof(unsigned int)));
                if (pH) *vecHandle = pH;
                unsigned int* pP = static_cast<unsigned int*>(realloc(*vecPosition, nNew * sizeof(unsigned int)));
                if (pP) *vecPosition = pP;
                if (pH && pP) *npMemorySize = nNew;
            }
            if (*npArrayCount < *npMemorySize) {
                (*vecHandle)[*npArrayCount] = static_cast<unsigned int>(st.handle);
                (*vecPosition)[*npArrayCount] = static_cast<unsigned int>(nLast);
                ++*npArrayCount;
            }
        }
        if (walk.nOffset == nCell) break;
    }
    return nLast;
}

template <int kMode>
size_t CPDAT::WalkWordsAt(const unsigned char* s, const int* pStart, const int* pMinLength, size_t nStarts,
                          WordsAt& result) const {
    const state* const cells = m_cells.data();
    const int32_t* const charset = m_charset.data();
    const int64_t nLower = m_nLowerBound;
    // The step of Step() from a cell of child offset nOffset over the character at nPos: the
    // cell to check, with the walk moved past the character; false when the walk ends.
    auto next = [&](WordsAt::Pending& w, int64_t nOffset) {
        const unsigned char c0 = s[w.nPos];
        if (!c0 || nOffset < 0) return false;
        // GetCharCode over a NUL-terminated text, the plain modes written out.
        size_t nCharLen = 1;
        int code;
        if (kMode == 1) {
            code = c0;
        } else if (kMode == 0) {
            if (c0 >= 0x80 && s[w.nPos + 1] != 0) {
                nCharLen = 2;
                code = c0 * 256 + s[w.nPos + 1];
            } else {
                code = (c0 >= 'A' && c0 <= 'Z') ? c0 + 32 : c0;
            }
        } else {
            code = GetCharCode(s, w.nPos, kNulTerminated, nCharLen);
        }
        const int32_t nId = charset[code];
        if (nId < 0) return false;
        const int64_t c = nOffset + nId;
        if (c > nLower) return false;
        w.nCell = int32_t(c);
        w.nPos += uint32_t(nCharLen);
        __builtin_prefetch(cells + c);
        return true;
    };
    std::vector<WordsAt::Pending>& walks = result.m_vecWalks;  // capacity only
    if (walks.size() < nStarts) walks.resize(nStarts);
    WordsAt::Pending* const pWalks = walks.data();
    int32_t* const pHead = result.m_vecHead.data();
    int32_t* const pTail = result.m_vecTail.data();
    size_t nWalks = 0;
    for (size_t k = 0; k < nStarts; ++k) {
        pHead[k] = -1;  // (the tails are read only after a head is set)
        WordsAt::Pending w{uint32_t(k), uint32_t(pStart[k]), -2, -1};
        if (next(w, 0)) pWalks[nWalks++] = w;
    }
    std::vector<WordsAt::RawHit>& raw = result.m_vecRaw;  // capacity only
    size_t nRaw = 0;
    while (nWalks > 0) {
        // A level adds at most one word per walk: room for them is made once per level.
        if (raw.size() < nRaw + nWalks) raw.resize(std::max(nRaw + nWalks, 2 * raw.size()));
        WordsAt::RawHit* const pRaw = raw.data();
        size_t nKept = 0;
        for (size_t r = 0; r < nWalks; ++r) {
            WordsAt::Pending w = pWalks[r];
            const state& st = cells[w.nCell];
            if (st.check != w.nParent) continue;
            w.nParent = w.nCell;
            const int64_t nOffset = Offset(st);
            if (IsWordEnd(st)) {
                const int32_t nEnd = int32_t(w.nPos) - pStart[w.nStart];
                if (nEnd > pMinLength[w.nStart]) {
                    // Chained after the start's last word (a start's words come level by level).
                    const int32_t r = int32_t(nRaw++);
                    pRaw[r] = {{st.handle, nEnd}, -1};
                    if (pHead[w.nStart] < 0)
                        pHead[w.nStart] = r;
                    else
                        pRaw[pTail[w.nStart]].nNext = r;
                    pTail[w.nStart] = r;
                }
                if (nOffset == w.nCell) continue;  // no children: nothing further can match
            }
            if (next(w, nOffset)) pWalks[nKept++] = w;
        }
        nWalks = nKept;
    }
    return nRaw;
}

void CPDAT::GetWordsAt(const char* sLine, const int* pStart, const int* pMinLength, size_t nStarts,
                       WordsAt& result) const {
    result.m_nRaw = 0;
    if (result.m_vecHead.size() < nStarts) {
        result.m_vecHead.resize(nStarts);
        result.m_vecTail.resize(nStarts);
    }
    if (!sLine || m_cells.empty() || nStarts == 0) {
        std::fill(result.m_vecHead.begin(), result.m_vecHead.begin() + ptrdiff_t(nStarts), -1);
        return;
    }
    const unsigned char* s = reinterpret_cast<const unsigned char*>(sLine);
    if (m_nMode == 0)
        result.m_nRaw = WalkWordsAt<0>(s, pStart, pMinLength, nStarts, result);
    else if (m_nMode == 1)
        result.m_nRaw = WalkWordsAt<1>(s, pStart, pMinLength, nStarts, result);
    else
        result.m_nRaw = WalkWordsAt<2>(s, pStart, pMinLength, nStarts, result);
}

int CPDAT::LongestMatch(const unsigned char* s, size_t i, size_t nLen, int* pHandle, int nStopMode) const {
    if (pHandle) *pHandle = -1;
    if (m_cells.empty()) return 0;
    Walk walk;
    size_t j = i;
    int nBest = 0;
    while (j < nLen) {
        if (nStopMode == 1) {
            unsigned char c = s[j];
            bool bHanzi = c >= 0xB0 && j + 1 < nLen && s[j + 1] >= 0xA1;
            if (!bHanzi && !(c >= 'a' && c <= 'z') && !(c >= '0' && c <= '9')) break;
        }
        size_t nCharLen;
        int code = GetCharCode(s, j, nLen, nCharLen);
        j += nCharLen;
        int32_t nCell = Step(walk, m_charset[code]);
        if (nCell < 0) break;
        const state& st = m_cells[nCell];
        if (IsWordEnd(st)) {
            nBest = int(j - i);
            if (pHandle) *pHandle = st.handle;
            if (walk.nOffset == nCell) break;
        }
    }
    return nBest;
}

// ---- the .pdat file --------------------------------------------------------------------------

bool CPDAT::Parse(const unsigned char* pData, size_t nSize) {
    if (!pData || nSize < kHeaderBytes + kCellBytes + 4) return false;
    int32_t nLower = int32_t(GetLE32(pData + kCharsetBytes));
    uint32_t nItems = GetLE32(pData + kCharsetBytes + 4);
    if (nLower < 0) return false;
    uint64_t nCells = uint64_t(nLower) + 1;
    // The lower bound fixes the whole layout: the cells and the mode fill the rest exactly.
    if ((nSize - kHeaderBytes - 4) % kCellBytes != 0 || nCells != (nSize - kHeaderBytes - 4) / kCellBytes)
        return false;
    size_t nModePos = kHeaderBytes + size_t(nCells) * kCellBytes;
    int32_t nMode = int32_t(GetLE32(pData + nModePos));
    if (nMode < 0 || nMode > 2) return false;

    std::vector<int32_t> charset;
    std::vector<state> cells;
    try {
        charset.resize(65536);
        cells.reserve(size_t(nCells));
        AdviseLargeBuffer(cells.data(), cells.capacity() * sizeof(state));
        cells.resize(size_t(nCells));
    } catch (const std::bad_alloc&) {
        return false;
    }
    for (size_t k = 0; k < 65536; ++k) charset[k] = int32_t(GetLE32(pData + 4 * k));
    const unsigned char* p = pData + kHeaderBytes;
    for (size_t k = 0; k < cells.size(); ++k, p += kCellBytes) {
        cells[k].base = int32_t(GetLE32(p));
        cells[k].check = int32_t(GetLE32(p + 4));
        cells[k].handle = int32_t(GetLE32(p + 8));
    }
    m_charset.swap(charset);
    m_cells.swap(cells);
    m_nLength = int32_t(nCells);
    m_nLowerBound = nLower;
    m_nItemCount = nItems;
    m_nMode = nMode;
    // A loaded dictionary is built: a later AddWordComplete has nothing to pack and must not
    // replace the loaded cells; AddWordInit still begins a new build over them.
    m_word_trie.reset();
    m_bWordAddCompleted = true;
    return true;
}

std::vector<unsigned char> CPDAT::Serialize() const {
    // A dictionary without cells is written with one free cell, so that it loads back.
    static const state kFree = {-1, -1, -1};
    int32_t nLower = m_cells.empty() ? 0 : m_nLowerBound;
    size_t nCells = size_t(nLower) + 1;
    std::vector<unsigned char> out(kHeaderBytes + nCells * kCellBytes + 4);
    unsigned char* p = out.data();
    for (size_t k = 0; k < 65536; ++k) PutLE32(p + 4 * k, uint32_t(m_charset[k]));
    PutLE32(p + kCharsetBytes, uint32_t(nLower));
    PutLE32(p + kCharsetBytes + 4, m_nItemCount);
    p += kHeaderBytes;
    for (size_t k = 0; k < nCells; ++k, p += kCellBytes) {
        const state& st = m_cells.empty() ? kFree : m_cells[k];
        PutLE32(p, uint32_t(st.base));
        PutLE32(p + 4, uint32_t(st.check));
        PutLE32(p + 8, uint32_t(st.handle));
    }
    PutLE32(p, uint32_t(m_nMode));
    return out;
}

bool CPDAT::Save(const char* sFilename) const {
    return WriteImageAtomic(sFilename, [this] { return Serialize(); });
}

bool CPDAT::Load(const char* sFilename) {
    if (!sFilename) return false;
    tstring sName = PdatResolveFilename(sFilename);
    std::vector<unsigned char> bytes;
    if (!ReadFileBytes(sName.c_str(), bytes) || !Parse(bytes.data(), bytes.size()))
        return ReportError("Fail read file " + CErrorText::Given(sFilename), false);
    return true;
}
