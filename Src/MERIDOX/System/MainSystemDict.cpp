// The remaining members of an engine instance: switching the shared user dictionary and field
// tag list, the tag-set map, the word tests, word lists of a text and file processing.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <sys/stat.h>

#include "CodeTrans/STLCodeTrans.h"
#include "MERIDOX/Segment/PreProcess.h"
#include "MERIDOX/System/EngineGlobals.h"
#include "MERIDOX/System/MainSystem.h"
#include "Utility/Bigram.h"
#include "Utility/LogFile.h"
#include "Utility/MutexLock.h"
#include "Utility/PDAT.h"
#include "Utility/POS.h"
#include "Utility/POSmap.h"
#include "Utility/Trie.h"
#include "Utility/Unigram.h"

bool CMainSystem::SetUserDict(CTrie* pUserDict) {
    g_pUserDict = pUserDict;
    if (m_pPreProcess) m_pPreProcess->SetUserDict(pUserDict);
    return true;
}

bool CMainSystem::SetFieldPOS(CWordList* pFieldPOS) {
    g_pFieldPOS = pFieldPOS;
    return true;
}

bool CMainSystem::SetPOSmap(int nPOSmap) {
    if (nPOSmap < 0 || nPOSmap > 3) return false;
    m_nPOSmap = nPOSmap;
    return true;
}

int CMainSystem::AddUsrWord(const char* sWord) {
    CUserDictWriteLock lock;
    if (!g_pUserDict || !sWord) return 0;
    return g_pUserDict->AddTrie(sWord, false);
}

int CMainSystem::DelUsrWord(const char* sWord) {
    if (!g_pUserDict || !sWord) return -1;
    return g_pUserDict->DelTrie(sWord);
}

bool CMainSystem::IsFreqAssociate(const char* sPrevWord, const char* sNextWord) {
    if (!g_pCoreDict || !sPrevWord || !sNextWord) return false;
    int h1 = g_pCoreDict->Find(sPrevWord), h2 = g_pCoreDict->Find(sNextWord);
    if (h1 < 0 || h2 < 0) return false;
    double b = g_pBiDict ? g_pBiDict->GetFreq(h1, h2) : 0;
    if (b < 4) return false;
    double u1 = g_pUnigram ? g_pUnigram->GetFreq(h1) : 0, u2 = g_pUnigram ? g_pUnigram->GetFreq(h2) : 0;
    return b >= 0.1 * u1 || b >= 0.1 * u2;
}

bool CMainSystem::IsWord(const char* sWord) {
    if (!sWord) return false;
    if (g_pCoreDict && g_pCoreDict->Find(sWord) >= 0) return true;
    return g_pEnglishDict && g_pEnglishDict->Find(sWord) >= 0;
}

size_t CMainSystem::GetWordVector(const char* sLine, std::vector<tstring>& vecTerm, bool bStopRemove) {
    vecTerm.clear();
    if (!sLine) return 0;
    tstring sTrans;
    // Rows on the caller's text wherever they can be (detected UTF-8 included), so that a
    // character without a GBK form is listed as itself.
    int nCount = ProcessA(sLine, sTrans, true, true, false, true);
    result_t* pRows = GetResult(nullptr);
    tstring sEntry;
    for (int i = 0; i < nCount; ++i) {
        const result_t& row = pRows[i];
        if (!row.sPOS[0]) continue;
        if (bStopRemove && !strchr("anmv", row.sPOS[0]) && row.word_ID > 0) continue;
        if (row.start < 0 || row.length < 0) continue;
        sEntry = RowText(sLine, sTrans, row);
        if (sEntry.empty() && row.length > 0) continue;  // outside the text
        sEntry += '/';
        const tstring sTag(row.sPOS, strnlen(row.sPOS, sizeof row.sPOS));
        if (g_nEncodeType == -1) {
            // Under automatic detection every text handed out is UTF-8, the tag too.
            tstring sTagUTF8;
            ANSIToUTF8(sTag.c_str(), sTagUTF8);
            sEntry += sTagUTF8;
        } else {
            sEntry += sTag;
        }
        vecTerm.push_back(sEntry);
    }
    return vecTerm.size();
}

const char* CMainSystem::WordFreqStat(const char* sLine, bool bStopRemove) {
    m_sOutput.clear();
    std::vector<tstring> vecTerm;
    if (!sLine || !*sLine || GetWordVector(sLine, vecTerm, bStopRemove) == 0) return m_sOutput.c_str();
    CPDAT counter(0);
    counter.WordFreq(vecTerm);
    m_sOutput = counter.GetTopWords(-1);
    return m_sOutput.c_str();
}

