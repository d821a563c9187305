#include "Utility/POS.h"

#include <algorithm>
#include <cstdio>
#include <new>
#include <string>

#include "Utility/ByteIO.h"
#include "Utility/LogFile.h"
#include "Utility/PDAT.h"
#include "Utility/POSmap.h"
#include "Utility/StoreImport.h"
#include "Utility/TextScan.h"
#include "Utility/WordList.h"

CPOS::CPOS() = default;
CPOS::~CPOS() = default;

void CPOS::Swap(CPOS& other) {
    std::swap(m_pData, other.m_pData);
    std::swap(m_nSize, other.m_nSize);
    std::swap(m_nBound, other.m_nBound);
    std::swap(m_pIndex, other.m_pIndex);
}

bool CPOS::Load(const char* sFilename) { return LoadStoreFile(*this, sFilename, ParseImage); }

bool CPOS::LoadFromMemory(const unsigned char* pData, size_t nSize) {
    return ParseIntoStore(*this, pData, nSize, ParseImage);
}

bool CPOS::ParseImage(CPOS& tmp, CByteReader& in) {
    int32_t size = 0, bound = 0;
    if (!in.ReadI32(size) || !in.ReadI32(bound) || size < 0 || bound < 0) return false;
    if (!in.Has(int64_t(size) + int64_t(bound), 8)) return false;
    tmp.m_pData.reset(new (std::nothrow) POS_info[size_t(size) + 1]);
    tmp.m_pIndex.reset(new (std::nothrow) index_t[size_t(bound) + 1]);
    if (!tmp.m_pData || !tmp.m_pIndex) return false;
    AdviseLargeBuffer(tmp.m_pData.get(), (size_t(size) + 1) * sizeof(POS_info));
    AdviseLargeBuffer(tmp.m_pIndex.get(), (size_t(bound) + 1) * sizeof(index_t));
    for (int32_t i = 0; i < size; ++i) {
        uint8_t id = 255;
        in.ReadU8(id);
        in.Skip(3);  // padding
        tmp.m_pData[i].POS_id = id;
        in.ReadI32(tmp.m_pData[i].freq);
    }
    for (int32_t i = 0; i < bound; ++i) {
        index_t& x = tmp.m_pIndex[i];
        in.ReadI32(x.start);
        in.ReadI32(x.end);
        if (x.start == -1) continue;
        if (x.start < 0 || x.end < 1 || int64_t(x.start) + x.end > size) return false;
    }
    tmp.m_nSize = size;
    tmp.m_nBound = bound;
    return true;
}

tuchar CPOS::GetPOS(int nID) const {
    int n = 0;
    const POS_info* p = GetPOS(nID, &n);
    return p ? p->POS_id : tuchar(255);
}

int CPOS::GetPOSFreq(int nHandle, int nPOSid) const {
    int n = 0;
    const POS_info* p = GetPOS(nHandle, &n);
    for (int i = 0; p && i < n; ++i)
        if (p[i].POS_id == nPOSid) return p[i].freq;
    return 0;
}

const POS_info* CPOS::GetMaxPOS(int nID) const {
    int n = 0;
    const POS_info* p = GetPOS(nID, &n);
    if (!p) return nullptr;
    const POS_info* best = p;
    for (int i = 1; i < n; ++i)
        if (p[i].freq > best->freq) best = &p[i];
    return best;
}

int CPOS::GetAllItem(std::vector<POS_elem>& vecOut, const std::vector<int>& vecSkip) const {
    std::vector<int> skip(vecSkip);
    std::sort(skip.begin(), skip.end());
    for (int id = 0; id < m_nBound; ++id) {
        if (std::binary_search(skip.begin(), skip.end(), id)) continue;
        int n = 0;
        const POS_info* p = GetPOS(id, &n);
        for (int i = 0; p && i < n; ++i) {
            POS_elem e;
            e.POS_id = p[i].POS_id;
            e.freq = p[i].freq;
            e.handle = id;
            vecOut.push_back(e);
        }
    }
    return int(vecOut.size());
}

void CPOS::qksort(POS_elem* pData, int lo, int hi) {
    if (!pData || lo < 0 || hi <= lo) return;
    std::sort(pData + lo, pData + hi + 1);
}

