// Derives the sentiment lexicon from the labelled review corpus (columns cat,label,review; label 1
// positive, 0 negative) and measures it by leave-one-category-out.
//
//   sentilex <folder holding Data> <reviews.csv.xz> <out.txt>
//
// The folder's Data must hold no field dictionary, so that the cut does not depend on an earlier
// lexicon. Every review is cut once by the engine (UTF-8, tagging on). Each word is weighted by the
// smoothed log-odds of the positive and negative reviews holding it, with a minimum count, clipped,
// never 0; the negation words (tag "Neg") are chosen from a fixed candidate list, the minimum count
// and the clip by the mean leave-one-category-out accuracy, scoring as ST_GetSentimentPoint does
// (the whole review one sentence, a pending negation flipping the next weighted word, point > 0
// positive). Writes "word weight" lines, then "word Neg" lines, in GBK, sorted, and prints the
// figures of every fold. Deterministic.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "CodeTrans/STLCodeTrans.h"
#include "MERIDOX/API/KOVEX_API.h"

namespace {

struct Review {
    int cat = 0;
    bool positive = false;
    std::vector<int> words;  // word ids in text order
};

struct Params {
    int minCount = 3;
    double clip = 3.0;
    double threshold = 0.0;  // words weighing less are left out
    double smooth = 1e-3;    // added to both averaged shares
    std::set<int> negations;
};

std::vector<std::string> g_words;
std::unordered_map<std::string, int> g_ids;

int WordId(const std::string& w) {
    auto it = g_ids.find(w);
    if (it != g_ids.end()) return it->second;
    g_ids.emplace(w, int(g_words.size()));
    g_words.push_back(w);
    return int(g_words.size()) - 1;
}

// Weights derived from the reviews whose category is not `skip` (-1: all). A word's share of the
// positive (negative) reviews is averaged over the categories, so that a category with more
// reviews of one label does not make its own topic words look positive or negative.
std::unordered_map<int, double> Derive(const std::vector<Review>& reviews, int nCats, int skip, const Params& p) {
    std::vector<std::unordered_map<int, std::pair<int, int>>> df(nCats);
    std::vector<int> nPos(nCats, 0), nNeg(nCats, 0);
    std::vector<int> seen;
    for (const Review& r : reviews) {
        if (r.cat == skip) continue;
        (r.positive ? nPos[r.cat] : nNeg[r.cat])++;
        seen = r.words;
        std::sort(seen.begin(), seen.end());
        seen.erase(std::unique(seen.begin(), seen.end()), seen.end());
        for (int w : seen) (r.positive ? df[r.cat][w].first : df[r.cat][w].second)++;
    }
    std::unordered_map<int, std::pair<double, double>> share;
    std::unordered_map<int, int> count;
    int nUsed = 0;
    for (int c = 0; c < nCats; ++c) {
        if (c == skip || nPos[c] == 0 || nNeg[c] == 0) continue;
        ++nUsed;
        for (const auto& e : df[c]) {
            share[e.first].first += double(e.second.first) / nPos[c];
            share[e.first].second += double(e.second.second) / nNeg[c];
            count[e.first] += e.second.first + e.second.second;
        }
    }
    std::unordered_map<int, double> weights;
    for (const auto& e : share) {
        if (count[e.first] < p.minCount || p.negations.count(e.first)) continue;
        double w = std::log((e.second.first / nUsed + p.smooth) / (e.second.second / nUsed + p.smooth));
        if (std::fabs(w) < p.threshold) continue;
        w = std::max(-p.clip, std::min(p.clip, w));
        w = std::round(w * 100.0) / 100.0;
        if (w == 0.0) continue;
        weights[e.first] = w;
    }
    return weights;
}

// The point of a review as ST_GetSentimentPoint gives it.
double Point(const Review& r, const std::unordered_map<int, double>& weights, const std::set<int>& negations) {
    double pos = 0.0, neg = 0.0;
    bool pending = false;
    for (int w : r.words) {
        if (negations.count(w)) {
            pending = true;
            continue;
        }
        auto it = weights.find(w);
        if (it == weights.end()) continue;
        double v = it->second;
        if (pending) {
            v = -v;
            pending = false;
        }
        (v > 0.0 ? pos : neg) += v;
    }
    if (pos == 0.0 && neg == 0.0) return 0.0;
    return (pos + neg) / (pos - neg);
}

struct Figures {
    double meanAccuracy = 0.0, meanCoverage = 0.0, pooled = 0.0;
    std::vector<double> accuracy, coverage;
};

Figures Evaluate(const std::vector<Review>& reviews, int nCats, const Params& p) {
    Figures f;
    long right = 0, total = 0;
    for (int c = 0; c < nCats; ++c) {
        const auto weights = Derive(reviews, nCats, c, p);
        long n = 0, ok = 0, covered = 0;
        for (const Review& r : reviews) {
            if (r.cat != c) continue;
            ++n;
            const double point = Point(r, weights, p.negations);
            if ((point > 0.0) == r.positive) ++ok;
            for (int w : r.words)
                if (weights.count(w)) {
                    ++covered;
                    break;
                }
        }
        f.accuracy.push_back(double(ok) / n);
        f.coverage.push_back(double(covered) / n);
        f.meanAccuracy += f.accuracy.back() / nCats;
        f.meanCoverage += f.coverage.back() / nCats;
        right += ok;
        total += n;
    }
    f.pooled = double(right) / total;
    return f;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: sentilex <folder holding Data> <reviews.csv.xz> <out.txt>\n");
        return 2;
    }
    if (KOVEX_Init(argv[1], 1) != 1) {
        std::fprintf(stderr, "engine start failed: %s\n", KOVEX_GetLastErrorMsg());
        return 1;
    }
    const std::string cmd = std::string("xz -dc '") + argv[2] + "'";
    FILE* in = popen(cmd.c_str(), "r");
    if (!in) return 1;
    std::vector<Review> reviews;
    std::map<std::string, int> cats;
    std::vector<std::string> catNames;
    std::string line;
    char buf[65536];
    bool header = true;
    while (fgets(buf, sizeof buf, in)) {
        line += buf;
        if (line.empty() || line.back() != '\n') continue;
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
        const std::string row = line;
        line.clear();
        if (header) {
            header = false;
            continue;
        }
        const size_t c1 = row.find(','), c2 = c1 == std::string::npos ? c1 : row.find(',', c1 + 1);
        if (c2 == std::string::npos) continue;
        const std::string cat = row.substr(0, c1);
        if (!cats.count(cat)) {
            cats.emplace(cat, int(catNames.size()));
            catNames.push_back(cat);
        }
        Review r;
        r.cat = cats[cat];
        r.positive = row.substr(c1 + 1, c2 - c1 - 1) == "1";
        const std::string tagged = KOVEX_ParagraphProcessStr(row.c_str() + c2 + 1, 1);
        size_t i = 0;
        while (i < tagged.size()) {
            size_t j = tagged.find(' ', i);
            if (j == std::string::npos) j = tagged.size();
            const std::string token = tagged.substr(i, j - i);
            i = j + 1;
            const size_t slash = token.rfind('/');
            const std::string word = slash == std::string::npos ? token : token.substr(0, slash);
            if (!word.empty()) r.words.push_back(WordId(word));
        }
        reviews.push_back(std::move(r));
    }
    pclose(in);
    KOVEX_Exit();
    const int nCats = int(catNames.size());
    std::fprintf(stderr, "%zu reviews in %d categories, %zu distinct words\n", reviews.size(), nCats, g_words.size());

