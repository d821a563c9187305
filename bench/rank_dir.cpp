// Ranking a directory: 10,000 review files (written from the shopping reviews of the corpus into a
// scratch folder, 100 to a subfolder) ranked into the ranking table. The tagging is a small
// in-program engine that marks a handful of sentiment words by longest match, so the figure is the
// ranking's own cost (walk, read, document, table) plus a cheap tagger; the baseline is the walk and
// the reads alone. Files per second are the items, MB/s the review bytes.
#include <benchmark/benchmark.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "BenchCommon.h"
#include "BrowseDir/BrowseDir.h"
#include "SentimentNew/class/SentiEngine.h"
#include "SentimentNew/class/Sentiment.h"
#include "Utility/ReadFile.h"

namespace {

// Tags the words of a short list with their weights; every other UTF-8 character is one unit "x".
class WordListEngine : public SentiEngine {
public:
    tstring TagSentence(const tstring& s) override {
        static const std::vector<std::pair<std::string, std::string>> words = {
            {"\xE5\xA5\xBD", "1"},               // 好
            {"\xE5\xB7\xAE", "-1"},              // 差
            {"\xE4\xB8\x8D\xE9\x94\x99", "1"},   // 不错
            {"\xE5\x9E\x83\xE5\x9C\xBE", "-2"},  // 垃圾
            {"\xE4\xB8\x8D", "Neg"},             // 不
        };
        tstring out;
        for (size_t i = 0; i < s.size();) {
            size_t len = 0;
            const std::string* tag = nullptr;
            for (const auto& w : words) {
                if (w.first.size() > len && s.compare(i, w.first.size(), w.first) == 0) {
                    len = w.first.size();
                    tag = &w.second;
                }
            }
            if (!tag) {
                const unsigned char c = (unsigned char)s[i];
                len = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
                if (i + len > s.size()) len = s.size() - i;
            }
            out += s.substr(i, len) + "/" + (tag ? *tag : std::string("x")) + " ";
            i += len;
        }
        return out;
    }
    int AddUserWord(const tstring&) override { return 1; }
    int GetUserWordState(const tstring&, SentiUserWordState&) override { return 0; }
    int RestoreUserWord(const tstring&, const SentiUserWordState&) override { return 0; }
    int SaveUserDict() override { return 1; }
    tstring UserWordKey(const tstring& w) override { return w; }
};

const int kFiles = 10000;

// The scratch folder with the review files, written once; its total size in bytes.
const std::string& Folder(int64_t* pBytes) {
    static int64_t s_bytes = 0;
    static const std::string dir = [] {
        std::string d = std::string(KX_BUILD_DIR) + "/rank_dir_bench";
        std::string cmd = "rm -rf '" + d + "' && mkdir -p '" + d + "'";
        if (system(cmd.c_str()) != 0) return std::string();
        const std::string corpus = kxbench::CorpusFile("reviews-8cats.utf8.csv.xz");
        if (corpus.empty()) return std::string();
        FILE* in = popen(("xz -dc '" + corpus + "'").c_str(), "r");
        if (!in) return std::string();
        char line[65536];
        int n = 0;
        bool header = true;
        while (n < kFiles && fgets(line, sizeof(line), in)) {
            if (header) {
                header = false;
                continue;
            }
            // cat,label,review: the review is the text after the second comma.
            const char* p = strchr(line, ',');
            p = p ? strchr(p + 1, ',') : nullptr;
            if (!p || !p[1]) continue;
            const std::string sub = d + "/" + std::to_string(n / 100);
            if (n % 100 == 0) mkdir(sub.c_str(), 0755);
            FILE* out = fopen((sub + "/" + std::to_string(n) + ".txt").c_str(), "wb");
            if (!out) break;
            fputs(p + 1, out);
            fclose(out);
            s_bytes += int64_t(strlen(p + 1));
            ++n;
        }
        pclose(in);
        return n == kFiles ? d : std::string();
    }();
    *pBytes = s_bytes;
    return dir;
}

void BM_RankDirectory(benchmark::State& state) {
    int64_t bytes = 0;
    const std::string& dir = Folder(&bytes);
    if (dir.empty()) {
        state.SkipWithError("cannot write the review files");
        return;
    }
    WordListEngine engine;
    const Sentiment senti("", 1, engine);
    for (auto _ : state) {
        std::string table;
        if (!senti.RankDirectory(dir.c_str(), table)) state.SkipWithError("ranking failed");
    }
    state.SetItemsProcessed(state.iterations() * kFiles);
    state.SetBytesProcessed(state.iterations() * bytes);
}

void BM_WalkAndReadBaseline(benchmark::State& state) {
    int64_t bytes = 0;
    const std::string& dir = Folder(&bytes);
    if (dir.empty()) {
        state.SkipWithError("cannot write the review files");
        return;
    }
    for (auto _ : state) {
        std::vector<tstring> files;
        gfn_vScanFiles(dir.c_str(), files, "*.txt", true);
        size_t n = 0;
        for (const tstring& f : files) {
            tstring text;
            n += ReadFile(f.c_str(), text, 0, 0, true);
        }
        benchmark::DoNotOptimize(n);
    }
    state.SetItemsProcessed(state.iterations() * kFiles);
    state.SetBytesProcessed(state.iterations() * bytes);
}

}  // namespace

BENCHMARK(BM_WalkAndReadBaseline)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_RankDirectory)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

BENCHMARK_MAIN();
