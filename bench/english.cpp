// English word handling on real English: ProcessA + GetResultString over the glosses of WordNet's
// data files (Debian wordnet-base, the source of the English folder), with the shipped English
// lexicons of the build's data directory. Reports tokens per second and the share of tokens that
// got a tag from the English dictionary's candidates; a whitespace split of the same glosses is
// the baseline measured in the same run. A second run adds a user dictionary of the hyphenated
// words of the glosses, so that merges happen.
#include <benchmark/benchmark.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <set>
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

const char* const kWordNet = "/usr/share/wordnet";

struct Glosses {
    std::vector<std::string> lines;
    bool bLoaded = false;
    size_t nItems = 0;        // items of ProcessA (tokens and separator terms)
    size_t nWords = 0;        // items holding a letter or digit
    size_t nDictTagged = 0;   // words whose tag came from English dictionary candidates
    size_t nMapped = 0;       // of those, through the irregular-form map
    size_t nUnknown = 0;      // words not in the English dictionary

    Glosses() {
        ResetEngineGlobals();
        const std::string data = KX_BUILD_DIR "/Data/";
        g_ppPOSmap = new CPOSmap*[kPOSmapCount]();
        g_ppPOSmap[0] = new CPOSmap;
        g_pEnglishDict = new CPDAT(0);
        g_pEnglishWordList = new CWordList;
        g_pEnglishUnigram = new CUnigram;
        g_pEnglishPOS = new CPOS;
        g_pEnglishIrre2Reg = new CIDMaps;
        g_pEngNEDict = new CPDAT(0);
        g_pEngNEPOS = new CPOS;
        bLoaded = g_ppPOSmap[0]->Load((data + "KOVEX.map").c_str()) &&
                  g_pEnglishDict->Load((data + "English/English.pdat").c_str()) &&
                  g_pEnglishWordList->Load((data + "English/English.wordlist").c_str()) &&
                  g_pEnglishUnigram->Load((data + "English/English.ung").c_str()) &&
                  g_pEnglishPOS->Load((data + "English/English.pos").c_str()) &&
                  g_pEnglishIrre2Reg->Load((data + "English/Irrel2regular.map").c_str()) == 1 &&
                  g_pEngNEDict->Load((data + "English/ne.pdat").c_str()) &&
                  g_pEngNEPOS->Load((data + "English/ne.pos").c_str());
        for (const char* part : {"noun", "verb", "adj", "adv"}) {
            std::ifstream in(std::string(kWordNet) + "/data." + part);
            std::string line;
            while (std::getline(in, line)) {
                if (line.compare(0, 2, "  ") == 0) continue;  // the licence header
                size_t bar = line.find(" | ");
                if (bar == std::string::npos) continue;
                std::string gloss = line.substr(bar + 3);
                while (!gloss.empty() && (gloss.back() == ' ' || gloss.back() == '\r')) gloss.pop_back();
                if (!gloss.empty()) lines.push_back(gloss);
            }
        }
        if (!bLoaded || lines.empty()) return;
        CEnglish eng;
        for (const std::string& l : lines) {
            for (const auto& t : eng.ProcessA(l.c_str())) {
                ++nItems;
                bool bWord = false;
                for (char c : t.word) bWord = bWord || isalnum(static_cast<unsigned char>(c));
                if (!bWord) continue;
                ++nWords;
                int n = 0;
                if (t.word_ID >= 0 && g_pEnglishPOS->GetPOS(t.word_ID, &n) && n > 0) {
                    ++nDictTagged;
                    if (g_pEnglishDict->Find(t.word.c_str()) != t.word_ID) ++nMapped;
                }
                if (t.word_ID < 0) ++nUnknown;
            }
        }
    }
};

Glosses& G() {
    static Glosses g;
    return g;
}

void Report(benchmark::State& st, size_t nItems) {
    const Glosses& g = G();
    st.counters["tokens/s"] = benchmark::Counter(double(nItems) * double(st.iterations()),
                                                 benchmark::Counter::kIsRate);
    st.counters["lines"] = double(g.lines.size());
    st.counters["tokens"] = double(g.nItems);
    st.counters["words"] = double(g.nWords);
    st.counters["dict_tag_%words"] = g.nWords ? 100.0 * double(g.nDictTagged) / double(g.nWords) : 0;
    st.counters["dict_tag_%tokens"] = g.nItems ? 100.0 * double(g.nDictTagged) / double(g.nItems) : 0;
    st.counters["irregular_%words"] = g.nWords ? 100.0 * double(g.nMapped) / double(g.nWords) : 0;
    st.counters["unknown_%words"] = g.nWords ? 100.0 * double(g.nUnknown) / double(g.nWords) : 0;
}

void RunGlosses(benchmark::State& st) {
    Glosses& g = G();
    if (!g.bLoaded || g.lines.empty()) {
        st.SkipWithError("the English data or WordNet's data files are missing");
        return;
    }
    CEnglish eng;
    size_t nItems = 0;
    for (auto _ : st) {
        nItems = 0;
        for (const std::string& l : g.lines) {
            auto& items = eng.ProcessA(l.c_str());
            nItems += items.size();
            benchmark::DoNotOptimize(eng.GetResultString(l.c_str(), items, true));
        }
    }
    Report(st, nItems);
}

void BM_English_Glosses(benchmark::State& st) { RunGlosses(st); }

// The same with a user dictionary of every hyphenated word of the glosses.
void BM_English_Glosses_UserDict(benchmark::State& st) {
    Glosses& g = G();
    std::set<std::string> hyphenated;
    for (const std::string& l : g.lines) {
        size_t p = 0;
        while ((p = l.find('-', p)) != std::string::npos) {
            size_t b = p, e = p;
            while (b > 0 && isalpha(static_cast<unsigned char>(l[b - 1]))) --b;
            while (e + 1 < l.size() && (isalpha(static_cast<unsigned char>(l[e + 1])) || l[e + 1] == '-')) ++e;
            if (b < p && e > p) hyphenated.insert(l.substr(b, e - b + 1));
            p = e + 1;
        }
    }
    {
        CUserDictWriteLock lock;
        delete g_pUserDict;
        g_pUserDict = new CTrie;
        for (const std::string& w : hyphenated) g_pUserDict->AddTrie((w + " nz").c_str());
    }
    RunGlosses(st);
    st.counters["user_words"] = double(hyphenated.size());
    CUserDictWriteLock lock;
    delete g_pUserDict;
    g_pUserDict = nullptr;
}

// Baseline: cutting the same glosses at blanks.
void BM_WhitespaceSplit_Glosses(benchmark::State& st) {
    Glosses& g = G();
    size_t nTokens = 0;
    std::vector<std::string> tokens;
    for (auto _ : st) {
        nTokens = 0;
        for (const std::string& l : g.lines) {
            tokens.clear();
            size_t p = 0;
            while (p < l.size()) {
                size_t e = l.find(' ', p);
                if (e == std::string::npos) e = l.size();
                if (e > p) tokens.emplace_back(l, p, e - p);
                p = e + 1;
            }
            nTokens += tokens.size();
            benchmark::DoNotOptimize(tokens.data());
        }
    }
    st.counters["tokens/s"] = benchmark::Counter(double(nTokens) * double(st.iterations()),
                                                 benchmark::Counter::kIsRate);
}

}  // namespace

BENCHMARK(BM_English_Glosses)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_English_Glosses_UserDict)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WhitespaceSplit_Glosses)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
