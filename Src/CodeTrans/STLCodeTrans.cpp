// GBK, wide, UTF-8 and 16-bit unit conversions over the compiled-in code page 936 tables.
#include "CodeTrans/STLCodeTrans.h"

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include "SentimentNew/encoding/GbkTables.h"
#include "Utility/BufferManager.h"
#include "Utility/ByteIO.h"
#include "Utility/LogFile.h"
#include "Utility/Settings.h"

const char* const GBK_LOCALE_NAME = "zh_CN.gbk";

namespace {

// GBK code (lead * 256 + trail) to Unicode: the reverse of CodeTable, built once on first use.
const uint16_t* GbkToUnicodeTable()
{
    static const std::vector<uint16_t> table = [] {
        std::vector<uint16_t> t(65536, 0);
        for (unsigned int u = 0x80; u < 0x10000; ++u) {
            if (CodeTable[u] >= 0x100) t[CodeTable[u]] = uint16_t(u);
        }
        return t;
    }();
    return table.data();
}

bool IsGbkTrail(unsigned char c) { return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFE); }
bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

}  // namespace

size_t ANSIToUnicode(const tstring& Str, std::wstring& wStr)
{
    const uint16_t* reverse = GbkToUnicodeTable();
    const unsigned char* p = reinterpret_cast<const unsigned char*>(Str.c_str());
    std::wstring out;
    out.reserve(Str.size());
    while (*p) {
        const unsigned char c = *p;
        if (c < 0x80) {
            out += wchar_t(c);
            ++p;
        } else if (c == 0x80) {
            out += wchar_t(0x20AC);
            ++p;
        } else if (c != 0xFF && IsGbkTrail(p[1])) {
            const uint16_t u = reverse[(unsigned(c) << 8) | p[1]];
            out += u ? wchar_t(u) : L'?';
            p += 2;
        } else {
            // A bad lead byte spoils itself only; its follower is read again as a character.
            out += L'?';
            ++p;
        }
    }
    wStr.swap(out);
    return wStr.size();
}

size_t UnicodeToANSI(const std::wstring& wStr, tstring& Str)
{
    tstring out;
    out.reserve(wStr.size() * 2);
    for (wchar_t w : wStr) {
        const uint32_t u = uint32_t(w);
        if (u == 0) break;
        if (u < 0x80) {
            out += char(u);
            continue;
        }
        const uint16_t g = u < 0x10000 ? CodeTable[u] : 0;
        if (g == 0) {
            out += '?';
        } else if (g < 0x100) {
            out += char(g);  // U+20AC is the single byte 0x80
        } else {
            out += char(g >> 8);
            out += char(g & 0xFF);
        }
    }
    Str.swap(out);
    return Str.size();
}

// ANSIToUTF8 and UTF8ToANSI give what the wide forms give (ANSIToUnicode then unicode_to_utf8,
// UtfStr2Unicode then UnicodeToANSI) in one pass through a cursor, without the wide text: every
// character is read and written exactly as those functions read and write it.
int ANSIToUTF8(const char* Str, tstring& sUTF8Str)
{
    const uint16_t* reverse = GbkToUnicodeTable();
    const unsigned char* p = reinterpret_cast<const unsigned char*>(Str ? Str : "");
    tstring out;
    out.resize(3 * std::strlen(reinterpret_cast<const char*>(p)));  // a byte gives at most 3
    char* d = &out[0];
    size_t n = 0;
    while (*p) {
        const unsigned char c = *p;
        unsigned int u;
        if (c < 0x80) {
            d[n++] = char(c);
            ++p;
            continue;
        } else if (c == 0x80) {
            u = 0x20AC;
            ++p;
        } else if (c != 0xFF && IsGbkTrail(p[1])) {
            u = reverse[(unsigned(c) << 8) | p[1]];
            if (u == 0) u = '?';
            p += 2;
        } else {
            u = '?';  // a bad lead byte spoils itself only
            ++p;
        }
        if (u < 0x80) {
            d[n++] = char(u);
        } else if (u < 0x800) {
            d[n++] = char(0xC0 | (u >> 6));
            d[n++] = char(0x80 | (u & 0x3F));
        } else {
            d[n++] = char(0xE0 | (u >> 12));
            d[n++] = char(0x80 | ((u >> 6) & 0x3F));
            d[n++] = char(0x80 | (u & 0x3F));
        }
    }
    out.resize(n);
    sUTF8Str = std::move(out);
    return int(sUTF8Str.size());
}

