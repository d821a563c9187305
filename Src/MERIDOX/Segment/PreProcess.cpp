#include "MERIDOX/Segment/PreProcess.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "MERIDOX/System/EngineGlobals.h"
#include "Utility/Charset.h"
#include "Utility/GBKChar.h"
#include "Utility/PDAT.h"
#include "Utility/Trie.h"

namespace {

const int kStartMark = 'x';   // sentence-start atom
const int kEndMark = 'y';     // sentence-end atom
const int kSpanMark = 'c';    // "^^" span
const int kPriorMark = 'e';   // user or field dictionary word

const unsigned char kYueFen[4] = {0xD4, 0xC2, 0xB7, 0xDD};  // 月份

bool IsLetterO(int nCode) { return nCode == 'O' || nCode == 'o'; }

// The class of the character at offset i of a line of nLen bytes (i inside it) by the type
// table (0 without one), with its code and byte length: two bytes for a byte of 0x80 or above
// that another byte of the line follows. ClassAt and the atom loop both read characters so.
inline int CharClassAt(const unsigned char* s, int i, int nLen, const tuchar* pTypes, int& nCode, int& nCharLen) {
    const unsigned char c = s[i];
    nCode = c;
    nCharLen = 1;
    if (c >= 0x80 && i + 1 < nLen) {
        nCharLen = 2;
        nCode = c * 256 + s[i + 1];
    }
    return pTypes ? pTypes[nCode] : 0;
}

// The atoms that no longer word may start on: numbers other than numeral runs, times, letter
// strings, and punctuation of classes 1 to 4 and 28.
// The unknown-word ids come from the caller, which reads them once per sentence: the word graph
// asks this twice per atom, with dictionary calls in between that would make the compiler load
// the globals again.
inline bool IsStandAlone(const word_t& atom, int nUnknownT, int nUnknownX, int nUnknownM) {
    if (atom.handle == nUnknownT || atom.handle == nUnknownX) return true;
    if (atom.handle == nUnknownM && atom.type != 9) return true;
    switch (atom.type) {
        case 1: case 2: case 3: case 4: case 28: return true;
        default: return false;
    }
}

// atoi of a number atom's text, which is not NUL-terminated inside the line. Only IsDayTime
// tokens (at most 6 bytes) reach the comparison, so a short bounded copy is enough.
int BoundedAtoi(const unsigned char* s, int nLen) {
    char buf[16];
    int n = nLen < int(sizeof buf) - 1 ? nLen : int(sizeof buf) - 1;
    memcpy(buf, s, size_t(n));
    buf[n] = 0;
    long v = strtol(buf, nullptr, 10);
    if (v > 1000000) return 1000000;
    if (v < -1000000) return -1000000;
    return int(v);
}

}  // namespace

CPreProcess::CPreProcess(CCharset* pCharset, CPDAT* pCoreDict, CTrie* pUserDict)
    : m_pCharset(pCharset),
      m_pTypes(pCharset ? pCharset->GetTypes() : nullptr),
      m_pCoreDict(pCoreDict),
      m_pUserDict(pUserDict) {
    m_nCadidateSize = 10;
    m_pVecCandidateHandle = static_cast<unsigned int*>(calloc(m_nCadidateSize, sizeof(unsigned int)));
    m_pVecCandidatePosition = static_cast<unsigned int*>(calloc(m_nCadidateSize, sizeof(unsigned int)));
    if (!m_pVecCandidateHandle || !m_pVecCandidatePosition) m_nCadidateSize = 0;
}

CPreProcess::~CPreProcess() {
    free(m_pVecCandidateHandle);
    free(m_pVecCandidatePosition);
}

bool CPreProcess::SetUserDict(CTrie* pUserDict) {
    m_pUserDict.store(pUserDict);
    return true;
}

int CPreProcess::CharLenAt(int i) const { return (m_s[i] >= 0x80 && i + 1 < m_nLen) ? 2 : 1; }

