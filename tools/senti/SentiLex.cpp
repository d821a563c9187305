#include "senti/SentiLex.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <map>
#include <thread>

#include "CodeTrans/STLCodeTrans.h"
#include "MERIDOX/API/KOVEX_API.h"

namespace sentilex {

namespace {

// Pieces of s between occurrences of c, empty pieces dropped (the library's Split).
std::vector<std::string> SplitAt(const std::string& s, char c) {
    std::vector<std::string> out;
    size_t i = 0;
    while (i <= s.size()) {
        size_t j = s.find(c, i);
        if (j == std::string::npos) j = s.size();
        if (j > i) out.push_back(s.substr(i, j - i));
        i = j + 1;
    }
    return out;
}

// A word the import stores as it is and the engine can tag with a weight: a GBK form without
// blanks, delimiters, brackets or unmapped characters, and not punctuation or white space (the
// import skips words whose core tags are punctuation).
std::string EntryForm(const std::string& word, const std::string& tag) {
    if (tag.empty() || tag[0] == 'w' || tag == "brk") return "";
    tstring gbk;
    UTF8ToANSI(word.c_str(), gbk);
    if (gbk.empty() || gbk.find_first_of("? \t\r\n\v\f/[]") != std::string::npos) return "";
    return gbk;
}

// Every prefix (at character boundaries) of every entry, mapped to the entry's value, or -1 for
// a prefix that is no entry itself: the longest match walks it like a trie.
struct Index {
    std::unordered_map<std::string, int> map;
    void Add(const std::string& entry, int value) {
        for (size_t p = 1; p < entry.size(); ++p)
            if ((static_cast<unsigned char>(entry[p]) & 0xC0) != 0x80) map.emplace(entry.substr(0, p), -1);
        map[entry] = value;
    }
};

// The values of the units the engine tags in a review: at each token the longest entry starting
// there; it counts when it ends on a token boundary (then it spans the tokens up to there), else
// the token stays untagged. A token of id -1 ends every match.
void Units(const Corpus& corpus, const Review& r, const std::unordered_map<std::string, int>& index,
           std::vector<int>& out) {
    out.clear();
    std::string key;
    const size_t n = r.words.size();
    for (size_t i = 0; i < n;) {
        if (r.words[i] < 0) {
            ++i;
            continue;
        }
        key.clear();
        int best = -1;
        size_t bestLen = 0, bestEnd = i + 1;
        bool bestOnBoundary = false, walking = true;
        for (size_t j = i; j < n && walking && r.words[j] >= 0; ++j) {
            const std::string& w = corpus.words[r.words[j]];
            for (size_t c = 0; c < w.size();) {
                size_t len = 1;
                const unsigned char b = static_cast<unsigned char>(w[c]);
                if (b >= 0xF0) len = 4;
                else if (b >= 0xE0) len = 3;
                else if (b >= 0xC0) len = 2;
                key.append(w, c, len);
                c += len;
                auto it = index.find(key);
                if (it == index.end()) {
                    walking = false;
                    break;
                }
                if (it->second >= 0) {
                    best = it->second;
                    bestLen = key.size();
                    bestOnBoundary = c >= w.size();
                    bestEnd = j + 1;
                }
            }
        }
        const size_t ownLen = corpus.words[r.words[i]].size();
        if (best >= 0 && bestLen >= ownLen && bestOnBoundary) {
            out.push_back(best);
            i = bestEnd;
        } else {
            ++i;
        }
    }
}

std::string Gbk(const std::string& utf8) {
    tstring gbk;
    UTF8ToANSI(utf8.c_str(), gbk);
    return gbk;
}

// The feature rows of the training reviews: for each review the (feature, count) pairs, a weighted
// unit counting +1, or -1 when a pending negation flips it.
struct Rows {
    std::vector<size_t> start;  // row i is [start[i], start[i+1])
    std::vector<int> feature;
    std::vector<double> value;
    std::vector<double> label;   // +1 / -1
    std::vector<double> weight;  // sample weight; the weights sum to 1
};

// `units` hold feature numbers, or -1 for a negation word.
void AddRow(const std::vector<int>& units, bool positive, double weight, Rows& rows, std::map<int, double>& scratch) {
    scratch.clear();
    bool pending = false;
    for (int f : units) {
        if (f < 0) {
            pending = true;
            continue;
        }
        scratch[f] += pending ? -1.0 : 1.0;
        pending = false;
    }
    for (const auto& e : scratch) {
        if (e.second == 0.0) continue;
        rows.feature.push_back(e.first);
        rows.value.push_back(e.second);
    }
    rows.start.push_back(rows.feature.size());
    rows.label.push_back(positive ? 1.0 : -1.0);
    rows.weight.push_back(weight);
}

// Weighted logistic loss without bias plus l2/2 |w|^2, and its gradient.
double Loss(const Rows& rows, const std::vector<double>& w, double l2, std::vector<double>& grad) {
    double f = 0.0;
    std::fill(grad.begin(), grad.end(), 0.0);
    const size_t n = rows.label.size();
    for (size_t i = 0; i < n; ++i) {
        double z = 0.0;
        for (size_t k = rows.start[i]; k < rows.start[i + 1]; ++k) z += w[rows.feature[k]] * rows.value[k];
        const double m = rows.label[i] * z;
        // log(1 + exp(-m)) and its derivative, stable on both sides.
        const double loss = m > 0 ? std::log1p(std::exp(-m)) : -m + std::log1p(std::exp(m));
        const double sig = m > 0 ? std::exp(-m) / (1.0 + std::exp(-m)) : 1.0 / (1.0 + std::exp(m));
        f += rows.weight[i] * loss;
        const double g = -rows.weight[i] * rows.label[i] * sig;
        for (size_t k = rows.start[i]; k < rows.start[i + 1]; ++k) grad[rows.feature[k]] += g * rows.value[k];
    }
    for (size_t j = 0; j < w.size(); ++j) {
        f += 0.5 * l2 * w[j] * w[j];
        grad[j] += l2 * w[j];
    }
    return f;
}

double Dot(const std::vector<double>& a, const std::vector<double>& b) {
    double s = 0.0;
    for (size_t i = 0; i < a.size(); ++i) s += a[i] * b[i];
    return s;
}

// Limited-memory BFGS (10 pairs) with a backtracking Armijo line search, from w = 0, single
// threaded and in a fixed order, so that the result is the same on every run.
std::vector<double> Minimise(const Rows& rows, size_t nFeatures, double l2, int iterations) {
    const int kPairs = 10;
    std::vector<double> w(nFeatures, 0.0), g(nFeatures), wNew(nFeatures), gNew(nFeatures), d(nFeatures);
    std::vector<std::vector<double>> s, y;
    std::vector<double> rho;
    double f = Loss(rows, w, l2, g);
    for (int it = 0; it < iterations; ++it) {
        // Two-loop recursion: d = -H g.
        d = g;
        std::vector<double> alpha(s.size());
        for (int k = int(s.size()) - 1; k >= 0; --k) {
            alpha[k] = rho[k] * Dot(s[k], d);
            for (size_t j = 0; j < nFeatures; ++j) d[j] -= alpha[k] * y[k][j];
        }
        if (!s.empty()) {
            const double gamma = Dot(s.back(), y.back()) / Dot(y.back(), y.back());
            for (double& v : d) v *= gamma;
        } else {
            const double norm = std::sqrt(Dot(g, g));
            if (norm == 0.0) break;
            for (double& v : d) v /= norm;
        }
        for (size_t k = 0; k < s.size(); ++k) {
            const double beta = rho[k] * Dot(y[k], d);
            for (size_t j = 0; j < nFeatures; ++j) d[j] += s[k][j] * (alpha[k] - beta);
        }
        for (double& v : d) v = -v;
        double slope = Dot(g, d);
        if (slope >= 0.0) {  // not a descent direction: restart from the gradient
            s.clear();
            y.clear();
            rho.clear();
            for (size_t j = 0; j < nFeatures; ++j) d[j] = -g[j];
            slope = Dot(g, d);
        }
        double step = 1.0, fNew = 0.0;
        bool moved = false;
        for (int tries = 0; tries < 40; ++tries, step *= 0.5) {
            for (size_t j = 0; j < nFeatures; ++j) wNew[j] = w[j] + step * d[j];
            fNew = Loss(rows, wNew, l2, gNew);
            if (fNew <= f + 1e-4 * step * slope) {
                moved = true;
                break;
            }
        }
        if (!moved) break;
        std::vector<double> sk(nFeatures), yk(nFeatures);
        for (size_t j = 0; j < nFeatures; ++j) {
            sk[j] = wNew[j] - w[j];
            yk[j] = gNew[j] - g[j];
        }
        const double sy = Dot(sk, yk);
        if (sy > 1e-20) {
            if (int(s.size()) == kPairs) {
                s.erase(s.begin());
                y.erase(y.begin());
                rho.erase(rho.begin());
            }
            s.push_back(std::move(sk));
            y.push_back(std::move(yk));
            rho.push_back(1.0 / sy);
        }
        const double gain = f - fNew;
        w.swap(wNew);
        g.swap(gNew);
        f = fNew;
        if (gain < 1e-10 * std::max(1.0, std::fabs(f))) break;
    }
    return w;
}

// A learnt weight as the lexicon writes it: clipped, two decimals, rounded away from 0.
double Written(double w, double clip) {
    w = std::max(-clip, std::min(clip, w));
    double r = std::round(w * 100.0) / 100.0;
    if (r == 0.0) r = w < 0.0 ? -0.01 : 0.01;
    return r;
}

}  // namespace

bool LoadCorpus(const std::string& xzPath, int threads, Corpus& corpus, std::string& error,
                std::vector<std::string>* textsOut) {
    const std::string cmd = "xz -dc '" + xzPath + "'";
    FILE* in = popen(cmd.c_str(), "r");
    if (!in) {
        error = "cannot read " + xzPath;
        return false;
    }
    std::vector<std::string> texts;
    std::map<std::string, int> cats;
    std::string line;
    char buf[65536];
    bool header = true;
    while (std::fgets(buf, sizeof buf, in)) {
        line += buf;
        if (line.back() != '\n') continue;
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
            cats.emplace(cat, int(corpus.catNames.size()));
            corpus.catNames.push_back(cat);
        }
        Review r;
        r.cat = cats[cat];
        r.positive = row.substr(c1 + 1, c2 - c1 - 1) == "1";
        corpus.reviews.push_back(r);
        texts.push_back(row.substr(c2 + 1));
    }
    if (pclose(in) != 0 || corpus.reviews.empty()) {
        error = "no review read from " + xzPath;
        return false;
    }