bool UTF8ToANSI(const char* sUTF8StrO, tstring& sAnsiStr)
{
    tstring out;
    if (sUTF8StrO) {
        const unsigned char* p = reinterpret_cast<const unsigned char*>(sUTF8StrO);
        if (std::strncmp(sUTF8StrO, "\xEF\xBB\xBF", 3) == 0) p += 3;
        out.resize(std::strlen(reinterpret_cast<const char*>(p)));  // a character gives at most its length
        char* d = &out[0];
        size_t n = 0;
        while (*p) {
            const unsigned char c = *p;
            unsigned int u;
            if (c < 0x80) {
                d[n++] = char(c);
                ++p;
                continue;
            } else if (c >= 0xC2 && c <= 0xDF && IsContinuation(p[1])) {
                u = ((c & 0x1Fu) << 6) | (p[1] & 0x3Fu);
                p += 2;
            } else if ((c & 0xF0) == 0xE0 && IsContinuation(p[1]) && IsContinuation(p[2]) &&
                       (c != 0xE0 || p[1] >= 0xA0)) {
                u = ((c & 0x0Fu) << 12) | ((p[1] & 0x3Fu) << 6) | (p[2] & 0x3Fu);
                p += 3;
            } else {
                ++p;  // stray continuation, overlong or cut-short form, four-byte lead: skipped
                continue;
            }
            const uint16_t g = CodeTable[u];
            if (g == 0) {
                d[n++] = '?';
            } else if (g < 0x100) {
                d[n++] = char(g);  // U+20AC is the single byte 0x80
            } else {
                d[n++] = char(g >> 8);
                d[n++] = char(g & 0xFF);
            }
        }
        out.resize(n);
    }
    sAnsiStr.swap(out);
    return true;
}

namespace {

// Appends the UTF-8 form of one unit below 0x10000; others are dropped.
template <typename Out>
void PutUtf8(uint32_t u, Out put)
{
    if (u < 0x80) {
        put(char(u));
    } else if (u < 0x800) {
        put(char(0xC0 | (u >> 6)));
        put(char(0x80 | (u & 0x3F)));
    } else if (u < 0x10000) {
        put(char(0xE0 | (u >> 12)));
        put(char(0x80 | ((u >> 6) & 0x3F)));
        put(char(0x80 | (u & 0x3F)));
    }
}

}  // namespace

int unicode_to_utf8(const wchar_t* in, int insize, char** out)
{
    if (!out) return 0;
    *out = nullptr;
    if (!in || insize < 0) insize = 0;
    char* buf = static_cast<char*>(std::calloc(size_t(insize) * 3 + 1, 1));
    if (!buf) return 0;
    int n = 0;
    for (int i = 0; i < insize; ++i) PutUtf8(uint32_t(in[i]), [&](char c) { buf[n++] = c; });
    buf[n] = '\0';
    *out = buf;
    return n;
}

