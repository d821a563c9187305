// Part-of-speech candidate tables: for each word id, the tags the word can carry with their
// corpus frequencies, in ascending tag id order. The same format holds person-name roles.
//
// File format (".pos", ".role"; little-endian): int32 size, int32 bound, size x 8-byte records
// {uint8 POS_id, 3 padding bytes (written as 0), int32 freq}, bound x {int32 start, int32 count}
// (start -1 for a word without candidates; count is a number of records, not a position).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "Utility/IndexRecord.h"
#include "Utility/Types.h"

class CByteReader;
class CPDAT;
class CPOSmap;
class CWordList;

// One tag candidate: tag id (255 = none) and frequency.
struct POS_info {
    tuchar POS_id = 255;
    int32_t freq = 0;
};

// A build-time record: a candidate with its word id.
struct POS_elem : POS_info {
    int32_t handle = -1;
    bool operator<(const POS_elem& o) const {
        return handle != o.handle ? handle < o.handle : POS_id < o.POS_id;
    }
};

class CPOS {
public:
    CPOS();
    virtual ~CPOS();
    CPOS(const CPOS&) = delete;
    CPOS& operator=(const CPOS&) = delete;

    // Loads a table. False, with no message, when the file cannot be read, a count is negative,
    // the file is not exactly 8 + 8 size + 8 bound bytes long, or an index entry is neither -1 nor
    // a group of at least one record inside the array; the current table is then kept.
    bool Load(const char* sFilename);
    // The parser behind Load, for tests and fuzzers.
    bool LoadFromMemory(const unsigned char* pData, size_t nSize);

    // The candidates of a word: sets *npPOSCount and returns the first candidate (owned by the
    // table, valid while it lives); null and count 0 for an id outside [0, bound) or a word
    // without candidates. Thread-safe for readers.
    const POS_info* GetPOS(int nHandle, int* npPOSCount) const {
        int n = 0;
        const POS_info* p = GetTable().Get(nHandle, &n);
        if (npPOSCount) *npPOSCount = n;
        return p;
    }
    // GetPOS over copies of the table's pointers and bound, for loops that look up many words and
    // would otherwise read them again after every store. Valid like GetPOS's results.
    struct pos_table {
        const index_t* pIndex = nullptr;
        const POS_info* pData = nullptr;
        int nBound = 0;
        const POS_info* Get(int nHandle, int* npPOSCount) const {
            // One unsigned test for both ends (nBound is 0 without an index).
            if (unsigned(nHandle) < unsigned(nBound) && pIndex[nHandle].start >= 0) {
                *npPOSCount = pIndex[nHandle].end;
                return pData + pIndex[nHandle].start;
            }
            *npPOSCount = 0;
            return nullptr;
        }
    };
    pos_table GetTable() const { return pos_table{m_pIndex.get(), m_pData.get(), m_pIndex ? m_nBound : 0}; }
    // The word's lowest tag id (not its most frequent); 255 when it has none.
    tuchar GetPOS(int nID) const;
    // Frequency of one tag of the word; 0 when the word or the tag is missing.
    int GetPOSFreq(int nHandle, int nPOSid) const;
    int GetSize() const { return m_nSize; }
    int GetBound() const { return m_nBound; }

    // ---- building and listing (offline) -------------------------------------------------------

    // The most frequent candidate (the lowest tag id on ties); null when there is none.
    const POS_info* GetMaxPOS(int nID) const;
    // Appends (tag, freq, word id) for every candidate of every word id not in vecSkip; returns
    // the vector's size.
    int GetAllItem(std::vector<POS_elem>& vecOut, const std::vector<int>& vecSkip) const;
    // Builds the table from records (sorted in place by word id, then tag id; a repeated tag
    // keeps its larger frequency). Records whose word id lies outside [0, nBound) are not
    // indexed. Returns the number of input records.
    int Import(std::vector<POS_elem>& vecRecords, int nBound);
    // Text importer: "word tag freq" lines with tag names looked up in pTagSet, or "word id freq"
    // lines without one; words missing from the dictionary are logged and skipped. Returns the
    // number of records kept, 0 when the file cannot be opened.
    int Import(const char* sFilename, const CPDAT& dict, const CPOSmap* pTagSet);
    // Writes the table; false (old file untouched) on failure.
    bool Save(const char* sFilename) const;
    // Lists "word\ttag\tfreq\n" (tag names from pTagSet, else tag ids) per candidate; false when
    // the file cannot be written.
    bool Export(const char* sFilename, const CPOSmap* pTagSet, const CWordList& wordList) const;
    // Sorts records [lo, hi] (inclusive) by (handle, POS_id).
    static void qksort(POS_elem* pData, int lo, int hi);

    // Exchanges the whole contents with other. Not thread-safe.
    void Swap(CPOS& other);

private:
    static bool ParseImage(CPOS& tmp, CByteReader& in);

    std::unique_ptr<POS_info[]> m_pData;  // all candidates, grouped by word id
    int32_t m_nSize = 0;                  // entries of m_pData
    int32_t m_nBound = 0;                 // index entries
    std::unique_ptr<index_t[]> m_pIndex;  // per word id: first entry and number of entries
};
