// Unigram table: one 32-bit count per word id of a dictionary, with the number of counted words
// and the sum of all counts.
//
// File format (".unig", ".ung"; little-endian): int32 size, int32 bound, int32 total, then
// bound + 1 int32 counts (ids 0 .. bound; the count of id = bound is stored but never answered).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "Utility/Types.h"

class CByteReader;
class CPDAT;
class CWordList;

// One (word id, count) record of a listing.
struct unigram_elem {
    int32_t handle = -1;
    int32_t freq = 0;
    bool operator<(const unigram_elem& other) const { return handle < other.handle; }
};

// True when a is more frequent than b (descending frequency).
bool less_unigram_cmp(const unigram_elem& a, const unigram_elem& b);

class CUnigram {
public:
    // n > 0: a table of bound n with n + 1 zeroed counts; otherwise an empty table.
    explicit CUnigram(int n = -1);
    virtual ~CUnigram();
    CUnigram(const CUnigram&) = delete;
    CUnigram& operator=(const CUnigram&) = delete;

    // Loads a table. False, with no message, when the file cannot be read, its bound is negative
    // or it is not exactly 12 + 4 (bound + 1) bytes long; the current table is then kept.
    bool Load(const char* sFilename);
    // The parser behind Load, for tests and fuzzers.
    bool LoadFromMemory(const unsigned char* pData, size_t nSize);

    // Count of a word id; 0 for an id outside [0, bound). Thread-safe for readers.
    int GetFreq(int nID) const {
        if (nID < 0 || nID >= m_nBound || !m_pData) return 0;
        return m_pData[nID];
    }
    // The total and the item count as stored (or accumulated), never recomputed.
    int GetTotalFreq() const { return m_nTotal; }
    int GetItemCount() const { return m_nSize; }
    int GetBound() const { return m_nBound; }
    // The counts of ids 0 .. GetBound()-1 for callers that read many (null for an empty table).
    // Valid while the table is neither loaded again nor changed. Thread-safe for readers.
    const int32_t* GetCounts() const { return m_pData.get(); }

    // ---- building (offline) -----------------------------------------------------------------

    // Writes the table; false (old file untouched) on failure.
    bool Save(const char* sFilename) const;
    // Adds freq to the id's count and to the total (not to the item count); returns freq, or 0
    // for an id outside [0, bound).
    int AddFreq(int nID, int nFreq);
    // Adds the other table's counts of ids 0 .. bound-1 (0 where it has none) and its total;
    // returns the new total.
    int AddFreq(const CUnigram& other);
    // Fills vecOut with (id, count) for every id of a positive count, most frequent first
    // (equal counts in no fixed order); returns the number of records.
    int OutputFreq(std::vector<unigram_elem>& vecOut) const;
    // Writes "word\tcount\n" per record of OutputFreq, the words taken from the list. False when
    // the file cannot be opened ("Failed open file " + path as the last error and a log line).
    bool Export(const char* sFilename, const CWordList& wordList) const;
    // Text importer over "word count" lines, ids from the dictionary's exact lookup; writes the
    // listing sFilename + "_unigram_export.txt". A repeated word keeps the smaller count
    // (nMode 0), the larger (1), their sum (2) or the first (other). Returns the item count, 0
    // when a file cannot be opened.
    int Import(const char* sFilename, const CPDAT& dict, int nMode);
    // Sorts records [lo, hi] (inclusive) by word id, ascending.
    static void qksort(unigram_elem* pData, int lo, int hi);

    // Exchanges the whole contents with other. Not thread-safe.
    void Swap(CUnigram& other);

private:
    static bool ParseImage(CUnigram& tmp, CByteReader& in);

    int32_t m_nSize = 0;                 // words that carry a count
    int32_t m_nBound = 0;                // ids 0 .. bound-1 are answered
    int32_t m_nTotal = 0;                // sum of all counts
    std::unique_ptr<int32_t[]> m_pData;  // bound + 1 counts; null in an empty table
};
