#include "Utility/NumUtility.h"

#include <climits>
#include <cstdio>
#include <cstring>

#include "CodeTrans/STLCodeTrans.h"
#include "Utility/ChineseNumber.h"
#include "Utility/GBKChar.h"
#include "Utility/StrFunc.h"

namespace {

const char* const kRoman[13] = {"I", "II", "III", "IV", "V", "VI", "VII", "VIII", "IX", "X", "XI", "XII", "XIII"};

// The heavenly stems in order, values 1..10.
const int kStems[10] = {
    0xBCD7,  // 甲
    0xD2D2,  // 乙
    0xB1FB,  // 丙
    0xB6A1,  // 丁
    0xCEEC,  // 戊
    0xBCBA,  // 己
    0xB8FD,  // 庚
    0xD0C1,  // 辛
    0xC8C9,  // 壬
    0xB9EF,  // 癸
};

// A GBK range of one format: codes first..last hold the values base, base + 1, ...
struct FormatRange {
    int nFormat;
    int nFirst;
    int nLast;
    int nBase;
};

const FormatRange kRanges[] = {
    {1, 0xA3B0, 0xA3B9, 0},   // ０..９
    {9, 0xA2C5, 0xA2D8, 1},   // ⑴..⒇
    {10, 0xA2D9, 0xA2E2, 1},  // ①..⑩
    {11, 0xA2E5, 0xA2EE, 1},  // ㈠..㈩
    {12, 0xA3C1, 0xA3DA, 1},  // Ａ..Ｚ
    {13, 0xA3E1, 0xA3FA, 1},  // ａ..ｚ
};

const int kCodeFigure = 0xCDBC;  // 图
const int kCodeTable = 0xB1ED;   // 表

const char* const kHyphenFull = "\xA3\xAD";  // －
const char* const kMiddleDot = "\xA1\xA4";   // ·

// Byte length of the character at p: two for a lead byte followed by a byte, else one.
size_t CharLen(const char* p) { return (static_cast<unsigned char>(p[0]) >= 0x80 && p[1] != '\0') ? 2 : 1; }

// GBK code of the character at p (lead * 256 + trail, or the single byte).
int CharCode(const char* p) {
    const unsigned char b0 = static_cast<unsigned char>(p[0]);
    return CharLen(p) == 2 ? b0 * 256 + static_cast<unsigned char>(p[1]) : b0;
}

// A heading number's value fits an int; a number worth more is no heading number (a telephone
// number at the start of a line, say). Values are worked out wide and stop at this mark.
const long long kTooLarge = static_cast<long long>(INT_MAX) + 1;

// Appends a digit to a non-negative value; kTooLarge once the value no longer fits an int.
long long AddDigit(long long value, int digit) {
    value = value * 10 + digit;
    return value > INT_MAX ? kTooLarge : value;
}

// The decimal value of the leading ASCII digits of s (0 without any), at most kTooLarge.
long long DecimalValue(const tstring& s) {
    long long value = 0;
    for (char c : s) {
        if (c < '0' || c > '9') break;
        value = AddDigit(value, c - '0');
    }
    return value;
}

// Roman value of a text of I, V and X (either case), with the subtractive rule; at most kTooLarge.
long long RomanValue(const tstring& s) {
    auto digit = [](char c) {
        switch (c) {
            case 'I': case 'i': return 1;
            case 'V': case 'v': return 5;
            case 'X': case 'x': return 10;
            default: return 0;
        }
    };
    long long total = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        const int v = digit(s[i]);
        if (i + 1 < s.size() && v < digit(s[i + 1]))
            total -= v;
        else
            total += v;
    }
    if (total > INT_MAX) return kTooLarge;
    return total < 0 ? 0 : total;
}

// The last separator of an Arabic number text: "." (1 byte); a later "-" (1 byte) or "－" (2
// bytes) replaces it and marks a hyphen; a later "·" (2 bytes) replaces it.
struct Separator {
    size_t pos = tstring::npos;
    size_t len = 0;
    bool hyphen = false;
};