// Inline: the atom loop asks it for nearly every character.
inline int CPreProcess::ClassAt(int i, int* pCode, int* pLen) const {
    if (i < 0 || i >= m_nLen) {
        if (pCode) *pCode = 0;  // no character: callers test the class first
        if (pLen) *pLen = 0;
        return -1;
    }
    int nCode, nLen;
    const int nClass = CharClassAt(m_s, i, m_nLen, m_pTypes, nCode, nLen);
    if (pCode) *pCode = nCode;
    if (pLen) *pLen = nLen;
    return nClass;
}

void CPreProcess::KeepLookups(const char* sLine, int nLen) {
    m_pKeepLine = sLine;
    m_nKept = 0;
    m_nKeptFirst = 0;
    m_nKeptLast = -1;
    m_nLookedBase = 0;
    m_vecUserTags.clear();
    m_vecLooked.clear();
    if (!sLine || nLen < 0) {
        m_pKeepLine = nullptr;
        return;
    }
    m_nKeepLen = nLen;
    // The records and the looked-at bits grow with the lookups made (doubling), not with the
    // line: a line's atoms only ever need what its sentences looked at.
    if (m_vecKept.empty()) m_vecKept.resize(64);
    m_vecKept[0].nOffset = INT_MAX;
}

void CPreProcess::ForgetLookupsBefore(int nOffset) {
    if (!m_pKeepLine) return;
    size_t k = m_nKeptFirst;
    while (k < m_nKept && m_vecKept[k].nOffset < nOffset) ++k;
    m_nKeptFirst = k;
    if (m_nKeptFirst == m_nKept) {
        // Nothing left before the end mark: start the list again at the front.
        m_nKept = m_nKeptFirst = 0;
        m_vecKept[0].nOffset = INT_MAX;
        m_vecUserTags.clear();
    }
    // Whole words of bits below the offset go; the base stays a multiple of 64.
    const int nWords = (nOffset - m_nLookedBase) >> 6;
    if (nWords > 0) {
        const size_t nDrop = std::min(size_t(nWords), m_vecLooked.size());
        m_vecLooked.erase(m_vecLooked.begin(), m_vecLooked.begin() + std::ptrdiff_t(nDrop));
        m_nLookedBase += int(nDrop) << 6;
    }
}

// Inline into the atom loop, so that the views stay in registers.
__attribute__((always_inline)) inline int CPreProcess::PriorityLength(int i, const CPDAT::View& field,
                                                                      const CTrie::View& user) {
    // The caller (AtomSegment) holds the user-dictionary lock for the whole sentence.
    const char* sLine = reinterpret_cast<const char*>(m_s) + i;
    char sPos[40];
    int nField = 0, nUser = 0, nFieldHandle = -1, nUserHandle = -1;
    bool bBlank = false;
    if (field.Dict()) nField = field.GetMaxWord(sLine, &nFieldHandle, &bBlank);
    if (user.Trie()) nUser = user.GetMaxWord(sLine, &nUserHandle, sPos);
    // Lookups are kept in order of offset, one per offset: a sentence never starts before the
    // end of the one cut before it, and an offset looked up again under the same hold gets the
    // same answer, so a lookup out of order is left out (the output then looks up itself). Only
    // those that found a word make a record; the bit of the offset says the others found none.
    if (m_bKeeping && i > m_nKeptLast) {
        m_nKeptLast = i;
        const size_t nWord = size_t(i - m_nLookedBase) >> 6;
        if (nWord >= m_vecLooked.size()) m_vecLooked.resize(std::max(nWord + 1, 2 * m_vecLooked.size()), 0);
        m_vecLooked[nWord] |= uint64_t(1) << (i & 63);
        if (nField > 0 || nUser > 0) {
            if (m_nKept + 1 >= m_vecKept.size()) m_vecKept.resize(2 * m_vecKept.size());
            KeptLookup& k = m_vecKept[m_nKept++];
            m_vecKept[m_nKept].nOffset = INT_MAX;  // the end mark
            k.nOffset = i;
            k.nFieldLen = nField;
            k.nUserLen = nUser;
            k.nFieldHandle = nFieldHandle;
            k.bFieldBlank = bBlank;
            k.nUserHandle = nUserHandle;
            k.nUserTag = -1;
            if (nUser > 0) {
                k.nUserTag = int(m_vecUserTags.size());
                m_vecUserTags.emplace_back();
                memcpy(m_vecUserTags.back().sTag, sPos, sizeof sPos);
            }
        }
    }
    int nBest = nField > nUser ? nField : nUser;
    return nBest > 0 ? nBest : 0;
}

