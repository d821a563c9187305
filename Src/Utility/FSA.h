// Role automaton: a deterministic finite automaton over tag ids that merges runs of person-name
// roles into one word.
//
// File format ("nr.fsa", little-endian):
//   int32 M (input symbols), int32 N (states), N x int32 accepting flags (1 = accepting),
//   N x int32 tag id per state, N x M x int32 next state (row = state; -1 none).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "MERIDOX/include/EngineRecords.h"

class CByteReader;

struct _transitive {
    int32_t state_to = -1;  // next state; -1 = no transition
};

class CFSA {
public:
    CFSA();
    virtual ~CFSA();
    CFSA(const CFSA&) = delete;
    CFSA& operator=(const CFSA&) = delete;

    // Loads "nr.fsa". False when the file cannot be read, M or N is negative, the file is not
    // exactly as long as its counts require, or a next state lies outside [-1, N); the current
    // automaton is then kept. No message is written.
    bool Load(const char* sFilename);
    // The parser behind Load, for tests and fuzzers.
    bool LoadFromMemory(const unsigned char* pData, size_t nSize);

    // Merges, in place, every run of two or more words whose role ids (POS_id) the automaton
    // accepts: the run becomes a copy of its first word spanning the run, with handle
    // nNERHandle and type = the accepting state's tag id. *pCount shrinks by the words removed.
    // vecResultIndex is cleared and receives the new positions of the merged words, ascending.
    // A run still open at the end of the array is closed as if a word without transition
    // followed. An empty automaton changes nothing. Returns 0. Thread-safe for concurrent calls
    // on distinct word arrays.
    int MaxPR(word_t* pWords, int* pCount, int nNERHandle, std::vector<int>& vecResultIndex) const;

    int GetStateCount() const { return m_nStateCount; }
    int GetInputSetSize() const { return m_nInputSetSize; }
    // Next state of (state, input); -1 for no transition or arguments out of range.
    int GetNext(int nState, int nInput) const {
        if (nState < 0 || nState >= m_nStateCount || nInput < 0 || nInput >= m_nInputSetSize) return -1;
        return m_pTransData[size_t(nState) * size_t(m_nInputSetSize) + size_t(nInput)].state_to;
    }
    bool IsAccepted(int nState) const {
        return nState >= 0 && nState < m_nStateCount && m_pStateAccepted[nState] == 1;
    }
    int GetAcceptedTag(int nState) const;

    // ---- building (offline) -----------------------------------------------------------------

    // Writes the automaton in the file format; false (old file untouched) on failure.
    bool Save(const char* sFilename) const;
    // Reads a text automaton: line 2 N, line 4 M, line 6 the accepting states, line 8 their tag
    // ids in the same order, from line 10 "state input next" transitions (lines 1, 3, 5, 7 and
    // 9 are captions). Out-of-range states, surplus tag ids and out-of-range transitions are
    // ignored. False when the file cannot be opened or N or M is negative (or too large to
    // hold); the current automaton is then kept.
    bool Import(const char* sFilename);
    // Writes a listing (a layout of its own, not read back by Import); false on failure.
    bool Export(const char* sFilename) const;

    // Exchanges the whole contents with other. Not thread-safe.
    void Swap(CFSA& other);

private:
    static bool ParseImage(CFSA& tmp, CByteReader& in);
    bool Allocate(int32_t nStates, int32_t nInputs);

    int32_t m_nStateCount = 0;                  // N; state 0 is the start state
    std::unique_ptr<int32_t[]> m_pStateAccepted;  // N flags, 1 = accepting
    std::unique_ptr<int32_t[]> m_pPosIdAccepted;  // N tag ids given by accepting states
    int32_t m_nInputSetSize = 0;                // M
    std::unique_ptr<_transitive[]> m_pTransData;  // N rows of M cells
};
