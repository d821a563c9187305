// Keyword weighting and ranking of the keyword finder, author recognition, and the keyword result
// strings in their three formats.
#include <strings.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

#include <json/json.h>

#include "MERIDOX/System/MainSystem.h"
#include "Utility/JsonText.h"
#include "Utility/KeyWordFinder.h"

namespace {

bool IsPersonTag(int id) { return id == 24 || id == 27 || id == 28; }
bool IsUpper(char c) { return c >= 'A' && c <= 'Z'; }
bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || IsUpper(c); }

// First occurrence of the bytes of sPat in sText at or after nFrom, as a signed position; -1 when absent.
long FindPos(const tstring& sText, const char* sPat, size_t nFrom = 0) {
    const size_t pos = sText.find(sPat, nFrom);
    return pos == tstring::npos ? -1 : long(pos);
}

// Appends "%.2lf"-style numbers and words to a result line.
void AppendFormatted(tstring& sLine, const char* sFormat, const char* sPos, double dWeight, int nFreq, bool bFreq) {
    char buf[512];
    if (bFreq)
        snprintf(buf, sizeof buf, sFormat, sPos, dWeight, nFreq);
    else
        snprintf(buf, sizeof buf, sFormat, sPos, dWeight);
    sLine += buf;
}

}  // namespace

double CKeyWordFinder::ComputeAVEntropy(WORD_AV& word) const {
    const size_t nLen = word.word.size();
    const size_t nNeighbours = word.vecLV.size() + word.vecRV.size();
    if (word.is_stopword ||
        (word.unit_count >= 2 &&
         (word.freq < 2 || (nLen < 3 && (word.pos.empty() || word.pos[0] != 'x')) || nNeighbours < 4))) {
        word.weight = -1.0;
        return word.weight;
    }
    word.weight += double(std::min(word.vecLV.size(), word.vecRV.size())) + double(word.unit_count);
    // Neighbour entropy: p in floating point, and only counts above 0 (0 · ln 0 has no value).
    if (word.freq > 0) {
        for (const std::vector<WORD_FREQ>* list : {&word.vecLV, &word.vecRV}) {
            for (const WORD_FREQ& entry : *list) {
                if (entry.freq <= 0) continue;
                const double p = double(entry.freq) / double(word.freq);
                word.weight -= p * std::log(p);
            }
        }
    }
    if ((word.unit_count == 1 && nLen < 4) || (word.unit_count >= 4 && nLen >= 11))
        word.weight /= (std::fabs(std::trunc(double(nLen) / 2.0 - 3.0)) + 1.0);
    return word.weight;
}

void CKeyWordFinder::AppendToSlot(int nSlot, const tstring& sName, bool bCheckContained) {
    tstring* pSlot = m_pDocExtractData->GetElement(nSlot);
    if (!pSlot || sName.empty()) return;
    if (bCheckContained && pSlot->find(sName) != tstring::npos) return;
    if (pSlot->size() + sName.size() + 1 < DOC_EXTRAXT_DATA::kSlotCapacity) {
        *pSlot += sName;
        *pSlot += "#";
    }
}

void CKeyWordFinder::RecognizeAuthor(std::vector<WORD_AV>& vecWordAV, int i) {
    const tstring& sName = vecWordAV[size_t(i)].word;
    const long P = FindPos(m_sText, sName.c_str());
    if (P >= 0) {
        long D = 1000;
        static const char* const kMarkers[] = {"\xBC\xC7\xD5\xDF",         // 记者
                                               "\xD7\xF7\xD5\xDF",         // 作者
                                               "\xCA\xB5\xCF\xB0\xC9\xFA"};  // 实习生
        for (int k = 0; k < 3; ++k) {
            if (k == 2 && D <= 0) break;
            const long M = FindPos(m_sText, kMarkers[k]);
            const long nMarkerLen = long(strlen(kMarkers[k]));
            if (M >= 0 && P - M < D) D = P - M - nMarkerLen;
        }
        if (D > 0) {
            const long Q = FindPos(m_sText, "\xC9\xE3", size_t(P));  // 摄
            if (Q >= 0 && Q - P < D) D = Q - P;
        }
        if (m_nFuncRequired & KWF_AUTHOR) {
            const tstring* pAuthor = m_pDocExtractData->GetElement(4);
            const bool bEmpty = pAuthor && pAuthor->empty();
            const long nTextLen = long(m_sText.size());
            if ((D >= 0 && D <= 10) || (P < 30 && bEmpty) || (P >= nTextLen - 20 && bEmpty))
                AppendToSlot(4, sName, false);
        }
    }
    if (m_nFuncRequired & KWF_PERSON) AppendToSlot(0, sName, true);
}

