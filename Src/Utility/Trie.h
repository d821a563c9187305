// CTrie: the user dictionary, a linked trie of words with a tag text (up to 39 bytes) and a count
// each, whose nodes live in a CDynamicArry, so that words can be added at any time. Deleting only
// unmarks a word; a deleted word that is added again gets a new handle. Handles of present or
// deleted words are never reused: once INT_MAX handles have been given out, adding a new word is
// refused. Taking an addition back (TakeBack) is different: it returns the word to the state it
// had before it was added, removes the nodes that only the addition needed and gives their memory
// and the word's handle back (the next new word gets it), so words added for a while leave no
// trace and use no handles up.
//
// File (UserDict.pdat, little-endian): int32 item count, int32 deletion count, int32 head index,
// then the node store block (see DynamicArray.h).
//
// Thread safety: no lock of its own. The const lookups (Find, the GetMaxWord/GetFreq forms that
// take a tag buffer) may run on many threads while nobody changes the trie; AddTrie, DelTrie,
// Load, Import and the forms that store the tag in the shared m_sCurPos need exclusive access.
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <vector>

#include "Utility/DynamicArray.h"
#include "Utility/Types.h"

class CPDAT;

class CTrie {
public:
    // An empty trie: no node, item and deletion counts 0.
    CTrie();
    virtual ~CTrie();
    CTrie(const CTrie&) = delete;
    CTrie& operator=(const CTrie&) = delete;

    // Adds one entry: with bWholeWord the whole line is the word (tag "n"), otherwise the line is
    // "word tag" (a missing tag is "n"). Returns 1 when the word is new, or when nothing is added
    // (a line of 1024 bytes or more, a tag of 40 bytes or more, an empty word, a word whose count
    // or a new handle would pass INT_MAX); 2 when it was
    // present or added before (a deleted word added again gets a new handle). The tag is replaced
    // and the count raised.
    int AddTrie(const char* sLine, bool bWholeWord = false);
    // Sets the tag (cut to 39 bytes) and the count of a present word, keeping its handle. False,
    // nothing changed, when the word is absent or deleted.
    bool SetWordInfo(const char* sWord, const char* sPOS, int nFreq);
    // Handle of the first blank-delimited token of the text; -1 when absent, deleted, or the
    // text is 1024 bytes or longer.
    int Find(const char* sWordO) const;
    // Handle of the first nLen bytes as one word; -1 when absent or deleted.
    int Find(const char* sWord, unsigned long nLen) const;
    // Deletes the whole text as a word; its old handle, or -1 when it is not present.
    int DelTrie(const char* sWord);
    // Takes back the additions of a word made since it was absent: the word is no longer present,
    // its count and tag become nFreq and sPOS (what a deleted word kept, read with GetEntry; 0 and
    // anything for a word the trie did not know), and the nodes left with no word, no count and
    // no child are removed. Its handle is given back: the item count falls back over the handles
    // given back at its top (never below 1, so a trie that held words still saves). The deletion
    // count is not changed. Returns the handle the word had (-1 when it was not present), or -1
    // when the trie has no node for the word.
    int TakeBack(const char* sWord, const char* sPOS, int nFreq);
    // The count kept at the node of the whole text, present or deleted (0 when no word ends there
    // or the trie has no such node), its handle through nHandle (-1 when not present) and its tag
    // into the caller's 40-byte buffer (emptied when the count is 0). Safe for concurrent readers.
    int GetEntry(const char* sWord, int& nHandle, char* sPos) const;
    // Byte length of the longest present word at the start of the line (0 when none) and its
    // handle (-1 when none); stores its tag in m_sCurPos (read with GetPos). -1 when the trie has
    // no node or rtnHandle is null.
    int GetMaxWord(const char* sLine, int* rtnHandle);
    // The same, copying the tag into the caller's 40-byte buffer (when found) instead of the
    // shared m_sCurPos; safe for concurrent readers. A line whose first character starts no
    // word is answered here, without the call.
    int GetMaxWord(const char* sLine, int* rtnHandle, char* sPos) const {
        if (rtnHandle && sLine && sLine[0] && m_iHeadIndex >= 0 && !MayStartWith(FirstCode(sLine))) {
            *rtnHandle = -1;
            return 0;
        }
        return LongestMatch(sLine, rtnHandle, sPos);
    }
    // What the three-argument GetMaxWord reads before its walk (the first-character filter and
    // whether there is a head), copied once by a caller that looks up at every character of a
    // text. Valid while the trie is neither changed, loaded nor destroyed (the caller holds it
    // against writers); safe for concurrent readers.
    class View {
    public:
        View() = default;
        explicit View(const CTrie& trie)
            : m_pTrie(&trie), m_pFirstCodes(trie.m_vecFirstCodes.data()), m_bHead(trie.m_iHeadIndex >= 0) {}
        // The trie viewed (null for a default view).
        const CTrie* Trie() const { return m_pTrie; }
        // GetMaxWord(sLine, rtnHandle, sPos) of the trie (sLine and rtnHandle not null).
        int GetMaxWord(const char* sLine, int* rtnHandle, char* sPos) const {
            if (sLine[0] && m_bHead) {
                if (!HasFirstCode(m_pFirstCodes, FirstCode(sLine))) {
                    *rtnHandle = -1;
                    return 0;
                }
            }
            return m_pTrie->LongestMatch(sLine, rtnHandle, sPos);
        }