    // The cut, on pooled engine instances; the ids are given afterwards in review order.
    std::vector<std::string> tagged(texts.size());
    std::atomic<size_t> next(0);
    std::vector<std::thread> pool;
    for (int t = 0; t < std::max(1, threads); ++t)
        pool.emplace_back([&] {
            for (size_t i; (i = next++) < texts.size();) tagged[i] = KOVEX_ParagraphProcessStr(texts[i].c_str(), 1);
        });
    for (std::thread& t : pool) t.join();

    for (size_t i = 0; i < tagged.size(); ++i) {
        for (const std::string& token : SplitAt(tagged[i], ' ')) {
            const std::vector<std::string> parts = SplitAt(token, '/');
            if (parts.size() != 2) {
                corpus.reviews[i].words.push_back(-1);
                continue;
            }
            // The field dictionary folds ASCII capitals: "ThinkPad" and "thinkpad" are one entry.
            std::string word = parts[0];
            for (char& c : word)
                if (c >= 'A' && c <= 'Z') c = char(c + 32);
            auto it = corpus.ids.find(word);
            int id;
            if (it == corpus.ids.end()) {
                id = int(corpus.words.size());
                corpus.ids.emplace(word, id);
                corpus.words.push_back(word);
                corpus.gbk.push_back(EntryForm(word, parts[1]));
            } else {
                id = it->second;
            }
            corpus.reviews[i].words.push_back(id);
        }
    }
    if (textsOut) textsOut->swap(texts);
    return true;
}

