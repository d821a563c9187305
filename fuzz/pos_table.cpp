// Loads arbitrary bytes as a part-of-speech candidate table and reads every group.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "Utility/POS.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CPOS pos;
    if (!pos.LoadFromMemory(data, size)) return 0;
    int bound = pos.GetBound();
    long sum = 0;
    for (int id = -1; id <= bound && id < 100000; ++id) {
        int n = 0;
        const POS_info* p = pos.GetPOS(id, &n);
        for (int i = 0; p && i < n; ++i) sum += p[i].freq;
        sum += long(pos.GetPOS(id)) + long(pos.GetPOSFreq(id, 3));  // widened: a freq may be INT_MAX
        pos.GetMaxPOS(id);
    }
    std::vector<POS_elem> all;
    pos.GetAllItem(all, {});
    return int(sum & 0);
}
