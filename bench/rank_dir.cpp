// Ranking a directory with the real engine: 10,000 review files (the first reviews of the corpus's
// shopping reviews, one file each, written at run time into a scratch folder under /tmp that is
// removed at exit) ranked into the ranking table through ST_Init (UTF-8, on the folder holding the
// build's Data) and ST_ProcesDir, as a caller does it.
//   BM_RankDirectory/workers:1   one ST_ProcesDir over the whole folder
//   BM_RankDirectory/workers:N   N callers at once (N = the machine's hardware threads, the
//                                default worker count), each ranking its own share of the files
//                                (the folder holds N part folders; the one-worker run walks them
//                                all). Point requests run side by side, each on its own pooled
//                                engine instance.
//   BM_WalkAndReadBaseline       the walk and the reads alone (the walker writes two log lines
//                                per folder into the working folder's day log)
//   BM_RankDirectoryStandIn      the ranking with a stand-in tagger (a few words by longest
//                                match), i.e. the ranking's own cost without the engine
// Files per second are the items, MB/s the review bytes. The data folder defaults to the build
// folder of this program; KX_BENCH_DATA_ROOT names another folder holding Data. The table lines
// ST_ProcesDir prints go to /dev/null while it runs.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "BenchCommon.h"
#include "BrowseDir/BrowseDir.h"
#include "SentimentNew/class/SentiEngine.h"
#include "SentimentNew/class/Sentiment.h"
#include "SentimentNew/main/kovex_sentiment.h"
#include "Utility/ReadFile.h"

namespace {

const int kFiles = 10000;

int DefaultWorkers() {
    unsigned n = std::thread::hardware_concurrency();
    return n > 0 ? int(n) : 1;
}

// The scratch folder: part<k>/<n / 100>/<n>.txt, the files cut into DefaultWorkers() runs of
// consecutive numbers, one per part (so about 100 files a folder, as the one-part layout).
struct ReviewFolder {
    std::string dir;
    int parts = 0;
    int64_t bytes = 0;

    ReviewFolder() {
        char tmpl[] = "/tmp/kx_rank_dir_bench.XXXXXX";
        if (!mkdtemp(tmpl)) return;
        const std::string root = tmpl;
        const std::string corpus = kxbench::CorpusFile("reviews-8cats.utf8.csv.xz");
        FILE* in = corpus.empty() ? nullptr : popen(("xz -dc '" + corpus + "'").c_str(), "r");
        parts = DefaultWorkers();
        int n = 0;
        if (in) {
            for (int k = 0; k < parts; ++k) mkdir((root + "/part" + std::to_string(k)).c_str(), 0755);
            char line[65536];
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
                const std::string sub =
                    root + "/part" + std::to_string(n * parts / kFiles) + "/" + std::to_string(n / 100);
                mkdir(sub.c_str(), 0755);
                FILE* out = fopen((sub + "/" + std::to_string(n) + ".txt").c_str(), "wb");
                if (!out) break;
                const bool ok = fputs(p + 1, out) >= 0;
                if (fclose(out) != 0 || !ok) break;
                bytes += int64_t(strlen(p + 1));
                ++n;
            }
            pclose(in);
        }
        dir = root;
        if (n != kFiles) {
            Remove();
            dir.clear();
        }
    }
    ~ReviewFolder() { Remove(); }
    void Remove() {
        if (!dir.empty()) (void)system(("rm -rf '" + dir + "'").c_str());
    }
};

const ReviewFolder& Folder() {
    static ReviewFolder folder;
    return folder;
}

// Started once for the whole run (ST_Exit at exit): start-up is not part of the figure.
bool Started() {
    static const bool ok = [] {
        const char* root = getenv("KX_BENCH_DATA_ROOT");
        const std::string dataRoot = root && *root ? root : KX_BUILD_DIR;
        if (ST_Init(dataRoot.c_str(), 1, nullptr) != 1) {
            fprintf(stderr, "ST_Init(%s) failed: %s\n", dataRoot.c_str(), ST_GetLastErrorMsg());
            return false;
        }
        atexit([] { ST_Exit(); });
        return true;
    }();
    return ok;
}

// Standard output goes to /dev/null while one exists (the ranking's progress lines).
class QuietStdout {
public:
    QuietStdout() {
        fflush(stdout);
        m_saved = dup(1);
        const int null = open("/dev/null", O_WRONLY);
        if (null >= 0) {
            dup2(null, 1);
            close(null);
        }
    }
    ~QuietStdout() {
        fflush(stdout);
        if (m_saved >= 0) {
            dup2(m_saved, 1);
            close(m_saved);
        }
    }
    QuietStdout(const QuietStdout&) = delete;
    QuietStdout& operator=(const QuietStdout&) = delete;

private:
    int m_saved;
};

void BM_RankDirectory(benchmark::State& state) {
    const ReviewFolder& f = Folder();
    if (!kxbench::SkipUnless(state, !f.dir.empty(), "cannot write the review files")) return;
    if (!kxbench::SkipUnless(state, Started(), "the library does not start on the data folder")) return;
    const int workers = int(state.range(0));
    if (!kxbench::SkipUnless(state, workers == 1 || workers == f.parts, "the folder has another part count"))
        return;
    bool ok = true;
    for (auto _ : state) {
        QuietStdout quiet;
        if (workers == 1) {
            ok = ST_ProcesDir(f.dir.c_str()) != nullptr && ok;
        } else {
            std::vector<std::thread> threads;
            std::vector<char> done(size_t(workers), 0);
            for (int k = 0; k < workers; ++k)
                threads.emplace_back([&, k] {
                    done[size_t(k)] = ST_ProcesDir((f.dir + "/part" + std::to_string(k)).c_str()) != nullptr;
                });
            for (std::thread& t : threads) t.join();
            for (char d : done) ok = ok && d;
        }
    }
    if (!ok) state.SkipWithError("ST_ProcesDir failed");
    state.SetItemsProcessed(state.iterations() * kFiles);
    state.SetBytesProcessed(state.iterations() * f.bytes);
}

void BM_WalkAndReadBaseline(benchmark::State& state) {
    const ReviewFolder& f = Folder();
    if (!kxbench::SkipUnless(state, !f.dir.empty(), "cannot write the review files")) return;
    for (auto _ : state) {
        QuietStdout quiet;
        std::vector<tstring> files;
        gfn_vScanFiles(f.dir.c_str(), files, "*.txt", true);
        size_t n = 0;
        for (const tstring& name : files) {
            tstring text;
            n += ReadFile(name.c_str(), text, 0, 0, true);
        }
        benchmark::DoNotOptimize(n);
    }
    state.SetItemsProcessed(state.iterations() * kFiles);
    state.SetBytesProcessed(state.iterations() * f.bytes);
}

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

void BM_RankDirectoryStandIn(benchmark::State& state) {
    const ReviewFolder& f = Folder();
    if (!kxbench::SkipUnless(state, !f.dir.empty(), "cannot write the review files")) return;
    WordListEngine engine;
    const Sentiment senti("", 1, engine);
    for (auto _ : state) {
        QuietStdout quiet;
        std::string table;
        if (!senti.RankDirectory(f.dir.c_str(), table)) state.SkipWithError("ranking failed");
    }
    state.SetItemsProcessed(state.iterations() * kFiles);
    state.SetBytesProcessed(state.iterations() * f.bytes);
}

}  // namespace

BENCHMARK(BM_WalkAndReadBaseline)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_RankDirectoryStandIn)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_RankDirectory)
    ->ArgName("workers")
    ->Arg(1)
    ->Arg(DefaultWorkers())
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();

BENCHMARK_MAIN();
