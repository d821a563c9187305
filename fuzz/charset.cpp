// Loads arbitrary bytes as a character-type table and looks texts up in it.
#include <cstddef>
#include <cstdint>
#include <string>

#include "Utility/Charset.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static CCharset table;
    table.LoadFromMemory(data, size);
    std::string text(reinterpret_cast<const char*>(data), size < 8 ? size : 8);
    table.GetType(text.c_str());
    for (size_t i = 0; i + 1 < size && i < 64; ++i) table.GetType(int(data[i]) * 256 + data[i + 1] - 128);
    return 0;
}
