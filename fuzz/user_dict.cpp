// Loads arbitrary bytes as a user-dictionary file, then looks up, changes and saves it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "Utility/Trie.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CTrie t;
    if (!t.Parse(data, size)) return 0;
    std::string text(reinterpret_cast<const char*>(data), size < 64 ? size : 64);
    for (char& c : text)
        if (c == 0) c = 'a';
    int h;
    char tag[40];
    for (size_t i = 0; i < text.size(); i += 5) {
        const char* s = text.c_str() + i;
        t.Find(s);
        t.GetMaxWord(s, &h, tag);
        t.GetMaxWord(s, &h);
        t.GetFreq(s, h, tag);
    }
    t.GetPos(tag, 40);
    // Words added for a while and taken back (as an object request does) leave a trie that saves
    // and loads again, whatever the loaded file held.
    int nKept = 0;
    char sKept[40];
    const int nFreq = t.GetEntry("xy", nKept, sKept);
    t.AddTrie("xy Object");
    t.AddTrie("xyz Object");
    t.AddTrie(text.c_str(), true);
    t.TakeBack("xy", sKept, nFreq);
    t.AddTrie("ab n");
    t.DelTrie("ab");
    t.TakeBack("xyz", "", 0);
    std::vector<unsigned char> again = t.Serialize();
    CTrie back;
    if (!back.Parse(again.data(), again.size())) __builtin_trap();
    return 0;
}
