// Loads arbitrary bytes as a tag-set text and reads every id back.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "Utility/POSmap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CPOSmap map;
    map.LoadFromMemory(data, size);
    char buf[40];
    for (int i = 0; i < 256; ++i) {
        const char* name = map.GetPOS(tuchar(i));
        if (strlen(name) > 39) __builtin_trap();
        map.GetPOS(tuchar(i), buf);
        tuchar id = map.GetID(name);
        if (i < map.GetItemCount() && id > i) __builtin_trap();
    }
    return 0;
}
