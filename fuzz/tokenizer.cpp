// Fuzz target for the in-place tokenizers and the line splitter.
// Input: byte 0 selects the delimiter set and the modes, the rest is the text.
// Checks, besides memory safety: a CStrToken walk that runs to NULL leaves the text whole, and a
// StrLine loop that restores each separator ends and only returns lines inside the buffer.
#include <cstdint>
#include <cstring>
#include <vector>

#include "Utility/StrFunc.h"
#include "Utility/StrToken.h"

static void Check(bool ok) {
    if (!ok) __builtin_trap();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    static const char* const kDelims[] = {" ", " .,", ",", "\t", "\n", " \t\r\n.,;", "^", ""};
    const uint8_t flags = data[0];
    const char* delim = kDelims[flags & 7];
    const bool bEnglish = (flags & 8) != 0;
    const bool bQuoted = (flags & 16) != 0;
    const char* text = reinterpret_cast<const char*>(data + 1);
    const size_t n = size - 1;

    // CStrToken over an exact, unterminated range: never reads the byte at pEnd.
    {
        std::vector<char> buf(text, text + n);
        char* begin = buf.empty() ? nullptr : buf.data();
        CStrToken tok(bEnglish);
        size_t count = 0;
        for (char* t = begin ? tok.GetToken(begin, begin + n, delim) : nullptr; t;
             t = tok.GetToken(nullptr, nullptr, delim)) {
            Check(t >= begin && t < begin + n);
            Check(++count <= n);
        }
        Check(memcmp(buf.data(), text, n) == 0);
    }

    // CStrToken over a terminated copy (the end taken from the length).
    {
        std::vector<char> buf(text, text + n);
        buf.push_back(0);
        CStrToken tok(bEnglish);
        for (char* t = tok.GetToken(buf.data(), nullptr, delim); t; t = tok.GetToken(nullptr, nullptr, delim)) {
            Check(strlen(t) > 0);
        }
        Check(memcmp(buf.data(), text, n) == 0);
    }

    // StrLine, restoring the separator as the callers do.
    {
        std::vector<char> buf(text, text + n);
        buf.push_back(0);
        char* cur = buf.data();
        char* const end = buf.data() + n;
        for (size_t guard = 0; guard <= n + 1; ++guard) {
            char* next = nullptr;
            char sep = 0;
            int status = 0;
            char* line = StrLine(cur, &next, &sep, &status, bQuoted);
            if (!line) break;
            Check(line >= buf.data() && line <= end);
            if (!next) break;
            Check(next > cur && next <= end);
            *next = sep;
            cur = next;
        }
    }

    // The copying and splitting helpers.
    {
        std::vector<char> buf(text, text + n);
        buf.push_back(0);
        std::vector<tstring> v;
        GetStrVector(buf.data(), delim, v);
        gfn_bSplitOR(buf.data(), v, delim);
        gfn_bSplit(buf.data(), v, delim);
        char* next = nullptr;
        for (char* t = StrToken(buf.data(), delim, &next); t; t = StrToken(next, delim, &next)) {
        }
        tstring s(text, n);
        gfn_bTrimWord(s);
        toLower(s);
        unsigned long b = 0, e = 0;
        int off = 0;
        std::vector<char> pat(text, text + n / 2);
        pat.push_back(0);
        std::vector<char> hay(text + n / 2, text + n);
        hay.push_back(0);
        StrLocate(hay.data(), pat.data(), b, e, off);
        StrMatch(pat.data(), hay.data(), b, -1);
        tstring out;
        TextStandard(buf.data(), out);
    }
    return 0;
}
