#include "MERIDOX/Segment/Segment.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "MERIDOX/Segment/PreProcess.h"
#include "Utility/Bigram.h"
#include "Utility/Unigram.h"

namespace {

const double kBigramSmoothing = 0.00001;
const double kUnigramSmoothing = 0.5;
const double kMinusInfinity = -std::numeric_limits<double>::infinity();

}  // namespace

CSegment::CSegment(CPDAT* pCoreDict, CUnigram* pUnigram, CBigram* pBigram)
    : m_pCoreDict(pCoreDict), m_pUnigram(pUnigram), m_pBigram(pBigram) {
    if (m_pUnigram) {
        m_dTotalFreq = double(m_pUnigram->GetTotalFreq());
        m_dTotalItem = double(m_pUnigram->GetItemCount());
    }
    m_dBigramSmooth = m_dTotalItem * kBigramSmoothing;
    // λ's complement as written: 1.0 − 0.95.
    m_dUnigramWeight = (1.0 - m_dSmoothingArg) / (m_dTotalFreq + m_dTotalItem * kUnigramSmoothing);
    // The pair (-1, -1): no unigram count, no pairs.
    const double dFreq = m_pUnigram ? double(m_pUnigram->GetFreq(-1)) : 0.0;
    int nGroup = 0;
    const bigram_info* pPairs = m_pBigram ? m_pBigram->GetGroup(-1, &nGroup) : nullptr;
    const double dValue = StepLog(m_dSmoothingArg / (m_dBigramSmooth + dFreq), pPairs, nGroup,
                                  m_pBigram ? m_pBigram->GetBound() : -1, -1,
                                  m_dUnigramWeight * (dFreq + kUnigramSmoothing));
    m_vecPairCache.assign(size_t(1) << kPairCacheBits, pair_entry{PairKey(-1, -1), dValue});
}

CSegment::~CSegment() = default;

// Inlined into the search loop, whose misses take this path.
__attribute__((always_inline)) inline double CSegment::StepLog(double dBigramWeight, const bigram_info* pPairs,
                                                               int nGroup, int nBigramBound, int nHandle2,
                                                               double dUniTerm) {
    double b = (nGroup > 0 && nHandle2 >= 0 && nHandle2 <= nBigramBound)
                   ? double(CBigram::FindInGroup(pPairs, nGroup, nHandle2))
                   : 0.0;
    return std::log(dBigramWeight * (b + kBigramSmoothing) + dUniTerm);
}

int CSegment::BiSegment(CPreProcess& preProcess) {
    return BiSegment(preProcess.GetWordGraph(), preProcess.GetGraphLength(), preProcess.GetWordCounter(),
                     preProcess.GetAtomCount());
}

