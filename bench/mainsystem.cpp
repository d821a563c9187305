// The whole engine instance: CMainSystem::Process over the held-out day 27 of the corpus, one
// paragraph per call, GBK in and tagged text out; the same text as UTF-8 through the code
// converter of encoding code 1; and, to show what the result output costs, the segmentation and
// tagging chain alone and the output alone over the words that chain gives. Figures are MB/s of
// the GBK text.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "BenchCommon.h"
#include "../tests/common/SegmentData.h"
#include "CodeTrans/CodeTran.h"
#include "CodeTrans/STLCodeTrans.h"
#include "MERIDOX/Segment/PreProcess.h"
#include "MERIDOX/Segment/Segment.h"
#include "MERIDOX/System/EngineGlobals.h"
#include "MERIDOX/System/MainSystem.h"
#include "MERIDOX/Tagger/HMMTagger.h"
#include "Utility/Unigram.h"

namespace {

struct Fixture {
    std::vector<std::string> gbk, utf8;
    size_t nBytes = 0;
    bool ok = false;
    std::unique_ptr<CCodeTran> tran;

    Fixture() {
        const std::string dir = std::string(KX_BUILD_DIR) + "/Data";
        ok = kxtest::LoadEngineLexicons(dir);
        if (!ok) return;
        tran.reset(new CCodeTran((dir + "/").c_str(), 1));
        gbk = kxbench::HeldOutParagraphs();
        for (const std::string& s : gbk) {
            nBytes += s.size();
            tstring u;
            ANSIToUTF8(s.c_str(), u);
            utf8.push_back(u);
        }
    }
};

Fixture& F() {
    static Fixture f;
    return f;
}

bool Ready(benchmark::State& st) {
    if (!F().ok || F().gbk.empty()) {
        st.SkipWithError("no data directory or no held-out text");
        return false;
    }
    return true;
}

void Rates(benchmark::State& st, size_t nOut) {
    const double n = double(st.iterations());
    st.counters["MB/s"] = benchmark::Counter(n * double(F().nBytes) / 1e6, benchmark::Counter::kIsRate);
    if (st.iterations() > 0) st.counters["out/in"] = double(nOut) / n / double(F().nBytes);
    st.counters["MB/call"] = double(F().nBytes) / 1e6;
}

void ProcessGBK(benchmark::State& st) {
    if (!Ready(st)) return;
    g_nEncodeType = 0;
    g_pCodeTranslator = nullptr;
    CMainSystem sys;
    size_t nOut = 0;
    for (auto _ : st)
        for (const std::string& s : F().gbk) nOut += strlen(sys.Process(s.c_str(), 1, true));
    Rates(st, nOut);
}

void ProcessUTF8(benchmark::State& st) {
    if (!Ready(st)) return;
    if (!F().tran || F().tran->GetStatus() != 1) {
        st.SkipWithError("no converter data");
        return;
    }
    g_nEncodeType = 1;
    g_pCodeTranslator = F().tran.get();
    CMainSystem sys;
    size_t nOut = 0;
    for (auto _ : st)
        for (const std::string& s : F().utf8) nOut += strlen(sys.Process(s.c_str(), 1, true));
    g_pCodeTranslator = nullptr;
    g_nEncodeType = 0;
    Rates(st, nOut);
}

// The words of every paragraph as ProcessAtom collects them (white-space runs, sentences cut,
// path searched, tagged, start and end atoms dropped).
struct Chain {
    CPreProcess pre{g_pCharset, g_pCoreDict, nullptr};
    CSegment seg{g_pCoreDict, g_pUnigram, g_pBiDict};
    CHMMTagger pos{g_pCorePOS, g_pPOSContext, double(g_pUnigram->GetItemCount()), 21};
    CHMMTagger roles{g_pPersonRole, g_pPersonContext, double(g_pUnigram->GetItemCount()), 22, false};
    std::vector<int> names;

    void Words(const std::string& s, std::vector<word_t>& out) {
        out.clear();
        CollectLineWords(s.c_str(), int(s.size()), pre, seg, &roles, &pos, names, out);
    }
};

void SegmentAndTagOnly(benchmark::State& st) {
    if (!Ready(st)) return;
    Chain chain;
    std::vector<word_t> words;
    size_t nWords = 0;
    for (auto _ : st)
        for (const std::string& s : F().gbk) {
            chain.Words(s, words);
            nWords += words.size();
        }
    Rates(st, 0);
    benchmark::DoNotOptimize(nWords);
}

void OutputOnly(benchmark::State& st) {
    if (!Ready(st)) return;
    Chain chain;
    std::vector<std::vector<word_t>> all(F().gbk.size());
    for (size_t k = 0; k < all.size(); ++k) chain.Words(F().gbk[k], all[k]);
    CMainSystem sys;
    std::vector<word_t> work;
    size_t nOut = 0;
    for (auto _ : st)
        for (size_t k = 0; k < all.size(); ++k) {
            sys.ProcessAtom("", true, true);  // clears the line results
            work = all[k];
            sys.Output(F().gbk[k].c_str(), work.data(), int(work.size()), 0, 1, true);
            nOut += sys.GetResultText().size();
        }
    Rates(st, nOut);
}

}  // namespace

BENCHMARK(ProcessGBK)->Unit(benchmark::kMillisecond);
BENCHMARK(ProcessUTF8)->Unit(benchmark::kMillisecond);
BENCHMARK(SegmentAndTagOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(OutputOnly)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
