// Tagging the words of a sentence with a first-order hidden Markov model (Viterbi search), and
// the person-name pass built on it.
//
// One class serves both taggers of an engine instance:
//   part-of-speech tagger: CHMMTagger(g_pCorePOS, g_pPOSContext, item count of g_pUnigram, 21)
//   person-role tagger:    CHMMTagger(g_pPersonRole, g_pPersonContext, item count of g_pUnigram,
//                                     22, false)
// The candidates of a word and their frequencies come from the candidate table, the transitions
// from the context statistics. Scores are natural logarithms:
//   transition  ln T(previous tag, tag)              T = CContextStat::GetContextPossibility
//   emission    ln(f + 0.02) - ln(G(tag) + N x 0.02) f = the candidate's frequency,
//                                                    G = CContextStat::GetFrequency,
//                                                    N = the item count given at construction
//
// Driving one sentence (the words of the path search: word 0 the sentence start 始##始, the last
// the sentence end 末##末, handles, offsets and types filled in):
//
//   std::vector<int> names;                    // kept by the caller between sentences
//   nCount = TagSentenceWords(words, nCount, pRoleTagger, g_pPersonFSA, pPOSTagger, names);
//
// runs the role tagger, merges the accepted role runs into person names with CFSA::MaxPR (the
// array shrinks in place; the merged words get handle gUnknown_nr_ID and the automaton's tag id
// in `type`), then the part-of-speech tagger, which turns each merged word's stored tag id into
// its POS_id and marks it 'f'. Either tagger may be null to leave its pass out. When the
// part-of-speech pass follows and no tagging of the roles could merge a name (MayMergeNames),
// the role pass and the merge are left out: the result is the same.
//
// Thread safety: a tagger keeps per-call score tables, so one tagger serves one thread at a
// time (each engine instance owns its own two). The tables and statistics it reads are shared
// and must stay unchanged while it lives.
#pragma once

#include <cstdint>
#include <vector>

#include "MERIDOX/include/EngineRecords.h"
#include "Utility/LnCache.h"
#include "Utility/POS.h"

class CContextStat;
class CFSA;

// Tag given to a punctuation word (character class 1 to 4) that has no candidates.
const int kPunctuationTag = 78;

class CHMMTagger {
public:
    // A tagger over the candidate table pPOSData and the transition statistics pContextData
    // (borrowed, not owned; either may be null: no candidates, every transition unseen; both
    // must outlive the tagger and stay unchanged while it lives), with dItemCount as N and
    // nDefaultPos the tag of a word without candidates. With bMergedNames (the part-of-speech
    // tagger) a word with handle gUnknown_nr_ID takes its `type` as its tag and the type 'f';
    // the role tagger, which runs before the names are merged, passes false. The logarithms of
    // the transitions and of the tag terms are computed here, once.
    CHMMTagger(CPOS* pPOSData, CContextStat* pContextData, double dItemCount, int nDefaultPos,
               bool bMergedNames = true);
    virtual ~CHMMTagger();
    CHMMTagger(const CHMMTagger&) = delete;
    CHMMTagger& operator=(const CHMMTagger&) = delete;

    // Writes POS_id of each of the nCount words (and, for merged person names, `type`) with the
    // best tag sequence that ends in the first candidate of the last word; ties go to the
    // candidate listed first. A word without candidates takes tag 78 when its type is 1 to 4,
    // else the default tag. Nothing changes when nCount is below 1 or pWords is null. Always
    // returns 0. The score tables are kept and reused by the next call: once they are large
    // enough, a call allocates nothing.
    int Tagging(word_t* pWords, int nCount);

    // Whether CFSA::MaxPR over these words could merge anything once this (role) tagger had
    // tagged them: true when some run of two or more words, each taking any of its candidates
    // (the default ones included), leads the automaton from its start state to an accepting
    // state; so false means that no tagging whatever gives a merge. Also true when the
    // automaton has more than 64 states. Reads the words only; thread-safe.
    bool MayMergeNames(const word_t* pWords, int nCount, const CFSA& nameFSA) const;

