#include "senti/SentiLex.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>

#include <unistd.h>

#include "CodeTrans/STLCodeTrans.h"
#include "MERIDOX/API/KOVEX_API.h"
#include "SentimentNew/class/SentiText.h"

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

// Whether a UTF-8 word is made of digits, Latin letters and punctuation alone: every character
// lies below the CJK radicals (ASCII, Latin, general punctuation, symbols) or among the CJK
// symbols and punctuation or the full-width forms.
bool SymbolsOnly(const std::string& word) {
    for (size_t i = 0; i < word.size();) {
        const unsigned char b = static_cast<unsigned char>(word[i]);
        size_t len = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
        unsigned cp = len == 1 ? b : b & (0xFF >> (len + 1));
        for (size_t k = 1; k < len && i + k < word.size(); ++k) cp = (cp << 6) | (static_cast<unsigned char>(word[i + k]) & 0x3F);
        if (!(cp < 0x2E80 || (cp >= 0x3000 && cp <= 0x303F) || (cp >= 0xFF00 && cp <= 0xFFEF))) return false;
        i += len;
    }
    return true;
}

// Whether a word holds a digit (ASCII or full-width): a number, a date or a score, no opinion.
bool HasDigit(const std::string& word) {
    if (word.find_first_of("0123456789") != std::string::npos) return true;
    for (size_t i = 0; i + 2 < word.size(); ++i)  // ０ to ９: EF BC 90 to EF BC 99
        if (static_cast<unsigned char>(word[i]) == 0xEF && static_cast<unsigned char>(word[i + 1]) == 0xBC &&
            static_cast<unsigned char>(word[i + 2]) >= 0x90 && static_cast<unsigned char>(word[i + 2]) <= 0x99)
            return true;
    return false;
}

// Degree words: they strengthen or soften the opinion next to them and hold none of their own.
bool DegreeWord(const std::string& word) {
    static const char* const kDegree[] = {"很", "非常", "太", "比较", "较", "最", "更", "更加", "越来越", "特别",
                                          "十分", "挺", "真", "超", "超级", "极", "极其", "极为", "相当", "有点",
                                          "有点儿", "有些", "蛮", "过于", "太过", "格外", "尤其", "稍", "稍微", "略",
                                          "略微", "颇"};
    for (const char* d : kDegree)
        if (word == d) return true;
    return false;
}

