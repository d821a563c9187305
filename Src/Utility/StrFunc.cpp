#include "Utility/StrFunc.h"

#include <cctype>
#include <cstring>

namespace {

inline unsigned char UC(char c) { return static_cast<unsigned char>(c); }

// Length of the character at s[i] within n bytes: 2 for a lead byte with a byte after it, else 1.
inline size_t CharLen(const char* s, size_t i, size_t n) { return (UC(s[i]) >= 0x80 && i + 1 < n) ? 2 : 1; }

inline bool IsWhite(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Blank, LF or CR: the bytes the fuzzy matchers ignore.
inline bool IsMatchBlank(char c) { return c == ' ' || c == '\n' || c == '\r'; }

inline bool IsAsciiAlnum(char c) { return isalnum(UC(c)) != 0 && UC(c) < 0x80; }

// Trim unit of gfn_bTrimWord: a white byte or one of the GBK spaces A1A1 and A3A0.
bool IsTrimChar(const char* p, size_t len) {
    if (len == 1) return IsWhite(*p);
    return UC(p[0]) == 0xA1 ? UC(p[1]) == 0xA1   // "\xA1\xA1" ideographic space
                            : UC(p[0]) == 0xA3 && UC(p[1]) == 0xA0;  // "\xA3\xA0"
}

// Trims like gfn_bTrimWord; returns the trimmed copy.
tstring TrimmedWord(const tstring& s) {
    const size_t n = s.size();
    std::vector<size_t> starts;
    for (size_t i = 0; i < n; i += CharLen(s.data(), i, n)) starts.push_back(i);
    auto charEnd = [&](size_t k) { return k + 1 < starts.size() ? starts[k + 1] : n; };
    size_t lo = 0, hi = starts.size();
    while (lo < hi && IsTrimChar(s.data() + starts[lo], charEnd(lo) - starts[lo])) ++lo;
    while (hi > lo && IsTrimChar(s.data() + starts[hi - 1], charEnd(hi - 1) - starts[hi - 1])) --hi;
    if (lo == hi) return tstring();
    return s.substr(starts[lo], charEnd(hi - 1) - starts[lo]);
}

}  // namespace

// ---- replacing, splitting, joining ----------------------------------------------------------------

int gfn_vReplaceSubstr(tstring& sString, const char* sSubOld, const char* sSubNew) {
    if (sString.empty() || !sSubOld || !*sSubOld) return 0;
    if (!sSubNew) sSubNew = "";
    const size_t nOld = strlen(sSubOld), nNew = strlen(sSubNew);
    int nCount = 0;
    size_t pos = sString.find(sSubOld, 0, nOld);
    if (pos == tstring::npos) return 0;
    tstring result;
    size_t from = 0;
    while (pos != tstring::npos) {
        result.append(sString, from, pos - from);
        result.append(sSubNew, nNew);
        from = pos + nOld;
        ++nCount;
        pos = sString.find(sSubOld, from, nOld);
    }
    result.append(sString, from, tstring::npos);
    sString.swap(result);
    return nCount;
}

bool gfn_bSplit(const char* lpszText, std::vector<tstring>& vResult, const char* lpszDelimiter) {
    vResult.clear();
    if (!lpszText || !*lpszText) return false;
    const size_t nDelim = lpszDelimiter ? strlen(lpszDelimiter) : 0;
    if (nDelim == 0 || !strstr(lpszText, lpszDelimiter)) {
        vResult.emplace_back(lpszText);
        return true;
    }
    const char* p = lpszText;
    for (const char* hit = strstr(p, lpszDelimiter); hit; hit = strstr(p, lpszDelimiter)) {
        if (hit > p) vResult.emplace_back(p, hit - p);
        p = hit + nDelim;
    }
    if (*p) vResult.emplace_back(p);
    return true;
}

bool gfn_bSplitOR(const char* lpszText, std::vector<tstring>& vResult, const char* lpszDelimiter) {
    vResult.clear();
    if (!lpszText || !*lpszText) return false;
    if (!lpszDelimiter) lpszDelimiter = "";
    const char* p = lpszText;
    while (*p) {
        p += strspn(p, lpszDelimiter);
        if (!*p) break;
        size_t len = strcspn(p, lpszDelimiter);
        vResult.emplace_back(p, len);
        p += len;
    }
    return true;
}

const char* Vector2Str(std::vector<tstring>& vecResult, const char* pDelimiter, tstring& str) {
    str.clear();
    if (!pDelimiter) pDelimiter = "";
    for (size_t i = 0; i < vecResult.size(); ++i) {
        str += vecResult[i];
        if (!vecResult[i].empty() && i + 1 < vecResult.size()) str += pDelimiter;
    }
    return str.c_str();
}

// ---- trimming -------------------------------------------------------------------------------------

bool gfn_bTrimWord(tstring& sWord) {
    if (sWord.empty()) return false;
    sWord = TrimmedWord(sWord);
    return true;
}

void trim(tstring& s, char ch) {
    size_t b = s.find_first_not_of(ch);
    if (b == tstring::npos) {
        s.clear();
        return;
    }
    size_t e = s.find_last_not_of(ch);
    s = s.substr(b, e - b + 1);
}

unsigned int deleteChar(char* source, unsigned int nLen, char ch) {
    if (!source) return 0;
    unsigned int w = 0;
    for (unsigned int r = 0; r < nLen; ++r) {
        if (source[r] != ch) source[w++] = source[r];
    }
    if (w < nLen) memset(source + w, 0, nLen - w);
    return w;
}

bool gfn_bGetWordPos(const tstring& sEntry, tstring& sWord, tstring& sPos, tstring sDelimiter) {
    sWord.clear();
    sPos.clear();
    if (sEntry.empty()) return false;
    size_t pos = sDelimiter.empty() ? tstring::npos : sEntry.find(sDelimiter);
    if (pos == tstring::npos) {
        sWord = sEntry;
        return true;
    }
    sWord = TrimmedWord(sEntry.substr(0, pos));
    sPos = TrimmedWord(sEntry.substr(pos + sDelimiter.size()));
    return !sWord.empty();
}

// ---- characters and case ----------------------------------------------------------------------------

bool isLetter(char ch) { return (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z'); }

bool isDigit(char ch) { return ch >= '0' && ch <= '9'; }

void toLower(tstring& s) {
    const size_t n = s.size();
    for (size_t i = 0; i < n;) {
        size_t len = CharLen(s.data(), i, n);
        if (len == 1 && s[i] >= 'A' && s[i] <= 'Z') s[i] = char(s[i] - 'A' + 'a');
        i += len;
    }
}

void toLower(char* s, unsigned int nLen) {
    if (!s) return;
    for (unsigned int i = 0; i < nLen && s[i];) {
        if (UC(s[i]) >= 0x80) {
            i += (i + 1 < nLen && s[i + 1]) ? 2 : 1;
            continue;
        }
        if (s[i] >= 'A' && s[i] <= 'Z') s[i] = char(s[i] - 'A' + 'a');
        ++i;
    }
}

unsigned int countChar(const char* s, unsigned int nLen, unsigned int ch) {
    if (!s) return 0;
    unsigned int nCount = 0;
    for (unsigned int i = 0; i < nLen && s[i];) {
        unsigned int code;
        if (UC(s[i]) >= 0x80 && i + 1 < nLen && s[i + 1]) {
            code = UC(s[i]) * 256u + UC(s[i + 1]);
            i += 2;
        } else {
            code = UC(s[i]);
            ++i;
        }
        if (code == ch) ++nCount;
    }
    return nCount;
}

tstring replaceChar(const tstring& src, char ch, const char* s) {
    if (!s) s = "";
    tstring out;
    out.reserve(src.size());
    for (char c : src) {
        if (c == ch)
            out += s;
        else
            out += c;
    }
    return out;
}

void TextIndent(tstring& sResult, unsigned int nCount, char ch) {
    sResult += "\r\n";
    sResult.append(nCount, ch);
}

unsigned long strlen_nospace(const char* sStr) {
    if (!sStr) return 0;
    unsigned long n = 0;
    for (; *sStr; ++sStr) {
        if (!IsWhite(*sStr)) ++n;
    }
    return n;
}

const char* TextStandard(const char* sText, tstring& sTextStand) {
    sTextStand.clear();
    if (!sText) return sTextStand.c_str();
    size_t n = strlen(sText);
    while (n > 1 && (sText[n - 1] == '\r' || sText[n - 1] == '\n')) --n;
    bool bLastAlnum = false;  // the last character written is a one-byte ASCII letter or digit
    for (size_t i = 0; i < n;) {
        if (IsWhite(sText[i])) {
            size_t j = i;
            while (j < n && IsWhite(sText[j])) ++j;
            if (bLastAlnum && j < n && IsAsciiAlnum(sText[j])) sTextStand += ' ';
            bLastAlnum = false;
            i = j;
            continue;
        }
        size_t len = CharLen(sText, i, n);
        sTextStand.append(sText + i, len);
        bLastAlnum = len == 1 && IsAsciiAlnum(sText[i]);
        i += len;
    }
    return sTextStand.c_str();
}

// ---- positions and fuzzy matching --------------------------------------------------------------------

bool IsInRange(tstring& sText, tstring range_start, tstring range_end, unsigned long nLoc) {
    if (range_start.empty() || range_end.empty() || nLoc > sText.size()) return false;
    if (nLoc < range_start.size()) return false;
    size_t s = sText.rfind(range_start, nLoc - range_start.size());
    if (s == tstring::npos) return false;
    size_t afterStart = s + range_start.size();
    size_t endBefore = sText.find(range_end, afterStart);
    if (endBefore != tstring::npos && endBefore < nLoc) return false;
    size_t e = sText.find(range_end, nLoc);
    if (e == tstring::npos) return false;
    size_t startBetween = sText.find(range_start, nLoc);
    return startBetween == tstring::npos || startBetween >= e;
}

unsigned long prefixMatch(const char* sStr1, const char* sStr2, tstring& prefix) {
    prefix.clear();
    if (!sStr1 || !sStr2) return 0;
    for (;;) {
        while (IsMatchBlank(*sStr1)) ++sStr1;
        while (IsMatchBlank(*sStr2)) ++sStr2;
        if (!*sStr1 || *sStr1 != *sStr2) break;
        prefix += *sStr1;
        ++sStr1;
        ++sStr2;
    }
    return prefix.size();
}

int StrLocate(const char* sStr, const char* sStrPattern, unsigned long& nStart, unsigned long& nEnd,
              int& offset) {
    if (!sStr || !sStrPattern) return -1;
    const size_t len = strlen(sStr);
    size_t pos = offset < 0 ? 0 : static_cast<size_t>(offset);
    if (pos > len) pos = len;
    const char* first = sStrPattern;
    while (IsMatchBlank(*first)) ++first;
    if (!*first) {
        nStart = nEnd = pos;
        offset = static_cast<int>(pos);
        return 0;
    }
    for (;;) {
        const char* anchor = strchr(sStr + pos, *first);
        if (!anchor) return -1;
        size_t i = anchor - sStr;
        const char* q = first;
        int nMatched = 0;
        for (;;) {
            while (IsMatchBlank(*q)) ++q;
            if (!*q) {
                nStart = anchor - sStr;
                nEnd = i;
                offset = static_cast<int>(i);
                return 0;
            }
            while (IsMatchBlank(sStr[i])) ++i;
            if (!sStr[i]) {
                nStart = anchor - sStr;
                nEnd = i;
                return nMatched;
            }
            if (sStr[i] != *q) break;
            ++i;
            ++q;
            ++nMatched;
        }
        // Re-anchor strictly after the failed anchor, so every attempt makes progress.
        pos = (anchor - sStr) + 1;
    }
}

namespace {

// Position just after the closing bracket when s[i] is `open` and `close` follows within 15 bytes
// (never looking past the terminator); otherwise i.
size_t SkipBracketed(const char* s, size_t i, char open, char close) {
    if (s[i] != open) return i;
    for (size_t k = 1; k <= 15 && s[i + k]; ++k) {
        if (s[i + k] == close) return i + k + 1;
    }
    return i;
}

}  // namespace

bool StrMatch(const char* sStr1, const char* sStr2, unsigned long& nStart, int nMaxMatchLen) {
    nStart = 0;
    if (!sStr1 || !sStr2) return false;
    size_t i = 0, j = 0;
    long nMatched = 0, nAscii = 0;
    for (;;) {
        while (IsWhite(sStr1[i])) ++i;
        while (IsWhite(sStr2[j])) ++j;
        size_t i2 = SkipBracketed(sStr1, i, '<', '>');
        size_t j2 = SkipBracketed(sStr2, j, '[', ']');
        if (i2 != i || j2 != j) {
            i = i2;
            j = j2;
            continue;
        }
        if (!sStr1[i] || !sStr2[j]) break;
        if (nMaxMatchLen >= 0 && nMatched >= nMaxMatchLen) break;
        if (sStr1[i] != sStr2[j]) {
            if (strlen(sStr1) >= 3) {
                unsigned long s = 0, e = 0;
                int off = 0;
                if (StrLocate(sStr2, sStr1, s, e, off) == 0) {
                    nStart = s;
                    return true;
                }
            }
            return nAscii >= 4;
        }
        if (UC(sStr1[i]) < 0x80) ++nAscii;
        ++nMatched;
        ++i;
        ++j;
    }
    return nMatched > 0;
}