    // Frequencies below this bound take ln(f + 0.02) from a table shared by all taggers.
    static constexpr int kLogFreqTableSize = 4096;

private:
    // The candidates of a word: its list in the candidate table, else a list of one, the
    // punctuation candidate for types 1 to 4 and the default candidate otherwise.
    const POS_info* Candidates(const word_t& w, int* pCount) const {
        return Candidates(m_pPOSData ? m_pPOSData->GetTable() : CPOS::pos_table{}, w, pCount);
    }
    // The same through a copy of the table's pointers (see CPOS::GetTable).
    const POS_info* Candidates(const CPOS::pos_table& table, const word_t& w, int* pCount) const {
        int n = 0;
        const POS_info* p = table.Get(w.handle, &n);
        if (p && n > 0) {
            *pCount = n;
            return p;
        }
        *pCount = 1;
        return (w.type >= 1 && w.type <= 4) ? &m_PunctuationCandidate : &m_POSDefault;
    }
    // ln(f + 0.02), from the table for the small frequencies that most candidates have, and from
    // the tagger's own ln cache for the others (exactly the value std::log gives).
    double LogFreq(int32_t nFreq) {
        return (nFreq >= 0 && nFreq < kLogFreqTableSize) ? m_pLogFreqTable[nFreq]
                                                          : m_lnFreqCache.Log(double(nFreq) + 0.02);
    }
    // Grows the per-call tables to nCount words and nCandidates cells (they only grow).
    void Reserve(int nCount, size_t nCandidates) {
        if (m_pCounter.size() < size_t(nCount) || m_pWeight.size() < nCandidates) Grow(nCount, nCandidates);
    }
    void Grow(int nCount, size_t nCandidates);

    int m_nItemCount = 0;                  // words of the last call
    std::vector<int32_t> m_pCounter;       // per word: number of candidates
    std::vector<int32_t> m_pFirst;         // per word: its first cell in the two tables below
    std::vector<int32_t> m_pPrevIdx;       // per word and candidate: best previous candidate
    std::vector<double> m_pWeight;         // per word and candidate: best score ending there
    std::vector<const POS_info*> m_pCandidatePOS;  // per word: its candidates (see Tagging)
    const POS_info m_POSDefault;           // the default candidate: m_nDefaultPOS, frequency 0
    const POS_info m_PunctuationCandidate;  // a punctuation word's: kPunctuationTag, frequency 0
    CPOS* m_pPOSData;                      // candidate table
    [[maybe_unused]] CContextStat* m_pContextData;  // transition statistics (read at construction)
    double m_dTotalItemCount;              // N
    [[maybe_unused]] int m_nDefaultPOS;    // default tag id (m_POSDefault holds it)
    bool m_bMergedNames;                   // merged person names take their stored tag

    int m_nContextLen = 0;                 // tags of the statistics
    // ln T in a (len + 1)^2 table, row = previous tag, column = tag. The tags are placed by
    // falling frequency (ties by id), so that the transitions a text mostly meets lie together in
    // the table's first rows and columns instead of across all of it; the tags the statistics do
    // not hold share the last row and column (every transition from or to them is unseen).
    std::vector<double> m_dLogTrans;
    // Per tag id: its column and the offset of its row (column x (len + 1)), read once per
    // candidate.
    int32_t m_aTagColumn[256];
    int32_t m_aTagRow[256];
    double m_dLogTagTerm[256];             // per tag: ln(G(tag) + N x 0.02)
    const double* m_pLogFreqTable = nullptr;  // the shared small-frequency table (read-only)
    CLnCache m_lnFreqCache{9};             // ln(f + 0.02) of the larger frequencies
};

// Tags one sentence in place: role tagging with pRoleTagger, the person-name merge of pNameFSA
// (handle gUnknown_nr_ID; vecNameIndex receives the positions of the merged names), then
// part-of-speech tagging with pPOSTagger. A null role tagger leaves out the role pass and the
// merge, a null automaton the merge (vecNameIndex is cleared either way); a null part-of-speech
// tagger leaves out the last pass, and merged names keep the role of their first word in POS_id
// and the automaton's tag id in `type`. Returns the new word count (nCount when nothing merged; nCount when below 1).
int TagSentenceWords(word_t* pWords, int nCount, CHMMTagger* pRoleTagger, const CFSA* pNameFSA,
                     CHMMTagger* pPOSTagger, std::vector<int>& vecNameIndex);
