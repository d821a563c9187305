// Document-level answers per paragraph of the held-out day 27 (GBK, one paragraph a line,
// tools/corpus_text.py), each on a pooled engine instance: keywords (at most 10, format 0), a
// summary (200 bytes), the fingerprint, and all three, from 1 and 8 threads. The counter
// docs_per_s is paragraphs per second of wall time; the single-thread runs are the baseline.
#include <benchmark/benchmark.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "BenchCommon.h"
#include "MERIDOX/API/KOVEXPool.h"
#include "MERIDOX/API/KOVEX_API.h"
#include "MERIDOX/System/MainSystem.h"

namespace {

struct Text {
    std::vector<std::string> gbk;
    bool ok = false;

    Text() {
        ok = kxbench::HeldOutTextLines(&gbk);
    }
};

const Text& T() {
    static Text t;
    return t;
}

enum Work { kKeywords = 0, kSummary = 1, kFinger = 2, kAll = 3 };

void RunOne(CMainSystem* sys, const std::string& doc, int work) {
    if (work == kKeywords || work == kAll) benchmark::DoNotOptimize(sys->GetKeyWords(doc.c_str(), 10, 0));
    if (work == kSummary || work == kAll) benchmark::DoNotOptimize(sys->GetSummary(doc.c_str(), 200, 0.0, 0, false));
    if (work == kFinger || work == kAll) benchmark::DoNotOptimize(sys->GetFinger(doc.c_str()));
}

// range(0): the work; range(1): threads.
void BM_Document(benchmark::State& st) {
    if (!T().ok) {
        st.SkipWithError("no corpus");
        return;
    }
    if (KOVEX_Init(KX_BUILD_DIR "/engine", 0, nullptr) != 1) {
        st.SkipWithError("the engine does not start on build/engine");
        return;
    }
    const int work = int(st.range(0));
    const int threads = int(st.range(1));
    const std::vector<std::string>& docs = T().gbk;
    for (auto _ : st) {
        std::atomic<size_t> next{0};
        auto run = [&] {
            CPoolClaim claim;
            if (!claim.get() || !claim.get()->GetSystem()) return;
            for (size_t i; (i = next.fetch_add(1)) < docs.size();) RunOne(claim.get()->GetSystem(), docs[i], work);
        };
        std::vector<std::thread> pool;
        for (int t = 1; t < threads; ++t) pool.emplace_back(run);
        run();
        for (auto& th : pool) th.join();
    }
    st.counters["docs_per_s"] =
        benchmark::Counter(double(docs.size()) * double(st.iterations()), benchmark::Counter::kIsRate);
    KOVEX_Exit();
}
BENCHMARK(BM_Document)
    ->ArgsProduct({{kKeywords, kSummary, kFinger, kAll}, {1, 8}})
    ->ArgNames({"work", "threads"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