bool CKeyWordFinder::IsExist(const std::vector<WORD_AV>& vecWordAV, const std::vector<WORD_AV_WEIGHT>& vecWordAVWeight,
                             int nCurIndex) const {
    const tstring& sWord = vecWordAV[size_t(vecWordAVWeight[size_t(nCurIndex)].index)].word;
    for (int k = 0; k < nCurIndex; ++k) {
        if (vecWordAV[size_t(vecWordAVWeight[size_t(k)].index)].word.find(sWord) != tstring::npos) return true;
    }
    return false;
}

int CKeyWordFinder::ComputeKeyWord(std::vector<WORD_AV>& vecWordAV, std::vector<WORD_AV_WEIGHT>& vecWordAVWeight,
                                   bool bNewWordExtract) {
    vecWordAVWeight.clear();
    for (size_t i = 0; i < vecWordAV.size(); ++i) {
        WORD_AV& w = vecWordAV[i];
        w.weight = w.base_weight;
        w.freq = w.base_freq;
        if (ComputeAVEntropy(w) < 0.0) continue;
        const int id = w.pos_id;
        if (IsPersonTag(id) || id == 29 || id == 30 || id == 52) {
            w.weight *= 1.1;
            if (!CMainSystem::IsWord(w.word.c_str())) w.weight *= 3.0;
        } else if (m_bEnglishText && w.word.size() >= 3 && IsUpper(w.word[0]) && IsUpper(w.word[1])) {
            w.weight *= 2.0;
        } else if (!CMainSystem::IsWord(w.word.c_str())) {
            w.weight *= 1.2;
        }
        const char c = w.pos.empty() ? '\0' : w.pos[0];
        if (c == 'n' || c == 'v') {
        } else if (c == 'a') {
            w.weight *= 0.5;
        } else if (c == 'd') {
            w.weight *= 0.4;
        } else if (w.weight < 100.0) {
            w.weight *= 0.3;
        }
        if (w.is_freq_bigram && bNewWordExtract) w.weight *= 0.1;
        if (w.unit_count == 1)
            w.weight *= 0.8;
        else
            w.weight *= double(w.unit_count) * 0.6;
        if (w.weight > 0.0) vecWordAVWeight.push_back(WORD_AV_WEIGHT(int32_t(i), w.weight));
    }
    std::sort(vecWordAVWeight.begin(), vecWordAVWeight.end());

    int nPerson = 0, nPlace = 0, nOrg = 0, nTime = 0;
    for (size_t k = 0; k < vecWordAVWeight.size(); ++k) {
        WORD_AV& w = vecWordAV[size_t(vecWordAVWeight[k].index)];
        const int id = w.pos_id;
        if (vecWordAV.size() >= 2 && w.unit_count >= 2 &&
            (w.vecLV.size() < 2 || w.vecRV.size() < 2 || IsExist(vecWordAV, vecWordAVWeight, int(k)))) {
            w.weight = -1.0;
        } else if (IsPersonTag(id)) {
            if (w.word.size() >= 3) {
                RecognizeAuthor(vecWordAV, vecWordAVWeight[k].index);
                if (++nPerson >= 2) w.weight /= (nPerson - 0.8);
            }
        } else if (id == 29 || id == 30) {
            if (m_nFuncRequired & KWF_PLACE) AppendToSlot(1, w.word, true);
            if (++nPlace >= 2) w.weight /= (nPlace - 0.8);
        } else if (id == 31) {
            if (m_nFuncRequired & KWF_ORGANIZATION) AppendToSlot(2, w.word, true);
            if (++nOrg >= 2) w.weight /= (nOrg - 0.8);
        } else if (id == 52) {
            if (++nTime >= 2) w.weight /= (nTime - 0.8);
        }
        vecWordAVWeight[k].weight = w.weight;
    }
    std::sort(vecWordAVWeight.begin(), vecWordAVWeight.end());
    MergeEnglishSameWords(vecWordAV, vecWordAVWeight);
    return 1;
}

int CKeyWordFinder::MergeEnglishSameWords(std::vector<WORD_AV>& vecWordAV, std::vector<WORD_AV_WEIGHT>& vecWordAVWeight) {
    if (!m_bEnglishText) return 0;
    int nMerged = 0;
    for (size_t j = vecWordAVWeight.size(); j-- > 1;) {
        if (j >= vecWordAVWeight.size() || vecWordAVWeight[j].weight < 1.0) continue;
        WORD_AV& wj = vecWordAV[size_t(vecWordAVWeight[j].index)];
        for (size_t i = 0; i < j; ++i) {
            WORD_AV& wi = vecWordAV[size_t(vecWordAVWeight[i].index)];
            if (strcasecmp(wi.original_word.c_str(), wj.original_word.c_str()) != 0) continue;
            wi.weight += wj.weight;
            wi.freq += wj.freq;
            vecWordAVWeight[i].weight += vecWordAVWeight[j].weight;
            vecWordAVWeight.erase(vecWordAVWeight.begin() + long(j));
            ++nMerged;
            break;
        }
    }
    return nMerged;
}

