#include "MERIDOX/Tagger/HMMTagger.h"

#include <algorithm>
#include <cmath>

#include "Utility/ContextStat.h"
#include "Utility/FSA.h"
#include "Utility/Settings.h"

namespace {

// Transition probability of a pair the statistics never saw (CContextStat's floor).
const double kUnseenTransition = 0.00001;

const double* LogFreqTable() {
    static const std::vector<double> table = [] {
        std::vector<double> t(CHMMTagger::kLogFreqTableSize);
        for (int f = 0; f < CHMMTagger::kLogFreqTableSize; ++f) t[size_t(f)] = std::log(double(f) + 0.02);
        return t;
    }();
    return table.data();
}

}  // namespace

CHMMTagger::CHMMTagger(CPOS* pPOSData, CContextStat* pContextData, double dItemCount, int nDefaultPos,
                       bool bMergedNames)
    : m_POSDefault{tuchar(nDefaultPos), 0},
      m_PunctuationCandidate{tuchar(kPunctuationTag), 0},
      m_pPOSData(pPOSData),
      m_pContextData(pContextData),
      m_dTotalItemCount(dItemCount),
      m_nDefaultPOS(nDefaultPos),
      m_bMergedNames(bMergedNames) {
    m_nContextLen = pContextData ? pContextData->GetTableLen() : 0;
    // The table's tags by falling frequency; tags at or beyond its length share the last place,
    // whose transitions are the unseen floor that GetContextPossibility answers for all of them.
    std::vector<int> order(static_cast<size_t>(m_nContextLen));
    for (int t = 0; t < m_nContextLen; ++t) order[size_t(t)] = t;
    if (pContextData)
        std::stable_sort(order.begin(), order.end(), [pContextData](int a, int b) {
            return pContextData->GetFrequency(tuchar(a)) > pContextData->GetFrequency(tuchar(b));
        });
    const size_t side = size_t(m_nContextLen) + 1;
    for (int t = 0; t < 256; ++t) m_aTagColumn[t] = m_nContextLen;
    for (int r = 0; r < m_nContextLen; ++r) m_aTagColumn[order[size_t(r)]] = r;
    for (int t = 0; t < 256; ++t) m_aTagRow[t] = int32_t(size_t(m_aTagColumn[t]) * side);
    m_dLogTrans.assign(side * side, std::log(kUnseenTransition));
    if (pContextData)
        for (int a = 0; a < m_nContextLen; ++a)
            for (int b = 0; b < m_nContextLen; ++b)
                m_dLogTrans[size_t(m_aTagRow[a] + m_aTagColumn[b])] =
                    std::log(pContextData->GetContextPossibility(tuchar(a), tuchar(b)));
    for (int t = 0; t < 256; ++t) {
        int g = pContextData ? pContextData->GetFrequency(tuchar(t)) : 0;
        m_dLogTagTerm[t] = std::log(double(g) + m_dTotalItemCount * 0.02);
    }
    m_pLogFreqTable = LogFreqTable();
}

CHMMTagger::~CHMMTagger() = default;

void CHMMTagger::Grow(int nCount, size_t nCandidates) {
    // The tables only grow, so a warm tagger neither allocates nor clears them.
    if (m_pCounter.size() < size_t(nCount)) {
        m_pCounter.resize(size_t(nCount));
        m_pFirst.resize(size_t(nCount));
        m_pCandidatePOS.resize(size_t(nCount));
    }
    if (m_pWeight.size() < nCandidates) {
        m_pWeight.resize(nCandidates);
        m_pPrevIdx.resize(nCandidates);
    }
}

