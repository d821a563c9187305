#include "SentimentNew/class/SentiString.h"

namespace {

inline unsigned char UC(char c) { return static_cast<unsigned char>(c); }

inline bool IsContinuation(unsigned char c) { return c >= 0x80 && c <= 0xBF; }

}  // namespace

std::vector<tstring> Split(const tstring& s, const tstring& delim, bool keep_empty) {
    std::vector<tstring> result;
    if (delim.empty()) {
        result.push_back(s);
        return result;
    }
    size_t from = 0;
    while (true) {
        const size_t hit = s.find(delim, from);
        const size_t end = hit == tstring::npos ? s.size() : hit;
        if (keep_empty || end > from) result.emplace_back(s, from, end - from);
        if (hit == tstring::npos) break;
        from = hit + delim.size();
    }
    return result;
}

tstring& ReplaceAll(tstring& str, const tstring& old_value, const tstring& new_value) {
    if (old_value.empty()) return str;
    if (new_value.find(old_value) != tstring::npos) return ReplaceAllDistinct(str, old_value, new_value);
    // Every occurrence before the first one found existed already, so after a replacement at pos
    // the next occurrence cannot start before pos - (old length - 1): searching from there gives
    // the result of restarting at the beginning without its quadratic cost.
    size_t pos = str.find(old_value);
    while (pos != tstring::npos) {
        str.replace(pos, old_value.size(), new_value);
        const size_t back = old_value.size() - 1;
        pos = str.find(old_value, pos > back ? pos - back : 0);
    }
    return str;
}

tstring& ReplaceAllDistinct(tstring& str, const tstring& old_value, const tstring& new_value) {
    if (old_value.empty()) return str;
    for (size_t pos = str.find(old_value); pos != tstring::npos;
         pos = str.find(old_value, pos + new_value.size())) {
        str.replace(pos, old_value.size(), new_value);
    }
    return str;
}

size_t Utf8CharLength(const char* s, size_t i, size_t n) {
    const unsigned char c = UC(s[i]);
    if (c < 0x80) return 1;
    size_t len;
    unsigned char lo = 0x80, hi = 0xBF;  // range of the second byte
    if (c >= 0xC2 && c <= 0xDF) {
        len = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        len = 3;
        if (c == 0xE0) lo = 0xA0;        // overlong below U+0800
        else if (c == 0xED) hi = 0x9F;   // surrogates D800-DFFF
    } else if (c >= 0xF0 && c <= 0xF4) {
        len = 4;
        if (c == 0xF0) lo = 0x90;        // overlong below U+10000
        else if (c == 0xF4) hi = 0x8F;   // above U+10FFFF
    } else {
        return 0;
    }
    if (n - i < len) return 0;
    const unsigned char second = UC(s[i + 1]);
    if (second < lo || second > hi) return 0;
    for (size_t k = 2; k < len; ++k) {
        if (!IsContinuation(UC(s[i + k]))) return 0;
    }
    return len;
}