// Whether a word begins with a degree word and goes on after it (最差, 很小): 不 before it is no
// Chinese.
bool DegreeLed(const std::string& word) {
    for (size_t p = 1; p < word.size(); ++p)
        if ((static_cast<unsigned char>(word[p]) & 0xC0) != 0x80 && DegreeWord(word.substr(0, p))) return true;
    return false;
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

// The index the tagging walks: entry f gives f, a negation word entries.size(); an entry that is
// also a negation word stays an entry.
std::unordered_map<std::string, int> EntryIndex(const std::vector<std::string>& entries,
                                                const std::vector<std::string>& negations) {
    Index ix;
    for (const std::string& neg : negations) ix.Add(neg, int(entries.size()));
    for (size_t f = 0; f < entries.size(); ++f) ix.Add(entries[f], int(f));
    return std::move(ix.map);
}

// The field dictionary folds ASCII capitals: "ThinkPad" and "thinkpad" are one entry.
void FoldAscii(std::string& word) {
    for (char& c : word)
        if (c >= 'A' && c <= 'Z') c = char(c + 32);
}

// The values of the units the engine tags in a review: at each token the longest entry starting
// there; it counts when it ends on a token boundary (then it spans the tokens up to there), else
// the token stays untagged. A token below 0 ends every match; clause punctuation is kept as a
// kClauseUnit.
void Units(const Corpus& corpus, const Review& r, const std::unordered_map<std::string, int>& index,
           std::vector<int>& out) {
    out.clear();
    std::string key;
    const size_t n = r.words.size();
    for (size_t i = 0; i < n;) {
        if (r.words[i] < 0) {
            if (r.words[i] == kClauseUnit) out.push_back(kClauseUnit);
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
// unit counting +1, or -1 when a pending negation of its clause flips it.
struct Rows {
    std::vector<size_t> start;  // row i is [start[i], start[i+1])
    std::vector<int> feature;
    std::vector<double> value;
    std::vector<double> label;   // +1 / -1
    std::vector<double> weight;  // sample weight; the weights sum to 1
};

// `units` hold feature numbers, -1 for a negation word or kClauseUnit.
void AddRow(const std::vector<int>& units, bool positive, double weight, Rows& rows, std::map<int, double>& scratch,
            int copyOffset = -1, double lengthPower = 0.0) {
    scratch.clear();
    bool pending = false;
    double count = 0.0;
    for (int f : units) {
        if (f == kClauseUnit) {
            pending = false;
            continue;
        }
        if (f < 0) {
            pending = true;
            continue;
        }
        scratch[f] += pending ? -1.0 : 1.0;
        pending = false;
        ++count;
    }
    if (lengthPower != 0.0 && count > 0.0) {
        const double scale = std::pow(count, -lengthPower);
        for (auto& e : scratch) e.second *= scale;
    }
    for (const auto& e : scratch) {
        if (e.second == 0.0) continue;
        rows.feature.push_back(e.first);
        rows.value.push_back(e.second);
    }
    if (copyOffset >= 0)
        for (const auto& e : scratch) {
            if (e.second == 0.0) continue;
            rows.feature.push_back(copyOffset + e.first);
            rows.value.push_back(e.second);
        }
    rows.start.push_back(rows.feature.size());
    rows.label.push_back(positive ? 1.0 : -1.0);
    rows.weight.push_back(weight);
}

// Weighted logistic loss without bias plus l2/2 |w|^2, and its gradient. With `hinge` h > 0, the
// loss of margin m is (1 - h) log(1 + exp(-m)) + h max(0, 1 - m)^2: the squared hinge no longer
// pushes a review scored right by a margin of 1 or more, and the scorer only reads the sign.
// With `temperature` T > 0, the smoothed error 2T / (1 + exp(m / T)) of margin m instead of the
// logistic loss: its slope at m = 0 is the logistic's, but a review far on either side weighs next
// to nothing, so the weights follow the count of reviews scored right rather than their margins.
double Loss(const Rows& rows, const std::vector<double>& w, const std::vector<double>& l2, std::vector<double>& grad,
            double temperature = 0.0, double hinge = 0.0) {
    double f = 0.0;
    std::fill(grad.begin(), grad.end(), 0.0);
    const size_t n = rows.label.size();
    for (size_t i = 0; i < n; ++i) {
        double z = 0.0;
        for (size_t k = rows.start[i]; k < rows.start[i + 1]; ++k) z += w[rows.feature[k]] * rows.value[k];
        const double m = rows.label[i] * z;
        if (temperature > 0.0) {
            const double t = m / temperature;
            const double p = t > 0 ? std::exp(-t) / (1.0 + std::exp(-t)) : 1.0 / (1.0 + std::exp(t));  // 1/(1+e^t)
            f += rows.weight[i] * 2.0 * temperature * p;
            const double g = -rows.weight[i] * rows.label[i] * 2.0 * p * (1.0 - p);
            for (size_t k = rows.start[i]; k < rows.start[i + 1]; ++k) grad[rows.feature[k]] += g * rows.value[k];
            continue;
        }
        // log(1 + exp(-m)) and its derivative, stable on both sides.
        double loss = m > 0 ? std::log1p(std::exp(-m)) : -m + std::log1p(std::exp(m));
        double sig = m > 0 ? std::exp(-m) / (1.0 + std::exp(-m)) : 1.0 / (1.0 + std::exp(m));  // -dloss/dm
        if (hinge > 0.0) {
            const double h = std::max(0.0, 1.0 - m);
            loss = (1.0 - hinge) * loss + hinge * h * h;
            sig = (1.0 - hinge) * sig + hinge * 2.0 * h;
        }
        f += rows.weight[i] * loss;
        const double g = -rows.weight[i] * rows.label[i] * sig;
        for (size_t k = rows.start[i]; k < rows.start[i + 1]; ++k) grad[rows.feature[k]] += g * rows.value[k];
    }
    for (size_t j = 0; j < w.size(); ++j) {
        f += 0.5 * l2[j] * w[j] * w[j];
        grad[j] += l2[j] * w[j];
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
std::vector<double> Minimise(const Rows& rows, size_t nFeatures, const std::vector<double>& l2, int iterations,
                             double temperature = 0.0, const std::vector<double>* start = nullptr,
                             double hinge = 0.0) {
    const int kPairs = 10;
    std::vector<double> w(nFeatures, 0.0), g(nFeatures), wNew(nFeatures), gNew(nFeatures), d(nFeatures);
    if (start) w = *start;
    std::vector<std::vector<double>> s, y;
    std::vector<double> rho;
    double f = Loss(rows, w, l2, g, temperature, hinge);
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
            fNew = Loss(rows, wNew, l2, gNew, temperature, hinge);
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

// For each entry, the share of its occurrences in the text of the reviews outside `skipCat` that
// begin and end on token boundaries, or of its occurrences in the news paragraphs that are one
// token, as the engine cut them without any lexicon; 1 for an entry that never occurs. The engine
// cuts a dictionary word first, wherever it occurs, so an entry that mostly sits inside longer
// words (比 in 比较, 安 in 安装) or across two (a surname before its given name) would split them,
// and in ordinary text a phrase (就是, 的生活) would merge words that stand apart there.
std::vector<double> BoundaryShares(const Corpus& corpus, int skipCat, bool news, const std::vector<std::string>& entries,
                                   std::vector<long>* misaligned = nullptr) {
    Index ix;
    for (size_t f = 0; f < entries.size(); ++f) ix.Add(entries[f], int(f));
    std::vector<long> total(entries.size(), 0), aligned(entries.size(), 0);
    std::string text, key;
    std::vector<char> boundary;
    auto Scan = [&] {
        for (size_t p = 0; p < text.size();) {
            key.clear();
            size_t q = p, first = 0;
            bool crossed = false;  // a token boundary inside the occurrence
            while (q < text.size()) {
                if (q > p && boundary[q]) crossed = true;
                size_t len = 1;
                const unsigned char b = static_cast<unsigned char>(text[q]);
                if (b >= 0xF0) len = 4;
                else if (b >= 0xE0) len = 3;
                else if (b >= 0xC0) len = 2;
                len = std::min(len, text.size() - q);
                key.append(text, q, len);
                q += len;
                if (!first) first = q;
                auto it = ix.map.find(key);
                if (it == ix.map.end()) break;
                if (it->second >= 0) {
                    ++total[it->second];
                    aligned[it->second] += boundary[p] && boundary[q] && !(news && crossed);
                }
            }
            p = first;
        }
        text.clear();
        boundary.assign(1, 1);
    };
    auto Walk = [&](const std::vector<int>& words) {
        boundary.assign(1, 1);
        for (int w : words) {
            if (w < 0) {  // a bracketed unit: no entry spans it
                Scan();
                continue;
            }
            text += corpus.words[w];
            boundary.resize(text.size() + 1, 0);
            boundary[text.size()] = 1;
        }
        Scan();
    };
    if (news) {
        for (const std::vector<int>& paragraph : corpus.news) Walk(paragraph);
    } else {
        for (const Review& r : corpus.reviews)
            if (r.cat != skipCat) Walk(r.words);
    }
    std::vector<double> share(entries.size(), 1.0);
    if (misaligned) misaligned->assign(entries.size(), 0);
    for (size_t f = 0; f < entries.size(); ++f) {
        if (total[f]) share[f] = double(aligned[f]) / total[f];
        if (misaligned) (*misaligned)[f] = total[f] - aligned[f];
    }
    return share;
}

// A tag the engine gives names, numbers, quantities, times, pronouns, prepositions,
// conjunctions, auxiliaries and particles (morphemes of these included): words of those classes
// carry no opinion of their own.
bool ClosedTag(const std::string& tag) {
    if (tag.empty()) return false;
    if (tag.compare(0, 2, "nr") == 0 || tag.compare(0, 2, "ns") == 0 || tag.compare(0, 2, "nt") == 0) return true;
    return std::string("mqtrpcuy").find(tag[0]) != std::string::npos;
}

// A tag of place and locality words (s, f: 附近, 前面), which place things and judge nothing.
bool PlaceTag(const std::string& tag) { return tag == "s" || tag == "f"; }

// A common-noun tag: the nouns a category's topic is made of.
bool NounTag(const std::string& tag) { return tag == "n" || tag == "ng" || tag == "nz" || tag == "vn"; }

// An adverb tag (d, dg): degree, negation, time and manner adverbs, which lean on the word after.
bool AdverbTag(const std::string& tag) { return tag == "d" || tag == "dg"; }

// An adjective's tag (a, ad, an, ag) or an idiom's (i, l): words of these classes judge by themselves.
bool OpinionClassTag(const std::string& tag) {
    return tag == "a" || tag == "ad" || tag == "an" || tag == "ag" || tag == "i" || tag == "l";
}

// The tags of the words a reader negates with 不: adjectives and verbs (不满意, 不推荐).
bool NegatableTag(const std::string& tag) {
    return tag == "a" || tag == "ad" || tag == "an" || tag == "ag" || tag == "v" || tag == "vd" || tag == "vn";
}

// A tag of names: persons, places, organisations and other proper nouns (brands, shops).
bool NameTag(const std::string& tag) {
    return tag.compare(0, 2, "nr") == 0 || tag.compare(0, 2, "ns") == 0 || tag.compare(0, 2, "nt") == 0 || tag == "nz";
}

// Whether a word begins with a negation (不, 没, 未, 别, 非) or with 有: 不 before it is no Chinese
// (不没用, 不有效). 无 leads words that 不 negates well (不无聊).
bool NegatedOrHaving(const std::string& word) {
    for (const char* c : {"不", "没", "未", "别", "非", "有"})
        if (word.compare(0, std::strlen(c), c) == 0) return true;
    return false;
}

// Whether a word is one character said twice (谢谢, 看看): 不 before it is no Chinese.
bool Reduplicated(const std::string& word) {
    const size_t half = word.size() / 2;
    return half > 0 && word.size() % 2 == 0 && word.compare(0, half, word, half, half) == 0;
}

// The tag the engine gives a word: that of most of its review tokens, else the one it gives the
// word standing alone; "" when neither is known.
std::string WordTag(const Corpus& corpus, const std::string& word) {
    auto id = corpus.ids.find(word);
    if (id != corpus.ids.end() && size_t(id->second) < corpus.reviewTag.size() && !corpus.reviewTag[id->second].empty())
        return corpus.reviewTag[id->second];
    auto alone = corpus.aloneTag.find(word);
    return alone == corpus.aloneTag.end() ? "" : alone->second;
}

// The end offsets of the tokens of an engine result in its text (each token's text is what
// stands before its last "/", or the whole token without one); false, `ends` empty, when they do
// not add up to the text's length (white space and bracketed units drop out of the result).
bool TokenEnds(const std::string& tagged, size_t textLength, std::vector<int>& ends) {
    ends.clear();
    size_t at = 0;
    for (const std::string& token : SplitAt(tagged, ' ')) {
        const size_t slash = token.rfind('/');
        at += slash == std::string::npos ? token.size() : slash;
        ends.push_back(int(at));
    }
    if (at != textLength) ends.clear();
    return !ends.empty();
}

// Appends the ids of the tokens of an engine result ("word/tag" separated by blanks;
// kClauseUnit for clause punctuation, -1 for any other token) to `out`, adding new words to the
// corpus; with `news`, counts each word's tokens and those with a closed tag. `tags`, when given,
// counts each word's tokens by tag (by word id).
void AddTokens(const std::string& tagged, Corpus& corpus, std::vector<int>& out, bool news = false,
               std::vector<std::map<std::string, long>>* tags = nullptr) {
    for (const std::string& token : SplitAt(tagged, ' ')) {
        if (IsClauseMark(token, SentiEncoding::UTF8)) {
            out.push_back(kClauseUnit);
            continue;
        }
        const std::vector<std::string> parts = SplitAt(token, '/');
        if (parts.size() != 2) {
            out.push_back(-1);
            continue;
        }
        std::string word = parts[0];
        FoldAscii(word);
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
        out.push_back(id);
        std::vector<long>& count = news ? corpus.newsCount : corpus.reviewCount;
        std::vector<long>& some = news ? corpus.newsClosed : corpus.reviewNoun;
        count.resize(corpus.words.size(), 0);
        some.resize(corpus.words.size(), 0);
        ++count[id];
        some[id] += news ? ClosedTag(parts[1]) : NounTag(parts[1]);
        if (tags) {
            tags->resize(corpus.words.size());
            ++(*tags)[id][parts[1]];
        }
        if (!news) {
            corpus.reviewAdverb.resize(corpus.words.size(), 0);
            corpus.reviewAdverb[id] += AdverbTag(parts[1]);
        } else {
            corpus.newsPlace.resize(corpus.words.size(), 0);
            corpus.newsPlace[id] += PlaceTag(parts[1]);
        }
    }
}

}  // namespace

namespace {

// Hands each line of an xz-compressed file, without its line end, to `onLine`, in file order.
// False when the file cannot be read to its end.
bool ReadXzLines(const std::string& xzPath, const std::function<void(const std::string&)>& onLine) {
    const std::string cmd = "xz -dc '" + xzPath + "' 2>/dev/null";
    FILE* in = popen(cmd.c_str(), "r");
    if (!in) return false;
    std::string line;
    char buf[65536];
    auto Flush = [&] {
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
        onLine(line);
        line.clear();
    };
    while (std::fgets(buf, sizeof buf, in)) {
        line += buf;
        if (line.back() == '\n') Flush();
    }
    if (!line.empty()) Flush();
    return pclose(in) == 0;
}

// A line of the tagged news corpus ("19980101-01-001-001/m  word/tag ...", bracketed compounds
// "[a/n b/n]nt"): its day (characters 6 and 7 of the id, 0 for a line without one); `text`
// receives the paragraph's text (GBK: the words without tags or brackets) for a day from
// `firstDay` to `lastDay`.
int NewsLine(const std::string& line, int firstDay, int lastDay, std::string& text) {
    const int day = line.size() > 8 ? std::atoi(line.substr(6, 2).c_str()) : 0;
    text.clear();
    if (day < firstDay || day > lastDay) return day;
    const std::vector<std::string> tokens = SplitAt(line, ' ');
    for (size_t t = 1; t < tokens.size(); ++t) {
        std::string tok = tokens[t];
        if (!tok.empty() && tok[0] == '[') tok.erase(0, 1);
        const size_t slash = tok.rfind('/');
        if (slash != std::string::npos && slash > 0) text += tok.substr(0, slash);
    }
    return day;
}

}  // namespace

bool LoadCorpus(const std::string& xzPath, Corpus& corpus, std::string& error) {
    std::vector<std::string> texts;
    std::map<std::string, int> cats;
    bool header = true;
    const bool read = ReadXzLines(xzPath, [&](const std::string& row) {
        if (header) {
            header = false;
            return;
        }
        const size_t c1 = row.find(','), c2 = c1 == std::string::npos ? c1 : row.find(',', c1 + 1);
        if (c2 == std::string::npos) return;
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
    });
    if (!read || corpus.reviews.empty()) {
        error = "no review read from " + xzPath;
        return false;
    }

    // The cut, one review after the other: the engine learns person names into the shared user
    // dictionary as it goes, so only a fixed order gives the same cut on every run.
    std::vector<std::string> tagged(texts.size());
    for (size_t i = 0; i < texts.size(); ++i) tagged[i] = KOVEX_ParagraphProcessStr(texts[i].c_str(), 1);

    std::vector<std::map<std::string, long>> tags;
    for (size_t i = 0; i < tagged.size(); ++i) AddTokens(tagged[i], corpus, corpus.reviews[i].words, false, &tags);
    corpus.reviewTag.assign(corpus.words.size(), "");
    for (size_t id = 0; id < tags.size(); ++id) {
        long most = 0;
        for (const auto& t : tags[id])
            if (t.second > most) {
                most = t.second;
                corpus.reviewTag[id] = t.first;
            }
    }
    corpus.texts.swap(texts);
    return true;
}

bool LoadLists(Params& params, std::string& error) {
    return (params.wordsPath.empty() || LoadWordList(params.wordsPath, params.listed, error)) &&
           (params.notAlonePath.empty() || LoadWordSet(params.notAlonePath, params.notAlone, error));
}

bool LoadCorpora(const std::string& reviewsXz, const std::string& newsXz, const Params& params, Corpus& corpus,
                 std::string& error) {
    if (!LoadCorpus(reviewsXz, corpus, error) || (!newsXz.empty() && !LoadNews(newsXz, kNewsLastDay, corpus, error)))
        return false;
    std::vector<std::string> listed;
    for (const auto& e : params.listed) listed.push_back(e.first);
    TagAlone(listed, corpus);
    return true;
}

void TagAlone(const std::vector<std::string>& words, Corpus& corpus) {
    auto OneCharacter = [](const std::string& w) {
        return !w.empty() && w.size() == (static_cast<unsigned char>(w[0]) >= 0xE0 ? 3u : static_cast<unsigned char>(w[0]) >= 0xC0 ? 2u : 1u);
    };
    for (const std::string& word : words) {
        std::vector<std::pair<std::string, std::string>> cut;  // word, tag
        for (const std::string& token : SplitAt(KOVEX_ParagraphProcessStr(word.c_str(), 1), ' ')) {
            std::vector<std::string> parts = SplitAt(token, '/');
            if (parts.size() != 2) {
                cut.clear();
                break;
            }
            FoldAscii(parts[0]);
            cut.emplace_back(parts[0], parts[1]);
        }
        std::string folded = word;
        FoldAscii(folded);
        if (cut.size() == 1 && cut[0].first == folded) {
            corpus.aloneTag[folded] = cut[0].second;
        } else if (cut.size() == 2 && cut[0].first + cut[1].first == folded && OneCharacter(cut[0].first) &&
                   OneCharacter(cut[1].first) && !ClosedTag(cut[1].second) &&
                   (cut[0].second == "v" || cut[0].second == "vd" || cut[0].second == "ad") &&
                   !NegatedOrHaving(cut[0].first) && cut[0].first != "无") {
            // Two characters the engine does not know as one word and cuts apart, a verb with its
            // object or complement (扎 人, 靠 谱, 掉 漆) or 难 before a verb (难 喝): one word of the
            // first one's tag.
            corpus.aloneTag[folded] = cut[0].second;
        }
    }
}

bool LoadNews(const std::string& xzPath, int lastDay, Corpus& corpus, std::string& error) {
    std::string text, utf8;
    const size_t before = corpus.news.size();
    const bool read = ReadXzLines(xzPath, [&](const std::string& line) {
        NewsLine(line, 1, lastDay, text);
        if (text.empty() || ANSIToUTF8(text.c_str(), utf8) <= 0 || utf8.empty()) return;
        corpus.news.emplace_back();
        const std::string tagged = KOVEX_ParagraphProcessStr(utf8.c_str(), 1);
        AddTokens(tagged, corpus, corpus.news.back(), true);
        corpus.newsTexts.push_back(utf8);
        corpus.newsEnds.emplace_back();
        TokenEnds(tagged, utf8.size(), corpus.newsEnds.back());
    });
    if (!read || corpus.news.size() == before) {
        error = "no paragraph of days 1-" + std::to_string(lastDay) + " read from " + xzPath;
        return false;
    }
    return true;
}

bool NewsSentences(const std::string& xzPath, int day, size_t minChars, std::vector<NewsSentence>& out,
                   std::string& error) {
    out.clear();
    std::string text, piece, utf8;
    const bool read = ReadXzLines(xzPath, [&](const std::string& line) {
        NewsLine(line, day, day, text);
        if (text.empty()) return;
        const std::string paragraph = line.substr(0, line.find('/'));
        size_t chars = 0;
        auto Close = [&] {
            if (chars >= minChars && ANSIToUTF8(piece.c_str(), utf8) > 0 && !utf8.empty()) out.push_back({paragraph, utf8});
            piece.clear();
            chars = 0;
        };
        for (size_t i = 0; i < text.size();) {
            const size_t len = static_cast<unsigned char>(text[i]) >= 0x80 && i + 1 < text.size() ? 2 : 1;
            const std::string c = text.substr(i, len);
            i += len;
            if (c == "\xA1\xA3" || c == "\xA3\xA1" || c == "\xA3\xBF") {  // 。 ！ ？
                Close();
                continue;
            }
            piece += c;
            ++chars;
        }
        Close();
    });
    if (!read || out.empty()) {
        error = "no sentence of day " + std::to_string(day) + " read from " + xzPath;
        return false;
    }
    return true;
}

bool ReadListLines(const std::string& path, std::string& error,
                   const std::function<bool(const std::string&, int)>& onLine) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read " + path;
        return false;
    }
    std::string line;
    for (int n = 1; std::getline(in, line); ++n) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        if (!onLine(line, n)) return false;
    }
    return true;
}

bool LoadWordList(const std::string& path, std::vector<std::pair<std::string, int>>& out, std::string& error) {
    out.clear();
    return ReadListLines(path, error, [&](const std::string& line, int n) {
        const size_t space = line.find(' ');
        const std::string sign = space == std::string::npos ? "" : line.substr(space + 1);
        if (space == 0 || (sign != "+" && sign != "-")) {
            error = path + ":" + std::to_string(n) + ": not `word +` or `word -`";
            return false;
        }
        out.emplace_back(line.substr(0, space), sign == "+" ? 1 : -1);
        return true;
    });
}

bool LoadWordSet(const std::string& path, std::vector<std::string>& out, std::string& error) {
    out.clear();
    return ReadListLines(path, error, [&](const std::string& line, int) {
        const std::vector<std::string> tokens = SplitAt(line, ' ');
        const std::string word = tokens.empty() ? "" : tokens[0].substr(0, tokens[0].find('\t'));
        if (!word.empty() && word[0] != '#') out.push_back(word);
        return true;
    });
}

bool ParseOverride(int argc, char** argv, int& i, Params& params) {
    if (i + 1 >= argc) return false;
    const std::string a = argv[i], v = argv[i + 1];
    if (a == "--min") params.minCount = std::atoi(v.c_str());
    else if (a == "--l2") params.l2 = std::atof(v.c_str());
    else if (a == "--balance") params.balanceLabels = std::atoi(v.c_str()) != 0;
    else if (a == "--clip") params.clip = std::atof(v.c_str());
    else if (a == "--phrases") params.phraseMinCount = std::atoi(v.c_str());
    else if (a == "--gap") params.phraseGap = std::atof(v.c_str());
    else if (a == "--topic") params.topicPenalty = std::atof(v.c_str());
    else if (a == "--minweight") params.minWeight = std::atof(v.c_str());
    else if (a == "--boundary") params.minBoundary = std::atof(v.c_str());
    else if (a == "--newssplits") params.maxNewsSplits = std::atol(v.c_str());
    else if (a == "--splitweight") params.splitWeight = std::atof(v.c_str());
    else if (a == "--bagging") params.bagging = std::atoi(v.c_str()) != 0;
    else if (a == "--shift") params.shift = std::atoi(v.c_str()) != 0;
    else if (a == "--negscale") params.negativeScale = std::atoi(v.c_str()) != 0;
    else if (a == "--temperature") params.temperature = std::atof(v.c_str());
    else if (a == "--catpower") params.categoryPower = std::atof(v.c_str());
    else if (a == "--copies") params.categoryCopies = std::atof(v.c_str());
    else if (a == "--lengthpower") params.lengthPower = std::atof(v.c_str());
    else if (a == "--stability") params.stabilityShrink = std::atof(v.c_str());
    else if (a == "--refine") params.refineIterations = std::atoi(v.c_str());
    else if (a == "--closed") params.closedShare = std::atof(v.c_str());
    else if (a == "--topiccats") params.topicCategories = std::atoi(v.c_str());
    else if (a == "--topicuse") params.topicUse = std::atoi(v.c_str());
    else if (a == "--topicall") params.topicAll = std::atoi(v.c_str()) != 0;
    else if (a == "--topicmargin") params.topicMargin = std::atof(v.c_str());
    else if (a == "--keyness") params.newsKeyness = std::atof(v.c_str());
    else if (a == "--damage") params.maxDamage = std::atol(v.c_str());
    else if (a == "--damagevalue") params.damageValue = std::atof(v.c_str());
    else if (a == "--damagebudget") params.damageBudget = std::atol(v.c_str());
    else if (a == "--phraseedges") params.phraseEdges = std::atoi(v.c_str());
    else if (a == "--negated") params.negatedMinCount = std::atoi(v.c_str());
    else if (a == "--negatewords") params.negateWords = std::atoi(v.c_str()) != 0;
    else if (a == "--places") params.closedPlaces = std::atoi(v.c_str()) != 0;
    else if (a == "--leads") params.negatedLeads = SplitAt(v, ',');
    else if (a == "--finalmin") params.finalMinWeight = std::atof(v.c_str());
    else if (a == "--words") params.wordsPath = v;
    else if (a == "--listonly") params.listOnly = std::atoi(v.c_str());
    else if (a == "--listsplits") params.listSplits = std::atoi(v.c_str()) != 0;
    else if (a == "--corpusmin") params.corpusMinWeight = std::atof(v.c_str());
    else if (a == "--listkeyness") params.listKeyness = std::atoi(v.c_str()) != 0;
    else if (a == "--wordclasses") params.wordClasses = std::atoi(v.c_str()) != 0;
    else if (a == "--notalone") params.notAlonePath = v;
    else if (a == "--phraseopinion") params.phraseOpinion = std::atoi(v.c_str()) != 0;
    else if (a == "--pairclasses") params.pairClasses = std::atoi(v.c_str()) != 0;
    else if (a == "--hinge" || a == "--reviewpower") {
        std::vector<double>& list = a == "--hinge" ? params.hingeShares : params.reviewPowers;
        list.clear();
        for (const std::string& x : SplitAt(v, ',')) list.push_back(std::atof(x.c_str()));
        if (list.empty()) list.push_back(0.0);
    }
    else if (a == "--negations") {
        params.negations = SplitAt(v, ',');
    } else {
        return false;
    }
    ++i;
    return true;
}

// The fits were chosen by the mean leave-one-category-out accuracy (sentilex --search and single
// overrides; data/README.md lists the figures): a logistic regression without bias on the
// scorer's own features, each category weighing the square root of its size, L2 raised for words
// that concentrate in one category; phrases whose log-odds part from their words' sum; each
// averaged fit the mean of nine (the logistic loss mixed with 0, 0.35 and 0.7 of the squared
// hinge, reviews weighing their weighted units to the power 0, -0.25 and -0.5); and a nested
// shift. On them sit the rules that make the lexicon an opinion lexicon: no degree word, symbol
// or closed-class word (names, numbers, quantities, times, places and localities, pronouns,
// prepositions, conjunctions, auxiliaries, particles, by the engine's tags in the news); a noun
// only where at least three categories use it and its polarity holds with log-odds of 1 or more
// in most of them, any other entry where its polarity holds in most categories that use it; no
// word that the news uses more than 1 / 0.35 times as often as the reviews; no weight under
// 0.1; 不 and 太 before an opinion word as phrases of their own (不 满意, 太 贵) and 不 before every
// word entry with its weight negated, since 不 alone, cut first, would make the engine cut
// 不能 and 不是 in ordinary text (0.003 of day-27 F1 by itself); and the entries that change the
// engine's cut of the news for least value leave until 1,500 stretches of days 1-26 are changed.
// The negation words were chosen by the same mean, each measured with the clause scope; 不是,
// 并非, 不算, 算不上, 谈不上 and 不再 keep it and read their own constructions right. With a list
// of opinion words (`listed`, read by the caller): listed words free of the keyness and
// news-split rules, the corpus's own words and phrases needing 0.4 in the first fit, no phrase
// closed by an adverb or a degree word or led or closed by a closed-class word. Every entry an
// opinion: a word of the corpus only as an adjective or idiom and not of the list of words
// without opinion of their own (`notAlone`, read by the caller), a phrase only with an opinion
// word of its sign and without a name, 不 pairs only for adjectives, verbs and words the reviews
// write after 不.
Params DefaultParams() {
    Params p;
    p.hingeShares = {0.0, 0.35, 0.7};
    p.reviewPowers = {0.0, -0.25, -0.5};
    p.minBoundary = 0.3;
    p.minWeight = 0.1;
    p.finalMinWeight = 0.1;
    p.maxNewsSplits = 30;
    p.splitWeight = 0.6;
    p.negations = {"没",   "没有", "无",   "毫无", "未",     "别",     "并不", "不太", "从不",
                   "绝不", "不怎么", "不会", "不是", "并非", "不算", "算不上", "谈不上", "不再"};
    p.phraseMinCount = 10;
    p.phraseGap = 1.0;
    p.topicPenalty = 2.0;
    p.bagging = true;
    p.shift = true;
    p.balanceLabels = false;
    p.categoryPower = 0.5;
    p.closedShare = 0.5;
    p.closedPlaces = true;
    p.topicCategories = 3;
    p.topicUse = 3;
    p.topicAll = true;
    p.topicMargin = 1.0;
    p.newsKeyness = 0.35;
    p.negatedMinCount = 3;
    p.negatedLeads = {"不", "太"};
    p.negateWords = true;
    p.damageBudget = 1500;
    p.listKeyness = false;
    p.listSplits = true;
    p.corpusMinWeight = 0.4;
    p.phraseEdges = 2;
    p.wordClasses = true;
    p.phraseOpinion = true;
    p.pairClasses = true;
    return p;
}

namespace {

// By word of `words`: the reviews whose category is not `skipCat` that hold `lead` as a token
// right before tokens spelling the word (its last token ending there); words no review holds so
// are left out.
std::map<std::string, int> ReviewsAfter(const Corpus& corpus, int skipCat, const std::string& lead,
                                        const std::set<std::string>& words) {
    std::map<std::string, int> held;
    auto leadId = corpus.ids.find(lead);
    if (leadId == corpus.ids.end() || words.empty()) return held;
    size_t longest = 0;
    for (const std::string& w : words) longest = std::max(longest, w.size());
    std::set<std::string> seen;
    for (const Review& r : corpus.reviews) {
        if (r.cat == skipCat) continue;
        seen.clear();
        for (size_t i = 0; i + 1 < r.words.size(); ++i) {
            if (r.words[i] != leadId->second) continue;
            std::string span;
            for (size_t j = i + 1; j < r.words.size() && r.words[j] >= 0 && span.size() < longest; ++j) {
                span += corpus.words[r.words[j]];
                if (words.count(span)) seen.insert(span);
            }
        }
        for (const std::string& w : seen) ++held[w];
    }
    return held;
}

// The weights of `entries` (sorted UTF-8 candidates) learnt on the reviews whose category is
// neither `skipCat` nor `skipCat2`, with `negations` pending-negation words; l2 by entry. The
// averaged fits (`refine`) use the squared-hinge share `hinge` of the loss and weigh each review
// by its weighted units to the power `reviewPower` (each category keeping its total weight).
std::vector<double> Fit(const Corpus& corpus, int skipCat, int skipCat2, const Params& params,
                        const std::vector<std::string>& entries, const std::vector<double>& l2,
                        const std::vector<std::string>& negations, bool refine = false, double hinge = 0.0,
                        double reviewPower = 0.0) {
    const int nCats = int(corpus.catNames.size());
    const std::unordered_map<std::string, int> index = EntryIndex(entries, negations);
    std::vector<std::vector<int>> n(nCats, std::vector<int>(2, 0));
    for (const Review& r : corpus.reviews)
        if (r.cat != skipCat && r.cat != skipCat2) ++n[r.cat][r.positive];
    int nTrainCats = 0;
    for (int c = 0; c < nCats; ++c)
        if (n[c][0] + n[c][1] > 0) ++nTrainCats;
    // Each category weighs its size to the power `categoryPower`, the weights summing to the
    // number of training categories.
    std::vector<double> catWeight(nCats, 1.0);
    if (params.categoryPower != 0.0) {
        double sum = 0.0;
        for (int c = 0; c < nCats; ++c)
            if (n[c][0] + n[c][1] > 0) sum += catWeight[c] = std::pow(double(n[c][0] + n[c][1]), params.categoryPower);
        for (double& v : catWeight) v *= nTrainCats / sum;
    }
    const bool copies = params.categoryCopies > 0.0;
    Rows rows;
    rows.start.push_back(0);
    std::map<int, double> scratch;
    std::vector<int> units;
    for (const Review& r : corpus.reviews) {
        if (r.cat == skipCat || r.cat == skipCat2) continue;
        double weight;
        if (params.balanceLabels)
            weight = 1.0 / (double(nTrainCats) * (n[r.cat][0] && n[r.cat][1] ? 2.0 : 1.0) * n[r.cat][r.positive]);
        else
            weight = 1.0 / (double(nTrainCats) * (n[r.cat][0] + n[r.cat][1]));
        weight *= catWeight[r.cat];
        Units(corpus, r, index, units);
        for (int& u : units)
            if (u == int(entries.size())) u = -1;
        if (refine && reviewPower != 0.0) {
            double nUnits = 0.0;
            for (int u : units) nUnits += u >= 0;
            weight *= std::pow(std::max(1.0, nUnits), reviewPower);
        }
        AddRow(units, r.positive, weight, rows, scratch, copies ? int((1 + r.cat) * entries.size()) : -1,
               refine ? params.lengthPower : 0.0);
    }
    if (refine && reviewPower != 0.0) {
        // Back to each category's total weight before the review weights.
        std::vector<double> total(nCats, 0.0);
        size_t i = 0;
        for (const Review& r : corpus.reviews)
            if (r.cat != skipCat && r.cat != skipCat2) total[r.cat] += rows.weight[i++];
        i = 0;
        for (const Review& r : corpus.reviews)
            if (r.cat != skipCat && r.cat != skipCat2) rows.weight[i++] *= catWeight[r.cat] / (nTrainCats * total[r.cat]);
    }
    const size_t nFeatures = copies ? (1 + nCats) * entries.size() : entries.size();
    std::vector<double> l2All = l2;
    if (copies)
        for (int c = 0; c < nCats; ++c)
            for (double v : l2) l2All.push_back(v * params.categoryCopies);
    std::vector<double> w = Minimise(rows, nFeatures, l2All, params.iterations, 0.0, nullptr, refine ? hinge : 0.0);
    if (refine && params.temperature > 0.0)
        w = Minimise(rows, nFeatures, l2All, params.refineIterations, params.temperature, &w);
    w.resize(entries.size());
    return w;
}

// By entry: whether it fails the tests of an opinion word that need the entries and the weights
// `w` of a first fit: the topic test (topicCategories > 0) and the news background
// (newsKeyness > 0: per token, an entry must be that many times as frequent in the training
// reviews as in the news, both as the engine would tag it). `parts` are each entry's word ids
// (one for a word, the words of a phrase, none for a listed word the reviews do not cut). A listed
// word (`listed`) is held to the news background only with `listKeyness`, never to the topic test.
std::vector<char> NotOpinion(const Corpus& corpus, int skipCat, const Params& params, const std::vector<std::string>& entries,
                             const std::vector<double>& w, const std::vector<std::vector<int>>& parts,
                             const std::vector<std::string>& negations, const std::map<std::string, int>& listed) {
    const int nCats = int(corpus.catNames.size());
    const std::unordered_map<std::string, int> index = EntryIndex(entries, negations);
    // Reviews holding each entry (as the engine tags it), by category and label; its units in the
    // reviews and in the news, and the tokens of both.
    std::vector<std::vector<std::array<int, 2>>> held(entries.size(), std::vector<std::array<int, 2>>(nCats, {0, 0}));
    std::vector<std::array<int, 2>> reviews(nCats, {0, 0});
    std::vector<long> inReviews(entries.size(), 0), inNews(entries.size(), 0);
    long reviewTokens = 0, newsTokens = 0;
    std::vector<int> units;
    for (const Review& r : corpus.reviews) {
        if (r.cat == skipCat) continue;
        ++reviews[r.cat][r.positive];
        reviewTokens += long(r.words.size());
        Units(corpus, r, index, units);
        for (int u : units)
            if (u >= 0 && size_t(u) < entries.size()) ++inReviews[u];
        std::sort(units.begin(), units.end());
        units.erase(std::unique(units.begin(), units.end()), units.end());
        for (int u : units)
            if (u >= 0 && size_t(u) < entries.size()) ++held[u][r.cat][r.positive];
    }
    if (params.newsKeyness > 0.0) {
        Review paragraph;
        for (const std::vector<int>& words : corpus.news) {
            paragraph.words = words;
            newsTokens += long(words.size());
            Units(corpus, paragraph, index, units);
            for (int u : units)
                if (u >= 0 && size_t(u) < entries.size()) ++inNews[u];
        }
    }
    auto Noun = [&](int id) {
        return size_t(id) < corpus.reviewCount.size() && 2 * corpus.reviewNoun[id] > corpus.reviewCount[id];
    };
    std::vector<char> off(entries.size(), 0);
    for (size_t f = 0; f < entries.size(); ++f) {
        if (params.newsKeyness > 0.0 && newsTokens > 0 &&
            (inReviews[f] + 0.5) / reviewTokens < params.newsKeyness * (inNews[f] + 0.5) / newsTokens) {
            off[f] = !listed.count(entries[f]) || params.listKeyness;
            continue;
        }
        if (params.topicCategories <= 0 || listed.count(entries[f])) continue;
        bool topic = false;
        for (int id : parts[f]) topic = topic || Noun(id);
        // Any other entry, with `topicAll`, is held to the polarity test alone.
        if (!topic && !params.topicAll) continue;
        int used = 0, agree = 0;
        for (int c = 0; c < nCats; ++c) {
            const int pos = held[f][c][1], neg = held[f][c][0];
            if (pos + neg < params.topicUse || !reviews[c][0] || !reviews[c][1]) continue;
            ++used;
            const double logOdds = std::log((pos + 0.5) / (reviews[c][1] + 1.0)) - std::log((neg + 0.5) / (reviews[c][0] + 1.0));
            agree += (logOdds > 0.0) == (w[f] > 0.0) && (!topic || std::fabs(logOdds) >= params.topicMargin);
        }
        off[f] = used < (topic ? params.topicCategories : 1) || 2 * agree <= used;
    }
    return off;
}

}  // namespace

Lexicon Derive(const Corpus& corpus, int skipCat, const Params& params, std::map<std::string, std::string>* dropped) {
    const size_t nWords = corpus.words.size();
    const int nCats = int(corpus.catNames.size());
    Lexicon lex;
    // The first rule that leaves a candidate out is the one reported.
    auto Drop = [&](const std::string& entry, const char* rule) {
        if (dropped) dropped->emplace(entry, rule);
    };
    const std::set<std::string> notAlone(params.notAlone.begin(), params.notAlone.end());
    std::vector<char> negById(nWords, 0);
    // A negation word need not be a word of the cut: installed, it is cut first all the same.
    for (const std::string& n : params.negations) {
        const std::string gbk = Gbk(n);
        if (gbk.size() < 2 || gbk.find_first_of("? \t\r\n\v\f/[]") != std::string::npos) continue;
        auto it = corpus.ids.find(n);
        if (it != corpus.ids.end()) negById[it->second] = 1;
        lex.negations.push_back(n);
    }
    std::sort(lex.negations.begin(), lex.negations.end());
    // The listed opinion words by text (none that is a negation word or has no GBK form).
    std::map<std::string, int> listed;
    for (const auto& e : params.listed)
        if (Gbk(e.first).size() >= 2 && std::find(lex.negations.begin(), lex.negations.end(), e.first) == lex.negations.end())
            listed.emplace(e.first, e.second);

    // Reviews holding each word (and phrase), overall and by category, and the reviews of each
    // category.
    std::vector<int> df(nWords, 0);
    std::vector<std::vector<int>> dfCat(nCats, std::vector<int>(nWords, 0));
    struct PhraseStat {
        int df = 0;
        double pos = 0.0, neg = 0.0;  // shares of the positive / negative reviews, summed over categories
        std::vector<int> parts;
    };
    std::unordered_map<std::string, PhraseStat> phraseStats;
    std::vector<int> nCat(nCats, 0);
    std::vector<std::vector<int>> nLabel(nCats, std::vector<int>(2, 0));
    for (const Review& r : corpus.reviews)
        if (r.cat != skipCat) ++nLabel[r.cat][r.positive];
    int nTrainCats = 0;
    for (int c = 0; c < nCats; ++c)
        if (nLabel[c][0] && nLabel[c][1]) ++nTrainCats;
    std::vector<std::pair<std::string, std::vector<int>>> phraseParts;
    std::vector<int> seen;
    auto Usable = [&](int id) { return id >= 0 && corpus.gbk[id].size() >= 2; };
    // A word the engine tags as closed-class in most of its news tokens.
    const bool opinionRules = params.closedShare >= 0.0;
    auto Closed = [&](int id) {
        if (!opinionRules || size_t(id) >= corpus.newsCount.size() || corpus.newsCount[id] == 0) return false;
        const long closed = corpus.newsClosed[id] + (params.closedPlaces ? corpus.newsPlace[id] : 0);
        return closed > params.closedShare * corpus.newsCount[id];
    };
    auto Adverb = [&](int id) {
        return size_t(id) < corpus.reviewAdverb.size() && 2 * corpus.reviewAdverb[id] > corpus.reviewCount[id];
    };
    for (const Review& r : corpus.reviews) {
        if (r.cat == skipCat) continue;
        ++nCat[r.cat];
        seen.clear();
        for (int w : r.words)
            if (w >= 0) seen.push_back(w);
        std::sort(seen.begin(), seen.end());
        seen.erase(std::unique(seen.begin(), seen.end()), seen.end());
        for (int w : seen) {
            ++df[w];
            ++dfCat[r.cat][w];
        }
        if (params.phraseMinCount > 0 && nLabel[r.cat][0] && nLabel[r.cat][1]) {
            phraseParts.clear();
            for (size_t i = 0; i + 1 < r.words.size(); ++i) {
                if (!Usable(r.words[i]) || !Usable(r.words[i + 1])) continue;
                std::string p = corpus.words[r.words[i]] + corpus.words[r.words[i + 1]];
                if (i + 2 < r.words.size() && Usable(r.words[i + 2]))
                    phraseParts.emplace_back(p + corpus.words[r.words[i + 2]],
                                             std::vector<int>{r.words[i], r.words[i + 1], r.words[i + 2]});
                phraseParts.emplace_back(std::move(p), std::vector<int>{r.words[i], r.words[i + 1]});
            }
            std::sort(phraseParts.begin(), phraseParts.end());
            phraseParts.erase(std::unique(phraseParts.begin(), phraseParts.end(),
                                          [](const auto& a, const auto& b) { return a.first == b.first; }),
                              phraseParts.end());
            const double share = 1.0 / nLabel[r.cat][r.positive];
            for (auto& p : phraseParts) {
                PhraseStat& st = phraseStats[p.first];
                if (st.parts.empty()) st.parts = p.second;
                ++st.df;
                (r.positive ? st.pos : st.neg) += share;
            }
        }
    }

    // The candidates, sorted so that the feature order is fixed, with their L2 strength: stronger
    // for a word whose reviews concentrate in one category (a topic word there).
    std::map<std::string, double> candidates;
    for (size_t w = 0; w < nWords; ++w) {
        if (df[w] < params.minCount || negById[w] || !Usable(int(w))) continue;
        const std::string& word = corpus.words[w];
        const bool isListed = listed.count(word) > 0;
        if (params.listOnly && !isListed) continue;
        if (opinionRules && Closed(int(w))) {
            Drop(word, "closed");
            continue;
        }
        if (opinionRules && !isListed && (SymbolsOnly(word) || HasDigit(word) || DegreeWord(word))) {
            Drop(word, "symbol");
            continue;
        }
        if (!isListed && notAlone.count(word)) {
            Drop(word, "not alone");
            continue;
        }
        if (!isListed && params.wordClasses && !OpinionClassTag(WordTag(corpus, word))) {
            Drop(word, "class");
            continue;
        }
        double sum = 0.0, top = 0.0;
        for (int c = 0; c < nCats; ++c) {
            if (!nCat[c]) continue;
            const double share = double(dfCat[c][w]) / nCat[c];
            sum += share;
            top = std::max(top, share);
        }
        const double concentration = sum > 0.0 ? top / sum : 1.0;
        candidates.emplace(corpus.words[w], params.l2 * (1.0 + params.topicPenalty * concentration));
    }
    // Listed words too must not be closed-class words of the news (贵 is mostly a name there).
    for (const auto& e : listed) {
        auto id = corpus.ids.find(e.first);
        if (id == corpus.ids.end() || !Closed(id->second))
            candidates.emplace(e.first, params.l2);
        else
            Drop(e.first, "closed");
    }
    auto KeepAligned = [&](std::map<std::string, double>& from, const std::map<std::string, double>& keep) {
        if (params.minBoundary <= 0.0) return;
        std::vector<std::string> list;
        for (const auto& e : from)
            if (!keep.count(e.first)) list.push_back(e.first);
        const std::vector<double> share = BoundaryShares(corpus, skipCat, false, list);
        for (size_t f = 0; f < list.size(); ++f)
            if (share[f] < params.minBoundary) {
                Drop(list[f], "boundary");
                from.erase(list[f]);
            }
    };
    KeepAligned(candidates, {});
    std::vector<std::string> entries;
    std::vector<double> l2;
    for (const auto& e : candidates) {
        entries.push_back(e.first);
        l2.push_back(e.second);
    }

    std::vector<double> w = Fit(corpus, skipCat, -1, params, entries, l2, lex.negations);
    // Keeps the entries (and their L2 strengths) that `keep` marks; true when any left.
    auto KeepEntries = [&](const std::vector<char>& keep) {
        std::vector<std::string> kept;
        std::vector<double> keptL2;
        for (size_t f = 0; f < entries.size(); ++f)
            if (keep[f]) {
                kept.push_back(entries[f]);
                keptL2.push_back(l2[f]);
            }
        const bool bDropped = kept.size() < entries.size();
        entries.swap(kept);
        l2.swap(keptL2);
        return bDropped;
    };
    // The polarity each phrase of the corpus gets from its opinion words (phraseOpinion).
    std::map<std::string, int> phrasePolarity;
    if (params.phraseMinCount > 0 && nTrainCats > 0) {
        const std::map<std::string, double> wordCandidates = candidates;
        // Phrases whose own log-odds disagrees with what their words add up to (没有问题, 不会再):
        // entries of their own, then every weight learnt again.
        std::unordered_map<std::string, double> wordWeight;
        for (size_t f = 0; f < entries.size(); ++f) wordWeight[entries[f]] = w[f];
        const double smooth = 1e-3;
        std::vector<char> lead(nWords, 0);
        for (const std::string& l : params.negatedLeads) {
            auto it = corpus.ids.find(l);
            if (it != corpus.ids.end()) lead[it->second] = 1;
        }
        // The polarity a phrase's opinion words give it: +1 or -1 for each listed word (also one
        // that spans several of its words, 靠 谱) and each word candidate weighing the corpus
        // minimum, flipped by a negation word or the first lead (不) before it; `any` tells
        // whether it holds one.
        const double opinionMin = std::max(params.minWeight, listed.empty() ? 0.0 : params.corpusMinWeight);
        auto firstLead = params.negatedLeads.empty() ? corpus.ids.end() : corpus.ids.find(params.negatedLeads.front());
        const int negatingLead = firstLead == corpus.ids.end() ? -1 : firstLead->second;
        auto Polarity = [&](const std::vector<int>& parts, bool& any) {
            int polarity = 0;
            bool pending = false;
            any = false;
            for (size_t i = 0; i < parts.size();) {
                int sign = 0;
                size_t next = i + 1;
                std::string span = corpus.words[parts[i]];
                for (size_t j = i + 1; j < parts.size(); ++j) {
                    span += corpus.words[parts[j]];
                    auto l = listed.find(span);
                    if (l != listed.end()) {
                        sign = l->second;
                        next = j + 1;
                    }
                }
                if (!sign && (negById[parts[i]] || parts[i] == negatingLead)) {
                    pending = true;
                    ++i;
                    continue;
                }
                const std::string& word = corpus.words[parts[i]];
                auto l = listed.find(word);
                auto fit = wordWeight.find(word);
                if (!sign && l != listed.end())
                    sign = l->second;
                else if (!sign && !notAlone.count(word) && fit != wordWeight.end() && std::fabs(fit->second) >= opinionMin)
                    sign = fit->second > 0.0 ? 1 : -1;
                if (sign) {
                    any = true;
                    polarity += pending ? -sign : sign;
                    pending = false;
                }
                i = next;
            }
            return polarity;
        };
        // With `phraseOpinion`: the rule that leaves a phrase of the corpus out (it holds a name,
        // 京东差评, no opinion word, or opinion words of both polarities), else null, its
        // polarity noted for the fits to come.
        auto NoOpinionPhrase = [&](const std::string& phrase, const PhraseStat& st) -> const char* {
            if (!params.phraseOpinion) return nullptr;
            for (int id : st.parts)
                if (NameTag(WordTag(corpus, corpus.words[id]))) return "name";
            bool any = false;
            const int polarity = Polarity(st.parts, any);
            if (!any) return "no opinion word";
            if (polarity == 0) return "polarity";
            phrasePolarity[phrase] = polarity;
            return nullptr;
        };
        for (const auto& e : phraseStats) {
            const PhraseStat& st = e.second;
            if (corpus.ids.count(e.first) || candidates.count(e.first)) continue;
            const double logOdds = std::log((st.pos / nTrainCats + smooth) / (st.neg / nTrainCats + smooth));
            // An opinion word negated by a word that is no negation entry (不 满意): the pair is an
            // entry of its own once a few reviews hold it; after 不, the word must be an opinion
            // word that the pair turns round, after 太 any candidate (太 低).
            if (params.negatedMinCount > 0 && st.df >= params.negatedMinCount && st.parts.size() == 2 &&
                lead[st.parts[0]] && wordWeight.count(corpus.words[st.parts[1]]) &&
                std::fabs(wordWeight[corpus.words[st.parts[1]]]) >= params.minWeight) {
                const char* rule = st.parts[0] == negatingLead ? NoOpinionPhrase(e.first, st) : nullptr;
                if (rule)
                    Drop(e.first, rule);
                else
                    candidates.emplace(e.first, params.l2);
                continue;
            }
            if (st.df < params.phraseMinCount) continue;
            if (params.listOnly && std::none_of(st.parts.begin(), st.parts.end(),
                                                [&](int id) { return listed.count(corpus.words[id]) > 0; }))
                continue;
            // A phrase led or closed by a function word would join words that stand apart; one
            // closed by an adverb (都不, 是非常) leans on a word outside it.
            if (opinionRules && params.phraseEdges > 0 &&
                (Adverb(st.parts.back()) || DegreeWord(corpus.words[st.parts.back()]) || SymbolsOnly(e.first) || HasDigit(e.first) ||
                 (params.phraseEdges > 1 && (Closed(st.parts.front()) || Closed(st.parts.back()))))) {
                Drop(e.first, "edge");
                continue;
            }
            double sum = 0.0;
            bool pending = false;
            for (int id : st.parts) {
                if (negById[id]) {
                    pending = true;
                    continue;
                }
                auto it = wordWeight.find(corpus.words[id]);
                if (it == wordWeight.end()) continue;
                sum += pending ? -it->second : it->second;
                pending = false;
            }
            if (std::fabs(logOdds - sum) < params.phraseGap) continue;
            if (const char* rule = NoOpinionPhrase(e.first, st)) {
                Drop(e.first, rule);
                continue;
            }
            candidates.emplace(e.first, params.l2);
        }
        KeepAligned(candidates, wordCandidates);
        entries.clear();
        l2.clear();
        for (const auto& e : candidates) {
            entries.push_back(e.first);
            l2.push_back(e.second);
        }
        w = Fit(corpus, skipCat, -1, params, entries, l2, lex.negations);
    }
    const bool news = params.maxNewsSplits >= 0 && !corpus.news.empty();
    std::vector<char> offTopic(entries.size(), 0);
    if (params.topicCategories > 0 || params.newsKeyness > 0.0) {
        std::vector<std::vector<int>> parts(entries.size());
        for (size_t f = 0; f < entries.size(); ++f) {
            auto id = corpus.ids.find(entries[f]);
            auto phrase = phraseStats.find(entries[f]);
            if (id != corpus.ids.end())
                parts[f] = {id->second};
            else if (phrase != phraseStats.end())
                parts[f] = phrase->second.parts;
        }
        offTopic = NotOpinion(corpus, skipCat, params, entries, w, parts, lex.negations, listed);
    }
    if (params.minWeight > 0.0 || news || params.topicCategories > 0 || params.newsKeyness > 0.0 || !phrasePolarity.empty()) {
        // Entries that weigh little are left out (each is a word the engine would cut first for
        // next to nothing), and so are those that would split or merge words of ordinary text
        // more often than allowed unless they weigh enough to be worth it; the others are learnt
        // again without them.
        std::vector<long> splits(entries.size(), 0);
        if (news) BoundaryShares(corpus, skipCat, true, entries, &splits);
        std::vector<char> keep(w.size());
        for (size_t f = 0; f < w.size(); ++f) {
            const bool heavy = listed.count(entries[f]) ||
                               std::fabs(w[f]) >= std::max(params.minWeight, listed.empty() ? 0.0 : params.corpusMinWeight);
            const bool fewSplits = !news || splits[f] <= params.maxNewsSplits || std::fabs(w[f]) >= params.splitWeight ||
                                   (params.listSplits && listed.count(entries[f]));
            // A phrase whose weight goes against its opinion words (会喜欢, negative in the reviews).
            auto polarity = phrasePolarity.find(entries[f]);
            const bool against = polarity != phrasePolarity.end() && (polarity->second > 0) != (w[f] > 0.0);
            keep[f] = heavy && !offTopic[f] && fewSplits && !against;
            if (!keep[f])
                Drop(entries[f], offTopic[f] ? "keyness or topic" : !heavy ? "weight" : !fewSplits ? "news splits" : "polarity");
        }
        KeepEntries(keep);
        w = Fit(corpus, skipCat, -1, params, entries, l2, lex.negations);
    }
    if ((params.maxDamage >= 0 || params.damageBudget >= 0) && !corpus.newsTexts.empty() && !corpus.dataFolder.empty()) {
        // Entries that change the engine's cut of ordinary text, all of them installed, are left
        // out unless they are worth it: their weight times their units in the training reviews
        // at least `damageValue` times the stretches they change. The others are learnt again.
        const std::vector<long> damage = NewsDamage(corpus, entries, lex.negations);
        const std::unordered_map<std::string, int> index = EntryIndex(entries, lex.negations);
        std::vector<long> inReviews(entries.size(), 0);
        std::vector<int> units;
        for (const Review& r : corpus.reviews) {
            if (r.cat == skipCat) continue;
            Units(corpus, r, index, units);
            for (int u : units)
                if (u >= 0 && size_t(u) < entries.size()) ++inReviews[u];
        }
        std::vector<char> keep(entries.size(), 1);
        for (size_t f = 0; f < entries.size(); ++f)
            keep[f] = damage[f] <= params.maxDamage || std::fabs(w[f]) * inReviews[f] >= params.damageValue * damage[f];
        if (params.damageBudget >= 0) {
            // Least value for the stretches changed first, until the changes fit the budget.
            std::vector<size_t> order;
            long total = 0;
            for (size_t f = 0; f < entries.size(); ++f)
                if (damage[f] > 0) {
                    order.push_back(f);
                    total += damage[f];
                }
            std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
                const double va = std::fabs(w[a]) * inReviews[a] / damage[a], vb = std::fabs(w[b]) * inReviews[b] / damage[b];
                return va != vb ? va < vb : entries[a] < entries[b];
            });
            std::fill(keep.begin(), keep.end(), 1);
            for (size_t k = 0; k < order.size() && total > params.damageBudget; ++k) {
                keep[order[k]] = 0;
                total -= damage[order[k]];
            }
        }
        for (size_t f = 0; f < entries.size(); ++f)
            if (!keep[f]) Drop(entries[f], "damage");
        if (KeepEntries(keep)) w = Fit(corpus, skipCat, -1, params, entries, l2, lex.negations);
    }
    int nTrainingCats = 0;
    for (int c = 0; c < nCats; ++c) nTrainingCats += c != skipCat && nCat[c] > 0;
    // Each inner fit needs a training category left, so both need two of them.
    if ((params.bagging || params.shift) && nTrainingCats >= 2) {
        // The fits that leave out one more training category each. Their average (bagging) holds
        // across categories; scored on the category each left out, they tell the per-word shift
        // that a category none of them has seen needs (a nested leave-one-category-out).
        std::vector<double> sum(w.size(), 0.0);
        // By inner fold, per review: the sums of its positive and of its negative entries' terms
        // (a flipped entry keeps its group), and its units (-1 for a flipped one).
        struct InnerScore {
            double positive = 0.0, negative = 0.0, units = 0.0;
        };
        std::vector<std::vector<InnerScore>> inner;
        std::vector<std::vector<char>> innerLabel;
        // The fits run side by side, each single-threaded; they are used in category order, so
        // the result does not depend on the threads.
        std::vector<int> folds;
        for (int c = 0; c < nCats; ++c)
            if (c != skipCat && nCat[c]) folds.push_back(c);
        std::vector<std::vector<double>> fits(folds.size());
        {
            std::atomic<size_t> next(0);
            std::vector<std::thread> pool;
            for (int t = 0; t < std::max(1, std::min(params.threads, int(folds.size()))); ++t)
                pool.emplace_back([&] {
                    for (size_t i; (i = next++) < folds.size();) {
                        // The mean of the fits of every loss and review weighting listed.
                        const double nVariants = double(params.hingeShares.size() * params.reviewPowers.size());
                        for (double hinge : params.hingeShares)
                            for (double power : params.reviewPowers) {
                                const std::vector<double> v =
                                    Fit(corpus, skipCat, folds[i], params, entries, l2, lex.negations, true, hinge, power);
                                if (fits[i].empty()) fits[i].assign(v.size(), 0.0);
                                for (size_t f = 0; f < v.size(); ++f) fits[i][f] += v[f] / nVariants;
                            }
                    }
                });
            for (std::thread& t : pool) t.join();
        }
        int k = 0;
        for (size_t i = 0; i < folds.size(); ++i) {
            const int c = folds[i];
            const std::vector<double>& wc = fits[i];
            for (size_t f = 0; f < w.size(); ++f) sum[f] += wc[f];
            ++k;
            if (!params.shift) continue;
            const std::unordered_map<std::string, int> index = EntryIndex(entries, lex.negations);
            inner.emplace_back();
            innerLabel.emplace_back();
            std::vector<int> units;
            for (const Review& r : corpus.reviews) {
                if (r.cat != c) continue;
                Units(corpus, r, index, units);
                InnerScore sc;
                bool pending = false;
                for (int u : units) {
                    if (u == kClauseUnit) {
                        pending = false;
                        continue;
                    }
                    if (u == int(entries.size())) {
                        pending = true;
                        continue;
                    }
                    (wc[u] < 0.0 ? sc.negative : sc.positive) += pending ? -wc[u] : wc[u];
                    sc.units += pending ? -1.0 : 1.0;
                    pending = false;
                }
                inner.back().push_back(sc);
                innerLabel.back().push_back(r.positive);
            }
        }
        if (params.bagging)
            for (size_t f = 0; f < w.size(); ++f) {
                w[f] = sum[f] / k;
                if (params.stabilityShrink > 0.0) {
                    // A weight that moves much with the category left out holds in some categories
                    // only: shrunk by m^2 / (m^2 + shrink * variance).
                    double var = 0.0;
                    for (const std::vector<double>& wc : fits) var += (wc[f] - w[f]) * (wc[f] - w[f]);
                    var /= k;
                    const double m2 = w[f] * w[f];
                    if (m2 > 0.0) w[f] *= m2 / (m2 + params.stabilityShrink * var);
                }
            }
        if (params.shift && !inner.empty()) {
            // The shift of every weight (from -0.5 to 0.5 in steps of 0.005) and, with
            // `negativeScale`, the factor on the negative weights (0.5 to 2 in steps of 0.01) that
            // give the best mean accuracy over the inner folds: a review scores
            // positive + scale * negative + shift * units.
            double bestShift = 0.0, bestScale = 1.0, bestAcc = -1.0;
            const int scaleSteps = params.negativeScale ? 150 : 0;
            for (int sc = 0; sc <= scaleSteps; ++sc) {
                const double scale = params.negativeScale ? 0.5 + sc * 0.01 : 1.0;
                for (int step = -100; step <= 100; ++step) {
                    const double shift = step * 0.005;
                    double acc = 0.0;
                    for (size_t i = 0; i < inner.size(); ++i) {
                        long ok = 0;
                        for (size_t j = 0; j < inner[i].size(); ++j) {
                            const InnerScore& r = inner[i][j];
                            ok += (r.positive + scale * r.negative + shift * r.units > 0.0) == bool(innerLabel[i][j]);
                        }
                        acc += inner[i].empty() ? 0.0 : double(ok) / inner[i].size();
                    }
                    if (acc > bestAcc + 1e-12) {
                        bestAcc = acc;
                        bestShift = shift;
                        bestScale = scale;
                    }
                }
            }
            for (double& v : w) v = (v < 0.0 ? bestScale * v : v) + bestShift;
            lex.shift = bestShift;
            lex.negativeScale = bestScale;
        }
    }
    if (!listed.empty()) {
        // A listed word the reviews say too little of, or the opposite of, weighs what the middle
        // entry of its polarity weighs.
        std::vector<double> sizes[2];
        auto Fixed = [&](size_t f) {
            auto it = listed.find(entries[f]);
            return it != listed.end() && (std::fabs(w[f]) < params.finalMinWeight || (w[f] > 0.0) != (it->second > 0));
        };
        for (size_t f = 0; f < w.size(); ++f)
            if (!Fixed(f) && std::fabs(w[f]) >= params.finalMinWeight && w[f] != 0.0) sizes[w[f] > 0.0].push_back(std::fabs(w[f]));
        double median[2] = {1.0, 1.0};
        for (int k = 0; k < 2; ++k)
            if (!sizes[k].empty()) {
                std::sort(sizes[k].begin(), sizes[k].end());
                median[k] = sizes[k][sizes[k].size() / 2];
            }
        for (size_t f = 0; f < w.size(); ++f)
            if (Fixed(f)) {
                const int sign = listed.at(entries[f]);
                w[f] = sign * median[sign > 0];
            }
    }
    for (size_t f = 0; f < w.size(); ++f) {
        if (std::fabs(w[f]) >= params.finalMinWeight)
            lex.weights.emplace_back(entries[f], Written(w[f], params.clip));
        else
            Drop(entries[f], "final weight");
    }
    if (params.negateWords && !params.negatedLeads.empty()) {
        // The first lead before each word entry, as one entry weighing what a negation word
        // would make of the word (不 + 满意 gives 不满意 with 满意's weight negated), unless that
        // pair is a word of the cut or an entry already; the engine cuts it first, as 不 alone would
        // be, but only where it meets an opinion word.
        const std::string& lead = params.negatedLeads.front();
        std::set<std::string> have;
        for (const auto& e : lex.weights) have.insert(e.first);
        std::vector<std::pair<std::string, double>> negated;
        // With `pairClasses`, an entry the engine tags otherwise (a noun, an unknown word) still
        // gets its pair where readers write it: the lead right before it, on token boundaries, in
        // as many training reviews as make a negated phrase (不 靠 谱, 不 油腻).
        std::set<std::string> untagged;
        for (const auto& e : lex.weights)
            if (params.pairClasses && (!NegatableTag(WordTag(corpus, e.first)) || NegatedOrHaving(e.first) ||
                                       DegreeLed(e.first) || Reduplicated(e.first)))
                untagged.insert(e.first);
        const std::map<std::string, int> written = ReviewsAfter(corpus, skipCat, lead, untagged);
        for (const auto& e : lex.weights) {
            const std::string pair = lead + e.first;
            if ((!corpus.ids.count(e.first) && !listed.count(e.first)) || e.first.compare(0, lead.size(), lead) == 0 ||
                have.count(pair) ||
                corpus.ids.count(pair) || Gbk(pair).empty())
                continue;
            auto seen = written.find(e.first);
            if (untagged.count(e.first) && (seen == written.end() || seen->second < std::max(1, params.negatedMinCount))) {
                Drop(pair, "pair class");
                continue;
            }
            if (dropped) dropped->erase(pair);
            negated.emplace_back(pair, -e.second);
        }
        if ((params.maxDamage >= 0 || params.damageBudget >= 0) && !corpus.newsTexts.empty() && !corpus.dataFolder.empty() &&
            !negated.empty()) {
            // Those that change the engine's cut of the news are left out.
            std::vector<std::string> all;
            for (const auto& e : lex.weights) all.push_back(e.first);
            for (const auto& e : negated) all.push_back(e.first);
            const std::vector<long> damage = NewsDamage(corpus, all, lex.negations);
            std::vector<std::pair<std::string, double>> kept;
            for (size_t k = 0; k < negated.size(); ++k)
                if (damage[lex.weights.size() + k] <= std::max(0L, params.maxDamage))
                    kept.push_back(negated[k]);
                else
                    Drop(negated[k].first, "damage");
            negated.swap(kept);
        }
        lex.weights.insert(lex.weights.end(), negated.begin(), negated.end());
    }
    return lex;
}

namespace {

// Recuts run one at a time: the engine is one per process.
std::mutex g_recutMutex;

[[noreturn]] void RecutFailure(const std::string& what) { throw std::runtime_error("recut: " + what); }

}  // namespace

namespace {

// Imports `entries` (weight 1: the cut does not depend on the weights) and `negations` into a
// scratch copy of corpus.dataFolder's Data, starts the engine on it in UTF-8 and hands each text
// of `texts` that `want` selects (all when empty), in order, with its tagged cut to `onCut`; then
// stops the engine and removes the copy. Serialised: the engine is one per process.
void CutWithEntries(const Corpus& corpus, const std::vector<std::string>& entries,
                    const std::vector<std::string>& negations, const std::vector<std::string>& texts,
                    const std::vector<char>& want, const std::function<void(size_t, const std::string&)>& onCut) {
    Lexicon lex;
    for (const std::string& e : entries) lex.weights.emplace_back(e, 1.0);
    lex.negations = negations;
    const std::string text = LexiconText(lex);

    std::lock_guard<std::mutex> hold(g_recutMutex);
    // A folder of this process's own, so that derivations on one data folder can run side by side.
    const std::string folder = corpus.dataFolder + "/recut." + std::to_string(getpid()), path = folder + "/entries.txt";
    if (!CopyDataWithoutField(corpus.dataFolder, folder))
        RecutFailure("cannot copy " + corpus.dataFolder + "/Data to " + folder);
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f || std::fwrite(text.data(), 1, text.size(), f) != text.size() || std::fclose(f) != 0)
        RecutFailure("cannot write " + path);
    // The import as the build makes it (GBK, code 0), then the cut in UTF-8.
    if (KOVEX_Init(folder.c_str(), 0) != 1) RecutFailure(std::string("engine start failed: ") + KOVEX_GetLastErrorMsg());
    const int imported = KOVEX_ImportUserDict(path.c_str(), true);
    KOVEX_Exit();
    if (imported <= 0 && !text.empty()) RecutFailure("nothing imported from " + path);
    if (KOVEX_Init(folder.c_str(), 1) != 1) RecutFailure(std::string("engine start failed: ") + KOVEX_GetLastErrorMsg());
    for (size_t i = 0; i < texts.size(); ++i)
        if (want.empty() || want[i]) onCut(i, KOVEX_ParagraphProcessStr(texts[i].c_str(), 1));
    KOVEX_Exit();
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
}

// Whether a tag is a weight (the scorer's test: a digit first, or "-" and a digit).
bool WeightTag(const std::string& tag) {
    return !tag.empty() && ((tag[0] >= '0' && tag[0] <= '9') || (tag[0] == '-' && tag.size() > 1 && tag[1] >= '0' && tag[1] <= '9'));
}

}  // namespace