Separator LastSeparator(const tstring& s) {
    Separator sep;
    auto later = [&](size_t p) { return p != tstring::npos && (sep.pos == tstring::npos || p > sep.pos); };
    size_t p = s.rfind('.');
    if (p != tstring::npos) sep = {p, 1, false};
    p = s.rfind('-');
    if (later(p)) sep = {p, 1, true};
    p = s.rfind(kHyphenFull);
    if (later(p)) sep = {p, 2, true};
    p = s.rfind(kMiddleDot);
    if (later(p)) sep = {p, 2, sep.hyphen};
    return sep;
}

// True for the characters that separate the levels of an Arabic number.
bool IsArabicSeparator(const char* p) {
    return *p == '.' || *p == '-' || strncmp(p, kHyphenFull, 2) == 0 || strncmp(p, kMiddleDot, 2) == 0;
}

}  // namespace

void _tSection_Info::Reset() {
    tstring sError;
    sError.swap(error_id);
    *this = _tSection_Info();
    error_id.swap(sError);
}

bool IsValidNumPostfix(const char* sText) {
    if (!sText || !*sText) return false;
    if (static_cast<unsigned char>(*sText) < 0x80) return strchr(").:]", *sText) != nullptr;
    switch (CharCode(sText)) {
        case 0xD5C2:  // 章
        case 0xBDDA:  // 节
        case 0xA3A9:  // ）
        case 0xA1A2:  // 、
        case 0xA3BA:  // ：
        case 0xA1BF:  // 】
            return true;
        default:
            return false;
    }
}

bool IsSameFormat(const _tSection_Format& a, const _tSection_Format& b) {
    return a.num_format == b.num_format && a.chapter_format == b.chapter_format && a.level == b.level &&
           a.section_sep == b.section_sep && a.prefix == b.prefix && a.post == b.post;
}

CNumUtility::CNumUtility(bool bUTF8) : m_bUTF8(bUTF8) {}

CNumUtility::~CNumUtility() { Reset(); }

void CNumUtility::Reset() {
    m_nFormat = -1;
    m_sPrefix.clear();
    m_sPostfix.clear();
    m_chapter_id.clear();
    m_section_sep.clear();
    m_sResult.clear();
    m_vecOrders.clear();
}

int CNumUtility::GetNumFormat(const char* sChar, int& value) const {
    value = -1;
    if (!sChar || !*sChar) return -1;
    const char c = *sChar;
    if (c >= '0' && c <= '9') {
        value = c - '0';
        return 0;
    }
    switch (c) {
        case 'I': value = 1; return 6;
        case 'V': value = 5; return 6;
        case 'X': value = 10; return 6;
        case 'i': value = 1; return 7;
        case 'v': value = 5; return 7;
        case 'x': value = 10; return 7;
        default: break;
    }
    if (CharLen(sChar) != 2) return -1;
    const int code = CharCode(sChar);
    for (const FormatRange& r : kRanges) {
        if (code >= r.nFirst && code <= r.nLast) {
            value = code - r.nFirst + r.nBase;
            return r.nFormat;
        }
    }
    for (int i = 0; i < 10; ++i) {
        if (code == kStems[i]) {
            value = i + 1;
            return 14;
        }
    }
    const int digit = ChineseNum2Digit(sChar);
    if (digit != -2) {
        value = digit;
        return 2;
    }
    return -1;
}

