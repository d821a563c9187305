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
    // FindInGroup answers 0 for an empty group; a negative id fails the unsigned test (a table's
    // bound is never negative, and without a table every group is empty).
    double b = unsigned(nHandle2) <= unsigned(nBigramBound) ? double(CBigram::FindInGroup(pPairs, nGroup, nHandle2))
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

    // The node of each slot's first word, and the slots that hold words (about half of them are
    // empty: second bytes).
    m_vecSlotOffset.resize(size_t(nLength) + 1);
    int* pOffset = m_vecSlotOffset.data();
    if (m_vecLiveSlot.size() < size_t(nLength)) m_vecLiveSlot.resize(size_t(nLength));
    int* pLive = m_vecLiveSlot.data();
    int nLive = 0;
    int nTotal = 0;
    for (int s = 0; s < nLength; ++s) {
        pOffset[s] = nTotal;
        const int nCount = pWordCounter[s];
        if (!pWordGraph[s] || nCount <= 0) continue;
        pLive[nLive++] = s;
        nTotal += nCount;
    }
    pOffset[nLength] = nTotal;
    if (m_vecNode.size() < size_t(nTotal)) m_vecNode.resize(std::max(size_t(nTotal), 2 * m_vecNode.size()));
    lattice_node* const pNode = m_vecNode.data();

    // Every table lookup of the sentence, in one loop of independent loads so that their cache
    // misses overlap, and each word's successor slot; then the search over the nodes.
    // The tables' pointers and bounds are copied first: the stores below could otherwise alias
    // them and have them read again for every word.
    const int32_t* const pUniCount = m_pUnigram ? m_pUnigram->GetCounts() : nullptr;
    const int nUniBound = pUniCount ? m_pUnigram->GetBound() : 0;
    const CBigram::group_table groups = m_pBigram ? m_pBigram->GetGroupTable() : CBigram::group_table{};
    const double dUnigramWeight = m_dUnigramWeight;
    const int nBase = pWordGraph[0][0].start;
    const int nLastSlot = nLength - 1;
    for (int nLiveIndex = 0; nLiveIndex < nLive; ++nLiveIndex) {
        const int s = pLive[nLiveIndex];
        const word_t* pSlot = pWordGraph[s];
        const int nCount = pWordCounter[s];
        lattice_node* pSlotNode = pNode + pOffset[s];
        for (int j = 0; j < nCount; ++j) {
            const word_t& w = pSlot[j];
            lattice_node& n = pSlotNode[j];
            const int h = w.handle;
            // CUnigram::GetFreq and CBigram::GetGroup over the copies.
            const double u = unsigned(h) < unsigned(nUniBound) ? double(pUniCount[h]) : 0.0;
            int nGroup = 0;
            const bigram_info* pPairs = groups.Get(h, &nGroup);
            if (nGroup > 0) __builtin_prefetch(pPairs + unsigned(nGroup) / 2);
            n.uniTerm = dUnigramWeight * (u + kUnigramSmoothing);
            n.freq = u;
            n.group = pPairs;
            n.word = &w;
            n.handle = h;
            n.groupSize = nGroup;
            // Successors lie in a later slot; the offsets count the words of the slots that hold
            // any, so an empty slot's count comes out 0.
            const int nNext = w.end - nBase + 1;
            const bool bNext = nNext > s && nNext <= nLastSlot;
            n.succ = bNext ? pOffset[nNext] : 0;
            n.succCount = bNext ? pOffset[nNext + 1] - pOffset[nNext] : 0;
        }
    }

    // The words of the last slot: the sentence-end atom, and (against the lattice contract) any
    // other word there, which has no successor.
    const int nEnd = pOffset[nLastSlot];
    for (int i = nEnd; i < nTotal; ++i) {
        pNode[i].score = kMinusInfinity;
        pNode[i].next = -1;
    }
    pNode[nEnd].score = 0;

    const int nBigramBound = m_pBigram ? m_pBigram->GetBound() : -1;
    // Copies of the members the loop reads: its stores could otherwise alias them.
    const double dSmoothingArg = m_dSmoothingArg, dBigramSmooth = m_dBigramSmooth;
    pair_entry* const pCache = m_vecPairCache.data();
    // Every word before the last slot, last first: its successors lie in later slots, already
    // scored (the order within a slot does not matter, as no word follows another of its slot).
    for (int i = nEnd - 1; i >= 0; --i) {
        lattice_node& w = pNode[i];
        double dBest = kMinusInfinity;
        int nBest = -1;
        const int nNextCount = w.succCount;
        if (nNextCount > 0) {
            const double dBigramWeight = dSmoothingArg / (dBigramSmooth + w.freq);
            const lattice_node* pNext = pNode + w.succ;
            const uint64_t nKeyHigh = PairKey(w.handle, 0);
            for (int k = 0; k < nNextCount; ++k) {
                const lattice_node& v = pNext[k];
                const double dScore = v.score;
                if (dScore == kMinusInfinity) continue;
                const uint64_t key = nKeyHigh | uint32_t(v.handle);
                pair_entry& e = pCache[PairSlot(key)];
                double dStep;
                if (e.key == key) {
                    dStep = e.value;
                } else {
                    dStep = StepLog(dBigramWeight, w.group, w.groupSize, nBigramBound, v.handle, v.uniTerm);
                    e.key = key;
                    e.value = dStep;
                }
                const double dCand = dScore + dStep;
                if (nBest < 0 || dCand > dBest) {
                    dBest = dCand;
                    nBest = k;
                }
            }
        }
        w.score = dBest;
        w.next = nBest;
    }

    // Follow the successors from the start atom (node 0).
    m_pWords.resize(size_t(nAtomSize));
    word_t* const pOut = m_pWords.data();
    int nOut = 0;
    int i = 0;
    while (nOut < nAtomSize) {
        const lattice_node& n = pNode[i];
        word_t& w = pOut[nOut++];
        w = *n.word;
        w.value = n.freq;
        if (n.next < 0) break;
        i = n.succ + n.next;
    }
    m_nWordCount = nOut;
    return nOut;
}
