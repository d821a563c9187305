// New-word proposal of the keyword finder: adjacent words that occur together often enough, and
// that the dictionary does not know, are joined into candidates of the word table and of the
// new-word table.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "MERIDOX/System/EngineGlobals.h"
#include "MERIDOX/System/MainSystem.h"
#include "Utility/KeyWordFinder.h"
#include "Utility/PDAT.h"
#include "Utility/SearchFunc.h"
#include "Utility/Trie.h"
#include "Utility/Unigram.h"

namespace {

const int kMaxCandidateUnits = 7;
const size_t kMaxCandidateBytes = 40;
const int kNewWordPosId = 32;

bool IsUpper(char c) { return c >= 'A' && c <= 'Z'; }
char FirstOf(const tstring& s) { return s.empty() ? '\0' : s[0]; }
bool BeginsWy(const tstring& s) {
    return s.size() >= 2 && (s[0] == 'w' || s[0] == 'W') && (s[1] == 'y' || s[1] == 'Y');
}

}  // namespace

bool CKeyWordFinder::BuildCandidate(int nPrev, int nNext, int nFreq, WORD_AV& candidate) const {
    const WORD_AV& first = m_vecWordAV[size_t(nPrev)];
    const WORD_AV& second = m_vecWordAV[size_t(nNext)];
    candidate.pos = "n_new";
    candidate.pos_id = kNewWordPosId;
    candidate.freq = nFreq;
    candidate.base_freq = nFreq;
    candidate.unit_count = first.unit_count + second.unit_count;
    if (!m_bEnglishText) candidate.is_freq_bigram = CMainSystem::IsFreqAssociate(first.word.c_str(), second.word.c_str());
    // From the parts' creation weights and scanned counts: keyword computations overwrite
    // `weight` and English merges add to `freq`, and a candidate must not depend on whether a
    // result was asked for before it was (re)built.
    double dWeight = 0.0;
    if (first.base_freq > 0) dWeight += first.base_weight * (double(nFreq) / double(first.base_freq));
    if (second.base_freq > 0) dWeight += second.base_weight * (double(nFreq) / double(second.base_freq));
    candidate.weight = dWeight;
    candidate.base_weight = dWeight;

    std::vector<int> vecPrev(first.vecInvertList.begin(), first.vecInvertList.end());
    std::vector<int> vecNext(second.vecInvertList.begin(), second.vecInvertList.end());
    std::vector<int> vecCommon;
    Intersection(vecPrev, vecNext, first.unit_count, vecCommon);
    if (vecCommon.empty()) return false;
    candidate.vecInvertList.assign(vecCommon.begin(), vecCommon.end());

    // Neighbours of every position; handles below 0 (parts of a multi-word unit written over by a
    // summary) and outside the table are skipped.
    const long nTable = long(m_vecWordAV.size());
    const long nIds = long(m_vecWordIDList.size());
    const long U = candidate.unit_count;
    auto valid = [&](long h) { return h >= 0 && h < nTable; };
    for (int32_t p : candidate.vecInvertList) {
        if (p - 1 >= 0 && p - 1 < nIds) {
            const long h = m_vecWordIDList[size_t(p - 1)];
            if (valid(h)) {
                Add(int(h), candidate.vecLV);
                if (p - 1 >= 2 && BeginsWy(m_vecWordAV[size_t(h)].pos) && valid(m_vecWordIDList[size_t(p - 2)]))
                    Add(m_vecWordIDList[size_t(p - 2)], candidate.vecLV);
            }
        }
        if (p + U < nIds) {
            const long h = m_vecWordIDList[size_t(p + U)];
            if (valid(h)) {
                Add(int(h), candidate.vecRV);
                if (p + U + 1 < nIds && BeginsWy(m_vecWordAV[size_t(h)].pos) &&
                    valid(m_vecWordIDList[size_t(p + U + 1)]))
                    Add(m_vecWordIDList[size_t(p + U + 1)], candidate.vecRV);
            }
        }
    }
    return true;
}