bool CSpanMarks::Opens(const char* p) const {
    const uintptr_t a = reinterpret_cast<uintptr_t>(p);
    size_t nOffset;
    const uintptr_t t = reinterpret_cast<uintptr_t>(pText);
    if (pText && a >= t && a < t + nTextLen) {
        nOffset = size_t(a - t);
    } else if (pCopy && !pCopy->empty() && a >= reinterpret_cast<uintptr_t>(pCopy->data()) &&
               a < reinterpret_cast<uintptr_t>(pCopy->data()) + pCopy->size()) {
        nOffset = size_t(a - reinterpret_cast<uintptr_t>(pCopy->data()));
    } else {
        return false;
    }
    return nOffset <= size_t(INT_MAX) && std::binary_search(vecOpen.begin(), vecOpen.end(), int(nOffset));
}

int CPreProcess::FindSpanEnd(int i) {
    int nFrom = i + 2;
    // Searches of one call move forward over character boundaries of the same line, so an
    // earlier search from before nFrom answers for nFrom unless what it found lies before nFrom.
    if (m_nSpanSearchFrom >= 0 && m_nSpanSearchFrom <= nFrom && (m_nSpanFound < 0 || m_nSpanFound >= nFrom))
        return m_nSpanFound < 0 ? -1 : m_nSpanFound + 2;
    int j = nFrom;
    m_nSpanFound = -1;
    // A span of the conversion's marks is closed by its own marks, at most kMarkSpanBlanks blanks
    // on, even past the bound: leaving it open would make text of its carets.
    const int nLimit = m_pSpanMarks ? m_nLen : m_nRunEnd;
    while (j + 1 < m_nLen && j < nLimit) {
        if (m_s[j] == '^' && m_s[j + 1] == '^') {
            m_nSpanFound = j;
            break;
        }
        j += CharLenAt(j);
    }
    m_nSpanSearchFrom = nFrom;
    return m_nSpanFound < 0 ? -1 : m_nSpanFound + 2;
}

void CPreProcess::NumeralRun(word_t& atom, int nClass) {
    int nEnd = atom.end;
    if (nClass == 11 && ClassAt(nEnd) == 12) return;  // stays alone
    bool bNumber = true;
    int nCode0 = 0;
    if (ClassAt(nEnd, &nCode0) == 8 && !IsLetterO(nCode0)) bNumber = false;
    int nLast = nClass, nLastLen = 0;
    while (nEnd < m_nRunEnd) {
        int nCode, nCharLen;
        int nc = ClassAt(nEnd, &nCode, &nCharLen);
        bool bJoins = nc == 9 || nc == 10 || nc == 3 || nc == 4 || nc == 11 || nc == 18 || nc == 16 ||
                      nc == 15 || IsLetterO(nCode) || nCode == '0';
        if (!bJoins) break;
        // A core word of two whole two-byte characters here stops the run in front of it.
        if (nEnd + 4 <= m_nLen && m_s[nEnd] >= 0x80 && m_s[nEnd + 2] >= 0x80 && m_pCoreDict &&
            m_pCoreDict->Find(reinterpret_cast<const char*>(m_s + nEnd), 4u) >= 0)
            break;
        if (nc == 3 || nc == 4) bNumber = false;
        if (nc == 18) {
            int nLen19;
            if (ClassAt(nEnd + nCharLen, nullptr, &nLen19) != 19) break;  // the 18 is given back
            nEnd += nCharLen + nLen19;
            nLast = 19;
            nLastLen = nLen19;
            continue;
        }
        if (nc == 11 && ClassAt(nEnd + nCharLen) == 12) break;  // the 11 is given back
        nEnd += nCharLen;
        nLast = nc;
        nLastLen = nCharLen;
    }
    if ((nLast == 16 || nLast == 15) && nLastLen > 0) nEnd -= nLastLen;  // may not end the run
    atom.end = nEnd;
    if (bNumber) {
        atom.handle = gUnknown_m_ID;
        atom.type = 9;
    } else {
        atom.handle = gUnknown_t_ID;
    }
}

