// Loads arbitrary bytes as a unigram table and reads every id around its bound.
#include <cstddef>
#include <cstdint>

#include "Utility/Unigram.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CUnigram u;
    if (!u.LoadFromMemory(data, size)) return 0;
    int bound = u.GetBound();
    for (int id = -2; id <= bound + 1 && id < 100000; ++id) u.GetFreq(id);
    std::vector<unigram_elem> out;
    u.OutputFreq(out);
    CUnigram sum(bound < 1000 ? bound : 1000);
    sum.AddFreq(u);
    return 0;
}
