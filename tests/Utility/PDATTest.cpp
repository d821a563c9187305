#include "Utility/PDAT.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <thread>

#include "Utility/ByteIO.h"
#include "Utility/Charset.h"
#include "Utility/LogFile.h"
#include "common/JiebaWords.h"
#include "common/TestUtil.h"

namespace {

// Checks the cell invariants of a packed dictionary; returns "" or the first violation.
std::string CheckCells(const CPDAT& d) {
    const state* c = d.GetCells();
    if (!c) return "no cells";
    int L = d.GetLowerBound();
    if (c[L].check == -1) return "L is not in use";
    std::vector<int> children(size_t(L) + 1, 0);
    for (int k = 0; k <= L; ++k)
        if (c[k].check >= 0) {
            if (c[k].check > L || c[c[k].check].check == -1) return "parent out of range at " + std::to_string(k);
            ++children[size_t(c[k].check)];
        }
    for (int k = 0; k <= L; ++k) {
        const state& s = c[k];
        std::string at = " at cell " + std::to_string(k);
        if (s.check == -1) {
            if (s.base != -1 || s.handle != -1) return "free cell not all -1" + at;
            continue;
        }
        if (s.check < -2) return "bad check" + at;
        if (s.check >= 0) {
            int64_t b = std::llabs(int64_t(c[s.check].base));
            if (k - b < 0 || k - b >= d.GetCharsetSize()) return "symbol id out of range" + at;
        } else if (k >= d.GetCharsetSize()) {
            return "root child beyond the symbol ids" + at;
        }
        if (s.base <= 0) {
            if (s.handle < 0) return "word end without handle" + at;
            if (-s.base == k) {
                if (children[size_t(k)] != 0) return "leaf with children" + at;
            } else if (s.base == 0 || children[size_t(k)] == 0) {
                return "word end with bad base" + at;
            }
        } else {
            if (s.handle != -1 || children[size_t(k)] == 0) return "inner cell" + at;
        }
    }
    return "";
}

// Mode-0 form of a stored word: one-byte capitals folded, tabs dropped.
std::string Mode0Key(const std::string& w) {
    std::string k;
    for (size_t i = 0; i < w.size();) {
        unsigned char ch = static_cast<unsigned char>(w[i]);
        if (ch >= 0x80 && i + 1 < w.size()) {
            k += w.substr(i, 2);
            i += 2;
            continue;
        }
        if (ch != '\t') k += char(ch >= 'A' && ch <= 'Z' ? ch + 32 : ch);
        ++i;
    }
    return k;
}

CPDAT* BuildDict(const std::vector<std::string>& words, int mode = 0) {
    CPDAT* d = new CPDAT(mode);
    for (const auto& w : words) d->AddWord(w.c_str());
    d->AddWordComplete();
    return d;
}

std::string RandomWord(std::mt19937& rng) {
    static const char* kAlphabet[] = {"a", "b", "c", "d", "e", "1", "\xB0\xA1" /* 啊 */, "\xD6\xD0" /* 中 */,
                                      "\xB9\xFA" /* 国 */, "\xC8\xCB" /* 人 */, "\xFE\xFE"};
    std::string w;
    int n = 1 + int(rng() % 6);
    for (int i = 0; i < n; ++i) w += kAlphabet[rng() % (sizeof kAlphabet / sizeof *kAlphabet)];
    return w;
}

std::string Bytes(const std::vector<unsigned char>& v) { return std::string(v.begin(), v.end()); }

}  // namespace