int CKeyWordFinder::SetNewWord(int nPrev, int nNext, int nFreq) {
    const int nTable = int(m_vecWordAV.size());
    if (nPrev < 0 || nPrev >= nTable || nNext < 0 || nNext >= nTable) return 0;
    WORD_AV candidate;
    {
        const WORD_AV& first = m_vecWordAV[size_t(nPrev)];
        const WORD_AV& second = m_vecWordAV[size_t(nNext)];
        candidate.word = first.word;
        candidate.original_word = first.original_word;
        if (static_cast<unsigned char>(FirstOf(first.word)) < 0x80 &&
            static_cast<unsigned char>(FirstOf(second.word)) < 0x80) {
            candidate.word += ' ';
            candidate.original_word += ' ';
        } else if (first.word.size() == 2 && first.word == second.word) {
            return 0;
        }
        candidate.word += second.word;
        candidate.original_word += second.original_word;
        const tstring& sText = candidate.word;

        if ((g_pKeyBlackList && g_pKeyBlackList->Find(sText.c_str()) >= 0) || sText.size() > kMaxCandidateBytes)
            return -1;
        if (!m_bEnglishText && g_pCoreDict && g_pCoreDict->Find(sText.c_str()) >= 0) return 0;

        const char a = FirstOf(first.pos), b = FirstOf(second.pos);
        if (first.unit_count + second.unit_count > kMaxCandidateUnits || first.pos.empty() || second.pos.empty() ||
            b == 'a' || (b == 'd' && a == 'v') || ((b == 'q' || b == 'n') && a == 'm') || (a == 't' && b == 't'))
            return 0;

        const int idA = first.pos_id, idB = second.pos_id;
        if ((idA == 3 || idA == 11 || idA == 12 || idA == 13) && (idB == 68 || idB == 76 || b == 'a' || b == 'd')) {
            const int nTotal = m_pUnigram ? m_pUnigram->GetTotalFreq() : 0;
            if (nTotal > 0) {
                const double T = std::log(419.5 / double(nTotal));
                if (std::log(CMainSystem::GetUniProb(first.word.c_str())) > T ||
                    std::log(CMainSystem::GetUniProb(second.word.c_str())) > T)
                    return 0;
            }
        }
    }

    const int nKnown = m_trie->Find(candidate.word.c_str(), (unsigned long)candidate.word.size());
    if (nKnown >= 0) {
        // Known text: a candidate of this same pair is built again from the document as it is now;
        // anything else (a scanned word, a candidate of another split) stays as it is.
        const auto it = m_mapNewWordIndex.find(nKnown);
        if (it == m_mapNewWordIndex.end() || nKnown >= nTable) return 0;
        const NewWordSource& source = m_vecNewWordSource[it->second];
        if (source.prev != nPrev || source.next != nNext) return 0;
        if (!BuildCandidate(nPrev, nNext, nFreq, candidate)) return 0;
        m_vecNewWordInfo[it->second] = candidate;
        m_vecWordAV[size_t(nKnown)] = std::move(candidate);
        return 0;
    }
    if (!BuildCandidate(nPrev, nNext, nFreq, candidate)) return 0;

    // The trie hands out handles in order, so the new text's handle is the table's size; a trie
    // out of step with the table would mislabel every later word, so such a text is taken back.
    m_trie->AddTrie(candidate.word.c_str(), true);
    const int nHandle = m_trie->Find(candidate.word.c_str(), (unsigned long)candidate.word.size());
    if (nHandle != nTable) {
        if (nHandle >= 0) m_trie->DelTrie(candidate.word.c_str());
        return 0;
    }
    m_vecWordAV.push_back(candidate);
    m_mapNewWordIndex[nHandle] = m_vecNewWordInfo.size();
    m_vecNewWordInfo.push_back(std::move(candidate));
    m_vecNewWordSource.push_back(NewWordSource{nHandle, nPrev, nNext});
    return 0;
}

