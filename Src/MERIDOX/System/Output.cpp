// Result output of an engine instance: the text and the rows of one line's words, with the user
// and field dictionary overrides, the merges, tags, weights and finer pieces; the unigram
// probabilities behind the weights; learning a user word.
#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "EnglishParser/English.h"
#include "MERIDOX/Segment/PreProcess.h"
#include "MERIDOX/System/EngineConfig.h"
#include "MERIDOX/System/EngineGlobals.h"
#include "MERIDOX/System/MainSystem.h"
#include "Utility/MutexLock.h"
#include "Utility/NumberType.h"
#include "Utility/PDAT.h"
#include "Utility/POSmap.h"
#include "Utility/Trie.h"
#include "Utility/Unigram.h"
#include "Utility/WordList.h"

namespace {

// Tag ids the output rules name (ids of the configured tag set).
const int kTagNumeral = 18;
const int kTagNoun = 21;
const int kTagPerson = 24;
const int kTagSentenceEnd = 82;
const int kTagEnglish = 93;
const int kTagWeb = 96;
const int kTagMail = 97;
const int kTagSlashes = 98;
const int kFinerMinBytes = 6;  // units longer than this get finer pieces
const int kFinerMaxPiece = 6;  // longest piece in bytes
const int kWeightCacheSize = 4096;  // unigram counts below this keep their row weight
const int kSpanType = 'c';          // word type of a "^^" span atom

bool IsPunctuationTag(int nPOS) { return nPOS >= 78 && nPOS <= 92; }

bool IsClassHandle(int h) {
    return h == gUnknown_m_ID || h == gUnknown_x_ID || h == gUnknown_nr_ID || h == gUnknown_ns_ID ||
           h == gUnknown_nt_ID || h == gUnknown_t_ID || h == gUnknown_nz_ID;
}

bool IsNumberClass(int t) { return t == 5 || t == 7 || t == 29; }

// Bytes of a unit of white space only (blanks, TABs, CR, LF) that its text keeps: the line
// breaks. -1 when the unit holds anything else.
int LineBreaksOfSpace(const char* p, int nLen) {
    int nBreaks = 0;
    for (int k = 0; k < nLen; ++k) {
        const char c = p[k];
        if (c == '\r' || c == '\n')
            ++nBreaks;
        else if (c != ' ' && c != '\t')
            return -1;
    }
    return nBreaks;
}

// Writes a line's text through a cursor into room made ahead in the result string, so a word's
// bytes, delimiter, tag and boundary cost plain stores instead of a checked append each. Room(n)
// is asked before writing n bytes; the string is cut to what was written when the cursor goes.
class CTextCursor {
public:
    CTextCursor(tstring& sText, size_t nRoom)
        : m_sText(sText), m_pText(&sText[0]), m_nUsed(sText.size()), m_nEnd(sText.size()) {
        Room(nRoom);
    }
    ~CTextCursor() { m_sText.resize(m_nUsed); }
    CTextCursor(const CTextCursor&) = delete;
    CTextCursor& operator=(const CTextCursor&) = delete;

    void Room(size_t n) {
        if (n > m_nEnd - m_nUsed) Grow(n);
    }
    void Put(char c) { m_pText[m_nUsed++] = c; }
    // A word's text: nBytes > 0.
    void Put(const char* s, size_t nBytes) {
        memcpy(m_pText + m_nUsed, s, nBytes);
        m_nUsed += nBytes;
    }
    // A word of at most 8 bytes whose source has 8 readable bytes: one fixed-size copy (the
    // bytes after the word are overwritten by what follows or cut at the end).
    void PutUpTo8(const char* s, size_t nBytes) {
        memcpy(m_pText + m_nUsed, s, 8);
        m_nUsed += nBytes;
    }
    // A delimiter or boundary: the nBytes (0..2) first bytes of a two-byte array, both stored
    // (the room asked always covers two bytes more).
    void PutShort(const char (&s)[2], size_t nBytes) {
        m_pText[m_nUsed] = s[0];
        m_pText[m_nUsed + 1] = s[1];
        m_nUsed += nBytes;
    }
    // A tag of nLen bytes padded to 40 bytes with NULs: one fixed-size copy (the room asked always
    // covers a row's tag size).
    static_assert(sizeof(result_t::sPOS) == 40, "a row tag is 40 bytes");
    void PutTag40(const char (&s)[40], size_t nLen) {
        memcpy(m_pText + m_nUsed, s, 40);
        m_nUsed += nLen;
    }
    // A tag as a row keeps it (ResultPOSLength bytes): ASCII tags are copied while they are
    // measured; a tag with other bytes is measured first.
    void PutTag(const char* sTag) {
        const size_t nMax = sizeof(result_t::sPOS) - 1;
        char* d = m_pText + m_nUsed;
        size_t n = 0;
        for (; n < nMax; ++n) {
            const unsigned char c = (unsigned char)sTag[n];
            if (c == 0 || c >= 0x80) break;
            d[n] = char(c);
        }
        if (n < nMax && sTag[n] != 0) {
            n = ResultPOSLength(sTag);
            memcpy(d, sTag, n);
        }
        m_nUsed += n;
    }

private:
    void Grow(size_t n) {
        const size_t nEnd = std::max(m_nUsed + n, 2 * m_sText.size());
        m_sText.resize(nEnd);
        m_pText = &m_sText[0];
        m_nEnd = nEnd;
    }