double CMainSystem::FileProcess(const char* sSrcFilename, const char* sDsnFilename, int bPOStagged) {
    printf("CMainSystem::FileProcess start!\n");
    FILE* fpSrc = sSrcFilename ? fopen(sSrcFilename, "rb") : nullptr;
    FILE* fpDsn = sDsnFilename ? fopen(sDsnFilename, "wb") : nullptr;
    if (!fpSrc) {
        {
            CMutexLock lock(&g_mutex);
            WriteError(tstring("Error read file ") + (sSrcFilename ? sSrcFilename : ""));
        }
        if (fpDsn) fclose(fpDsn);
        return 0;
    }
    if (!fpDsn) {
        {
            CMutexLock lock(&g_mutex);
            WriteError(tstring("Error Write file ") + (sDsnFilename ? sDsnFilename : ""));
        }
        fclose(fpSrc);
        return 0;
    }
    fwrite("\xEF\xBB\xBF", 1, 3, fpDsn);
    struct stat st;
    long nSize = fstat(fileno(fpSrc), &st) == 0 ? long(st.st_size) : 0;
    clock_t nTicks = 0;
    int nLine = 0;
    tstring sLine;
    char* pRead = nullptr;
    size_t nReadSize = 0;
    for (;;) {
        // Whole lines, however long (a cut inside a line could split a character), with their
        // length as read: a NUL byte inside a line ends nothing and is read as a blank, so it
        // never hides the line break after it.
        const ssize_t nRead = getline(&pRead, &nReadSize, fpSrc);
        if (nRead <= 0) break;
        sLine.assign(pRead, size_t(nRead));
        std::replace(sLine.begin(), sLine.end(), '\0', ' ');
        clock_t t0 = clock();
        const char* sResult = Process(sLine.c_str(), bPOStagged, true);
        nTicks += clock() - t0;
        if (sResult) fputs(sResult, fpDsn);
        if (++nLine % 100 == 0) printf("Line %d\r", nLine);
    }
    free(pRead);
    double dTime = double(nTicks) / 1000000.0;
    double dSpeed = dTime > 0 ? double(nSize) / dTime / 1000.0 : 0.0;
    printf("Size=%ldBytes,Time=%6fs,Speed=%6fKB/s\n", nSize, dTime, dSpeed);
    fclose(fpSrc);
    fclose(fpDsn);
    return dSpeed;
}

bool CMainSystem::FileProcessEx(const char* /*sSrcFilename*/, const char* /*sDsnFilename*/) { return true; }

void CMainSystem::NER_Person(const char* /*pLine*/, word_vector /*pWords*/, int /*nWordCount*/) {}

int CMainSystem::AddUserWord(const char* sLine, word_vector pWords, int nWordCount, std::vector<int> vecResultIndex) {
    if (!sLine || !pWords) return int(vecResultIndex.size());
    const CPOSmap* pMap = g_ppPOSmap ? g_ppPOSmap[0] : nullptr;
    const int nLineLen = int(strlen(sLine));
    for (int k : vecResultIndex) {
        if (k < 0 || k >= nWordCount) continue;
        const word_t& w = pWords[k];
        if (w.start < 0 || w.end < w.start || w.end > nLineLen) continue;
        tstring sEntry(sLine + w.start, size_t(w.end - w.start));
        sEntry += ' ';
        sEntry += pMap ? pMap->GetPOS(w.type) : "n";
        AddUserWordO(sEntry.c_str());
    }
    return int(vecResultIndex.size());
}

int CMainSystem::FieldDic(const char* pLine, word_vector pWords, int nWordCount, word_vector& pWordsDest,
                          int& nWordCountDest, CPDAT* pDict, CPOS* pPOS, int nDictType) {
    nWordCountDest = 0;
    if (nWordCount <= 0 || !pWords || !pLine) {
        pWordsDest = m_pVecField.data();
        return 0;
    }
    if (m_pVecField.size() < size_t(nWordCount)) m_pVecField.resize(size_t(nWordCount));
    pWordsDest = m_pVecField.data();
    word_t* pDest = m_pVecField.data();
    int nDest = 0;
    pDest[nDest++] = pWords[0];
    int i = 1;
    while (i < nWordCount - 1) {
        word_t w = pWords[i];
        int nCovered = 1;
        bool bMerged = false;
        if (pDict) {
            int nHandle = -1;
            int nLen = pDict->GetMaxWord(pLine + w.start, &nHandle);
            if (nLen > 0) {
                const int nEnd = w.start + nLen;
                int j = i + 1;
                while (j < nWordCount && pWords[j].start < nEnd) ++j;
                if (j >= nWordCount || pWords[j].start == nEnd) {
                    bMerged = true;
                    nCovered = j - i;
                    w.type = tuchar(nDictType);
                    w.handle = nHandle;
                    if (g_bPOSTagger) {
                        int nTag = pPOS ? pPOS->GetPOS(nHandle) : 255;
                        w.POS_id = tuchar(nTag == 255 ? 21 : nTag);
                    }
                    w.end = j < nWordCount ? pWords[j].start : pWords[nWordCount - 1].end;
                }
            }
        }
        if (!bMerged) w = pWords[i];
        if (nDest < nWordCount) pDest[nDest++] = w;
        i += nCovered;
    }
    if (nWordCount > 1 && i < nWordCount && nDest < nWordCount) pDest[nDest++] = pWords[nWordCount - 1];
    nWordCountDest = nDest;
    return nDest;
}
