#include "Utility/WordList.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <new>
#include <set>

#include "Encript/BDQEncript.h"
#include "Utility/ByteIO.h"
#include "Utility/FileHandle.h"
#include "Utility/LogFile.h"
#include "Utility/PDAT.h"
#include "Utility/PDATInternal.h"

namespace {

// The string block starts at and grows by this many bytes.
const int32_t kBlockStep = 0xFA000;

}  // namespace

CWordList::CWordList(bool bEncript, CPDAT* pDict)
    : m_nSize(0),
      m_nBound(0),
      m_nWordListMemSize(0),
      m_nWordListDataSize(0),
      m_pDict(pDict),
      m_bEncript(bEncript),
      m_bAddCompleted(false) {
    AddWordInit();
}

CWordList::~CWordList() {}

const char* CWordList::GetWord(int handle) const {
    static const char kEmpty[] = "";
    if (handle < 0 || handle >= m_nBound || size_t(handle) >= m_pData.size()) return kEmpty;
    int32_t off = m_pData[size_t(handle)];
    if (off < 0 || size_t(off) >= m_pWordListBuf.size()) return kEmpty;
    return &m_pWordListBuf[size_t(off)];
}

// ---- building --------------------------------------------------------------------------------

int32_t CWordList::AppendText(const char* sText) {
    size_t n = strlen(sText);
    size_t nNeed = size_t(m_nWordListDataSize) + n + 1;
    if (nNeed > size_t(INT32_MAX)) return -1;
    if (nNeed >= size_t(m_nWordListMemSize) || m_pWordListBuf.size() < size_t(m_nWordListMemSize)) {
        // Grow in whole steps until the text and its NUL fit below the block size.
        size_t nMem = size_t(m_nWordListMemSize);
        while (nNeed >= nMem) nMem += kBlockStep;
        if (nMem > size_t(INT32_MAX)) return -1;
        try {
            m_pWordListBuf.resize(nMem, 0);
        } catch (const std::bad_alloc&) {
            return -1;
        }
        m_nWordListMemSize = int32_t(nMem);
    }
    int32_t off = m_nWordListDataSize;
    memcpy(&m_pWordListBuf[size_t(off)], sText, n + 1);
    m_nWordListDataSize = int32_t(nNeed);
    return off;
}

void CWordList::qksort(word_elem* pData, int lo, int hi) {
    if (!pData || lo < 0 || hi <= lo) return;
    std::sort(pData + lo, pData + hi + 1);
}

void CWordList::BuildOffsets(const std::vector<word_elem>& pairs) {
    std::vector<int32_t> offsets(size_t(m_nBound) + 1, 0);
    for (const word_elem& e : pairs)
        if (e.handle >= 0 && e.handle < m_nBound) offsets[size_t(e.handle)] = e.nWordIndex;
    m_pData.swap(offsets);
}

void CWordList::AddWordInit() {
    m_vecPair.clear();
    m_vecPair.reserve(10000);
    if (m_pWordListBuf.empty()) {
        m_pWordListBuf.assign(size_t(kBlockStep), 0);
        m_nWordListMemSize = kBlockStep;
    }
    m_nSize = 0;
    m_nBound = 0;
    m_nWordListDataSize = 0;
    m_bAddCompleted = false;
}

int CWordList::AddWord(const char* sWord, int nHandle) {
    if (!sWord) return -1;
    if (nHandle < 0 || nHandle == INT_MAX) {
        WriteLog(sWord);
        return -1;
    }
    int32_t off = AppendText(sWord);
    if (off < 0) return -1;
    try {
        m_vecPair.push_back(word_elem{nHandle, off});
    } catch (const std::bad_alloc&) {
        return -1;
    }
    ++m_nSize;
    if (m_nBound < nHandle + 1) m_nBound = nHandle + 1;
    return nHandle;
}

int CWordList::AddWord(const char* sWord) {
    if (!sWord) return -1;
    if (strncmp(sWord, "\xEF\xBB\xBF", 3) == 0) sWord += 3;
    return AddWord(sWord, m_pDict ? m_pDict->Find(sWord) : -1);
}

void CWordList::AddWordComplete() {
    if (m_bAddCompleted) return;
    try {
        BuildOffsets(m_vecPair);
    } catch (const std::bad_alloc&) {
        return;
    }
    m_bAddCompleted = true;
}

int CWordList::Import(std::vector<WORD_INFO>& vecWordInfo, CPDAT* pCoreDict, bool bStoredInfo) {
    CPDAT* pDict = pCoreDict ? pCoreDict : m_pDict;
    std::vector<word_elem> pairs;
    pairs.reserve(10000);
    m_nSize = 0;
    if (m_pWordListBuf.empty()) {
        m_pWordListBuf.assign(size_t(kBlockStep), 0);
        m_nWordListMemSize = kBlockStep;
    }
    m_nWordListDataSize = 0;
    if (pDict) {
        for (const WORD_INFO& info : vecWordInfo) {
            int h = pDict->Find(info.word.c_str());
            if (h < 0) continue;
            int32_t off = AppendText((bStoredInfo ? info.store_info : info.word).c_str());
            if (off < 0) break;
            pairs.push_back(word_elem{h, off});
            ++m_nSize;
        }
        uint32_t nItems = pDict->GetItemCount();
        m_nBound = nItems > uint32_t(INT32_MAX - 1) ? INT32_MAX - 1 : int32_t(nItems);
    } else {
        m_nBound = 0;
    }
    BuildOffsets(pairs);
    m_bAddCompleted = true;
    return int(m_nSize);
}

