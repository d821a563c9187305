// CPreProcess: cuts one sentence of a GBK line into atoms and builds its word lattice.
//
// Atoms are the indivisible units of a sentence: one character, a run of digits or letters, a
// numeral with its unit, a date part, a quoted mark, a run of repeated punctuation, a span
// between two "^^" marks or, when user words take priority (g_bUserDictPrior), a whole user or
// field dictionary word. AtomSegment also decides where the sentence ends. FullSegment then
// builds the lattice: for every atom the atom itself and every longer core-dictionary word that
// starts on it and ends on an atom boundary of the sentence. CSegment::BiSegment chooses the best
// path through it.
//
// Driving one line (sLine NUL-terminated, nLen = strlen(sLine)):
//   for (int pos = 0; pos < nLen;) {
//       skip blanks, TABs, CRs and LFs at pos (or keep them as a word of your own);
//       pos = int(pre.FullSegment(sLine, pos, nLen) - sLine);
//       seg.BiSegment(pre);      // or BiSegment(GetWordGraph(), GetGraphLength(), ...)
//   }
//
// Offsets in atoms and lattice words are line offsets. The lattice slots are relative to the
// sentence: slot 0 holds the sentence-start atom, slot p - nStart + 1 the words that start at
// line offset p, and the last slot only the sentence-end atom; empty slots have count 0 and a
// null pointer. A sentence with fewer than 3 atoms leaves an empty lattice (length 0).
//
// Memory: the atoms, the lattice and the candidate arrays belong to the instance and are reused
// from sentence to sentence (capacity kept), so they stay valid until the next AtomSegment or
// FullSegment call. The stores are borrowed and must outlive the instance.
//
// Thread safety: one thread at a time per instance. The stores are only read. The priority
// lookups read g_pUserDict and g_pFieldDict under a shared hold of g_hUserDictLock, one atom
// position at a time, and write nothing into them.
//
// Kept lookups: between KeepLookups(sLine) and DropLookups() the priority test records, for each
// line offset where it looked, what the field and user dictionaries answered, so that the result
// output of the same line can read them instead of walking both dictionaries again at the same
// offsets. The answers stay true only while the dictionaries cannot change: the caller holds the
// shared user-dictionary hold from KeepLookups until it stops reading them, and stops reading
// them once it has let go of that hold (as learning a word does).
#pragma once

#include <atomic>
#include <climits>
#include <deque>
#include <vector>

#include "MERIDOX/include/EngineRecords.h"
#include "Utility/PDAT.h"
#include "Utility/Trie.h"
#include "Utility/Types.h"

class CCharset;

// An array of lattice slots, each an array of words.
typedef word_t** word_graph;

// The "^^" marks that a conversion from the caller's encoding wrote into its GBK text around the
// blanks that stand for characters without a GBK form. In such a text only these open a span
// atom; every other "^" is a character of the caller's text. The offsets count from the start of
// the converted text, which the engine reads either where the conversion put it or in the working
// copy that a long text is cut into lines in.
struct CSpanMarks {
    const char* pText = nullptr;               // the converted text, nTextLen bytes
    size_t nTextLen = 0;
    const std::vector<char>* pCopy = nullptr;  // the working copy of a long text (may be null)
    std::vector<int> vecOpen;                  // offsets of the opening marks, increasing
    // True when p (inside the converted text or the working copy) is an opening mark.
    bool Opens(const char* p) const;
};

class CPreProcess;

// The sentence starts of a line as it is cut, for IsPieceBoundary's walk over the characters
// before a cut: From(nCut) is the latest start recorded kDictWordWindow bytes or more before nCut
// (the first one recorded when none is), so that the walk stays short whatever the line's length.
class CSentenceStarts {
public:
    void Reset(int nFirst) {
        m_starts.clear();
        m_starts.push_back(nFirst);
    }
    void Add(int nStart) { m_starts.push_back(nStart); }
    inline int From(int nCut);

private:
    std::deque<int> m_starts;
};

