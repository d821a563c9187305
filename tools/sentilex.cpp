// Derives the sentiment lexicon from the labelled review corpus (columns cat,label,review; label 1
// positive, 0 negative).
//
//   sentilex [--loco] [--search] [--threads N] [--news PFR.xz] [setting overrides] <folder holding Data>
//            <reviews.csv.xz> <out.txt>
//
// The folder's Data must hold no field dictionary, so that the cut does not depend on an earlier
// lexicon. Every review is cut once by the engine (UTF-8, tagging on); the weights are learnt by
// logistic regression on the scorer's own features (senti/SentiLex.h) with the fixed defaults,
// and written to out.txt in GBK: "word weight" lines sorted by word, then "word Neg" lines.
// Deterministic: the same corpus and data give the same bytes. --news names the tagged news
// corpus whose days 1-26, cut by the same engine after the reviews, tell which entries the cut of
// ordinary text would split or merge words with (the defaults need it; day 27 is never read).
// --words names the list of opinion words (data/OpinionWords.txt, `word +` / `word -` lines) that
// are candidates whatever the reviews say; the shipped lexicon is derived with it.
// --notalone names the list of words without opinion of their own (data/NotOpinionWords.txt, one
// word a line) that are never word entries. --newsshare prints the share of the news tokens the
// lexicon weights, --showdamage the entries that change the engine's cut of the news, --explain
// w1,w2 each word's counts by category, --dropped FILE writes each candidate an opinion rule left
// out with the rule's name ("word<TAB>rule" lines, sorted by word).
//
// --threads N runs N fits side by side (default 4; the result does not depend on it). --loco
// also prints the leave-one-category-out figures of the settings as the library scores them: each
// fold's lexicon is imported into a copy of the folder's Data and the left-out reviews are cut
// again with it. --search runs the search over the main settings (minimum count, L2 strength, label
// balance, clip, then the negation words added greedily from a candidate list) from the given
// ones, printing the mean leave-one-category-out accuracy of each, and writes the lexicon of the
// best. The overrides (--min N, --l2 X, --balance 0|1, --clip X, --phrases N, --gap X, --topic X,
// --minweight X, --boundary X, --newssplits N, --splitweight X, --bagging 0|1, --shift 0|1,
// --negscale 0|1, --catpower X, --copies X, --lengthpower X, --stability X, --temperature X,
// --refine N, --hinge a,b, --reviewpower a,b, --negations a,b,c, the opinion rules' settings, see
// ParseOverride) try single settings by hand.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <stdexcept>
#include <string>

#include "MERIDOX/API/KOVEX_API.h"
#include "senti/SentiLex.h"

namespace {

void PrintFigures(const sentilex::Corpus& corpus, const sentilex::Figures& f) {
    for (size_t c = 0; c < corpus.catNames.size(); ++c)
        std::fprintf(stderr, "  %s\taccuracy %.4f\tcoverage %.4f\t(positive %.4f, negative %.4f right)\n",
                     corpus.catNames[c].c_str(), f.accuracy[c], f.coverage[c], f.positiveRight[c], f.negativeRight[c]);
    std::fprintf(stderr, "leave-one-category-out: mean accuracy %.4f, mean coverage %.4f, pooled accuracy %.4f\n",
                 f.meanAccuracy, f.meanCoverage, f.pooled);
}

std::string List(const std::vector<double>& values) {
    std::string s;
    char buf[32];
    for (double v : values) {
        std::snprintf(buf, sizeof buf, " %g", v);
        s += buf;
    }
    return s;
}

std::string Describe(const sentilex::Params& p) {
    char buf[512];
    std::snprintf(buf, sizeof buf, "min %d l2 %g balance %d catpower %g clip %g phrases %d gap %g topic %g minweight %g boundary %g "
                  "newssplits %ld splitweight %g bagging %d shift %d negscale %d copies %g lengthpower %g stability %g "
                  "temperature %g hinge%s reviewpower%s negations",
                  p.minCount, p.l2, int(p.balanceLabels), p.categoryPower, p.clip, p.phraseMinCount, p.phraseGap, p.topicPenalty,
                  p.minWeight, p.minBoundary, p.maxNewsSplits, p.splitWeight, int(p.bagging), int(p.shift),
                  int(p.negativeScale), p.categoryCopies, p.lengthPower, p.stabilityShrink, p.temperature,
                  List(p.hingeShares).c_str(), List(p.reviewPowers).c_str());
    std::string s(buf);
    for (const std::string& n : p.negations) s += " " + n;
    return s;
}

sentilex::Params Search(const sentilex::Corpus& corpus, const sentilex::Params& start) {
    sentilex::Params best = start;
    double bestAcc = -1.0;
    auto Try = [&](const sentilex::Params& p) {
        const double acc = sentilex::Evaluate(corpus, p).meanAccuracy;
        std::fprintf(stderr, "%.4f  %s\n", acc, Describe(p).c_str());
        if (acc > bestAcc) {
            bestAcc = acc;
            best = p;
        }
    };
    const sentilex::Params base = best;
    for (int minCount : {2, 3, 5, 10})
        for (double l2 : {3e-5, 1e-4, 3e-4, 1e-3})
            for (bool balance : {false, true}) {
                sentilex::Params p = base;
                p.minCount = minCount;
                p.l2 = l2;
                p.balanceLabels = balance;
                Try(p);
            }
    for (double clip : {1.0, 2.0, 8.0}) {
        sentilex::Params p = best;
        p.clip = clip;
        Try(p);
    }
    // Negation words: start from none, add the candidate that helps most while one helps.
    const char* candidates[] = {"不", "没", "没有", "不是", "无", "未", "别", "不会", "不太", "不够",
                                "不能", "并不", "非", "不要", "毫无", "不怎么", "从不", "绝不", "并非", "不再"};
    sentilex::Params cur = best;
    cur.negations.clear();
    bestAcc = -1.0;
    Try(cur);
    for (;;) {
        sentilex::Params round = best;
        const double before = bestAcc;
        for (const char* c : candidates) {
            if (std::find(cur.negations.begin(), cur.negations.end(), c) != cur.negations.end()) continue;
            if (!corpus.ids.count(c)) continue;
            sentilex::Params p = cur;
            p.negations.push_back(c);
            Try(p);
        }
        if (bestAcc <= before) break;
        cur = best;
        (void)round;
    }
    return best;
}

}  // namespace

