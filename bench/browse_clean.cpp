// The directory walker on a generated tree of 10,000 files (100 folders of 100), against
// std::filesystem::recursive_directory_iterator with the same extension test (wall-clock time: the
// walker works on its own threads); and vHtmlToText on a
// generated 1 MB page, against a plain byte copy. Both baselines run in the same program.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "BrowseDir/BrowseDir.h"
#include "CodeTrans/HtmlText.h"
#include "Utility/LogFile.h"

namespace {

struct Tree {
    std::string root;
    std::string logdir;
    Tree() {
        char tmpl[] = "/tmp/kx_browse_benchXXXXXX";
        root = mkdtemp(tmpl);
        // The log directory is the working directory of the first log write: make that a scratch
        // folder, so the walker's log lines never land in the folder the benchmark runs from.
        char logtmpl[] = "/tmp/kx_browse_logXXXXXX";
        logdir = mkdtemp(logtmpl);
        char* cwd = getcwd(nullptr, 0);
        if (chdir(logdir.c_str()) == 0) {
            WriteLog("walker benchmark started");
            if (cwd && chdir(cwd) != 0) perror("chdir");
        }
        free(cwd);
        for (int d = 0; d < 100; ++d) {
            const std::string dir = root + "/d" + std::to_string(d);
            std::filesystem::create_directory(dir);
            for (int f = 0; f < 100; ++f) {
                std::ofstream(dir + "/f" + std::to_string(f) + (f % 10 ? ".txt" : ".log")) << "x";
            }
        }
    }
    ~Tree() {
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
        std::filesystem::remove_all(logdir, ec);
    }
};

Tree& GetTree() {
    static Tree tree;
    return tree;
}

// state.range(0): 1 writes the walker's per-folder thread lines to the day's log file (in a scratch
// folder, through the log directory the first write fixes), 0 runs with logging off.
void BM_WalkerScanFiles(benchmark::State& state) {
    Tree& tree = GetTree();
    g_bLog = state.range(0) != 0;
    // The walker prints two timing lines per walk; keep them off the report.
    fflush(stdout);
    const int saved = dup(1);
    FILE* devnull = freopen("/dev/null", "w", stdout);
    size_t n = 0;
    for (auto _ : state) {
        std::vector<tstring> v;
        gfn_vScanFiles(tree.root.c_str(), v, "*.txt", true);
        n = v.size();
        benchmark::DoNotOptimize(v.data());
    }
    fflush(stdout);
    dup2(saved, 1);
    close(saved);
    (void)devnull;
    g_bLog = true;
    state.counters["files/s"] = benchmark::Counter(double(n) * double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_WalkerScanFiles)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_BaselineRecursiveIterator(benchmark::State& state) {
    Tree& tree = GetTree();
    size_t n = 0;
    for (auto _ : state) {
        std::vector<std::string> v;
        for (auto& e : std::filesystem::recursive_directory_iterator(tree.root)) {
            if (e.is_regular_file() && strcasecmp(e.path().extension().c_str(), ".txt") == 0) v.push_back(e.path());
        }
        n = v.size();
        benchmark::DoNotOptimize(v.data());
    }
    state.counters["files/s"] = benchmark::Counter(double(n) * double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_BaselineRecursiveIterator)->Unit(benchmark::kMillisecond)->UseRealTime();

std::string MakePage() {
    std::mt19937 rng(3);
    std::string page = "<html><head><script>var a = 1; if (a < 2) a++;</script></head><body>";
    const char* pieces[] = {"<p class=\"x\">", "</p>", "&nbsp;", "&#20013;", "&amp;", "<!-- note -->", "<br/>",
                            "\xE4\xB8\xAD\xE6\x96\x87 ", "words and more words ", "%41", "  "};
    while (page.size() < (1u << 20)) page += pieces[rng() % (sizeof(pieces) / sizeof(pieces[0]))];
    return page + "</body></html>";
}

void BM_HtmlToText(benchmark::State& state) {
    const std::string page = MakePage();
    std::vector<char> out(page.size() + 1);
    for (auto _ : state) {
        int len = 0;
        vHtmlToText(page.data(), int(page.size()), out.data(), len);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(page.size()));
}
BENCHMARK(BM_HtmlToText)->Unit(benchmark::kMillisecond);

void BM_BaselineByteCopy(benchmark::State& state) {
    const std::string page = MakePage();
    std::vector<char> out(page.size() + 1);
    for (auto _ : state) {
        // A byte loop that only drops blanks after blanks: the floor of any one-pass cleaner.
        size_t o = 0;
        for (char c : page) {
            if (c == ' ' && o && out[o - 1] == ' ') continue;
            out[o++] = c;
        }
        out[o] = 0;
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(page.size()));
}
BENCHMARK(BM_BaselineByteCopy)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
