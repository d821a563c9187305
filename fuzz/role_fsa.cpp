// Loads arbitrary bytes as a role automaton and runs it over role strings taken from the input.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "Utility/FSA.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CFSA fsa;
    if (!fsa.LoadFromMemory(data, size)) {
        // Still run the empty automaton, which must change nothing.
        if (size == 0) return 0;
    }
    std::vector<word_t> words(size % 40);
    for (size_t i = 0; i < words.size(); ++i) {
        words[i].start = int(i);
        words[i].end = int(i) + 1;
        words[i].POS_id = data[(i * 7) % size] % 16;
    }
    int count = int(words.size());
    std::vector<int> index;
    fsa.MaxPR(words.data(), &count, -1, index);
    if (count < 0 || count > int(words.size())) __builtin_trap();
    int pos = 0;
    for (int i = 0; i < count; ++i) {
        if (words[size_t(i)].start != pos) __builtin_trap();
        pos = words[size_t(i)].end;
    }
    if (count > 0 && pos != int(words.size())) __builtin_trap();
    return 0;
}
