// Natural logarithms of recurring arguments: a direct-mapped cache by the argument's bits, for
// scorers that take the ln of the same few thousand values over and over (the tagger's larger
// frequencies).
//
// Every entry holds an argument with the value std::log gave it (the cache starts with ln 1 = 0
// in every entry), so Log(x) returns exactly std::log(x), hit or miss, for any x including
// negative numbers, zero, infinities and NaN.
//
// Memory: 16 bytes per entry, owned. Thread safety: Log writes the cache, so one thread at a
// time per instance.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

class CLnCache {
public:
    // A cache of 2^nBits entries (nBits from 1 to 16; other values are clamped).
    explicit CLnCache(unsigned nBits) {
        if (nBits < 1) nBits = 1;
        if (nBits > 16) nBits = 16;
        m_nShift = 64 - nBits;
        const double dOne = 1.0;
        m_vecEntry.assign(size_t(1) << nBits, entry{Bits(dOne), std::log(dOne)});
    }

    // std::log(x), from the cache when x was the last argument of its entry.
    double Log(double x) {
        const uint64_t bits = Bits(x);
        entry& e = m_vecEntry[size_t((bits * 0x9E3779B97F4A7C15ull) >> m_nShift)];
        if (e.bits == bits) return e.value;
        const double v = std::log(x);
        e.bits = bits;
        e.value = v;
        return v;
    }

private:
    struct entry {
        uint64_t bits;
        double value;
    };
    static uint64_t Bits(double x) {
        uint64_t bits;
        memcpy(&bits, &x, sizeof bits);
        return bits;
    }

    std::vector<entry> m_vecEntry;
    unsigned m_nShift = 64;
};