std::vector<std::vector<int>> Recut(const Corpus& corpus, const std::vector<std::string>& entries,
                                    const std::vector<std::string>& negations, const std::vector<char>& want) {
    const std::unordered_map<std::string, int> value = EntryIndex(entries, negations);
    std::vector<std::vector<int>> units(corpus.reviews.size());
    std::string word;
    CutWithEntries(corpus, entries, negations, corpus.texts, want, [&](size_t i, const std::string& tagged) {
        // A unit is a token tagged with a weight or "Neg": exactly the field dictionary's words.
        for (const std::string& token : SplitAt(tagged, ' ')) {
            if (IsClauseMark(token, SentiEncoding::UTF8)) {
                units[i].push_back(kClauseUnit);
                continue;
            }
            const size_t slash = token.rfind('/');
            if (slash == std::string::npos || slash + 1 >= token.size()) continue;
            const std::string tag = token.substr(slash + 1);
            if (tag != "Neg" && !WeightTag(tag)) continue;
            word = token.substr(0, slash);
            FoldAscii(word);
            auto it = value.find(word);
            if (it != value.end() && it->second >= 0) units[i].push_back(it->second);
        }
    });
    return units;
}

std::vector<long> NewsDamage(const Corpus& corpus, const std::vector<std::string>& entries,
                             const std::vector<std::string>& negations, long* changed) {
    // Entry e gives e, negation word n entries.size() + n (an entry that is also a negation word
    // stays an entry).
    Index ix;
    for (size_t n = 0; n < negations.size(); ++n) ix.Add(negations[n], int(entries.size() + n));
    for (size_t f = 0; f < entries.size(); ++f) ix.Add(entries[f], int(f));
    std::vector<long> damage(entries.size() + negations.size(), 0);
    long regions = 0;
    std::vector<int> ends;
    std::string key;
    CutWithEntries(corpus, entries, negations, corpus.newsTexts, {}, [&](size_t i, const std::string& cut) {
        const std::vector<int>& before = corpus.newsEnds[i];
        const std::string& text = corpus.newsTexts[i];
        if (before.empty() || !TokenEnds(cut, text.size(), ends)) return;
        // Where the engine cuts a dictionary word first: from left to right, the longest entry
        // starting at a character, the search going on behind it.
        std::vector<std::array<int, 3>> found;
        for (size_t p = 0; p < text.size();) {
            key.clear();
            size_t q = p, next = 0;
            int best = -1;
            size_t bestEnd = 0;
            while (q < text.size()) {
                const unsigned char b = static_cast<unsigned char>(text[q]);
                size_t len = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
                len = std::min(len, text.size() - q);
                key.append(text, q, len);
                q += len;
                if (!next) next = q;
                auto it = ix.map.find(key);
                if (it == ix.map.end()) break;
                if (it->second >= 0) {
                    best = it->second;
                    bestEnd = q;
                }
            }
            if (best >= 0) {
                found.push_back({int(p), int(bestEnd), best});
                p = bestEnd;
            } else {
                p = next;
            }
        }
        // Stretches between the boundaries both cuts share; one cut differently is blamed on
        // every entry found overlapping it.
        size_t a = 0, b = 0;
        int regionStart = 0;
        bool same = true;
        while (a < before.size() && b < ends.size()) {
            if (before[a] == ends[b]) {
                if (!same) {
                    ++regions;
                    for (const auto& u : found)
                        if (u[0] < before[a] && u[1] > regionStart) ++damage[u[2]];
                }
                regionStart = before[a];
                same = true;
                ++a;
                ++b;
            } else {
                same = false;
                if (before[a] < ends[b])
                    ++a;
                else
                    ++b;
            }
        }
    });
    if (changed) *changed = regions;
    return damage;
}