int CKeyWordFinder::GenerateNewWordList() {
    if (m_vecWordIDList.empty() || m_vecWordAV.empty()) return int(m_vecNewWordInfo.size());
    const int A = std::max<int>(2, int(m_vecWordIDList.size() / m_vecWordAV.size()));
    // The blacklist is replaceable at run time.
    CUserDictReadLock lock;
    const size_t nSize = m_vecWordAV.size();
    for (size_t i = 0; i < nSize; ++i) {
        // Copies: SetNewWord appends to the table, which may move its records.
        const WORD_AV& w = m_vecWordAV[i];
        const int id = w.pos_id;
        if (w.is_stopword || w.freq < A || id == 24 || id == 27 || id == 28 || id == 30) continue;
        if (!m_bEnglishText && w.unit_count == 1 && w.word.size() >= 5 && !CMainSystem::IsWord(w.word.c_str()))
            continue;
        if (m_bEnglishText && w.word.size() >= 2 && IsUpper(w.word[0]) && IsUpper(w.word[1])) {
            // Listed once, and copied again on every run so that its count follows the text.
            const auto it = m_mapNewWordIndex.find(int32_t(i));
            if (it != m_mapNewWordIndex.end()) {
                m_vecNewWordInfo[it->second] = w;
            } else {
                m_mapNewWordIndex[int32_t(i)] = m_vecNewWordInfo.size();
                m_vecNewWordInfo.push_back(w);
                m_vecNewWordSource.push_back(NewWordSource{int32_t(i), -1, -1});
            }
        }
        const int nFreqI = m_vecWordAV[i].freq;
        const std::vector<WORD_FREQ> vecLV = m_vecWordAV[i].vecLV;
        const std::vector<WORD_FREQ> vecRV = m_vecWordAV[i].vecRV;
        auto qualifies = [&](const WORD_FREQ& entry) {
            const int h = entry.handle;
            if (h < 0 || size_t(h) >= m_vecWordAV.size()) return false;
            const WORD_AV& n = m_vecWordAV[size_t(h)];
            const int c = entry.freq;
            if (n.is_stopword || c < 2) return false;
            if (!(c >= 0.4 * nFreqI || c >= 0.4 * n.freq)) return false;
            if (n.vecLV.size() + n.vecRV.size() < 4) return false;
            if (!m_bEnglishText && n.unit_count == 1 && !CMainSystem::IsWord(n.word.c_str())) return false;
            return !(n.pos_id == 24 || n.pos_id == 27 || n.pos_id == 28 || n.pos_id == 30);
        };
        for (const WORD_FREQ& entry : vecLV)
            if (qualifies(entry)) SetNewWord(entry.handle, int(i), entry.freq);
        for (const WORD_FREQ& entry : vecRV)
            if (qualifies(entry)) SetNewWord(int(i), entry.handle, entry.freq);
    }
    return int(m_vecNewWordInfo.size());
}

const char* CKeyWordFinder::GetNewWordList(int nOutFormat, int nMaxLim) {
    GenerateNewWordList();
    ComputeKeyWord(m_vecNewWordInfo, m_vecNewWordAVWeight, true);
    return GenerateResultString(nMaxLim, m_vecNewWordInfo, m_vecNewWordAVWeight, m_vecNewWordResult, false,
                                nOutFormat);
}

const std::vector<WORD_AV>& CKeyWordFinder::GetNewWordListE(int nOutFormat, int nMaxLim) {
    GenerateNewWordList();
    ComputeKeyWord(m_vecNewWordInfo, m_vecNewWordAVWeight, true);
    GenerateResultString(nMaxLim, m_vecNewWordInfo, m_vecNewWordAVWeight, m_vecNewWordResult, true, nOutFormat);
    return m_vecNewWordResult;
}