class CPreProcess {
public:
    // The sentence bound in bytes: a sentence that reaches this many bytes without a sentence end
    // ends after the atom that reaches it, as if a sentence end stood there. No atom starts at or
    // after the bound, and runs (digits, letters, numerals, repeated punctuation, "^^" spans)
    // stop growing there, so a sentence holds at most kSentenceBound + 2 atoms and spans at most
    // the bound and one character (a dictionary word when user words take priority) past it.
    static constexpr int kSentenceBound = 4096;

    // Borrows the character-type table, the core dictionary and a user dictionary (kept only as
    // a record: the priority lookups read g_pUserDict under its lock). No atoms, no lattice.
    CPreProcess(CCharset* pCharset, CPDAT* pCoreDict, CTrie* pUserDict);
    virtual ~CPreProcess();
    CPreProcess(const CPreProcess&) = delete;
    CPreProcess& operator=(const CPreProcess&) = delete;

    // Atoms of the sentence that begins at line offset nStart of the NUL-terminated line; returns
    // the position in sLine where the next sentence begins (sLine + nLen at the end of the line).
    // nLen must be strlen(sLine) when given (pass it to avoid counting the line per sentence);
    // -1 counts it. A null line is empty; nStart is clamped to [0, nLen].
    const char* AtomSegment(const char* sLine, int nStart, int nLen = -1);
    // Sets this instance's sentence bound (kSentenceBound when constructed); INT_MAX lets a
    // sentence run to its sentence end, for comparisons with unbounded sentences.
    void SetSentenceBound(int nBytes) { m_nSentenceBound = nBytes < 1 ? 1 : nBytes; }
    int GetSentenceBound() const { return m_nSentenceBound; }
    // True when the last AtomSegment ended its sentence at the sentence bound (more text followed
    // and no sentence end came before the bound).
    bool EndedByBound() const { return m_bBoundEnded; }
    // True when a line may be cut after lastAtom, the last atom of a sentence that AtomSegment
    // ended there (not at the bound), so that the part before the cut and the part after it,
    // each processed as a line of its own, give the results of the whole line joined: the atom is
    // a two-byte sentence end (class 28, as the full stop, exclamation and question marks), the
    // character after it is neither white space (blank, TAB, CR, LF, NUL) nor a sentence end, and
    // no field or user dictionary word that starts at a character of the last kDictWordWindow
    // bytes before the cut goes past it (the result output takes such words across sentences).
    // nLen is the length of sLine; nFrom a character boundary at or before the sentence start
    // (where the walk over the characters begins). Takes a shared hold of the user dictionaries.
    // bBlankAfter lets white space follow the cut, for parts that keep white space at their start
    // (a line's own processing writes it as a white-space word, which joins nothing before it).
    bool IsPieceBoundary(const char* sLine, int nLen, int nFrom, const word_t& lastAtom,
                         bool bBlankAfter = false) const;
    // How far before a cut IsPieceBoundary looks for dictionary words: the longest user word (a
    // user-dictionary line is shorter than 1024 bytes) and field word the engine takes.
    static constexpr int kDictWordWindow = 1024;
    // AtomSegment plus the lattice; returns what AtomSegment returned.
    const char* FullSegment(const char* sLine, int nStart, int nLen = -1);
    // True when an atom after atom nIndex ends exactly nLen bytes after the start of atom nIndex
    // (the walk stays among the current sentence's atoms).
    bool IsValidPosition(int nIndex, int nLen) const;
    // Records another user dictionary (lookups always read g_pUserDict). Returns true.
    bool SetUserDict(CTrie* pUserDict);
    // The converter's marks of the text being cut (borrowed until the next call; null, the
    // default: GBK text, where every "^^" ... "^^" pair of a line makes a span atom). A span of
    // the marks (CCodeTran::kMarkSpanBlanks blanks at most) is closed even past the bound.
    void SetSpanMarks(const CSpanMarks* pMarks) { m_pSpanMarks = pMarks; }
    // Clears vecChar and appends the text of every atom of the whole line whose type is below
    // 'x' and not 28 (white space and sentence ends left out); with bStopRemove also those of a
    // class below 7. Returns the vector's size.
    int GetCharVector(const char* sLine, std::vector<tstring>& vecChar, bool bStopRemove);

