#include "Utility/TextFunc.h"

#include <cctype>
#include <cstdio>
#include <cstring>

namespace {

inline unsigned char UC(char c) { return static_cast<unsigned char>(c); }

inline unsigned Code2(const char* p) { return UC(p[0]) * 256u + UC(p[1]); }

// Two-byte sentence-ending punctuation.
bool IsSentenceEnd2(unsigned code) {
    return code == 0xA1A3     // 。
           || code == 0xA3A1  // ！
           || code == 0xA3BF  // ？
           || code == 0xA3BB;  // ；
}

bool IsSentenceEnd1(char c) {
    return c == '.' || c == '!' || c == ';' || c == '?' || c == '\r' || c == '\n' || c == '\t';
}

// True when the n-byte text ends with the two-byte character `code` and is 4 bytes or longer.
bool EndsWith2(const char* s, size_t n, unsigned code) { return n >= 4 && Code2(s + n - 2) == code; }

}  // namespace

// ---- sentences ---------------------------------------------------------------------------------

unsigned long FindSentenceEnd(const char* sLine, unsigned long nLocatePos, unsigned long nLimited) {
    if (!sLine) return 0;
    const unsigned long len = strlen(sLine);
    for (unsigned long i = nLocatePos; i < len;) {
        if (i - nLocatePos >= nLimited) return len;
        if (UC(sLine[i]) >= 0x80 && i + 1 < len) {
            if (IsSentenceEnd2(Code2(sLine + i))) return i + 2;
            i += 2;
        } else {
            if (IsSentenceEnd1(sLine[i])) return i + 1;
            ++i;
        }
    }
    return len;
}

unsigned long FindSentenceStart(const char* sLine, unsigned long nLocatePos, unsigned long nLimited) {
    if (!sLine) return 0;
    const unsigned long len = strlen(sLine);
    if (nLocatePos > len) nLocatePos = len;
    // i is one past the byte being examined, so the walk never goes below 0.
    for (unsigned long i = nLocatePos; i > 0;) {
        if (nLocatePos - i >= nLimited) return 0;
        const unsigned long at = i - 1;
        if (UC(sLine[at]) >= 0x80 && at >= 2) {
            if (IsSentenceEnd2(Code2(sLine + at - 1))) return at + 1;
            i -= 2;
        } else {
            if (IsSentenceEnd1(sLine[at])) return at + 1;
            i -= 1;
        }
    }
    return 0;
}

bool IsValidTitle(const char* sLine) {
    if (!sLine) return false;
    const size_t n = strlen(sLine);
    if (EndsWith2(sLine, n, 0xA1A3) || EndsWith2(sLine, n, 0xA3A1)) return false;  // 。！
    if (n > 0 && sLine[n - 1] == ';') return false;
    return true;
}

bool IsValidSentence(const char* sLine) {
    if (!sLine) return false;
    const size_t n = strlen(sLine);
    static const unsigned kEnds[] = {0xA1A3, 0xA3BA, 0xA3A1, 0xA3BB, 0xA3A9};  // 。：！；）
    for (unsigned code : kEnds) {
        if (EndsWith2(sLine, n, code)) return true;
    }
    if (n == 0) return false;
    const char last = sLine[n - 1];
    return last == ';' || last == '.' || last == ':' || last == ')';
}

// ---- e-mail addresses ----------------------------------------------------------------------------