int CHMMTagger::Tagging(word_t* pWords, int nCount) {
    if (!pWords || nCount < 1) return 0;
    Reserve(nCount, 0);
    // The table's pointers are copied: the stores below could otherwise alias them.
    const CPOS::pos_table table = m_pPOSData ? m_pPOSData->GetTable() : CPOS::pos_table{};
    size_t nCells = 0;
    for (int i = 0; i < nCount; ++i) {
        int n = 0;
        const POS_info* p = Candidates(table, pWords[i], &n);
        m_pCandidatePOS[size_t(i)] = p;
        m_pCounter[size_t(i)] = n;
        m_pFirst[size_t(i)] = int32_t(nCells);
        nCells += size_t(n);
    }
    Reserve(nCount, nCells);
    m_nItemCount = nCount;

    double* weight = m_pWeight.data();
    int32_t* prevIdx = m_pPrevIdx.data();
    const double* logTrans = m_dLogTrans.data();

    // The sentence start: every candidate scores 0 with predecessor 0.
    for (int j = 0; j < m_pCounter[0]; ++j) {
        weight[j] = 0;
        prevIdx[j] = 0;
    }
    for (int i = 1; i < nCount; ++i) {
        const POS_info* prev = m_pCandidatePOS[size_t(i) - 1];
        const int nPrev = m_pCounter[size_t(i) - 1];
        const double* prevWeight = weight + m_pFirst[size_t(i) - 1];
        const POS_info* cur = m_pCandidatePOS[size_t(i)];
        double* curWeight = weight + m_pFirst[size_t(i)];
        int32_t* curPrev = prevIdx + m_pFirst[size_t(i)];
        for (int j = 0; j < m_pCounter[size_t(i)]; ++j) {
            const double* column = logTrans + m_aTagColumn[cur[j].POS_id];
            double best = prevWeight[0] + column[m_aTagRow[prev[0].POS_id]];
            int bestK = 0;
            for (int k = 1; k < nPrev; ++k) {
                double v = prevWeight[k] + column[m_aTagRow[prev[k].POS_id]];
                if (v > best) {  // the first candidate keeps a tie
                    best = v;
                    bestK = k;
                }
            }
            curWeight[j] = best + (LogFreq(cur[j].freq) - m_dLogTagTerm[cur[j].POS_id]);
            curPrev[j] = bestK;
        }
    }

    // Back from the first candidate of the last word (the sentence end has a single one).
    const int nNameHandle = gUnknown_nr_ID;
    int j = 0;
    for (int i = nCount - 1; i >= 0; --i) {
        word_t& w = pWords[i];
        w.POS_id = m_pCandidatePOS[size_t(i)][j].POS_id;
        if (m_bMergedNames && w.handle == nNameHandle) {
            // A person name merged by the role automaton: its tag is the one the automaton
            // stored in its type.
            w.POS_id = w.type;
            w.type = 'f';
        }
        j = prevIdx[m_pFirst[size_t(i)] + j];
    }
    return 0;
}

bool CHMMTagger::MayMergeNames(const word_t* pWords, int nCount, const CFSA& nameFSA) const {
    const int nStates = nameFSA.GetStateCount();
    const int nInputs = nameFSA.GetInputSetSize();
    // An empty automaton merges nothing.
    if (!pWords || nCount < 2 || nStates <= 0 || nInputs <= 0) return false;
    if (nStates > 64) return true;
    // The states that some run reaches after one word or more, over every choice of candidates
    // (a run may start at any word).
    // No state moves on a role beyond the automaton's inputs, such as (in the shipped data) the
    // one candidate of a word without candidates, the role most words take: such a word ends
    // every run.
    const bool bDefaultMoves = m_POSDefault.POS_id < nInputs;
    const bool bPunctuationMoves = m_PunctuationCandidate.POS_id < nInputs;
    const CPOS::pos_table table = m_pPOSData ? m_pPOSData->GetTable() : CPOS::pos_table{};
    uint64_t run = 0;
    for (int i = 0; i < nCount; ++i) {
        const word_t& w = pWords[i];
        int n = 0;
        const POS_info* p = table.Get(w.handle, &n);
        if (!p || n <= 0) {
            // The word's own candidate, as Candidates gives it.
            const bool bPunctuation = w.type >= 1 && w.type <= 4;
            if (!(bPunctuation ? bPunctuationMoves : bDefaultMoves)) {
                run = 0;
                continue;
            }
            p = bPunctuation ? &m_PunctuationCandidate : &m_POSDefault;
            n = 1;
        }
        uint64_t next = 0;
        for (int j = 0; j < n; ++j) {
            const int nRole = p[j].POS_id;
            if (nRole >= nInputs) continue;
            const int t = nameFSA.GetNext(0, nRole);
            if (t >= 0) next |= uint64_t(1) << t;
            for (uint64_t m = run; m; m &= m - 1) {
                const int u = nameFSA.GetNext(__builtin_ctzll(m), nRole);
                if (u < 0) continue;
                if (nameFSA.IsAccepted(u)) return true;
                next |= uint64_t(1) << u;
            }
        }
        run = next;
    }
    return false;
}

int TagSentenceWords(word_t* pWords, int nCount, CHMMTagger* pRoleTagger, const CFSA* pNameFSA,
                     CHMMTagger* pPOSTagger, std::vector<int>& vecNameIndex) {
    vecNameIndex.clear();
    if (!pWords || nCount < 1) return nCount;
    // The role pass matters only through the names it merges when the part-of-speech pass
    // follows: that pass reads handles and types alone and writes every word's tag. So when no
    // tagging of the roles could merge a name, both role steps are left out.
    if (pRoleTagger && (!pPOSTagger || !pNameFSA || pRoleTagger->MayMergeNames(pWords, nCount, *pNameFSA))) {
        pRoleTagger->Tagging(pWords, nCount);
        if (pNameFSA) pNameFSA->MaxPR(pWords, &nCount, gUnknown_nr_ID, vecNameIndex);
    }
    if (pPOSTagger) pPOSTagger->Tagging(pWords, nCount);
    return nCount;
}
