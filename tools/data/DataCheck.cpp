#include "data/DataCheck.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <set>

#include "CodeTrans/CodeDetect.h"
#include "CodeTrans/CodeTran.h"
#include "CodeTrans/STLCodeTrans.h"
#include "Utility/Bigram.h"
#include "Utility/ByteIO.h"
#include "Utility/Charset.h"
#include "Utility/ContextStat.h"
#include "Utility/FSA.h"
#include "Utility/IDMaps.h"
#include "Utility/PDAT.h"
#include "Utility/POS.h"
#include "Utility/POSmap.h"
#include "Utility/Trie.h"
#include "Utility/Unigram.h"
#include "Utility/WordList.h"

namespace kxdata {

namespace {

constexpr long kMaxTotal = 214748364;  // 10 x total must stay below 2^31

// GBK texts of the special words (the engine looks them up by these bytes).
const char* const kClassWords[9] = {
    "\xCA\xBC##\xCA\xBC",  // 始##始
    "\xC4\xA9##\xC4\xA9",  // 末##末
    "\xCE\xB4##\xB4\xAE",  // 未##串
    "\xCE\xB4##\xC8\xCB",  // 未##人
    "\xCE\xB4##\xB5\xD8",  // 未##地
    "\xCE\xB4##\xCD\xC5",  // 未##团
    "\xCE\xB4##\xCA\xB1",  // 未##时
    "\xCE\xB4##\xCA\xFD",  // 未##数
    "\xCE\xB4##\xD7\xA8",  // 未##专
};
const char* const kOne = "\xD2\xBB";  // 一
// Exact candidate lists of the class words, by index into kClassWords (-1: not fixed here).
const int kClassTag[9] = {82, 82, 93, 24, 29, 31, 52, 18, 32};
// 。，；：？！％（）｛＋｝［］／＝
const char* const kFullDelims = "\xA1\xA3\xA3\xAC\xA3\xBB\xA3\xBA\xA3\xBF\xA3\xA1\xA3\xA5\xA3\xA8\xA3\xA9"
                                "\xA3\xFB\xA3\xAB\xA3\xFD\xA3\xDB\xA3\xDD\xA3\xAF\xA3\xBD";

// The BIG5 sample of the converter and detector checks: 國務院總理今天在人民大會堂會見了來訪的客人，
// 雙方就兩國關係交換了意見。
const char* const kBig5Sample =
    "\xB0\xEA\xB0\xC8\xB0\x7C\xC1\x60\xB2\x7A\xA4\xB5\xA4\xD1\xA6\x62\xA4\x48\xA5\xC1\xA4\x6A\xB7\x7C"
    "\xB0\xF3\xB7\x7C\xA8\xA3\xA4\x46\xA8\xD3\xB3\x58\xAA\xBA\xAB\xC8\xA4\x48\xA1\x41\xC2\xF9\xA4\xE8"
    "\xB4\x4E\xA8\xE2\xB0\xEA\xC3\xF6\xAB\x59\xA5\xE6\xB4\xAB\xA4\x46\xB7\x4E\xA8\xA3\xA1\x43";
// Its simplified form, as the BIG5 set brings it into GBK.
const char* const kSimplifiedSample = u8"国务院总理今天在人民大会堂会见了来访的客人，双方就两国关系交换了意见。";

// The stores of one converter set, loaded file by file so that a failure names its file.
struct CodeSet {
    CPDAT gbk{1}, other{1};
    CWordList gbkList{false, nullptr}, otherList{false, nullptr};
    CIDMaps toGbk, fromGbk;
};

class Checker {
public:
    Checker(const std::string& dir, bool bShipped, std::vector<CheckLine>& report)
        : m_dir(dir), m_bShipped(bShipped), m_report(report) {}
    int Run();

private:
    std::string P(const std::string& name) const { return m_dir + "/" + name; }
    // Starts the line of one file.
    CheckLine& Begin(const std::string& file) {
        m_report.push_back(CheckLine{file, true, ""});
        return m_report.back();
    }
    void Bad(const std::string& msg) {
        CheckLine& l = m_report.back();
        if (l.ok) l.summary.clear();
        l.ok = false;
        if (l.summary.size() < 600) l.summary += (l.summary.empty() ? "" : "; ") + msg;
    }
    void Note(const std::string& msg) {
        CheckLine& l = m_report.back();
        if (l.ok) l.summary += (l.summary.empty() ? "" : ", ") + msg;
    }
    bool Exists(const std::string& name) const {
        std::FILE* f = std::fopen(P(name).c_str(), "rb");
        if (f) std::fclose(f);
        return f != nullptr;
    }
    bool Raw(const std::string& name, std::vector<unsigned char>& bytes) {
        if (ReadFileBytes(P(name).c_str(), bytes)) return true;
        Bad("cannot read");
        return false;
    }

