#include "Utility/HashFunc.h"

#include <strings.h>

#include <cstring>

namespace {

inline size_t Len(const char* s) { return s ? strlen(s) : 0; }

// A byte as a signed value widened to 32 bits, in unsigned arithmetic.
inline uint32_t Signed32(char c) { return static_cast<uint32_t>(static_cast<int32_t>(static_cast<signed char>(c))); }

uint32_t ElfHash(const char* s) {
    uint32_t h = 0;
    if (!s) return 0;
    for (; *s; ++s) {
        h = (h << 4) + Signed32(*s);
        const uint32_t g = h & 0xF0000000u;
        if (g != 0) {
            h ^= g >> 24;
            h &= ~g;
        }
    }
    return h;
}

// First occurrence of the n bytes at pat in [hay, hay + hayLen), or NULL.
const char* FindBytes(const char* hay, size_t hayLen, const char* pat, size_t n) {
    if (n == 0 || hayLen < n) return nullptr;
    return static_cast<const char*>(memmem(hay, hayLen, pat, n));
}

}  // namespace

// ---- string hashes -----------------------------------------------------------------------------

uint64_t Pelmohash(const char* Url) {
    const size_t len = Len(Url);
    if (len == 0) return 0;
    uint64_t h = len <= 256 ? static_cast<uint64_t>(len - 1) << 24 : 0xFF000000u;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(Url);
    if (len >= 97) p += len - 96;
    const size_t n = len >= 97 ? 96 : len;
    for (size_t k = 0; k < n; ++k) {
        uint64_t c = p[k];
        if (c >= 'A' && c <= 'Z') c += 'a' - 'A';
        const uint64_t i = k + 1;
        h += (3 * c * c * i + 5 * c * i + 7 * i + 11 * c) & 0xFFFFFFu;
    }
    return h;
}

uint32_t ELFhash(const char* url) { return ElfHash(url); }

uint32_t UrlHash(const char* pcUrl) { return ElfHash(pcUrl); }

uint32_t HfIp(const char* url) {
    uint32_t h = 0;
    if (!url) return 0;
    for (size_t i = 0; url[i]; ++i) {
        h ^= static_cast<uint32_t>(static_cast<unsigned char>(url[i])) << (8 * (i % 4));
    }
    return h;
}

uint32_t _hf(const char* url) {
    uint32_t sum = 0;
    if (!url) return 0;
    for (size_t k = 0; url[k]; ++k) {
        sum += Signed32(url[k]) * 3u * static_cast<uint32_t>(k + 1);
    }
    // A negative 32-bit sum is negated in unsigned arithmetic, so INT32_MIN gives 2147483648.
    return (sum & 0x80000000u) ? 0u - sum : sum;
}

uint64_t Strhash(const char* str) {
    uint64_t h = 0;
    if (!str) return 0;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(str); *p; ++p) h = h * 31 + *p;
    return h;
}

uint64_t CHash::Strhash(const char* str) {
    uint32_t h = 0;
    if (!str) return 0;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(str); *p; ++p) h = h * 31u + *p;
    return h;
}

// ---- integer packing ---------------------------------------------------------------------------

int int_compress(int iVal, unsigned char* sVal) {
    if (iVal < 0 || iVal >= 0x40000000 || !sVal) return 0;
    const uint32_t v = static_cast<uint32_t>(iVal);
    int n;
    if (v < 0x40u) {
        n = 1;
    } else if (v < 0x4000u) {
        n = 2;
    } else if (v < 0x400000u) {
        n = 3;
    } else {
        n = 4;
    }
    for (int k = 0; k < n; ++k) sVal[k] = static_cast<unsigned char>(v >> (8 * (n - 1 - k)));
    sVal[0] = static_cast<unsigned char>((sVal[0] & 0x3F) | ((n - 1) << 6));
    return n;
}

int int_uncompress(unsigned char* sVal, int* p_iVal) {
    if (!sVal) return 0;
    const int n = (sVal[0] >> 6) + 1;
    uint32_t v = sVal[0] & 0x3Fu;
    for (int k = 1; k < n; ++k) v = (v << 8) | sVal[k];
    if (p_iVal) *p_iVal = static_cast<int>(v);
    return n;
}

// ---- similarity --------------------------------------------------------------------------------

double ComputeSim(const char* sStr1, const char* sStr2) {
    const size_t len1 = Len(sStr1);
    const size_t len2 = Len(sStr2);
    if (len1 == 0 && len2 == 0) return 1.0;
    if (len1 == 0) return 0.5;
    if (len2 == 0) return 0.0;
    if (strcasecmp(sStr1, sStr2) == 0) return 1.0;
    if (strstr(sStr2, sStr1)) return static_cast<double>(len1) / static_cast<double>(len2);

    double score = 0.0;
    size_t pos = 0;
    for (size_t i = 0; i < len1;) {
        // A lead byte needs its trail byte inside the text; one at the end is a character alone.
        const size_t l = (static_cast<unsigned char>(sStr1[i]) >= 0x80 && i + 1 < len1) ? 2 : 1;
        const char* found = FindBytes(sStr2 + pos, len2 - pos, sStr1 + i, l);
        if (found) {
            const size_t at = static_cast<size_t>(found - sStr2);
            score += (at == pos + l) ? static_cast<double>(l) : 0.9 * static_cast<double>(l);
            pos = at;
        } else if (FindBytes(sStr2, len2, sStr1 + i, l)) {
            score += 0.6 * static_cast<double>(l);
        }
        i += l;
    }
    return score * score / (static_cast<double>(len1) * static_cast<double>(len2));
}