// Chosen by sentilex --search: the grid of minimum count, L2 strength and label balance moves
// the mean leave-one-category-out accuracy by under 0.005; of the negation candidates, the broad
// ones (不, 没, 没有 ...) lower it, since a pending negation flips the next weighted word however
// far it is, and the weights learn 不 and its phrases better; 不怎么 and 毫无 raise it a little.
Params DefaultParams() {
    Params p;
    p.negations = {"不怎么", "毫无"};
    return p;
}

Lexicon Derive(const Corpus& corpus, int skipCat, const Params& params) {
    const size_t nWords = corpus.words.size();
    const int nCats = int(corpus.catNames.size());
    Lexicon lex;
    std::vector<char> negById(nWords, 0);
    for (const std::string& n : params.negations) {
        auto it = corpus.ids.find(n);
        if (it == corpus.ids.end() || corpus.gbk[it->second].size() < 2) continue;
        negById[it->second] = 1;
        lex.negations.push_back(n);
    }
    std::sort(lex.negations.begin(), lex.negations.end());

    // Reviews holding each word (and phrase), and the reviews of each category and label.
    std::vector<int> df(nWords, 0);
    std::unordered_map<std::string, int> phraseDf;
    std::vector<std::vector<int>> n(nCats, std::vector<int>(2, 0));
    std::vector<int> seen;
    std::vector<std::string> phrases;
    auto Usable = [&](int id) { return id >= 0 && corpus.gbk[id].size() >= 2; };
    for (const Review& r : corpus.reviews) {
        if (r.cat == skipCat) continue;
        ++n[r.cat][r.positive];
        seen.clear();
        for (int w : r.words)
            if (w >= 0) seen.push_back(w);
        std::sort(seen.begin(), seen.end());
        seen.erase(std::unique(seen.begin(), seen.end()), seen.end());
        for (int w : seen) ++df[w];
        if (params.phraseMinCount > 0) {
            phrases.clear();
            for (size_t i = 0; i + 1 < r.words.size(); ++i) {
                if (!Usable(r.words[i]) || !Usable(r.words[i + 1])) continue;
                std::string p = corpus.words[r.words[i]] + corpus.words[r.words[i + 1]];
                if (i + 2 < r.words.size() && Usable(r.words[i + 2]))
                    phrases.push_back(p + corpus.words[r.words[i + 2]]);
                phrases.push_back(std::move(p));
            }
            std::sort(phrases.begin(), phrases.end());
            phrases.erase(std::unique(phrases.begin(), phrases.end()), phrases.end());
            for (const std::string& p : phrases) ++phraseDf[p];
        }
    }

    // The entries: negation words (value -1), then the candidate words and phrases as features.
    Index index;
    std::vector<std::string> entryByFeature;
    for (const std::string& neg : lex.negations) index.Add(neg, -1);
    std::map<std::string, int> candidates;  // sorted, so that the feature order is fixed
    for (size_t w = 0; w < nWords; ++w)
        if (df[w] >= params.minCount && !negById[w] && Usable(int(w))) candidates.emplace(corpus.words[w], 0);
    for (const auto& e : phraseDf)
        if (e.second >= params.phraseMinCount && !corpus.ids.count(e.first)) candidates.emplace(e.first, 0);
    for (auto& e : candidates) {
        e.second = int(entryByFeature.size());
        entryByFeature.push_back(e.first);
    }
    // Negation words are -1 in the rows: give them a value that maps there.
    Index rowsIndex;
    for (const std::string& neg : lex.negations) rowsIndex.Add(neg, int(entryByFeature.size()));
    for (const auto& e : candidates) rowsIndex.Add(e.first, e.second);

    int nTrainCats = 0;
    for (int c = 0; c < nCats; ++c)
        if (c != skipCat && n[c][0] + n[c][1] > 0) ++nTrainCats;
    Rows rows;
    rows.start.push_back(0);
    std::map<int, double> scratch;
    std::vector<int> units;
    for (const Review& r : corpus.reviews) {
        if (r.cat == skipCat) continue;
        double weight;
        if (params.balanceLabels)
            weight = 1.0 / (double(nTrainCats) * (n[r.cat][0] && n[r.cat][1] ? 2.0 : 1.0) * n[r.cat][r.positive]);
        else
            weight = 1.0 / (double(nTrainCats) * (n[r.cat][0] + n[r.cat][1]));
        Units(corpus, r, rowsIndex.map, units);
        for (int& u : units)
            if (u == int(entryByFeature.size())) u = -1;
        AddRow(units, r.positive, weight, rows, scratch);
    }
    const std::vector<double> w = Minimise(rows, entryByFeature.size(), params.l2, params.iterations);
    for (size_t f = 0; f < w.size(); ++f) lex.weights.emplace_back(entryByFeature[f], Written(w[f], params.clip));
    return lex;
}