const char* CNumUtility::GenerateNum(int value, int format) {
    m_sResult.clear();
    // Writes the character of a one-character range when value lies in 1..count.
    auto rangeChar = [&](int lead, int firstTrail, int count) {
        if (value < 1 || value > count) return;
        m_sResult += char(lead);
        m_sResult += char(firstTrail + value - 1);
    };
    switch (format) {
        case 0: {
            char buf[16];
            snprintf(buf, sizeof buf, "%d", value);
            m_sResult = buf;
            break;
        }
        case 1:
            if (value >= 0) {
                for (char d : std::to_string(value)) {
                    m_sResult += '\xA3';
                    m_sResult += char(0xB0 + (d - '0'));
                }
            }
            break;
        case 2:
        case 3:
            if (value >= 0) Integer2Str(uint64_t(value), m_sResult, format == 3);
            break;
        case 6:
        case 7:
            if (value >= 1 && value <= 13) {
                m_sResult = kRoman[value - 1];
                if (format == 7)
                    for (char& ch : m_sResult) ch = char(ch - 'A' + 'a');
            }
            break;
        case 9: rangeChar(0xA2, 0xC5, 20); break;
        case 10: rangeChar(0xA2, 0xD9, 10); break;
        case 11: rangeChar(0xA2, 0xE5, 10); break;
        case 12: rangeChar(0xA3, 0xC1, 26); break;
        case 13: rangeChar(0xA3, 0xE1, 26); break;
        case 14:
            if (value >= 1 && value <= 10) {
                m_sResult += char(kStems[value - 1] >> 8);
                m_sResult += char(kStems[value - 1] & 0xFF);
            }
            break;
        default:
            break;
    }
    return m_sResult.c_str();
}

long long CNumUtility::TextValue(const tstring& sText, int format, int firstValue) const {
    switch (format) {
        case 1: {
            long long value = 0;
            for (size_t i = 0; i + 1 < sText.size(); i += 2)
                value = AddDigit(value, static_cast<unsigned char>(sText[i + 1]) - 0xB0);
            return value;
        }
        case 2:
        case 3: {
            const int64_t v = Str2Integer(sText.c_str());
            return v > INT_MAX ? kTooLarge : v;
        }
        case 6:
        case 7:
            return RomanValue(sText);
        default:
            // Formats 9 to 14: the first character gives the value.
            return firstValue;
    }
}

int CNumUtility::ExtractOrder(const char* sText, _tSection_Info& section, int type) {
    section.Reset();
    tstring sLine;
    if (sText) {
        if (m_bUTF8)
            UTF8ToANSI(sText, sLine);
        else
            sLine = sText;
    }
    gfn_bTrimWord(sLine);
    if (m_bUTF8)
        ANSIToUTF8(sLine.c_str(), section.sample);
    else
        section.sample = sLine;

    // The prefix: the characters before the first number character, at most 5 bytes.
    const char* p = sLine.c_str();
    while (*p == ' ' || *p == '\t') ++p;
    int format = -1, value = -1;
    while (*p && (format = GetNumFormat(p, value)) == -1) {
        const size_t len = CharLen(p);
        section.prefix.append(p, len);
        if (section.prefix.size() > 5) return -1;
        p += len;
    }
    if (!*p) return -1;

    if (type == -1) {
        if (FindGBKChar(section.prefix, kCodeFigure) != tstring::npos)
            section.section_type = 1;
        else if (FindGBKChar(section.prefix, kCodeTable) != tstring::npos)
            section.section_type = 2;
        else
            section.section_type = 0;
    } else {
        section.section_type = type;
    }

    section.num_format = format;
    section.order = value;
    const int firstValue = value;
    section.text.assign(p, CharLen(p));
    p += CharLen(p);

    // The rest of the number: characters of the same format; in an Arabic number also the level
    // separators, each adding a level.
    while (*p) {
        int v;
        if (GetNumFormat(p, v) == format) {
            section.text.append(p, CharLen(p));
        } else if (format == 0 && IsArabicSeparator(p)) {
            section.text.append(p, CharLen(p));
            ++section.level;
        } else {
            break;
        }
        p += CharLen(p);
    }

    long long nValue;
    if (format != 0) {
        nValue = TextValue(section.text, format, firstValue);
    } else if (section.text.empty() || section.text.back() < '0' || section.text.back() > '9') {
        nValue = DecimalValue(section.text);
        if (!section.text.empty() && section.text.back() == '.') --section.level;
    } else {
        const Separator sep = LastSeparator(section.text);
        if (sep.pos != tstring::npos && (section.section_type == 0 || sep.hyphen || section.level == 2)) {
            section.chapter_id = section.text.substr(0, sep.pos);
            section.section_sep = section.text.substr(sep.pos, sep.len);
            section.text.erase(0, sep.pos + sep.len);
        } else if (section.level > 1) {
            section.chapter_id = section.text;
            section.section_sep.clear();
            section.text.clear();
        }
        if (section.section_type != 0)
            --section.level;
        else if (sep.hyphen && section.level == 1)
            section.level = 2;
        nValue = DecimalValue(section.text);
    }
    if (nValue > INT_MAX) {
        // Too large for a heading number: the text reads as a heading without one.
        tstring sSample, sPrefix;
        sSample.swap(section.sample);
        sPrefix.swap(section.prefix);
        section.Reset();
        section.sample.swap(sSample);
        section.prefix.swap(sPrefix);
        return -1;
    }
    section.order = static_cast<int>(nValue);

    if (IsValidNumPostfix(p)) section.post.assign(p, CharLen(p));
    if (m_nFormat == -1) {
        m_nFormat = format;
        m_sPrefix = section.prefix;
        m_sPostfix = section.post;
    }
    if (type != 3 && (section.prefix == "(" || section.prefix == "\xA3\xA8"))  // （
        section.level = -1;
    if (!section.chapter_id.empty()) {
        int v;
        section.chapter_format = GetNumFormat(section.chapter_id.c_str(), v);
    }
    return format;
}

