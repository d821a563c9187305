// Encoding detector over the CodeTrans.model automaton, and the conversion entry points.
#include "CodeTrans/CodeDetect.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "CodeTrans/STLCodeTrans.h"
#include "Utility/ByteIO.h"

thread_local size_t CodeTrans_iTransErrCnt = 0;

namespace {

// The score changes of a cell, unpacked once when the model loads.
struct UnpackedScore {
    int8_t gbk, big5, uni, utf8;
    int32_t decisive;
};

struct CodeTransModel {
    std::vector<uint16_t> m_mapGBKToUnicode;
    std::vector<uint16_t> m_mapBig5ToUnicode;
    std::vector<_stTrieElem_> m_vecTrieTable;
    std::vector<UnpackedScore> m_vecScores;  // one per cell
};

// The installed model; replaced and read through std::atomic_load/atomic_store, so a detection
// running while the model is replaced keeps the one it started with.
std::shared_ptr<const CodeTransModel> g_pCodeTransModel;

std::shared_ptr<const CodeTransModel> CurrentModel() { return std::atomic_load(&g_pCodeTransModel); }

int MapIndex(unsigned char lead, unsigned char trail)
{
    return (trail > 0x40 ? trail - 0x40 : 0) * 128 + (lead & 0x7F);
}

// Parses a model image into a new model; 0 or the loader's negative code.
int ParseModel(const unsigned char* pData, size_t nSize, std::shared_ptr<CodeTransModel>& out)
{
    CByteReader in(pData, nSize);
    if (!in.Has(CODETRANS_MAP_SIZE, 2)) return -1;
    if (!in.Has(2 * CODETRANS_MAP_SIZE, 2)) return -2;
    if (!in.Has(1, CODETRANS_HEADER_BYTES)) return -3;
    auto model = std::make_shared<CodeTransModel>();
    model->m_mapGBKToUnicode.resize(CODETRANS_MAP_SIZE);
    model->m_mapBig5ToUnicode.resize(CODETRANS_MAP_SIZE);
    for (uint16_t& v : model->m_mapGBKToUnicode) in.ReadU16(v);
    for (uint16_t& v : model->m_mapBig5ToUnicode) in.ReadU16(v);
    int32_t nCells = 0;
    in.ReadI32(nCells);
    // The count is checked against the bytes present before anything is allocated for it.
    if (nCells < 0 || !in.Has(nCells, sizeof(_stTrieElem_))) return -4;
    model->m_vecTrieTable.resize(size_t(nCells));
    for (_stTrieElem_& cell : model->m_vecTrieTable) {
        in.ReadI32(cell.m_iBase);
        in.ReadI32(cell.m_iCheck);
        in.ReadI32(cell.m_iFail);
        in.ReadI32(cell.m_iScore);
    }
    if (!in.Ok()) return -4;
    model->m_vecScores.resize(size_t(nCells));
    for (size_t k = 0; k < size_t(nCells); ++k) {
        const int32_t score = model->m_vecTrieTable[k].m_iScore;
        const int v = score & 0x3FFFF;
        UnpackedScore& u = model->m_vecScores[k];
        u.gbk = int8_t(v % 20 - 9);
        u.big5 = int8_t(v / 20 % 20 - 9);
        u.uni = int8_t(v / 400 % 20 - 9);
        u.utf8 = int8_t(v / 8000 - 9);
        u.decisive = score >> 20;
    }
    out = std::move(model);
    return 0;
}

}  // namespace

int CodeTrans_LoadModel(const unsigned char* pData, size_t nSize)
{
    std::shared_ptr<CodeTransModel> model;
    int rc;
    try {
        rc = ParseModel(pData, nSize, model);
    } catch (const std::bad_alloc&) {
        rc = -127;
    }
    if (rc != 0) {
        CodeTrans_Destroy();
        return rc;
    }
    std::atomic_store(&g_pCodeTransModel, std::shared_ptr<const CodeTransModel>(std::move(model)));
    return 0;
}

int CodeTrans_Initialize(const char* pcModelFile)
{
    std::vector<unsigned char> bytes;
    bool read;
    try {
        read = ReadFileBytes(pcModelFile, bytes);
    } catch (const std::bad_alloc&) {
        CodeTrans_Destroy();
        return -127;
    }
    if (!read) {
        CodeTrans_Destroy();
        return -1;
    }
    return CodeTrans_LoadModel(bytes.data(), bytes.size());
}

