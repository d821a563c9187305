#include "Utility/IDMaps.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <new>

#include "Utility/ByteIO.h"
#include "Utility/FileHandle.h"
#include "Utility/LogFile.h"
#include "Utility/PDAT.h"
#include "Utility/StrToken.h"
#include "Utility/WordList.h"

namespace {

// Lines of the text importers are read in buffers of this size.
const int kLineSize = 1024;

void StripLineEnd(char* s) {
    size_t n = strlen(s);
    while (n > 0 && (s[n - 1] == '\n' || s[n - 1] == '\r')) s[--n] = 0;
}

// One word of a pair line at p: a bracketed phrase or a blank-delimited token; "_" become blanks.
// Advances p past it. False when the line has no further word.
bool NextPairWord(const char*& p, tstring& sWord) {
    while (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n') ++p;
    if (!*p) return false;
    if (*p == '[') {
        const char* e = strchr(p + 1, ']');
        if (e) {
            sWord.assign(p + 1, e);
            p = e + 1;
        } else {
            sWord.assign(p + 1);
            p += strlen(p);
            while (!sWord.empty() && (sWord.back() == '\n' || sWord.back() == '\r')) sWord.pop_back();
        }
    } else {
        const char* e = p;
        while (*e && !strchr(" \t\r\n", *e)) ++e;
        sWord.assign(p, e);
        p = e;
    }
    std::replace(sWord.begin(), sWord.end(), '_', ' ');
    return true;
}

tstring Bracketed(const tstring& w) { return w.find_first_of(" \t") != tstring::npos ? "[" + w + "]" : w; }

}  // namespace

CIDMaps::CIDMaps() : m_nSize(0), m_nBound(0) {}

CIDMaps::~CIDMaps() {}

// ---- the file --------------------------------------------------------------------------------

bool CIDMaps::Parse(const unsigned char* pData, size_t nSize) {
    CByteReader r(pData, nSize);
    int32_t nTargets, nBound;
    if (!r.ReadI32(nTargets) || !r.ReadI32(nBound) || nTargets < 0 || nBound < 0) return false;
    if (!r.Has(nTargets, 4)) return false;
    const unsigned char* pTargets = r.Take(size_t(nTargets) * 4);
    if (!r.Has(nBound, 8)) return false;
    const unsigned char* pIndex = r.Take(size_t(nBound) * 8);
    if ((nTargets > 0 && !pTargets) || (nBound > 0 && !pIndex) || !r.AtEnd()) return false;
    std::vector<idmaps_info> data;
    std::vector<index_t> index;
    try {
        data.resize(size_t(nTargets));
        index.resize(size_t(nBound));
    } catch (const std::bad_alloc&) {
        return false;
    }
    for (size_t i = 0; i < data.size(); ++i) data[i].handle2 = int32_t(GetLE32(pTargets + 4 * i));
    for (size_t i = 0; i < index.size(); ++i) {
        index_t& x = index[i];
        x.start = int32_t(GetLE32(pIndex + 8 * i));
        x.end = int32_t(GetLE32(pIndex + 8 * i + 4));
        bool bEmpty = x.start == -1 && x.end == -1;
        if (!bEmpty && !(x.start >= 0 && x.start <= x.end && x.end < nTargets)) return false;
    }
    m_nSize = nTargets;
    m_nBound = nBound;
    m_pData.swap(data);
    m_pIndex.swap(index);
    return true;
}

int CIDMaps::Load(const char* sFilename) {
    std::vector<unsigned char> bytes;
    if (!sFilename || !ReadFileBytes(sFilename, bytes)) return 0;
    return Parse(bytes.data(), bytes.size()) ? 1 : 0;
}

std::vector<unsigned char> CIDMaps::Serialize() const {
    CByteWriter w;
    w.PutI32(m_nSize);
    w.PutI32(m_nBound);
    for (int i = 0; i < m_nSize; ++i) w.PutI32(size_t(i) < m_pData.size() ? m_pData[size_t(i)].handle2 : -1);
    for (int i = 0; i < m_nBound; ++i) {
        index_t x = size_t(i) < m_pIndex.size() ? m_pIndex[size_t(i)] : index_t();
        w.PutI32(x.start);
        w.PutI32(x.end);
    }
    return std::move(w.Bytes());
}

int CIDMaps::Save(const char* sFilename) const {
    return WriteImageAtomic(sFilename, [this] { return Serialize(); }) ? 1 : 0;
}

// ---- lookups ---------------------------------------------------------------------------------

const idmaps_info* CIDMaps::GetMaps(int handle1, int* p_nCount) const {
    if (p_nCount) *p_nCount = 0;
    if (handle1 < 0 || handle1 >= m_nBound || size_t(handle1) >= m_pIndex.size()) return nullptr;
    const index_t& x = m_pIndex[size_t(handle1)];
    if (x.start < 0 || x.end < x.start || size_t(x.end) >= m_pData.size()) return nullptr;
    if (p_nCount) *p_nCount = x.end - x.start + 1;
    return &m_pData[size_t(x.start)];
}

int CIDMaps::GetMapID(int handle1) const {
    int n;
    const idmaps_info* p = GetMaps(handle1, &n);
    if (!p) return -1;
    // A group is not necessarily sorted: take the smallest target.
    int nMin = p[0].handle2;
    for (int i = 1; i < n; ++i) nMin = std::min<int>(nMin, p[i].handle2);
    return nMin;
}

int CIDMaps::GetSimMaps(int handle1, std::vector<int>& vecHandles) const {
    vecHandles.clear();
    int n;
    const idmaps_info* p = GetMaps(handle1, &n);
    if (handle1 < 0 || handle1 >= m_nBound) return 0;
    if (n == 1) {
        vecHandles.push_back(p[0].handle2);
        p = GetMaps(p[0].handle2, &n);
    }
    if (n >= 2)
        for (int i = 0; i < n; ++i)
            if (p[i].handle2 != handle1) vecHandles.push_back(p[i].handle2);
    return n;
}

// ---- building --------------------------------------------------------------------------------

int CIDMaps::MapInit() {
    m_vecBiWord.clear();
    m_vecBiWord.reserve(10240);
    m_nSize = 0;
    m_nBound = 0;
    return 1;
}

int CIDMaps::MapAdd(int handle1, int handle2) {
    if (handle1 < 0 || handle2 < -1 || handle1 == INT_MAX) return 1;
    m_vecBiWord.emplace_back(handle1, handle2);
    if (m_nBound < handle1 + 1) m_nBound = handle1 + 1;
    return 1;
}

void CIDMaps::qksort(idmaps_elem* pData, int lo, int hi) {
    if (!pData || lo < 0 || hi <= lo) return;
    std::sort(pData + lo, pData + hi + 1);
}

void CIDMaps::bublesort(idmaps_elem* pData, int nStart, int nEnd) { qksort(pData, nStart, nEnd); }

int CIDMaps::MapComplete() {
    std::sort(m_vecBiWord.begin(), m_vecBiWord.end());
    m_pData.assign(m_vecBiWord.size(), idmaps_info());
    m_pIndex.assign(size_t(m_nBound), index_t());
    int32_t nNext = 0;
    for (size_t i = 0; i < m_vecBiWord.size(); ++i) {
        const idmaps_elem& e = m_vecBiWord[i];
        index_t& x = m_pIndex[size_t(e.handle1)];
        if (x.start < 0) {
            x.start = x.end = nNext;
            m_pData[size_t(nNext++)].handle2 = e.handle2;
        } else if (m_pData[size_t(x.end)].handle2 != e.handle2) {
            x.end = nNext;
            m_pData[size_t(nNext++)].handle2 = e.handle2;
        }
    }
    m_nSize = int(m_vecBiWord.size());
    printf("Build map success!\n");
    return 1;
}

// ---- offline text import ---------------------------------------------------------------------

void CIDMaps::AddImported(const tstring& sLeft, int h1, const tstring& sRight, int h2, bool bTestEqual) {
    if (h1 < 0 || (bTestEqual && h1 == h2)) {
        WriteError(sLeft + "->" + sRight + " invalid argument!");
        return;
    }
    MapAdd(h1, h2);
}

int CIDMaps::ImportSim(const char* sFilename, CPDAT* pDict) {
    return ImportWordLines(sFilename, pDict, pDict, true);
}

int CIDMaps::ImportOne2Mul(const char* sFilename, CPDAT* pDictLeft, CPDAT* pDictRight) {
    return ImportWordLines(sFilename, pDictLeft, pDictRight, false);
}

int CIDMaps::ImportWordLines(const char* sFilename, CPDAT* pDictLeft, CPDAT* pDictRight, bool bSimilar) {
    FilePtr fp = OpenFile(sFilename, "rb");
    if (!fp || !pDictLeft || !pDictRight) return 0;
    MapInit();
    char sLine[kLineSize];
    int nLine = 0;
    std::vector<tstring> words;
    while (fgets(sLine, sizeof sLine, fp.get())) {
        if (++nLine % 100 == 0) printf("Line %d: %s\n", nLine, sLine);
        if (GetStrVector(sLine, ", \t\r\n", words) < 2) continue;
        int h0 = pDictLeft->Find(words[0].c_str());
        for (size_t i = 1; i < words.size(); ++i) {
            int h = pDictRight->Find(words[i].c_str());
            AddImported(words[0], h0, words[i], h, bSimilar);
            if (bSimilar) AddImported(words[i], h, words[0], h0, true);
        }
    }
    MapComplete();
    return m_nSize;
}

int CIDMaps::Import(const char* sFilename, CPDAT* pDictLeft, CPDAT* pDictRight) {
    FilePtr fp = OpenFile(sFilename, "rb");
    if (!fp || !pDictLeft || !pDictRight) return 0;
    FilePtr fpEcho = OpenFile((tstring(sFilename) + "_map_export.txt").c_str(), "wb");
    MapInit();
    char sLine[kLineSize];
    int nLine = 0;
    while (fgets(sLine, sizeof sLine, fp.get())) {
        ++nLine;
        const char* p = sLine;
        tstring sLeft, sRight;
        if (!NextPairWord(p, sLeft) || !NextPairWord(p, sRight)) continue;
        printf("Line %d: %s->%s\n", nLine, sLeft.c_str(), sRight.c_str());
        if (fpEcho) fprintf(fpEcho.get(), "%s\t%s\n", Bracketed(sLeft).c_str(), Bracketed(sRight).c_str());
        AddImported(sLeft, pDictLeft->Find(sLeft.c_str()), sRight, pDictRight->Find(sRight.c_str()), false);
    }
    MapComplete();
    return m_nSize;
}

int CIDMaps::Import(const char* sFilename, CPDAT* pDict) {
    FilePtr fp = OpenFile(sFilename, "rb");
    if (!fp || !pDict) return 0;
    MapInit();
    char sLine[kLineSize];
    int nLine = 0;
    while (fgets(sLine, sizeof sLine, fp.get())) {
        printf("%d\r", ++nLine);
        StripLineEnd(sLine);
        std::vector<tstring> fields;
        for (const char* p = sLine;;) {
            const char* t = strchr(p, '\t');
            fields.emplace_back(p, t ? t : p + strlen(p));
            if (!t) break;
            p = t + 1;
        }
        if (fields.size() < 2) continue;
        const tstring& sLast = fields.back();
        int hLast = pDict->Find(sLast.c_str());
        for (size_t i = 0; i + 1 < fields.size(); ++i)
            AddImported(sLast, hLast, fields[i], pDict->Find(fields[i].c_str()), true);
    }
    fflush(stdout);
    MapComplete();
    return m_nSize;
}

int CIDMaps::Import(const char* sFilename1, const char* sFilename2, CPDAT* pDictLeft, CPDAT* pDictRight) {
    FilePtr fp1 = OpenFile(sFilename1, "rb");
    FilePtr fp2 = OpenFile(sFilename2, "rb");
    if (!fp1 || !fp2 || !pDictLeft || !pDictRight) return 0;
    MapInit();
    char sLine1[kLineSize], sLine2[kLineSize];
    while (fgets(sLine1, sizeof sLine1, fp1.get()) && fgets(sLine2, sizeof sLine2, fp2.get())) {
        char sLeft[kLineSize], sRight[kLineSize];
        if (sscanf(sLine1, "%1023s", sLeft) != 1 || sscanf(sLine2, "%1023s", sRight) != 1) continue;
        AddImported(sLeft, pDictLeft->Find(sLeft), sRight, pDictRight->Find(sRight), false);
    }
    MapComplete();
    return m_nSize;
}

// ---- offline export --------------------------------------------------------------------------

int CIDMaps::Export(std::vector<map_str>& vecResult, CWordList* pWordListLeft, CWordList* pWordListRight) const {
    int nRows = 0;
    for (int h = 0; h < m_nBound; ++h) {
        int n;
        const idmaps_info* p = GetMaps(h, &n);
        for (int i = 0; i < n; ++i) {
            map_str row;
            row.src = pWordListLeft ? pWordListLeft->GetWord(h) : "";
            row.dsn = pWordListRight ? pWordListRight->GetWord(p[i].handle2) : "";
            vecResult.push_back(row);
            ++nRows;
        }
    }
    return nRows;
}

int CIDMaps::Export(const char* sFilename, CWordList* pWordListLeft, CWordList* pWordListRight, bool bDebug) const {
    CAtomicFile file;
    if (!sFilename || !file.Open(sFilename, true)) return 0;
    char sBuf[256];
    snprintf(sBuf, sizeof sBuf, "Data Size=%d,Index Size=%d\n", m_nSize, m_nBound);
    file.Write(sBuf);
    for (int h = 0; h < m_nBound; ++h) {
        int n;
        const idmaps_info* p = GetMaps(h, &n);
        if (n == 0 && !bDebug) continue;
        const index_t& x = m_pIndex[size_t(h)];
        snprintf(sBuf, sizeof sBuf, "Handle=%d(", h);
        tstring sOut = sBuf;
        sOut += pWordListLeft ? pWordListLeft->GetWord(h) : "";
        snprintf(sBuf, sizeof sBuf, "),Start=%d\tEnd=%d count=%d\n data=", x.start, x.end, n);
        sOut += sBuf;
        for (int i = 0; i < n; ++i) {
            snprintf(sBuf, sizeof sBuf, "%d(", p[i].handle2);
            sOut += sBuf;
            sOut += pWordListRight ? pWordListRight->GetWord(p[i].handle2) : "";
            sOut += ") ";
        }
        sOut += "\n";
        file.Write(sOut);
    }
    return file.Commit() ? 1 : 0;
}
