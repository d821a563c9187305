// The exported interface over the labelled reviews (the first 4000 of the review corpus, UTF-8):
// ST_GetSentimentPoint and ST_GetOneObjectResult from 1 and 8 threads, on the data directory of
// this build (code 1). Point requests share the request lock; object requests hold it exclusively,
// so their 8-thread figure shows the serialisation. Items are reviews; bytes are UTF-8 input.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "SentimentNew/main/kovex_sentiment.h"

namespace {

struct Reviews {
    std::vector<std::string> texts;
    size_t bytes = 0;
    bool ok = false;

    Reviews() {
        FILE* p = popen("xz -dc /work/shared/corpus/reviews-8cats.utf8.csv.xz 2>/dev/null", "r");
        if (!p) return;
        char buf[1 << 16];
        std::string line;
        bool header = true;
        while (fgets(buf, sizeof buf, p)) {
            line += buf;
            if (line.empty() || line.back() != '\n') continue;
            line.pop_back();
            const size_t c2 = line.find(',', line.find(',') + 1);
            if (!header && c2 != std::string::npos && texts.size() < 4000) {
                texts.push_back(line.substr(c2 + 1));
                bytes += texts.back().size();
            }
            header = false;
            line.clear();
        }
        pclose(p);
        ok = !texts.empty() && ST_Init(KX_BUILD_DIR, 1, nullptr) == 1;
    }
};

const Reviews& R() {
    static Reviews r;
    return r;
}

void BM_SentimentPoint(benchmark::State& state) {
    const Reviews& r = R();
    if (!r.ok) {
        state.SkipWithError("reviews or data directory missing");
        return;
    }
    double sum = 0.0;
    for (auto _ : state)
        for (const std::string& t : r.texts) sum += ST_GetSentimentPoint(t.c_str());
    benchmark::DoNotOptimize(sum);
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(r.texts.size()));
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(r.bytes));
}
BENCHMARK(BM_SentimentPoint)->Threads(1)->Threads(8)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_OneObjectResult(benchmark::State& state) {
    const Reviews& r = R();
    if (!r.ok) {
        state.SkipWithError("reviews or data directory missing");
        return;
    }
    size_t n = 0;
    for (auto _ : state)
        for (const std::string& t : r.texts) n += std::string(ST_GetOneObjectResult("", t.c_str(), "手机")).size();
    benchmark::DoNotOptimize(n);
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(r.texts.size()));
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(r.bytes));
}
BENCHMARK(BM_OneObjectResult)->Threads(1)->Threads(8)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