int utf8_to_unicode(const char* in, wchar_t* out)
{
    if (!out) return 0;
    int n = 0;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(in ? in : "");
    while (*p) {
        const unsigned char c = *p;
        if (c < 0x80) {
            out[n++] = wchar_t(c);
            p += 1;
        } else if (c >= 0xC2 && c <= 0xDF && IsContinuation(p[1])) {
            out[n++] = wchar_t(((c & 0x1F) << 6) | (p[1] & 0x3F));
            p += 2;
        } else if ((c & 0xF0) == 0xE0 && IsContinuation(p[1]) && IsContinuation(p[2]) &&
                   (c != 0xE0 || p[1] >= 0xA0)) {
            out[n++] = wchar_t(((c & 0x0F) << 12) | ((p[1] & 0x3F) << 6) | (p[2] & 0x3F));
            p += 3;
        } else {
            // Stray continuation, overlong or cut-short form, or a lead of four bytes and more:
            // skip this byte alone.
            p += 1;
        }
    }
    out[n] = 0;
    return n * 4;
}

int unicode_to_utf8_one(unsigned long unic, unsigned char* pOutput, int outSize)
{
    if (!pOutput || outSize < 6) return 0;
    int len;
    unsigned char lead;
    if (unic < 0x80) {
        pOutput[0] = (unsigned char)unic;
        return 1;
    } else if (unic < 0x800) {
        len = 2;
        lead = 0xC0;
    } else if (unic < 0x10000) {
        len = 3;
        lead = 0xE0;
    } else if (unic < 0x200000) {
        len = 4;
        lead = 0xF0;
    } else if (unic < 0x4000000) {
        len = 5;
        lead = 0xF8;
    } else if (unic < 0x80000000UL) {
        len = 6;
        lead = 0xFC;
    } else {
        return 0;
    }
    for (int i = len - 1; i > 0; --i) {
        pOutput[i] = (unsigned char)(0x80 | (unic & 0x3F));
        unic >>= 6;
    }
    pOutput[0] = (unsigned char)(lead | unic);
    return len;
}

void utoGbk(const char* unicode, char* Gbkstring, int num)
{
    utoGbkBytes(unicode, Gbkstring, num);
}

size_t utoGbkBytes(const char* unicode, char* Gbkstring, int num)
{
    if (!Gbkstring) return 0;
    const unsigned char* in = reinterpret_cast<const unsigned char*>(unicode);
    if (!in) num = 0;
    char* o = Gbkstring;
    for (int i = 0; i < num; ++i) {
        const unsigned int u = GetLE16(in + 2 * i);
        if (u < 0x80) {
            *o++ = char(u);
            continue;
        }
        const uint16_t g = CodeTable[u];
        if (g == 0) {
            *o++ = '\xA1';  // 　 ideographic space
            *o++ = '\xA1';
        } else if (g < 0x100) {
            *o++ = char(g);
        } else {
            *o++ = char(g >> 8);
            *o++ = char(g & 0xFF);
        }
    }
    const size_t n = size_t(o - Gbkstring);
    *o++ = '\0';
    *o = '\0';
    return n;
}

int utf8tou(const char* utf8string, char* unicode)
{
    if (!unicode) return 0;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(utf8string ? utf8string : "");
    auto cont = [](unsigned char c) { return c >= 0x80 && c <= 0xBF; };
    int n = 0;
    while (*p) {
        const unsigned char c = *p;
        unsigned int u;
        if (c < 0x80) {
            u = c;
            p += 1;
        } else if (c >= 0xC0 && c <= 0xDF && cont(p[1])) {
            u = ((c & 0x1F) << 6) | (p[1] & 0x3F);
            p += 2;
        } else if (c >= 0xE0 && c <= 0xEF && cont(p[1]) && cont(p[2])) {
            u = ((c & 0x0F) << 12) | ((p[1] & 0x3F) << 6) | (p[2] & 0x3F);
            p += 3;
        } else if (c >= 0xF0 && c <= 0xF7 && cont(p[1]) && cont(p[2]) && cont(p[3])) {
            p += 4;  // outside the 16-bit range: dropped whole
            continue;
        } else {
            p += 1;
            continue;
        }
        PutLE16(reinterpret_cast<unsigned char*>(unicode + 2 * n), uint16_t(u));
        ++n;
    }
    unicode[2 * n] = '\0';
    return n;
}

