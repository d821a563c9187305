// Runs arbitrary bytes through the English word handling: tokenising, tagging, the result line
// with field and user dictionary merges, entity grouping, the single-word lookups and the word
// test. A small lexicon is built in memory once. Traps when a token does not index the line.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "EnglishParser/English.h"
#include "MERIDOX/System/EngineGlobals.h"
#include "Utility/IDMaps.h"
#include "Utility/PDAT.h"
#include "Utility/POS.h"
#include "Utility/POSmap.h"
#include "Utility/Trie.h"
#include "Utility/Unigram.h"
#include "Utility/WordList.h"

namespace {

// word, tag id, frequency (several rows of one word give several candidates, in tag order)
struct Row {
    const char* word;
    int tag;
    int freq;
};
const Row kRows[] = {{"<none>", -1, 0}, {"the", 40, 100}, {"go", 68, 10},   {"went", -1, 0},
                     {"china", 21, 50}, {"china", 24, 2}, {"china", 29, 1},  {"of", 34, 90},
                     {"and", 9, 90},    {"book", 21, 5},  {"book", 68, 5},   {"a", 0, 1},
                     {"s", 78, 2},      {"1,000", 18, 5}, {"einstein", 24, 4}};

void BuildLexicon() {
    std::string names;
    for (int i = 0; i < 102; ++i) names += (i >= 78 && i <= 92 ? "w" : "t") + std::to_string(i) + "\n";
    g_ppPOSmap = new CPOSmap*[kPOSmapCount]();
    g_ppPOSmap[0] = new CPOSmap;
    g_ppPOSmap[0]->LoadFromMemory(reinterpret_cast<const unsigned char*>(names.data()), names.size());

    g_pEnglishDict = new CPDAT(0);
    g_pEnglishDict->AddWordInit();
    for (const Row& r : kRows) g_pEnglishDict->AddWord(r.word);
    g_pEnglishDict->AddWordComplete();
    const int nBound = int(g_pEnglishDict->GetItemCount());
    g_pEnglishWordList = new CWordList;
    g_pEnglishWordList->AddWordInit();
    g_pEnglishUnigram = new CUnigram(nBound);
    std::vector<POS_elem> records;
    for (const Row& r : kRows) {
        int h = g_pEnglishDict->Find(r.word);
        g_pEnglishWordList->AddWord(r.word, h);
        g_pEnglishUnigram->AddFreq(h, r.freq * 10);
        if (r.tag < 0) continue;
        POS_elem e;
        e.handle = h;
        e.POS_id = tuchar(r.tag);
        e.freq = r.freq;
        records.push_back(e);
    }
    g_pEnglishWordList->AddWordComplete();
    g_pEnglishPOS = new CPOS;
    g_pEnglishPOS->Import(records, nBound);
    g_pEnglishIrre2Reg = new CIDMaps;
    g_pEnglishIrre2Reg->MapInit();
    g_pEnglishIrre2Reg->MapAdd(g_pEnglishDict->Find("went"), g_pEnglishDict->Find("go"));
    g_pEnglishIrre2Reg->MapComplete();

    g_pEngNEDict = new CPDAT(0);
    g_pEngNEDict->AddWordInit();
    g_pEngNEDict->AddWord("china");
    g_pEngNEDict->AddWord("einstein");
    g_pEngNEDict->AddWordComplete();
    records.clear();
    POS_elem e;
    e.handle = 0;
    e.POS_id = 29;
    e.freq = 50;
    records.push_back(e);
    e.handle = 1;
    e.POS_id = 24;
    records.push_back(e);
    g_pEngNEPOS = new CPOS;
    g_pEngNEPOS->Import(records, 2);

    g_pFieldDict = new CPDAT(0);
    g_pFieldDict->AddWordInit();
    g_pFieldDict->AddWord("new york");
    g_pFieldDict->AddWord("a-b");
    g_pFieldDict->AddWordComplete();
    g_pFieldPOS = new CWordList;
    g_pFieldPOS->AddWordInit();
    g_pFieldPOS->AddWord("t32", 0);
    g_pFieldPOS->AddWord("a tag that is far longer than thirty-nine bytes", 1);
    g_pFieldPOS->AddWordComplete();
    g_pUserDict = new CTrie;
    g_pUserDict->AddTrie("e-mail t32");
    g_pUserDict->AddTrie("a-b-c Object");
    g_pUserDict->AddTrie("x. w80");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool bBuilt = (BuildLexicon(), true);
    (void)bBuilt;
    // The line ends at the first NUL, as the engine passes it.
    const std::string line(reinterpret_cast<const char*>(data), size);
    const char* s = line.c_str();
    const size_t nLine = strlen(s);

    CEnglish eng;
    auto& items = eng.ProcessA(s);
    int nEnd = 0;
    for (const auto& t : items) {
        if (t.start < nEnd || size_t(t.start) + size_t(t.length) > nLine ||
            line.compare(size_t(t.start), size_t(t.length), t.word) != 0)
            __builtin_trap();
        nEnd = t.start + t.length;
        int h;
        eng.GetWordPos(s + t.start, t.length, h);
        eng.IsEnglishWord(t.word.c_str());
        eng.GetEngWordOrign(t.word.c_str());
    }
    eng.GetResultString(s, items, true);
    for (const auto& t : items)
        if (size_t(t.start) + size_t(t.length) > nLine) __builtin_trap();
    eng.NER();
    eng.RecognizeNEType(0, int(items.size()) + 2);
    eng.Process(s, 0);
    return 0;
}
