// Person-role tagging, part-of-speech tagging and the whole tagging pass (roles, name merge,
// parts of speech) over the words of real text: the held-out day 27 of the corpus, cut into words
// by forward maximum matching with the core dictionary of the built data directory, one sentence
// at each class-28 character. Figures are words/s and MB/s of the GBK text the words cover.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "BenchCommon.h"
#include "MERIDOX/Tagger/HMMTagger.h"
#include "Utility/Charset.h"
#include "Utility/ContextStat.h"
#include "Utility/FSA.h"
#include "Utility/PDAT.h"
#include "Utility/POS.h"
#include "Utility/Settings.h"
#include "Utility/Unigram.h"

namespace {

struct Fixture {
    CPDAT core;
    CUnigram unigram;
    CPOS corePOS, roles;
    CContextStat posCtx, roleCtx;
    CFSA fsa;
    CCharset charset;
    std::vector<std::vector<word_t>> sentences;
    size_t nWords = 0, nBytes = 0;
    bool ok = false;

    Fixture() {
        const std::string d = std::string(KX_BUILD_DIR) + "/Data/";
        ok = core.Load((d + "CoreDict.pdat").c_str()) && unigram.Load((d + "CoreDict.unig").c_str()) &&
             corePOS.Load((d + "CoreDict.pos").c_str()) && posCtx.Load((d + "KOVEX.ctx").c_str()) &&
             roles.Load((d + "nr.role").c_str()) && roleCtx.Load((d + "nr.ctx").c_str()) &&
             fsa.Load((d + "nr.fsa").c_str()) && charset.Load((d + "charset.type").c_str());
        if (!ok) return;
        gUnknown_nr_ID = core.Find("\xCE\xB4##\xC8\xCB");            // 未##人
        const int start = core.Find("\xCA\xBC##\xCA\xBC");           // 始##始
        const int end = core.Find("\xC4\xA9##\xC4\xA9");             // 末##末
        for (const std::string& para : kxbench::HeldOutParagraphs()) {
            nBytes += para.size();
            const char* s = para.c_str();
            std::vector<word_t> sent;
            auto open = [&](int at) {
                word_t w;
                w.handle = start;
                w.start = w.end = at;
                w.type = 'x';
                sent.assign(1, w);
            };
            auto close = [&](int at, int endAt) {
                word_t w;
                w.handle = end;
                w.start = at;
                w.end = endAt;
                w.type = 'y';
                sent.push_back(w);
                nWords += sent.size();
                sentences.push_back(sent);
            };
            open(0);
            size_t i = 0;
            while (i < para.size()) {
                int h = -1;
                int len = core.GetMaxWord(s + i, &h);
                int charLen = ((unsigned char)s[i] >= 0x80 && s[i + 1]) ? 2 : 1;
                if (len < 1 || h < 0) {
                    len = charLen;
                    h = core.Find(s + i, (unsigned)len);
                }
                int type = len == charLen ? charset.GetType(std::string(s + i, size_t(len)).c_str()) : 0;
                if (type == 28) {
                    close(int(i), int(i) + len);
                    open(int(i) + len);
                } else {
                    word_t w;
                    w.handle = h;
                    w.start = int(i);
                    w.end = int(i) + len;
                    w.type = tuchar(type < 0 ? 0 : type);
                    sent.push_back(w);
                }
                i += size_t(len);
            }
            if (sent.size() > 1) close(int(para.size()), int(para.size()));
        }
    }
};

Fixture& F() {
    static Fixture f;
    return f;
}

template <class Pass>
void RunOverSentences(benchmark::State& st, Pass pass) {
    Fixture& f = F();
    if (!f.ok || f.sentences.empty()) {
        st.SkipWithError("no data directory or no held-out text");
        return;
    }
    std::vector<word_t> work;
    for (auto _ : st) {
        for (const auto& sent : f.sentences) {
            work.assign(sent.begin(), sent.end());
            pass(work);
        }
        benchmark::ClobberMemory();
    }
    const double n = double(st.iterations());
    st.counters["words/s"] = benchmark::Counter(n * double(f.nWords), benchmark::Counter::kIsRate);
    st.counters["MB/s"] = benchmark::Counter(n * double(f.nBytes) / 1e6, benchmark::Counter::kIsRate);
}

void RoleTagging(benchmark::State& st) {
    Fixture& f = F();
    CHMMTagger tagger(&f.roles, &f.roleCtx, f.unigram.GetItemCount(), 22, false);
    RunOverSentences(st, [&](std::vector<word_t>& w) { tagger.Tagging(w.data(), int(w.size())); });
}

void POSTagging(benchmark::State& st) {
    Fixture& f = F();
    CHMMTagger tagger(&f.corePOS, &f.posCtx, f.unigram.GetItemCount(), 21);
    RunOverSentences(st, [&](std::vector<word_t>& w) { tagger.Tagging(w.data(), int(w.size())); });
}

void AllTagging(benchmark::State& st) {
    Fixture& f = F();
    CHMMTagger roleTagger(&f.roles, &f.roleCtx, f.unigram.GetItemCount(), 22, false);
    CHMMTagger posTagger(&f.corePOS, &f.posCtx, f.unigram.GetItemCount(), 21);
    std::vector<int> names;
    size_t merged = 0;
    RunOverSentences(st, [&](std::vector<word_t>& w) {
        int n = TagSentenceWords(w.data(), int(w.size()), &roleTagger, &f.fsa, &posTagger, names);
        merged += names.size();
        benchmark::DoNotOptimize(n);
    });
    if (st.iterations() > 0) st.counters["names"] = double(merged) / double(st.iterations());
}

}  // namespace

BENCHMARK(RoleTagging)->Unit(benchmark::kMillisecond);
BENCHMARK(POSTagging)->Unit(benchmark::kMillisecond);
BENCHMARK(AllTagging)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