void CodeTrans_Destroy() { std::atomic_store(&g_pCodeTransModel, std::shared_ptr<const CodeTransModel>()); }

bool CodeTrans_SaveModel(const char* pcModelFile, const uint16_t* pGBKMap, const uint16_t* pBig5Map,
                         const std::vector<_stTrieElem_>& vecCells)
{
    if (!pcModelFile || !pGBKMap || !pBig5Map || vecCells.size() > size_t(INT32_MAX)) return false;
    CByteWriter out;
    out.Bytes().reserve(CODETRANS_HEADER_BYTES + vecCells.size() * sizeof(_stTrieElem_));
    for (int i = 0; i < CODETRANS_MAP_SIZE; ++i) out.PutU16(pGBKMap[i]);
    for (int i = 0; i < CODETRANS_MAP_SIZE; ++i) out.PutU16(pBig5Map[i]);
    out.PutI32(int32_t(vecCells.size()));
    for (const _stTrieElem_& cell : vecCells) {
        out.PutI32(cell.m_iBase);
        out.PutI32(cell.m_iCheck);
        out.PutI32(cell.m_iFail);
        out.PutI32(cell.m_iScore);
    }
    return WriteFileAtomic(pcModelFile, out.Bytes().data(), out.Size());
}

int32_t CodeTrans_PackScore(int iGBK, int iBig5, int iUnicode, int iUTF8, int iDecisive)
{
    const int32_t v = (iGBK + 9) + 20 * (iBig5 + 9) + 400 * (iUnicode + 9) + 8000 * (iUTF8 + 9);
    return int32_t(uint32_t(iDecisive) << 20) | (v & 0x3FFFF);
}

int CodeTrans_CodeDetect(const char* pcSour, int iSourLen)
{
    if (!pcSour || iSourLen < 0) iSourLen = 0;
    const std::shared_ptr<const CodeTransModel> model = CurrentModel();
    const _stTrieElem_* cells = model ? model->m_vecTrieTable.data() : nullptr;
    const UnpackedScore* scores = model ? model->m_vecScores.data() : nullptr;
    const int64_t nCells = model ? int64_t(model->m_vecTrieTable.size()) : 0;

    int iGBKScore = 0, iBig5Score = 0, iUnicodeScore = 0, iUTF8Score = 0;
    int iGBKCount = 0, iBig5Count = 0, iUnicodeCount = 0, iUTF8Count = 0;
    int iNotUnicode = 0, iHighBitIsOne = 0;
    int iDecisive = 0;
    int64_t iStatus = 0;
    const unsigned char* src = reinterpret_cast<const unsigned char*>(pcSour);

    for (int i = 0; i < iSourLen && iDecisive == 0; ++i) {
        const unsigned char ch = src[i];
        if (ch >= 0x80) ++iHighBitIsOne;
        if (nCells == 0) continue;  // no root: every byte is passed over
        // Failure links are followed at most nCells times for one byte; a longer chain can only
        // be a cycle, so it ends at the root.
        int64_t iFailSteps = 0;
        for (;;) {
            const int64_t iNext = int64_t(cells[iStatus].m_iBase) + ch;
            if (iNext >= 0 && iNext < nCells && cells[iNext].m_iCheck == iStatus) {
                iStatus = iNext;
                const int32_t score = cells[iNext].m_iScore;
                if (score != CODETRANS_NEUTRAL_SCORE) {
                    const UnpackedScore& u = scores[iNext];
                    iDecisive = u.decisive;
                    const int gbk = u.gbk, big5 = u.big5, uni = u.uni, utf8 = u.utf8;
                    iGBKScore += gbk;
                    iBig5Score += big5;
                    iUnicodeScore += uni;
                    iUTF8Score += utf8;
                    if (gbk > 0) ++iGBKCount;
                    if (big5 > 0) ++iBig5Count;
                    if (utf8 > 0) ++iUTF8Count;
                    if (uni > 0)
                        ++iUnicodeCount;
                    else
                        ++iNotUnicode;
                }
                break;
            }
            if (iStatus == 0) break;  // root without a transition: pass over the byte
            if (++iFailSteps > nCells) {
                iStatus = 0;
            } else {
                const int32_t fail = cells[iStatus].m_iFail;
                iStatus = (fail >= 0 && fail < nCells) ? fail : 0;
            }
        }
    }

    if (iDecisive != 0) return iDecisive;
    int result = (iGBKCount > iHighBitIsOne / 4 || iHighBitIsOne == 0) ? CODETRANS_GBK : CODETRANS_DETECT;
    int best = iGBKScore;
    if (iBig5Score > best) {
        best = iBig5Score;
        result = iBig5Count > iHighBitIsOne / 4 ? CODETRANS_BIG5 : CODETRANS_DETECT;
    }
    if (iUTF8Score > best) {
        best = iUTF8Score;
        result = iUTF8Count > iHighBitIsOne / 6 ? CODETRANS_UTF8 : CODETRANS_DETECT;
    }
    if (iUnicodeScore > best && (iUnicodeCount + 9) / (iNotUnicode + 1) >= 10) result = CODETRANS_UNICODE;
    return result;
}

