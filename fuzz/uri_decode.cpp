// Fuzz target for %XX decoding and the query/name folding.
// Input: byte 0 picks the mode, the rest is the text (passed by length).
// Checks, besides memory safety: iURIDecode writes at most its input length and decodes a text
// without '%' to itself; str_normalization never grows the text, always terminates it, and
// zipname_normalization agrees with it.
#include <cstdint>
#include <cstring>
#include <vector>

#include "CodeTrans/HtmlText.h"

static void Check(bool ok) {
    if (!ok) __builtin_trap();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const bool bQuery = (data[0] & 1) != 0;
    const std::vector<char> text(data + 1, data + size);
    const int n = int(text.size());

    {
        std::vector<char> in(text);
        std::vector<char> out(text.size() + 4, '\x5A');
        int len = -1;
        iURIDecode(in.empty() ? nullptr : in.data(), n, out.empty() ? nullptr : out.data(), len);
        Check(len >= 0 && len <= n);
        for (size_t k = text.size(); k < out.size(); ++k) Check(out[k] == '\x5A');
        // An empty text has no buffer at all: memchr and memcmp must not see its null pointer.
        if (!text.empty() && !memchr(text.data(), '%', text.size()))
            Check(len == n && memcmp(out.data(), text.data(), text.size()) == 0);
        if (text.empty()) Check(len == 0);
    }
    {
        std::vector<char> a(text);
        a.push_back('\x5A');
        std::vector<char> b(a);
        const int la = str_normalization(a.data(), n, bQuery);
        const int lb = zipname_normalization(b.data(), n, bQuery);
        Check(la >= 0 && la <= n && la == lb);
        Check(a[size_t(la)] == '\0');
        Check(memcmp(a.data(), b.data(), size_t(la) + 1) == 0);
        // Folding is idempotent on ASCII: a second pass changes nothing that is below 0x80.
        bool ascii = true;
        for (int k = 0; k < la; ++k) ascii = ascii && static_cast<unsigned char>(a[size_t(k)]) < 0x80;
        if (ascii) {
            std::vector<char> c(a.begin(), a.begin() + la + 1);
            Check(str_normalization(c.data(), la, bQuery) == la);
            Check(memcmp(c.data(), a.data(), size_t(la)) == 0);
        }
    }
    return 0;
}