int Run(int argc, char** argv) {
    bool search = false, loco = false, newsShare = false, damage = false;
    std::string explain, droppedPath;
    sentilex::Params params = sentilex::DefaultParams();
    std::string newsPath;
    std::vector<const char*> args;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--search"))
            search = true;
        else if (!std::strcmp(argv[i], "--loco"))
            loco = true;
        else if (!std::strcmp(argv[i], "--newsshare"))
            newsShare = true;
        else if (!std::strcmp(argv[i], "--explain") && i + 1 < argc)
            explain = argv[++i];
        else if (!std::strcmp(argv[i], "--showdamage"))
            damage = true;
        else if (!std::strcmp(argv[i], "--dropped") && i + 1 < argc)
            droppedPath = argv[++i];
        else if (!std::strcmp(argv[i], "--news") && i + 1 < argc)
            newsPath = argv[++i];
        else if (!std::strcmp(argv[i], "--threads") && i + 1 < argc)
            params.threads = std::atoi(argv[++i]);
        else if (sentilex::ParseOverride(argc, argv, i, params))
            continue;
        else
            args.push_back(argv[i]);
    }
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: sentilex [--loco] [--search] [--threads N] [overrides] <folder holding Data> "
                             "<reviews.csv.xz> <out.txt>\n");
        return 2;
    }
    if (params.maxNewsSplits >= 0 && newsPath.empty()) {
        std::fprintf(stderr, "sentilex: the settings need the news corpus (--news)\n");
        return 2;
    }
    std::string listError;
    if (!sentilex::LoadLists(params, listError)) {
        std::fprintf(stderr, "%s: %s\n", "sentilex", listError.c_str());
        return 2;
    }
    if (KOVEX_Init(args[0], 1) != 1) {
        std::fprintf(stderr, "engine start failed: %s\n", KOVEX_GetLastErrorMsg());
        return 1;
    }
    sentilex::Corpus corpus;
    std::string error;
    const bool loaded = sentilex::LoadCorpora(args[1], newsPath, params, corpus, error);
    KOVEX_Exit();
    if (!loaded) {
        std::fprintf(stderr, "sentilex: %s\n", error.c_str());
        return 1;
    }
    corpus.dataFolder = args[0];
    std::fprintf(stderr, "%zu reviews in %zu categories, %zu distinct words\n", corpus.reviews.size(),
                 corpus.catNames.size(), corpus.words.size());

    for (size_t p = 0; p < explain.size();) {
        size_t q = explain.find(',', p);
        if (q == std::string::npos) q = explain.size();
        const std::string word = explain.substr(p, q - p);
        p = q + 1;
        auto it = corpus.ids.find(word);
        if (it == corpus.ids.end()) {
            std::fprintf(stderr, "explain %s: no word of the cut\n", word.c_str());
            continue;
        }
        const int id = it->second;
        std::vector<std::array<long, 2>> held(corpus.catNames.size(), {0, 0}), all(corpus.catNames.size(), {0, 0});
        for (const sentilex::Review& r : corpus.reviews) {
            ++all[r.cat][r.positive];
            if (std::find(r.words.begin(), r.words.end(), id) != r.words.end()) ++held[r.cat][r.positive];
        }
        std::string line;
        char buf[128];
        for (size_t c = 0; c < held.size(); ++c) {
            const double lo = std::log((held[c][1] + 0.5) / (all[c][1] + 1.0)) - std::log((held[c][0] + 0.5) / (all[c][0] + 1.0));
            std::snprintf(buf, sizeof buf, " %s %ld+/%ld- %.2f;", corpus.catNames[c].c_str(), held[c][1], held[c][0], lo);
            line += buf;
        }
        const long nc = size_t(id) < corpus.newsCount.size() ? corpus.newsCount[id] : 0;
        const long cl = size_t(id) < corpus.newsClosed.size() ? corpus.newsClosed[id] : 0;
        const long rc = size_t(id) < corpus.reviewCount.size() ? corpus.reviewCount[id] : 0;
        const long rn = size_t(id) < corpus.reviewNoun.size() ? corpus.reviewNoun[id] : 0;
        std::fprintf(stderr, "explain %s: news %ld (closed %ld), reviews %ld (noun %ld):%s\n", word.c_str(), nc, cl, rc, rn,
                     line.c_str());
    }
    if (search) params = Search(corpus, params);
    std::fprintf(stderr, "%s\n", Describe(params).c_str());
    if (loco || search) PrintFigures(corpus, sentilex::Evaluate(corpus, params));

    std::map<std::string, std::string> dropped;
    const sentilex::Lexicon lex = sentilex::Derive(corpus, -1, params, &dropped);
    if (!droppedPath.empty()) {
        FILE* f = std::fopen(droppedPath.c_str(), "wb");
        if (!f) {
            std::fprintf(stderr, "sentilex: cannot write %s\n", droppedPath.c_str());
            return 1;
        }
        for (const auto& d : dropped) std::fprintf(f, "%s\t%s\n", d.first.c_str(), d.second.c_str());
        std::fclose(f);
    }
    const std::string text = sentilex::LexiconText(lex);
    FILE* out = std::fopen(args[2], "wb");
    if (!out || std::fwrite(text.data(), 1, text.size(), out) != text.size() || std::fclose(out) != 0) {
        std::fprintf(stderr, "sentilex: cannot write %s\n", args[2]);
        return 1;
    }
    std::fprintf(stderr, "%zu weighted words (shift %g, negative weights x%g), %zu negation words written to %s\n",
                 lex.weights.size(), lex.shift, lex.negativeScale, lex.negations.size(), args[2]);
    if (damage && !corpus.newsTexts.empty()) {
        std::vector<std::string> entries;
        for (const auto& e : lex.weights) entries.push_back(e.first);
        long changed = 0;
        const std::vector<long> d = sentilex::NewsDamage(corpus, entries, lex.negations, &changed);
        std::vector<std::pair<long, std::string>> list;
        long total = 0;
        for (size_t f = 0; f < d.size(); ++f) {
            total += d[f];
            if (d[f] > 0) list.emplace_back(d[f], f < entries.size() ? entries[f] : lex.negations[f - entries.size()] + "/Neg");
        }
        std::sort(list.rbegin(), list.rend());
        std::fprintf(stderr, "news stretches cut differently: %ld (blamed %ld times, %zu entries)\n", changed, total, list.size());
        for (const auto& e : list) std::fprintf(stderr, "damage %ld %s\n", e.first, e.second.c_str());
        std::vector<std::pair<long, std::string>> inNews;
        for (const auto& e : lex.weights) {
            auto it = corpus.ids.find(e.first);
            if (it != corpus.ids.end() && size_t(it->second) < corpus.newsCount.size() && corpus.newsCount[it->second])
                inNews.emplace_back(corpus.newsCount[it->second], e.first + " " + std::to_string(e.second));
        }
        std::sort(inNews.rbegin(), inNews.rend());
        for (const auto& e : inNews) std::fprintf(stderr, "news %ld %s\n", e.first, e.second.c_str());
    }
    if (newsShare && !corpus.newsTexts.empty())
        std::fprintf(stderr, "news tokens carrying a weight with the lexicon installed: %.4f\n",
                     sentilex::NewsWeightShare(corpus, lex));
    return 0;
}

int main(int argc, char** argv) {
    try {
        return Run(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "sentilex: %s\n", e.what());
        return 1;
    }
}
