#include "Utility/Bigram.h"

#include <algorithm>
#include <cstdio>
#include <new>
#include <string>

#include "Utility/ByteIO.h"
#include "Utility/PDAT.h"
#include "Utility/StoreImport.h"
#include "Utility/TextScan.h"
#include "Utility/WordList.h"
#include "Utility/WrapAdd.h"

CBigram::CBigram(bool bReadOnly, int nSize) : m_bReadOnly(bReadOnly), m_nBound(nSize) {
    if (nSize > 0 && !bReadOnly) m_pHashTable.resize(size_t(nSize));
    if (m_nBound < 0) m_nBound = 0;
}

CBigram::~CBigram() = default;

void CBigram::Swap(CBigram& other) {
    std::swap(m_pHashTable, other.m_pHashTable);
    std::swap(m_bReadOnly, other.m_bReadOnly);
    std::swap(m_nSize, other.m_nSize);
    std::swap(m_pData, other.m_pData);
    std::swap(m_nBound, other.m_nBound);
    std::swap(m_pIndex, other.m_pIndex);
}

bool CBigram::Load(const char* sFilename) { return LoadStoreFile(*this, sFilename, ParseImage); }

bool CBigram::LoadFromMemory(const unsigned char* pData, size_t nSize) {
    return ParseIntoStore(*this, pData, nSize, ParseImage);
}

bool CBigram::ParseImage(CBigram& tmp, CByteReader& in) {
    // tmp is a fresh read-only table: a loaded table answers from exactly what was read, and a
    // later Save writes that, never an older dynamic form.
    int32_t size = 0, bound = 0;
    if (!in.ReadI32(size) || !in.ReadI32(bound) || size < 0 || bound < 0) return false;
    if (!in.Has(int64_t(size) + int64_t(bound), 8)) return false;
    tmp.m_pData.reset(new (std::nothrow) bigram_info[size_t(size) + 1]);
    tmp.m_pIndex.reset(new (std::nothrow) index_t[size_t(bound) + 1]);
    if (!tmp.m_pData || !tmp.m_pIndex) return false;
    AdviseLargeBuffer(tmp.m_pData.get(), (size_t(size) + 1) * sizeof(bigram_info));
    AdviseLargeBuffer(tmp.m_pIndex.get(), (size_t(bound) + 1) * sizeof(index_t));
    // descents[k]: how many pairs before k have a greater second id than their successor, so
    // that each group's order is checked in constant time however the groups overlap.
    std::vector<int32_t> descents(size_t(size) + 1, 0);
    for (int32_t i = 0; i < size; ++i) {
        in.ReadI32(tmp.m_pData[i].handle2);
        in.ReadI32(tmp.m_pData[i].freq);
        if (i > 0) descents[i] = descents[i - 1] + (tmp.m_pData[i - 1].handle2 > tmp.m_pData[i].handle2);
    }
    for (int32_t i = 0; i < bound; ++i) {
        index_t& x = tmp.m_pIndex[i];
        in.ReadI32(x.start);
        in.ReadI32(x.end);
        bool empty = x.start == -1 || (x.start >= 0 && x.start <= size && x.end == x.start - 1);
        bool range = x.start >= 0 && x.start <= x.end && x.end < size;
        if (!empty && !range) return false;
        // GetFreq binary-searches a group, so its second ids must not descend. Equal neighbours
        // are legal: the text importer keeps repeated pairs as adjacent entries.
        if (range && descents[x.end] != descents[x.start]) return false;
    }
    tmp.m_nSize = size;
    tmp.m_nBound = bound;
    return true;
}

int CBigram::GetFreq(int nHandle1, int nHandle2) const {
    if (nHandle1 < 0 || nHandle1 >= m_nBound || nHandle2 < 0 || nHandle2 > m_nBound || !m_pIndex) return 0;
    const index_t& x = m_pIndex[nHandle1];
    if (x.start == -1) return 0;
    int lo = x.start, hi = x.end;
    while (lo <= hi) {
        int mid = (lo + hi) / 2;
        int h2 = m_pData[mid].handle2;
        if (h2 == nHandle2) return m_pData[mid].freq;
        if (h2 < nHandle2)
            lo = mid + 1;
        else
            hi = mid - 1;
    }
    return 0;
}

int CBigram::AddItem(int nID1, int nID2, int nFreq) {
    if (m_bReadOnly) return 0;
    if (nID1 < 0 || nID1 >= m_nBound || size_t(nID1) >= m_pHashTable.size() || nID2 < 0) return -1;
    std::vector<bigram_info>& vec = m_pHashTable[size_t(nID1)];
    auto it = std::lower_bound(vec.begin(), vec.end(), nID2,
                               [](const bigram_info& b, int id) { return b.handle2 < id; });
    int pos = int(it - vec.begin());
    if (it != vec.end() && it->handle2 == nID2) {
        it->freq = AddWrap(it->freq, nFreq);
    } else {
        vec.insert(it, bigram_info(nID2, nFreq));
        ++m_nSize;
    }
    return pos;
}

void CBigram::FilterWithThreshold(int nThreshold) {
    if (m_bReadOnly) return;
    int64_t n = 0;
    for (auto& vec : m_pHashTable) {
        vec.erase(std::remove_if(vec.begin(), vec.end(),
                                 [nThreshold](const bigram_info& b) { return b.freq < nThreshold; }),
                  vec.end());
        n += int64_t(vec.size());
    }
    m_nSize = int32_t(n);
}