int GBKBig5_ToUnicode(int enCodeType, const char* pcSour, int iSourLen, char* pcDest, int& iDestLen)
{
    CodeTrans_iTransErrCnt = 0;
    const int capacity = iDestLen;
    iDestLen = 0;
    if (!pcSour || !pcDest || iSourLen < 0) return 0;
    const std::shared_ptr<const CodeTransModel> model = CurrentModel();
    const uint16_t* map = nullptr;
    if (model && enCodeType == CODETRANS_GBK) map = model->m_mapGBKToUnicode.data();
    if (model && enCodeType == CODETRANS_BIG5) map = model->m_mapBig5ToUnicode.data();

    const unsigned char* src = reinterpret_cast<const unsigned char*>(pcSour);
    int pos = 0;
    int i = 0;
    while (i < iSourLen && pos < capacity - 1) {
        unsigned int unit;
        if (src[i] < 0x80) {
            unit = src[i];
            i += 1;
        } else if (i + 1 < iSourLen) {
            unit = map ? map[MapIndex(src[i], src[i + 1])] : 0;
            i += 2;
        } else {
            unit = 0xFEFF;
            ++CodeTrans_iTransErrCnt;
            i += 1;
        }
        PutLE16(reinterpret_cast<unsigned char*>(pcDest + pos), uint16_t(unit));
        pos += 2;
    }
    iDestLen = pos;
    return pos;
}

namespace {

// The input as text: at most iSourLen bytes, ending at an earlier NUL.
std::string InputText(const char* pcSour, int iSourLen)
{
    if (!pcSour || iSourLen <= 0) return std::string();
    const void* nul = std::memchr(pcSour, 0, size_t(iSourLen));
    return std::string(pcSour, nul ? static_cast<const char*>(nul) - pcSour : iSourLen);
}

int ResolveCode(int enCodeType, const char* pcSour, int iSourLen)
{
    return enCodeType == CODETRANS_DETECT ? CodeTrans_CodeDetect(pcSour, iSourLen) : enCodeType;
}

// Length of the longest prefix of a UTF-8 text that fits in `room` bytes without splitting a
// character. Malformed bytes count as characters of their own.
size_t Utf8CutLength(const std::string& s, size_t room)
{
    if (s.size() <= room) return s.size();
    size_t cut = room;
    size_t j = cut;
    while (j > 0 && cut - j < 3 && (static_cast<unsigned char>(s[j]) & 0xC0) == 0x80) --j;
    if (j != cut && static_cast<unsigned char>(s[j]) >= 0xC0) cut = j;
    return cut;
}

// Copies UTF-8 text into pcDest within the capacity (0: unbounded), NUL-terminated.
int PutUtf8(const std::string& text, char* pcDest, int capacity, int& iDestLen)
{
    size_t n = text.size();
    if (capacity > 0) n = Utf8CutLength(text, size_t(capacity) - 1);
    std::memcpy(pcDest, text.data(), n);
    pcDest[n] = '\0';
    iDestLen = int(n);
    return iDestLen;
}

}  // namespace