// Random word sets against std::map: exact, longest-prefix and all-prefix lookups, before and
// after a save/load round trip, and the cell invariants.
TEST(PDATTest, AgreesWithMapOnRandomWordSets) {
    for (unsigned seed : {1u, 7u, 2024u}) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::mt19937 rng(seed);
        std::map<std::string, int> ref;
        CPDAT d(0);
        for (int i = 0; i < 3000; ++i) {
            std::string w = RandomWord(rng);
            int h = d.AddWord(w.c_str());
            auto it = ref.emplace(w, int(ref.size())).first;
            ASSERT_EQ(h, it->second) << w;
        }
        ASSERT_EQ(d.GetItemCount(), ref.size());
        ASSERT_TRUE(d.AddWordComplete());
        ASSERT_EQ(CheckCells(d), "");

        kxtest::TempDir dir;
        std::string path = dir.file("r.pdat");
        ASSERT_TRUE(d.Save(path.c_str()));
        EXPECT_EQ(kxtest::ReadAll(path).size(), 262156u + 12u * unsigned(d.GetLowerBound() + 1));
        CPDAT loaded(1);
        ASSERT_TRUE(loaded.Load(path.c_str()));
        EXPECT_EQ(loaded.GetMode(), 0);
        EXPECT_EQ(loaded.GetItemCount(), d.GetItemCount());

        for (const CPDAT* p : std::vector<const CPDAT*>{&d, &loaded}) {
            for (const auto& kv : ref) ASSERT_EQ(p->Find(kv.first.c_str()), kv.second) << kv.first;
            for (int i = 0; i < 3000; ++i) {
                std::string q = RandomWord(rng) + RandomWord(rng);
                auto it = ref.find(q);
                ASSERT_EQ(p->Find(q.c_str()), it == ref.end() ? -1 : it->second) << q;
                // Reference prefixes, at character boundaries.
                std::vector<std::pair<int, int>> prefixes;
                for (size_t e = 0; e < q.size();) {
                    e += static_cast<unsigned char>(q[e]) >= 0x80 ? 2 : 1;
                    auto pit = ref.find(q.substr(0, e));
                    if (pit != ref.end()) prefixes.emplace_back(int(e), pit->second);
                }
                int h;
                int len = p->GetMaxWord(q.c_str(), &h);
                ASSERT_EQ(len, prefixes.empty() ? 0 : prefixes.back().first) << q;
                ASSERT_EQ(h, prefixes.empty() ? -1 : prefixes.back().second) << q;
                unsigned int *hs = nullptr, *ps = nullptr, size = 0, count = 99;
                int last = p->GetWords(q.c_str(), &hs, &ps, &size, &count, 0);
                ASSERT_EQ(count, prefixes.size()) << q;
                for (unsigned k = 0; k < count; ++k) {
                    EXPECT_EQ(int(ps[k]), prefixes[k].first);
                    EXPECT_EQ(int(hs[k]), prefixes[k].second);
                }
                EXPECT_EQ(last, prefixes.empty() ? 0 : prefixes.back().first);
                free(hs);
                free(ps);
            }
        }
    }
}

// The walks of many starts at once list at each start what GetWords lists there: random lines
// (capitals, blanks, a lone lead byte before the end) over random word sets, every character
// start with a random minimum length, one result object reused from line to line.
TEST(PDATTest, WordsAtManyStartsAgreeWithGetWords) {
    for (unsigned seed : {3u, 11u, 99u}) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::mt19937 rng(seed);
        for (int mode : {0, 1}) {
            CPDAT d(mode);
            for (int i = 0; i < 800; ++i) d.AddWord(RandomWord(rng).c_str());
            ASSERT_TRUE(d.AddWordComplete());
            CPDAT::WordsAt at;
            for (int n = 0; n < 300; ++n) {
                std::string line;
                int parts = int(rng() % 8);
                for (int k = 0; k < parts; ++k) line += rng() % 5 == 0 ? std::string(rng() % 2 ? " " : "A") : RandomWord(rng);
                if (rng() % 4 == 0) line += "\xC8";  // a lead byte without its trail
                std::vector<int> starts, mins;
                for (size_t e = 0; e < line.size();) {
                    if (rng() % 3 != 0) {
                        starts.push_back(int(e));
                        mins.push_back(int(rng() % 5));
                    }
                    e += (mode == 0 && static_cast<unsigned char>(line[e]) >= 0x80 && e + 1 < line.size()) ? 2 : 1;
                }
                d.GetWordsAt(line.c_str(), starts.data(), mins.data(), starts.size(), at);
                size_t total = 0;
                for (size_t k = 0; k < starts.size(); ++k) {
                    unsigned int *hs = nullptr, *ps = nullptr, size = 0, count = 0;
                    d.GetWords(line.c_str() + starts[k], &hs, &ps, &size, &count, mins[k]);
                    std::vector<CPDAT::WordHit> found;
                    for (int32_t r = at.First(k); r >= 0; r = at.Next(r)) found.push_back(at.Hit(r));
                    ASSERT_EQ(found.size(), count) << mode << " [" << line << "] at " << starts[k];
                    for (unsigned c = 0; c < count; ++c) {
                        EXPECT_EQ(found[c].nHandle, int(hs[c]));
                        EXPECT_EQ(found[c].nEnd, int(ps[c]));
                    }
                    total += count;
                    free(hs);
                    free(ps);
                }
                EXPECT_EQ(at.Total(), total) << mode << " [" << line << "]";
            }
        }
    }
}

