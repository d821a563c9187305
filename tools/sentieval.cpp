// Measures the sentiment lexicon's derivation through the library's own calls, leave one category
// out: for each category, the lexicon derived on the others (sentilex's defaults) is imported
// under code 0 into its own scratch copy of the data directory, and every review of the left-out
// category is scored with ST_GetSentimentPoint in UTF-8 (point > 0 positive, anything else
// negative); coverage is the share of reviews whose marked-up text (ST_GetSentencePoint) holds a
// weighted word. Then the same for the lexicon derived on all categories, scored on every review.
// Next to each fold's figures stands what the derivation's own scoring expects: the engine's cut
// of the left-out reviews with the fold's lexicon installed, scored as the library scores; the
// count of reviews whose sign the two disagree on shows that the library scores what the
// derivation models.
//
// Last, the share of the news tokens (days 1-26, every token of the engine's cut) that the
// lexicon derived on all 8 tags with a weight, and the share of the sentences of the held-out
// news day 27 (sentilex::NewsSentences, at least 6 characters) that it scores other than 0
// through ST_GetSentimentPoint: news is mostly plain report, and such sentences should score 0.
//
//   sentieval [--floor MEAN] [--pooled-floor POOLED] [--news-ceiling SHARE] [--threads N] --news PFR.xz
//             [sentilex overrides] <folder holding Data> <reviews.csv.xz> <scratch folder>
//
// The overrides are those of sentilex (--min N, --boundary X ...). The reviews are scored on N
// threads (default 4). The engine learns person names into its shared user dictionary as it
// goes, so the figures can move in the last digit with the threads' order. Prints accuracy and
// coverage per category, their means and the pooled accuracy, next to the figures the derivation
// expects, and the news share. Exits 1 when the mean leave-one-category-out accuracy is below
// MEAN, the pooled one below POOLED or the news share above SHARE.
#include <kovex_sentiment.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "MERIDOX/API/KOVEX_API.h"
#include "senti/SentiLex.h"

namespace fs = std::filesystem;

namespace {

struct Score {
    long n = 0, right = 0, covered = 0;
};

// Imports the lexicon text into a fresh copy of the data directory and scores the reviews of
// category `cat` (-1: all) through the library; the scores by category, and each scored review's
// point in `points` (by review) when given. `nonZero`, when given, receives how many of
// `sentences` score other than 0.
bool Measure(const std::string& dataFolder, const std::string& folder, const std::string& lexiconText,
             const sentilex::Corpus& corpus, int cat, int threads, std::vector<Score>& byCat,
             std::vector<double>* points = nullptr, const std::vector<sentilex::NewsSentence>* sentences = nullptr,
             long* nonZero = nullptr) {
    if (!sentilex::CopyDataWithoutField(dataFolder, folder)) {
        std::fprintf(stderr, "sentieval: cannot copy %s/Data to %s\n", dataFolder.c_str(), folder.c_str());
        return false;
    }
    const std::string path = folder + "/lexicon.txt";
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f || std::fwrite(lexiconText.data(), 1, lexiconText.size(), f) != lexiconText.size() || std::fclose(f) != 0) {
        std::fprintf(stderr, "sentieval: cannot write %s\n", path.c_str());
        return false;
    }
    // The import as the build makes it: GBK, code 0; then the scoring in UTF-8.
    if (ST_Init(folder.c_str(), 0, nullptr) != 1) {
        std::fprintf(stderr, "sentieval: ST_Init failed: %s\n", ST_GetLastErrorMsg());
        return false;
    }
    const int imported = ST_ImportUserDict(path.c_str(), 1);
    ST_Exit();
    if (imported <= 0) {
        std::fprintf(stderr, "sentieval: import of %s failed\n", path.c_str());
        return false;
    }
    if (ST_Init(folder.c_str(), 1, nullptr) != 1) {
        std::fprintf(stderr, "sentieval: ST_Init failed: %s\n", ST_GetLastErrorMsg());
        return false;
    }
    std::vector<size_t> todo;
    const std::vector<char> want = sentilex::ReviewsOf(corpus, cat);
    for (size_t i = 0; i < want.size(); ++i)
        if (want[i]) todo.push_back(i);
    std::vector<char> right(todo.size()), covered(todo.size());
    std::vector<double> point(todo.size());
    std::atomic<size_t> next(0);
    std::vector<std::thread> pool;
    for (int t = 0; t < std::max(1, threads); ++t)
        pool.emplace_back([&] {
            for (size_t k; (k = next++) < todo.size();) {
                const size_t i = todo[k];
                point[k] = ST_GetSentimentPoint(corpus.texts[i].c_str());
                right[k] = (point[k] > 0.0) == corpus.reviews[i].positive;
                const std::string doc = ST_GetSentencePoint(corpus.texts[i].c_str());
                covered[k] = doc.find("<pos value=") != std::string::npos || doc.find("<neg value=") != std::string::npos;
            }
        });
    for (std::thread& t : pool) t.join();
    if (sentences && nonZero) {
        *nonZero = 0;
        for (const sentilex::NewsSentence& s : *sentences) *nonZero += ST_GetSentimentPoint(s.text.c_str()) != 0.0;
    }
    ST_Exit();
    for (size_t k = 0; k < todo.size(); ++k) {
        Score& s = byCat[corpus.reviews[todo[k]].cat];
        ++s.n;
        s.right += right[k];
        s.covered += covered[k];
        if (points) (*points)[todo[k]] = point[k];
    }
    std::error_code ec;
    fs::remove_all(folder, ec);
    return true;
}

