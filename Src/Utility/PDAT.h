// CPDAT: the double-array trie dictionary that maps a word (a byte string) to an integer handle.
//
// A dictionary is either under construction (words go into a pointer-free build trie through
// AddWord) or built (a double array of cells, packed by AddWordComplete or read by Load). Only a
// built dictionary answers lookups; a dictionary without cells answers -1 or 0 to all of them.
//
// Thread safety: the const lookups (Find, GetMaxWord, GetWords, the MMSegment form with caller
// buffers, MMScan with caller buffers) change nothing and may run on many threads at once over a
// loaded dictionary. Everything that builds, loads, counts terms or writes the dictionary's own
// result buffer needs exclusive access.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Utility/Types.h"

// One cell of the double array: child offset, parent cell, handle. Free cells hold -1, -1, -1.
//  base  > 0  inner cell that ends no word; children lie at base + symbol id
//  base <= 0  word end (when handle >= 0); children at -base, and -base == own index means none
//  check      parent cell, -2 for a child of the root
struct state {
    int32_t base;
    int32_t check;
    int32_t handle;
};
typedef state* PSTATE;

// A counted term: its text and count (-1 marks a filter term that is never counted).
struct _stTermFreq {
    tstring word;
    int32_t freq;
    _stTermFreq() : freq(0) {}
    explicit _stTermFreq(const char* sWord) : word(sWord ? sWord : ""), freq(1) {}
    // Greater frequency sorts first.
    bool operator<(const _stTermFreq& other) const { return freq > other.freq; }
};

// A term found in two counting dictionaries with its count in each and their sum.
struct _stSameTermFreq : public _stTermFreq {
    int32_t freq2;
    int32_t total_freq;
    _stSameTermFreq() : freq2(0), total_freq(0) {}
    // Greater total sorts first.
    bool operator<(const _stSameTermFreq& other) const { return total_freq > other.total_freq; }
};

// One dictionary word found in a line: handle, byte offset and byte length.
struct _stTermPosition {
    int32_t nHandle;
    int32_t iStartPos;
    int32_t nWordLen;
    double weight;
    _stTermPosition() : nHandle(-1), iStartPos(-1), nWordLen(-1), weight(0) {}
};

class CPDAT {
public:
    // An empty dictionary in symbol mode nMode (0: GBK characters with ASCII capitals folded;
    // 1: single bytes, no folding; 2, only ever read from a file: normalising GBK), with a build
    // begun. Any other mode is taken as 0.
    explicit CPDAT(int nMode = 0);
    CPDAT(const CPDAT&) = delete;
    CPDAT& operator=(const CPDAT&) = delete;

