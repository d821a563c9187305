// evaluate_engine DATA_DIR CORPUS [--day N] [--floor NAME=VALUE ...]
//
// Accuracy of the engine's analysis chain (atoms, lattice, bigram path, person roles with the
// name merge, parts of speech) on one day of the tagged corpus (default: the held-out day 27).
// Each paragraph goes in as plain GBK text; the words and tags that come out are scored against
// the corpus's own cut and tags:
//   seg      segmentation precision / recall / F1 of the words as produced
//   tagged   F1 of words with their tag (the tag set's corpus spelling, PKU.map)
//   split    the same two with every person-name word split back into surname + given name as
//            the corpus writes them (江/nr 泽民/nr; a compound surname such as 欧阳 is the
//            surname): a word tagged nr of two to four characters whose first one or two
//            characters are a surname of the role table
//   joined   segmentation against the corpus with each surname + given-name pair joined
//   names    person names: the words tagged nr against the corpus names (pairs joined), and
//            after the split-back against the corpus's nr tokens; the automaton's merges
// With --floor NAME=VALUE (NAME one of seg, tagged, split, split_tagged, joined, names) the
// program fails (exit 1) when that F1 falls below VALUE. Exit 77 when the corpus is missing.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "../tests/common/EngineChain.h"

namespace {

struct Token {
    int start, end;
    std::string tag;
};

struct Paragraph {
    std::string text;
    std::vector<Token> gold;
};

bool IsLower(const std::string& s) {
    if (s.empty()) return false;
    for (char c : s)
        if (c < 'a' || c > 'z') return false;
    return true;
}

bool IsAlpha(const std::string& s) {
    if (s.empty()) return false;
    for (char c : s)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))) return false;
    return true;
}

// One corpus line: "id  word/tag  [word/tag  word/tag]nt  ..." (tokens apart by two blanks);
// bracketed compounds give their inner tokens.
bool ParseLine(const std::string& line, int day, Paragraph& para) {
    std::vector<std::string> parts;
    for (size_t at = 0; at < line.size();) {
        size_t end = line.find("  ", at);
        if (end == std::string::npos) end = line.size();
        std::string p = line.substr(at, end - at);
        if (p.find_first_not_of(" \t\r\n") != std::string::npos) parts.push_back(p);
        at = end + 2;
    }
    if (parts.empty() || parts[0].size() < 8 || std::atoi(parts[0].substr(6, 2).c_str()) != day) return false;
    para = Paragraph();
    for (size_t k = 1; k < parts.size(); ++k) {
        std::string p = parts[k];
        size_t b = p.find_first_not_of(" \t\r\n"), e = p.find_last_not_of(" \t\r\n");
        p = p.substr(b, e - b + 1);
        if (p.size() > 1 && p[0] == '[') p.erase(0, 1);
        size_t close = p.rfind(']');
        if (close != std::string::npos && close > 0 && p.substr(0, close).find('/') != std::string::npos &&
            IsLower(p.substr(close + 1)))
            p.erase(close);
        size_t slash = p.rfind('/');
        if (slash == std::string::npos || slash == 0 || !IsAlpha(p.substr(slash + 1))) continue;
        std::string word;
        for (size_t i = 0; i < slash; ++i)
            if (p[i] != ' ') word += p[i];
        if (word.empty()) continue;
        Token t{int(para.text.size()), int(para.text.size() + word.size()), p.substr(slash + 1)};
        para.text += word;
        para.gold.push_back(t);
    }
    return !para.gold.empty();
}

std::vector<Paragraph> ReadDay(const std::string& corpus, int day) {
    std::vector<Paragraph> out;
    FILE* p = popen(("xz -dc '" + corpus + "'").c_str(), "r");
    if (!p) return out;
    std::string line;
    char buf[1 << 16];
    Paragraph para;
    while (std::fgets(buf, sizeof buf, p)) {
        line += buf;
        if (line.back() != '\n') continue;
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
        if (ParseLine(line, day, para)) out.push_back(para);
        line.clear();
    }
    if (!line.empty() && ParseLine(line, day, para)) out.push_back(para);
    pclose(p);
    return out;
}