// The longest word at the start of random texts with blank runs, capitals and a lone lead byte,
// against a reference made of Find over every character boundary (Find folds blank runs too): the
// length ends after the word's last character, the flag tells whether a blank lies before it.
TEST(PDATTest, LongestWordAgreesWithFindAcrossBlankRuns) {
    for (unsigned seed : {5u, 17u}) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::mt19937 rng(seed);
        for (int mode : {0, 1, 2, 3}) {  // 2 and 3: mode 0 and 1 with a sparse dictionary
            CPDAT d(mode % 2);
            for (int i = 0; i < (mode < 2 ? 600 : 40); ++i) {
                std::string w = RandomWord(rng);
                if (rng() % 4 == 0) w.insert(rng() % w.size(), " ");
                d.AddWord(w.c_str());
            }
            ASSERT_TRUE(d.AddWordComplete());
            for (int n = 0; n < 2000; ++n) {
                std::string text;
                int parts = 1 + int(rng() % 5);
                for (int k = 0; k < parts; ++k) {
                    switch (rng() % 6) {
                        case 0: text += std::string(1 + rng() % 3, " \t\r\n"[rng() % 4]); break;
                        case 1: text += "B"; break;
                        default: text += RandomWord(rng); break;
                    }
                }
                if (rng() % 5 == 0) text += "\xC8";  // a lead byte without its trail
                int wantLen = 0, wantHandle = -1;
                bool wantBlank = false, blankSeen = false, lastBlank = false;
                for (size_t e = 0; e < text.size();) {
                    const unsigned char c = static_cast<unsigned char>(text[e]);
                    const bool two = mode % 2 == 0 && c >= 0x80 && e + 1 < text.size();
                    const bool blank = !two && (c == ' ' || c == '\t' || c == '\r' || c == '\n');
                    e += two ? 2 : 1;
                    if (blank && lastBlank) continue;  // inside a run: the run counts as its first byte
                    lastBlank = blank;
                    blankSeen = blankSeen || blank;
                    int h = d.Find(text.c_str(), unsigned(e));
                    if (h >= 0) {
                        wantLen = int(e);
                        wantHandle = h;
                        wantBlank = blankSeen;
                    }
                }
                int h = 7;
                bool blank = true;
                ASSERT_EQ(d.GetMaxWord(text.c_str(), &h, &blank), wantLen) << mode << " [" << text << "]";
                EXPECT_EQ(h, wantHandle) << text;
                EXPECT_EQ(blank, wantBlank) << text;
                // The view answers the same, and its one-character lookup is Find(int)'s.
                const CPDAT::View view(d);
                h = 7;
                blank = true;
                ASSERT_EQ(view.GetMaxWord(text.c_str(), &h, &blank), wantLen) << mode << " [" << text << "]";
                EXPECT_EQ(h, wantHandle) << text;
                EXPECT_EQ(blank, wantBlank) << text;
                const int code = CCharset::CharCode(text.c_str());
                EXPECT_EQ(view.FindChar(code), d.Find(code)) << text;
            }
        }
    }
}