    void Maps();
    void Charset();
    void Core();
    void Unigram(const std::string& name, CPDAT* dict, int* totalOut);
    void Bigram();
    void Pos(const std::string& name, CPDAT& dict, bool core);
    void Context(const std::string& name, int n);
    void Roles();
    void Fsa();
    void Blacklist();
    void FieldDict();
    void UserDict();
    void English();
    void CodeSets();
    void IdentitySet(CodeSet& set, int code);
    void Big5Sample();
    void Model();

    std::string m_dir;
    bool m_bShipped;
    std::vector<CheckLine>& m_report;
    bool m_bFieldOn = false, m_bUserOn = false;  // the items FieldDict and UserDict
    std::unique_ptr<CPOSmap> m_map0;
    int m_tagCount = 0;
    std::unique_ptr<CPDAT> m_core;
    std::unique_ptr<CUnigram> m_uni;
    std::unique_ptr<CCharset> m_charset;
    int m_handles[9] = {};
};

void Checker::Maps() {
    const char* names[4] = {"KOVEX.map", "KOVEX_First.map", "PKU.map", "PKU_First.map"};
    int counts[4] = {};
    for (int k = 0; k < 4; ++k) {
        Begin(names[k]);
        CPOSmap map;
        if (!map.Load(P(names[k]).c_str())) {
            Bad("does not load");
            continue;
        }
        counts[k] = map.GetItemCount();
        std::set<std::string> seen;
        for (int i = 0; i < counts[k]; ++i) {
            std::string n = map.GetPOS(tuchar(i));
            std::string low;
            for (char c : n) low += char(c >= 'A' && c <= 'Z' ? c + 32 : c);
            if (n.empty() || n.size() > 9) Bad("tag " + std::to_string(i) + " has a bad length");
            for (char c : n)
                if ((unsigned char)c <= 0x20 || (unsigned char)c >= 0x7F || c == '/' || c == '[' || c == ']')
                    Bad("tag " + std::to_string(i) + " has a bad byte");
            if (!n.empty() && ((n[0] >= '0' && n[0] <= '9') || n[0] == '-'))
                Bad("tag " + std::to_string(i) + " reads as a weight");
            if (low == "neg" || low == "object" || low == "remsent") Bad("tag " + std::to_string(i) + " is reserved");
            if (k == 0 && !seen.insert(low).second) Bad("tag " + std::to_string(i) + " repeats " + n);
        }
        Note(std::to_string(counts[k]) + " tags");
        if (k == 0) {
            m_map0.reset(new CPOSmap);
            m_map0->Load(P(names[0]).c_str());
            m_tagCount = counts[0];
            const std::pair<int, const char*> fixed[] = {
                {1, "brk"}, {18, "m"}, {21, "n"}, {24, "nr"}, {29, "ns"}, {31, "nt"}, {32, "nz"},
                {52, "t"}, {78, "w"}, {82, "wj"}, {91, "wyy"}, {93, "nx"}, {96, "xu"}, {97, "xe"}, {98, "xr"}};
            for (const auto& f : fixed)
                if (m_map0->GetID(f.second) != f.first) Bad(std::string(f.second) + " is not tag " + std::to_string(f.first));
        } else if (counts[k] != counts[0]) {
            Bad("has " + std::to_string(counts[k]) + " tags, KOVEX.map " + std::to_string(counts[0]));
        }
    }
}

void Checker::Charset() {
    Begin("charset.type");
    m_charset.reset(new CCharset);
    CCharset& cs = *m_charset;
    if (!cs.Load(P("charset.type").c_str())) {
        m_charset.reset();
        return Bad("does not load");
    }
    int perClass[256] = {};
    for (int c = 0; c < 65536; ++c) ++perClass[cs.GetType(c)];
    const int ends[] = {0xA1A3, 0xA3A1, 0xA3BF, '!', '?', '\t', '\n', '\r', ' '};
    int n28 = 0;
    for (int c : ends)
        if (cs.GetType(c) == 28) ++n28;
    if (n28 != 9 || perClass[28] != 9) Bad("class 28 must hold exactly the sentence ends and white space");
    if (cs.GetType('^') != 1 && cs.GetType('^') != 3) Bad("^ must be class 1 or 3");
    for (int c : {'"', '\''})
        if (cs.GetType(c) != 1 && cs.GetType(c) != 3) Bad("ASCII quotes must be class 1 or 3");
    if (cs.GetType('.') != 3) Bad(". must be class 3");
    if (cs.GetType(0xA1AD) == 4) Bad("the ellipsis must not be class 4");
    int yue = cs.GetType(0xD4C2);  // 月
    if (yue != 16 && yue != 18 && yue != 21 && yue != 22 && yue != 25) Bad("month must be a day unit");
    for (int c = '0'; c <= '9'; ++c)
        if (cs.GetType(c) != 29) Bad("ASCII digits must be class 29");
    for (int c = 0xA3B0; c <= 0xA3B9; ++c)
        if (cs.GetType(c) != 7) Bad("full-width digits must be class 7");
    Note(std::to_string(cs.GetCount()) + " characters typed, " + std::to_string(65536 - perClass[0]) + " codes not 0");
}

void Checker::Core() {
    Begin("CoreDict.pdat");
    m_core.reset(new CPDAT(0));
    if (!m_core->Load(P("CoreDict.pdat").c_str())) {
        m_core.reset();
        return Bad("does not load");
    }
    int items = int(m_core->GetItemCount());
    for (int k = 0; k < 9; ++k) {
        m_handles[k] = m_core->Find(kClassWords[k]);
        if (m_handles[k] < 0) Bad(std::string("class word ") + std::to_string(k) + " is missing");
    }
    if (m_handles[0] != 0) Bad("the sentence start word must be handle 0");
    int one = m_core->Find(kOne);
    if (one != items - 1 || one <= 0) Bad("the numeral one must be the last handle");
    for (int k = 0; k < 16; ++k) {
        char w[3] = {kFullDelims[2 * k], kFullDelims[2 * k + 1], 0};
        if (m_core->Find(w) < 0) Bad("full-width delimiter " + std::to_string(k) + " is missing");
    }
    for (const char* w : {"+", "-", "=", "\xA1\xB0", "\xA1\xB1", "\xA1\xAE", "\xA1\xAF", "\xA1\xAA\xA1\xAA\xA1\xAA"})
        if (m_core->Find(w) < 0) Bad("a special word is missing");
    Note(std::to_string(items) + " words");
}

void Checker::Unigram(const std::string& name, CPDAT* dict, int* totalOut) {
    Begin(name);
    std::unique_ptr<CUnigram> u(new CUnigram(-1));
    if (!u->Load(P(name).c_str())) return Bad("does not load");
    long total = u->GetTotalFreq();
    if (u->GetItemCount() <= 0) Bad("size must be above 0");
    if (total <= 0 || total > kMaxTotal) Bad("total must be in (0, 214748364]");
    if (dict && u->GetBound() < int(dict->GetItemCount())) Bad("bound below the dictionary's item count");
    long sum = 0;
    for (int i = 0; i < u->GetBound(); ++i) {
        if (u->GetFreq(i) < 0) Bad("negative count");
        sum += u->GetFreq(i);
    }
    if (sum != total) Bad("total is not the sum of the counts");
    Note("size " + std::to_string(u->GetItemCount()) + ", bound " + std::to_string(u->GetBound()) + ", total " +
         std::to_string(total));
    if (totalOut) *totalOut = int(total);
    if (name == "CoreDict.unig") m_uni = std::move(u);
}

void Checker::Bigram() {
    Begin("BiWord.big");
    CBigram bi(true, 0);
    if (!bi.Load(P("BiWord.big").c_str())) return Bad("does not load");
    std::vector<unsigned char> raw;
    if (!Raw("BiWord.big", raw)) return;
    int size = int(GetLE32(&raw[0])), bound = int(GetLE32(&raw[4]));
    if (m_core && bound < int(m_core->GetItemCount())) Bad("bound below the core item count");
    const unsigned char* pairs = &raw[8];
    const unsigned char* index = &raw[8 + 8 * size_t(size)];
    long bad = 0, over = 0;
    for (int id = 0; id < bound; ++id) {
        int start = int(GetLE32(index + 8 * size_t(id))), end = int(GetLE32(index + 8 * size_t(id) + 4));
        if (start < 0 || end < start) continue;
        long sum = 0;
        for (int p = start; p <= end; ++p) {
            int h2 = int(GetLE32(pairs + 8 * size_t(p)));
            sum += int(GetLE32(pairs + 8 * size_t(p) + 4));
            if (p > start && h2 <= int(GetLE32(pairs + 8 * size_t(p - 1)))) ++bad;
        }
        if (m_uni && sum > m_uni->GetFreq(id)) ++over;
    }
    if (bad) Bad(std::to_string(bad) + " pairs out of order");
    if (over) Bad(std::to_string(over) + " words with more pair counts than unigram count");
    Note(std::to_string(size) + " pairs, bound " + std::to_string(bound));
}

void Checker::Pos(const std::string& name, CPDAT& dict, bool core) {
    Begin(name);
    CPOS pos;
    if (!pos.Load(P(name).c_str())) return Bad("does not load");
    if (pos.GetBound() < int(dict.GetItemCount())) Bad("bound below the dictionary's item count");
    long records = 0, words = 0;
    for (int h = 0; h < pos.GetBound(); ++h) {
        int n = 0;
        const POS_info* p = pos.GetPOS(h, &n);
        if (!p || n == 0) continue;
        ++words;
        for (int k = 0; k < n; ++k) {
            ++records;
            int id = p[k].POS_id;
            if (id == 1 || id >= m_tagCount) Bad("word " + std::to_string(h) + " has tag id " + std::to_string(id));
            if (k && id <= p[k - 1].POS_id) Bad("word " + std::to_string(h) + " candidates out of order");
            if (id == 93 && (!core || h != m_handles[2])) Bad("word " + std::to_string(h) + " carries 93");
        }
    }
    if (core && m_charset) {
        // A punctuation mark's candidates stay among the punctuation tags.
        for (int code = 0x21; code < 0x10000; ++code) {
            int cls = m_charset->GetType(code);
            if (cls < 1 || (cls > 4 && cls != 28)) continue;
            char w[3] = {char(code < 0x100 ? code : code >> 8), char(code < 0x100 ? 0 : code & 0xFF), 0};
            int n = 0;
            const POS_info* p = pos.GetPOS(dict.Find(w), &n);
            for (int k = 0; k < n; ++k)
                if (p[k].POS_id < 78 || p[k].POS_id > 92) Bad("punctuation " + std::to_string(code) + " has tag " + std::to_string(p[k].POS_id));
        }
    }
    if (core) {
        for (int k = 0; k < 9; ++k) {
            int n = 0;
            const POS_info* p = pos.GetPOS(m_handles[k], &n);
            if (n != 1 || p[0].POS_id != kClassTag[k])
                Bad("class word " + std::to_string(k) + " must have the single candidate " + std::to_string(kClassTag[k]));
        }
    }
    Note(std::to_string(words) + " words with " + std::to_string(records) + " candidates");
}

void Checker::Context(const std::string& name, int n) {
    Begin(name);
    CContextStat ctx;
    if (!ctx.Load(P(name).c_str(), false)) return Bad("does not load");
    if (ctx.GetTableLen() != n) Bad("has " + std::to_string(ctx.GetTableLen()) + " tags, expected " + std::to_string(n));
    std::vector<unsigned char> raw;
    if (!Raw(name, raw)) return;
    int N = raw[0];
    long total = int(GetLE32(&raw[1])), sum = 0;
    for (int a = 0; a < N; ++a) {
        long row = 0;
        for (int b = 0; b < N; ++b) row += int(GetLE32(&raw[5 + 4 * size_t(N) + 4 * (size_t(a) * N + b)]));
        if (row != int(GetLE32(&raw[5 + 4 * size_t(a)]))) Bad("row " + std::to_string(a) + " does not sum to its frequency");
        sum += row;
    }
    if (sum != total || total <= 0) Bad("total must be the sum of all counts and above 0");
    Note(std::to_string(N) + " tags, total " + std::to_string(total));
}

void Checker::Roles() {
    Begin("nr.role");
    CPOS role;
    if (!role.Load(P("nr.role").c_str())) return Bad("does not load");
    if (m_core && role.GetBound() < int(m_core->GetItemCount())) Bad("bound below the core item count");
    std::map<int, long> perRole;
    for (int h = 0; h < role.GetBound(); ++h) {
        int n = 0;
        const POS_info* p = role.GetPOS(h, &n);
        for (int k = 0; k < n; ++k) {
            int r = p[k].POS_id;
            perRole[r] += p[k].freq;
            if (r == 24 || r == 27 || (r >= 78 && r <= 92) || r >= 23) Bad("role id " + std::to_string(r) + " not allowed");
        }
    }
    for (int k = 0; k < 2; ++k) {
        int n = 0;
        const POS_info* p = role.GetPOS(m_handles[k], &n);
        if (n != 1 || p[0].POS_id != 0) Bad("sentence boundary words must have the single role 0");
    }
    std::string s;
    for (const auto& r : perRole) s += (s.empty() ? "" : " ") + std::to_string(r.first) + ":" + std::to_string(r.second);
    Note("roles " + s);
}

void Checker::Fsa() {
    Begin("nr.fsa");
    CFSA fsa;
    if (!fsa.Load(P("nr.fsa").c_str())) return Bad("does not load");
    int n = fsa.GetStateCount(), m = fsa.GetInputSetSize();
    if (n <= 0 || m <= 0) Bad("empty automaton");
    for (int s = 0; s < n; ++s) {
        if (fsa.GetNext(s, 0) != -1) Bad("the boundary role has a transition");
        if (fsa.IsAccepted(s) && fsa.GetAcceptedTag(s) != 24 && fsa.GetAcceptedTag(s) != 27)
            Bad("an accepting state gives a tag other than a person name");
        for (int i = 0; i < m; ++i)
            if (fsa.GetNext(s, i) < -1 || fsa.GetNext(s, i) >= n) Bad("next state out of range");
    }
    Note(std::to_string(n) + " states, " + std::to_string(m) + " inputs");
}

void Checker::Blacklist() {
    Begin("KeyBlackList.pdat");
    CPDAT d(0);
    if (!d.Load(P("KeyBlackList.pdat").c_str())) return Bad("does not load");
    if (d.GetItemCount() == 0) Bad("holds no word");
    Note(std::to_string(d.GetItemCount()) + " words");
}

// The field dictionary (the sentiment lexicon) is optional: when present, its three files agree
// and every tag is a weight (numeric, never 0) or "Neg".
// A field dictionary that is shipped must be switched on (and, in a shipped directory, one that is
// switched on must be shipped).
void Checker::FieldDict() {
    Begin("FieldDict.pdat");
    const bool any = Exists("FieldDict.pdat") || Exists("FieldDict.pos") || Exists("FieldDict.wordlist");
    if (!any) {
        if (m_bShipped && m_bFieldOn) return Bad("switched on in Configure.xml but absent");
        return Note(m_bFieldOn ? "absent" : "absent, switched off");
    }
    if (!m_bFieldOn) return Bad("present but switched off in Configure.xml");
    CPDAT d(0);
    if (!d.Load(P("FieldDict.pdat").c_str())) return Bad("does not load");
    const int items = int(d.GetItemCount());
    if (items == 0) return Bad("holds no word");
    Note(std::to_string(items) + " words");
    Begin("FieldDict.pos");
    CWordList tags(false, nullptr);
    if (!tags.Load(P("FieldDict.pos").c_str())) return Bad("does not load");
    if (tags.GetItemCount() != items) return Bad("holds " + std::to_string(tags.GetItemCount()) + " tags");
    long weights = 0, negations = 0, bad = 0;
    for (int h = 0; h < items; ++h) {
        const std::string tag = tags.GetWord(h);
        const bool numeric = !tag.empty() && (std::isdigit(static_cast<unsigned char>(tag[0])) ||
                                              (tag[0] == '-' && tag.size() > 1 && std::isdigit(static_cast<unsigned char>(tag[1]))));
        if (numeric && std::strtod(tag.c_str(), nullptr) != 0.0)
            ++weights;
        else if (tag == "Neg")
            ++negations;
        else
            ++bad;
    }
    if (bad) Bad(std::to_string(bad) + " tags neither a weight other than 0 nor Neg");
    Note(std::to_string(weights) + " weights, " + std::to_string(negations) + " negation words");
    Begin("FieldDict.wordlist");
    CWordList words(true, nullptr);
    if (!words.Load(P("FieldDict.wordlist").c_str())) return Bad("does not load");
    long missing = 0;
    for (int h = 0; h < items; ++h) {
        const char* w = words.GetWord(h);
        if (!*w || d.Find(w) != h || std::strpbrk(w, " \t/")) ++missing;
    }
    if (missing) Bad(std::to_string(missing) + " handles without their word");
    Note(std::to_string(words.GetItemCount()) + " words");
}

// The user dictionary: a shipped directory that switches it on ships one (empty as a rule), so
// that start-up finds it and logs nothing.
void Checker::UserDict() {
    Begin("UserDict.pdat");
    if (!Exists("UserDict.pdat")) {
        if (m_bShipped && m_bUserOn) return Bad("switched on in Configure.xml but absent");
        return Note("absent");
    }
    CTrie trie;
    if (!trie.Load(P("UserDict.pdat").c_str())) return Bad("does not load");
    Note(std::to_string(trie.GetLowerBound() - trie.GetDelNum()) + " words");
}

void Checker::English() {
    Begin("English/English.pdat");
    CPDAT en(0);
    if (!en.Load(P("English/English.pdat").c_str())) return Bad("does not load");
    int items = int(en.GetItemCount());
    if (items < 2 || en.Find("<none>") != 0) Bad("handle 0 must be the placeholder");
    Note(std::to_string(items) + " words");
    Begin("English/English.wordlist");
    CWordList list(false, nullptr);
    if (!list.Load(P("English/English.wordlist").c_str())) {
        Bad("does not load");
    } else {
        long missing = 0;
        for (int h = 0; h < items; ++h)
            if (!*list.GetWord(h) || en.Find(list.GetWord(h)) != h) ++missing;
        if (missing) Bad(std::to_string(missing) + " handles without their word");
        Note(std::to_string(list.GetItemCount()) + " strings");
    }
    int total = 0;
    Unigram("English/English.ung", &en, &total);
    Pos("English/English.pos", en, false);
    Begin("English/Irrel2regular.map");
    CIDMaps irr;
    if (!irr.Load(P("English/Irrel2regular.map").c_str())) {
        Bad("does not load");
    } else {
        long n = 0;
        for (int h = 0; h < items; ++h) {
            int c = 0;
            const idmaps_info* t = irr.GetMaps(h, &c);
            for (int k = 0; k < c; ++k) {
                ++n;
                if (t[k].handle2 == h) Bad("a form maps to itself");
                if (t[k].handle2 < 0 || t[k].handle2 >= items) Bad("a target is not a word");
            }
        }
        Note(std::to_string(n) + " irregular forms");
    }
    Begin("English/ne.pdat");
    CPDAT ne(0);
    if (!ne.Load(P("English/ne.pdat").c_str()) || ne.GetItemCount() == 0) return Bad("does not load or is empty");
    Note(std::to_string(ne.GetItemCount()) + " entities");
    Pos("English/ne.pos", ne, false);
}

void Checker::CodeSets() {
    const char* rows[5][6] = {
        {"GBKA.pdat", "GBKA.wordlist", "UTF8.pdat", "UTF8.wordlist", "UTF2GBKA.map", "GBKA2UTF.map"},
        {"GBK.pdat", "GBK.wordlist", "BIG5.pdat", "BIG5.wordlist", "BIG2GBK.map", "GBK2BIG.map"},
        {"GBK.pdat", "GBK.wordlist", "GBKA.pdat", "GBKA.wordlist", "GBKA2GBK.map", "GBK2GBKA.map"},
        {"GBKA.pdat", "GBKA.wordlist", "UTF8.pdat", "UTF8.wordlist", "GBKA2UTF.map", "UTF2GBKA.map"},
        {"GBK.pdat", "GBK.wordlist", "UTF8.pdat", "UTF8.wordlist", "UTF2GBK.map", "GBK2UTF.map"}};
    for (int code = 1; code <= 5; ++code) {
        const char* const* r = rows[code - 1];
        Begin("code set " + std::to_string(code));
        CodeSet set;
        if (!set.gbk.Load(P(r[0]).c_str()) || !set.gbkList.Load(P(r[1]).c_str()) ||
            !set.other.Load(P(r[2]).c_str()) || !set.otherList.Load(P(r[3]).c_str()) ||
            !set.toGbk.Load(P(r[4]).c_str()) || !set.fromGbk.Load(P(r[5]).c_str())) {
            Bad("a file does not load");
            continue;
        }
        const int nGbk = int(set.gbk.GetItemCount()), nOther = int(set.other.GetItemCount());
        if (nGbk == 0 || nOther == 0) Bad("an empty set");
        // Every map target must be a character the target set really has.
        auto targets = [&](const CIDMaps& m, CPDAT& to, const CWordList& toList) {
            long n = 0;
            for (int h = 0; h < m.GetBound(); ++h) {
                int c = 0;
                const idmaps_info* t = m.GetMaps(h, &c);
                for (int k = 0; k < c; ++k, ++n) {
                    const char* w = toList.GetWord(t[k].handle2);
                    if (!*w || to.Find(w) != t[k].handle2) {
                        Bad("a map target is not in its set");
                        return n;
                    }
                }
            }
            return n;
        };
        long a = targets(set.toGbk, set.gbk, set.gbkList);
        long b = targets(set.fromGbk, set.other, set.otherList);
        Note(std::to_string(nGbk) + "/" + std::to_string(nOther) + " characters, " + std::to_string(a) + "/" +
             std::to_string(b) + " map entries");
        if (code == 2) {
            Big5Sample();
        } else {
            IdentitySet(set, code);
        }
    }
}

// Codes 1, 3, 4 and 5 hold the same characters on both sides under the same handles: both maps
// are identities, and each handle's text on the other side is the code page 936 conversion of its
// GBK text (or that text itself for GBKA). The GBK side holds double-byte characters only (ASCII
// passes unconverted; the one-byte euro sign 0x80 is left out).
void Checker::IdentitySet(CodeSet& set, int code) {
    const int n = int(set.gbk.GetItemCount());
    if (int(set.other.GetItemCount()) != n) return Bad("the two sides differ in size");
    long wrong = 0, notDouble = 0, notSame = 0;
    for (int h = 0; h < n; ++h) {
        const CIDMaps* maps[2] = {&set.toGbk, &set.fromGbk};
        for (const CIDMaps* m : maps) {
            int c = 0;
            const idmaps_info* t = m->GetMaps(h, &c);
            if (c != 1 || t[0].handle2 != h) ++wrong;
        }
        const std::string g = set.gbkList.GetWord(h);
        if (g.size() != 2 || (unsigned char)g[0] < 0x81 || set.gbk.Find(g.c_str()) != h) ++notDouble;
        tstring other = g;
        if (code != 3) ANSIToUTF8(g.c_str(), other);
        if (other != set.otherList.GetWord(h) || set.other.Find(other.c_str()) != h) ++notSame;
    }
    if (wrong) Bad(std::to_string(wrong) + " map entries that are not identities");
    if (notDouble) Bad(std::to_string(notDouble) + " GBK entries that are not double-byte characters");
    if (notSame) Bad(std::to_string(notSame) + " handles whose two texts are not the same character");
    if (set.gbk.Find("\x80") >= 0 || set.other.Find("\x80") >= 0 || set.other.Find("\xE2\x82\xAC") >= 0)
        Bad("the euro sign is in the set");  // € (code page 936 0x80, UTF-8 E2 82 AC)
}

// BIG5 text comes in as simplified GBK, and that GBK goes out as BIG5 that comes back the same.
void Checker::Big5Sample() {
    CCodeTran conv(m_dir.c_str(), 2);
    tstring simplified, gbk, big5, back;
    if (conv.GetStatus() != 1 || !UTF8ToANSI(kSimplifiedSample, simplified))
        return Bad("the converter does not load");
    conv.CodeToGBK(kBig5Sample, gbk);
    if (gbk != simplified) Bad("the BIG5 sample does not come in as simplified GBK");
    conv.GBKToCode(simplified.c_str(), big5);
    conv.CodeToGBK(big5.c_str(), back);
    if (big5.size() != simplified.size() || back != simplified)
        Bad("the simplified sample does not round-trip");
}

void Checker::Model() {
    Begin("CodeTrans.model");
    std::vector<unsigned char> raw;
    if (!Raw("CodeTrans.model", raw)) return;
    if (raw.size() < CODETRANS_HEADER_BYTES) return Bad("shorter than its maps");
    const int n = int(GetLE32(&raw[CODETRANS_HEADER_BYTES - 4]));
    if (n <= 0 || raw.size() != CODETRANS_HEADER_BYTES + 16 * size_t(n))
        return Bad("cell count does not match the file length");
    for (int i = 0; i < n; ++i) {
        const int fail = int(GetLE32(&raw[CODETRANS_HEADER_BYTES + 16 * size_t(i) + 8]));
        if (fail < 0 || fail >= n) return Bad("a failure link out of range");
    }
    long mapped = 0;
    for (size_t i = 0; i < 2 * size_t(CODETRANS_MAP_SIZE); ++i) mapped += GetLE16(&raw[2 * i]) != 0;
    // Short texts in each encoding, detected by the library's own detector.
    tstring gbk;
    UTF8ToANSI(kSimplifiedSample, gbk);
    std::string utf16;
    for (wchar_t c : utf8_to_unicode(tstring(kSimplifiedSample))) {
        utf16 += char(c & 0xFF);
        utf16 += char((c >> 8) & 0xFF);
    }
    const std::string big5 = kBig5Sample, utf8 = kSimplifiedSample;
    struct {
        const std::string* text;
        int code;
        const char* name;
    } cases[] = {{&gbk, CODETRANS_GBK, "GBK"},
                 {&big5, CODETRANS_BIG5, "BIG5"},
                 {&utf8, CODETRANS_UTF8, "UTF-8"},
                 {&utf16, CODETRANS_UNICODE, "Unicode"}};
    if (CodeTrans_LoadModel(raw.data(), raw.size()) != 0) return Bad("does not load");
    for (const auto& c : cases) {
        const int got = CodeTrans_CodeDetect(c.text->data(), int(c.text->size()));
        if (got != c.code) Bad(std::string(c.name) + " sample detected as " + std::to_string(got));
    }
    if (CodeTrans_CodeDetect("", 0) != CODETRANS_GBK) Bad("empty text must detect as GBK");
    if (CodeTrans_CodeDetect("plain ASCII text", 16) != CODETRANS_GBK) Bad("ASCII must detect as GBK");
    CodeTrans_Destroy();
    Note(std::to_string(n) + " cells, " + std::to_string(mapped) + " mapped codes");
}

int Checker::Run() {
    Begin("Configure.xml");
    std::vector<unsigned char> cfg;
    if (!Raw("Configure.xml", cfg)) {
    } else {
        std::string t(cfg.begin(), cfg.end());
        if (t.find("<TagSet>KOVEX.map</TagSet>") == std::string::npos) Bad("TagSet must name KOVEX.map");
        if (t.find("<Tagger>off") != std::string::npos) Bad("tagging must be on");
        auto on = [&](const char* item) {
            const std::string open = std::string("<") + item + ">";
            const size_t at = t.find(open);
            return at != std::string::npos && t.compare(at + open.size(), 3, "on<") == 0;
        };
        m_bFieldOn = on("FieldDict");
        m_bUserOn = on("UserDict");
        if (t.find("<POSDelimiter>") != std::string::npos || t.find("<WordBoundary>") != std::string::npos)
            Bad("the delimiter and boundary must keep their defaults");
        Note("items present");
    }
    Maps();
    Charset();
    Core();
    if (m_core) {
        Unigram("CoreDict.unig", m_core.get(), nullptr);
        Bigram();
        Pos("CoreDict.pos", *m_core, true);
        Roles();
    }
    Context("KOVEX.ctx", m_tagCount);
    Context("nr.ctx", 23);
    Fsa();
    Blacklist();
    FieldDict();
    UserDict();
    English();
    CodeSets();
    Model();
    int failed = 0;
    for (const CheckLine& l : m_report) failed += !l.ok;
    return failed;
}

}  // namespace

int CheckDataDirectory(const std::string& dataDir, std::vector<CheckLine>& report, bool bShipped) {
    report.clear();
    Checker c(dataDir, bShipped, report);
    return c.Run();
}

}  // namespace kxdata