double NewsWeightShare(const Corpus& corpus, const Lexicon& lexicon) {
    std::vector<std::string> entries;
    for (const auto& e : lexicon.weights) entries.push_back(e.first);
    long tokens = 0, weighted = 0;
    CutWithEntries(corpus, entries, lexicon.negations, corpus.newsTexts, {}, [&](size_t, const std::string& tagged) {
        for (const std::string& token : SplitAt(tagged, ' ')) {
            ++tokens;
            const size_t slash = token.rfind('/');
            weighted += slash != std::string::npos && WeightTag(token.substr(slash + 1));
        }
    });
    return tokens ? double(weighted) / tokens : 0.0;
}

bool CopyDataWithoutField(const std::string& from, const std::string& to) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::remove_all(to, ec);
    fs::create_directories(to, ec);
    fs::copy(from + "/Data", to + "/Data", fs::copy_options::recursive, ec);
    if (ec) return false;
    for (const char* name : {"FieldDict.pdat", "FieldDict.pos", "FieldDict.wordlist"}) fs::remove(to + "/Data/" + name, ec);
    return true;
}

std::vector<char> ReviewsOf(const Corpus& corpus, int cat) {
    std::vector<char> want(corpus.reviews.size());
    for (size_t i = 0; i < want.size(); ++i) want[i] = cat < 0 || corpus.reviews[i].cat == cat;
    return want;
}