    // Highest cell index in use (a file holds that many cells plus one).
    virtual int GetLowerBound() const;
    // Byte length of the longest dictionary word at the start of the NUL-terminated line (0 when
    // none) and its handle through rtnHandle (-1 when none; may be null). Runs of white space
    // (blank, tab, CR, LF) match one blank and the skipped bytes count in the length. The flag
    // (may be null) is cleared, then set when the word was reached after a white-space symbol.
    virtual int GetMaxWord(const char* sLine, int* rtnHandle, bool* rtbBlankInculded = nullptr) const;
    // What GetMaxWord and Find(int) read (the cells, the symbol table, the bound), copied once by
    // a caller that looks up at every character of a text, so that its own stores do not
    // make the compiler read the dictionary's members again for every character. Valid while the
    // dictionary is neither loaded, rebuilt nor destroyed; thread-safety as the lookups.
    class View {
    public:
        View() = default;
        explicit View(const CPDAT& dict)
            : m_pDict(&dict),
              m_pCells(dict.m_cells.empty() ? nullptr : dict.m_cells.data()),
              m_pCharset(dict.m_charset.data()),
              m_nLower(dict.m_nLowerBound),
              m_bAtOnce(dict.m_nMode == 0 && m_pCells) {}
        // The dictionary viewed (null for a default view).
        const CPDAT* Dict() const { return m_pDict; }
        // Find(nCharCode) of the dictionary, for a code 0..0xFFFF.
        int FindChar(int nCharCode) const {
            if (!m_pCells) return -1;
            const int32_t id = m_pCharset[nCharCode];
            if (id < 0 || id > m_nLower) return -1;
            const state& st = m_pCells[id];
            if (st.check != -2 || !(st.base <= 0 && st.handle >= 0)) return -1;
            return st.handle;
        }
        // GetMaxWord(sLine, rtnHandle, rtbBlankInculded) of the dictionary (sLine not null, both
        // pointers not null), found inline when the line starts with two double-byte characters
        // in symbol mode 0 (the common case of a sparse dictionary).
        __attribute__((always_inline)) int GetMaxWord(const char* sLine, int* rtnHandle, bool* rtbBlankInculded) const {
            const unsigned char* s = reinterpret_cast<const unsigned char*>(sLine);
            if (!m_bAtOnce || s[0] < 0x80 || !s[1] || s[2] < 0x80 || !s[3])
                return m_pDict->GetMaxWord(sLine, rtnHandle, rtbBlankInculded);
            const int32_t nId1 = m_pCharset[s[0] * 256 + s[1]];
            int nLen = 0, nHandle = -1;
            if (nId1 >= 0 && nId1 <= m_nLower && m_pCells[nId1].check == -2) {
                const state& st1 = m_pCells[nId1];
                const int64_t nOffset1 = Offset(st1);
                const bool bEnd1 = st1.base <= 0 && st1.handle >= 0;
                if (!(bEnd1 && nOffset1 == nId1)) {
                    const int32_t nId2 = m_pCharset[s[2] * 256 + s[3]];
                    if (nId2 >= 0 && nOffset1 >= 0 && nOffset1 + nId2 <= m_nLower &&
                        m_pCells[nOffset1 + nId2].check == nId1) {
                        // The second step is taken here and GetMaxWord's walk goes on from it.
                        const int32_t nCell2 = int32_t(nOffset1 + nId2);
                        const state& st2 = m_pCells[nCell2];
                        const int64_t nOffset2 = Offset(st2);
                        int nBest = bEnd1 ? 2 : 0;
                        int nBestHandle = bEnd1 ? st1.handle : -1;
                        bool bBestBlank = false;
                        if (st2.base <= 0 && st2.handle >= 0) {
                            nBest = 4;
                            nBestHandle = st2.handle;
                        }
                        if (!(nBest == 4 && nOffset2 == nCell2))
                            nBest = m_pDict->PlainMaxWordFrom(s, 4, nCell2, nOffset2, nBestHandle, bBestBlank, nBest);
                        *rtnHandle = nBest > 0 ? nBestHandle : -1;
                        *rtbBlankInculded = nBest > 0 && bBestBlank;
                        return nBest;
                    }
                }
                if (bEnd1) {
                    nLen = 2;
                    nHandle = st1.handle;
                }
            }
            *rtnHandle = nHandle;
            *rtbBlankInculded = false;
            return nLen;
        }

    private:
        const CPDAT* m_pDict = nullptr;
        const state* m_pCells = nullptr;  // null when the dictionary has no cells
        const int32_t* m_pCharset = nullptr;
        int64_t m_nLower = 0;
        bool m_bAtOnce = false;  // symbol mode 0 (the inline step's coding) and cells
    };
    // Handle of the whole NUL-terminated word; -1 when absent or for a null pointer.
    virtual int Find(const char* sWord) const;
    // Handle of the first nLen bytes (need not be NUL-terminated), after skipping a leading UTF-8
    // byte-order mark (nLen > 2), dropping one pair of enclosing double quotes (nLen >= 2) and
    // folding white-space runs to one blank. -1 when absent or empty.
    virtual int Find(const char* pWord, unsigned int nLen) const;
    // Reads a .pdat file (the name may be UTF-8; it is converted when only the converted name
    // exists). False, with "Fail read file " + name as last error and the dictionary unchanged,
    // when the file cannot be read or is malformed.
    virtual bool Load(const char* sFilename);
    // Writes the .pdat file through a temporary file. False (no message) on any failure.
    virtual bool Save(const char* sFilename) const;
    // Offline text import: builds the dictionary from a word file (one word per line, or a
    // bracketed phrase), skipping the words that pCoreDict finds; echoes the words to
    // sFilename + "_export.txt". Returns the item count (0 when a file cannot be opened).
    virtual int Import(const char* sFilename, CPDAT* pCoreDict = nullptr);
    virtual ~CPDAT();
    // Same calling shape as the user dictionary's operations: ignores the word, returns 1.
    virtual int AddTrie(const char* sLine, bool bWholeWord = false);
    // Same calling shape as the user dictionary's operations: does nothing.
    virtual void GetPos(char* sPos, int nSize);