void utf8toGbk(const char* utf8string, char* Gbkstring)
{
    if (!Gbkstring) return;
    const size_t len = utf8string ? std::strlen(utf8string) : 0;
    char* units = new (std::nothrow) char[2 * len + 1];
    if (!units) {
        Gbkstring[0] = Gbkstring[1] = '\0';
        return;
    }
    const int n = utf8tou(utf8string, units);
    utoGbk(units, Gbkstring, n);
    delete[] units;
}

int UTF8Char_ToUnicode(const char* pcWord, int iWordLen, wchar_t& shUnicode)
{
    shUnicode = 0xFEFF;
    if (!pcWord || iWordLen <= 0) return 1;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(pcWord);
    const unsigned char c = p[0];
    if (c < 0x80) {
        shUnicode = wchar_t(c);
        return 1;
    }
    if ((c & 0xE0) == 0xC0) {
        if (iWordLen >= 2 && IsContinuation(p[1])) shUnicode = wchar_t(((c & 0x1F) << 6) | (p[1] & 0x3F));
        return 2;
    }
    if ((c & 0xF0) == 0xE0) {
        if (iWordLen >= 3 && IsContinuation(p[1]) && IsContinuation(p[2]))
            shUnicode = wchar_t(((unsigned(c) << 12) & 0xFFFF) + ((p[1] & 0x3F) << 6) + (p[2] & 0x3F));
        return 3;
    }
    if ((c & 0xF8) == 0xF0) return 4;
    if ((c & 0xFC) == 0xF8) return 5;
    if ((c & 0xFE) == 0xFC) return 6;
    return 1;
}

std::wstring utf8_to_unicode(const tstring& sUTF8)
{
    std::vector<wchar_t> units(sUTF8.size() + 1, 0);
    utf8_to_unicode(sUTF8.c_str(), units.data());
    return std::wstring(units.data());
}

std::wstring UtfStr2Unicode(const char* pText)
{
    if (!pText) return std::wstring();
    if (std::strncmp(pText, "\xEF\xBB\xBF", 3) == 0) pText += 3;
    return utf8_to_unicode(tstring(pText));
}

tstring unicode_to_utf8(const std::wstring& sWStr)
{
    tstring out;
    out.reserve(sWStr.size() * 3);
    for (wchar_t w : sWStr) PutUtf8(uint32_t(w), [&](char c) { out += c; });
    return out;
}

bool GetAnsiFilename(const char* sFilename, tstring& sAnsi, bool bUTF8)
{
    if (!sFilename) sFilename = "";
    if (access(sFilename, F_OK) == 0) {
        sAnsi = sFilename;
        return false;
    }
    UTF8ToANSI(sFilename, sAnsi);
    if (bUTF8 || access(sAnsi.c_str(), F_OK) == 0) return true;
    sAnsi = sFilename;
    return false;
}

const char* GetDefaultPath(const char* sPath)
{
    if (sPath && *sPath) {
        GetAnsiFilename(sPath, g_sDefaultDir, false);
    } else {
        char* cwd = getcwd(nullptr, 0);
        g_sDefaultDir = cwd ? cwd : ".";
        std::free(cwd);
    }
    return g_sDefaultDir.c_str();
}

tstring LastErrorForCaller(bool bUtf8)
{
    const CErrorText message = CopyLastError();
    if (!bUtf8) return message.Text();
    return message.ForCaller([](const tstring& sOwn) {
        tstring sUtf8;
        ANSIToUTF8(sOwn.c_str(), sUtf8);
        return sUtf8;
    });
}

const char* GetLastErrorMsg()
{
    tstring text = LastErrorForCaller(g_nEncodeType == 1);
    if (g_pBufManager) {
        if (const char* copy = g_pBufManager->AddBuffer(text.c_str())) return copy;
    }
    thread_local tstring tlsCopy;
    tlsCopy.swap(text);
    return tlsCopy.c_str();
}