    tstring& m_sText;
    char* m_pText;
    size_t m_nUsed;
    size_t m_nEnd;
};

// P = (f + 0.05) / (T + I x 0.05); 1 for a table without counts.
double SmoothedProb(const CUnigram* pUnigram, int nHandle) {
    if (!pUnigram) return 1.0;
    double dDenominator = double(pUnigram->GetTotalFreq()) + double(pUnigram->GetItemCount()) * 0.05;
    if (!(dDenominator > 0)) return 1.0;
    double f = nHandle < 0 ? 0.0 : double(pUnigram->GetFreq(nHandle));
    return (f + 0.05) / dDenominator;
}

}  // namespace

double CMainSystem::GetUniProb(const char* sWord) {
    if (!sWord) sWord = "";
    if (isalpha((unsigned char)sWord[0]) && (unsigned char)sWord[0] < 0x80) {
        int h = g_pEnglishDict ? g_pEnglishDict->Find(sWord) : -1;
        return SmoothedProb(g_pEnglishUnigram, h);
    }
    int h = g_pCoreDict ? g_pCoreDict->Find(sWord) : -1;
    return SmoothedProb(g_pUnigram, h);
}

double CMainSystem::GetUniProb(int nHandle) { return SmoothedProb(g_pUnigram, nHandle); }

int AddUserWordO(const char* sWord) {
    if (!sWord) return 0;
    // Most names a text learns are known already (every earlier mention added them). Asking
    // under a shared hold (nested in the caller's) spares those the exclusive lock, which would
    // wait for every other thread's line to end and stall all of them meanwhile.
    {
        CUserDictReadLock peek;
        if (g_pUserDict && g_pUserDict->Find(sWord) >= 0) return 0;
    }
    // Output learns names while it holds the shared lock for its line: let go of it first.
    CUserDictReadSuspend suspend;
    CMutexLock lock(&g_mutex);
    CUserDictWriteLock writeLock;
    if (!g_pUserDict) {
        g_pUserDict = new CTrie;
        if (g_pKOVEX) g_pKOVEX->SetUserDict(g_pUserDict);
        for (int i = 0; g_vecKOVEX && i < g_nCopyMemSize; ++i)
            if (g_vecKOVEX[i]) g_vecKOVEX[i]->SetUserDict(g_pUserDict);
    }
    if (g_pUserDict->Find(sWord) >= 0) return 0;
    return g_pUserDict->AddTrie(sWord, false);
}