    // Handle of the one-character word with this symbol code; -1 when there is none.
    int Find(int nCharCode) const {
        if (nCharCode < 0 || nCharCode > 0xFFFF || m_cells.empty()) return -1;
        const int32_t id = m_charset[size_t(nCharCode)];
        if (id < 0 || id > m_nLowerBound) return -1;
        const state& st = m_cells[size_t(id)];
        if (st.check != -2 || !IsWordEnd(st)) return -1;
        return st.handle;
    }
    // Every dictionary word that is a prefix of the NUL-terminated line, shortest first, without
    // white-space folding. The count is set to 0, then each word whose end offset is greater than
    // nMinLength is appended (handle, end offset) to the caller's arrays, which are grown with
    // realloc by 5 entries when full (so they must come from malloc, or be null with size 0).
    // Returns the end offset of the last word passed, recorded or not; 0 when none.
    int GetWords(const char* sLine, unsigned int** vecHandle, unsigned int** vecPosition,
                 unsigned int* npMemorySize, unsigned int* npArrayCount, int nMinLength) const;
    // A word found by GetWordsAt: its handle and its end offset from the start it was found at.
    struct WordHit {
        int32_t nHandle;
        int32_t nEnd;
    };
    // Results and scratch of GetWordsAt, reused from call to call by one caller (one thread).
    class WordsAt {
    public:
        // The words found at start k of the last call, shortest first: the first is First(k),
        // each next one Next(r) of the one before, -1 after the last (or when there is none).
        int32_t First(size_t k) const { return m_vecHead[k]; }
        int32_t Next(int32_t r) const { return m_vecRaw[size_t(r)].nNext; }
        const WordHit& Hit(int32_t r) const { return m_vecRaw[size_t(r)].hit; }
        // The number of words found at all starts.
        size_t Total() const { return m_nRaw; }

    private:
        friend class CPDAT;
        struct Pending {  // a walk that has a cell to check next
            uint32_t nStart;   // index of its start
            uint32_t nPos;     // line offset after the character that led to nCell
            int32_t nParent;   // the cell it stands on (-2 at the root)
            int32_t nCell;     // the cell to check
        };
        struct RawHit {
            WordHit hit;
            int32_t nNext;  // the next word of the same start, -1 none
        };
        std::vector<Pending> m_vecWalks;
        std::vector<RawHit> m_vecRaw;     // the words, level by level (room only grows)
        size_t m_nRaw = 0;
        std::vector<int32_t> m_vecHead;   // by start: its first word, -1 none
        std::vector<int32_t> m_vecTail;   // by start: its last word so far
    };
    // For each of nStarts line offsets pStart[k] of the NUL-terminated line, the words that
    // GetWords(sLine + pStart[k], ..., pMinLength[k]) lists, in its order, into result (read with
    // result.First(k), result.Next(r) and result.Hit(r)). The walks advance one character at a time across all
    // starts, and each next cell is prefetched when it is known, so that the cache misses of the
    // walks overlap instead of following one another.
    void GetWordsAt(const char* sLine, const int* pStart, const int* pMinLength, size_t nStarts,
                    WordsAt& result) const;
    unsigned int GetItemCount() const { return m_nItemCount; }
    // True when the lower bound is 0 (also for a dictionary of one word in cell 0).
    bool IsEmpty() const { return m_nLowerBound == 0; }
    // Lower bound and item count become 0; the cells stay allocated.
    bool SetEmpty();
    int GetMode() const { return m_nMode; }
    // Number of symbol ids assigned by the last build.
    int GetCharsetSize() const { return m_charsetSize; }

    // Parses a .pdat image (what Load reads from the file). False, dictionary unchanged, when the
    // image is truncated, longer than its lower bound announces, or malformed. No message. A
    // successful parse (and so Load) leaves the dictionary built: the build trie is dropped and
    // AddWordComplete returns true at once without touching the loaded cells.
    bool Parse(const unsigned char* pData, size_t nSize);
    // The .pdat image that Save writes.
    std::vector<unsigned char> Serialize() const;
    // Read access to the cells 0..GetLowerBound() (null when there are none), for checkers.
    const state* GetCells() const { return m_cells.empty() ? nullptr : m_cells.data(); }
    // Symbol id of a 16-bit symbol code, -1 when none.
    int GetCharId(int nCode) const { return (nCode < 0 || nCode > 0xFFFF) ? -1 : m_charset[nCode]; }

