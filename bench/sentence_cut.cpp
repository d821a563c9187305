// Cutting contents into sentences: GBK and UTF-8 contents of 100 KB to 1 MB with one separator
// every 20 bytes (50,000 per MB), so the time per MB shows whether the cut stays linear. The
// baseline is the cut by replacement loops that search again from the start after every
// replacement, measured on the smaller sizes only.
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "SentimentNew/class/SentiString.h"
#include "SentimentNew/class/Sentiment.h"

namespace {

// GBK or UTF-8 content of about `bytes` bytes: Hanzi, blanks and quotation marks, with a
// sentence-ending mark after every 20 bytes or so.
std::string MakeContent(size_t bytes, bool utf8) {
    std::mt19937 rng(7);
    const std::vector<std::string> gbkMarks = {"\xA1\xA3", "\xA3\xA1", "\xA3\xBF", ".", "!"};  // 。！？
    const std::vector<std::string> utf8Marks = {"\xE3\x80\x82", "\xEF\xBC\x81", "\xEF\xBC\x9F", ".", "!"};
    std::string s;
    s.reserve(bytes + 32);
    while (s.size() < bytes) {
        const size_t start = s.size();
        while (s.size() - start < 18) {
            if (rng() % 16 == 0) {
                s += utf8 ? "\xE2\x80\x9C" : "\xA1\xB0";  // “
            } else if (utf8) {
                const unsigned cp = 0x4E00 + rng() % 0x5000;
                s += char(0xE0 | (cp >> 12));
                s += char(0x80 | ((cp >> 6) & 0x3F));
                s += char(0x80 | (cp & 0x3F));
            } else {
                s += char(0xB0 + rng() % 0x40);
                s += char(0xA1 + rng() % 0x5E);
            }
        }
        const auto& marks = utf8 ? utf8Marks : gbkMarks;
        s += marks[rng() % marks.size()];
    }
    return s;
}

void BM_Cut(benchmark::State& state, bool utf8) {
    const std::string content = MakeContent(size_t(state.range(0)), utf8);
    const Sentiment senti("", utf8 ? 1 : 0);
    for (auto _ : state) benchmark::DoNotOptimize(senti.CutContentToSentences(content));
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(content.size()));
}

// The cut by replacement loops restarting at the start, GBK literals.
std::vector<std::string> CutByRestartingReplace(std::string text) {
    auto replace = [&text](const std::string& from, const std::string& to) {
        for (size_t pos = text.find(from); pos != std::string::npos; pos = text.find(from))
            text.replace(pos, from.size(), to);
    };
    for (const char* q : {"\xA1\xB0", "\xA1\xB1", "\xA1\xAE", "\xA1\xAF"}) replace(q, "");
    for (const char* s : {"!", "?", ";", "\xA1\xA3", "\xA3\xA1", "\xA3\xBF", "\xA3\xBB", "\xA1\xAD"}) replace(s, ".");
    return Split(text, ".", false);
}

void BM_CutByRestartingReplace(benchmark::State& state) {
    const std::string content = MakeContent(size_t(state.range(0)), false);
    for (auto _ : state) benchmark::DoNotOptimize(CutByRestartingReplace(content));
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(content.size()));
}

}  // namespace

BENCHMARK_CAPTURE(BM_Cut, gbk, false)->Arg(100 << 10)->Arg(200 << 10)->Arg(500 << 10)->Arg(1 << 20)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Cut, utf8, true)->Arg(100 << 10)->Arg(200 << 10)->Arg(500 << 10)->Arg(1 << 20)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CutByRestartingReplace)->Arg(100 << 10)->Arg(200 << 10)->Unit(benchmark::kMillisecond)->Iterations(2);

BENCHMARK_MAIN();
