// English lexicons for the English word handling tests: a small hand-made set built in memory
// (so every candidate list is exact), or the shipped data directory of the build. Either is
// installed into the engine globals together with the configured tag set as map 0, and released
// again by the destructor (every lexicon global the tests touch, the user and field dictionaries
// included).
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "MERIDOX/System/EngineGlobals.h"
#include "Utility/IDMaps.h"
#include "Utility/PDAT.h"
#include "Utility/POS.h"
#include "Utility/POSmap.h"
#include "Utility/Trie.h"
#include "Utility/Unigram.h"
#include "Utility/WordList.h"

namespace kxtest {

// Tag ids of the configured tag set (data/KOVEX.map).
enum : int {
    kA = 0,
    kBrk = 1,
    kC = 9,
    kM = 18,
    kN = 21,
    kNr = 24,
    kNs = 29,
    kNsf = 30,
    kNt = 31,
    kNz = 32,
    kP = 34,
    kR = 40,
    kT = 52,
    kU = 54,
    kV = 68,
    kW = 78,
    kXe = 97,
    kMtel = 100
};

// One word of the hand-made lexicon: its candidates (tag, frequency) and unigram count.
struct TestWord {
    const char* word;
    std::vector<std::pair<int, int>> tags;
    int freq;
};

class EnglishLexicon {
public:
    // The hand-made lexicon (see the word table in EnglishLexicon.cpp), tagging on.
    EnglishLexicon();
    // The shipped English folder of the build's data directory; loaded() tells whether every
    // file was read.
    explicit EnglishLexicon(const std::string& sDataDir);
    ~EnglishLexicon();
    EnglishLexicon(const EnglishLexicon&) = delete;
    EnglishLexicon& operator=(const EnglishLexicon&) = delete;

    bool loaded() const { return m_bLoaded; }
    // Handle of a word in the English dictionary.
    static int Handle(const char* sWord) { return g_pEnglishDict->Find(sWord); }

    // A field dictionary of (word, tag) pairs; bWithTags false leaves g_pFieldPOS null.
    static void SetFieldDict(const std::vector<std::pair<std::string, std::string>>& entries,
                             bool bWithTags = true);
    // A new user dictionary holding the lines (AddTrie form "word tag").
    static void SetUserDict(const std::vector<std::string>& lines);

private:
    bool m_bLoaded = true;
};

}  // namespace kxtest
