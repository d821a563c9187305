// Loads arbitrary bytes as a bigram table, queries it and compacts it.
#include <cstddef>
#include <cstdint>

#include "Utility/Bigram.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CBigram b(true, 0);
    if (!b.LoadFromMemory(data, size)) return 0;
    int bound = b.GetBound();
    for (int a = -1; a <= bound && a < 300; ++a)
        for (int c = -1; c <= bound + 1 && c < 300; ++c) b.GetFreq(a, c);
    b.SelectWithThreshold(2);
    for (int a = 0; a < bound && a < 300; ++a) b.GetFreq(a, a);
    return 0;
}