bool CPreProcess::NumberFollowUp(word_t& atom) {
    if (m_nAtomSize > 1) {
        word_t& prev = m_vecAtom[size_t(m_nAtomSize - 1)];
        if (prev.type == 17 || prev.type == 20) {
            prev.end = atom.end;
            prev.handle = atom.handle;
            return false;
        }
    }
    int nUnitLen = 0;
    int nUnit = ClassAt(atom.end, nullptr, &nUnitLen);
    if (nUnit < 0) return true;
    int nAfter = ClassAt(atom.end + nUnitLen);
    const unsigned char* pText = m_s + atom.start;
    int nTextLen = atom.end - atom.start;
    if (nUnit == 23) {
        if (nAfter != 24 && IsYearTime(reinterpret_cast<const char*>(pText), nTextLen)) {
            atom.end += nUnitLen;
            atom.handle = gUnknown_t_ID;
        }
    } else if (nUnit == 16 || nUnit == 18 || nUnit == 21 || nUnit == 22 || nUnit == 25) {
        if (!IsDayTime(reinterpret_cast<const char*>(pText), unsigned(nTextLen))) return true;
        int nValue = BoundedAtoi(pText, nTextLen);
        if (nValue >= 60 || (nUnit == 21 && nValue >= 32)) return true;
        if (nUnit == 25 && nAfter == 26) return true;
        if (nUnit == 18 && (nAfter == 26 || nAfter == 27)) return true;
        if (atom.end + 4 <= m_nLen && memcmp(m_s + atom.end, kYueFen, 4) == 0)
            atom.end += 4;
        else
            atom.end += nUnitLen;
        atom.handle = gUnknown_t_ID;
    }
    return true;
}

