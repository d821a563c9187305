// evaluate_engine DATA_DIR CORPUS [--day N] [--mode interface|instance|chain] [--encoding 0|1]
//                 [--dictionaries] [--floor NAME=VALUE ...]
//
// Accuracy of the engine on one day of the tagged corpus (default: the held-out day 27). Each
// paragraph goes in as plain text; the units that come out are scored against the corpus's own
// cut and tags. DATA_DIR is a data directory (a folder named Data). Three ways through the
// engine (--mode):
//   interface  (default) the user-visible result: KOVEX_Init on the folder holding the data, then
//              the rows of KOVEX_ParagraphProcessA (a pooled instance's ProcessA with tagging and
//              the user and field dictionaries, then GetResult), as every caller of the engine
//              sees them: numbers, addresses and names merged, dictionary words applied, English
//              lines through the English parser, the data directory's own Configure.xml
//   instance   the same rows from the main engine instance directly (CMainSystem::ProcessA(text,
//              trans, true, true, false) + GetResult) after the same start-up
//   chain      the analysis chain's records (atoms, lattice, bigram path, person roles with the
//              name merge, parts of speech) without the output stage, on the lexicons alone
// --encoding 1 (interface and instance) feeds the paragraphs as UTF-8 to an engine started for
// UTF-8, so the rows index the caller's UTF-8 text through the instance's mapping; they are
// brought back to GBK offsets for scoring. The default 0 is GBK in, GBK rows.
//
// The field dictionary holds the sentiment lexicon and the user dictionary the words that
// sentiment requests save: overlays of a domain the corpus knows nothing of (with UserDictPrior
// their words are cut first and print their weight as the tag). Interface and instance modes
// therefore start the engine on a scratch folder whose Data links every file of DATA_DIR except
// FieldDict.* and UserDict.*, so the figures measure the lexical analysis whatever lexicon is
// installed; --dictionaries starts it on DATA_DIR itself, overlays included.
//
// Figures (precision / recall / F1):
//   seg      segmentation of the units as produced
//   tagged   units with their tag in the corpus spelling (the PKU.map names)
//   split    the same two with the units the corpus writes in parts split back: person names
//            into surname + given name (江/nr 泽民/nr; a compound surname such as 欧阳 is the
//            surname: a unit tagged nr of two to four characters whose first one or two
//            characters are a surname of the role table), and number runs into numbers, marks
//            and time words (NumberParts below)
//   joined   segmentation against the corpus with each surname + given-name pair joined
//   names    person names: the units tagged nr against the corpus names (pairs joined), and
//            after the split-back against the corpus's nr tokens; the automaton's merges
//
// How rows meet the corpus (interface and instance modes):
//   - The tag of a row is its tag text, read with tag-set map 2 (PKU.map, the corpus spelling)
//     selected through KOVEX_SetPOSmap; rows that print no tag (sentence-end marks of class 28,
//     white space) carry the tag id alone, which is named through the same map, as the chain's
//     records are.
//   - A user- or field-dictionary unit whose tag text is no tag of the set (a sentiment weight,
//     "Neg", "Object", "RemSent") carries no part of speech. It counts for segmentation; for the
//     tagged figures it is left out, together with every corpus token it overlaps (counted on
//     the "no tag" line), so those figures score the units that have a part of speech.
//   - Person names: a unit merged by the role automaton has word type 2 (counted on the
//     "merged" line). A two-part name that the output learns (a four-byte name and a
//     one-character morpheme: 高洁摄, a photo credit) is one nr unit of three characters;
//     the corpus writes name and morpheme apart, so it counts against seg and names. The
//     split-back cuts it as any name, after the surname.
//   - Number runs that the output joins (１月２６日, ５—７, １９９７）１４号) count as they
//     are in seg and tagged; the split figures cut them back (NumberParts). Numeral repeats
//     (一场场) stay one unit.
// With --floor NAME=VALUE (NAME one of seg, tagged, split, split_tagged, joined, names) the
// program fails (exit 1) when that F1 falls below VALUE. Exit 77 when the corpus is missing.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "../tests/common/EngineChain.h"
#include "CodeTrans/STLCodeTrans.h"
#include "MERIDOX/API/KOVEX_API.h"
#include "MERIDOX/System/EngineGlobals.h"
#include "MERIDOX/System/MainSystem.h"
#include "Utility/Charset.h"
#include "Utility/POSmap.h"

