// CDynamicArry: the node store of the user-dictionary trie, a growable array of 64-byte
// `trie_elem` records addressed by index. It grows by 10000 records at a time, so indexes stay
// valid across growth while record pointers do not: re-fetch them with GetElem after NewElem.
// Its owner may drop records from the end (Truncate), which gives the growth back.
//
// File block (little-endian, at the file's current position): int32 records in use N, int32
// records allocated, then the N records (fields in the order below).
//
// Not thread-safe; the trie's owner guards it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

class CByteReader;
class CByteWriter;

// One trie node of 64 bytes; its meaning belongs to the user-dictionary trie.
struct trie_elem {
    uint32_t node;       // symbol code
    int32_t child_count; // number of children
    int32_t children;    // first child, -1 none
    int32_t handle;      // handle of the word ending here, -1 none
    char sPos[40];       // NUL-terminated tag text
    int32_t nextNode;    // next sibling, -1 none
    int32_t freq;        // times the word was added
};
static_assert(sizeof(trie_elem) == 64, "trie_elem is a 64-byte file record");
static_assert(offsetof(trie_elem, child_count) == 4 && offsetof(trie_elem, children) == 8 &&
                  offsetof(trie_elem, handle) == 12 && offsetof(trie_elem, sPos) == 16 &&
                  offsetof(trie_elem, nextNode) == 56 && offsetof(trie_elem, freq) == 60,
              "trie_elem field offsets");

class CDynamicArry {
public:
    // 10000 zero-filled records allocated, none in use.
    CDynamicArry();
    ~CDynamicArry();
    CDynamicArry(const CDynamicArry&) = delete;
    CDynamicArry& operator=(const CDynamicArry&) = delete;

    // Index of a new zero-filled record; the array first grows by 10000 records when full.
    // -1 (nothing changes) when it cannot grow (memory, or past INT32_MAX records).
    int NewElem();
    // Drops the records from nNum on (0 <= nNum <= records in use; false, nothing changed,
    // otherwise); they are zero-filled, and the allocation shrinks to TotalFor(nNum), its memory
    // given back.
    bool Truncate(int nNum);
    // The records allocated for nNum records in use: the allocation the array had when built
    // (10000) or loaded, raised by whole growth steps until nNum fit, and at most nNum + 10000
    // (what a block may hold). So an array that grew and was truncated to its old size has its old
    // allocation again, and its block its old bytes.
    int32_t TotalFor(int32_t nNum) const;
    // Points pElem at record iIndex when the index is valid; otherwise false, pElem unchanged.
    bool GetElem(int iIndex, trie_elem*& pElem);
    bool GetElem(int iIndex, const trie_elem*& pElem) const;
    // 0 <= iIndex < records in use (false when none is in use).
    bool ValidateIndex(int iIndex) const;
    bool Empty() const { return m_nElemNum == 0; }
    bool Full() const { return m_nElemNum >= m_nTotalNum; }
    void GetElemNum(int& num) const { num = m_nElemNum; }
    int GetTotalNum() const { return m_nTotalNum; }
    // Records in use x 64 bytes.
    void GetBufSize(int& nSize) const { nSize = int(size_t(m_nElemNum) * sizeof(trie_elem)); }
    void GetBufPoint(void*& pBuf) { pBuf = m_pData.data(); }

    // Writes the block at the file's position. False for a null file or a short write.
    bool Save(FILE* fp) const;
    // Reads a block at the file's position. False, array unchanged, for a null file, a short read
    // or counts that do not fit the file (N < 0, allocated < N, allocated > N + 10000, or N
    // records beyond the file's end).
    bool Load(FILE* fp);
    // The same over bytes: appends the block / reads it from the reader's position.
    void Save(CByteWriter& w) const;
    bool Load(CByteReader& r);
    // Appends a block of nNum records with nTotal allocated, as Save writes it.
    static void SaveBlock(CByteWriter& w, const trie_elem* pRecords, int32_t nNum, int32_t nTotal);

private:
    std::vector<trie_elem> m_pData;  // m_nTotalNum records
    int32_t m_nElemNum;              // records in use
    int32_t m_nTotalNum;             // records allocated
    int32_t m_nBaseNum;              // records allocated when built or loaded
};
