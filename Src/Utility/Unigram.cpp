#include "Utility/Unigram.h"

#include <algorithm>
#include <new>

#include "Utility/ByteIO.h"

namespace {

// Sum with the wrap-around of 32-bit arithmetic, without signed overflow.
int32_t AddWrap(int32_t a, int32_t b) { return int32_t(uint32_t(a) + uint32_t(b)); }

std::unique_ptr<int32_t[]> NewCounts(int32_t bound) {
    return std::unique_ptr<int32_t[]>(new (std::nothrow) int32_t[size_t(bound) + 1]());
}

}  // namespace

bool less_unigram_cmp(const unigram_elem& a, const unigram_elem& b) { return a.freq > b.freq; }

CUnigram::CUnigram(int n) {
    if (n > 0) {
        m_pData = NewCounts(n);
        if (m_pData) m_nBound = n;
    }
}

CUnigram::~CUnigram() = default;

void CUnigram::Swap(CUnigram& other) {
    std::swap(m_nSize, other.m_nSize);
    std::swap(m_nBound, other.m_nBound);
    std::swap(m_nTotal, other.m_nTotal);
    std::swap(m_pData, other.m_pData);
}

bool CUnigram::Load(const char* sFilename) {
    std::vector<unsigned char> bytes;
    if (!ReadFileBytes(sFilename, bytes)) return false;
    return LoadFromMemory(bytes.data(), bytes.size());
}

bool CUnigram::LoadFromMemory(const unsigned char* pData, size_t nSize) {
    CByteReader in(pData, nSize);
    int32_t size = 0, bound = 0, total = 0;
    in.ReadI32(size);
    in.ReadI32(bound);
    in.ReadI32(total);
    if (!in.Ok() || bound < 0 || !in.Has(int64_t(bound) + 1, 4)) return false;
    CUnigram tmp;
    tmp.m_pData = NewCounts(bound);
    if (!tmp.m_pData) return false;
    for (int32_t i = 0; i <= bound; ++i) in.ReadI32(tmp.m_pData[i]);
    if (!in.Ok()) return false;
    tmp.m_nSize = size;
    tmp.m_nBound = bound;
    tmp.m_nTotal = total;
    Swap(tmp);
    return true;
}

int CUnigram::GetFreq(int nID) const {
    if (nID < 0 || nID >= m_nBound || !m_pData) return 0;
    return m_pData[nID];
}

bool CUnigram::Save(const char* sFilename) const {
    CByteWriter w;
    w.PutI32(m_nSize);
    w.PutI32(m_nBound);
    w.PutI32(m_nTotal);
    if (m_pData) {
        for (int32_t i = 0; i <= m_nBound; ++i) w.PutI32(m_pData[i]);
    } else {
        w.PutI32(0);  // an empty table still stores the count of id = bound
    }
    return WriteFileAtomic(sFilename, w.Bytes().data(), w.Size());
}

int CUnigram::AddFreq(int nID, int nFreq) {
    if (nID < 0 || nID >= m_nBound || !m_pData) return 0;
    m_pData[nID] = AddWrap(m_pData[nID], nFreq);
    m_nTotal = AddWrap(m_nTotal, nFreq);
    return nFreq;
}

int CUnigram::AddFreq(const CUnigram& other) {
    for (int32_t id = 0; id < m_nBound; ++id) m_pData[id] = AddWrap(m_pData[id], other.GetFreq(id));
    m_nTotal = AddWrap(m_nTotal, other.m_nTotal);
    return m_nTotal;
}

int CUnigram::OutputFreq(std::vector<unigram_elem>& vecOut) const {
    vecOut.clear();
    for (int32_t id = 0; id < m_nBound; ++id) {
        if (m_pData[id] > 0) {
            unigram_elem e;
            e.handle = id;
            e.freq = m_pData[id];
            vecOut.push_back(e);
        }
    }
    std::sort(vecOut.begin(), vecOut.end(), less_unigram_cmp);
    return int(vecOut.size());
}

void CUnigram::qksort(unigram_elem* pData, int lo, int hi) {
    if (!pData || lo < 0 || hi <= lo) return;
    std::sort(pData + lo, pData + hi + 1);
}
