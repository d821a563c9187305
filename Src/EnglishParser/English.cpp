#include "EnglishParser/English.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>

#include "MERIDOX/System/EngineGlobals.h"
#include "Utility/GBKChar.h"
#include "Utility/IDMaps.h"
#include "Utility/NumberType.h"
#include "Utility/PDAT.h"
#include "Utility/POS.h"
#include "Utility/POSmap.h"
#include "Utility/Settings.h"
#include "Utility/Trie.h"
#include "Utility/Unigram.h"
#include "Utility/WordList.h"

namespace {

// Tag ids of the configured tag set that the rules below name.
const int kTagBreak = 1;     // line break
const int kTagNumber = 18;   // number
const int kTagDefault = 21;  // a word without candidates
const int kTagPerson = 24;   // also a word led by '@'
const int kTagPlace = 29;
const int kTagPlaceAlt = 30;
const int kTagOrganisation = 31;
const int kTagOtherName = 32;
const int kTagPreposition = 34;
const int kTagPunctuation = 78;  // punctuation the core dictionary gives no tag
const int kTagEmail = 97;
const int kTagNone = 255;

// A best frequency of at least this ends the tag choice before the irregular-form map is tried.
const int kSureFrequency = 3;

// The delimiter set of the English tokenizer: exactly these 30 bytes (never the terminating NUL).
const char kDelimiters[] = " \t\r\n:\"&-=+()[]<>/?!#$*~`{};|,^";
static_assert(sizeof kDelimiters - 1 == 30, "thirty delimiters");

struct DelimiterTable {
    bool is[256] = {};
    DelimiterTable() {
        for (const char* p = kDelimiters; *p; ++p) is[static_cast<unsigned char>(*p)] = true;
    }
};
const DelimiterTable kDelimiterTable;

inline bool IsDelimiter(char c) {
    return kDelimiterTable.is[static_cast<unsigned char>(c)];
}
inline bool IsWhite(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
inline bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
inline bool IsUpper(char c) {
    return c >= 'A' && c <= 'Z';
}
inline bool IsLower(char c) {
    return c >= 'a' && c <= 'z';
}
// Word types that may form a named entity: capitalised, inner capital, capitals, mixed.
inline bool IsEntityType(int nType) {
    return nType >= ENG_TYPE_CAPITAL && nType <= ENG_TYPE_MIXED;
}

// Tag map 0 (the configured tag set), null when the maps are not loaded.
const CPOSmap* Map0() {
    return g_ppPOSmap ? g_ppPOSmap[0] : nullptr;
}

// Tag map nPOSmap (0..3) for tag texts; map 0 for any other index; null when not loaded.
const CPOSmap* TagMap(int nPOSmap) {
    if (!g_ppPOSmap) return nullptr;
    return g_ppPOSmap[nPOSmap >= 0 && nPOSmap <= 3 ? nPOSmap : 0];
}

// A word of ASCII punctuation only: no letter, digit, white space, control or GBK byte.
bool IsPunctuationWord(const tstring& w) {
    if (w.empty()) return false;
    for (char c : w) {
        const unsigned char b = static_cast<unsigned char>(c);
        if (b <= 0x20 || b >= 0x7F || IsDigit(c) || IsUpper(c) || IsLower(c)) return false;
    }
    return true;
}

// An item may begin a named entity: a capitalised, inner-capital, all-capital or mixed word of two
// bytes or more, neither a time word, adverb, conjunction or interjection, nor a capitalised
// preposition or pronoun.
bool StartsEntity(const english_term_result& item) {
    const int pos = item.iPOS;
    if (!IsEntityType(item.word_type) || item.word.size() < 2) return false;
    if (pos == 52 || pos == 11 || pos == 9 || pos == 10) return false;
    return !(item.word_type == ENG_TYPE_CAPITAL && (pos == kTagPreposition || (pos >= 40 && pos <= 50)));
}

// Map-0 id of a tag text for a dictionary override: 21 when the text names no tag or there is
// no map.
int OverrideTagId(const char* sPOS) {
    const CPOSmap* map = Map0();
    int id = map ? map->GetID(sPOS) : kTagNone;
    return id == kTagNone ? kTagDefault : id;
}

// Result of the tag choice for one word id.
struct TagChoice {
    int tag = kTagNone;   // best tag, 255 when no candidate was chosen
    int freq = 0;         // its frequency
    bool chosen = false;  // some candidate (of the word or of its regular form) became the best
    int winner = -1;      // the id whose candidate is the best
    int regular = -1;     // the regular form's id when the irregular-form map was consulted and
                          // gave one, else -1
};

// The tag choice of word id h for a word whose first byte is c: the first candidate, replaced by
// a more frequent one, or for a capitalised word by any person, place or organisation candidate;
// when that leaves a frequency below 3, the regular form's more frequent candidates.
TagChoice ChooseTag(int h, char c) {
    TagChoice r;
    r.winner = h;
    int n = 0;
    const POS_info* cand = g_pEnglishPOS ? g_pEnglishPOS->GetPOS(h, &n) : nullptr;
    if (cand && n > 0) {
        r.tag = cand[0].POS_id;
        r.freq = cand[0].freq;
        r.chosen = true;
        const bool bCapital = IsUpper(c);
        for (int i = 1; i < n; ++i) {
            int t = cand[i].POS_id;
            bool bName = bCapital && (t == kTagPerson || t == kTagPlace || t == kTagOrganisation);
            if (cand[i].freq > r.freq || bName) {
                r.tag = t;
                r.freq = cand[i].freq;
            }
        }
        if (r.freq >= kSureFrequency) return r;
    }
    int h2 = g_pEnglishIrre2Reg ? g_pEnglishIrre2Reg->GetMapID(h) : -1;
    if (h2 < 0) return r;
    r.regular = h2;
    n = 0;
    cand = g_pEnglishPOS ? g_pEnglishPOS->GetPOS(h2, &n) : nullptr;
    for (int i = 0; cand && i < n; ++i) {
        if (cand[i].freq > r.freq) {
            r.tag = cand[i].POS_id;
            r.freq = cand[i].freq;
            r.chosen = true;
            r.winner = h2;
        }
    }
    return r;
}

bool EndsWith(const tstring& s, const char* sEnd) {
    size_t n = strlen(sEnd);
    return s.size() >= n && s.compare(s.size() - n, n, sEnd) == 0;
}

int FindEnglish(const tstring& s) {
    return g_pEnglishDict ? g_pEnglishDict->Find(s.c_str()) : -1;
}

}  // namespace

CEnglish::CEnglish() {}

CEnglish::~CEnglish() {}

// ---- tokenising ------------------------------------------------------------------------------

void CEnglish::AddToken(const char* sLine, size_t nStart, size_t nLen, int nHandle) {
    english_term_result term;
    term.start = int(nStart);
    term.length = int(nLen);
    term.word.assign(sLine + nStart, nLen);
    term.original_word = term.word;
    term.word_ID = nHandle;
    AddWord(term);
}

bool CEnglish::IsTokenDelimiter(char c) { return IsDelimiter(c); }

std::vector<english_term_result>& CEnglish::ProcessA(const char* sLineOrig, int nPOSmap) {
    m_vecResult.clear();
    // A private copy: the caller's line is never written, and offsets measured in the copy
    // index the caller's line.
    const tstring line(sLineOrig ? sLineOrig : "");
    const char* s = line.c_str();
    const size_t n = line.size();

    m_nTagMap = nPOSmap;
    // The terms read the line while it is cut (the byte before a quote), and never after.
    struct LineScope {
        const char*& pLine;
        ~LineScope() { pLine = nullptr; }
    } lineScope{m_pLine};
    m_pLine = s;

    size_t p = 0;
    while (p < n) {
        // A run of delimiters: each one that is not white space is a term of its own, so no
        // punctuation of the line is lost ("(yes)", ", (").
        for (; p < n && IsDelimiter(s[p]); ++p)
            if (!IsWhite(s[p])) AddToken(s, p, 1, -1);
        if (p >= n) break;
        // The token runs to the next delimiter; a ',' before a digit stays inside ("1,000"), and
        // a GBK character is never cut between its two bytes.
        const size_t nStart = p;
        while (p < n) {
            if (static_cast<unsigned char>(s[p]) >= 0x80 && p + 1 < n) {
                p += 2;
                continue;
            }
            if (IsDelimiter(s[p]) && !(s[p] == ',' && p + 1 < n && IsDigit(s[p + 1]))) break;
            ++p;
        }
        size_t nLen = p - nStart;
        tstring token(s + nStart, nLen);
        int nHandle = FindEnglish(token);
        bool bCut = false;
        if (nHandle < 0) {
            // An unknown word loses a final '.' (when something remains) or a final "'s"; the
            // cut part is tokenised again, so a lone "." is a term of its own.
            if (nLen >= 2 && token.back() == '.') {
                nLen -= 1;
                bCut = true;
            } else if (nLen >= 3 && EndsWith(token, "'s")) {
                nLen -= 2;
                bCut = true;
            }
            if (bCut) {
                token.resize(nLen);
                nHandle = FindEnglish(token);
            }
        }
        AddToken(s, nStart, nLen, nHandle);
        // The cut part comes next, followed by the separators of the original token.
        if (bCut) p = nStart + nLen;
    }
    return m_vecResult;
}

// ---- word types and tags ---------------------------------------------------------------------

int CEnglish::GetWordType(english_term_result& term) {
    const tstring& w = term.word;
    const size_t n = w.size();
    if (n == 0) return ENG_TYPE_NONE;
    int state = 0;
    bool bDigit = false;
    for (size_t i = 0; i < n; ++i) {
        const char c = w[i];
        if (IsDigit(c)) bDigit = true;
        if (IsUpper(c)) {
            if (i == 0)
                state = 1;
            else if (state == 0)
                state = 2;
            else if (state == 1 || state == 2)
                state = 3;
            else if (state == 6)
                state = 4;
        } else if (IsLower(c)) {
            if (state == 0)
                state = 7;
            else if (state == 6)
                state = 4;
        } else if (IsDigit(c) || (i == 0 && (c == '-' || c == '+'))) {
            if (state == 0)
                state = 6;
            else if (state == 7)
                state = 4;
        } else if (c == ',' || c == '.' || c == ':') {
            if (state == 4) state = 7;
        }
        // A final '%' and every other byte leave the state as it is.
    }
    if (n == 1 && (w[0] == '.' || w[0] == '!' || w[0] == '?')) return ENG_TYPE_END;
    if ((n == 1 && w[0] == '\r') || w[n - 1] == '\n') {
        term.iPOS = kTagBreak;
        return ENG_TYPE_END;
    }
    if (n == 1 && (w[0] == '"' || w[0] == ',' || w[0] == ':')) return ENG_TYPE_PUNCT;
    // A sign without a digit ("-", "+") is no number.
    if (state == ENG_TYPE_NUMBER && !bDigit) state = ENG_TYPE_NONE;
    if (state == ENG_TYPE_NUMBER) term.iPOS = kTagNumber;
    return state;
}

int CEnglish::AddWord(english_term_result& term) {
    term.iPOS = kTagNone;
    term.word_type = GetWordType(term);
    const tstring& w = term.word;

    // Numbers and punctuation are tagged as Chinese text tags them, whatever tags the English
    // dictionary lists for them ("2" as an adjective): a number keeps the numeral tag of its
    // shape, punctuation takes its tag from the core dictionary. A word led by '@' keeps the
    // person tag below.
    const bool bNumber = term.word_type == ENG_TYPE_NUMBER;
    const bool bPunctuation = !bNumber && IsPunctuationWord(w) && w[0] != '@';
    if (bPunctuation) term.iPOS = PunctuationTag(term);

    if (term.word_ID >= 0 && !bNumber && !bPunctuation) {
        TagChoice choice = ChooseTag(term.word_ID, w.empty() ? 0 : w[0]);
        if (choice.chosen) term.iPOS = choice.tag;
        if (choice.regular >= 0) {
            term.word_ID = choice.regular;
            if (g_pEnglishWordList) term.original_word = g_pEnglishWordList->GetWord(choice.regular);
        }
    }

    if (term.iPOS == kTagNone) {
        if (!w.empty() && w[0] == '@') {
            term.iPOS = kTagPerson;
        } else if (w.size() > 2 && w.find('@', 1) < w.size() - 1) {
            term.iPOS = kTagEmail;
        } else if (!w.empty() && IsDigit(w[0])) {
            int nType = GetNumType(w.c_str(), 0);
            term.iPOS = nType > 0 ? nType : kTagDefault;
        } else {
            term.iPOS = kTagDefault;
        }
    } else if (term.iPOS == kTagNumber) {
        int nType = GetNumType(w.c_str(), 0);
        if (nType > 0) term.iPOS = nType;
    }

    // The tag text is the name in the tag set the line was processed under (ProcessA); ids
    // stay those of map 0.
    const CPOSmap* map = Map0();
    const CPOSmap* names = TagMap(m_nTagMap);
    if (g_bPOSTagger && names && term.iPOS >= 0 && term.iPOS <= 255)
        SetResultPOS(term, names->GetPOS(static_cast<tuchar>(term.iPOS)));
    else
        SetResultPOS(term, "");

    // The field dictionary overrides every tag but punctuation.
    if (term.sPOS[0] != 'w' && !bPunctuation) {
        CUserDictReadLock lock;
        if (g_pFieldDict && g_pFieldPOS) {
            int nField = g_pFieldDict->Find(w.c_str());
            if (nField >= 0) {
                SetResultPOS(term, g_pFieldPOS->GetWord(nField));
                term.iPOS = map ? map->GetID(term.sPOS) : kTagDefault;
            }
        }
    }

    m_vecResult.push_back(term);
    return term.word_ID;
}

int CEnglish::PunctuationTag(const english_term_result& term) {
    // The core-dictionary word that Chinese text reads for this punctuation: a left or right
    // quote; another ASCII delimiter read as its full-width form; anything else as itself. A
    // quote opens at the line's start or after white space or an opening bracket and closes
    // anywhere else. It is told by the byte before it, not by counting the quotes before it, so
    // that the parts of a line cut at white space between two tokens (as a long line is
    // processed) tag their quotes as the whole line does.
    const tstring& w = term.word;
    const char cBefore = (m_pLine && term.start > 0) ? m_pLine[term.start - 1] : ' ';
    const bool bOpens = IsWhite(cBefore) || cBefore == '(' || cBefore == '[' || cBefore == '{' || cBefore == '<';
    int nHandle = -1;
    if (w == "\"") {
        nHandle = bOpens ? gQuatation_LD_ID : gQuatation_RD_ID;
    } else if (w == "'") {
        nHandle = bOpens ? gQuatation_LS_ID : gQuatation_RS_ID;
    } else if (g_pCoreDict) {
        nHandle = g_pCoreDict->Find(w.c_str());
        char sFull[3];
        if (nHandle < 0 && Delimiter2DictFormat(w[0], sFull)) nHandle = g_pCoreDict->Find(sFull);
        if (nHandle < 0) nHandle = g_pCoreDict->Find(w.substr(0, 1).c_str());
    }
    // Its most frequent tag; the general punctuation tag when it has none.
    const POS_info* pBest = (g_pCorePOS && nHandle >= 0) ? g_pCorePOS->GetMaxPOS(nHandle) : nullptr;
    return pBest && pBest->POS_id != kTagNone ? pBest->POS_id : kTagPunctuation;
}

int CEnglish::GetWordPos(const char* sWord, int nLen, int& handle) {
    handle = (g_pEnglishDict && sWord && nLen > 0) ? g_pEnglishDict->Find(sWord, unsigned(nLen)) : -1;
    if (handle < 0) return kTagNone;
    TagChoice choice = ChooseTag(handle, sWord[0]);
    handle = choice.winner;
    return choice.chosen ? choice.tag : kTagNone;
}

bool CEnglish::FindRegularForm(const char* sWord, tstring& sForm) {
    const int h = FindEnglish(tstring(sWord ? sWord : ""));
    const int h2 = (h >= 0 && g_pEnglishIrre2Reg) ? g_pEnglishIrre2Reg->GetMapID(h) : -1;
    if (h2 < 0) return false;
    sForm = g_pEnglishWordList ? tstring(g_pEnglishWordList->GetWord(h2)) : tstring();
    return true;
}

tstring CEnglish::GetEngWordOrign(const char* sWord) {
    tstring sForm;
    return FindRegularForm(sWord, sForm) ? sForm : tstring(sWord ? sWord : "");
}

// ---- the result line -------------------------------------------------------------------------

const char* CEnglish::GetResultString(const char* pLine, std::vector<english_term_result>& vecItems,
                                      bool bPOStagged) {
    m_sResult.clear();
    const size_t nLine = pLine ? strlen(pLine) : 0;
    for (size_t i = 0; i < vecItems.size(); ++i) {
        if (vecItems[i].iPOS == kTagBreak) {
            m_sResult += vecItems[i].word;
            continue;
        }
        const int nStart = vecItems[i].start;
        if (pLine && nStart >= 0 && size_t(nStart) < nLine) {
            // The longest field and user words at the item's start; the tag text is copied
            // while the dictionaries cannot change.
            int nMatch = 0;
            char sTag[40] = {};
            {
                CUserDictReadLock lock;
                int nField = 0, hField = -1, nUser = 0, hUser = -1;
                char sUserTag[40] = {};
                if (g_pFieldDict) nField = g_pFieldDict->GetMaxWord(pLine + nStart, &hField);
                if (g_pUserDict) nUser = g_pUserDict->GetMaxWord(pLine + nStart, &hUser, sUserTag);
                if (nField >= nUser && nField >= 2) {
                    nMatch = nField;
                    if (g_pFieldPOS && hField >= 0) {
                        result_t cut{};
                        SetResultPOS(cut, g_pFieldPOS->GetWord(hField));
                        memcpy(sTag, cut.sPOS, sizeof sTag);
                    }
                } else if (nUser > nField && nUser >= 2) {
                    nMatch = nUser;
                    sUserTag[sizeof sUserTag - 1] = 0;
                    memcpy(sTag, sUserTag, sizeof sTag);
                }
            }
            if (nMatch > 0) {
                // The first item whose end reaches the match end must end exactly there.
                const int64_t nEnd = int64_t(nStart) + nMatch;
                size_t j = i;
                while (j < vecItems.size() && int64_t(vecItems[j].start) + vecItems[j].length < nEnd) ++j;
                if (j < vecItems.size() && int64_t(vecItems[j].start) + vecItems[j].length == nEnd) {
                    english_term_result& item = vecItems[i];
                    item.word.assign(pLine + nStart, size_t(nMatch));
                    item.length = nMatch;
                    SetResultPOS(item, sTag);
                    item.iPOS = OverrideTagId(item.sPOS);
                    item.word_ID = -1;
                    item.word_type = 1;
                    vecItems.erase(vecItems.begin() + std::ptrdiff_t(i) + 1,
                                   vecItems.begin() + std::ptrdiff_t(j) + 1);
                }
            }
        }
        const english_term_result& item = vecItems[i];
        const bool bBracket = item.word.find(' ') != tstring::npos;
        if (bBracket) m_sResult += '[';
        m_sResult += item.word;
        if (bBracket) m_sResult += ']';
        if (bPOStagged) {
            if (!bBracket) m_sResult += '/';
            m_sResult.append(item.sPOS, strnlen(item.sPOS, sizeof item.sPOS));
        }
        m_sResult += ' ';
    }
    return m_sResult.c_str();
}

const char* CEnglish::Process(const char* sLine, int bPOStagged) {
    ProcessA(sLine);
    return GetResultString(sLine, m_vecResult, bPOStagged != 0);
}

// ---- named entities --------------------------------------------------------------------------

int CEnglish::NER() {
    const CPOSmap* map = Map0();
    size_t i = 0;
    while (i < m_vecResult.size()) {
        if (!StartsEntity(m_vecResult[i])) {
            ++i;
            continue;
        }
        // The unit: following capitalised items, also across one preposition between two.
        size_t j = i;
        const size_t n = m_vecResult.size();
        while (true) {
            if (j + 1 < n && IsEntityType(m_vecResult[j + 1].word_type))
                j += 1;
            else if (j + 2 < n && m_vecResult[j + 1].iPOS == kTagPreposition &&
                     IsEntityType(m_vecResult[j + 2].word_type))
                j += 2;
            else
                break;
        }
        const int nCount = int(j - i + 1);
        int nType = RecognizeNEType(i, nCount);
        if (nType == 0) {
            // The unit and the item after it (when there is one) are passed over.
            i = j + 2;
            continue;
        }
        english_term_result& head = m_vecResult[i];
        head.iPOS = nType;
        SetResultPOS(head, map ? map->GetPOS(static_cast<tuchar>(nType)) : "");
        if (nCount >= 2) {
            tstring sUnit;
            for (size_t k = i; k <= j; ++k) {
                const english_term_result& item = m_vecResult[k];
                if (k > i) sUnit += ' ';
                sUnit += item.original_word.empty() ? item.word : item.original_word;
            }
            const english_term_result& last = m_vecResult[j];
            head.word = sUnit;
            head.original_word = sUnit;
            head.length = int(int64_t(last.start) + last.length - head.start);
            head.unit_count = nCount;
            m_vecResult.erase(m_vecResult.begin() + std::ptrdiff_t(i) + 1,
                              m_vecResult.begin() + std::ptrdiff_t(j) + 1);
        }
        ++i;
    }
    return 0;
}

int CEnglish::RecognizeNEType(size_t iterStart, int nCount) {
    if (iterStart >= m_vecResult.size() || nCount <= 0) return 0;
    const size_t nItems = std::min(size_t(nCount), m_vecResult.size() - iterStart);
    // Scores of the unit as a common phrase and as each entity type.
    int64_t nCommon = 0, nPerson = 0, nPlace = 0, nOrganisation = 0, nOther = 0;
    auto entityFreq = [](int h, int tag) {
        int f = g_pEngNEPOS ? g_pEngNEPOS->GetPOSFreq(h, tag) : 0;
        return int64_t(f == 0 ? -250 : f);
    };
    for (size_t k = 0; k < nItems; ++k) {
        const english_term_result& item = m_vecResult[iterStart + k];
        int nFreq = g_pEnglishUnigram ? g_pEnglishUnigram->GetFreq(item.word_ID) : 0;
        nCommon += nFreq / 10 - 145;
        int h = g_pEngNEDict ? g_pEngNEDict->Find(item.word.c_str()) : -1;
        // Only a conjunction, a number or a particle inside the unit may be unknown as an entity.
        if (h < 0 && (k == 0 || (item.iPOS != 9 && item.iPOS != 18 && item.iPOS != 54))) return 0;
        nPerson += entityFreq(h, kTagPerson);
        nOrganisation += entityFreq(h, kTagOrganisation);
        int nPlaceFreq = g_pEngNEPOS ? g_pEngNEPOS->GetPOSFreq(h, kTagPlace) : 0;
        if (nPlaceFreq == 0 && g_pEngNEPOS) nPlaceFreq = g_pEngNEPOS->GetPOSFreq(h, kTagPlaceAlt);
        nPlace += nPlaceFreq == 0 ? -250 : nPlaceFreq;
        nOther += entityFreq(h, kTagOtherName);
    }
    int nType = 0;
    int64_t nBest = nCommon;
    const std::pair<int, int64_t> scores[] = {{kTagPerson, nPerson},
                                              {kTagPlace, nPlace},
                                              {kTagOrganisation, nOrganisation},
                                              {kTagOtherName, nOther}};
    for (const auto& s : scores) {
        if (s.second > nBest) {
            nType = s.first;
            nBest = s.second;
        }
    }
    if (nItems == 1) return nCommon < -145 ? nType : 0;
    return nBest / int64_t(nItems) >= -130 ? nType : 0;
}

// ---- word test -------------------------------------------------------------------------------

int CEnglish::IsEnglishWord(const char* sWord) {
    const tstring word(sWord ? sWord : "");
    if (word.size() < 2 || FindEnglish(word) >= 0) return 1;
    for (size_t i = 0; i < word.size(); ++i) {
        char c = word[i];
        if (IsUpper(c) || IsDigit(c) || (c == '.' && i + 1 < word.size())) return 1;
    }
    // The stem ends before the first "'", the candidate also before the first right single
    // quotation mark (UTF-8 E2 80 99).
    tstring stem = word.substr(0, word.find('\''));
    tstring cand = stem.substr(0, stem.find("\xE2\x80\x99"));  // ’
    if ((stem.size() < word.size() || cand.size() < stem.size()) && FindEnglish(cand) >= 0) return 1;
    if (stem.size() >= 4 && (EndsWith(stem, "ing") || EndsWith(stem, "ity"))) {
        cand = stem.substr(0, stem.size() - 3);
        if (FindEnglish(cand) >= 0) return 1;
    }
    if (stem.size() >= 3 &&
        (EndsWith(stem, "ed") || EndsWith(stem, "ly") || EndsWith(stem, "al") || EndsWith(stem, "er"))) {
        cand = stem.substr(0, stem.size() - 2);
        if (FindEnglish(cand) >= 0) return 1;
    }
    if (stem.size() >= 3 && (stem.back() == '.' || stem.back() == 's' || stem.back() == 'd')) {
        cand = stem.substr(0, stem.size() - 1);
        if (FindEnglish(cand) >= 0) return 1;
    }
    if (FindEnglish(cand + "e") >= 0) return 1;
    for (char c : cand)
        if (!IsUpper(c) && !IsLower(c)) return 1;
    return 0;
}
