// Segmentation stages over the held-out day 27 of the corpus (plain GBK, one paragraph a line,
// made by tools/corpus_text.py) on the shipped data directory of this build: atoms alone, atoms
// and lattice, the path search alone over stored lattices, and the three together; plus one line
// of 100 KB and one of 1 MB without line breaks, whose times should differ by about ten. Bytes
// per second are GBK input bytes.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "BenchCommon.h"
#include "../tests/common/SegmentData.h"
#include "MERIDOX/Segment/PreProcess.h"
#include "MERIDOX/Segment/Segment.h"

namespace {

struct Text {
    std::vector<std::string> lines;
    size_t bytes = 0;
    bool ok = false;

    Text() {
        if (!kxtest::LoadSegmentLexicons(std::string(KX_BUILD_DIR) + "/Data")) return;
        ok = kxbench::HeldOutTextLines(&lines, &bytes);
    }

    // One line of at least nBytes made of the day's paragraphs, without line breaks.
    std::string LongLine(size_t nBytes) const {
        std::string s;
        for (size_t k = 0; s.size() < nBytes; k = (k + 1) % lines.size()) s += lines[k];
        return s;
    }
};

const Text& T() {
    static Text t;
    return t;
}

bool Ready(benchmark::State& st) { return kxbench::SkipUnless(st, T().ok, "no data directory or corpus"); }

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Runs the stage over every sentence of the line (white space between sentences skipped).
template <typename Stage>
void ForEachSentence(CPreProcess& pre, const std::string& line, Stage stage) {
    const char* s = line.c_str();
    int n = int(line.size()), pos = 0;
    while (pos < n) {
        while (pos < n && IsSpace(s[pos])) ++pos;
        if (pos >= n) break;
        pos = stage(pre, s, pos, n);
    }
}

void Atoms(benchmark::State& st) {
    if (!Ready(st)) return;
    CPreProcess pre(g_pCharset, g_pCoreDict, nullptr);
    for (auto _ : st)
        for (const auto& line : T().lines)
            ForEachSentence(pre, line, [](CPreProcess& p, const char* s, int pos, int n) {
                return int(p.AtomSegment(s, pos, n) - s);
            });
    st.SetBytesProcessed(int64_t(st.iterations()) * int64_t(T().bytes));
}

void AtomsLattice(benchmark::State& st) {
    if (!Ready(st)) return;
    CPreProcess pre(g_pCharset, g_pCoreDict, nullptr);
    for (auto _ : st)
        for (const auto& line : T().lines)
            ForEachSentence(pre, line, [](CPreProcess& p, const char* s, int pos, int n) {
                return int(p.FullSegment(s, pos, n) - s);
            });
    st.SetBytesProcessed(int64_t(st.iterations()) * int64_t(T().bytes));
}

// A lattice copied out of the pre-processor, for timing the path search alone.
struct StoredLattice {
    std::vector<word_t> words;
    std::vector<int> counts, begin;
    std::vector<word_t*> graph;
    int atoms = 0;
};

void PathSearch(benchmark::State& st) {
    if (!Ready(st)) return;
    CPreProcess pre(g_pCharset, g_pCoreDict, nullptr);
    std::vector<StoredLattice> lattices;
    for (const auto& line : T().lines)
        ForEachSentence(pre, line, [&](CPreProcess& p, const char* s, int pos, int n) {
            int next = int(p.FullSegment(s, pos, n) - s);
            StoredLattice l;
            l.atoms = p.GetAtomCount();
            for (int k = 0; k < p.GetGraphLength(); ++k) {
                l.counts.push_back(p.GetWordCounter()[k]);
                l.begin.push_back(int(l.words.size()));
                for (int j = 0; j < p.GetWordCounter()[k]; ++j) l.words.push_back(p.GetWordGraph()[k][j]);
            }
            for (size_t k = 0; k < l.counts.size(); ++k)
                l.graph.push_back(l.counts[k] ? l.words.data() + l.begin[k] : nullptr);
            lattices.push_back(std::move(l));
            return next;
        });
    CSegment seg(g_pCoreDict, g_pUnigram, g_pBiDict);
    for (auto _ : st)
        for (auto& l : lattices)
            benchmark::DoNotOptimize(seg.BiSegment(l.graph.data(), int(l.graph.size()), l.counts.data(), l.atoms));
    st.SetBytesProcessed(int64_t(st.iterations()) * int64_t(T().bytes));
}

// Atoms, lattice and path; with user-dictionary priority the lock is taken at every atom.
void Chain(benchmark::State& st) {
    if (!Ready(st)) return;
    bool prior = g_bUserDictPrior;
    g_bUserDictPrior = st.range(0) != 0;
    CPreProcess pre(g_pCharset, g_pCoreDict, nullptr);
    CSegment seg(g_pCoreDict, g_pUnigram, g_pBiDict);
    for (auto _ : st)
        for (const auto& line : T().lines)
            ForEachSentence(pre, line, [&](CPreProcess& p, const char* s, int pos, int n) {
                int next = int(p.FullSegment(s, pos, n) - s);
                benchmark::DoNotOptimize(seg.BiSegment(p));
                return next;
            });
    st.SetBytesProcessed(int64_t(st.iterations()) * int64_t(T().bytes));
    g_bUserDictPrior = prior;
}

void LongLine(benchmark::State& st) {
    if (!Ready(st)) return;
    std::string line = T().LongLine(size_t(st.range(0)) * 1024);
    CPreProcess pre(g_pCharset, g_pCoreDict, nullptr);
    CSegment seg(g_pCoreDict, g_pUnigram, g_pBiDict);
    for (auto _ : st)
        ForEachSentence(pre, line, [&](CPreProcess& p, const char* s, int pos, int n) {
            int next = int(p.FullSegment(s, pos, n) - s);
            benchmark::DoNotOptimize(seg.BiSegment(p));
            return next;
        });
    st.SetBytesProcessed(int64_t(st.iterations()) * int64_t(line.size()));
}

BENCHMARK(Atoms)->Unit(benchmark::kMillisecond);
BENCHMARK(AtomsLattice)->Unit(benchmark::kMillisecond);
BENCHMARK(PathSearch)->Unit(benchmark::kMillisecond);
BENCHMARK(Chain)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(LongLine)->Arg(100)->Arg(1024)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
