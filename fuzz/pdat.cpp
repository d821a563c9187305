// Loads arbitrary bytes as a .pdat dictionary and looks text up in it.
//
// A .pdat file starts with a 262144-byte symbol table, far beyond useful fuzz input sizes, so the
// input is expanded: its first 128 bytes give the symbol ids of codes 0..127 (as signed bytes; the
// other codes have none) and the rest follows the table (lower bound, item count, cells, mode).
// The raw input is parsed as well, for the size checks.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "Utility/ByteIO.h"
#include "Utility/PDAT.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CPDAT raw(0);
    raw.Parse(data, size);

    size_t nIds = size < 128 ? size : 128;
    std::vector<unsigned char> image(262144, 0xFF);
    for (size_t k = 0; k < nIds; ++k) PutLE32(&image[4 * k], uint32_t(int32_t(int8_t(data[k]))));
    image.insert(image.end(), data + nIds, data + size);
    CPDAT d(0);
    if (!d.Parse(image.data(), image.size())) return 0;

    // Text from the input itself, plus all one-character words.
    std::string text(reinterpret_cast<const char*>(data), nIds);
    for (char& c : text)
        if (c == 0) c = 'a';
    for (size_t i = 0; i < text.size(); i += 7) {
        const char* s = text.c_str() + i;
        d.Find(s);
        d.Find(s, unsigned(text.size() - i < 9 ? text.size() - i : 9));
        int h;
        bool b;
        d.GetMaxWord(s, &h, &b);
        unsigned int *hs = nullptr, *ps = nullptr, n = 0, count = 0;
        d.GetWords(s, &hs, &ps, &n, &count, 0);
        free(hs);
        free(ps);
    }
    for (int code = -1; code < 130; ++code) d.Find(code);
    d.MMSegment(text.c_str(), 6, '#');
    d.MMScan(text.c_str());
    d.MMFullScan(text.c_str());
    std::vector<_stTermPosition> pos;
    d.MMScanPosition(text.c_str(), pos, 1);
    std::vector<unsigned char> again = d.Serialize();
    CPDAT back(1);
    back.Parse(again.data(), again.size());
    return 0;
}