TEST(PDATTest, TinyDictionaryHasGoldenBytes) {
    CPDAT d(0);
    EXPECT_EQ(d.AddWord("ab"), 0);
    EXPECT_EQ(d.AddWord("ac"), 1);
    ASSERT_TRUE(d.AddWordComplete());
    // 'a' is most frequent (id 0, cell 0); its children b (id 1) and c (id 2) fit at base 1.
    CByteWriter w;
    for (int code = 0; code < 65536; ++code) w.PutI32(code == 'a' ? 0 : code == 'b' ? 1 : code == 'c' ? 2 : -1);
    w.PutI32(3);  // L
    w.PutU32(2);  // items
    const int cells[4][3] = {{1, -2, -1}, {-1, -1, -1}, {-2, 0, 0}, {-3, 0, 1}};
    for (const auto& c : cells)
        for (int v : c) w.PutI32(v);
    w.PutI32(0);  // mode
    EXPECT_TRUE(d.Serialize() == w.Bytes());
}

TEST(PDATTest, EmptyAndNeverLoadedDictionariesAnswerNothing) {
    CPDAT never(0);
    CPDAT empty(0);
    ASSERT_TRUE(empty.AddWordComplete());
    for (CPDAT* p : {&never, &empty}) {
        int h = 5;
        bool blank = true;
        EXPECT_EQ(p->Find("a"), -1);
        EXPECT_EQ(p->Find(int('a')), -1);
        EXPECT_EQ(p->GetMaxWord("abc", &h, &blank), 0);
        EXPECT_EQ(h, -1);
        EXPECT_FALSE(blank);
        unsigned int *hs = nullptr, *ps = nullptr, size = 0, count = 3;
        EXPECT_EQ(p->GetWords("abc", &hs, &ps, &size, &count, 0), 0);
        EXPECT_EQ(count, 0u);
        char* seg = p->MMSegment("ab c", -1, '\t');
        EXPECT_STREQ(seg, "ab\t \tc\t");
    }
    // An empty dictionary round-trips as one free cell.
    kxtest::TempDir dir;
    std::string path = dir.file("e.pdat");
    ASSERT_TRUE(never.Save(path.c_str()));
    EXPECT_EQ(kxtest::ReadAll(path).size(), 262156u + 12u);
    CPDAT back(0);
    ASSERT_TRUE(back.Load(path.c_str()));
    EXPECT_EQ(back.GetLowerBound(), 0);
    EXPECT_EQ(back.Find("a"), -1);
    EXPECT_EQ(back.Find(0), -1);
}

TEST(PDATTest, MalformedFilesAreRefusedAndKeepTheOldDictionary) {
    std::unique_ptr<CPDAT> src(BuildDict({"ab", "ac", "b"}));
    std::vector<unsigned char> good = src->Serialize();
    kxtest::TempDir dir;
    auto check = [&](const std::vector<unsigned char>& bytes, const char* what) {
        SCOPED_TRACE(what);
        std::string path = dir.file("bad.pdat");
        kxtest::WriteAll(path, Bytes(bytes));
        CPDAT d(0);
        d.AddWord("zz");
        d.AddWordComplete();
        SetLastErrorMessage("");
        EXPECT_FALSE(d.Load(path.c_str()));
        EXPECT_EQ(CopyLastErrorMessage(), "Fail read file " + path);
        EXPECT_EQ(d.Find("zz"), 0);
        EXPECT_EQ(d.Find("ab"), -1);
        EXPECT_EQ(d.GetMode(), 0);
    };
    std::vector<unsigned char> bad(good.begin(), good.end() - 1);
    check(bad, "truncated");
    bad = good;
    PutLE32(&bad[262144], 1000);
    check(bad, "L too large");
    bad = good;
    PutLE32(&bad[262144], uint32_t(-5));
    check(bad, "negative L");
    bad = good;
    PutLE32(&bad[bad.size() - 4], 7);
    check(bad, "mode 7");
    bad = good;
    bad.push_back(0);
    check(bad, "a trailing byte");
    bad = good;
    bad.insert(bad.end() - 4, 12, 0xFF);
    check(bad, "a free cell more than L announces");
    check({}, "empty file");
    SetLastErrorMessage("");
    CPDAT d(0);
    EXPECT_FALSE(d.Load(dir.file("missing.pdat").c_str()));
    EXPECT_EQ(CopyLastErrorMessage(), "Fail read file " + dir.file("missing.pdat"));
}

