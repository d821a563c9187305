// Bigram table: corpus frequencies of ordered word pairs (first id, second id).
//
// Two forms. The static form, which the file holds and GetFreq searches, is one pair array
// grouped by first id (each group sorted by second id) plus one index record per first id. The
// dynamic form, one sorted vector of pairs per first id, exists only for building a table;
// Dynamic2Static turns it into the static form.
//
// File format ("BiWord.big", little-endian): int32 size, int32 bound, size x {int32 handle2,
// int32 freq}, bound x {int32 start, int32 end} (end inclusive; a group is empty when start is
// -1 or end = start - 1).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "Utility/IndexRecord.h"
#include "Utility/Types.h"

class CByteReader;
class CPDAT;
class CWordList;

struct bigram_info {
    int32_t handle2 = -1;  // second word id
    int32_t freq = 0;
    bigram_info() = default;
    bigram_info(int32_t h2, int32_t f) : handle2(h2), freq(f) {}
};

// A build-time record: a pair with its first word id.
struct bigram_elem : bigram_info {
    int32_t handle1 = -1;
    bool operator<(const bigram_elem& o) const {
        return handle1 != o.handle1 ? handle1 < o.handle1 : handle2 < o.handle2;
    }
};

class CBigram {
public:
    // Read-only tables only load and answer; otherwise nSize > 0 creates the dynamic form for
    // first ids 0 .. nSize-1.
    CBigram(bool bReadOnly = true, int nSize = 0);
    virtual ~CBigram();
    CBigram(const CBigram&) = delete;
    CBigram& operator=(const CBigram&) = delete;

    // Loads the static form. False, with no message, when the file cannot be read, a count is
    // negative, the file is not exactly 8 + 8 size + 8 bound bytes long, an index record is
    // neither empty nor a range inside the pair array, or a group's second ids descend; the
    // current table is then kept. A successful load leaves a read-only table holding exactly
    // what was read (any dynamic form is dropped).
    bool Load(const char* sFilename);
    // The parser behind Load, for tests and fuzzers.
    bool LoadFromMemory(const unsigned char* pData, size_t nSize);

    // Frequency of the pair; 0 for a pair the table does not hold or an id out of range.
    // Thread-safe for readers.
    int GetFreq(int nHandle1, int nHandle2) const;
    // The pairs of one first id, sorted by second id, for callers that look up many pairs of the
    // same first word; *pCount pairs (0 and null for an empty group or an id out of range).
    // Valid while the table is neither loaded again nor rebuilt. Thread-safe for readers.
    const bigram_info* GetGroup(int nHandle1, int* pCount) const { return GetGroupTable().Get(nHandle1, pCount); }
    // GetGroup over copies of the table's pointers and bound, for loops that look up many groups
    // and would otherwise read them again after every store. Valid like GetGroup's results.
    struct group_table {
        const index_t* pIndex = nullptr;
        const bigram_info* pData = nullptr;
        int nBound = 0;
        const bigram_info* Get(int nHandle1, int* pCount) const {
            *pCount = 0;
            // One unsigned test for both ends (nBound is 0 without an index).
            if (unsigned(nHandle1) >= unsigned(nBound)) return nullptr;
            const index_t& x = pIndex[nHandle1];
            if (x.start == -1 || x.end < x.start) return nullptr;
            *pCount = x.end - x.start + 1;
            return pData + x.start;
        }
    };
    group_table GetGroupTable() const {
        return group_table{m_pIndex.get(), m_pData.get(), m_pIndex ? m_nBound : 0};
    }
    // Pairs in a cache line: below twice that, the search's remaining probes need no prefetch.
    static constexpr int kPrefetchSpan = int(2 * 64 / sizeof(bigram_info));
    // Frequency of the second id within such a group (branch-free binary search); 0 when absent.
    static int FindInGroup(const bigram_info* pGroup, int nCount, int nHandle2) {
        if (nCount <= 0) return 0;
        const bigram_info* p = pGroup;
        // Unsigned counts: halving and indexing need no sign handling.
        size_t n = size_t(nCount);
        while (n > size_t(kPrefetchSpan)) {
            const size_t nHalf = n / 2;
            // Both possible next probes are fetched while this one is compared, so the cache
            // misses of a large group overlap instead of following one another.
            __builtin_prefetch(p + nHalf / 2);
            __builtin_prefetch(p + nHalf + nHalf / 2);
            p = p[nHalf].handle2 <= nHandle2 ? p + nHalf : p;
            n -= nHalf;
        }
        // The last probes lie within a cache line or two already fetched: the same steps without
        // the prefetches.
        while (n > 1) {
            const size_t nHalf = n / 2;
            p = p[nHalf].handle2 <= nHandle2 ? p + nHalf : p;
            n -= nHalf;
        }
        return p->handle2 == nHandle2 ? p->freq : 0;
    }
    int GetSize() const { return m_nSize; }
    int GetBound() const { return m_nBound; }

    // ---- building (offline) -----------------------------------------------------------------

    // Adds freq to the pair (inserting it in order when new). Returns its position in id1's
    // vector; 0 for a read-only table; -1 (nothing changes) for id1 outside [0, bound) or a
    // negative id2.
    int AddItem(int nID1, int nID2, int nFreq);
    // Dynamic form: erases the pairs below the threshold.
    void FilterWithThreshold(int nThreshold);
    // Dynamic form: drops pairs seen fewer than 3 times, then builds the static form from the
    // vectors (which are kept). False, after printing a message, when memory runs out.
    bool Dynamic2Static();
    // Read-only form: keeps the pairs of at least the threshold, compacted in order, and
    // rebuilds the index over them ((-1, -1) for an emptied group).
    void SelectWithThreshold(int nThreshold);
    // Writes the static form. A table that is not read-only and holds a dynamic form is first
    // converted with Dynamic2Static. False, writing nothing, when the conversion or the write
    // fails.
    bool Save(const char* sFilename);
    // Lists "first\tsecond\tfreq\n" per pair; false when the file cannot be written.
    bool Export(const char* sFilename, const CWordList& wordList) const;
    // Text importer: "first@second freq" lines (bFlag) or "first second freq" lines; pairs are
    // kept in (first, second) order, repeats adjacent in file order. Returns the pair count, 0
    // when the file cannot be opened.
    int Import(const char* sFilename, const CPDAT& dict, bool bFlag);
    // Sorts records [lo, hi] (inclusive) by (handle1, handle2), stable for repeated pairs.
    static void qksort(bigram_elem* pData, int lo, int hi);

    // Exchanges the whole contents (both forms and the mode) with other. Not thread-safe.
    void Swap(CBigram& other);

private:
    static bool ParseImage(CBigram& tmp, CByteReader& in);
    // Builds the static form from records sorted by first id, with bound index entries.
    bool BuildStatic(const std::vector<bigram_elem>& vecRecords, int nBound);

    std::vector<std::vector<bigram_info>> m_pHashTable;  // dynamic form; empty when read-only
    bool m_bReadOnly = true;
    int32_t m_nSize = 0;                     // number of pairs of the static form
    std::unique_ptr<bigram_info[]> m_pData;  // the pairs, grouped by first id
    int32_t m_nBound = 0;                    // index entries
    std::unique_ptr<index_t[]> m_pIndex;     // group of each first id, end inclusive
};