    // ---- building (words into the build trie, then one AddWordComplete) ----
    // Begins a build: the build trie is emptied (created when absent), the character counts are
    // cleared, the item count becomes 0. Term counts and existing cells are kept.
    void AddWordInit();
    // Adds the word with the next ordinal handle (the item count). Returns the word's handle
    // (the old one when present), or -1 when nothing can be added (no build trie, a word made only
    // of skipped symbols, or counting stopped by a filter term). bStat also counts it as a term.
    int AddWord(const char* sWord, bool bStat = false);
    // The same with an explicit handle for a new word.
    int AddWord(const char* sWord, int nHandle, bool bStat);
    // Adds the word as a filter term: it is never counted, nor is any longer word through it.
    int AddFilterWord(const char* sWord);
    // Handle of the word in the build trie, -1 when absent or when there is no build trie.
    int FindWord(const char* sWord);
    // Packs the build trie into cells and frees it. True (at once when already complete).
    bool AddWordComplete();
    // Offline text export: every word, rebuilt from the cells, one per line. False when the file
    // cannot be written.
    bool Export(const char* sFilename) const;

    // ---- maximum matching and term statistics ----
    // Forward maximum matching of the NUL-terminated line into the caller's growable buffer
    // (*sResult of *pResultSize bytes, realloc'd to 6 x len + 1) and, when pIDList is given, the
    // caller's growable handle array (realloc'd to len + 2 entries). Each token is followed by
    // chSeperator, the text by a NUL. Unmatched tokens get a handle entry (-1) only with
    // bInvalidStore. nLengthLimit >= 1 cuts tokens after that many bytes (finishing the current
    // character). bSearchUsing has no effect. Returns the number of handles stored, -1 when a
    // buffer cannot be grown. Changes nothing in the dictionary.
    int MMSegment(const char* sLine, int** pIDList, int* pIDListSize, char** sResult, int* pResultSize,
                  bool bSearchUsing, bool bInvalidStore, int nLengthLimit, char chSeperator) const;
    // The same into the dictionary's own buffer (valid until its next use), without handles.
    // Not thread-safe: callers sharing a dictionary must serialise these calls.
    char* MMSegment(const char* sLine, int nLengthLimit = -1, char chSeperator = '\t');
    // Resets every term count to 0, then counts each string as a term. Returns the number of term
    // records.
    int WordFreq(const std::vector<std::string>& vecTerm);
    // Ranking text "term/count#..." of the nTopCount most frequent terms (-1: all), skipping a
    // term of 5 bytes or more that contains an earlier term of 4 bytes or more. Equal counts rank
    // by handle. The text stays valid until the next call.
    const char* GetTopWords(int nTopCount);
    // The term records ranked by count (greater first, then by handle).
    std::vector<_stTermFreq> GetTopWordVector();
    // Every term count becomes 0 (filter marks included).
    void ResetFreq();
    // Term record of a handle, null when there is none.
    const _stTermFreq* GetTerm(int nHandle) const;

    // ---- offline scanners ----
    // Maximum matching that keeps only the words passing the boundary test (IsValidString), each
    // followed by a blank (none after a word that ends the line), into the caller's buffer. With
    // p_bExist the scan stops at the first word and sets the flag. Returns the number of words.
    int MMScan(const char* sLine, char** sResult, int* pResultSize, bool* p_bExist = nullptr) const;
    // The same into the dictionary's own buffer; returns it.
    char* MMScan(const char* sLine, bool* p_bExist = nullptr);
    // At every start position: the shortest word and the word where the walk reaches a cell
    // without children (and a word pending at the line end), each followed by a blank, into the
    // dictionary's own buffer; returns it.
    char* MMFullScan(const char* sLine);
    // Appends the position of every word found that passes the boundary test. nKeyScanMode 1
    // restarts one character after each word's start and matches only through hanzi, ASCII small
    // letters and digits. Returns the number appended.
    int MMScanPosition(const char* sLine, std::vector<_stTermPosition>& vstTermPosition, int nKeyScanMode) const;
    // Segments the whole source file with MMSegment(text, -1, '\t') into the result file.
    bool FileSegment(const char* sSrcFilename, const char* sResultFile);
    // Compares the term counts of two counting dictionaries (their counts change).
    static void WordTermCompare(CPDAT* pDict1, CPDAT* pDict2, tstring& sSameResult, tstring& sDiff1, tstring& sDiff2);
    // False when the span [nStart, nEndPos) of a line of nLen bytes begins or ends inside a run of
    // ASCII letters or of ASCII digits.
    static bool IsValidString(const char* sLine, int nStart, int nEndPos, int nLen);

