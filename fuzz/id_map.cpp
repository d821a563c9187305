// Loads arbitrary bytes as an id map and queries every source id.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "Utility/IDMaps.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CIDMaps m;
    if (!m.Parse(data, size)) return 0;
    std::vector<int> sim;
    for (int h = -1; h <= m.GetBound() && h < 5000; ++h) {
        int n;
        const idmaps_info* p = m.GetMaps(h, &n);
        for (int i = 0; i < n; ++i) (void)p[i].handle2;
        m.GetMapID(h);
        m.GetSimMaps(h, sim);
    }
    std::vector<unsigned char> again = m.Serialize();
    CIDMaps back;
    back.Parse(again.data(), again.size());
    return 0;
}
