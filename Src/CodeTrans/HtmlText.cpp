#include "CodeTrans/HtmlText.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "CodeTrans/STLCodeTrans.h"
#include "SentimentNew/encoding/GbkTables.h"
#include "Utility/Settings.h"

namespace {

typedef unsigned char u8;

inline bool IsAsciiLetter(u8 c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
inline bool IsDigit(u8 c) { return c >= '0' && c <= '9'; }
inline bool IsUpperHex(u8 c) { return IsDigit(c) || (c >= 'A' && c <= 'F'); }
inline u8 LowerAscii(u8 c) { return (c >= 'A' && c <= 'Z') ? static_cast<u8>(c + ('a' - 'A')) : c; }

// First occurrence of the NUL-terminated pattern in [p, end), or NULL.
const u8* Find(const u8* p, const u8* end, const char* pat) {
    const size_t n = strlen(pat);
    if (p >= end || static_cast<size_t>(end - p) < n) return nullptr;
    return static_cast<const u8*>(memmem(p, static_cast<size_t>(end - p), pat, n));
}

// First byte c in [p, p + n), or NULL.
const u8* FindByte(const u8* p, size_t n, u8 c) { return static_cast<const u8*>(memchr(p, c, n)); }

// The first occurrence of a pattern at or after positions that never move back, as one pass over
// a text asks for it. The last answer is kept: a later start that lies at or before the match
// found (or anywhere after a search that found nothing) has the same answer, so the text is
// scanned about once per pattern however many times a search is asked for.
class ForwardFind {
public:
    ForwardFind(const u8* end, const char* pat) : m_end(end), m_pat(pat) {}
    const u8* From(const u8* p) {
        if (m_bKnown && p >= m_from && (!m_hit || p <= m_hit)) return m_hit;
        m_bKnown = true;
        m_from = p;
        m_hit = Find(p, m_end, m_pat);
        return m_hit;
    }

private:
    const u8* const m_end;
    const char* const m_pat;
    bool m_bKnown = false;
    const u8* m_from = nullptr;
    const u8* m_hit = nullptr;
};

// The end markers of comments and scripts, each searched at most once over the input.
struct MarkupEnds {
    explicit MarkupEnds(const u8* end)
        : comment(end, "-->"), scriptLower(end, "</s"), scriptUpper(end, "</S"), scriptGt(end, ">") {}
    ForwardFind comment;
    ForwardFind scriptLower;
    ForwardFind scriptUpper;
    ForwardFind scriptGt;  // the '>' after a script's closing "</s"
};

// Where the markup starting with the '<' at p ends (the byte after it), or NULL when the '<' is
// plain text. p[1] exists and opens markup.
const u8* SkipMarkup(const u8* p, const u8* end, MarkupEnds& ends) {
    const size_t left = static_cast<size_t>(end - p);
    if (left >= 4 && memcmp(p, "<!--", 4) == 0) {
        const u8* close = ends.comment.From(p + 4);
        return close ? close + 3 : nullptr;
    }
    if (left > 15) {
        static const char kScript[] = "script>";
        bool script = true;
        for (size_t k = 0; k < 7 && script; ++k) script = LowerAscii(p[1 + k]) == static_cast<u8>(kScript[k]);
        if (script) {
            // The lower-case closing form wins wherever it lies; the upper-case one is the fallback.
            const u8* close = ends.scriptLower.From(p + 8);
            if (!close) close = ends.scriptUpper.From(p + 8);
            if (!close) return nullptr;
            const u8* gt = ends.scriptGt.From(close + 3);
            return gt ? gt + 1 : nullptr;
        }
    }
    // Any other tag: its '>' must lie less than 500 bytes after the '<'.
    const size_t span = left - 1 < 499 ? left - 1 : 499;
    const u8* gt = FindByte(p + 1, span, '>');
    return gt ? gt + 1 : nullptr;
}

// The bytes of character reference n in the output encoding; 0 bytes means "write a blank".
size_t EncodeReference(uint64_t n, int nCodeType, u8* buf) {
    if (n == 0 || (n >= 127 && n <= 254) || (n >= 0xD800 && n <= 0xDFFF) || n > 0x10FFFF) return 0;
    if (nCodeType == CODETRANS_GBK) {
        const unsigned code = n < 0x10000 ? CodeTable[n] : 0;
        if (code == 0) return 0;
        if (code < 0x100) {
            buf[0] = static_cast<u8>(code);
            return 1;
        }
        buf[0] = static_cast<u8>(code >> 8);
        buf[1] = static_cast<u8>(code & 0xFF);
        return 2;
    }
    const int k = unicode_to_utf8_one(static_cast<unsigned long>(n), buf, 6);
    return k > 0 ? static_cast<size_t>(k) : 0;
}

// Output of vHtmlToText: a piece is written whole only when it leaves room for the terminator.
struct Output {
    u8* out;
    size_t limit;  // buffer size, 0 for none
    size_t len = 0;
    bool full = false;

    bool Put(const u8* b, size_t n) {
        if (limit != 0 && len + n >= limit) {
            full = true;
            return false;
        }
        memcpy(out + len, b, n);
        len += n;
        return true;
    }
    bool Put(u8 c) { return Put(&c, 1); }
    bool PrevIsBlank() const { return len > 0 && out[len - 1] == ' '; }
};

// Two-byte GBK characters that str_normalization folds to one byte; 0 when it keeps the character.
u8 FoldWide(unsigned code) {
    switch (code) {
        case 0xA3A8:  // （
        case 0xA1BE:  // 【
            return '(';
        case 0xA3A9:  // ）
        case 0xA1BF:  // 】
            return ')';
        case 0xA1B0:  // “
        case 0xA1B1:  // ”
        case 0xA1AE:  // ‘
        case 0xA3A7:  // ＇
            return '"';
        case 0xA3DC:  // ＼
        case 0xA3FC:  // ｜
        case 0xA3AC:  // ，
        case 0xA3AE:  // ．
        case 0xA1A3:  // 。
        case 0xA1A2:  // 、
        case 0xA3AD:  // －
        case 0xA1AA:  // —
            return '\t';
        default:
            break;
    }
    if (code >= 0xA3B0 && code <= 0xA3B9) return static_cast<u8>('0' + (code - 0xA3B0));  // ０-９
    if (code >= 0xA3C1 && code <= 0xA3DA) return static_cast<u8>('a' + (code - 0xA3C1));  // Ａ-Ｚ
    if (code >= 0xA3E1 && code <= 0xA3FA) return static_cast<u8>('a' + (code - 0xA3E1));  // ａ-ｚ
    return 0;
}

}  // namespace

// ---- HTML to text --------------------------------------------------------------------------------

int vHtmlToText(const char* pInPut, int iInPutLen, char* pOutPut, int& iOutPutLen, int nCodeType) {
    Output o{reinterpret_cast<u8*>(pOutPut), iOutPutLen > 0 ? static_cast<size_t>(iOutPutLen) : 0};
    iOutPutLen = 0;
    if (!pOutPut) return 0;
    const u8* p = (pInPut && iInPutLen > 0) ? reinterpret_cast<const u8*>(pInPut) : nullptr;
    const u8* const end = p ? p + iInPutLen : nullptr;
    if (p && end - p >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF) p += 3;
    MarkupEnds ends(end);

    while (p && p < end && !o.full) {
        const size_t left = static_cast<size_t>(end - p);
        const u8 c = *p;
        if (c == '<' && left >= 2 && (IsAsciiLetter(p[1]) || p[1] == '/' || p[1] == '!' || p[1] == '?')) {
            if (const u8* next = SkipMarkup(p, end, ends)) {
                if (o.Put(' ')) p = next;
                continue;
            }
        } else if (c == '&' && left >= 2) {
            // Only a ';' at most 10 bytes after the '&' is ever used.
            if (const u8* semi = FindByte(p + 1, left - 1 < 10 ? left - 1 : 10, ';')) {
                const size_t dist = static_cast<size_t>(semi - p);
                if (p[1] == '#' && dist <= 10) {
                    // At most 8 digits fit before the ';', so the number cannot overflow.
                    uint64_t n = 0;
                    for (const u8* q = p + 2; q < semi && IsDigit(*q); ++q) n = n * 10 + (*q - '0');
                    u8 buf[8];
                    const size_t k = EncodeReference(n, nCodeType, buf);
                    if (k ? o.Put(buf, k) : o.Put(' ')) p = semi + 1;
                    continue;
                }
                if (dist == 3 && p[1] == 'l' && p[2] == 't') {
                    if (o.Put('<')) p = semi + 1;
                    continue;
                }
                if (dist == 3 && p[1] == 'g' && p[2] == 't') {
                    if (o.Put('>')) p = semi + 1;
                    continue;
                }
                if (IsAsciiLetter(p[1]) && dist < 10) {
                    if (o.Put(' ')) p = semi + 1;
                    continue;
                }
            }
        } else if (c == '%' && left >= 3 && IsUpperHex(p[1]) && IsUpperHex(p[2])) {
            if (o.Put(static_cast<u8>(x2c(reinterpret_cast<const char*>(p + 1))))) p += 3;
            continue;
        } else if (c == 0 && left >= 2 && p[1] == 0) {
            ++p;
            continue;
        } else if (c == 'n' && left >= 5 && memcmp(p, "nbsp;", 5) == 0) {
            if (!o.PrevIsBlank() || o.Put(' ')) p += 5;
            continue;
        }
        // Plain byte; a blank after a blank is dropped.
        if (c == ' ' && o.PrevIsBlank()) {
            ++p;
            continue;
        }
        if (o.Put(c)) ++p;
    }

    // Compaction: runs of blanks become one blank, leading blanks go.
    size_t w = 0;
    for (size_t r = 0; r < o.len; ++r) {
        if (o.out[r] == ' ' && (w == 0 || o.out[w - 1] == ' ')) continue;
        o.out[w++] = o.out[r];
    }
    o.out[w] = 0;
    iOutPutLen = static_cast<int>(w);
    return 0;
}

// ---- %XX -----------------------------------------------------------------------------------------

char x2c(const char* from) {
    auto value = [](unsigned char c) -> unsigned { return c < 'A' ? c - '0' : (c & ~0x20u) - 55; };
    const unsigned v = value(static_cast<unsigned char>(from[0])) * 16 + value(static_cast<unsigned char>(from[1]));
    return static_cast<char>(static_cast<unsigned char>(v & 0xFF));
}

int iURIDecode(const char* pInPut, int iInPutLen, char* pOutPut, int& iOutPutLen) {
    iOutPutLen = 0;
    if (!pInPut || !pOutPut || iInPutLen <= 0) return 0;
    int o = 0;
    for (int i = 0; i < iInPutLen;) {
        if (pInPut[i] == '%' && i + 2 < iInPutLen) {
            pOutPut[o++] = x2c(pInPut + i + 1);
            i += 3;
        } else {
            pOutPut[o++] = pInPut[i++];
        }
    }
    iOutPutLen = o;
    return 0;
}

// ---- query and name folding ------------------------------------------------------------------------

int str_normalization(char* sLine, int nLen, bool bQueryPaser) {
    if (!sLine) return 0;
    if (nLen < 0) nLen = 0;
    u8* s = reinterpret_cast<u8*>(sLine);
    int w = 0;
    for (int i = 0; i < nLen;) {
        const u8 c = s[i];
        if (c >= 0x80 && i + 1 < nLen && g_nLangType != 0) {
            const u8 folded = FoldWide(c * 256u + s[i + 1]);
            if (folded) {
                s[w++] = folded;
            } else {
                s[w++] = c;
                s[w++] = s[i + 1];
            }
            i += 2;
            continue;
        }
        if (!bQueryPaser && (c == ',' || c == '/' || c == '_')) {
            s[w++] = '\t';
        } else {
            s[w++] = LowerAscii(c);
        }
        ++i;
    }
    s[w] = 0;
    return w;
}

int zipname_normalization(char* sLine, int nLen, bool bQueryPaser) { return str_normalization(sLine, nLen, bQueryPaser); }

// ---- dumps ---------------------------------------------------------------------------------------

void dump_utf8(const char* utf8) {
    if (utf8) {
        for (const unsigned char* p = reinterpret_cast<const unsigned char*>(utf8); *p; ++p) printf("%02X", *p);
    }
    printf("\n");
}

void dump_unicode(const char* utf16, int size) {
    if (utf16) {
        for (int i = 0; i < size; ++i) printf("%02X", static_cast<unsigned char>(utf16[i]));
    }
    printf("\n");
}