    private:
        const CTrie* m_pTrie = nullptr;
        const uint64_t* m_pFirstCodes = nullptr;
        bool m_bHead = false;
    };
    // Copies nSize bytes (at most 40) of m_sCurPos into sPos, ending them with a NUL.
    void GetPos(char* sPos, int nSize) const;
    // Count of a present word, its handle through nHandle (0 when not found) and its tag into
    // m_sCurPos; -1 when absent, deleted or when the trie has no node.
    int GetFreq(const char* sWord, int& nHandle);
    // The same, copying the tag into the caller's 40-byte buffer; safe for concurrent readers.
    int GetFreq(const char* sWord, int& nHandle, char* sPos) const;
    // The item count (handles given out).
    int GetLowerBound() const { return m_nItemCount; }
    // True when the trie keeps no word, present or deleted: it has no node below its head (every
    // word added was taken back, or none was added).
    bool HoldsNoWord() const;
    // The item count plus one.
    int GetWordNum() const { return m_nItemCount + 1; }
    int GetDelNum() const { return m_nItemDelNum; }

    // Writes the file through a temporary file. False (no file) when the item count is 0 or the
    // file cannot be written.
    bool Save(const char* sFileName) const;
    // Reads the file. False, trie unchanged, when it cannot be read, its item count is 0, or it is
    // malformed (negative counts, bad indexes, a cycle among the nodes, bytes after the nodes).
    bool Load(const char* sFileName);
    bool Parse(const unsigned char* pData, size_t nSize);
    std::vector<unsigned char> Serialize() const;

    // Offline: adds the first token of every line that is not present yet (tag "n"), with the
    // item count restarted at 0. pCoreDict is not used. Returns the item count.
    int Import(const char* sFilename, CPDAT* pCoreDict = nullptr);
    // Offline: every present word as "word\ttag\n", depth first. False when the name is null,
    // there is no item or node, or the file cannot be written.
    bool Export(const char* sFile) const;

    // The node store (for checks). Removed nodes not yet reclaimed stay in it, unlinked, with a
    // child count of -1, until RemovedNodes() outgrows the nodes in use or they reach its end.
    const CDynamicArry& Nodes() const { return *m_pDynamicArry; }
    int RemovedNodes() const { return m_nDeadNodes; }

private:
    int BuildTRIE(const char* sWord, const char* sPOS, int iTrieIndex);
    // The node of the whole word (nLen bytes), -1 when the walk fails; pPath, when given, receives
    // the nodes walked, the head first.
    int FindNode(const char* sWord, unsigned long nLen, std::vector<int>* pPath = nullptr) const;
    int LongestMatch(const char* sLine, int* pHandle, char* sPos) const;
    int FreqOf(const char* sWord, int& nHandle, char* sPos) const;
    // Unlinks the nodes at the end of the path that hold no word, count or child.
    void Prune(const std::vector<int>& vecPath);
    // Gives back the removed nodes at the end of the store, and compacts the store when the
    // removed nodes outnumber the others.
    void ReclaimNodes();
    // The new index of every node once the removed ones are squeezed out (-1 for a removed one),
    // and the number of nodes kept.
    int CompactMap(std::vector<int32_t>& vecMap) const;
    // A node in its compacted place: links renumbered through the map.
    static void Renumber(trie_elem& e, const std::vector<int32_t>& vecMap);
    void ReleaseHandle(int32_t nHandle);
    // The first-character filter: a bit per low 16 bits of the symbol of every child of the head,
    // set when such a child is created or loaded (deleting a word leaves its bit: a bit set for
    // nothing only costs the walk it would have saved).
    void MarkFirstCode(unsigned int nCode) { m_vecFirstCodes[(nCode & 0xFFFFu) >> 6] |= uint64_t(1) << (nCode & 63u); }
    // Symbol code of the first character of a NUL-terminated text (as the lookups code it).
    static unsigned int FirstCode(const char* sLine) {
        const unsigned char* s = reinterpret_cast<const unsigned char*>(sLine);
        if (s[0] >= 0x80 && s[1] != 0) return s[0] * 256u + s[1];
        return (s[0] >= 'A' && s[0] <= 'Z') ? s[0] + 32u : s[0];
    }
    // The bit of a first-character code in a filter of 65536 bits.
    static bool HasFirstCode(const uint64_t* pFirstCodes, unsigned int nCode) {
        return (pFirstCodes[(nCode & 0xFFFFu) >> 6] >> (nCode & 63u)) & 1u;
    }
    bool MayStartWith(unsigned int nCode) const { return HasFirstCode(m_vecFirstCodes.data(), nCode); }

    int32_t m_nItemCount;
    int32_t m_nItemDelNum;
    char m_sCurPos[40];
    std::unique_ptr<CDynamicArry> m_pDynamicArry;
    int32_t m_iHeadIndex;
    // Most positions of a text start no user word; the head's sibling chain is then walked in
    // full for nothing. This filter answers them at once.
    std::vector<uint64_t> m_vecFirstCodes;  // 65536 bits
    int32_t m_nDeadNodes = 0;               // removed nodes still in the store
    // Handles given back below the item count's top, given out again first; never more than the
    // handles given out to words taken back.
    std::set<int32_t> m_setFreeHandles;
};
