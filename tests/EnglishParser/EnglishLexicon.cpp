#include "EnglishParser/EnglishLexicon.h"

#include <gtest/gtest.h>

#include "Utility/Types.h"

namespace kxtest {

namespace {

// Handle order is table order; candidates in ascending tag id, as the stores keep them.
const std::vector<TestWord>& Words() {
    static const std::vector<TestWord> words = {
        {"<none>", {}, 0},
        {"the", {{kR, 100}}, 1000},
        {"go", {{kV, 10}}, 100},
        {"went", {}, 0},  // irregular: go
        {"china", {{kN, 50}, {kNr, 2}, {kNs, 1}}, 60},
        {"london", {{kN, 50}, {kNs, 1}, {kNt, 2}}, 60},
        {"bill", {{kN, 4}, {kNr, 2}, {kV, 3}}, 9},
        {"book", {{kN, 5}, {kV, 5}}, 10},
        {"run", {{kN, 2}, {kV, 7}}, 9},
        {"saw", {{kN, 3}}, 3},  // irregular: see
        {"see", {{kV, 20}}, 20},
        {"left", {{kA, 1}}, 1},  // irregular: leave
        {"leave", {{kV, 9}}, 9},
        {"fed", {{kA, 2}}, 2},  // irregular: feed
        {"feed", {{kV, 1}}, 1},
        {"hello", {{kN, 5}}, 5},
        {"world", {{kN, 8}}, 8},
        {"john", {{kNr, 5}}, 5},
        {"of", {{kP, 1000}}, 1000},
        {"and", {{kC, 1000}}, 1000},
        {"albert", {{kNr, 3}}, 3},
        {"einstein", {{kNr, 4}}, 4},
        {"make", {{kV, 10}}, 10},
        {"mail", {{kN, 6}}, 6},
        {"1,000", {{kM, 5}}, 5},
    };
    return words;
}

const std::vector<std::pair<const char*, const char*>> kIrregular = {
    {"went", "go"}, {"saw", "see"}, {"left", "leave"}, {"fed", "feed"}};

// Named entities and their type frequencies.
const std::vector<TestWord> kNamed = {
    {"china", {{kNs, 50}}, 0},    {"london", {{kNs, 30}}, 0}, {"albert", {{kNr, 40}}, 0},
    {"einstein", {{kNr, 60}}, 0}, {"paris", {{kNsf, 20}}, 0}, {"rome", {{kNs, 80}}, 0},
};

CPOSmap* LoadMap0() {
    CPOSmap* map = new CPOSmap;
    EXPECT_TRUE(map->Load(KX_SOURCE_DIR "/data/KOVEX.map"));
    return map;
}

void InstallMaps() {
    g_ppPOSmap = new CPOSmap*[kPOSmapCount]();
    g_ppPOSmap[0] = LoadMap0();
}

}  // namespace

EnglishLexicon::EnglishLexicon() {
    ResetEngineGlobals();
    InstallMaps();
    g_pEnglishDict = new CPDAT(0);
    g_pEnglishDict->AddWordInit();
    for (const TestWord& w : Words()) g_pEnglishDict->AddWord(w.word);
    g_pEnglishDict->AddWordComplete();

    const int nBound = int(Words().size());
    g_pEnglishWordList = new CWordList;
    g_pEnglishWordList->AddWordInit();
    g_pEnglishUnigram = new CUnigram(nBound);
    std::vector<POS_elem> records;
    for (int h = 0; h < nBound; ++h) {
        const TestWord& w = Words()[size_t(h)];
        EXPECT_EQ(g_pEnglishDict->Find(w.word), h) << w.word;
        g_pEnglishWordList->AddWord(w.word, h);
        g_pEnglishUnigram->AddFreq(h, w.freq);
        for (auto& t : w.tags) {
            POS_elem e;
            e.handle = h;
            e.POS_id = tuchar(t.first);
            e.freq = t.second;
            records.push_back(e);
        }
    }
    g_pEnglishWordList->AddWordComplete();
    g_pEnglishPOS = new CPOS;
    g_pEnglishPOS->Import(records, nBound);

    g_pEnglishIrre2Reg = new CIDMaps;
    g_pEnglishIrre2Reg->MapInit();
    for (auto& p : kIrregular) g_pEnglishIrre2Reg->MapAdd(Handle(p.first), Handle(p.second));
    g_pEnglishIrre2Reg->MapComplete();

    g_pEngNEDict = new CPDAT(0);
    g_pEngNEDict->AddWordInit();
    for (const TestWord& w : kNamed) g_pEngNEDict->AddWord(w.word);
    g_pEngNEDict->AddWordComplete();
    records.clear();
    for (const TestWord& w : kNamed) {
        for (auto& t : w.tags) {
            POS_elem e;
            e.handle = g_pEngNEDict->Find(w.word);
            e.POS_id = tuchar(t.first);
            e.freq = t.second;
            records.push_back(e);
        }
    }
    g_pEngNEPOS = new CPOS;
    g_pEngNEPOS->Import(records, int(kNamed.size()));
}

EnglishLexicon::EnglishLexicon(const std::string& sDataDir) {
    ResetEngineGlobals();
    InstallMaps();
    const std::string dir = sDataDir + "/English/";
    g_pEnglishDict = new CPDAT(0);
    g_pEnglishWordList = new CWordList;
    g_pEnglishUnigram = new CUnigram;
    g_pEnglishPOS = new CPOS;
    g_pEnglishIrre2Reg = new CIDMaps;
    g_pEngNEDict = new CPDAT(0);
    g_pEngNEPOS = new CPOS;
    m_bLoaded = g_pEnglishDict->Load((dir + "English.pdat").c_str()) &&
                g_pEnglishWordList->Load((dir + "English.wordlist").c_str()) &&
                g_pEnglishUnigram->Load((dir + "English.ung").c_str()) &&
                g_pEnglishPOS->Load((dir + "English.pos").c_str()) &&
                g_pEnglishIrre2Reg->Load((dir + "Irrel2regular.map").c_str()) == 1 &&
                g_pEngNEDict->Load((dir + "ne.pdat").c_str()) && g_pEngNEPOS->Load((dir + "ne.pos").c_str());
}

EnglishLexicon::~EnglishLexicon() {
    ResetEngineGlobals();
}

void EnglishLexicon::SetFieldDict(const std::vector<std::pair<std::string, std::string>>& entries,
                                  bool bWithTags) {
    CPDAT* dict = new CPDAT(0);
    dict->AddWordInit();
    for (auto& e : entries) dict->AddWord(e.first.c_str());
    dict->AddWordComplete();
    CWordList* tags = nullptr;
    if (bWithTags) {
        tags = new CWordList;
        tags->AddWordInit();
        for (auto& e : entries) tags->AddWord(e.second.c_str(), dict->Find(e.first.c_str()));
        tags->AddWordComplete();
    }
    CUserDictWriteLock lock;
    delete g_pFieldDict;
    delete g_pFieldPOS;
    g_pFieldDict = dict;
    g_pFieldPOS = tags;
}

void EnglishLexicon::SetUserDict(const std::vector<std::string>& lines) {
    CTrie* trie = new CTrie;
    for (auto& l : lines) trie->AddTrie(l.c_str());
    CUserDictWriteLock lock;
    delete g_pUserDict;
    g_pUserDict = trie;
}

}  // namespace kxtest