const char* CPreProcess::AtomSegment(const char* sLine, int nStart, int nLen) {
    static const char kEmpty[1] = {0};
    if (!sLine) sLine = kEmpty;
    if (nLen < 0) nLen = int(strlen(sLine));
    if (nStart < 0) nStart = 0;
    if (nStart > nLen) nStart = nLen;
    m_s = reinterpret_cast<const unsigned char*>(sLine);
    m_nLen = nLen;
    m_nSpanSearchFrom = m_nSpanFound = -1;
    m_bBoundEnded = false;
    // The sentence bound: no atom starts kSentenceBound bytes or more after the sentence start,
    // and no run (of digits, letters, numerals, repeated punctuation, a "^^" span) goes on once
    // it reaches that offset, so a sentence ends within the bound and one atom past it.
    const int nBoundAt = nLen - nStart > m_nSentenceBound ? nStart + m_nSentenceBound : nLen;
    m_nRunEnd = nBoundAt;
    // One shared hold of the dictionaries for the sentence's priority lookups (a no-op inside
    // the line's own hold).
    const bool bPrior = g_bUserDictPrior;
    std::optional<CUserDictReadLock> hold;
    if (bPrior) hold.emplace();
    m_bKeeping = bPrior && m_pKeepLine == sLine && nLen <= m_nKeepLen;
    // The dictionaries of the priority lookups, read once: they stay the same under the hold.
    CPDAT::View fieldView;
    CTrie::View userView;
    if (bPrior) {
        if (const CPDAT* pField = g_pFieldDict) fieldView = CPDAT::View(*pField);
        if (const CTrie* pUser = g_pUserDict) userView = CTrie::View(*pUser);
    }

    // Room for every atom the sentence can have (one per byte before the bound, the start and
    // end atoms): the atoms are stored through a pointer without a capacity test each.
    const size_t nMaxAtoms = size_t(nBoundAt - nStart) + 2;
    if (m_vecAtom.size() < nMaxAtoms) m_vecAtom.resize(std::max(nMaxAtoms, 2 * m_vecAtom.size()));
    word_t* const pAtoms = m_vecAtom.data();
    const CPDAT::View coreView = m_pCoreDict ? CPDAT::View(*m_pCoreDict) : CPDAT::View();
    const unsigned char* const pLine = m_s;
    const tuchar* const pTypes = m_pTypes;
    word_t start;
    start.start = start.end = nStart;
    start.handle = gSent_StartID;
    start.type = kStartMark;
    pAtoms[0] = start;
    m_nAtomSize = 1;
    int nAtoms = 1;  // m_nAtomSize, kept in a register (set for NumberFollowUp and at the end)

    bool bEnded = false, bDoubleOpen = false, bSingleOpen = false;
    int i = nStart;
    while (i < nLen && !bEnded) {
        word_t atom;
        atom.start = i;
        int nPrior = bPrior ? PriorityLength(i, fieldView, userView) : 0;
        if (nPrior >= 1 && nPrior <= nLen - i) {
            atom.end = i + nPrior;
            atom.type = kPriorMark;
            atom.handle = -1;
        } else {
            // ClassAt(i) with the line in locals (i is inside the line).
            int nCode, nCharLen;
            const int nClass = CharClassAt(pLine, i, nLen, pTypes, nCode, nCharLen);
            atom.end = i + nCharLen;
            atom.type = tuchar(nClass < 0 ? 0 : nClass);
            atom.handle = coreView.FindChar(nCode);
            char sFull[3];
            switch (nClass) {
                case 1:
                case 3:
                    if (nCode == '\'') {
                        atom.handle = bSingleOpen ? gQuatation_RS_ID : gQuatation_LS_ID;
                        bSingleOpen = !bSingleOpen;
                    } else if (nCode == '"') {
                        atom.handle = bDoubleOpen ? gQuatation_RD_ID : gQuatation_LD_ID;
                        bDoubleOpen = !bDoubleOpen;
                    } else if (nCode == 0xA1AD) {
                        // the ellipsis keeps its own id
                    } else if (nCode == '^' && i + 1 < nLen && m_s[i + 1] == '^' &&
                               (!m_pSpanMarks || m_pSpanMarks->Opens(sLine + i))) {
                        int nSpanEnd = FindSpanEnd(i);
                        if (nSpanEnd > 0) {
                            atom.end = nSpanEnd;
                            atom.type = kSpanMark;
                        }
                    } else if (nCode < 0x80 && Delimiter2DictFormat(char(nCode), sFull)) {
                        atom.handle = m_pCoreDict ? m_pCoreDict->Find(CCharset::CharCode(sFull)) : -1;
                    }
                    break;
                case 2:
                    if (nAtoms >= 6) bEnded = true;
                    if (nCode < 0x80 && Delimiter2DictFormat(char(nCode), sFull))
                        atom.handle = m_pCoreDict ? m_pCoreDict->Find(CCharset::CharCode(sFull)) : -1;
                    break;
                case 4: {
                    bool bJoined = false;
                    int nNextLen;
                    while (atom.end < nBoundAt && ClassAt(atom.end, nullptr, &nNextLen) == 4) {
                        atom.end += nNextLen;
                        bJoined = true;
                    }
                    if (bJoined) atom.handle = gPunctation_WP_ID;
                    break;
                }
                case 5:
                case 7:
                case 29: {
                    bool bNumber = true;
                    if (nCode != '=') {
                        while (atom.end < nBoundAt) {
                            int nc2, nCode2, nLen2;
                            nc2 = ClassAt(atom.end, &nCode2, &nLen2);
                            bool bJoins = (nc2 == 7 && nClass != 29) || (nc2 == 29 && nClass != 7) || nc2 == 5 ||
                                          ((nc2 == 10 || nc2 == 11) && bNumber) || nc2 == 3 ||
                                          (g_nGranularity == 0 && nc2 == 8);
                            if (!bJoins) break;
                            if (g_nGranularity == 0 && nc2 == 8 && !IsLetterO(nCode2)) bNumber = false;
                            if (nc2 == 11 && ClassAt(atom.end + nLen2) == 12) break;
                            atom.end += nLen2;
                        }
                    }
                    if (bNumber) {
                        atom.handle = gUnknown_m_ID;
                    } else {
                        atom.type = 8;
                        atom.handle = gUnknown_x_ID;
                    }
                    break;
                }
                case 6:
                    atom.handle = gUnknown_m_ID;
                    break;
                case 8: {
                    int nc2, nLen2;
                    while (atom.end < nBoundAt && (nc2 = ClassAt(atom.end, nullptr, &nLen2)) >= 0 &&
                           (nc2 == 8 || nc2 == 3 || (g_nGranularity == 0 && (nc2 == 5 || nc2 == 7 || nc2 == 29))))
                        atom.end += nLen2;
                    if (m_s[atom.end - 1] == '.' && atom.end - 1 > i && g_pEnglishDict &&
                        g_pEnglishDict->Find(sLine + i, unsigned(atom.end - 1 - i)) > 0)
                        atom.end -= 1;
                    atom.handle = gUnknown_x_ID;
                    break;
                }
                case 9:
                case 10:
                case 11:
                    NumeralRun(atom, nClass);
                    break;
                case 13: {
                    int j = atom.end, nLast = 13, nc2, nLen2;
                    while (j < nBoundAt && ((nc2 = ClassAt(j, nullptr, &nLen2)) == 10 || nc2 == 11 || nc2 == 13)) {
                        nLast = nc2;
                        j += nLen2;
                    }
                    if (j > atom.end && nLast != 13) {
                        atom.end = j;
                        atom.handle = gUnknown_m_ID;
                    }
                    break;
                }
                case 28:
                    atom.handle = gSent_EndID;
                    if (nCode != ' ' && nCode != '\t') bEnded = true;
                    break;
                default:
                    break;
            }
        }
        word_t* pLookup = &atom;
        bool bKeep = true;
        if (atom.handle == gUnknown_m_ID && atom.type != kPriorMark) {
            m_nAtomSize = nAtoms;
            bKeep = NumberFollowUp(atom);
            if (!bKeep) pLookup = &pAtoms[nAtoms - 1];
        }
        if ((pLookup->handle == gUnknown_t_ID || pLookup->handle == gUnknown_m_ID) && m_pCoreDict &&
            pLookup->type != kPriorMark) {
            int nHandle = m_pCoreDict->Find(sLine + pLookup->start, unsigned(pLookup->end - pLookup->start));
            if (nHandle >= 0) pLookup->handle = nHandle;
        }
        i = pLookup->end;
        if (bKeep) pAtoms[nAtoms++] = atom;
        // A sentence that reaches the bound without a sentence end ends here, at this atom's end.
        if (!bEnded && i >= nBoundAt && i < nLen) bEnded = m_bBoundEnded = true;
    }
    word_t end;
    end.start = end.end = i;
    end.handle = gSent_EndID;
    end.type = kEndMark;
    pAtoms[nAtoms++] = end;
    m_nAtomSize = nAtoms;
    return sLine + i;
}