    // Parameters by the mean leave-one-category-out accuracy: minimum count and clip, then the
    // negation words, added greedily while they help.
    Params best;
    double bestAcc = -1.0;
    for (int minCount : {3, 6}) {
        for (double clip : {2.0, 4.0}) {
            for (double threshold : {0.0, 0.5, 1.0}) {
                for (double smooth : {3e-4, 1e-3, 3e-3}) {
                    Params p;
                    p.minCount = minCount;
                    p.clip = clip;
                    p.threshold = threshold;
                    p.smooth = smooth;
                    const double acc = Evaluate(reviews, nCats, p).meanAccuracy;
                    if (acc > bestAcc) {
                        bestAcc = acc;
                        best = p;
                    }
                }
            }
        }
    }
    for (const char* cand : {"不", "没", "没有", "不是", "无", "未", "别", "不会", "不太", "不够", "不能", "并不", "非"}) {
        auto it = g_ids.find(cand);
        if (it == g_ids.end()) continue;
        Params p = best;
        p.negations.insert(it->second);
        const double acc = Evaluate(reviews, nCats, p).meanAccuracy;
        if (acc > bestAcc) {
            bestAcc = acc;
            best = p;
        }
    }

    const Figures f = Evaluate(reviews, nCats, best);
    std::fprintf(stderr, "minimum count %d, clip %.1f, threshold %.1f, smoothing %g, %zu negation words\n", best.minCount,
                 best.clip, best.threshold, best.smooth, best.negations.size());
    for (int c = 0; c < nCats; ++c)
        std::fprintf(stderr, "  %s\taccuracy %.4f\tcoverage %.4f\n", catNames[c].c_str(), f.accuracy[c], f.coverage[c]);
    std::fprintf(stderr, "leave-one-category-out: mean accuracy %.4f, mean coverage %.4f, pooled accuracy %.4f\n",
                 f.meanAccuracy, f.meanCoverage, f.pooled);

    // The lexicon on all categories, in GBK.
    const auto weights = Derive(reviews, nCats, -1, best);
    long ok = 0;
    for (const Review& r : reviews)
        if ((Point(r, weights, best.negations) > 0.0) == r.positive) ++ok;
    std::fprintf(stderr, "derived on all 8: accuracy %.4f (on its own reviews)\n", double(ok) / reviews.size());
    std::vector<std::pair<std::string, std::string>> lines;
    for (const auto& e : weights) {
        const std::string& word = g_words[e.first];
        tstring gbk;
        UTF8ToANSI(word.c_str(), gbk);
        if (gbk.empty() || gbk.find_first_of("? \t/[]") != std::string::npos) continue;
        char weight[32];
        std::snprintf(weight, sizeof weight, "%.2f", e.second);
        std::string w(weight);
        while (w.back() == '0') w.pop_back();
        if (w.back() == '.') w.pop_back();
        lines.emplace_back(gbk, w);
    }
    std::sort(lines.begin(), lines.end());
    std::vector<std::string> negs;
    for (int id : best.negations) {
        tstring gbk;
        UTF8ToANSI(g_words[id].c_str(), gbk);
        negs.push_back(gbk);
    }
    std::sort(negs.begin(), negs.end());
    FILE* out = std::fopen(argv[3], "wb");
    if (!out) return 1;
    for (const auto& l : lines) std::fprintf(out, "%s %s\n", l.first.c_str(), l.second.c_str());
    for (const auto& n : negs) std::fprintf(out, "%s Neg\n", n.c_str());
    std::fclose(out);
    return 0;
}
