#include "Utility/DynamicArray.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

#include "Utility/ByteIO.h"

namespace {

const int32_t kGrowth = 10000;
const size_t kRecordBytes = 64;

void PutRecord(CByteWriter& w, const trie_elem& e) {
    w.PutU32(e.node);
    w.PutI32(e.child_count);
    w.PutI32(e.children);
    w.PutI32(e.handle);
    w.PutBytes(e.sPos, sizeof e.sPos);
    w.PutI32(e.nextNode);
    w.PutI32(e.freq);
}

void GetRecord(const unsigned char* p, trie_elem& e) {
    e.node = GetLE32(p);
    e.child_count = int32_t(GetLE32(p + 4));
    e.children = int32_t(GetLE32(p + 8));
    e.handle = int32_t(GetLE32(p + 12));
    memcpy(e.sPos, p + 16, sizeof e.sPos);
    e.nextNode = int32_t(GetLE32(p + 56));
    e.freq = int32_t(GetLE32(p + 60));
}

}  // namespace

CDynamicArry::CDynamicArry() : m_pData(size_t(kGrowth)), m_nElemNum(0), m_nTotalNum(kGrowth), m_nBaseNum(kGrowth) {}

CDynamicArry::~CDynamicArry() {}

int CDynamicArry::NewElem() {
    if (m_nElemNum >= m_nTotalNum) {
        if (m_nTotalNum > std::numeric_limits<int32_t>::max() - kGrowth) return -1;
        try {
            m_pData.resize(size_t(m_nTotalNum) + kGrowth);
        } catch (const std::bad_alloc&) {
            return -1;
        }
        m_nTotalNum += kGrowth;
    }
    return m_nElemNum++;
}

int32_t CDynamicArry::TotalFor(int32_t nNum) const {
    int64_t nTotal = m_nBaseNum;
    if (nNum > nTotal) nTotal += (int64_t(nNum) - nTotal + kGrowth - 1) / kGrowth * kGrowth;
    nTotal = std::min<int64_t>(nTotal, int64_t(nNum) + kGrowth);
    return int32_t(std::min<int64_t>(nTotal, std::numeric_limits<int32_t>::max()));
}

bool CDynamicArry::Truncate(int nNum) {
    if (nNum < 0 || nNum > m_nElemNum) return false;
    std::fill(m_pData.begin() + nNum, m_pData.begin() + m_nElemNum, trie_elem());
    m_nElemNum = nNum;
    const int32_t nTotal = TotalFor(nNum);
    if (nTotal < m_nTotalNum) {
        try {
            std::vector<trie_elem>(m_pData.begin(), m_pData.begin() + nTotal).swap(m_pData);
        } catch (const std::bad_alloc&) {
            m_pData.resize(size_t(nTotal));  // shrinking allocates nothing; the memory stays held
        }
        m_nTotalNum = nTotal;
    }
    return true;
}

bool CDynamicArry::ValidateIndex(int iIndex) const { return m_nElemNum > 0 && iIndex >= 0 && iIndex < m_nElemNum; }

bool CDynamicArry::GetElem(int iIndex, trie_elem*& pElem) {
    if (!ValidateIndex(iIndex)) return false;
    pElem = &m_pData[size_t(iIndex)];
    return true;
}

bool CDynamicArry::GetElem(int iIndex, const trie_elem*& pElem) const {
    if (!ValidateIndex(iIndex)) return false;
    pElem = &m_pData[size_t(iIndex)];
    return true;
}

void CDynamicArry::SaveBlock(CByteWriter& w, const trie_elem* pRecords, int32_t nNum, int32_t nTotal) {
    w.PutI32(nNum);
    w.PutI32(nTotal);
    for (int32_t i = 0; i < nNum; ++i) PutRecord(w, pRecords[i]);
}

void CDynamicArry::Save(CByteWriter& w) const { SaveBlock(w, m_pData.data(), m_nElemNum, m_nTotalNum); }

bool CDynamicArry::Load(CByteReader& r) {
    int32_t nNum, nTotal;
    if (!r.ReadI32(nNum) || !r.ReadI32(nTotal)) return false;
    if (nNum < 0 || nTotal < nNum || int64_t(nTotal) > int64_t(nNum) + kGrowth) return false;
    if (!r.Has(nNum, kRecordBytes)) return false;
    const unsigned char* p = r.Take(size_t(nNum) * kRecordBytes);
    if (nNum > 0 && !p) return false;
    std::vector<trie_elem> data;
    try {
        data.resize(size_t(nTotal));
    } catch (const std::bad_alloc&) {
        return false;
    }
    for (int32_t i = 0; i < nNum; ++i) GetRecord(p + size_t(i) * kRecordBytes, data[size_t(i)]);
    m_pData.swap(data);
    m_nElemNum = nNum;
    m_nTotalNum = nTotal;
    m_nBaseNum = nTotal;
    return true;
}

bool CDynamicArry::Save(FILE* fp) const {
    if (!fp) return false;
    CByteWriter w;
    try {
        Save(w);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return fwrite(w.Bytes().data(), 1, w.Size(), fp) == w.Size();
}

bool CDynamicArry::Load(FILE* fp) {
    if (!fp) return false;
    struct stat st;
    long pos = ftell(fp);
    if (pos < 0 || fstat(fileno(fp), &st) != 0 || st.st_size < pos) return false;
    uint64_t nLeft = uint64_t(st.st_size) - uint64_t(pos);
    unsigned char head[8];
    if (nLeft < 8 || fread(head, 1, 8, fp) != 8) return false;
    int32_t nNum = int32_t(GetLE32(head));
    if (nNum < 0 || uint64_t(nNum) * kRecordBytes > nLeft - 8) return false;
    std::vector<unsigned char> bytes(head, head + 8);
    try {
        bytes.resize(8 + size_t(nNum) * kRecordBytes);
    } catch (const std::bad_alloc&) {
        return false;
    }
    size_t nBody = size_t(nNum) * kRecordBytes;
    if (nBody > 0 && fread(bytes.data() + 8, 1, nBody, fp) != nBody) return false;
    CByteReader r(bytes);
    return Load(r);
}