    // A user word's tag text as the user dictionary stores it.
    struct UserTag {
        char sTag[40];
    };
    // What the priority test found at one line offset (field and user dictionary).
    struct KeptLookup {
        int nOffset = 0;          // the line offset looked up at
        int nFieldLen = 0;        // CPDAT::GetMaxWord of g_pFieldDict (0 when it is absent)
        int nFieldHandle = -1;
        int nUserLen = 0;         // CTrie::GetMaxWord of g_pUserDict (0 when it is absent)
        int nUserHandle = -1;
        int nUserTag = -1;        // index of the user word's tag in m_vecUserTags, -1 none
        bool bFieldBlank = false;
    };
    // Starts keeping the priority lookups made on the NUL-terminated line sLine of nLen bytes
    // (the pointer identifies the line); forgets those of any earlier line.
    void KeepLookups(const char* sLine, int nLen);
    // Stops keeping lookups; GetKeptLookups answers null until the next KeepLookups.
    void DropLookups() { m_pKeepLine = nullptr; }
    // The lookups the priority test made on sLine since KeepLookups(sLine) (less those that
    // ForgetLookupsBefore dropped) that found a word in either dictionary, in increasing order of
    // line offset and one per offset at most: *pCount of them, followed by an end mark whose
    // nOffset is INT_MAX. *ppLooked gets a bit per line offset from *pnLookedFrom (a multiple of
    // 64) to *pnLookedEnd (offset k: bit k % 64 of word (k - *pnLookedFrom) / 64) set where the
    // test looked, so that an offset looked at without a record found nothing (ZeroLookup);
    // offsets outside that range were not looked at. When sLine is not the kept line: the end
    // mark alone, *pCount 0, *ppLooked null and an empty range. A caller that reads them at
    // increasing offsets finds each with one forward cursor. Valid until the next KeepLookups,
    // ForgetLookupsBefore, DropLookups or AtomSegment call.
    const KeptLookup* GetKeptLookups(const char* sLine, size_t* pCount, const uint64_t** ppLooked,
                                     int* pnLookedFrom = nullptr, int* pnLookedEnd = nullptr) const {
        *pCount = 0;
        *ppLooked = nullptr;
        if (pnLookedFrom) *pnLookedFrom = 0;
        if (pnLookedEnd) *pnLookedEnd = 0;
        if (!m_pKeepLine || sLine != m_pKeepLine) return NoLookups();
        *pCount = m_nKept - m_nKeptFirst;
        *ppLooked = m_vecLooked.data();
        if (pnLookedFrom) *pnLookedFrom = m_nLookedBase;
        if (pnLookedEnd) *pnLookedEnd = m_nLookedBase + int(m_vecLooked.size() * 64);
        return m_vecKept.data() + m_nKeptFirst;
    }
    // Forgets the kept lookups at offsets below nOffset (the output has written the units
    // there), so that a long line keeps only those of the part not yet written.
    void ForgetLookupsBefore(int nOffset);
    // The end mark alone.
    static const KeptLookup* NoLookups() {
        static const KeptLookup kEnd = {INT_MAX, 0, -1, 0, -1, -1, false};
        return &kEnd;
    }
    // What a lookup that found nothing kept (lengths 0, no handles, no tag).
    static const KeptLookup* ZeroLookup() {
        static const KeptLookup kZero = {0, 0, -1, 0, -1, -1, false};
        return &kZero;
    }
    // The tag text of a kept user word (40 bytes, all NUL for none).
    const char* GetKeptUserTag(const KeptLookup& k) const {
        static const UserTag kNone = {};
        return (k.nUserTag < 0 ? kNone : m_vecUserTags[size_t(k.nUserTag)]).sTag;
    }