// A UTF-8 name whose GBK form exists is loaded under the GBK name, with a note as last error.
TEST(PDATTest, LoadConvertsUtf8FileNames) {
    std::unique_ptr<CPDAT> src(BuildDict({"ab"}));
    kxtest::TempDir dir;
    ASSERT_TRUE(src->Save(dir.file("\xD6\xD0.pdat" /* 中 in GBK */).c_str()));
    std::string utf8 = dir.file("\xE4\xB8\xAD.pdat" /* 中 in UTF-8 */);
    SetLastErrorMessage("");
    CPDAT d(0);
    ASSERT_TRUE(d.Load(utf8.c_str()));
    EXPECT_EQ(d.Find("ab"), 0);
    EXPECT_EQ(CopyLastErrorMessage(), "Changed utf-8 file name " + utf8);
}

// Damaged but size-valid cells: every base becomes a huge value, so the walk ends after the
// first character (a root child) without overflow. A negative base marks a word end, so "b", a
// one-character word, is still found then; nothing longer ever is.
TEST(PDATTest, DamagedCellsEndTheWalk) {
    std::unique_ptr<CPDAT> src(BuildDict({"ab", "abc", "b"}));
    std::vector<unsigned char> img = src->Serialize();
    int L = src->GetLowerBound();
    for (int32_t v : {INT32_MIN, INT32_MAX, -INT32_MAX, 1 << 30}) {
        SCOPED_TRACE(v);
        std::vector<unsigned char> bad = img;
        for (int k = 0; k <= L; ++k) PutLE32(&bad[262152 + 12 * k], uint32_t(v));
        CPDAT d(0);
        ASSERT_TRUE(d.Parse(bad.data(), bad.size()));
        const bool bEnds = v <= 0;
        EXPECT_EQ(d.Find("abc"), -1);
        EXPECT_EQ(d.Find("ab"), -1);
        EXPECT_EQ(d.Find("b"), bEnds ? 2 : -1);
        int h = 7;
        EXPECT_EQ(d.GetMaxWord("abcabc", &h), 0);
        EXPECT_EQ(h, -1);
        EXPECT_EQ(d.GetMaxWord("bb", &h), bEnds ? 1 : 0);
        unsigned int *hs = nullptr, *ps = nullptr, size = 0, count = 9;
        EXPECT_EQ(d.GetWords("abc", &hs, &ps, &size, &count, 0), 0);
        EXPECT_EQ(count, 0u);
        free(hs);
        free(ps);
        EXPECT_NE(d.MMSegment("abcab", -1, ' '), nullptr);
    }
}

TEST(PDATTest, SymbolModesAndNormalisation) {
    CPDAT m0(0), m1(1);
    for (CPDAT* p : {&m0, &m1}) {
        p->AddWord("abc");
        p->AddWord("New York");
        p->AddWord("a\tb");
        p->AddWordComplete();
    }
    EXPECT_EQ(m0.Find("ABC"), 0);
    EXPECT_EQ(m1.Find("ABC"), -1);
    EXPECT_EQ(m0.Find("New  York"), 1);
    EXPECT_EQ(m0.Find("New\tYork"), 1);
    EXPECT_EQ(m0.Find("new \r\n york"), 1);
    // A tab is dropped from a stored word, but read as a blank in lookups.
    EXPECT_EQ(m0.Find("ab"), 2);
    EXPECT_EQ(m0.Find("a\tb"), -1);
    // Byte-order mark and quotes.
    EXPECT_EQ(m0.Find("\xEF\xBB\xBF" "abc"), 0);
    EXPECT_EQ(m0.Find("\xEF\xBB\xBF"), -1);
    EXPECT_EQ(m0.Find("\"abc\""), 0);
    EXPECT_EQ(m0.Find("\"abc"), -1);
    EXPECT_EQ(m0.Find("\""), -1);
    EXPECT_EQ(m0.Find("abcdef", 3u), 0);
    EXPECT_EQ(m0.Find(""), -1);
    EXPECT_EQ(m0.Find(static_cast<const char*>(nullptr)), -1);
    // A lone lead byte at the end is a one-byte character (read within the span only).
    CPDAT hi(0);
    hi.AddWord("a\xB0");
    hi.AddWordComplete();
    std::vector<char> span = {'a', '\xB0'};
    EXPECT_EQ(hi.Find(span.data(), 2u), 0);
    EXPECT_EQ(hi.Find("a\xB0\xA1"), -1);
}

