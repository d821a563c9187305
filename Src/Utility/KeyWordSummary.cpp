// Extractive summary of the keyword finder: sentences scored by the keyword weights of the
// distinct words they hold are picked best first, each pick taking its words out of the others'
// scores, within a byte budget and a sentence count; and the document extraction slots.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <sys/types.h>

#include "Utility/GBKChar.h"
#include "Utility/KeyWordFinder.h"
#include "Utility/LogFile.h"
#include "Utility/SearchFunc.h"

namespace {

const size_t kSummaryPosition = 20;  // ranking position whose weight is the threshold

}  // namespace

void CKeyWordFinder::ThresholdFilter() {
    const double T = m_vecWordAVWeight.size() > kSummaryPosition ? m_vecWordAVWeight[kSummaryPosition].weight : 10000.0;
    if (m_vecWordAV.size() < 2) return;
    for (WORD_AV_WEIGHT& entry : m_vecWordAVWeight) {
        if (entry.index < 0 || size_t(entry.index) >= m_vecWordAV.size()) continue;
        WORD_AV& w = m_vecWordAV[size_t(entry.index)];
        const int id = w.pos_id;
        if (id == 24 || id == 27 || id == 28 || id == 29 || id == 30 || id == 52) continue;
        if (w.weight < T) {
            w.weight = -1.0;
            entry.weight = -1.0;
        }
    }
}

void CKeyWordFinder::ModifyWordList() {
    const size_t nIds = m_vecWordIDList.size();
    for (size_t h = 0; h < m_vecWordAV.size(); ++h) {
        const WORD_AV& w = m_vecWordAV[h];
        if (w.unit_count < 2 || w.weight < 1.0) continue;
        for (int32_t p : w.vecInvertList) {
            if (p < 0 || size_t(p) >= nIds) continue;
            m_vecWordIDList[size_t(p)] = int32_t(h);
            for (size_t k = 1; k < size_t(w.unit_count) && size_t(p) + k < nIds; ++k)
                m_vecWordIDList[size_t(p) + k] = -1;
        }
    }
}

int CKeyWordFinder::ComputeSentWeight(int nLenLimit) {
    double dBest = 0.0;
    int nBest = -1;
    const long nIds = long(m_vecWordIDList.size());
    size_t i = 0;
    // Removes sentence i (the first stays with weight -1.0); true when it was erased.
    auto drop = [&](size_t k) {
        m_vecSentInfo[k].weight = -1.0;
        if (k == 0) return false;
        m_vecSentInfo.erase(m_vecSentInfo.begin() + long(k));
        return true;
    };
    while (i < m_vecSentInfo.size()) {
        SENTENCE_INFO& sent = m_vecSentInfo[i];
        if (sent.weight < 0.0 || (nLenLimit > 0 && sent.length > nLenLimit)) {
            if (!drop(i)) ++i;
            continue;
        }
        sent.weight = 0.0;
        bool bAny = false;
        const long nEnd = std::min<long>(sent.end_pos, nIds - 1);
        for (long p = std::max<long>(sent.start_pos, 0); p <= nEnd; ++p) {
            const int32_t h = m_vecWordIDList[size_t(p)];
            if (h < 0 || size_t(h) >= m_vecWordAV.size()) continue;
            const WORD_AV& w = m_vecWordAV[size_t(h)];
            if (w.is_stopword || w.weight < 0.0) continue;
            bAny = true;
            if (std::find(sent.vecWordID.begin(), sent.vecWordID.end(), h) == sent.vecWordID.end()) {
                sent.vecWordID.push_back(h);
                sent.weight += w.weight;
            }
        }
        if (!bAny) {
            if (!drop(i)) ++i;
            continue;
        }
        std::sort(sent.vecWordID.begin(), sent.vecWordID.end());
        if (sent.length > 0) sent.weight += 1.0 / double(sent.length);
        if (i == 0) {
            sent.weight *= 2.5;
            if (sent.line.find("\xD1\xB6 ") != tstring::npos) sent.weight *= 2.0;  // 讯 and a blank
        }
        if (sent.weight > dBest) {
            dBest = sent.weight;
            nBest = int(i);
        }
        ++i;
    }
    return nBest;
}

double CKeyWordFinder::GetSentWeight(const SENTENCE_INFO& sent) const {
    if (sent.length < 1 || sent.vecWordID.empty()) return -1.0;
    double dWeight = 0.0;
    for (int32_t h : sent.vecWordID) {
        if (h < 0 || size_t(h) >= m_vecWordAV.size()) continue;
        const WORD_AV& w = m_vecWordAV[size_t(h)];
        if (!w.is_stopword && w.weight >= 1.0) dWeight += w.weight;
    }
    return dWeight + 0.1 / double(sent.length);
}

