// The whole analysis chain over the held-out day 27 of the corpus (plain GBK, one paragraph a
// line, made by tools/corpus_text.py) on the shipped data directory of this build: atoms,
// lattice, bigram path, person roles with the name merge, parts of speech. The tagging stages
// are also timed alone over the paths the chain chose (RolesAndMerge, POSTagging); the
// segmentation stages alone are in segment_bench. Bytes per second are GBK input bytes, so the
// MB/s of the stages add up as their times do.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "BenchCommon.h"
#include "../tests/common/EngineChain.h"

namespace {

struct Text {
    std::vector<std::string> lines;
    size_t bytes = 0;
    bool ok = false;

    Text() {
        if (!kxtest::LoadChainLexicons(std::string(KX_BUILD_DIR) + "/Data")) return;
        g_bUserDictPrior = false;
        ok = kxbench::HeldOutTextLines(&lines, &bytes);
    }
};

const Text& T() {
    static Text t;
    return t;
}

bool Ready(benchmark::State& st) { return kxbench::SkipUnless(st, T().ok, "no data directory or corpus"); }

// The paths of every sentence, as the path search left them (bRoles: after the role pass and
// the merge, for timing the part-of-speech pass alone).
std::vector<std::vector<word_t>> Paths(bool bRoles) {
    std::vector<std::vector<word_t>> out;
    kxtest::EngineChain chain(bRoles, false);
    for (const auto& line : T().lines)
        chain.Line(line.c_str(), int(line.size()),
                   [&](const word_t* w, int n) { out.emplace_back(w, w + n); });
    return out;
}

void Chain(benchmark::State& st) {
    if (!Ready(st)) return;
    kxtest::EngineChain chain(st.range(0) != 0, true);
    long words = 0;
    for (auto _ : st)
        for (const auto& line : T().lines)
            chain.Line(line.c_str(), int(line.size()), [&](const word_t*, int n) { words += n; });
    st.SetBytesProcessed(int64_t(st.iterations()) * int64_t(T().bytes));
    st.counters["words/s"] = benchmark::Counter(double(words), benchmark::Counter::kIsRate);
}

// Role tagging and the name merge over the chosen paths.
void RolesAndMerge(benchmark::State& st) {
    if (!Ready(st)) return;
    std::vector<std::vector<word_t>> paths = Paths(false);
    CHMMTagger roles(g_pPersonRole, g_pPersonContext, g_pUnigram->GetItemCount(), 22, false);
    std::vector<int> names;
    std::vector<word_t> work;
    for (auto _ : st)
        for (const auto& p : paths) {
            work.assign(p.begin(), p.end());
            benchmark::DoNotOptimize(
                TagSentenceWords(work.data(), int(work.size()), &roles, g_pPersonFSA, nullptr, names));
        }
    st.SetBytesProcessed(int64_t(st.iterations()) * int64_t(T().bytes));
}

// Part-of-speech tagging over the chosen paths with the names merged.
void POSTagging(benchmark::State& st) {
    if (!Ready(st)) return;
    std::vector<std::vector<word_t>> paths = Paths(true);
    CHMMTagger pos(g_pCorePOS, g_pPOSContext, g_pUnigram->GetItemCount(), 21);
    std::vector<word_t> work;
    for (auto _ : st)
        for (const auto& p : paths) {
            work.assign(p.begin(), p.end());
            benchmark::DoNotOptimize(pos.Tagging(work.data(), int(work.size())));
        }
    st.SetBytesProcessed(int64_t(st.iterations()) * int64_t(T().bytes));
}

// The copy of the paths the two tagging stages make before each pass, to subtract from them.
void CopyPaths(benchmark::State& st) {
    if (!Ready(st)) return;
    std::vector<std::vector<word_t>> paths = Paths(false);
    std::vector<word_t> work;
    for (auto _ : st)
        for (const auto& p : paths) {
            work.assign(p.begin(), p.end());
            benchmark::DoNotOptimize(work.data());
        }
    st.SetBytesProcessed(int64_t(st.iterations()) * int64_t(T().bytes));
}

BENCHMARK(Chain)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(RolesAndMerge)->Unit(benchmark::kMillisecond);
BENCHMARK(POSTagging)->Unit(benchmark::kMillisecond);
BENCHMARK(CopyPaths)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