namespace {

inline bool IsAddressChar(char c) { return isalnum(UC(c)) || c == '-' || c == '.' || c == '_'; }

inline bool IsLatinNameChar(char c) {
    return isalnum(UC(c)) || c == ' ' || c == '"' || c == '-' || c == '.' || c == '_' || c == '\t' || c == ',';
}

// Two-byte characters that end a display name: ：。，
inline bool IsNameStop2(unsigned code) { return code == 0xA3BA || code == 0xA1A3 || code == 0xA3AC; }

tstring TrimName(const char* b, const char* e) {
    while (b < e && (*b == ' ' || *b == '\t' || *b == '"' || *b == ',')) ++b;
    while (e > b && (e[-1] == ' ' || e[-1] == '\t' || e[-1] == '"' || e[-1] == ',')) --e;
    return tstring(b, e);
}

// Fills cnName and enName from the text before position u (the start of the user name).
void ReadDisplayName(const char* s, size_t u, _email& mail) {
    size_t k = u;
    bool bInQuote = false;
    while (k > 0 && (s[k - 1] == '<' || s[k - 1] == '>' || s[k - 1] == '"' || s[k - 1] == ' ' || s[k - 1] == '\t')) {
        if (s[k - 1] == '"') bInQuote = !bInQuote;
        --k;
    }
    // Latin part, backwards; a comma belongs to it only inside double quotes.
    size_t j = k;
    while (j > 0 && IsLatinNameChar(s[j - 1])) {
        if (s[j - 1] == '"') bInQuote = !bInQuote;
        if (s[j - 1] == ',' && !bInQuote) break;
        --j;
    }
    if (j > 0 && s[j - 1] == '@') return;  // that run is the previous address, not a name
    mail.enName = TrimName(s + j, s + k);
    // Chinese part: the run of two-byte characters directly before the Latin part.
    size_t m = j;
    while (m >= 2 && UC(s[m - 1]) >= 0x80 && UC(s[m - 2]) >= 0x80 && !IsNameStop2(Code2(s + m - 2))) m -= 2;
    mail.cnName.assign(s + m, s + j);
}

}  // namespace

int ExtractEmail(const char* sLine, std::vector<_email>& vecEmail) {
    if (!sLine) return static_cast<int>(vecEmail.size());
    const char* firstAt = strchr(sLine, '@');
    if (!firstAt) return static_cast<int>(vecEmail.size());

    const tstring head(sLine, firstAt);
    const char* direction = "send";
    if (head.find("\xCA\xD5") != tstring::npos)  // 收
        direction = "recv";
    else if (head.find("\xB3\xAD") != tstring::npos)  // 抄
        direction = "copy_to";
    else if (head.find("\xC3\xDC") != tstring::npos)  // 密
        direction = "secret_to";

    for (const char* at = firstAt; at; at = strchr(at + 1, '@')) {
        const size_t a = at - sLine;
        size_t u = a;
        while (u > 0 && IsAddressChar(sLine[u - 1])) --u;
        size_t d = a + 1;
        while (sLine[d] && IsAddressChar(sLine[d])) ++d;
        if (u == a || d == a + 1) continue;
        _email mail;
        mail.username.assign(sLine + u, sLine + a);
        mail.domainname.assign(sLine + a + 1, sLine + d);
        mail.direction = direction;
        ReadDisplayName(sLine, u, mail);
        vecEmail.push_back(mail);
    }
    return static_cast<int>(vecEmail.size());
}

// ---- characters and numbers ------------------------------------------------------------------------

char* itoa(int value, char* str, int radix) {
    if (radix == 8)
        snprintf(str, 12, "%o", static_cast<unsigned>(value));
    else if (radix == 16)
        snprintf(str, 12, "%x", static_cast<unsigned>(value));
    else
        snprintf(str, 12, "%d", value);
    return str;
}

char* strlwr(char* _src) {
    if (!_src) return nullptr;
    for (char* p = _src; *p; ++p) *p = static_cast<char>(tolower(UC(*p)));
    return _src;
}

char* strupr(char* _src) {
    if (!_src) return nullptr;
    for (char* p = _src; *p; ++p) *p = static_cast<char>(toupper(UC(*p)));
    return _src;
}

char GetUpperLetter(char ch) { return (ch >= 'a' && ch <= 'z') ? char(ch - 'a' + 'A') : ch; }

char GetLowerLetter(char ch) { return (ch >= 'A' && ch <= 'Z') ? char(ch - 'A' + 'a') : ch; }

char* strrev(char* szt) { return szt; }