TEST(PDATTest, Mode2NormalisesFullWidthFormsAndDelimiters) {
    // Mode 2 comes only from a file: load a file whose mode is 2 into a fresh dictionary.
    std::vector<unsigned char> img = CPDAT(0).Serialize();
    PutLE32(&img[img.size() - 4], 2);
    CPDAT d(0);
    ASSERT_TRUE(d.Parse(img.data(), img.size()));
    ASSERT_EQ(d.GetMode(), 2);
    d.AddWordInit();
    EXPECT_EQ(d.AddWord("abc12"), 0);
    EXPECT_EQ(d.AddWord("abc\xA3\xAC" /* abc， */), 1);
    EXPECT_EQ(d.AddWord("abc"), 1);
    EXPECT_EQ(d.AddWord("x, \xA1\xA3y" /* x, 。y */), 2);
    EXPECT_EQ(d.AddWord("\xA3\xA8q\xA1\xBF" /* （q】 */), 3);
    ASSERT_TRUE(d.AddWordComplete());
    EXPECT_EQ(d.Find("\xA3\xC1\xA3\xC2\xA3\xC3\xA3\xB1\xA3\xB2" /* ＡＢＣ１２ */), 0);
    EXPECT_EQ(d.Find("\xA3\xE1\xA3\xE2\xA3\xE3" "12" /* ａｂｃ12 */), 0);
    EXPECT_EQ(d.Find("ABC"), 1);
    EXPECT_EQ(d.Find("xy"), 2);
    EXPECT_EQ(d.Find("(Q)"), 3);
    // A lone lead byte and a delimiter run at the end of a span stay inside it.
    std::vector<char> span = {'a', 'b', 'c', ',', ',', ','};
    EXPECT_EQ(d.Find(span.data(), 4u), -1);
    EXPECT_EQ(d.GetMaxWord("abc\xB0", nullptr), 3);
    EXPECT_EQ(d.GetMaxWord("abc,,,", nullptr), 3);
}

TEST(PDATTest, LookupFamily) {
    std::unique_ptr<CPDAT> d(BuildDict({"a", "ab", "abc", "x y", "\xD6\xD0" /* 中 */, "q"}));
    int h = 0;
    bool blank = true;
    EXPECT_EQ(d->GetMaxWord("abcd", &h, &blank), 3);
    EXPECT_EQ(h, 2);
    EXPECT_FALSE(blank);
    EXPECT_EQ(d->GetMaxWord("x \t y!", &h, &blank), 5);  // the skipped repeats count
    EXPECT_EQ(h, 3);
    EXPECT_TRUE(blank);
    EXPECT_EQ(d->GetMaxWord("zzz", &h, &blank), 0);
    EXPECT_EQ(h, -1);
    EXPECT_EQ(d->GetMaxWord("ab", nullptr, nullptr), 2);

    unsigned int *hs = nullptr, *ps = nullptr, size = 0, count = 0;
    EXPECT_EQ(d->GetWords("abcd", &hs, &ps, &size, &count, 2), 3);
    ASSERT_EQ(count, 1u);
    EXPECT_EQ(ps[0], 3u);
    EXPECT_EQ(d->GetWords("abcd", &hs, &ps, &size, &count, 0), 3);
    ASSERT_EQ(count, 3u);
    EXPECT_EQ(size, 5u);
    EXPECT_EQ(d->GetWords("abcd", &hs, &ps, &size, &count, 5), 3);
    EXPECT_EQ(count, 0u);
    free(hs);
    free(ps);

    EXPECT_EQ(d->Find(int('a')), 0);
    EXPECT_EQ(d->Find(0xD6D0), 4);
    EXPECT_EQ(d->Find(int('b')), -1);  // not a root child
    EXPECT_EQ(d->Find(-1), -1);
    EXPECT_EQ(d->Find(0x10000), -1);
    // A one-character word in the highest cell.
    std::unique_ptr<CPDAT> e(BuildDict({"a", "b", "c"}));
    EXPECT_EQ(e->GetCharId('c'), e->GetLowerBound());
    EXPECT_EQ(e->Find(int('c')), 2);
}