bool CPreProcess::IsPieceBoundary(const char* sLine, int nLen, int nFrom, const word_t& lastAtom,
                                  bool bBlankAfter) const {
    const int nCut = lastAtom.end;
    if (!sLine || lastAtom.type != 28 || nCut - lastAtom.start != 2 || nCut >= nLen || nFrom < 0 || nFrom > nCut - 2)
        return false;
    const unsigned char* s = reinterpret_cast<const unsigned char*>(sLine);
    // The sentence end is a whole two-byte character: the output merges nothing across it (its
    // runs join ASCII punctuation, blanks and letters, never a sentence end of type 28).
    if (s[nCut - 2] < 0x80) return false;
    // What follows starts the next sentence: not white space, which a line processed on its own
    // drops at its start (unless bBlankAfter), and not a second sentence end, which the numeral
    // rule could join.
    const unsigned char c = s[nCut];
    const bool bBlank = c == ' ' || c == '\t' || c == '\r' || c == '\n';
    if (c == 0 || (bBlank && !bBlankAfter)) return false;
    int nCode, nCharLen;
    if (!bBlank && CharClassAt(s, nCut, nLen, m_pTypes, nCode, nCharLen) == 28) return false;
    // No dictionary word may cross the cut: the output looks both dictionaries up at each word's
    // start and takes a word that ends on a later word's start, in the next sentence too.
    CUserDictReadLock hold;
    const CPDAT* pField = g_pFieldDict;
    const CTrie* pUser = g_pUserDict;
    if (!pField && !pUser) return true;
    const int nWindow = nCut - kDictWordWindow;
    for (int i = nFrom; i < nCut;) {
        if (i >= nWindow) {
            int nHandle = -1;
            bool bBlank = false;
            char sPos[40];
            if (pField && i + pField->GetMaxWord(sLine + i, &nHandle, &bBlank) > nCut) return false;
            if (pUser && i + pUser->GetMaxWord(sLine + i, &nHandle, sPos) > nCut) return false;
        }
        i += (s[i] >= 0x80 && i + 1 < nLen) ? 2 : 1;
    }
    return true;
}