struct Summary {
    double meanAccuracy = 0.0, meanCoverage = 0.0, pooled = 0.0;
};

Summary Print(const char* title, const sentilex::Corpus& corpus, const std::vector<Score>& byCat,
              const sentilex::Figures* expected) {
    Summary s;
    long n = 0, right = 0;
    std::printf("%s\n", title);
    for (size_t c = 0; c < byCat.size(); ++c) {
        const double acc = byCat[c].n ? double(byCat[c].right) / byCat[c].n : 0.0;
        const double cov = byCat[c].n ? double(byCat[c].covered) / byCat[c].n : 0.0;
        if (expected)
            std::printf("  %-10s %5ld reviews  accuracy %.4f  coverage %.4f  (derivation expects %.4f)\n",
                        corpus.catNames[c].c_str(), byCat[c].n, acc, cov, expected->accuracy[c]);
        else
            std::printf("  %-10s %5ld reviews  accuracy %.4f  coverage %.4f\n", corpus.catNames[c].c_str(), byCat[c].n,
                        acc, cov);
        s.meanAccuracy += acc / byCat.size();
        s.meanCoverage += cov / byCat.size();
        n += byCat[c].n;
        right += byCat[c].right;
    }
    s.pooled = n ? double(right) / n : 0.0;
    std::printf("  mean accuracy %.4f  mean coverage %.4f  pooled accuracy %.4f\n", s.meanAccuracy, s.meanCoverage,
                s.pooled);
    return s;
}

}  // namespace