int CodeTrans_ToAnsi(int enCodeType, const char* pcSour, int iSourLen, char* pcDest, int& iDestLen)
{
    iDestLen = 0;
    if (!pcDest) return 0;
    pcDest[0] = '\0';
    if (!pcSour || iSourLen < 0) iSourLen = 0;
    switch (ResolveCode(enCodeType, pcSour, iSourLen)) {
    case CODETRANS_UTF8: {
        tstring gbk;
        UTF8ToANSI(InputText(pcSour, iSourLen).c_str(), gbk);
        // UTF-8 never shrinks into more GBK bytes than it had; the bound only guards that fact.
        const size_t n = std::min(gbk.size(), size_t(iSourLen));
        std::memcpy(pcDest, gbk.data(), n);
        pcDest[n] = '\0';
        iDestLen = int(n);
        break;
    }
    case CODETRANS_GBK:
    case CODETRANS_BIG5:
        if (iSourLen > 0) std::memcpy(pcDest, pcSour, size_t(iSourLen));
        pcDest[iSourLen] = '\0';
        iDestLen = iSourLen;
        break;
    case CODETRANS_UNICODE: {
        const int num = iSourLen / 2;
        char* gbk = new (std::nothrow) char[size_t(num) * 2 + 2];
        if (!gbk) break;
        const int n = int(utoGbkBytes(pcSour, gbk, num));
        std::memcpy(pcDest, gbk, size_t(n));
        pcDest[n] = '\0';
        delete[] gbk;
        iDestLen = n;
        break;
    }
    default:
        break;
    }
    return iDestLen;
}

int CodeTrans_ToUtf8(int enCodeType, const char* pcSour, int iSourLen, char* pcDest, int& iDestLen)
{
    const int capacity = iDestLen;
    iDestLen = 0;
    if (!pcDest || capacity < 0) return 0;
    pcDest[0] = '\0';
    if (!pcSour || iSourLen < 0) iSourLen = 0;
    switch (ResolveCode(enCodeType, pcSour, iSourLen)) {
    case CODETRANS_UTF8:
        return PutUtf8(InputText(pcSour, iSourLen), pcDest, capacity, iDestLen);
    case CODETRANS_GBK:
    case CODETRANS_BIG5: {
        tstring utf8;
        ANSIToUTF8(InputText(pcSour, iSourLen).c_str(), utf8);
        return PutUtf8(utf8, pcDest, capacity, iDestLen);
    }
    case CODETRANS_UNICODE: {
        const unsigned char* src = reinterpret_cast<const unsigned char*>(pcSour);
        std::wstring units;
        for (int k = 0; k + 1 < iSourLen; k += 2) units += wchar_t(GetLE16(src + k));
        return PutUtf8(unicode_to_utf8(units), pcDest, capacity, iDestLen);
    }
    default:
        return 0;
    }
}

int CodeTrans_ToUnicode(int enCodeType, const char* pcSour, int iSourLen, char* pcDest, int& iDestLen)
{
    const int capacity = iDestLen;
    if (!pcSour || !pcDest || iSourLen < 0) {
        iDestLen = 0;
        return 0;
    }
    const int code = ResolveCode(enCodeType, pcSour, iSourLen);
    switch (code) {
    case CODETRANS_UTF8: {
        // Whole 32-bit units, the zero unit included, within the capacity; iDestLen untouched.
        const int room = capacity / 4 - 1;
        if (room < 0) return 0;
        const std::wstring units = utf8_to_unicode(InputText(pcSour, iSourLen));
        const size_t n = std::min(units.size(), size_t(room));
        std::memcpy(pcDest, units.data(), n * sizeof(wchar_t));
        const wchar_t zero = 0;
        std::memcpy(pcDest + n * sizeof(wchar_t), &zero, sizeof zero);
        return int(n * sizeof(wchar_t));
    }
    case CODETRANS_GBK:
    case CODETRANS_BIG5:
        return GBKBig5_ToUnicode(code, pcSour, iSourLen, pcDest, iDestLen);
    case CODETRANS_UNICODE: {
        iDestLen = 0;
        if (capacity < 1) return 0;
        const int n = std::min(iSourLen, capacity - 1);
        std::memcpy(pcDest, pcSour, size_t(n));
        pcDest[n] = '\0';
        iDestLen = n;
        return n;
    }
    default:
        iDestLen = 0;
        return 0;
    }
}