bool CPreProcess::IsValidPosition(int nIndex, int nLen) const {
    if (nIndex < 0 || nIndex >= m_nAtomSize) return false;
    int nTarget = m_vecAtom[size_t(nIndex)].start + nLen;
    int k = nIndex + 1;
    while (k < m_nAtomSize && m_vecAtom[size_t(k)].end < nTarget) ++k;
    return k < m_nAtomSize && m_vecAtom[size_t(k)].end == nTarget;
}

const char* CPreProcess::FullSegment(const char* sLine, int nStart, int nLen) {
    const char* pNext = AtomSegment(sLine, nStart, nLen);
    m_nGraphLength = 0;
    if (m_nAtomSize < 3) return pNext;

    const word_t* pAtoms = m_vecAtom.data();
    int nBase = pAtoms[0].start;
    int nLast = m_nAtomSize - 1;
    m_nGraphLength = pAtoms[nLast].start - nBase + 2;
    // The slot arrays only grow; every slot is written below (the empty ones, inside atoms, with
    // 0 and null) instead of all of them being cleared first. The atoms tile the sentence.
    if (m_pWordCounter.size() < size_t(m_nGraphLength)) {
        const size_t nSlots = std::max(size_t(m_nGraphLength), 2 * m_pWordCounter.size());
        m_pWordCounter.resize(nSlots);
        m_pWordGraph.resize(nSlots);
    }
    word_t** pGraph = m_pWordGraph.data();
    int* pCounter = m_pWordCounter.data();

    // The core words at every atom that is not alone, walked together so that their cache misses
    // overlap (the walks miss the cache at nearly every step).
    const int nUnknownT = gUnknown_t_ID, nUnknownX = gUnknown_x_ID, nUnknownM = gUnknown_m_ID;
    const bool bWalk = m_pCoreDict && m_nCadidateSize > 0;
    size_t nWords = size_t(m_nAtomSize);
    // The walks' starts and minimum lengths, one per atom at most (arrays that only grow).
    if (m_vecWalkStart.size() < size_t(nLast)) {
        m_vecWalkStart.resize(size_t(nLast));
        m_vecWalkMin.resize(size_t(nLast));
    }
    int* const pWalkStart = m_vecWalkStart.data();
    int* const pWalkMin = m_vecWalkMin.data();
    size_t nWalks = 0;
    if (bWalk) {
        for (int k = 1; k < nLast; ++k) {
            if (IsStandAlone(pAtoms[k], nUnknownT, nUnknownX, nUnknownM)) continue;
            pWalkStart[nWalks] = pAtoms[k].start;
            pWalkMin[nWalks++] = pAtoms[k].end - pAtoms[k].start;
        }
        m_pCoreDict->GetWordsAt(sLine, pWalkStart, pWalkMin, nWalks, m_wordsAt);
        nWords += m_wordsAt.Total();
    }
    // Room for every word at once (the pool only grows): the slot pointers taken below stay valid.
    if (m_vecPool.size() < nWords) m_vecPool.resize(std::max(nWords, 2 * m_vecPool.size()));
    word_t* const pPool = m_vecPool.data();
    size_t nUsed = 0;

    pGraph[0] = pPool;
    pPool[nUsed++] = pAtoms[0];
    pCounter[0] = 1;
    size_t nWalk = 0;
    for (int k = 1; k < nLast; ++k) {
        const word_t& atom = pAtoms[k];
        int nSlot = atom.start - nBase + 1;
        // The slots inside the atom are empty. The first is cleared whatever the atom's length:
        // after a one-byte atom it is the next atom's slot, which that atom writes afterwards.
        pCounter[nSlot + 1] = 0;
        pGraph[nSlot + 1] = nullptr;
        if (atom.end - atom.start > 2) {
            for (int p = nSlot + 2; p < nSlot + atom.end - atom.start; ++p) {
                pCounter[p] = 0;
                pGraph[p] = nullptr;
            }
        }
        pGraph[nSlot] = pPool + nUsed;
        pPool[nUsed++] = atom;
        int nCount = 1;
        // The atoms that were walked, in order: the next walk starts here when this one was.
        if (nWalk < nWalks && pWalkStart[nWalk] == atom.start) {
            // Candidates come shortest first, so one forward walk over the atoms checks them all.
            int m = k + 1;
            for (int32_t r = m_wordsAt.First(nWalk); r >= 0; r = m_wordsAt.Next(r)) {
                const CPDAT::WordHit& hit = m_wordsAt.Hit(r);
                int nWordEnd = atom.start + hit.nEnd;
                while (m <= nLast && pAtoms[m].end < nWordEnd) ++m;
                if (m > nLast) break;
                if (pAtoms[m].end != nWordEnd) continue;
                word_t& w = pPool[nUsed++];
                w = atom;
                w.end = nWordEnd;
                w.handle = int(static_cast<unsigned int>(hit.nHandle));
                ++nCount;
            }
            ++nWalk;
        }
        pCounter[nSlot] = nCount;
    }
    pGraph[m_nGraphLength - 1] = pPool + nUsed;
    pPool[nUsed++] = pAtoms[nLast];
    pCounter[m_nGraphLength - 1] = 1;
    return pNext;
}

int CPreProcess::GetCharVector(const char* sLine, std::vector<tstring>& vecChar, bool bStopRemove) {
    vecChar.clear();
    if (!sLine) return 0;
    int nLen = int(strlen(sLine));
    int nPos = 0;
    do {
        nPos = int(AtomSegment(sLine, nPos, nLen) - sLine);
        for (int k = 0; k < m_nAtomSize; ++k) {
            const word_t& a = m_vecAtom[size_t(k)];
            if (a.type >= kStartMark || a.type == 28) continue;
            if (bStopRemove && a.type < 7) continue;
            vecChar.emplace_back(sLine + a.start, size_t(a.end - a.start));
        }
    } while (nPos < nLen);
    return int(vecChar.size());
}