void CNumUtility::AddSections(const char* sText, unsigned int para_id) {
    if (!sText || !*sText) return;
    _tSection_Info section;
    ExtractOrder(sText, section, -1);
    section.para_id = para_id;
    m_vecOrders.push_back(std::move(section));
}

void CNumUtility::AddSections(const _tSection_Info& section, unsigned int para_id) {
    m_vecOrders.push_back(section);
    m_vecOrders.back().para_id = para_id;
}

void CNumUtility::FindRightFormat() {
    if (m_vecOrders.empty()) return;
    CFreqStat<int> formats;
    CFreqStat<tstring> posts, prefixes, chapters, seps;
    for (const _tSection_Info& s : m_vecOrders) {
        formats.AddElem(s.num_format);
        posts.AddElem(s.post);
        prefixes.AddElem(s.prefix);
        chapters.AddElem(s.chapter_id);
        seps.AddElem(s.section_sep);
    }
    m_nFormat = formats.GetTop();
    m_sPostfix = posts.GetTop();
    m_sPrefix = prefixes.GetTop();
    m_chapter_id = chapters.GetTop();
    m_section_sep = seps.GetTop();
}

int CNumUtility::CheckOrder(int nLevel, int nStartId, const char* sChapId) {
    FindRightFormat();
    int nFormat = m_nFormat;
    tstring sPrefix = m_sPrefix;
    tstring sPost = m_sPostfix;
    int n = 0;
    bool bNumberSeen = false;
    const bool bChapId = sChapId && *sChapId;
    const size_t nCount = m_vecOrders.size();

    for (size_t i = 0; i < nCount; ++i) {
        _tSection_Info& s = m_vecOrders[i];
        bool bCheckNumber = true;
        if (s.order <= 0) {
            bCheckNumber = false;
            if (n >= 1) {
                // A heading without a number inside a list: marked only when the list goes on.
                if (nLevel < 0) return 1;
                size_t j = i + 1;
                while (j < nCount && m_vecOrders[j].order <= 0) ++j;
                if (j == nCount) return 1;
                s.error_id = "1.3.8";
                s.orderNew = -138;
                SetNewSectionNo(s, n, m_sPrefix.c_str(), m_chapter_id.c_str(), m_nFormat, nullptr);
                --n;
            }
        } else if (!bNumberSeen) {
            // The first numbered heading starts the count.
            bNumberSeen = true;
            n = s.order;
            _tSection_Info& first = m_vecOrders[0];
            if (nStartId > 0 && first.order > nStartId) {
                n = nStartId;
                first.orderNew = nStartId;
                SetNewSectionNo(first, nStartId);
            }
            if (nStartId < n && n > 0) {
                // The headings before it take the numbers just below, nearest first.
                int value = n - 1;
                for (size_t j = i; j > 0 && value >= nStartId; --j, --value) m_vecOrders[j - 1].order = value;
            }
        }

        if (bCheckNumber) {
            const bool bInOrder = (s.order == n || (nLevel < 0 && s.order == n - 1)) && s.num_format == nFormat &&
                                  s.prefix == sPrefix && (s.chapter_id.empty() || s.chapter_id == m_chapter_id);
            if (!bInOrder) {
                if (s.prefix != sPrefix) {
                    // A new list starts at a heading numbered 1 whose prefix the next heading shares.
                    if (s.order == 1 && i + 1 < nCount && m_vecOrders[i + 1].prefix == s.prefix) {
                        n = 1;
                        sPrefix = s.prefix;
                        nFormat = s.num_format;
                        sPost = m_vecOrders[i + 1].post == s.post ? s.post : tstring();
                    }
                } else {
                    s.error_id = "1.3.6";
                    s.orderNew = n;
                    const bool bOwnChapter = s.chapter_id.empty() || s.chapter_id == m_chapter_id;
                    SetNewSectionNo(s, n, sPrefix.c_str(), bOwnChapter ? nullptr : m_chapter_id.c_str(), nFormat,
                                    sPost.c_str());
                }
                if (nLevel < 0 && s.order == n - 1) --n;
            }
        }

        // The chapter part.
        if (s.error_id.empty() && !s.chapter_id.empty()) {
            if (bChapId) {
                const size_t nLen = strlen(sChapId);
                if (s.chapter_id.compare(0, nLen, sChapId) != 0) {
                    s.error_id = "1.3.10";
                    const tstring sChapter =
                        tstring(sChapId) + (s.chapter_id.size() > nLen ? s.chapter_id.substr(nLen) : tstring());
                    SetNewSectionNo(s, 0, nullptr, sChapter.c_str());
                }
            } else if (s.chapter_id != m_chapter_id) {
                s.error_id = "1.3.10";
                SetNewSectionNo(s, 0, nullptr, m_chapter_id.c_str());
            }
        }

        if (nLevel < 0 && n > 0 && s.order == n - 1) --n;
        // No heading number lies beyond INT_MAX: the expected number stays there.
        if (n > 0 && n < INT_MAX) ++n;
    }
    return 1;
}

const char* CNumUtility::FinishText(_tSection_Info& section, const tstring& sGBK) {
    if (m_bUTF8)
        ANSIToUTF8(sGBK.c_str(), section.textNew);
    else
        section.textNew = sGBK;
    return section.textNew.c_str();
}

const char* CNumUtility::SetNewSectionNo(_tSection_Info& section, int order, const char* prefix, const char* chapter,
                                         int format, const char* post) {
    const int value = order == -1 ? section.orderNew : order == 0 ? section.order : order;
    tstring s = prefix ? tstring(prefix) : section.prefix;
    s += chapter ? tstring(chapter) : section.chapter_id;
    s += section.section_sep;
    s += GenerateNum(value, format == -1 ? section.num_format : format);
    s += post ? tstring(post) : section.post;
    return FinishText(section, s);
}

const char* CNumUtility::SetNewSectionNo(_tSection_Info& section, const _tSection_Format& format) {
    tstring s = format.prefix + section.chapter_id + format.section_sep + GenerateNum(section.order, format.num_format);
    if (section.section_type == 1 || section.section_type == -510 || section.section_type == -512) s += format.post;
    return FinishText(section, s);
}