int CPOS::Import(std::vector<POS_elem>& vecRecords, int nBound) {
    if (nBound < 0) nBound = 0;
    std::sort(vecRecords.begin(), vecRecords.end());
    const size_t size = vecRecords.size();
    CPOS tmp;
    tmp.m_pData.reset(new (std::nothrow) POS_info[size + 1]);
    tmp.m_pIndex.reset(new (std::nothrow) index_t[size_t(nBound) + 1]);
    if (!tmp.m_pData || !tmp.m_pIndex) return 0;
    size_t p = 0;
    for (size_t i = 0; i < size;) {
        const int32_t h = vecRecords[i].handle;
        size_t j = i;
        while (j < size && vecRecords[j].handle == h) ++j;
        if (h >= 0 && h < nBound) {
            index_t& x = tmp.m_pIndex[h];
            x.start = int32_t(p);
            x.end = 0;
            for (size_t k = i; k < j; ++k) {
                const POS_elem& e = vecRecords[k];
                if (x.end > 0 && tmp.m_pData[p - 1].POS_id == e.POS_id) {
                    if (e.freq > tmp.m_pData[p - 1].freq) tmp.m_pData[p - 1].freq = e.freq;
                    continue;
                }
                tmp.m_pData[p].POS_id = e.POS_id;
                tmp.m_pData[p].freq = e.freq;
                ++p;
                ++x.end;
            }
        }
        i = j;
    }
    tmp.m_nSize = int32_t(size);
    tmp.m_nBound = nBound;
    Swap(tmp);
    return int(size);
}

bool CPOS::Save(const char* sFilename) const {
    CByteWriter w;
    w.PutI32(m_nSize);
    w.PutI32(m_pIndex ? m_nBound : 0);
    for (int32_t i = 0; i < m_nSize; ++i) {
        w.PutU8(m_pData[i].POS_id);
        w.PutU8(0);
        w.PutU8(0);
        w.PutU8(0);
        w.PutI32(m_pData[i].freq);
    }
    if (m_pIndex)
        for (int32_t i = 0; i < m_nBound; ++i) {
            w.PutI32(m_pIndex[i].start);
            w.PutI32(m_pIndex[i].end);
        }
    return WriteFileAtomic(sFilename, w.Bytes().data(), w.Size());
}

int CPOS::Import(const char* sFilename, const CPDAT& dict, const CPOSmap* pTagSet) {
    if (!sFilename) return 0;
    FILE* fp = fopen(sFilename, "rb");
    if (!fp) return 0;
    m_nSize = 0;
    std::vector<POS_elem> records;
    std::string line, word, tag;
    int nLine = 0;
    while (textscan::ReadLine(fp, line)) {
        ++nLine;
        textscan::CLineScanner scan(line);
        if (!scan.Token(word)) continue;
        int nTag = 255, nFreq = 0;
        if (pTagSet) {
            scan.Token(tag);
            nTag = pTagSet->GetID(tag.c_str());
        } else {
            // The tag id as a number; its text is kept for the progress line.
            const char* before = scan.Rest();
            if (!scan.Int(nTag)) nTag = 255;
            tag.assign(before, size_t(scan.Rest() - before));
            tag.erase(0, tag.find_first_not_of(" \t\r\n\v\f"));
        }
        scan.Int(nFreq);
        int id = dict.Find(word.c_str());
        if (nLine % 100 == 0)
            printf("Line %d:word=%s(%d) pos=%s(%d)\n", nLine, word.c_str(), id, tag.c_str(), nTag);
        if (id < 0) {
            WriteLog(line, NULL, false);
            continue;
        }
        POS_elem e;
        e.handle = id;
        e.POS_id = tuchar(nTag);
        e.freq = nFreq;
        records.push_back(e);
    }
    fclose(fp);
    return Import(records, ImportBound(dict));
}

bool CPOS::Export(const char* sFilename, const CPOSmap* pTagSet, const CWordList& wordList) const {
    if (!sFilename) return false;
    CAtomicFile out;
    if (!out.Open(sFilename, true)) return false;
    std::string text;
    char num[32];
    for (int id = 0; id < m_nBound; ++id) {
        int n = 0;
        const POS_info* p = GetPOS(id, &n);
        for (int i = 0; p && i < n; ++i) {
            text += wordList.GetWord(id);
            if (pTagSet) {
                text += '\t';
                text += pTagSet->GetPOS(p[i].POS_id);
                snprintf(num, sizeof num, "\t%d\n", p[i].freq);
            } else {
                snprintf(num, sizeof num, "\t%d\t%d\n", p[i].POS_id, p[i].freq);
            }
            text += num;
        }
    }
    return out.Write(text) && out.Commit();
}