int CSegment::BiSegment(word_t** pWordGraph, int nLength, int* pWordCounter, int nAtomSize) {
    m_nWordCount = 0;
    if (!pWordGraph || !pWordCounter || nLength < 2 || nAtomSize < 1) return 0;
    if (pWordCounter[0] < 1 || !pWordGraph[0] || pWordCounter[nLength - 1] < 1 || !pWordGraph[nLength - 1])
        return 0;

    // Flat arrays over all lattice words, slot after slot (capacity only grows).
    m_vecSlotOffset.resize(size_t(nLength) + 1);
    int* pOffset = m_vecSlotOffset.data();
    // The slots that hold words, in order (about half of them are empty: second bytes).
    if (m_vecLiveSlot.size() < size_t(nLength)) m_vecLiveSlot.resize(size_t(nLength));
    int* pLive = m_vecLiveSlot.data();
    int nLive = 0;
    auto Grow = [this](size_t n) {
        if (m_vecScore.size() >= n) return;
        n = std::max(n, 2 * m_vecScore.size());
        m_vecScore.resize(n);
        m_vecNext.resize(n);
        m_vecFreq.resize(n);
        m_vecUniTerm.resize(n);
        m_vecGroup.resize(n);
        m_vecGroupSize.resize(n);
    };
    Grow(size_t(nLength) * 2);
    double* pFreq = m_vecFreq.data();
    double* pUniTerm = m_vecUniTerm.data();
    const bigram_info** pGroup = m_vecGroup.data();
    int* pGroupSize = m_vecGroupSize.data();

    // First every table lookup of the sentence, in one loop of independent loads so that their
    // cache misses overlap; then the search over the gathered values.
    // The tables' pointers and bounds are copied first: the stores below could otherwise alias
    // them and have them read again for every word.
    const int32_t* const pUniCount = m_pUnigram ? m_pUnigram->GetCounts() : nullptr;
    const int nUniBound = pUniCount ? m_pUnigram->GetBound() : 0;
    const CBigram::group_table groups = m_pBigram ? m_pBigram->GetGroupTable() : CBigram::group_table{};
    const double dUnigramWeight = m_dUnigramWeight;
    size_t nCapacity = m_vecScore.size();
    int nTotal = 0;
    for (int s = 0; s < nLength; ++s) {
        pOffset[s] = nTotal;
        const word_t* pSlot = pWordGraph[s];
        const int nCount = pWordCounter[s];
        if (!pSlot || nCount <= 0) continue;
        pLive[nLive++] = s;
        if (size_t(nTotal) + size_t(nCount) > nCapacity) {
            Grow(size_t(nTotal) + size_t(nCount));
            nCapacity = m_vecScore.size();
            pFreq = m_vecFreq.data();
            pUniTerm = m_vecUniTerm.data();
            pGroup = m_vecGroup.data();
            pGroupSize = m_vecGroupSize.data();
        }
        for (int j = 0; j < nCount; ++j, ++nTotal) {
            int h = pSlot[j].handle;
            // CUnigram::GetFreq and CBigram::GetGroup over the copies.
            double u = (h >= 0 && h < nUniBound) ? double(pUniCount[h]) : 0.0;
            pFreq[nTotal] = u;
            pUniTerm[nTotal] = dUnigramWeight * (u + kUnigramSmoothing);
            int nGroup = 0;
            const bigram_info* pPairs = groups.Get(h, &nGroup);
            if (nGroup > 0) __builtin_prefetch(pPairs + nGroup / 2);
            pGroup[nTotal] = pPairs;
            pGroupSize[nTotal] = nGroup;
        }
    }
    pOffset[nLength] = nTotal;

    const int nBase = pWordGraph[0][0].start;
    const int nLastSlot = nLength - 1;
    double* pScore = m_vecScore.data();
    int* pNextIndex = m_vecNext.data();

    // The sentence-end atom.
    {
        int o = pOffset[nLastSlot];
        pScore[o] = 0;
        pNextIndex[o] = -1;
    }
    const int nBigramBound = m_pBigram ? m_pBigram->GetBound() : -1;
    // Copies of the members the loop reads: its stores could otherwise alias them.
    const double dSmoothingArg = m_dSmoothingArg, dBigramSmooth = m_dBigramSmooth;
    pair_entry* const pCache = m_vecPairCache.data();
    // Every slot before the last that holds words, last first (the last live slot is the end atom's).
    for (int nLiveIndex = nLive - 2; nLiveIndex >= 0; --nLiveIndex) {
        const int s = pLive[nLiveIndex];
        const word_t* pSlot = pWordGraph[s];
        const int nCount = pWordCounter[s];
        int o = pOffset[s];
        for (int j = 0; j < nCount; ++j) {
            const word_t& w = pSlot[j];
            double dBest = kMinusInfinity;
            int nBest = -1;
            // Successors lie in a later slot, already scored.
            int nNext = w.end - nBase + 1;
            if (nNext > s && nNext <= nLastSlot && pWordGraph[nNext] && pWordCounter[nNext] > 0) {
                double dBigramWeight = dSmoothingArg / (dBigramSmooth + pFreq[o + j]);
                // The pairs of w, searched for each successor.
                int nGroup = pGroupSize[o + j];
                const bigram_info* pPairs = pGroup[o + j];
                const word_t* pNext = pWordGraph[nNext];
                int on = pOffset[nNext];
                const uint64_t nKeyHigh = PairKey(w.handle, 0);
                const int nNextCount = pWordCounter[nNext];
                for (int k = 0; k < nNextCount; ++k) {
                    double dScore = pScore[on + k];
                    if (dScore == kMinusInfinity) continue;
                    int h2 = pNext[k].handle;
                    const uint64_t key = nKeyHigh | uint32_t(h2);
                    pair_entry& e = pCache[PairSlot(key)];
                    double dStep;
                    if (e.key == key) {
                        dStep = e.value;
                    } else {
                        dStep = StepLog(dBigramWeight, pPairs, nGroup, nBigramBound, h2, pUniTerm[on + k]);
                        e.key = key;
                        e.value = dStep;
                    }
                    double dCand = dScore + dStep;
                    if (nBest < 0 || dCand > dBest) {
                        dBest = dCand;
                        nBest = k;
                    }
                }
            }
            pScore[o + j] = dBest;
            pNextIndex[o + j] = nBest;
        }
    }

    // Follow the successors from the start atom.
    m_pWords.resize(size_t(nAtomSize));
    word_t* const pOut = m_pWords.data();
    int nOut = 0;
    int s = 0, j = 0;
    while (nOut < nAtomSize) {
        word_t w = pWordGraph[s][j];
        int o = pOffset[s] + j;
        w.value = pFreq[o];
        pOut[nOut++] = w;
        int nNextIndex = pNextIndex[o];
        if (nNextIndex < 0) break;
        int nNext = w.end - nBase + 1;
        if (nNext <= s || nNext > nLastSlot || nNextIndex >= pWordCounter[nNext]) break;
        s = nNext;
        j = nNextIndex;
    }
    m_nWordCount = nOut;
    return nOut;
}