double PointOfUnits(const std::vector<int>& units, const std::vector<double>& weights, bool* covered) {
    double pos = 0.0, neg = 0.0;
    bool pending = false, any = false;
    for (int u : units) {
        if (u == kClauseUnit) {
            pending = false;
            continue;
        }
        if (u < 0 || size_t(u) >= weights.size()) {
            pending = true;
            continue;
        }
        double v = weights[u];
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

Scorer::Scorer(const Corpus& corpus, const Lexicon& lexicon) : m_corpus(corpus) {
    std::vector<std::string> entries;
    for (const auto& e : lexicon.weights) {
        entries.push_back(e.first);
        m_weight.push_back(e.second);
    }
    m_index = EntryIndex(entries, lexicon.negations);
}

double Scorer::Point(const Review& review, bool* covered) const {
    std::vector<int> units;
    Units(m_corpus, review, m_index, units);
    return PointOfUnits(units, m_weight, covered);
}

std::vector<std::vector<int>> LexiconUnits(const Corpus& corpus, const Lexicon& lexicon, const std::vector<char>& want,
                                           std::vector<double>* weights) {
    std::vector<std::string> entries;
    if (weights) weights->clear();
    for (const auto& e : lexicon.weights) {
        entries.push_back(e.first);
        if (weights) weights->push_back(e.second);
    }
    if (!corpus.dataFolder.empty()) return Recut(corpus, entries, lexicon.negations, want);
    const std::unordered_map<std::string, int> index = EntryIndex(entries, lexicon.negations);
    std::vector<std::vector<int>> units(corpus.reviews.size());
    for (size_t i = 0; i < units.size(); ++i)
        if (want[i]) Units(corpus, corpus.reviews[i], index, units[i]);
    return units;
}

Figures Evaluate(const Corpus& corpus, const Params& params) {
    const int nCats = int(corpus.catNames.size());
    Figures f;
    long right = 0, total = 0;
    // The folds' lexicons side by side, each derived single-threaded (the result does not depend
    // on it).
    std::vector<Lexicon> lexicons(nCats);
    {
        Params one = params;
        one.threads = 1;
        std::atomic<int> next(0);
        std::vector<std::thread> pool;
        for (int t = 0; t < std::max(1, std::min(params.threads, nCats)); ++t)
            pool.emplace_back([&] {
                for (int c; (c = next++) < nCats;) lexicons[c] = Derive(corpus, c, one);
            });
        for (std::thread& t : pool) t.join();
    }
    for (int c = 0; c < nCats; ++c) {
        std::vector<double> weights;
        const std::vector<std::vector<int>> units = LexiconUnits(corpus, lexicons[c], ReviewsOf(corpus, c), &weights);
        long n = 0, ok = 0, covered = 0, byLabel[2] = {0, 0}, okByLabel[2] = {0, 0};
        for (size_t i = 0; i < corpus.reviews.size(); ++i) {
            const Review& r = corpus.reviews[i];
            if (r.cat != c) continue;
            bool any = false;
            ++n;
            ++byLabel[r.positive];
            if ((PointOfUnits(units[i], weights, &any) > 0.0) == r.positive) {
                ++ok;
                ++okByLabel[r.positive];
            }
            covered += any;
        }
        f.positiveRight.push_back(byLabel[1] ? double(okByLabel[1]) / byLabel[1] : 0.0);
        f.negativeRight.push_back(byLabel[0] ? double(okByLabel[0]) / byLabel[0] : 0.0);
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