    // ---- the last sentence (valid until the next AtomSegment or FullSegment) ----
    // Atoms: the start atom first, the end atom last.
    const word_t* GetAtoms() const { return m_vecAtom.data(); }
    int GetAtomCount() const { return m_nAtomSize; }
    // Lattice of the last FullSegment: m_nGraphLength slots, m_pWordCounter[k] words in slot k.
    word_graph GetWordGraph() { return m_pWordGraph.data(); }
    int GetGraphLength() const { return m_nGraphLength; }
    int* GetWordCounter() { return m_pWordCounter.data(); }

private:
    // Length of the longer of the field- and user-dictionary words at offset i of the current
    // line (0 when none), through views of g_pFieldDict and g_pUserDict (a default view for an
    // absent one); kept when the line's lookups are kept. The caller holds the shared
    // user-dictionary lock.
    int PriorityLength(int i, const CPDAT::View& field, const CTrie::View& user);
    // Offset after the closing "^^" of a span opened at i ("^^" at i, i + 1), or -1 when the
    // line holds no closing "^^" from i + 2 on (searched character by character).
    int FindSpanEnd(int i);
    // Numeral-run end for an atom of class nClass starting at i (class 9, 10 or 11); sets the
    // atom's handle and type.
    void NumeralRun(word_t& atom, int nClass);
    // Applies the unit and prefix rules to a new number atom; returns false when it merged into
    // the previous atom (which is then the atom to look up).
    bool NumberFollowUp(word_t& atom);
    // Class of the character at offset i of the current line, -1 at or past its end; its code and
    // byte length through the pointers when given.
    int ClassAt(int i, int* pCode = nullptr, int* pLen = nullptr) const;
    int CharLenAt(int i) const;

    std::vector<word_t> m_vecAtom;  // atoms of the current sentence: the first m_nAtomSize (only grows)
    int m_nAtomSize = 0;
    std::vector<word_t*> m_pWordGraph;  // slot pointers into m_vecPool (null for empty slots)
    int m_nGraphLength = 0;
    std::vector<int> m_pWordCounter;    // words in each slot
    std::vector<word_t> m_vecPool;      // the lattice words, slot after slot (sized in full first; only grows)
    [[maybe_unused]] CCharset* m_pCharset;  // the table m_pTypes reads
    const tuchar* m_pTypes;  // the table's types by character code (null without a table)
    CPDAT* m_pCoreDict;
    std::atomic<CTrie*> m_pUserDict;  // a record only; lookups read g_pUserDict under its lock
    std::vector<int> m_vecWalkStart;  // core-word walks of a sentence: start offsets ...
    std::vector<int> m_vecWalkMin;    // ... and the atom lengths they must pass
    CPDAT::WordsAt m_wordsAt;         // their words
    unsigned int* m_pVecCandidateHandle = nullptr;    // GetWords scratch (malloc, grown by it)
    unsigned int* m_pVecCandidatePosition = nullptr;
    unsigned int m_nCadidateSize = 0;

    // Kept lookups (see KeepLookups): records m_nKeptFirst to m_nKept in order of offset (an end
    // mark after the last; the array grows by doubling), and a bit per offset looked at from
    // m_nLookedBase on.
    const char* m_pKeepLine = nullptr;
    int m_nKeepLen = 0;
    bool m_bKeeping = false;  // the current AtomSegment call keeps its lookups
    std::vector<KeptLookup> m_vecKept;
    size_t m_nKept = 0;
    size_t m_nKeptFirst = 0;
    int m_nKeptLast = -1;  // offset of the last lookup kept
    std::vector<uint64_t> m_vecLooked;
    int m_nLookedBase = 0;
    std::vector<UserTag> m_vecUserTags;

    // The line being cut (set per call).
    const unsigned char* m_s = nullptr;
    int m_nLen = 0;
    const CSpanMarks* m_pSpanMarks = nullptr;  // see SetSpanMarks
    int m_nSentenceBound = kSentenceBound;
    int m_nRunEnd = 0;           // the sentence bound's offset (or the line's end) for runs and spans
    bool m_bBoundEnded = false;  // the last sentence ended at the bound
    int m_nSpanSearchFrom = -1;  // the last "^^" search of this call: from where ...
    int m_nSpanFound = -1;       // ... and the closing offset it found (-1 none)
};

inline int CSentenceStarts::From(int nCut) {
    while (m_starts.size() > 1 && m_starts[1] <= nCut - CPreProcess::kDictWordWindow) m_starts.pop_front();
    return m_starts.empty() ? 0 : m_starts.front();
}