int Run(int argc, char** argv) {
    double floor = -1.0, pooledFloor = -1.0, newsCeiling = 2.0;
    int threads = 4;
    sentilex::Params params = sentilex::DefaultParams();
    std::string newsPath;
    std::vector<const char*> args;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--floor") && i + 1 < argc)
            floor = std::atof(argv[++i]);
        else if (!std::strcmp(argv[i], "--pooled-floor") && i + 1 < argc)
            pooledFloor = std::atof(argv[++i]);
        else if (!std::strcmp(argv[i], "--news-ceiling") && i + 1 < argc)
            newsCeiling = std::atof(argv[++i]);
        else if (!std::strcmp(argv[i], "--news") && i + 1 < argc)
            newsPath = argv[++i];
        else if (!std::strcmp(argv[i], "--threads") && i + 1 < argc)
            threads = std::atoi(argv[++i]);
        else if (sentilex::ParseOverride(argc, argv, i, params))
            continue;
        else
            args.push_back(argv[i]);
    }
    if (args.size() != 3) {
        std::fprintf(stderr,
                     "usage: sentieval [--floor MEAN] [--pooled-floor POOLED] [--news-ceiling SHARE] [--threads N] [--news PFR.xz] "
                     "[overrides] <folder holding Data> <reviews.csv.xz> <scratch folder>\n");
        return 2;
    }
    if (params.maxNewsSplits >= 0 && newsPath.empty()) {
        std::fprintf(stderr, "sentieval: the settings need the news corpus (--news)\n");
        return 2;
    }
    std::string listError;
    if (!sentilex::LoadLists(params, listError)) {
        std::fprintf(stderr, "%s: %s\n", "sentieval", listError.c_str());
        return 2;
    }
    const std::string dataFolder = args[0], scratch = args[2];

    // The cut for the derivation, on a copy of the data directory without any field dictionary.
    const std::string base = scratch + "/cut";
    if (!sentilex::CopyDataWithoutField(dataFolder, base)) {
        std::fprintf(stderr, "sentieval: cannot copy %s/Data to %s\n", dataFolder.c_str(), base.c_str());
        return 1;
    }
    if (KOVEX_Init(base.c_str(), 1) != 1) {
        std::fprintf(stderr, "sentieval: engine start failed: %s\n", KOVEX_GetLastErrorMsg());
        return 1;
    }
    sentilex::Corpus corpus;
    std::string error;
    const bool loaded = sentilex::LoadCorpora(args[1], newsPath, params, corpus, error);
    KOVEX_Exit();
    if (!loaded) {
        std::fprintf(stderr, "sentieval: %s\n", error.c_str());
        return 1;
    }
    corpus.dataFolder = base;
    const int nCats = int(corpus.catNames.size());

    // Each fold's lexicon, with the accuracy the derivation's own scoring expects of it.
    std::vector<Score> loco(nCats), all(nCats);
    sentilex::Figures expected;
    long expectedRight = 0, disagree = 0;
    std::vector<double> points(corpus.reviews.size());
    for (int c = 0; c < nCats; ++c) {
        const sentilex::Lexicon lex = sentilex::Derive(corpus, c, params);
        const std::vector<char> want = sentilex::ReviewsOf(corpus, c);
        std::vector<double> weights;
        const std::vector<std::vector<int>> units = sentilex::LexiconUnits(corpus, lex, want, &weights);
        if (!Measure(dataFolder, scratch + "/fold" + std::to_string(c), sentilex::LexiconText(lex), corpus, c, threads,
                     loco, &points))
            return 1;
        long n = 0, right = 0;
        for (size_t i = 0; i < corpus.reviews.size(); ++i) {
            if (!want[i]) continue;
            const bool positive = sentilex::PointOfUnits(units[i], weights, nullptr) > 0.0;
            ++n;
            right += positive == corpus.reviews[i].positive;
            disagree += positive != (points[i] > 0.0);
        }
        expected.accuracy.push_back(n ? double(right) / n : 0.0);
        expected.meanAccuracy += expected.accuracy.back() / nCats;
        expectedRight += right;
    }
    expected.pooled = double(expectedRight) / corpus.reviews.size();
    const sentilex::Lexicon lexicon = sentilex::Derive(corpus, -1, params);
    std::vector<sentilex::NewsSentence> heldOut;
    long heldOutScored = 0;
    if (!newsPath.empty() && !sentilex::NewsSentences(newsPath, 27, 6, heldOut, error)) {
        std::fprintf(stderr, "sentieval: %s\n", error.c_str());
        return 1;
    }
    if (!Measure(dataFolder, scratch + "/all", sentilex::LexiconText(lexicon), corpus, -1, threads, all, nullptr,
                 &heldOut, &heldOutScored))
        return 1;
    const double newsShare = sentilex::NewsWeightShare(corpus, lexicon);
    std::error_code ec;
    fs::remove_all(base, ec);

    const Summary s = Print("Leave one category out (derived on the other 7, scored through ST_GetSentimentPoint):",
                            corpus, loco, &expected);
    std::printf("  the derivation expects mean accuracy %.4f, pooled %.4f; it scores %ld of %zu reviews on the other side\n",
                expected.meanAccuracy, expected.pooled, disagree, corpus.reviews.size());
    Print("Derived on all 8 (scored on its own reviews):", corpus, all, nullptr);
    std::printf("Its %zu entries and %zu negation words tag %.4f of the news tokens with a weight (days 1-%d)\n",
                lexicon.weights.size(), lexicon.negations.size(), newsShare, sentilex::kNewsLastDay);
    if (!heldOut.empty())
        std::printf("It scores %ld of the %zu sentences of the held-out news day 27 other than 0 (%.1f %%)\n",
                    heldOutScored, heldOut.size(), 100.0 * heldOutScored / heldOut.size());
    int failed = 0;
    if (floor >= 0.0 && s.meanAccuracy < floor) {
        std::printf("FAIL: mean leave-one-category-out accuracy %.4f below the floor %.4f\n", s.meanAccuracy, floor);
        failed = 1;
    }
    if (pooledFloor >= 0.0 && s.pooled < pooledFloor) {
        std::printf("FAIL: pooled leave-one-category-out accuracy %.4f below the floor %.4f\n", s.pooled, pooledFloor);
        failed = 1;
    }
    if (newsShare > newsCeiling) {
        std::printf("FAIL: news share %.4f above the ceiling %.4f\n", newsShare, newsCeiling);
        failed = 1;
    }
    return failed;
}

int main(int argc, char** argv) {
    try {
        return Run(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "sentieval: %s\n", e.what());
        return 1;
    }
}