const char* CKeyWordFinder::GetSummary(int nLengthLimit, double dRation, int nSentCount, bool bSkip) {
    long long B = nLengthLimit < 0 ? 0 : nLengthLimit;
    if (dRation > 0.0) {
        const double dShare = double(m_nDocLength) * dRation;
        if (B == 0 || dShare < double(B)) B = dShare >= double(INT_MAX) ? INT_MAX : (long long)std::trunc(dShare);
    }
    m_sSummary.clear();
    if (B == 0 && nSentCount == 0) {
        char buf[128];
        snprintf(buf, sizeof buf, "In Summary, the Length Limit(=%zd) is invalid", ssize_t(0));
        WriteLog(buf);
        return m_sSummary.c_str();
    }
    if (!bSkip) {
        GenerateNewWordList();
        ComputeKeyWord(m_vecWordAV, m_vecWordAVWeight, false);
    }
    ThresholdFilter();
    ModifyWordList();
    int P = ComputeSentWeight(int(B));
    long long S = 0;
    int N = 0;
    while (!m_vecSentInfo.empty() && P >= 0 && size_t(P) < m_vecSentInfo.size() &&
           (B == 0 || m_vecSentInfo[size_t(P)].length + S < B) && (nSentCount <= 0 || N < nSentCount)) {
        ++N;
        SENTENCE_INFO& picked = m_vecSentInfo[size_t(P)];
        picked.b_selected = true;
        S += (long long)picked.line.size();
        m_vecSelectedWordID.insert(m_vecSelectedWordID.end(), picked.vecWordID.begin(), picked.vecWordID.end());
        std::sort(m_vecSelectedWordID.begin(), m_vecSelectedWordID.end());

        double W = 0.0;
        P = -1;
        for (size_t i = 0; i < m_vecSentInfo.size(); ++i) {
            SENTENCE_INFO& sent = m_vecSentInfo[i];
            if (sent.weight <= 0.0 || sent.b_selected || sent.vecWordID.empty() || (B != 0 && B < sent.length + S) ||
                sent.length < 10) {
                sent.weight = -1.0;
                continue;
            }
            std::vector<int> vecIds(sent.vecWordID.begin(), sent.vecWordID.end());
            std::vector<int> vecSelected(m_vecSelectedWordID.begin(), m_vecSelectedWordID.end());
            if (Not(vecIds, vecSelected)) {
                sent.vecWordID.assign(vecIds.begin(), vecIds.end());
                sent.weight = GetSentWeight(sent);
                if (i == 0) sent.weight *= 2.0;
            }
            if (sent.weight > 0.0 && (P == -1 || sent.weight > W)) {
                P = int(i);
                W = sent.weight;
            }
        }
    }
    if (S == 0) {
        // Nothing fits: the start of the text up to its last comma within the budget. Characters
        // end before byte B and before the text's end, so the blank the scan appends after each
        // text never ends a summary.
        const uint32_t nLimit = uint32_t(B);
        size_t pos = 0, nComma = tstring::npos;
        char sChar[3];
        while (pos < m_sText.size()) {
            const int n = Getchar(m_sText.c_str() + pos, sChar);
            if (n <= 0 || pos + size_t(n) >= nLimit || pos + size_t(n) >= m_sText.size()) break;
            if (strcmp(sChar, "\xA3\xAC") == 0 || strcmp(sChar, ",") == 0) nComma = pos;  // ，
            m_sSummary.append(sChar, size_t(n));
            pos += size_t(n);
        }
        if (nComma != tstring::npos) m_sSummary.resize(nComma);
        // A text of nothing but marks and white space has no summary.
        if (IsPunctuationText(m_sSummary)) m_sSummary.clear();
    } else {
        for (const SENTENCE_INFO& sent : m_vecSentInfo)
            if (sent.b_selected) m_sSummary += sent.line;
    }
    m_vecSelectedWordID.clear();
    return m_sSummary.c_str();
}

DOC_EXTRAXT_DATA* CKeyWordFinder::DocExtractor(bool bSummaryNeeded) {
    const size_t nCapacity = DOC_EXTRAXT_DATA::kSlotCapacity;
    const char* sKeys = GetKeyWordList(0, 5);
    // A keyword text that fills the slot is cut to 599 bytes, on a character boundary.
    *m_pDocExtractData->GetElement(3) = CutAtCharBoundary(sKeys, strlen(sKeys) > nCapacity ? nCapacity - 1 : nCapacity);
    if (bSummaryNeeded && (m_nFuncRequired & KWF_SUMMARY))
        *m_pDocExtractData->GetElement(8) = CutAtCharBoundary(GetSummary(400, 0.0, 1, false), nCapacity);
    return m_pDocExtractData.get();
}