// A loaded dictionary is built: AddWordComplete keeps its cells, and AddWordInit still starts a
// new build over it.
TEST(PDATTest, LoadedDictionaryIsComplete) {
    std::unique_ptr<CPDAT> src(BuildDict({"ab", "b"}));
    const std::vector<unsigned char> img = src->Serialize();
    kxtest::TempDir dir;
    ASSERT_TRUE(src->Save(dir.file("d.pdat").c_str()));
    CPDAT d(0);
    ASSERT_TRUE(d.Load(dir.file("d.pdat").c_str()));
    EXPECT_TRUE(d.AddWordComplete());
    EXPECT_EQ(d.Find("ab"), 0);
    EXPECT_EQ(d.Find("b"), 1);
    EXPECT_EQ(d.GetLowerBound(), src->GetLowerBound());
    EXPECT_EQ(d.GetItemCount(), 2u);
    EXPECT_TRUE(d.Serialize() == img);
    EXPECT_EQ(d.AddWord("zz"), -1);  // no build runs until AddWordInit

    CPDAT p(0);
    ASSERT_TRUE(p.Parse(img.data(), img.size()));
    EXPECT_TRUE(p.AddWordComplete());
    EXPECT_EQ(p.Find("ab"), 0);
    p.AddWordInit();
    EXPECT_EQ(p.AddWord("xy"), 0);
    ASSERT_TRUE(p.AddWordComplete());
    EXPECT_EQ(p.Find("xy"), 0);
    EXPECT_EQ(p.Find("ab"), -1);
    EXPECT_EQ(p.GetItemCount(), 1u);
}

TEST(PDATTest, BuildingRules) {
    CPDAT d(0);
    EXPECT_EQ(d.AddWord("abc", true), 0);
    EXPECT_EQ(d.AddWord("abc", true), 0);
    EXPECT_EQ(d.GetItemCount(), 1u);
    EXPECT_EQ(d.GetTerm(0)->freq, 2);
    EXPECT_EQ(d.AddWord("\t\t"), -1);
    EXPECT_EQ(d.GetItemCount(), 1u);
    EXPECT_EQ(d.AddWord("ab\t"), 1);  // a trailing tab is dropped like any other
    EXPECT_EQ(d.FindWord("ab"), 1);
    EXPECT_EQ(d.FindWord("a"), -1);
    EXPECT_EQ(d.AddWord("zz", 10, false), 10);
    // Counting a word first added without counting, and one with an explicit handle.
    EXPECT_EQ(d.AddWord("zz", true), 10);
    ASSERT_NE(d.GetTerm(10), nullptr);
    EXPECT_EQ(d.GetTerm(10)->word, "zz");
    EXPECT_EQ(d.GetTerm(10)->freq, 1);
    EXPECT_EQ(d.GetTerm(1)->freq, 0);
    // Filters.
    CPDAT f(0);
    int hab = f.AddFilterWord("ab");
    EXPECT_EQ(f.AddWord("abc", true), -1);
    EXPECT_EQ(f.AddWord("ab", true), hab);
    EXPECT_EQ(f.GetTerm(hab)->freq, -1);
    // After packing there is no build trie; a new build starts with AddWordInit.
    ASSERT_TRUE(d.AddWordComplete());
    EXPECT_EQ(d.AddWord("new"), -1);
    EXPECT_EQ(d.FindWord("abc"), -1);
    EXPECT_EQ(d.AddFilterWord("q"), -1);
    EXPECT_EQ(d.Find("abc"), 0);
    d.AddWordInit();
    EXPECT_EQ(d.AddWord("new"), 0);
    d.AddWordComplete();
    EXPECT_EQ(d.Find("new"), 0);
    EXPECT_EQ(d.Find("abc"), -1);
}