    // Symbol code of the character at offset i of a text of nLen bytes, and its byte length
    // (a mode-2 delimiter run counts as one character). nLen == kNulTerminated: the text ends at
    // its NUL.
    static const size_t kNulTerminated = static_cast<size_t>(-1);
    int GetCharCode(const unsigned char* s, size_t i, size_t nLen, size_t& nCharLen) const;

    // A node of the build trie, stored by index in one pool. Children form a sibling chain in
    // order of first addition (the root's are also indexed by code).
    struct build_elem {
        uint32_t node;        // symbol code
        int32_t child_count;  // number of children
        int32_t children;     // first child, -1 none
        int32_t next;         // next sibling, -1 none
        int32_t last;         // last child, -1 none
        int32_t position;     // cell, while packing
        int32_t handle;       // handle of the word ending here, -1 none
    };

private:
    struct BuildTrie;
    int BuildTRIE(const char* sWord, int nHandle, bool bStat, bool bSearch);
    void SetTermAt(int nHandle, const char* sWord, int32_t nFreq);
    bool IsTermFilter(int nHandle) const;
    void GetCharMap();
    bool PackCells();
    // A walk down the cells: the cell last reached (-2 at the root) and its child offset.
    struct Walk {
        int32_t nParent = -2;
        int64_t nOffset = 0;
    };
    // Moves the walk to the child of symbol id nId and returns that cell; -1 (walk unchanged)
    // when there is no such child. The cells must not be empty.
    int32_t Step(Walk& walk, int32_t nId) const;
    // Child offset of a cell: abs(base), -1 for a damaged INT32_MIN.
    static int64_t Offset(const state& s) {
        if (s.base == INT32_MIN) return -1;
        return s.base < 0 ? -int64_t(s.base) : int64_t(s.base);
    }
    bool IsWordEnd(const state& s) const { return s.base <= 0 && s.handle >= 0; }
    // Length and handle of the longest word at s[i..], without folding; nStopMode 1 stops the walk
    // at a character that is no hanzi, small letter or digit.
    int LongestMatch(const unsigned char* s, size_t i, size_t nLen, int* pHandle, int nStopMode) const;
    bool GrowOwnBuffer(size_t nSize);
    // GetMaxWord's walk in the plain modes (0 and 1) from the cell nParent and its child offset
    // nOffset, reached after the first i bytes of s (from the root: -2 and 0, i 0) without a
    // white-space symbol; the best word so far is nBest bytes long with nHandle and bBestBlank,
    // which a longer word replaces. Returns the best length.
    int PlainMaxWordFrom(const unsigned char* s, size_t i, int32_t nParent, int64_t nOffset, int& nHandle,
                         bool& bBestBlank, int nBest = 0) const;
    // GetWordsAt's walks in symbol mode kMode: the words found go to result.m_vecRaw (level by
    // level), chained by start; returns how many.
    template <int kMode>
    size_t WalkWordsAt(const unsigned char* s, const int* pStart, const int* pMinLength, size_t nStarts,
                       WordsAt& result) const;

    std::unique_ptr<BuildTrie> m_word_trie;  // build trie while words are added; null when packed
    std::vector<state> m_cells;              // the cell array
    int32_t m_nLength;                       // allocated cells
    int32_t m_nLowerBound;                   // highest cell in use
    uint32_t m_nItemCount;                   // distinct words
    char* m_sResult;                         // own result buffer (malloc), m_nResultLen bytes
    int32_t m_nResultLen;
    std::vector<int32_t> m_charset;          // symbol id by symbol code, -1 none (65536)
    int32_t m_charsetSize;
    std::vector<int32_t> m_charsetfreq;      // occurrences of each coded symbol in the last build
    std::vector<int32_t> m_freq;             // occurrences of each symbol code while adding
    int32_t m_LowerChar, m_UpperChar;
    std::vector<_stTermFreq> m_vecTermFreq;  // term counts by handle
    int32_t m_nMode;
    tstring m_sTopWords;
    bool m_bWordAddCompleted;
};