// Tag names in the corpus spelling, by tag id.
std::vector<std::string> ReadTagNames(const std::string& path) {
    std::vector<std::string> names(256);
    FILE* f = std::fopen(path.c_str(), "r");
    if (!f) return names;
    char name[64];
    int id;
    char line[512];
    while (std::fgets(line, sizeof line, f))
        if (std::sscanf(line, "%63s %d", name, &id) == 2 && id >= 0 && id < 256) names[size_t(id)] = name;
    std::fclose(f);
    return names;
}

struct Score {
    long gold = 0, found = 0, right = 0;
    void Add(const std::set<std::pair<int, int>>& g, const std::set<std::pair<int, int>>& e) {
        gold += long(g.size());
        found += long(e.size());
        for (const auto& x : e) right += long(g.count(x));
    }
    template <typename T>
    void AddT(const std::set<T>& g, const std::set<T>& e) {
        gold += long(g.size());
        found += long(e.size());
        for (const auto& x : e) right += long(g.count(x));
    }
    double P() const { return found ? double(right) / double(found) : 0; }
    double R() const { return gold ? double(right) / double(gold) : 0; }
    double F() const { return P() + R() > 0 ? 2 * P() * R() / (P() + R()) : 0; }
    void Print(const char* name) const {
        std::printf("%-13s P %.4f  R %.4f  F1 %.4f  (gold %ld, found %ld, right %ld)\n", name, P(), R(), F(),
                    gold, found, right);
    }
};

int CharLen(const std::string& s, int at) {
    return ((unsigned char)s[size_t(at)] >= 0x81 && size_t(at) + 1 < s.size()) ? 2 : 1;
}

bool IsSurname(const std::string& text, int start, int end) {
    int h = g_pCoreDict->Find(text.c_str() + start, unsigned(end - start));
    return h >= 0 && g_pPersonRole->GetPOSFreq(h, 1) > 0;  // role 1: surname
}

