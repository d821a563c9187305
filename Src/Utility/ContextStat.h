// Tag-context statistics: how often each tag followed each other tag, and the smoothed
// transition probability the HMM taggers multiply along a path.
//
// File format (".ctx", little-endian, no alignment):
//   uint8 N
//   [N x 100 bytes of NUL-padded tag names, only in files saved from the named form]
//   int32 total, N x int32 per-tag frequency, N x N x int32 counts (row = previous tag)
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "Utility/Types.h"

class CByteReader;
class CPOSmap;

class CContextStat {
public:
    CContextStat();
    virtual ~CContextStat();
    CContextStat(const CContextStat&) = delete;
    CContextStat& operator=(const CContextStat&) = delete;

    // ---- run time -----------------------------------------------------------------------

    // Loads a ".ctx" file; bOriginal says the file carries tag names. False when the file cannot
    // be read or its length is not exactly what its N announces, a total or count is negative, or
    // the names are out of order (the named getters search them); the current statistics are then
    // kept whole. No message is written.
    bool Load(const char* sFilename, bool bOriginal = false);
    // The parser behind Load, for tests and fuzzers.
    bool LoadFromMemory(const unsigned char* pData, size_t nSize, bool bOriginal = false);

    // Per-tag frequency of a previous tag; 0 for a tag >= N.
    int GetFrequency(tuchar nTag) const;
    // Smoothed probability that nCurID follows nPrevID, always in [0.00001, 1]:
    // ((c x 0.9) / f + (f x 0.1) / T) x 0.99999 + 0.00001 for a seen pair (the second term 0
    // when T <= 0), and 0.00001 for an unseen pair, a tag without frequency or a tag >= N.
    // Thread-safe for concurrent readers.
    double GetContextPossibility(tuchar nPrevID, tuchar nCurID) const;

    tuchar GetTableLen() const { return m_nTableLen; }
    int GetTotalFrequency() const { return m_nTotalFreq; }

    // ---- building (offline) -----------------------------------------------------------------

    // Named form: N = n names, sorted in place (ASCII case-insensitively) in the caller's array
    // and copied (at most 100 bytes each); zeroed counts. False for n outside 0..255 or a null
    // name, leaving the statistics as they were.
    bool SetSymbol(int n, char** sSymbols);
    // Unnamed form of N tags with zeroed counts.
    bool SetSymbol(tuchar n);
    // Adds n to count[prev][cur], to prev's frequency and to the total; false for a tag >= N.
    bool Add(tuchar nPrevID, tuchar nCurID, int n);
    // The same with names looked up in the symbol table; false if either name is missing.
    bool Add(const char* sPrev, const char* sCur, int n);
    // Named getters; 0 and 0.00001 for a missing name.
    int GetFrequency(const char* sTag) const;
    double GetContextPossibility(const char* sPrev, const char* sCur) const;
    // Id of a name in the symbol table, -1 when absent (or no names).
    int GetSymbolID(const char* sTag) const;
    // Frees everything; the statistics are empty (N = 0) afterwards.
    bool Destroy();

    // Writes the binary file and its text view sFilename + ".shw". Column and row heads come
    // from the names, else from pTagSet, else tag numbers. Both files are written to temporaries
    // first; on any failure neither old file is touched and the result is false.
    bool Save(const char* sFilename, const CPOSmap* pTagSet = nullptr) const;
    // Writes the text view alone; false when the file cannot be written.
    bool Export(const char* sFilename, const CPOSmap* pTagSet = nullptr) const;

    // Exchanges the whole contents with other. Not thread-safe.
    void Swap(CContextStat& other);

private:
    std::string TextView(const CPOSmap* pTagSet) const;
    static bool ParseImage(CContextStat& tmp, CByteReader& in, bool bOriginal);
    int32_t Count(int prev, int cur) const { return m_aContextArray[size_t(prev) * m_nTableLen + cur]; }

    tuchar m_nTableLen = 0;                      // N, the number of tags
    std::unique_ptr<char[]> m_pSymbolTable;      // N slots of 101 bytes, sorted; null if unnamed
    std::unique_ptr<int32_t[]> m_aContextArray;  // N x N counts, row = previous tag
    std::unique_ptr<int32_t[]> m_aTagFreq;       // N per-tag frequencies
    int32_t m_nTotalFreq = 0;
};