namespace {

struct Token {
    int start, end;
    std::string tag;
};

struct Paragraph {
    std::string text;  // GBK
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
    template <typename T>
    void Add(const std::set<T>& g, const std::set<T>& e) {
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
    return h >= 0 && g_pPersonRole && g_pPersonRole->GetPOSFreq(h, 1) > 0;  // role 1: surname
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

int CharClass(const std::string& text, int at) {
    return g_pCharset ? g_pCharset->GetType(text.c_str() + at) : 0;
}

// A number run that the output stage joined, cut back into the tokens the corpus writes
// (１月２６日 -> １月 ２６日, ５—７ -> ５ — ７, １９９７）１４号 -> １９９７ ） １４号): a unit that
// starts with a digit (classes 7, 29) is cut after every time unit (点 分 日 号 时 秒 年 月:
// classes 16, 18, 21, 22, 23, 25) that a digit follows, and every bracket, dash, comma or sign
// (classes 1, 2, 4, 5) is a token of its own; decimal points and the other joiners of class 3
// stay inside. The parts are tagged as the corpus tags them: w for a mark, t for a part ending
// in a time unit, m for the others. Empty when the unit stays whole.
std::vector<std::pair<std::pair<int, int>, std::string>> NumberParts(const std::string& text, int start, int end) {
    std::vector<std::pair<std::pair<int, int>, std::string>> parts;
    int first = CharClass(text, start);
    if (first != 7 && first != 29) return parts;
    auto IsMark = [](int c) { return c == 1 || c == 2 || c == 4 || c == 5; };
    auto IsTimeUnit = [](int c) { return c == 16 || c == 18 || c == 21 || c == 22 || c == 23 || c == 25; };
    auto IsDigit = [](int c) { return c == 7 || c == 29; };
    // A part ends after a mark, before a mark, after a time unit that a digit follows, and at the
    // end of the unit.
    int partStart = start;
    for (int i = start; i < end;) {
        int n = CharLen(text, i), c = CharClass(text, i);
        int next = i + n < end ? CharClass(text, i + n) : -1;
        if (IsMark(c) || IsMark(next) || (IsTimeUnit(c) && IsDigit(next)) || i + n == end) {
            parts.push_back({{partStart, i + n}, IsMark(c) ? "w" : IsTimeUnit(c) ? "t" : "m"});
            partStart = i + n;
        }
        i += n;
    }
    if (parts.size() < 2) parts.clear();
    return parts;
}

// One output unit in GBK offsets of the paragraph.
struct Unit {
    int start, end;
    std::string tag;      // corpus spelling; "" for a unit without a part of speech
    bool bMerged;         // a person name merged by the role automaton
    bool bNoPOS;          // a dictionary unit whose tag is no part of speech
};

// A paragraph in the caller's encoding with the map of its character starts back to GBK offsets.
struct CallerText {
    std::string text;
    std::map<int, int> toGBK;  // caller offset of each character start (and the end) -> GBK offset
};

CallerText ToCaller(const std::string& gbk, bool bUTF8) {
    CallerText out;
    if (!bUTF8) {
        out.text = gbk;
        for (int i = 0; i <= int(gbk.size()); ++i) out.toGBK[i] = i;
        return out;
    }
    for (int i = 0; i < int(gbk.size());) {
        int n = CharLen(gbk, i);
        tstring u;
        ANSIToUTF8(gbk.substr(size_t(i), size_t(n)).c_str(), u);
        out.toGBK[int(out.text.size())] = i;
        out.text += u;
        i += n;
    }
    out.toGBK[int(out.text.size())] = int(gbk.size());
    return out;
}

// The rows of one paragraph as units. A row whose ends fall inside a character of the caller's
// text (a mapping fault) keeps a span no corpus token has, so it counts as wrong.
void RowUnits(const result_t* rows, int n, const CallerText& ct, const std::vector<std::string>& tagName,
              std::vector<Unit>& units) {
    for (int k = 0; k < n; ++k) {
        const result_t& r = rows[k];
        if (r.length <= 0) continue;
        auto b = ct.toGBK.find(r.start), e = ct.toGBK.find(r.start + r.length);
        Unit u;
        u.start = b != ct.toGBK.end() ? b->second : -1 - r.start;
        u.end = e != ct.toGBK.end() ? e->second : -1 - r.start - r.length;
        u.bMerged = r.word_type == 2;
        u.bNoPOS = r.word_type == 1 && (r.iPOS < 0 || r.iPOS > 254);
        if (u.bNoPOS)
            u.tag.clear();
        else if (r.sPOS[0] != '\0')
            u.tag = r.sPOS;
        else if (r.iPOS >= 0 && r.iPOS < 256)
            u.tag = tagName[size_t(r.iPOS)];
        units.push_back(u);
    }
}

enum class Mode { Interface, Instance, Chain };

// A scratch folder /tmp/kx_evaluate.XXXXXX whose Data links every entry of a data directory but
// the field and user dictionaries (FieldDict.*, UserDict.*); removed with the object.
class LexicalData {
public:
    LexicalData() = default;
    LexicalData(const LexicalData&) = delete;
    LexicalData& operator=(const LexicalData&) = delete;
    ~LexicalData() {
        for (const std::string& link : m_links) unlink(link.c_str());
        if (!m_root.empty()) {
            rmdir((m_root + "/Data").c_str());
            rmdir(m_root.c_str());
        }
    }
    // False when the directory cannot be read or a link cannot be made.
    bool Make(const std::string& dataDir) {
        char* real = realpath(dataDir.c_str(), nullptr);
        if (!real) return false;
        const std::string source = real;
        free(real);
        char tmpl[] = "/tmp/kx_evaluate.XXXXXX";
        if (!mkdtemp(tmpl)) return false;
        m_root = tmpl;
        if (mkdir((m_root + "/Data").c_str(), 0755) != 0) return false;
        DIR* dir = opendir(source.c_str());
        if (!dir) return false;
        bool ok = true;
        while (const dirent* e = readdir(dir)) {
            const std::string name = e->d_name;
            if (name == "." || name == ".." || name.compare(0, 10, "FieldDict.") == 0 ||
                name.compare(0, 9, "UserDict.") == 0)
                continue;
            const std::string link = m_root + "/Data/" + name;
            if (symlink((source + "/" + name).c_str(), link.c_str()) != 0) {
                ok = false;
                break;
            }
            m_links.push_back(link);
        }
        closedir(dir);
        return ok;
    }
    const std::string& Root() const { return m_root; }

private:
    std::string m_root;
    std::vector<std::string> m_links;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr,
                     "usage: evaluate_engine DATA_DIR CORPUS [--day N] [--mode interface|instance|chain] "
                     "[--encoding 0|1] [--dictionaries] [--floor NAME=VALUE ...]\n");
        return 2;
    }
    std::string dataDir = argv[1], corpus = argv[2];
    int day = 27;
    Mode mode = Mode::Interface;
    bool bUTF8 = false, bDictionaries = false;
    std::map<std::string, double> floors;
    for (int k = 3; k < argc; ++k) {
        std::string a = argv[k];
        if (a == "--day" && k + 1 < argc) {
            day = std::atoi(argv[++k]);
        } else if (a == "--mode" && k + 1 < argc) {
            std::string m = argv[++k];
            if (m == "interface") {
                mode = Mode::Interface;
            } else if (m == "instance") {
                mode = Mode::Instance;
            } else if (m == "chain") {
                mode = Mode::Chain;
            } else {
                std::fprintf(stderr, "evaluate_engine: unknown mode %s\n", m.c_str());
                return 2;
            }
        } else if (a == "--encoding" && k + 1 < argc) {
            std::string e = argv[++k];
            if (e != "0" && e != "1") {
                std::fprintf(stderr, "evaluate_engine: encoding must be 0 (GBK) or 1 (UTF-8)\n");
                return 2;
            }
            bUTF8 = e == "1";
        } else if (a == "--dictionaries") {
            bDictionaries = true;
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
    if (mode == Mode::Chain && bUTF8) {
        std::fprintf(stderr, "evaluate_engine: the chain reads GBK only\n");
        return 2;
    }
    if (FILE* f = std::fopen(corpus.c_str(), "rb")) {
        std::fclose(f);
    } else {
        std::printf("corpus not found (%s): skipped\n", corpus.c_str());
        return 77;
    }
    while (dataDir.size() > 1 && dataDir.back() == '/') dataDir.pop_back();
    std::vector<std::string> tagName = ReadTagNames(dataDir + "/PKU.map");
    std::vector<Paragraph> day27 = ReadDay(corpus, day);
    if (day27.empty()) {
        std::fprintf(stderr, "evaluate_engine: no paragraph of day %d\n", day);
        return 1;
    }

    // Start-up: the whole engine through its interface, or the chain's lexicons alone.
    CMainSystem* pInstance = nullptr;
    kxtest::EngineChain* pChain = nullptr;
    LexicalData lexical;
    if (mode == Mode::Chain) {
        if (!kxtest::LoadChainLexicons(dataDir)) {
            std::fprintf(stderr, "evaluate_engine: cannot load the data directory %s\n", dataDir.c_str());
            return 1;
        }
        g_bUserDictPrior = false;
        pChain = new kxtest::EngineChain;
    } else {
        size_t slash = dataDir.rfind('/');
        std::string leaf = slash == std::string::npos ? dataDir : dataDir.substr(slash + 1);
        std::string root = slash == std::string::npos ? std::string(".") : slash == 0 ? "/" : dataDir.substr(0, slash);
        if (leaf != "Data") {
            std::fprintf(stderr, "evaluate_engine: the data directory must be a folder named Data (%s)\n",
                         dataDir.c_str());
            return 2;
        }
        if (!bDictionaries) {
            if (!lexical.Make(dataDir)) {
                std::fprintf(stderr, "evaluate_engine: cannot link the data directory %s into a scratch folder\n",
                             dataDir.c_str());
                return 1;
            }
            root = lexical.Root();
        }
        if (KOVEX_Init(root.c_str(), bUTF8 ? 1 : 0) != 1) {
            std::fprintf(stderr, "evaluate_engine: the engine does not start on %s: %s\n", root.c_str(),
                         KOVEX_GetLastErrorMsg());
            return 1;
        }
        KOVEX_SetPOSmap(2);  // tag texts in the corpus spelling
        // The main instance is in the instance table, so it follows every user-dictionary change
        // (a learned name may create the dictionary) as the pooled instances do.
        if (mode == Mode::Instance) pInstance = g_pKOVEX;
    }

    typedef std::pair<int, int> Span;
    typedef std::pair<Span, std::string> Tagged;
    Score seg, tagged, split, splitTagged, joined, names, splitNames, merged;
    long bytes = 0, noPOSUnits = 0, noPOSTokens = 0, failed = 0;
    std::vector<Unit> units;
    for (const Paragraph& para : day27) {
        bytes += long(para.text.size());
        units.clear();
        if (pChain) {
            pChain->Line(para.text.c_str(), int(para.text.size()), [&](const word_t* w, int n) {
                for (int k = 0; k < n; ++k) {
                    if (w[k].end <= w[k].start) continue;
                    units.push_back(Unit{w[k].start, w[k].end, tagName[w[k].POS_id], w[k].handle == gUnknown_nr_ID,
                                         false});
                }
            });
        } else {
            CallerText ct = ToCaller(para.text, bUTF8);
            const result_t* rows = nullptr;
            int n = 0;
            if (pInstance) {
                tstring trans;
                pthread_mutex_lock(&g_hMainSystem);
                pInstance->ProcessA(ct.text.c_str(), trans, true, true, false);
                rows = pInstance->GetResult(&n);
                pthread_mutex_unlock(&g_hMainSystem);  // one thread: the rows stay ours
            } else {
                rows = KOVEX_ParagraphProcessA(ct.text.c_str(), &n, true);
            }
            if (!rows || n <= 0) ++failed;
            RowUnits(rows, n, ct, tagName, units);
        }

        std::set<Span> gSeg, gJoined, gNames, gNameTokens;
        const auto& g = para.gold;
        for (const Token& t : g) {
            gSeg.insert({t.start, t.end});
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
        // Units without a part of speech leave the tagged figures with the tokens they overlap.
        std::vector<Span> noPOS;
        for (const Unit& u : units)
            if (u.bNoPOS) noPOS.push_back({u.start, u.end});
        auto Overlapped = [&](int s, int e) {
            for (const Span& x : noPOS)
                if (s < x.second && x.first < e) return true;
            return false;
        };
        std::set<Tagged> gTagged;
        for (const Token& t : g) {
            if (Overlapped(t.start, t.end)) {
                ++noPOSTokens;
                continue;
            }
            gTagged.insert({{t.start, t.end}, t.tag});
        }
        noPOSUnits += long(noPOS.size());

        std::set<Span> eSeg, eSplit, eNames, eSplitNames, eMerged;
        std::set<Tagged> eTagged, eSplitTagged;
        for (const Unit& u : units) {
            Span sp{u.start, u.end};
            eSeg.insert(sp);
            bool isName = !u.bNoPOS && u.tag == "nr";
            if (isName) eNames.insert(sp);
            if (u.bMerged) eMerged.insert(sp);
            if (!u.bNoPOS) eTagged.insert({sp, u.tag});
            std::vector<Tagged> parts;
            if (u.start >= 0 && u.end > u.start) {
                if (isName) {
                    int cut = SurnameEnd(para.text, u.start, u.end);
                    if (cut > 0) parts = {{{u.start, cut}, u.tag}, {{cut, u.end}, u.tag}};
                } else if (!u.bNoPOS) {
                    parts = NumberParts(para.text, u.start, u.end);
                }
            }
            if (parts.empty()) {
                eSplit.insert(sp);
                if (!u.bNoPOS) eSplitTagged.insert({sp, u.tag});
                if (isName) eSplitNames.insert(sp);
            }
            for (const Tagged& part : parts) {
                eSplit.insert(part.first);
                eSplitTagged.insert(part);
                if (isName) eSplitNames.insert(part.first);
            }
        }
        seg.Add(gSeg, eSeg);
        tagged.Add(gTagged, eTagged);
        split.Add(gSeg, eSplit);
        splitTagged.Add(gTagged, eSplitTagged);
        joined.Add(gJoined, eSeg);
        names.Add(gNames, eNames);
        splitNames.Add(gNameTokens, eSplitNames);
        merged.Add(gNames, eMerged);
    }

    static const char* const kModeName[] = {"interface", "instance", "chain"};
    std::printf("day %d: %zu paragraphs, %ld bytes, %ld corpus words; mode %s, %s in%s\n", day, day27.size(), bytes,
                seg.gold, kModeName[int(mode)], bUTF8 ? "UTF-8" : "GBK",
                mode == Mode::Chain ? "" : bDictionaries ? ", field and user dictionaries" : ", no field or user dictionary");
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
    if (mode != Mode::Chain)
        std::printf("%-13s %ld dictionary units without a part of speech, %ld corpus words left out of the tagged "
                    "figures with them; %ld paragraphs without rows\n",
                    "no tag", noPOSUnits, noPOSTokens, failed);

    std::map<std::string, double> figure = {{"seg", seg.F()},       {"tagged", tagged.F()},
                                            {"split", split.F()},   {"split_tagged", splitTagged.F()},
                                            {"joined", joined.F()}, {"names", names.F()}};
    int rc = 0;
    for (const auto& f : floors) {
        auto it = figure.find(f.first);
        if (it == figure.end()) {
            std::fprintf(stderr, "evaluate_engine: unknown floor %s\n", f.first.c_str());
            rc = 2;
            break;
        }
        if (it->second < f.second) {
            std::printf("FAIL: %s F1 %.4f is below the floor %.4f\n", f.first.c_str(), it->second, f.second);
            rc = 1;
        }
    }
    if (failed > 0) {
        std::printf("FAIL: %ld paragraphs gave no rows\n", failed);
        rc = 1;
    }
    delete pChain;
    if (mode == Mode::Chain)
        ReleaseEngineLexicons();
    else
        KOVEX_Exit();
    return rc;
}