bool CBigram::Dynamic2Static() {
    if (m_bReadOnly) return false;
    FilterWithThreshold(3);
    const int32_t bound = int32_t(m_pHashTable.size());
    std::unique_ptr<bigram_info[]> data(new (std::nothrow) bigram_info[size_t(m_nSize) + 1]);
    if (!data) {
        printf("Error malloc new bigram_info[%d]\n", m_nSize);
        return false;
    }
    std::unique_ptr<index_t[]> index(new (std::nothrow) index_t[size_t(bound) + 1]);
    if (!index) {
        printf("Error malloc new index_t[%d]\n", bound);
        return false;
    }
    int32_t pos = 0;
    for (int32_t id = 0; id < bound; ++id) {
        const auto& vec = m_pHashTable[size_t(id)];
        index[id].start = pos;
        index[id].end = pos + int32_t(vec.size()) - 1;
        for (const bigram_info& b : vec) data[pos++] = b;
    }
    m_pData = std::move(data);
    m_pIndex = std::move(index);
    m_nBound = bound;
    return true;
}

void CBigram::SelectWithThreshold(int nThreshold) {
    if (!m_bReadOnly || !m_pIndex) return;
    // Kept pairs go to a fresh array group by group, so groups stored out of id order (or
    // overlapping, in a file made elsewhere) can never overwrite pairs not yet visited.
    std::unique_ptr<bigram_info[]> data(new (std::nothrow) bigram_info[size_t(m_nSize) + 1]);
    if (!data) return;
    int32_t out = 0;
    for (int32_t id = 0; id < m_nBound; ++id) {
        index_t& x = m_pIndex[id];
        int32_t first = out;
        if (x.start >= 0)
            for (int32_t i = x.start; i <= x.end && out < m_nSize; ++i)
                if (m_pData[i].freq >= nThreshold) data[out++] = m_pData[i];
        if (out > first) {
            x.start = first;
            x.end = out - 1;
        } else {
            x.start = x.end = -1;
        }
    }
    m_pData = std::move(data);
    m_nSize = out;
}

bool CBigram::Save(const char* sFilename) {
    if (!m_bReadOnly && !m_pHashTable.empty() && !Dynamic2Static()) return false;
    CByteWriter w;
    w.PutI32(m_nSize);
    w.PutI32(m_pIndex ? m_nBound : 0);
    for (int32_t i = 0; i < m_nSize; ++i) {
        w.PutI32(m_pData[i].handle2);
        w.PutI32(m_pData[i].freq);
    }
    if (m_pIndex)
        for (int32_t i = 0; i < m_nBound; ++i) {
            w.PutI32(m_pIndex[i].start);
            w.PutI32(m_pIndex[i].end);
        }
    return WriteFileAtomic(sFilename, w.Bytes().data(), w.Size());
}

void CBigram::qksort(bigram_elem* pData, int lo, int hi) {
    if (!pData || lo < 0 || hi <= lo) return;
    std::stable_sort(pData + lo, pData + hi + 1);
}

bool CBigram::BuildStatic(const std::vector<bigram_elem>& vecRecords, int nBound) {
    if (nBound < 0) nBound = 0;
    std::unique_ptr<bigram_info[]> data(new (std::nothrow) bigram_info[vecRecords.size() + 1]);
    std::unique_ptr<index_t[]> index(new (std::nothrow) index_t[size_t(nBound) + 1]);
    if (!data || !index) return false;
    int32_t n = 0;
    for (const bigram_elem& e : vecRecords) {
        if (e.handle1 < 0 || e.handle1 >= nBound) continue;
        index_t& x = index[e.handle1];
        if (x.start == -1) x.start = n;
        x.end = n;
        data[n++] = bigram_info(e.handle2, e.freq);
    }
    m_pData = std::move(data);
    m_pIndex = std::move(index);
    m_nSize = n;
    m_nBound = nBound;
    return true;
}

int CBigram::Import(const char* sFilename, const CPDAT& dict, bool bFlag) {
    if (!sFilename) return 0;
    FILE* fp = fopen(sFilename, "rb");
    if (!fp) return 0;
    m_nSize = 0;
    std::vector<bigram_elem> records;
    records.reserve(10240);
    std::string line, first, second;
    while (textscan::ReadLine(fp, line)) {
        textscan::CLineScanner scan(line);
        int nFreq = 0;
        if (bFlag) {
            // "first@second freq": the pair is cut at its first "@".
            std::string text;
            if (!scan.Token(text)) continue;
            size_t at = text.find('@');
            if (at == std::string::npos) continue;
            first = text.substr(0, at);
            second = text.substr(at + 1);
        } else {
            if (!scan.Token(first) || !scan.Token(second)) continue;
        }
        scan.Int(nFreq);
        int id1 = dict.Find(first.c_str()), id2 = dict.Find(second.c_str());
        if (id1 < 0 || id2 < 0) continue;
        bigram_elem e;
        e.handle1 = id1;
        e.handle2 = id2;
        e.freq = nFreq;
        records.push_back(e);
    }
    fclose(fp);
    // Stable, so repeated pairs stay adjacent in file order and the layout is deterministic.
    std::stable_sort(records.begin(), records.end());
    if (!BuildStatic(records, ImportBound(dict))) return 0;
    return m_nSize;
}

bool CBigram::Export(const char* sFilename, const CWordList& wordList) const {
    if (!sFilename) return false;
    CAtomicFile out;
    if (!out.Open(sFilename, true)) return false;
    std::string text;
    char num[16];
    for (int32_t id = 0; m_pIndex && id < m_nBound; ++id) {
        const index_t& x = m_pIndex[id];
        if (x.start < 0) continue;
        for (int32_t i = x.start; i <= x.end; ++i) {
            text += wordList.GetWord(id);
            text += '\t';
            text += wordList.GetWord(m_pData[i].handle2);
            snprintf(num, sizeof num, "\t%d\n", m_pData[i].freq);
            text += num;
        }
    }
    return out.Write(text) && out.Commit();
}
