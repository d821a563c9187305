// CSegment: the bigram path search. Chooses the path through a sentence's word lattice, from the
// sentence-start atom to the sentence-end atom, whose sum of log transition probabilities is
// highest:
//
//   P(w, v) = λ (B(w, v) + 0.00001) / (N × 0.00001 + U(w)) + (1 − λ) (U(v) + 0.5) / (F + N × 0.5)
//
// with U the unigram count (0 for a negative handle), B the bigram count, N the unigram item
// count, F its total and λ 0.95. Ties keep the first word of a slot (the atom itself).
//
// Memory: the path, the score and successor arrays belong to the instance and are reused from
// sentence to sentence (capacity kept). The stores are borrowed, must outlive the instance and
// must stay unchanged while it lives (it keeps the scores of the word pairs it has met).
// Thread safety: one thread at a time per instance; the stores are only read.
#pragma once

#include <cstdint>
#include <vector>

#include "MERIDOX/include/EngineRecords.h"

class CPDAT;
class CUnigram;
class CBigram;
struct bigram_info;
class CPreProcess;

class CSegment {
public:
    // Borrows the stores; N and F are taken from the unigram table now (0 without one).
    CSegment(CPDAT* pCoreDict, CUnigram* pUnigram, CBigram* pBigram);
    virtual ~CSegment();
    CSegment(const CSegment&) = delete;
    CSegment& operator=(const CSegment&) = delete;

    // Best path through the lattice of nLength slots (pWordCounter[k] words in pWordGraph[k]):
    // slot 0 holds the sentence-start atom, the successors of a word ending at line offset e lie
    // in slot e - base + 1 where base is the start atom's start, and the last slot holds only the
    // sentence-end atom. Fills the path (at most nAtomSize words, start atom first, end atom
    // last, each with its unigram count in `value`) and returns its word count; 0 for an empty
    // lattice. A word whose successor slot is empty or out of range scores −∞ and is never
    // chosen.
    int BiSegment(word_t** pWordGraph, int nLength, int* pWordCounter, int nAtomSize);
    // The same over the lattice of a pre-processor's last FullSegment.
    int BiSegment(CPreProcess& preProcess);

    // The last path: GetWordCount() words. The taggers write tags into them and the person-name
    // automaton may shorten the array through GetWordCountPtr(). Valid until the next BiSegment.
    word_t* GetWords() { return m_pWords.data(); }
    int GetWordCount() const { return m_nWordCount; }
    int* GetWordCountPtr() { return &m_nWordCount; }

private:
    std::vector<word_t> m_pWords;  // the best path
    int m_nWordCount = 0;
    [[maybe_unused]] CPDAT* m_pCoreDict;  // held, not used by the search
    CUnigram* m_pUnigram;
    CBigram* m_pBigram;
    double m_dSmoothingArg = 0.95;
    double m_dTotalFreq = 0;
    double m_dTotalItem = 0;
    // Terms fixed per table: N × 0.00001 and (1 − λ) / (F + N × 0.5).
    double m_dBigramSmooth = 0;
    double m_dUnigramWeight = 0;

    // One lattice word with everything the search reads of it, as first word of its steps and as
    // successor, in one cache line.
    struct alignas(64) lattice_node {
        double score;                // best score of a path from here to the sentence end
        double uniTerm;              // (1 − λ) (U + 0.5) / (F + N × 0.5)
        double freq;                 // U
        const bigram_info* group;    // the word's pairs as first word
        const word_t* word;          // the lattice word
        int32_t handle;
        int32_t groupSize;
        int32_t succ;                // node of the successor slot's first word
        int32_t succCount;           // words of the successor slot; 0 for none
        int32_t next;                // chosen successor (index in its slot); -1 for none
    };
    // Per-call arrays (capacity kept): the node of each slot's first word, the slots that hold
    // words, and the nodes of all lattice words, slot after slot.
    std::vector<int> m_vecSlotOffset;
    std::vector<int> m_vecLiveSlot;
    std::vector<lattice_node> m_vecNode;

    // ln P(w, v) of recent word pairs, by the two handles (direct-mapped). The step score is a
    // function of the two handles alone while the tables stay unchanged, so a hit returns the
    // very value the bigram lookup and the ln would give, without either. Every entry holds
    // a pair with its own score (the cache starts filled with the pair (-1, -1)).
    struct pair_entry {
        uint64_t key;  // first handle in the high half, second in the low half
        double value;
    };
    static constexpr size_t kPairCacheBits = 14;
    std::vector<pair_entry> m_vecPairCache;
    static uint64_t PairKey(int nHandle1, int nHandle2) {
        return (uint64_t(uint32_t(nHandle1)) << 32) | uint32_t(nHandle2);
    }
    static size_t PairSlot(uint64_t key) { return size_t((key * 0x9E3779B97F4A7C15ull) >> (64 - kPairCacheBits)); }
    // ln P(w, v) from the pair's terms: the bigram weight λ / (N × 0.00001 + U(w)), w's pairs as
    // first word (nGroup of them), the bigram table's bound, v's handle and v's unigram term.
    double StepLog(double dBigramWeight, const bigram_info* pPairs, int nGroup, int nBigramBound, int nHandle2,
                   double dUniTerm);
};