Scorer::Scorer(const Corpus& corpus, const Lexicon& lexicon) : m_corpus(corpus) {
    Index index;
    for (const auto& e : lexicon.weights) {
        index.Add(e.first, int(m_weight.size()));
        m_weight.push_back(e.second);
    }
    for (const std::string& neg : lexicon.negations) {
        index.Add(neg, int(m_weight.size()));
        m_weight.push_back(0.0);
    }
    m_index.swap(index.map);
}

double Scorer::Point(const Review& review, bool* covered) const {
    std::vector<int> units;
    Units(m_corpus, review, m_index, units);
    double pos = 0.0, neg = 0.0;
    bool pending = false, any = false;
    for (int u : units) {
        double v = m_weight[u];
        if (v == 0.0) {
            pending = true;
            continue;
        }
        any = true;
        if (pending) {
            v = -v;
            pending = false;
        }
        (v > 0.0 ? pos : neg) += v;
    }
    if (covered) *covered = any;
    if (pos == 0.0 && neg == 0.0) return 0.0;
    return (pos + neg) / (pos - neg);
}

Figures Evaluate(const Corpus& corpus, const Params& params) {
    const int nCats = int(corpus.catNames.size());
    Figures f;
    long right = 0, total = 0;
    for (int c = 0; c < nCats; ++c) {
        const Scorer scorer(corpus, Derive(corpus, c, params));
        long n = 0, ok = 0, covered = 0;
        for (const Review& r : corpus.reviews) {
            if (r.cat != c) continue;
            bool any = false;
            ++n;
            if ((scorer.Point(r, &any) > 0.0) == r.positive) ++ok;
            covered += any;
        }
        f.accuracy.push_back(n ? double(ok) / n : 0.0);
        f.coverage.push_back(n ? double(covered) / n : 0.0);
        f.meanAccuracy += f.accuracy.back() / nCats;
        f.meanCoverage += f.coverage.back() / nCats;
        right += ok;
        total += n;
    }
    f.pooled = total ? double(right) / total : 0.0;
    return f;
}

std::string LexiconText(const Lexicon& lexicon) {
    std::vector<std::pair<std::string, std::string>> lines;
    for (const auto& e : lexicon.weights) {
        char weight[32];
        std::snprintf(weight, sizeof weight, "%.2f", e.second);
        std::string w(weight);
        while (w.back() == '0') w.pop_back();
        if (w.back() == '.') w.pop_back();
        lines.emplace_back(Gbk(e.first), w);
    }
    std::sort(lines.begin(), lines.end());
    std::vector<std::string> negs;
    for (const std::string& n : lexicon.negations) negs.push_back(Gbk(n));
    std::sort(negs.begin(), negs.end());
    std::string text;
    for (const auto& l : lines) text += l.first + " " + l.second + "\n";
    for (const std::string& n : negs) text += n + " Neg\n";
    return text;
}

}  // namespace sentilex
