// Fuzz target for the HTML-to-text cleaner.
// Input: byte 0 picks the output encoding and an output limit, the rest is the page (passed by
// length, with no terminator after it).
// Checks, besides memory safety: the text is NUL-terminated at its reported length, never longer
// than the input, inside the limit, with no leading blank and no run of blanks; nothing is written
// past the buffer.
#include <cstdint>
#include <cstring>
#include <vector>

#include "CodeTrans/HtmlText.h"

static void Check(bool ok) {
    if (!ok) __builtin_trap();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const uint8_t flags = data[0];
    const int code = (flags & 1) ? CODETRANS_GBK : CODETRANS_UTF8;
    static const int kLimits[] = {0, 0, 0, 1, 2, 5, 16, 64};
    const int limit = kLimits[(flags >> 1) & 7];
    std::vector<char> in(data + 1, data + size);
    const size_t n = in.size();
    const size_t cap = limit > 0 ? size_t(limit) : n + 1;
    const size_t kGuard = 8;
    std::vector<char> out(cap + kGuard, '\x5A');

    int len = limit;
    vHtmlToText(in.empty() ? nullptr : in.data(), int(n), out.data(), len, code);
    Check(len >= 0 && size_t(len) < cap && size_t(len) <= n);
    Check(out[size_t(len)] == '\0');
    for (size_t k = cap; k < out.size(); ++k) Check(out[k] == '\x5A');
    for (int k = 0; k < len; ++k) {
        if (out[size_t(k)] != ' ') continue;
        Check(k > 0);
        Check(k + 1 >= len || out[size_t(k) + 1] != ' ');
    }
    // A limited run gives a prefix of what the unlimited run would have kept (before compaction a
    // piece that does not fit ends the walk, so the limited text can only be shorter).
    if (limit > 0) {
        std::vector<char> full(n + 1);
        int flen = 0;
        vHtmlToText(in.empty() ? nullptr : in.data(), int(n), full.data(), flen, code);
        Check(len <= flen);
    }
    return 0;
}