int CKeyWordFinder::ComputeSingleKeyWord(std::vector<WORD_AV>& vecWordAV, std::vector<WORD_AV_WEIGHT>& vecWordAVWeight) {
    for (WORD_AV_WEIGHT& entry : vecWordAVWeight) {
        WORD_AV& w = vecWordAV[size_t(entry.index)];
        if (w.weight > 1.0) continue;
        const double len = double(w.word.size());
        const int id = w.pos_id;
        if (w.is_stopword || (!w.word.empty() && w.word[0] == '@') || id == 96 || id == 99) {
            w.weight = -1.0;
        } else if (w.pos.size() >= 3 && w.pos.compare(0, 2, "ke") == 0) {
            w.weight = 10.5;
        } else if (!w.word.empty() && IsAsciiLetter(w.word[0])) {
            w.weight = len * 0.5;
        } else if (id == 21) {
            w.weight = len * 0.3;
        } else if (IsPersonTag(id)) {
            w.weight = len * 0.8;
        } else if (id == 29 || id == 30 || id == 32 || id == 74) {
            w.weight = len * 0.6;
        } else if (id == 31) {
            w.weight = len * 1.0;
        } else if (id == 52) {
            w.weight = len * 0.4;
        } else {
            w.weight = len * 0.1;
        }
        if (!CMainSystem::IsWord(w.word.c_str())) w.weight *= 1.5;
        entry.weight = w.weight;
    }
    std::sort(vecWordAVWeight.begin(), vecWordAVWeight.end());
    if (vecWordAVWeight.size() >= 5) vecWordAVWeight.resize(4);
    return int(vecWordAVWeight.size());
}

const char* CKeyWordFinder::GenerateResultString(int nMaxLim, std::vector<WORD_AV>& vecWordAV,
                                                 std::vector<WORD_AV_WEIGHT>& vecWordAVWeight,
                                                 std::vector<WORD_AV>& vecWordAVResult, bool bGetVector,
                                                 int nOutFormat) {
    if (bGetVector) vecWordAVResult.clear();
    m_sLine.clear();
    if (nOutFormat == 2) m_sLine = "Word,POS,Weight,Frequency\r\n";
    Json::Value array(Json::arrayValue);
    bool bWritten = false;
    for (size_t pos = 0; pos < vecWordAVWeight.size(); ++pos) {
        if (nMaxLim != -1 && uint32_t(pos) >= uint32_t(nMaxLim)) break;
        if (pos >= 2 && vecWordAVWeight[pos].weight < 1.0) break;
        // A weight below 0 marks a rejected word (a stop word, an unusable candidate): it is
        // never written, not even at the first two positions.
        if (vecWordAVWeight[pos].weight < 0.0) continue;
        const int32_t index = vecWordAVWeight[pos].index;
        if (index < 0 || size_t(index) >= vecWordAV.size()) continue;
        const WORD_AV& w = vecWordAV[size_t(index)];
        if (nOutFormat == 0) {
            m_sLine += w.word;
            AppendFormatted(m_sLine, "/%s/%.2lf/%d#", w.pos.c_str(), w.weight, w.freq, true);
        } else if (nOutFormat == 1) {
            Json::Value item;
            item["word"] = w.word;
            item["pos"] = w.pos;
            item["weight"] = w.weight;
            item["freq"] = w.freq;
            array.append(item);
        } else {
            m_sLine += w.word;
            AppendFormatted(m_sLine, ",%s,%.2lf,%d\r\n", w.pos.c_str(), w.weight, w.freq, true);
        }
        if (bGetVector) vecWordAVResult.push_back(w);
        bWritten = true;
    }
    if (nOutFormat == 0 && !bWritten && vecWordAV.size() >= 2 && !vecWordAV[1].is_stopword &&
        vecWordAV[1].weight >= 0.0) {
        const WORD_AV& w = vecWordAV[1];
        m_sLine += w.word;
        AppendFormatted(m_sLine, "/%s/%.2lf#", w.pos.c_str(), w.weight, 0, false);
    }
    m_sText.clear();
    if (nOutFormat == 1) m_sLine = WriteJson2Str(array, true);
    return m_sLine.c_str();
}

const char* CKeyWordFinder::GetKeyWordListEx(std::vector<WORD_AV>& vecWordAV, int nOutFormat, int nMaxLimt,
                                             bool bGetVector) {
    GenerateNewWordList();
    ComputeKeyWord(m_vecWordAV, m_vecWordAVWeight, false);
    if (m_vecWordAVWeight.size() >= 2 && m_vecWordAVWeight[1].weight < 1.0)
        ComputeSingleKeyWord(m_vecWordAV, m_vecWordAVWeight);
    return GenerateResultString(nMaxLimt, m_vecWordAV, m_vecWordAVWeight, vecWordAV, bGetVector, nOutFormat);
}

const char* CKeyWordFinder::GetKeyWordList(int nOutFormat, int nMaxLim) {
    std::vector<WORD_AV> vecUnused;
    return GetKeyWordListEx(vecUnused, nOutFormat, nMaxLim, false);
}
