#include "Utility/Unigram.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <new>
#include <string>

#include "CodeTrans/CodeTran.h"
#include "Utility/ByteIO.h"
#include "Utility/FileHandle.h"
#include "Utility/LogFile.h"
#include "Utility/LexiconGlobals.h"
#include "Utility/PDAT.h"
#include "Utility/StoreImport.h"
#include "Utility/TextScan.h"
#include "Utility/WordList.h"
#include "Utility/WrapAdd.h"

namespace {

std::unique_ptr<int32_t[]> NewCounts(int32_t bound) {
    return std::unique_ptr<int32_t[]>(new (std::nothrow) int32_t[size_t(bound) + 1]());
}

// An imported word in GBK: converted from the caller's encoding when the engine has a converter.
std::string ConvertImportWord(const std::string& sWord) {
    if (!g_pCodeTranslator) return sWord;
    tstring sGBK;
    g_pCodeTranslator->CodeToGBK(sWord.c_str(), sGBK);
    return sGBK;
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

bool CUnigram::Load(const char* sFilename) { return LoadStoreFile(*this, sFilename, ParseImage); }

bool CUnigram::LoadFromMemory(const unsigned char* pData, size_t nSize) {
    return ParseIntoStore(*this, pData, nSize, ParseImage);
}

bool CUnigram::ParseImage(CUnigram& tmp, CByteReader& in) {
    int32_t size = 0, bound = 0, total = 0;
    in.ReadI32(size);
    in.ReadI32(bound);
    in.ReadI32(total);
    if (!in.Ok() || bound < 0 || !in.Has(int64_t(bound) + 1, 4)) return false;
    tmp.m_pData = NewCounts(bound);
    if (!tmp.m_pData) return false;
    for (int32_t i = 0; i <= bound; ++i) in.ReadI32(tmp.m_pData[i]);
    tmp.m_nSize = size;
    tmp.m_nBound = bound;
    tmp.m_nTotal = total;
    return true;
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

int CUnigram::Import(const char* sFilename, const CPDAT& dict, int nMode) {
    FilePtr fp = OpenFile(sFilename, "rb");
    if (!fp) return 0;
    FilePtr fpList = OpenFile((std::string(sFilename) + "_unigram_export.txt").c_str(), "wb");
    if (!fpList) return 0;
    // Kept for the file set; nothing is written to it.
    FilePtr fpLog = OpenFile((std::string(sFilename) + ".log").c_str(), "wt");
    if (!fpLog) return 0;

    // A dictionary whose every used cell ends a word has handles up to its lower bound, so the
    // bound covers both the cells and the handles.
    const int32_t bound = ImportBound(dict);
    CUnigram tmp;
    tmp.m_pData = NewCounts(bound);
    if (!tmp.m_pData) return 0;
    tmp.m_nBound = bound;

    std::string line, word;
    int nLine = 0;
    while (textscan::ReadLine(fp.get(), line)) {
        ++nLine;
        textscan::CLineScanner scan(line);
        if (scan.Token(word)) {
            int nCount = 0;
            if (word[0] == '[') {
                // A phrase with blanks: from the line's first "[" to the first "]" after it; its
                // count follows the "]".
                size_t open = line.find('[');
                size_t close = line.find(']', open + 1);
                word = line.substr(open + 1, close == std::string::npos ? std::string::npos : close - open - 1);
                if (close != std::string::npos) textscan::CLineScanner(line.substr(close + 1)).Int(nCount);
                word = word.c_str();  // a NUL ends the phrase as it ends the line
            } else {
                scan.Int(nCount);
            }
            word = ConvertImportWord(word);
            if (!word.empty() && (unsigned char)word[0] < 0x80) std::replace(word.begin(), word.end(), '_', ' ');
            bool bBracket = !word.empty() && (unsigned char)word[0] < 0x80 &&
                            word.find_first_of(" \t") != std::string::npos;
            fprintf(fpList.get(), bBracket ? "[%s]\t" : "%s\t", word.c_str());
            int id = word.empty() ? -1 : dict.Find(word.c_str());
            if (id >= 0 && id < bound) {
                if (nCount != 0) {
                    int32_t& slot = tmp.m_pData[id];
                    if (slot == 0)
                        slot = nCount;
                    else if (nMode == 0)
                        slot = std::min(slot, int32_t(nCount));
                    else if (nMode == 1)
                        slot = std::max(slot, int32_t(nCount));
                    else if (nMode == 2)
                        slot = AddWrap(slot, nCount);
                    fprintf(fpList.get(), "%d\n", slot);
                }
                tmp.m_nTotal = AddWrap(tmp.m_nTotal, nCount);
                ++tmp.m_nSize;
            }
        }
        if (nLine % 100 == 0) printf("Line %d completed!\n", nLine);
    }
    Swap(tmp);
    return m_nSize;
}

bool CUnigram::Export(const char* sFilename, const CWordList& wordList) const {
    CAtomicFile out;
    if (!sFilename || !out.Open(sFilename, true)) {
        ReportTolerated("Failed open file " + tstring(sFilename ? sFilename : ""));
        return false;
    }
    std::vector<unigram_elem> recs;
    OutputFreq(recs);
    std::string text;
    char num[16];
    for (const unigram_elem& e : recs) {
        text += wordList.GetWord(e.handle);
        snprintf(num, sizeof num, "\t%d\n", e.freq);
        text += num;
    }
    return out.Write(text) && out.Commit();
}