// Where a person-name word splits into surname + given name; -1 when it stays whole.
int SurnameEnd(const std::string& text, int start, int end) {
    std::vector<int> cuts;  // character ends
    for (int i = start; i < end; i += CharLen(text, i)) cuts.push_back(i + CharLen(text, i));
    int n = int(cuts.size());
    if (n >= 3 && n <= 4 && IsSurname(text, start, cuts[1])) return cuts[1];
    if (n >= 2 && n <= 3 && IsSurname(text, start, cuts[0])) return cuts[0];
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: evaluate_engine DATA_DIR CORPUS [--day N] [--floor NAME=VALUE ...]\n");
        return 2;
    }
    std::string dataDir = argv[1], corpus = argv[2];
    int day = 27;
    std::map<std::string, double> floors;
    for (int k = 3; k < argc; ++k) {
        std::string a = argv[k];
        if (a == "--day" && k + 1 < argc) {
            day = std::atoi(argv[++k]);
        } else if (a == "--floor" && k + 1 < argc) {
            std::string f = argv[++k];
            size_t eq = f.find('=');
            if (eq == std::string::npos) {
                std::fprintf(stderr, "evaluate_engine: bad floor %s\n", f.c_str());
                return 2;
            }
            floors[f.substr(0, eq)] = std::atof(f.c_str() + eq + 1);
        } else {
            std::fprintf(stderr, "evaluate_engine: unknown argument %s\n", a.c_str());
            return 2;
        }
    }
    if (FILE* f = std::fopen(corpus.c_str(), "rb")) {
        std::fclose(f);
    } else {
        std::printf("corpus not found (%s): skipped\n", corpus.c_str());
        return 77;
    }
    if (!kxtest::LoadChainLexicons(dataDir)) {
        std::fprintf(stderr, "evaluate_engine: cannot load the data directory %s\n", dataDir.c_str());
        return 1;
    }
    std::vector<std::string> tagName = ReadTagNames(dataDir + "/PKU.map");
    std::vector<Paragraph> day27 = ReadDay(corpus, day);
    if (day27.empty()) {
        std::fprintf(stderr, "evaluate_engine: no paragraph of day %d\n", day);
        return 1;
    }
    g_bUserDictPrior = false;
    kxtest::EngineChain chain;

    typedef std::pair<int, int> Span;
    typedef std::pair<Span, std::string> Tagged;
    Score seg, tagged, split, splitTagged, joined, names, splitNames, merged;
    long bytes = 0;
    for (const Paragraph& para : day27) {
        bytes += long(para.text.size());
        std::set<Span> gSeg, gJoined, gNames, gNameTokens;
        std::set<Tagged> gTagged;
        const auto& g = para.gold;
        for (const Token& t : g) {
            gSeg.insert({t.start, t.end});
            gTagged.insert({{t.start, t.end}, t.tag});
            if (t.tag == "nr") gNameTokens.insert({t.start, t.end});
        }
        for (size_t k = 0; k < g.size(); ++k) {
            // A surname token (one or two characters) followed by a given-name token: one name.
            if (g[k].tag == "nr" && k + 1 < g.size() && g[k + 1].tag == "nr" && g[k].end - g[k].start <= 4 &&
                g[k + 1].end - g[k + 1].start <= 4) {
                gJoined.insert({g[k].start, g[k + 1].end});
                gNames.insert({g[k].start, g[k + 1].end});
                ++k;
                continue;
            }
            gJoined.insert({g[k].start, g[k].end});
            if (g[k].tag == "nr") gNames.insert({g[k].start, g[k].end});
        }

        std::set<Span> eSeg, eSplit, eNames, eSplitNames, eMerged;
        std::set<Tagged> eTagged, eSplitTagged;
        chain.Line(para.text.c_str(), int(para.text.size()), [&](const word_t* w, int n) {
            for (int k = 0; k < n; ++k) {
                if (w[k].end <= w[k].start) continue;
                const std::string& tag = tagName[w[k].POS_id];
                Span sp{w[k].start, w[k].end};
                eSeg.insert(sp);
                eTagged.insert({sp, tag});
                bool isName = tag == "nr";
                if (isName) eNames.insert(sp);
                if (w[k].handle == gUnknown_nr_ID) eMerged.insert(sp);
                int cut = isName ? SurnameEnd(para.text, w[k].start, w[k].end) : -1;
                if (cut < 0) {
                    eSplit.insert(sp);
                    eSplitTagged.insert({sp, tag});
                    if (isName) eSplitNames.insert(sp);
                } else {
                    for (Span part : {Span{w[k].start, cut}, Span{cut, w[k].end}}) {
                        eSplit.insert(part);
                        eSplitTagged.insert({part, tag});
                        eSplitNames.insert(part);
                    }
                }
            }
        });
        seg.Add(gSeg, eSeg);
        tagged.AddT(gTagged, eTagged);
        split.Add(gSeg, eSplit);
        splitTagged.AddT(gTagged, eSplitTagged);
        joined.Add(gJoined, eSeg);
        names.Add(gNames, eNames);
        splitNames.Add(gNameTokens, eSplitNames);
        merged.Add(gNames, eMerged);
    }

    std::printf("day %d: %zu paragraphs, %ld bytes, %ld corpus words\n", day, day27.size(), bytes, seg.gold);
    seg.Print("seg");
    tagged.Print("tagged");
    split.Print("split");
    splitTagged.Print("split_tagged");
    joined.Print("joined");
    names.Print("names");
    splitNames.Print("split_names");
    std::printf("%-13s %ld words merged by the automaton, %ld of them corpus names (%.1f%%); they find %.1f%% of "
                "the %ld corpus names\n",
                "merged", merged.found, merged.right, 100 * merged.P(), 100 * merged.R(), merged.gold);

    std::map<std::string, double> figure = {{"seg", seg.F()},       {"tagged", tagged.F()},
                                            {"split", split.F()},   {"split_tagged", splitTagged.F()},
                                            {"joined", joined.F()}, {"names", names.F()}};
    int rc = 0;
    for (const auto& f : floors) {
        auto it = figure.find(f.first);
        if (it == figure.end()) {
            std::fprintf(stderr, "evaluate_engine: unknown floor %s\n", f.first.c_str());
            return 2;
        }
        if (it->second < f.second) {
            std::printf("FAIL: %s F1 %.4f is below the floor %.4f\n", f.first.c_str(), it->second, f.second);
            rc = 1;
        }
    }
    ReleaseEngineLexicons();
    return rc;
}
