// Loads arbitrary bytes as a plain and as an enciphered word list and reads every handle.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "Utility/WordList.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    for (bool bEncript : {false, true}) {
        CWordList l(bEncript, nullptr);
        if (!l.Parse(data, size)) continue;
        size_t total = 0;
        for (int h = -1; h <= l.GetBound() && h < 5000; ++h) total += strlen(l.GetWord(h));
        l.AddWord("more", l.GetBound());
        l.AddWordComplete();
        std::vector<unsigned char> again = l.Serialize();
        CWordList back(bEncript, nullptr);
        back.Parse(again.data(), again.size());
        (void)total;
    }
    return 0;
}
