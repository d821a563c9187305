// CEnglish: the engine's English word handling. It cuts a line the engine has judged to be
// English into tokens, looks each up in the English dictionaries, chooses a tag for it (with the
// irregular-form map as a fallback), lets the field and user dictionaries override tokens and runs
// of tokens, and writes the result line of tagged words. It also tags a single English word met in
// Chinese text (GetWordPos), gives the regular form of a word (GetEngWordOrign), groups
// capitalised tokens into named entities (NER) and tests whether a token passes as English
// (IsEnglishWord).
//
// The English lexicons (g_pEnglishDict, g_pEnglishWordList, g_pEnglishUnigram, g_pEnglishPOS,
// g_pEnglishIrre2Reg, g_pEngNEDict, g_pEngNEPOS) and the tag maps g_ppPOSmap are read without
// locks: they do not change after start-up. Any of them may be absent; a missing store answers as
// an empty one. The field dictionary, its tag list and the user dictionary are read only under a
// shared hold of g_hUserDictLock, and every tag text is copied out before the hold ends.
//
// Thread safety: one CEnglish serves one thread at a time (each engine instance owns one);
// separate objects may run on separate threads while user words are added or the field
// dictionary is swapped under the exclusive lock. ProcessA, AddWord, GetResultString and Process
// take the shared lock themselves, so their callers must not hold g_hUserDictLock; the other
// operations take no lock.
#pragma once

#include <cstddef>
#include <vector>

#include "MERIDOX/include/EngineRecords.h"
#include "Utility/Types.h"

// One English token, or a unit merged from several. The result_t part is what the engine turns
// into a result row (copy it field by field or by slicing; the record holds strings, so it is
// never copied as raw memory).
struct english_term_result : public result_t {
    tstring word;           // the token text as in the line, or the merged text
    tstring original_word;  // the token text; the regular form when the tag came from the
                            // irregular-form map; the unit text after entity grouping
    int unit_count;         // tokens in the unit

    // iPOS -1, word_ID -1, word_type 0, unit_count 1, every other field zero, empty strings.
    english_term_result() : result_t{}, unit_count(1) {
        iPOS = -1;
        word_ID = -1;
    }
};

// Word types given by GetWordType.
const int ENG_TYPE_NONE = 0;         // no letter or digit shape established
const int ENG_TYPE_CAPITAL = 1;      // starts upper-case, no later upper-case letter
const int ENG_TYPE_INNER_UPPER = 2;  // starts with a non-letter, later an upper-case letter
const int ENG_TYPE_UPPERS = 3;       // two or more upper-case letters, the first at the start
const int ENG_TYPE_MIXED = 4;        // letters mixed with digits
const int ENG_TYPE_NUMBER = 6;       // digits with a sign, ',', '.', ':' inside, a final '%'
const int ENG_TYPE_LOWER = 7;        // starts with a lower-case letter
const int ENG_TYPE_PUNCT = 8;        // the single character '"', ',' or ':'
const int ENG_TYPE_END = 100;        // sentence end ('.', '!', '?') or line break

class CEnglish {
public:
    // Empty token list and result line.
    CEnglish();
    virtual ~CEnglish();
    CEnglish(const CEnglish&) = delete;
    CEnglish& operator=(const CEnglish&) = delete;

    // Cuts the NUL-terminated line (GBK or ASCII; null reads as empty) into tokens and tagged
    // separator terms (every delimiter but white space is a term), filling m_vecResult anew;
    // returns it. The line is not changed. Offsets index the line. Tag texts are the names of
    // tag map nPOSmap (0..3, as CMainSystem::SetPOSmap; another value reads as 0); tag ids are
    // those of map 0 whichever map names them.
    std::vector<english_term_result>& ProcessA(const char* sLineOrig, int nPOSmap = 0);

