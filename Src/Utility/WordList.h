// CWordList: turns a handle of a CPDAT dictionary back into text (the word itself, or any other
// text stored per word, such as a tag), stored in its own .wordlist file.
//
// File: int32 string count, int32 bound B, B + 1 int32 offsets (by handle; the last is 0), int32
// block size D, then the D-byte string block of NUL-terminated strings, XORed with the word-list key
// in enciphered lists. Little-endian.
//
// Thread safety: a loaded or completed list is read-only and GetWord may run on many threads;
// building, loading and saving need exclusive access.
#pragma once

#include <cstdint>
#include <vector>

#include "Utility/Types.h"

class CPDAT;

// One string while building: the handle and the string's offset in the block.
struct word_elem {
    int32_t handle;
    int32_t nWordIndex;
    bool operator<(const word_elem& other) const { return handle < other.handle; }
};

// A word with the text stored for it (its tag) and a weight; the field-dictionary import builds its
// lists from these.
struct WORD_INFO {
    tstring word;
    tstring store_info;
    int32_t weight;
    WORD_INFO() : weight(0) {}
};

class CWordList {
public:
    // An empty list whose string block is enciphered on disk when bEncript; pDict gives the
    // handles of AddWord(sWord) and of the text import (not owned, may be null). A build is begun.
    explicit CWordList(bool bEncript = false, CPDAT* pDict = nullptr);
    virtual ~CWordList();
    CWordList(const CWordList&) = delete;
    CWordList& operator=(const CWordList&) = delete;

    // Reads the file. False, list unchanged, when it cannot be read or is malformed.
    bool Load(const char* sFilename);
    // Parses a file image (what Load reads). False, list unchanged, when malformed (bytes after
    // the word block included).
    bool Parse(const unsigned char* pData, size_t nSize);
    // Writes the file through a temporary file (the block enciphered in a copy). False on failure.
    bool Save(const char* sFilename) const;
    // The file image Save writes.
    std::vector<unsigned char> Serialize() const;

    // The string of a handle below the bound (a handle without its own string reads the first
    // one); "" for any other handle. The text lives as long as the list's content.
    const char* GetWord(int handle) const;
    // Number of strings stored.
    int GetItemCount() const { return int(m_nSize); }
    // Handle bound: handles 0..bound-1 have text.
    int GetBound() const { return m_nBound; }
    // Allocated size of the string block in bytes.
    int GetBlockMemSize() const { return m_nWordListMemSize; }
    bool IsEncript() const { return m_bEncript; }

    // Builds the list from records: each record found by pCoreDict (or the list's own dictionary
    // when null) stores its store_info (bStoredInfo) or its word under the word's handle; a later
    // record of the same handle wins. The bound becomes the dictionary's item count. Returns the
    // number of strings stored.
    int Import(std::vector<WORD_INFO>& vecWordInfo, CPDAT* pCoreDict, bool bStoredInfo);

    // Building word by word: AddWordInit, any number of AddWord, one AddWordComplete.
    void AddWordInit();
    // Stores the text under the handle. A negative handle is logged and adds nothing (-1).
    // Returns the handle.
    int AddWord(const char* sWord, int nHandle);
    // Stores the word under the handle its dictionary gives it (a leading UTF-8 byte-order mark
    // skipped).
    int AddWord(const char* sWord);
    // Builds the offsets from the added strings (once).
    void AddWordComplete();

    // Sorts [lo, hi] (inclusive) of a pair array ascending by handle. The builder does not need
    // it: AddWordComplete places every pair by its handle directly.
    static void qksort(word_elem* pData, int lo, int hi);

    // Offline text import: one word per line (or a bracketed phrase), handles from pCoreDict,
    // words echoed to sFilename + "_wordlist_export.txt". Returns the number of strings stored.
    int Import(const char* sFilename, CPDAT* pCoreDict);
    // Offline text export of the string of every handle below the dictionary's item count, one
    // per line, except the words listed in sExpFilename (may be null) that the dictionary finds,
    // begin with a byte of 0x80 or more and are 3 bytes or longer. 0, or 1 when the result file
    // cannot be opened.
    int Export(const char* sResultFilename, CPDAT* pCoreDict, const char* sExpFilename);

private:
    // Appends the text and its NUL to the block, growing it in 0xFA000-byte steps; its offset, or
    // -1 when the block cannot hold it.
    int32_t AppendText(const char* sText);
    void BuildOffsets(const std::vector<word_elem>& pairs);

    uint32_t m_nSize;                    // strings stored
    int32_t m_nBound;                    // handle bound
    std::vector<int32_t> m_pData;        // offset by handle, m_nBound + 1 entries (the last 0)
    std::vector<char> m_pWordListBuf;    // the string block (its size is the allocated size)
    int32_t m_nWordListMemSize;          // allocated size of the block
    int32_t m_nWordListDataSize;         // bytes of the block in use
    std::vector<word_elem> m_vecPair;    // (handle, offset) pairs while building
    CPDAT* m_pDict;                      // not owned
    bool m_bEncript;
    bool m_bAddCompleted;
};