int CMainSystem::Output(const char* pLine, word_t* pWords, int nWordCount, int nStartLen, int bPOStagged,
                        bool bUserDict) {
    const int nPOSmap = m_nPOSmap.load();
    if (g_bPOSTagger && (nPOSmap < 0 || nPOSmap > 3)) return 0;
    const CPOSmap* pPOSmap = g_ppPOSmap ? g_ppPOSmap[nPOSmap] : nullptr;
    const bool bTagging = g_bPOSTagger && bPOStagged;
    // The lines of a long text keep only what the caller reads: the text (Process) or the rows
    // (ProcessA); the other part would be dropped line by line.
    const bool bRows = !m_bTextOnly;
    const bool bText = !m_bRowsOnly;
    tstring sDelim, sBound;
    AppendFirstChar(sDelim, g_sPOSDelimiter);
    AppendFirstChar(sBound, g_sWordBoundary);
    const size_t nDelim = sDelim.size(), nBound = sBound.size();
    const char aDelim[2] = {nDelim > 0 ? sDelim[0] : '\0', nDelim > 1 ? sDelim[1] : '\0'};
    const char aBound[2] = {nBound > 0 ? sBound[0] : '\0', nBound > 1 ? sBound[1] : '\0'};
    const bool bFiner = g_bFinerSegCombined;
    const bool bDictionaries = bUserDict;
    // Held for the whole line (a no-op inside ProcessAtom's own hold): every unit's lookups and
    // tag copies run under it. Learning a word suspends it, and so does a waiting writer between
    // two units; the next unit then reads the dictionaries anew.
    CUserDictReadLock hold;
    // The atom segmentation of this line, under the same unbroken hold, already looked both
    // dictionaries up at every atom start (when user words take priority); its answers serve
    // until a learnt word lets go of the hold.
    const CPreProcess* pKept = m_pPreProcess ? m_pPreProcess.get() : nullptr;
    // Its answers in order of line offset, read once for the line; the units come in order of
    // offset too, so one forward cursor finds each unit's answer (an end mark stops it). An
    // offset it looked at without an answer found nothing.
    size_t nKeptCount = 0;
    const uint64_t* pLooked = nullptr;
    int nLookedFrom = 0, nLookedEnd = 0;
    const CPreProcess::KeptLookup* pKeptAt =
        pKept ? pKept->GetKeptLookups(pLine, &nKeptCount, &pLooked, &nLookedFrom, &nLookedEnd)
              : CPreProcess::NoLookups();

    // A row's weight is ProbabilityToWeight((f + 0.05) / D) with f the word's unigram count and D
    // the table's denominator; counts below kWeightCacheSize keep theirs while D stays the same.
    const CUnigram* pUnigram = g_pUnigram;
    const double dDenominator =
        pUnigram ? double(pUnigram->GetTotalFreq()) + double(pUnigram->GetItemCount()) * 0.05 : 0.0;
    const bool bWeightCache = bRows && dDenominator > 0;
    if (bWeightCache && (dDenominator != m_dWeightDenominator || m_vecWeightByFreq.empty())) {
        // INT_MIN marks "not computed": a count f >= 0 over D >= 0.05 never gives it.
        m_vecWeightByFreq.assign(size_t(kWeightCacheSize), INT_MIN);
        m_dWeightDenominator = dDenominator;
    }

    // The tag texts by POS id read for this line (the map is read again on the next line).
    if (m_vecTagText.empty()) m_vecTagText.resize(256);
    if (++m_nTagStamp == 0) {
        for (TagText& t : m_vecTagText) t.nStamp = 0;
        m_nTagStamp = 1;
    }
    TagText* const pTagText = m_vecTagText.data();
    const unsigned int nTagStamp = m_nTagStamp;

    // Tag ids of the dictionary words' tag texts met in this line (the map stays the same through it).
    struct IdSlot {
        bool bSet = false;
        int nId = 255;
        char s[40];
    };
    constexpr unsigned int kIdSlots = 16;
    IdSlot aIdSlots[kIdSlots];

    const int nOneID = gOneID;  // set when the dictionaries load, not while a line is written

    int nRows = int(m_pVecResult.size());
    const int nSpan = nWordCount > 0 ? pWords[nWordCount - 1].end - pWords[0].start : 0;
    // Room for the words, one delimiter, a short tag and a boundary each; longer ones grow it.
    CTextCursor text(m_sResult, bText ? size_t(std::max(nSpan, 0)) + 8 * size_t(nWordCount) + 64 : 0);
    // Bytes before this are readable (the words index them).
    const char* const pLineEnd = nWordCount > 0 ? pLine + pWords[nWordCount - 1].end : pLine;
    // Offsets from nLookedFrom up to this have a looked-at bit (counted from nLookedFrom).
    size_t nLooked = pLooked ? size_t(std::max(std::min(int(pLineEnd - pLine), nLookedEnd) - nLookedFrom, 0)) : 0;

    // Forgets the kept lookups once the hold was let go and the dictionaries changed meanwhile:
    // the units from then on look the dictionaries up themselves.
    auto ForgetKeptLookups = [&] {
        pKept = nullptr;
        pKeptAt = CPreProcess::NoLookups();
        pLooked = nullptr;
        nLooked = 0;
    };

    int i = 0;
    while (i < nWordCount) {
        // A writer waiting for the dictionaries goes first (nothing read under the hold is kept
        // from one unit to the next but the lookups).
        if (UserDictLetWritersIn()) ForgetKeptLookups();
        word_t& w = pWords[i];
        // Zeroed when rows are kept; the text alone reads only the fields set below (the tag of
        // a dictionary word is copied into a zeroed sPOS).
        result_t row;
        if (bRows) row = result_t{};
        int nStep = 1;
        bool bBracket = false, bDictWord = false, bAccepted = false;
        int handle = w.handle;
        const int nCoreHandle = w.handle;
        row.word_ID = w.handle;
        if (bRows) {
            const int nFreq = bWeightCache && w.handle >= 0 ? pUnigram->GetFreq(w.handle) : 0;
            if (bWeightCache && nFreq >= 0 && nFreq < kWeightCacheSize) {
                int& nWeight = m_vecWeightByFreq[size_t(nFreq)];
                if (nWeight == INT_MIN) nWeight = ProbabilityToWeight(SmoothedProb(pUnigram, w.handle));
                row.weight = nWeight;
            } else {
                row.weight = ProbabilityToWeight(SmoothedProb(pUnigram, w.handle));
            }
        }
        row.word_type = w.type == 'f' ? 2 : 0;
        const int nOwnLen = w.end - w.start;
        int nWordLen = 0;
        bool bLearn = false;  // the unit is a name to learn (its text in m_sLearn)
        size_t nRowTag = 0;   // bytes of row.sPOS once a dictionary tag is set

        // Dictionary override: lookups and tag copies under the line's shared hold.
        if (bDictionaries) {
            int nFieldLen = 0, nUserLen = 0, nFieldHandle = -1, nUserHandle = -1;
            bool bBlank = false, bAny = false;
            char sUserTag[40];
            sUserTag[0] = 0;
            // The field word's tag list, read when the word is taken (null: no tag).
            const CWordList* pFieldTags = nullptr;
            {
                const CPDAT* pField = g_pFieldDict;
                const CTrie* pUser = g_pUserDict;
                if (pField || pUser) {
                    bAny = true;
                    const int nAt = w.start;
                    const CPreProcess::KeptLookup* pLook = nullptr;
                    const size_t nBit = size_t(nAt - nLookedFrom);
                    if (nAt >= nLookedFrom && nBit < nLooked && ((pLooked[nBit >> 6] >> (nAt & 63)) & 1)) {
                        const CPreProcess::KeptLookup* pNext = pKeptAt;
                        while (pNext->nOffset < nAt) ++pNext;
                        pKeptAt = pNext;
                        pLook = pNext->nOffset == nAt ? pNext : CPreProcess::ZeroLookup();
                    }
                    if (pField) {
                        if (pLook) {
                            nFieldLen = pLook->nFieldLen;
                            if (nFieldLen > 0) {
                                nFieldHandle = pLook->nFieldHandle;
                                bBlank = pLook->bFieldBlank;
                            }
                        } else {
                            nFieldLen = pField->GetMaxWord(pLine + w.start, &nFieldHandle, &bBlank);
                        }
                        if (nFieldLen < nOwnLen || (nFieldLen == nOwnLen && IsPunctuationTag(w.POS_id)))
                            nFieldLen = 0;
                        if (nFieldLen > 0 && g_pFieldPOS && nFieldHandle >= 0) pFieldTags = g_pFieldPOS;
                    }
                    if (pUser) {
                        if (pLook) {
                            nUserLen = pLook->nUserLen;
                            if (nUserLen > 0) {
                                nUserHandle = pLook->nUserHandle;
                                memcpy(sUserTag, pKept->GetKeptUserTag(*pLook), sizeof sUserTag);
                            }
                        } else {
                            nUserLen = pUser->GetMaxWord(pLine + w.start, &nUserHandle, sUserTag);
                        }
                        if (nUserLen < 0 || (nUserLen == nOwnLen && IsPunctuationTag(w.POS_id))) nUserLen = 0;
                    }
                }
            }
            if (bAny) {
                int nMatch = 0;
                bool bField = false;
                if (nFieldLen > nUserLen && nFieldLen > 1) {
                    nMatch = nFieldLen;
                    bField = true;
                } else if (nUserLen >= nFieldLen && nUserLen > 1) {
                    nMatch = nUserLen;
                }
                if (bBlank) bBracket = true;
                if (nMatch > 0) {
                    const int nEnd = w.start + nMatch;
                    while (i + nStep < nWordCount && pWords[i + nStep].start < nEnd) ++nStep;
                    bAccepted = (i + nStep < nWordCount && pWords[i + nStep].start == nEnd) ||
                                (i + nStep == nWordCount && pWords[nWordCount - 1].end == nEnd);
                }
                if (!bAccepted) {
                    nStep = 1;
                    bBracket = false;
                } else {
                    w.type = 'e';
                    handle = bTagging ? (bField ? nFieldHandle : nUserHandle) : 0;
                    if (bTagging) bDictWord = true;
                    // A row's tag text is cut the same way whether it is measured once or twice.
                    if (!bRows) memset(row.sPOS, 0, sizeof row.sPOS);
                    nRowTag = SetResultPOS(row, bField ? (pFieldTags ? pFieldTags->GetWord(nFieldHandle) : "") : sUserTag);
                    // row.sPOS is NUL-padded (the row starts zeroed): equal texts have equal 40 bytes.
                    int nId = 255;
                    if (pPOSmap) {
                        IdSlot& slot = aIdSlots[((unsigned char)row.sPOS[0] + 3u * (unsigned char)row.sPOS[1]) &
                                                (kIdSlots - 1)];
                        if (slot.bSet && memcmp(slot.s, row.sPOS, sizeof slot.s) == 0) {
                            nId = slot.nId;
                        } else {
                            nId = pPOSmap->GetID(row.sPOS);
                            memcpy(slot.s, row.sPOS, sizeof slot.s);
                            slot.nId = nId;
                            slot.bSet = true;
                        }
                    }
                    row.iPOS = bTagging ? nId : -1;
                    if (!bField) w.POS_id = tuchar(nId);
                    if (nId == 255) w.POS_id = kTagNoun;
                    row.word_ID = -1;
                    row.word_type = 1;
                }
            }
        }

        // Unit length.
        nWordLen = (i + nStep < nWordCount ? pWords[i + nStep].start : pWords[nWordCount - 1].end) - w.start;

        // Merges: the first rule that applies; an accepted dictionary unit is final.
        if (!bAccepted) {
            const char c0 = pLine[w.start];
            if (nCoreHandle == nOneID && nOneID >= 0 && i + 2 < nWordCount &&
                pWords[i + 1].end - pWords[i + 1].start == 2 && pWords[i + 1].handle == pWords[i + 2].handle) {
                nStep = 3;
                nWordLen = pWords[i + 2].end - w.start;
                handle = gUnknown_m_ID;
                if (bTagging) w.POS_id = kTagNumeral;
            } else if (c0 == '@' && [&] {
                           int k = 1;
                           while (i + k < nWordCount - 1 && k < 140) {
                               const word_t& x = pWords[i + k];
                               const char c = pLine[x.start];
                               if (c == '-' || c == '_' ||
                                   (x.type != 'y' && x.type != 1 && x.type != 2 && x.type != 4 && x.type != 28))
                                   ++k;
                               else
                                   break;
                           }
                           if (k == 1) return false;
                           nStep = k;
                           return true;
                       }()) {
                nWordLen = pWords[i + nStep].start - w.start;
                w.POS_id = kTagPerson;
            } else if (w.type == 8 || IsNumberClass(w.type)) {
                int k = 1, nDots = 0;
                bool bAt = false;
                while (i + k <= nWordCount - 1) {
                    const word_t& x = pWords[i + k];
                    const char c = pLine[x.start];
                    bool bJoin = x.type == 8 || IsNumberClass(x.type) || c == '/' || c == '\\' || c == '_' ||
                                 c == '.' || c == '@';
                    if (!bJoin && c == ':' && i + k + 1 < nWordCount - 1) {
                        const word_t& y = pWords[i + k + 1];
                        const char c1 = pLine[x.start + 1];
                        bJoin = y.type == 8 || y.type == 7 || c1 == '/' || c1 == '\\';
                    }
                    if (!bJoin) break;
                    if (c == '@') bAt = true;
                    if (c == '.') ++nDots;
                    ++k;
                }
                if (k >= 3 && nDots > 0) {
                    nStep = k;
                    nWordLen = (i + nStep < nWordCount ? pWords[i + nStep].start : pWords[nWordCount - 1].end) -
                               w.start;
                    if (bAt)
                        w.POS_id = kTagMail;
                    else if (w.POS_id != kTagMail)
                        w.POS_id = kTagWeb;
                } else {
                    nStep = 1;
                    if (w.type == 7 || w.type == 29 || (w.type == 5 && c0 != '+' && c0 != '-' && c0 != '=')) {
                        int j = i + 1;
                        while (j < nWordCount) {
                            const word_t& x = pWords[j];
                            const char c = pLine[x.start];
                            if (IsNumberClass(x.type) || x.POS_id == 84 || x.POS_id == 83 || x.POS_id == 87 ||
                                (c && strchr("()+-. ", c)))
                                ++j;
                            else
                                break;
                        }
                        while (j > i + 1 && pLine[pWords[j - 1].start] == ' ') --j;  // give back blanks
                        nStep = j - i;
                        for (int k2 = i + 1; k2 < j; ++k2)
                            if (pLine[pWords[k2].start] == ' ') bBracket = true;
                        nWordLen = pWords[j - 1].end - w.start;
                    }
                    if (IsNumberClass(w.type)) {
                        int nType = GetNumType(pLine + w.start, (unsigned long)nWordLen);
                        if (nType > 0) w.POS_id = tuchar(nType);
                    }
                }
            } else if (c0 == '/' && i < nWordCount - 2 && pLine[pWords[i + 1].start] == '/') {
                nStep = 2;
                nWordLen = pWords[i + 2].start - w.start;
                w.POS_id = kTagSlashes;
            } else if (nOwnLen == 4 && (w.POS_id == 24 || w.POS_id == 27) && i < nWordCount - 1 &&
                       pWords[i + 1].end - pWords[i + 1].start == 2 &&
                       (pWords[i + 1].POS_id == 4 || pWords[i + 1].POS_id == 12 || pWords[i + 1].POS_id == 22 ||
                        pWords[i + 1].POS_id == 41 || pWords[i + 1].POS_id == 71)) {
                nStep = 2;
                nWordLen = 6;
                m_sLearn.assign(pLine + w.start, 6);
                m_sLearn += " nr";
                bLearn = true;
            }
        }

        // Text. White space between words is stood for by the boundary already written after
        // the word before it, so each blank of the line gives at most that one boundary: a unit
        // of blanks and TABs writes nothing, one with line breaks only its CR and LF bytes (and
        // a boundary after them, so that a break stays a unit of its own).
        const char* pUnit = pLine + w.start;
        // The conversion's marks around blanks that stand for characters without a GBK form: the
        // text gets the blanks, which the conversion back keeps as they are, and no finer pieces.
        const bool bMarkSpan = m_bMarkSpans && w.type == kSpanType && nStep == 1 && nWordLen >= 4;
        const int nSpaceBreaks = (w.type == 28 || w.type == 'y') ? LineBreaksOfSpace(pUnit, nWordLen) : -1;
        const bool bWriteUnit = nSpaceBreaks != 0;
        if (bText && nSpaceBreaks > 0) {
            text.Room(size_t(nSpaceBreaks) + nBound + 2);
            for (int k = 0; k < nWordLen; ++k)
                if (pUnit[k] == '\r' || pUnit[k] == '\n') text.Put(pUnit[k]);
        } else if (bText && bWriteUnit) {
            text.Room(size_t(nWordLen) + 10 + nDelim + sizeof row.sPOS + nBound);
            if (bBracket) text.Put('[');
            if (bMarkSpan)
                text.Put(pUnit + 2, size_t(nWordLen) - 4);
            else if (nWordLen <= 8 && pUnit + 8 <= pLineEnd)
                text.PutUpTo8(pUnit, size_t(nWordLen));
            else
                text.Put(pUnit, size_t(nWordLen));
            if (bBracket) text.Put(']');
        }

        // Row.
        row.start = nStartLen + w.start;
        row.length = nWordLen;
        if (bRows && IsClassHandle(handle)) row.word_ID = -1;

        // Tag.
        if (w.type == 28 || w.type == 'x' || w.type == 'y') {
            row.word_ID = -1;
            row.iPOS = bTagging ? (w.type == 28 ? kTagSentenceEnd : int(w.POS_id)) : -1;
        } else if (bTagging) {
            if (bText && !bBracket) text.PutShort(aDelim, nDelim);
            if (w.POS_id == kTagEnglish) {
                int nLocal = -1;
                int nPOS = m_pEnglishParser->GetWordPos(pUnit, nWordLen, nLocal);
                w.POS_id = tuchar(nPOS == 255 ? kTagEnglish : nPOS);
            }
            if (bDictWord) {
                // row.sPOS holds the cut text (NUL-padded): measuring it again gives nRowTag.
                if (bText) text.PutTag40(row.sPOS, nRowTag);
            } else {
                // row.sPOS is all NULs here, so copying the padded text equals SetResultPOS.
                TagText& t = pTagText[w.POS_id];
                if (t.nStamp != nTagStamp) {
                    const char* sTag = pPOSmap ? pPOSmap->GetPOS(w.POS_id) : "";
                    if (!sTag) sTag = "";
                    const size_t n = ResultPOSLength(sTag);
                    memset(t.s, 0, sizeof t.s);
                    memcpy(t.s, sTag, n);
                    t.nLen = (unsigned int)n;
                    t.nStamp = nTagStamp;
                }
                if (bRows) memcpy(row.sPOS, t.s, sizeof row.sPOS);
                if (bText) text.PutTag40(t.s, t.nLen);
            }
            if (row.word_type != 1) row.iPOS = w.POS_id;
        } else {
            row.iPOS = -1;
        }

        // Boundary.
        if (bText && bWriteUnit) text.PutShort(aBound, nBound);
        if (bRows) m_pVecResult.push_back(row);
        ++nRows;

        // Finer pieces.
        if (bFiner && nWordLen > kFinerMinBytes && g_pCoreDict && !bMarkSpan) {
            m_sUnit.assign(pUnit, size_t(nWordLen));
            // A per-call buffer: the three-argument form would use the shared dictionary's own.
            char* sCut = nullptr;
            int nCutSize = 0;
            int nCut = g_pCoreDict->MMSegment(m_sUnit.c_str(), nullptr, nullptr, &sCut, &nCutSize, false, false,
                                              kFinerMaxPiece, '\t');
            const bool bCut = nCut >= 0 && sCut;
            if (bCut) m_vecPieces.assign(sCut, sCut + strlen(sCut) + 1);
            free(sCut);
            if (bCut) {
                const char* s = m_vecPieces.data();
                int nOffset = 0;
                size_t p = 0, n = strlen(s);
                while (p < n) {
                    // Every piece has at least one byte, so a TAB right at p is a piece.
                    const char* pTab = strchr(s + p + 1, '\t');
                    size_t e = pTab ? size_t(pTab - s) : n;
                    size_t nPiece = e - p;
                    if (bText && nSpaceBreaks < 0) {  // white space writes no pieces either
                        text.Room(nPiece + nDelim + sizeof row.sPOS + nBound + 2);
                        text.Put(s + p, nPiece);
                        if (bTagging) {
                            text.PutShort(aDelim, nDelim);
                            text.PutTag("seg");
                        }
                        text.PutShort(aBound, nBound);
                    }
                    if (bRows) {
                        m_sScratch.assign(s + p, nPiece);
                        result_t piece{};
                        piece.start = row.start + nOffset;
                        piece.length = int(nPiece);
                        SetResultPOS(piece, "seg");
                        piece.iPOS = -1;
                        piece.word_ID = g_pCoreDict->Find(m_sScratch.c_str());
                        piece.weight = 0;
                        piece.word_type = 0;
                        m_pVecResult.push_back(piece);
                    }
                    ++nRows;
                    nOffset += int(nPiece);
                    p = e + 1;
                }
            }
        }

        if (bLearn) {
            AddUserWordO(m_sLearn.c_str());
            ForgetKeptLookups();  // the hold was let go: the dictionaries may have changed
        }
        i += nStep;
    }
    return nRows;
}