    // Builds m_sResult from the items (normally m_vecResult, filled by ProcessA from the same
    // line pLine): field and user dictionary matches that end on an item's end merge the items
    // they cover (the absorbed items are erased from vecItems), then each item is written as
    // "word/tag " (bPOStagged) or "word ", "[word with blank]tag ", or a line-break item as its
    // word alone. A null pLine skips the dictionary merges. Returns m_sResult's text, valid until
    // the next call on this object.
    const char* GetResultString(const char* pLine, std::vector<english_term_result>& vecItems,
                                bool bPOStagged);

    // ProcessA, then GetResultString on m_vecResult; bPOStagged non-zero writes the tags.
    const char* Process(const char* sLine, int bPOStagged);

    // Classifies and tags the term (word_type, iPOS, sPOS; word_ID and original_word may change
    // to the regular form) and appends it to m_vecResult. A number takes the numeral tag of its
    // shape and punctuation the tag the core dictionary gives it, as in Chinese text, whatever
    // the English dictionary lists. Tag texts come from the map of the last ProcessA (map 0
    // before any). Returns the term's final word_ID.
    int AddWord(english_term_result& term);

    // Word type of the term's word (see the ENG_TYPE_ constants); sets the term's iPOS to 1 for a
    // line break and to 18 for a number shape (at least one digit), and leaves it otherwise. 0
    // for an empty word.
    int GetWordType(english_term_result& term);

    // Tag id of the first nLen bytes of sWord as an English word (need not be NUL-terminated);
    // 255 when the word is not in the English dictionary or has no tag. handle receives the word
    // id whose candidates gave the tag (the word's own, or its regular form's), -1 when the word
    // is not found.
    int GetWordPos(const char* sWord, int nLen, int& handle);

    // Text of the regular form of sWord ("went" gives "go"); sWord itself when the word or its
    // regular form is unknown; empty when the regular form has no text in the word list.
    tstring GetEngWordOrign(const char* sWord);
    // The regular form of sWord from the English tables into sForm: false (sForm untouched) when
    // the dictionary does not know the word or the irregular-form map gives it no regular form.
    // Reads only the shared English stores; thread-safe.
    static bool FindRegularForm(const char* sWord, tstring& sForm);

    // Groups runs of capitalised tokens of m_vecResult into named entities: a recognised unit
    // takes the entity type as its tag and, with several tokens, the unit text on its first item
    // (the others are erased). Returns 0.
    int NER();

    // Entity type (24 person, 29 place, 31 organisation, 32 other) of the nCount items of
    // m_vecResult from index iterStart; 0 when the unit is not an entity. A range that runs past
    // the list's end is cut at it (0 for an empty range).
    int RecognizeNEType(size_t iterStart, int nCount);

    // True for the bytes at which ProcessA's tokenizer ends a token (white space among them).
    static bool IsTokenDelimiter(char c);

    // 1 when the token passes as an English word: short, in the English dictionary, holding an
    // upper-case letter, a digit or an inner '.', found after cutting a possessive or a common
    // ending, or holding a byte that is not an ASCII letter; else 0. Null reads as empty.
    int IsEnglishWord(const char* sWord);

    std::vector<english_term_result> m_vecResult;  // the tokens of the last processed line
    tstring m_sResult;                             // the last result line

private:
    // Appends a term for the nLen bytes of the line at nStart with word id nHandle (AddWord).
    void AddToken(const char* sLine, size_t nStart, size_t nLen, int nHandle);
    // Tag id (of map 0) of a punctuation term as Chinese text tags it: the most frequent core
    // tag of the word, of its full-width form or of its first character; a quote is a left one
    // at the line's start (or outside ProcessA) or after white space or an opening bracket, else
    // a right one. 78 (punctuation) when the core dictionary has none.
    int PunctuationTag(const english_term_result& term);

    int m_nTagMap = 0;                // the tag map naming the current line's tags (ProcessA)
    const char* m_pLine = nullptr;    // the line ProcessA is cutting (its private copy), else null
};
