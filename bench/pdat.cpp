// Double-array trie lookups and packing on jieba's word list (about 350,000 words, converted to GBK
// at start-up), with std::unordered_map as the baseline measured in the same run. Without the list
// (python3-jieba) a synthetic word set of the same size is used.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "../tests/common/JiebaWords.h"
#include "Utility/PDAT.h"

namespace {

struct Fixture {
    std::vector<std::string> words;     // distinct, as added (handle order)
    std::vector<std::string> sorted;    // key order
    std::vector<std::string> shuffled;  // random order
    CPDAT dict{0};
    std::unordered_map<std::string, int> map;

    Fixture() {
        std::vector<std::string> raw = kxtest::LoadJiebaWordsGBK();
        if (raw.empty()) {
            std::mt19937 rng(1);
            for (int i = 0; i < 350000; ++i) {
                std::string w;
                for (int k = 0, n = 1 + int(rng() % 4); k < n; ++k) {
                    w += char(0xB0 + rng() % 40);
                    w += char(0xA1 + rng() % 90);
                }
                raw.push_back(w);
            }
        }
        for (const auto& w : raw) {
            // Case-folded duplicates are one word in the dictionary; keep the first form.
            int h = dict.AddWord(w.c_str());
            if (h >= 0 && size_t(h) == words.size()) words.push_back(w);
        }
        dict.AddWordComplete();
        for (size_t i = 0; i < words.size(); ++i) map.emplace(words[i], int(i));
        sorted = words;
        std::sort(sorted.begin(), sorted.end());
        shuffled = words;
        std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(7));
    }
};

Fixture& F() {
    static Fixture f;
    return f;
}

void PdatFind(benchmark::State& st, const std::vector<std::string>& keys) {
    const CPDAT& d = F().dict;
    for (auto _ : st)
        for (const auto& k : keys) benchmark::DoNotOptimize(d.Find(k.c_str()));
    st.SetItemsProcessed(int64_t(st.iterations()) * int64_t(keys.size()));
}

void MapFind(benchmark::State& st, const std::vector<std::string>& keys) {
    const auto& m = F().map;
    for (auto _ : st)
        for (const auto& k : keys) benchmark::DoNotOptimize(m.find(k));
    st.SetItemsProcessed(int64_t(st.iterations()) * int64_t(keys.size()));
}

void PdatPrefixes(benchmark::State& st, const std::vector<std::string>& keys) {
    const CPDAT& d = F().dict;
    unsigned int *hs = nullptr, *ps = nullptr, size = 0, count = 0;
    for (auto _ : st)
        for (const auto& k : keys) benchmark::DoNotOptimize(d.GetWords(k.c_str(), &hs, &ps, &size, &count, 0));
    free(hs);
    free(ps);
    st.SetItemsProcessed(int64_t(st.iterations()) * int64_t(keys.size()));
}

// Baseline for all-prefix lookups: one hash lookup per character-boundary prefix.
void MapPrefixes(benchmark::State& st, const std::vector<std::string>& keys) {
    const auto& m = F().map;
    std::string prefix;
    for (auto _ : st)
        for (const auto& k : keys) {
            int found = 0;
            for (size_t e = 0; e < k.size();) {
                e += static_cast<unsigned char>(k[e]) >= 0x80 && e + 1 < k.size() ? 2 : 1;
                prefix.assign(k, 0, e);
                found += m.count(prefix) != 0;
            }
            benchmark::DoNotOptimize(found);
        }
    st.SetItemsProcessed(int64_t(st.iterations()) * int64_t(keys.size()));
}

void BM_PdatFind_KeyOrder(benchmark::State& st) { PdatFind(st, F().sorted); }
void BM_PdatFind_Shuffled(benchmark::State& st) { PdatFind(st, F().shuffled); }
void BM_UnorderedMapFind_KeyOrder(benchmark::State& st) { MapFind(st, F().sorted); }
void BM_UnorderedMapFind_Shuffled(benchmark::State& st) { MapFind(st, F().shuffled); }
void BM_PdatAllPrefixes_KeyOrder(benchmark::State& st) { PdatPrefixes(st, F().sorted); }
void BM_PdatAllPrefixes_Shuffled(benchmark::State& st) { PdatPrefixes(st, F().shuffled); }
void BM_UnorderedMapAllPrefixes_KeyOrder(benchmark::State& st) { MapPrefixes(st, F().sorted); }
void BM_UnorderedMapAllPrefixes_Shuffled(benchmark::State& st) { MapPrefixes(st, F().shuffled); }

// Adding every word and packing the cells.
void BM_PdatBuild(benchmark::State& st) {
    const auto& words = F().words;
    for (auto _ : st) {
        CPDAT d(0);
        for (const auto& w : words) d.AddWord(w.c_str());
        d.AddWordComplete();
        benchmark::DoNotOptimize(d.GetLowerBound());
    }
    st.SetItemsProcessed(int64_t(st.iterations()) * int64_t(words.size()));
}

// Baseline for the build: filling an unordered_map with the same words.
void BM_UnorderedMapBuild(benchmark::State& st) {
    const auto& words = F().words;
    for (auto _ : st) {
        std::unordered_map<std::string, int> m;
        for (size_t i = 0; i < words.size(); ++i) m.emplace(words[i], int(i));
        benchmark::DoNotOptimize(m.size());
    }
    st.SetItemsProcessed(int64_t(st.iterations()) * int64_t(words.size()));
}

}  // namespace

BENCHMARK(BM_PdatFind_KeyOrder)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UnorderedMapFind_KeyOrder)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PdatFind_Shuffled)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UnorderedMapFind_Shuffled)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PdatAllPrefixes_KeyOrder)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UnorderedMapAllPrefixes_KeyOrder)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PdatAllPrefixes_Shuffled)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UnorderedMapAllPrefixes_Shuffled)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PdatBuild)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_UnorderedMapBuild)->Unit(benchmark::kMillisecond)->Iterations(3);

BENCHMARK_MAIN();
