// The engine as a user meets it, on the engine's data directory of this build: start-up and
// shut-down (KOVEX_Init on build/engine, KOVEX_Exit), resident memory after start-up and per
// pooled instance, and pooled paragraph processing of the held-out day 27 (one paragraph a line,
// tools/corpus_text.py) from 1, 2, 4 and 8 threads, as GBK (code 0) and as UTF-8 (code 1). Bytes
// per second are input bytes in the caller's encoding; run single-threaded as the baseline.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "BenchCommon.h"
#include "CodeTrans/STLCodeTrans.h"
#include "MERIDOX/API/KOVEXPool.h"
#include "MERIDOX/API/KOVEX_API.h"
#include "MERIDOX/System/MainSystem.h"

namespace {

struct Text {
    std::vector<std::string> gbk, utf8;
    size_t gbkBytes = 0, utf8Bytes = 0;
    bool ok = false;

    Text() {
        if (!kxbench::HeldOutTextLines(&gbk, &gbkBytes)) return;
        for (const std::string& line : gbk) {
            std::string u;
            ANSIToUTF8(line.c_str(), u);
            utf8Bytes += u.size();
            utf8.push_back(u);
        }
        ok = true;
    }
};

const Text& T() {
    static Text t;
    return t;
}

double ResidentMB() {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.compare(0, 6, "VmRSS:") == 0) return std::atof(line.c_str() + 6) / 1024.0;
    return 0;
}

void BM_StartUpAndShutDown(benchmark::State& st) {
    for (auto _ : st) {
        if (KOVEX_Init(KX_BUILD_DIR "/engine", 0, nullptr) != 1) {
            st.SkipWithError("the engine does not start on build/engine");
            return;
        }
        st.PauseTiming();
        st.counters["rss_MB"] = ResidentMB();
        st.ResumeTiming();
        KOVEX_Exit();
    }
}
BENCHMARK(BM_StartUpAndShutDown)->Unit(benchmark::kMillisecond)->Iterations(5);

// Resident memory added by each pooled instance (8 handles claimed at once).
void BM_MemoryPerInstance(benchmark::State& st) {
    if (KOVEX_Init(KX_BUILD_DIR "/engine", 0, nullptr) != 1) {
        st.SkipWithError("the engine does not start on build/engine");
        return;
    }
    double before = ResidentMB(), after = before;
    for (auto _ : st) {
        std::vector<CKOVEX*> held;
        for (int i = 0; i < 8; ++i) held.push_back(GetActiveInstance());
        for (CKOVEX* h : held)
            if (h) h->GetSystem()->Process(T().gbk[0].c_str(), 1, true);
        after = ResidentMB();
        for (CKOVEX* h : held)
            if (h) h->SetAvailable(true);
    }
    st.counters["start_MB"] = before;
    st.counters["per_instance_MB"] = (after - before) / 8;
    KOVEX_Exit();
}
BENCHMARK(BM_MemoryPerInstance)->Iterations(1);

// The whole day through the pool from st.range(1) threads; range(0) is the encoding code. An
// iteration runs the day kPasses times over, so that starting the threads and waiting for the
// last line are a small part of it, as in a service whose threads run for long.
const size_t kPasses = 8;
void BM_ParagraphProcess(benchmark::State& st) {
    if (!T().ok) {
        st.SkipWithError("no corpus");
        return;
    }
    const int code = int(st.range(0));
    const int threads = int(st.range(1));
    if (KOVEX_Init(KX_BUILD_DIR "/engine", code, nullptr) != 1) {
        st.SkipWithError("the engine does not start on build/engine");
        return;
    }
    const std::vector<std::string>& lines = code == 1 ? T().utf8 : T().gbk;
    const size_t bytes = code == 1 ? T().utf8Bytes : T().gbkBytes;
    // Warm the pool so that instance creation is not timed.
    {
        std::vector<std::thread> warm;
        for (int t = 0; t < threads; ++t) warm.emplace_back([&] { KOVEX_ParagraphProcessStr(lines[0].c_str(), 1); });
        for (auto& w : warm) w.join();
    }
    for (auto _ : st) {
        std::atomic<size_t> next{0};
        auto work = [&] {
            for (size_t i; (i = next.fetch_add(1)) < lines.size() * kPasses;)
                benchmark::DoNotOptimize(KOVEX_ParagraphProcessStr(lines[i % lines.size()].c_str(), 1));
        };
        std::vector<std::thread> pool;
        for (int t = 1; t < threads; ++t) pool.emplace_back(work);
        work();
        for (auto& th : pool) th.join();
    }
    st.SetBytesProcessed(int64_t(bytes * kPasses) * st.iterations());
    KOVEX_Exit();
}
BENCHMARK(BM_ParagraphProcess)
    ->ArgsProduct({{0, 1}, {1, 2, 4, 8}})
    ->ArgNames({"code", "threads"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
