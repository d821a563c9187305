// Heading numbers: reads the numbering of a document's headings (prefix, chapter part, separator,
// number, following character), finds the numbering the document mostly uses, checks that the
// headings are numbered in sequence, marks each finding with a code and proposes a corrected
// heading number text.
//
// Texts are GBK. An analyser made for UTF-8 takes UTF-8 headings, keeps each heading's `sample`
// in UTF-8 and writes the corrected texts (`textNew`) in UTF-8; every other text member (prefix,
// chapter part, separator, number text, post character) is held in GBK.
//
// Number formats (the codes of GetNumFormat and GenerateNum):
//   -1 not a number          0 Arabic digits            1 full-width digits ０..９
//    2 Chinese numerals       3 Chinese numerals, financial upper case (written only)
//    6 Roman I V X (1..13)    7 Roman i v x (1..13)      9 parenthesised numbers ⑴..⒇ (1..20)
//   10 circled numbers ①..⑩  11 parenthesised ideographs ㈠..㈩ (1..10)
//   12 full-width capitals Ａ..Ｚ (1..26)               13 full-width small letters ａ..ｚ (1..26)
//   14 heavenly stems 甲乙丙丁戊己庚辛壬癸 (1..10)
//
// Thread-safety: an analyser is not thread-safe; use one per thread. The free functions are.
#pragma once

#include <map>
#include <vector>

#include "Utility/Types.h"

// The numbering format of one heading.
struct _tSection_Format {
    tstring prefix;           // the text before the number
    int chapter_format = -1;  // format of the chapter part's first character
    tstring section_sep;      // separator between chapter part and number
    int num_format = -1;      // format code of the number
    tstring post;             // the character after the number, when it may follow a number
    int level = 1;            // numbering depth
    int section_type = 0;     // 1 figure caption, 2 table caption, else as given
    tstring sample;           // the heading as given (trimmed)
};

// One heading. Copies and moves copy every field.
struct _tSection_Info : _tSection_Format {
    tstring text;          // the number text (the part after the chapter part)
    int order = 0;         // the number's value; 0 or less for no number
    unsigned int para_id = 0;
    tstring chapter_id;    // the chapter part ("1.2" of the number 1.2.3)
    int orderNew = 0;      // the corrected value (-138 for a missing number)
    tstring textNew;       // the corrected heading number text
    tstring error_id;      // the finding: "1.3.6", "1.3.8" or "1.3.10"

    // Back to the defaults, all but error_id, which survives.
    void Reset();
};

// Counts of values; GetTop is the most frequent value, the first in key order on ties.
template <typename T>
class CFreqStat {
public:
    // Adds n to the value's count (a new value starts at n); returns the new count.
    int AddElem(const T& value, int n = 1) { return m_mapTFreq[value] += n; }
    // The value with the highest count; T() when nothing was added.
    T GetTop() const {
        T top = T();
        bool bFirst = true;
        int nTop = 0;
        for (const auto& kv : m_mapTFreq) {
            if (bFirst || kv.second > nTop) {
                top = kv.first;
                nTop = kv.second;
                bFirst = false;
            }
        }
        return top;
    }

    std::map<T, int> m_mapTFreq;
};

// True when the first character of sText (GBK) may follow a heading number: one of 章节）、：】,
// or one of the ASCII characters ").:]". False for a null or empty text.
bool IsValidNumPostfix(const char* sText);

// True when two headings agree in num_format, chapter_format, level, section_sep, prefix and post.
bool IsSameFormat(const _tSection_Format& a, const _tSection_Format& b);

class CNumUtility {
public:
    explicit CNumUtility(bool bUTF8 = false);
    virtual ~CNumUtility();

    // Empties the headings and the dominant texts; the dominant format becomes -1.
    void Reset();

    // Format code of the first character of sChar (GBK) and, in value, its value (full-width
    // digits count from 0, the other ranges from 1; V is 5 and X 10). -1, value -1, for anything
    // else, a null or an empty text.
    int GetNumFormat(const char* sChar, int& value) const;

    // value written in format into the analyser's result buffer (GBK); returns its text, valid
    // until the next GenerateNum. Empty for an unknown format, a negative value in formats 1-3,
    // and a value outside a format's range (6, 7: 1..13; 9: 1..20; 10, 11, 14: 1..10; 12, 13: 1..26).
    const char* GenerateNum(int value, int format);

    // Reads one heading into section (reset first; its error_id survives). type -1 makes
    // section_type 1 for 图 and 2 for 表 in the prefix, else 0; any other type is taken as given.
    // Returns the number format, -1 when the text is null, has no number, has more than 5 bytes
    // before it, or its number is worth more than INT_MAX (then only sample and prefix are set). The first heading with a format sets the dominant format, prefix and post.
    int ExtractOrder(const char* sText, _tSection_Info& section, int type = -1);

    // Reads a non-empty heading with ExtractOrder (type -1) and appends it, numbered or not.
    void AddSections(const char* sText, unsigned int para_id);
    // Appends a heading already read, with the paragraph id.
    void AddSections(const _tSection_Info& section, unsigned int para_id);

    // Sets the dominant format, prefix, post, chapter part and separator: the most frequent over
    // all headings. Nothing changes without headings.
    void FindRightFormat();

    // Checks and renumbers the headings in order, marking findings in their error_id, orderNew
    // and textNew. nLevel below 0 also accepts a number one below the expected one; nStartId is
    // the number the list should start from (0 or less: none); sChapId (null or empty: none) the
    // chapter part every heading's chapter part should begin with. Returns 1.
    int CheckOrder(int nLevel = 0, int nStartId = 0, const char* sChapId = nullptr);

    // Sets section.textNew = prefix + chapter + the section's separator + the number + post; a
    // null prefix, chapter or post takes the section's own, a format of -1 its num_format. The
    // number is order, or the section's orderNew when order is -1, or its order when order is 0.
    // The arguments are GBK; textNew is UTF-8 in a UTF-8 analyser. Returns textNew's text.
    const char* SetNewSectionNo(_tSection_Info& section, int order, const char* prefix = nullptr,
                                const char* chapter = nullptr, int format = -1, const char* post = nullptr);
    // The same in another heading's format: its prefix, separator and number format with the
    // section's chapter part and order; its post only for section types 1, -510 and -512.
    const char* SetNewSectionNo(_tSection_Info& section, const _tSection_Format& format);

    // ---- read access ----
    const std::vector<_tSection_Info>& Sections() const { return m_vecOrders; }
    std::vector<_tSection_Info>& Sections() { return m_vecOrders; }
    int Format() const { return m_nFormat; }
    const tstring& Prefix() const { return m_sPrefix; }
    const tstring& Postfix() const { return m_sPostfix; }
    const tstring& ChapterId() const { return m_chapter_id; }
    const tstring& SectionSep() const { return m_section_sep; }
    bool IsUTF8() const { return m_bUTF8; }

private:
    // The value of a number text in its format (order of ExtractOrder's step for non-Arabic text),
    // worked out wide: a value above INT_MAX means the text is too large for a heading number.
    long long TextValue(const tstring& sText, int format, int firstValue) const;
    // textNew in the analyser's output encoding.
    const char* FinishText(_tSection_Info& section, const tstring& sGBK);

    int m_nFormat = -1;
    tstring m_sPrefix;
    tstring m_sPostfix;
    tstring m_chapter_id;
    tstring m_section_sep;
    bool m_bUTF8 = false;
    tstring m_sResult;
    std::vector<_tSection_Info> m_vecOrders;
};