TEST(PDATTest, TextImportAndExport) {
    kxtest::TempDir dir;
    std::string words = dir.file("words.txt");
    kxtest::WriteAll(words, "\xEF\xBB\xBF" "abc 12 n\n[New York] 5\nhello_world\n\xD6\xD0\xB9\xFA 3\n\n[open\nskip\n");
    CPDAT filter(0);
    filter.AddWord("skip");
    filter.AddWordComplete();
    CPDAT d(0);
    EXPECT_EQ(d.Import(words.c_str(), &filter), 5);
    EXPECT_EQ(d.Find("abc"), 0);
    EXPECT_EQ(d.Find("New York"), 1);
    EXPECT_EQ(d.Find("hello world"), 2);
    EXPECT_EQ(d.Find("\xD6\xD0\xB9\xFA"), 3);
    EXPECT_EQ(d.Find("open"), 4);
    EXPECT_EQ(kxtest::ReadAll(words + "_export.txt"),
              "abc\n[New York]\n[hello world]\n\xD6\xD0\xB9\xFA\nopen\nskip\n");
    std::string out = dir.file("export.txt");
    ASSERT_TRUE(d.Export(out.c_str()));
    std::string text = kxtest::ReadAll(out);
    for (const char* w : {"abc\n", "new york\n", "hello world\n", "\xD6\xD0\xB9\xFA\n", "open\n"})
        EXPECT_NE(text.find(w), std::string::npos) << w;
}

// jieba's word list (about 350,000 words) packs into valid cells and every word keeps its
// handle; the packing speed is measured by the pdat benchmark.
TEST(PDATTest, PacksJiebaWordListKeepingEveryHandle) {
    std::vector<std::string> words = kxtest::LoadJiebaWordsGBK();
    if (words.size() < 300000) GTEST_SKIP() << "jieba word list not installed";
    CPDAT d(0);
    std::map<std::string, int> ref;
    for (const auto& w : words) {
        int h = d.AddWord(w.c_str());
        auto it = ref.emplace(Mode0Key(w), h).first;
        ASSERT_EQ(h, it->second) << w;
    }
    ASSERT_TRUE(d.AddWordComplete());
    ASSERT_EQ(CheckCells(d), "");
    for (const auto& w : words) ASSERT_EQ(d.Find(w.c_str()), ref[Mode0Key(w)]) << w;
    std::mt19937 rng(99);
    for (int i = 0; i < 20000; ++i) {
        std::string q = words[rng() % words.size()] + words[rng() % words.size()];
        auto it = ref.find(Mode0Key(q));
        ASSERT_EQ(d.Find(q.c_str()), it == ref.end() ? -1 : it->second) << q;
    }
}

// Many threads look words up in one loaded dictionary at once.
TEST(PDATThreadTest, ConcurrentLookupsAgree) {
    std::mt19937 rng(5);
    std::vector<std::string> words;
    for (int i = 0; i < 2000; ++i) words.push_back(RandomWord(rng));
    std::unique_ptr<CPDAT> d(BuildDict(words));
    std::vector<int> expect;
    for (const auto& w : words) expect.push_back(d->Find(w.c_str()));
    std::vector<std::thread> threads;
    std::vector<int> bad(8, 0);
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([&, t]() {
            for (int r = 0; r < 5; ++r)
                for (size_t i = 0; i < words.size(); ++i) {
                    if (d->Find(words[i].c_str()) != expect[i]) ++bad[size_t(t)];
                    int h;
                    d->GetMaxWord(words[i].c_str(), &h);
                    char* buf = nullptr;
                    int size = 0;
                    d->MMSegment(words[i].c_str(), nullptr, nullptr, &buf, &size, false, false, -1, ' ');
                    free(buf);
                }
        });
    for (auto& th : threads) th.join();
    for (int b : bad) EXPECT_EQ(b, 0);
}
