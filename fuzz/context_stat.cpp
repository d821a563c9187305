// Loads arbitrary bytes as tag-context statistics, with and without names, and queries them.
#include <cstddef>
#include <cstdint>

#include "Utility/ContextStat.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    for (bool named : {false, true}) {
        CContextStat ctx;
        if (!ctx.LoadFromMemory(data, size, named)) continue;
        int n = ctx.GetTableLen();
        for (int i = 0; i <= n && i < 256; ++i) {
            ctx.GetFrequency(tuchar(i));
            for (int j = 0; j <= n && j < 256; ++j) {
                double p = ctx.GetContextPossibility(tuchar(i), tuchar(j));
                if (!(p >= 0.00001 && p <= 1.0)) __builtin_trap();
            }
        }
        ctx.GetFrequency("n");
        ctx.GetContextPossibility("n", "v");
    }
    return 0;
}