// ---- the file --------------------------------------------------------------------------------

bool CWordList::Parse(const unsigned char* pData, size_t nSize) {
    CByteReader r(pData, nSize);
    uint32_t nCount;
    int32_t nBound, nData;
    if (!r.ReadU32(nCount) || !r.ReadI32(nBound) || nBound < 0 || nBound == INT32_MAX) return false;
    if (!r.Has(int64_t(nBound) + 1, 4)) return false;
    const unsigned char* pOffsets = r.Take(size_t(nBound + 1) * 4);
    if (!r.ReadI32(nData) || nData < 0 || nData == INT32_MAX || !r.Has(nData, 1)) return false;
    const unsigned char* pBlock = r.Take(size_t(nData));
    if (!pOffsets || (nData > 0 && !pBlock) || !r.AtEnd()) return false;
    std::vector<int32_t> offsets;
    std::vector<char> block;
    try {
        offsets.resize(size_t(nBound) + 1);
        block.resize(size_t(nData) + 1, 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    for (size_t i = 0; i < offsets.size(); ++i) {
        int32_t off = int32_t(GetLE32(pOffsets + 4 * i));
        if (off < 0 || off > nData) return false;
        offsets[i] = off;
    }
    if (nData > 0) memcpy(block.data(), pBlock, size_t(nData));
    if (m_bEncript) CBDQEncript().Encrypt(block.data(), size_t(nData));
    m_nSize = nCount;
    m_nBound = nBound;
    m_pData.swap(offsets);
    m_pWordListBuf.swap(block);
    m_nWordListMemSize = nData + 1;
    m_nWordListDataSize = nData;
    return true;
}

bool CWordList::Load(const char* sFilename) {
    std::vector<unsigned char> bytes;
    if (!sFilename || !ReadFileBytes(sFilename, bytes)) return false;
    return Parse(bytes.data(), bytes.size());
}

std::vector<unsigned char> CWordList::Serialize() const {
    CByteWriter w;
    w.PutU32(m_nSize);
    w.PutI32(m_nBound);
    int32_t nData = std::min<int32_t>(m_nWordListDataSize, int32_t(m_pWordListBuf.size()));
    for (int32_t h = 0; h < m_nBound; ++h) {
        int32_t off = size_t(h) < m_pData.size() ? m_pData[size_t(h)] : 0;
        w.PutI32(off >= 0 && off <= nData ? off : 0);
    }
    w.PutI32(0);
    w.PutI32(nData);
    size_t nStart = w.Size();
    w.PutBytes(m_pWordListBuf.data(), size_t(nData));
    // Only the copy is enciphered: the list in memory stays plain.
    if (m_bEncript) CBDQEncript().Encrypt(reinterpret_cast<char*>(w.Bytes().data() + nStart), size_t(nData));
    return std::move(w.Bytes());
}

bool CWordList::Save(const char* sFilename) const {
    return WriteImageAtomic(sFilename, [this] { return Serialize(); });
}

// ---- offline text import and export ----------------------------------------------------------

int CWordList::Import(const char* sFilename, CPDAT* pCoreDict) {
    m_pDict = pCoreDict;
    FilePtr fp = OpenFile(sFilename, "rb");
    if (!fp) return 0;
    FilePtr fpEcho = OpenFile((tstring(sFilename) + "_wordlist_export.txt").c_str(), "wb");
    if (!fpEcho) return 0;
    AddWordInit();
    char sLine[1024];
    int nLine = 0;
    while (fgets(sLine, sizeof sLine, fp.get())) {
        printf("Line %d\r", ++nLine);
        tstring sWord;
        if (!PdatImportLine(sLine, sWord)) continue;
        PdatEchoImportWord(fpEcho.get(), sWord);
        AddWord(sWord.c_str());
    }
    fflush(stdout);
    AddWordComplete();
    return int(m_nSize);
}

int CWordList::Export(const char* sResultFilename, CPDAT* pCoreDict, const char* sExpFilename) {
    CPDAT* pDict = pCoreDict ? pCoreDict : m_pDict;
    std::set<int> excluded;
    if (sExpFilename && pDict) {
        if (FILE* fp = fopen(sExpFilename, "rb")) {
            char sLine[1024];
            while (fgets(sLine, sizeof sLine, fp)) {
                char sToken[1024];
                if (sscanf(sLine, "%1023s", sToken) != 1) continue;
                int h = pDict->Find(sToken);
                if (h >= 0 && static_cast<unsigned char>(sToken[0]) >= 0x80 && strlen(sToken) >= 3) excluded.insert(h);
            }
            fclose(fp);
        }
    }
    CAtomicFile file;
    if (!sResultFilename || !file.Open(sResultFilename, true)) {
        printf("Error open file %s.\n", sResultFilename ? sResultFilename : "");
        return 1;
    }
    uint32_t nItems = pDict ? pDict->GetItemCount() : 0;
    for (uint32_t h = 0; h < nItems && h <= uint32_t(INT_MAX); ++h) {
        if (excluded.count(int(h))) continue;
        file.Write(tstring(GetWord(int(h))) + "\n");
    }
    file.Commit();
    return 0;
}
