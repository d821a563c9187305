// Keyword weighting, ranking, result strings, author recognition, new words, summaries and the
// fingerprint of the keyword finder, over hand-made tables and hand-made result rows.
#include <gtest/gtest.h>
#include <json/json.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "CodeTrans/STLCodeTrans.h"
#include "KeyWordDocs.h"
#include "LogCapture.h"
#include "MERIDOX/System/EngineGlobals.h"
#include "Utility/KeyWordFinder.h"
#include "Utility/PDAT.h"
#include "Utility/Trie.h"

namespace {

using kwtest::Doc;
using kwtest::EnglishDoc;

WORD_AV Word(const std::string& w, const char* pos, int posId, int freq, int nLV, int nRV) {
    WORD_AV av(w.c_str(), pos, posId);
    av.freq = av.base_freq = freq;
    for (int k = 0; k < nLV; ++k) av.vecLV.emplace_back(100 + k, 1);
    for (int k = 0; k < nRV; ++k) av.vecRV.emplace_back(200 + k, 1);
    return av;
}

// Replaces the engine's core dictionary by one holding the given words while it lives.
struct CoreDict {
    CPDAT dict{0};
    CPDAT* saved = g_pCoreDict;
    explicit CoreDict(const std::vector<std::string>& words) {
        dict.AddWordInit();
        for (const std::string& w : words) dict.AddWord(w.c_str());
        dict.AddWordComplete();
        g_pCoreDict = &dict;
    }
    ~CoreDict() { g_pCoreDict = saved; }
};

const char kZhang[] = "\xD5\xC5\xC8\xFD";  // 张三
const char kLi[] = "\xC0\xEE\xCB\xC4";     // 李四
const char kWang[] = "\xCD\xF5\xCE\xE5";   // 王五

TEST(KeyWordRankTest, ResultStringLimitsFormatsAndFallback) {
    CKeyWordFinder f(nullptr, nullptr, 0);
    std::vector<WORD_AV> table;
    for (int k = 0; k < 5; ++k) table.push_back(Word("w" + std::to_string(k), "n", 21, 3, 0, 0));
    table[1].weight = 1.234;
    std::vector<WORD_AV_WEIGHT> ranking = {{0, 0.5}, {1, 0.3}, {2, 1.0}, {3, 0.99}, {4, 5.0}};
    for (WORD_AV_WEIGHT& e : ranking) table[size_t(e.index)].weight = e.weight;
    std::vector<WORD_AV> out;

    // The first two whatever their weight, 1.0 written, 0.99 stops; any negative limit is none.
    const std::string all = "w0/n/0.50/3#w1/n/0.30/3#w2/n/1.00/3#";
    EXPECT_STREQ(f.GenerateResultString(-1, table, ranking, out, false, 0), all.c_str());
    EXPECT_STREQ(f.GenerateResultString(-5, table, ranking, out, true, 0), all.c_str());
    EXPECT_EQ(out.size(), 3u);
    EXPECT_STREQ(f.GenerateResultString(1, table, ranking, out, false, 0), "w0/n/0.50/3#");
    EXPECT_STREQ(f.GenerateResultString(2, table, ranking, out, false, 3),
              "w0,n,0.50,3\r\nw1,n,0.30,3\r\n");

    // Nothing written: format 0 falls back to the word with handle 1 (without its count); the
    // other formats write the header alone and an empty array.
    table[1].weight = 1.234;
    EXPECT_STREQ(f.GenerateResultString(0, table, ranking, out, false, 0), "w1/n/1.23#");
    EXPECT_STREQ(f.GenerateResultString(0, table, ranking, out, false, 2), "Word,POS,Weight,Frequency\r\n");
    EXPECT_STREQ(f.GenerateResultString(0, table, ranking, out, false, 1), "[]");
    std::vector<WORD_AV> one(1, table[0]);
    EXPECT_STREQ(f.GenerateResultString(-1, one, ranking, out, false, 0), "w0/n/0.50/3#");
    std::vector<WORD_AV_WEIGHT> none;
    EXPECT_STREQ(f.GenerateResultString(-1, one, none, out, false, 0), "");

    // JSON: GBK text with a 0x5C trail byte parses back to its bytes; keys come sorted.
    std::vector<WORD_AV> gbk = {Word("\xD5\x5C", "n", 21, 2, 0, 0)};  // 誠
    gbk[0].weight = 12.3;
    std::vector<WORD_AV_WEIGHT> r1 = {{0, 12.3}};
    const std::string json = f.GenerateResultString(-1, gbk, r1, out, false, 1);
    // Read as GBK (here through UTF-8), the text parses back to the word.
    std::string utf8;
    ANSIToUTF8(json.c_str(), utf8);
    Json::Value parsed;
    Json::Reader reader;
    ASSERT_TRUE(reader.parse(utf8, parsed)) << json;
    ASSERT_EQ(parsed.size(), 1u);
    EXPECT_EQ(parsed[0]["word"].asString(), "\xE8\xAA\xA0");  // 誠 in UTF-8
    EXPECT_EQ(parsed[0]["freq"].asInt(), 2);
    EXPECT_LT(json.find("\"freq\""), json.find("\"pos\""));
    EXPECT_LT(json.find("\"weight\""), json.find("\"word\""));
    EXPECT_NE(json.find("12.300000000000001"), std::string::npos);
}

TEST(KeyWordRankTest, WeightingDampsLaterNamesKeepsKeyWordsAndDoesNotDrift) {
    CKeyWordFinder f(nullptr, nullptr, 0);
    // Three equal person names: 2 + 2 neighbours of count 1 each at freq 2, so p = 0.5 (an
    // integer p would be 0 and the entropy term would vanish).
    std::vector<WORD_AV> table = {Word(kZhang, "nr", 27, 2, 2, 2), Word(kLi, "nr", 27, 2, 2, 2),
                                  Word(kWang, "nr", 27, 2, 2, 2), Word("kw", "key", 21, 1, 0, 0)};
    table[3].base_weight = 1000.0;
    std::vector<WORD_AV_WEIGHT> ranking;
    ASSERT_EQ(f.ComputeKeyWord(table, ranking, false), 1);
    ASSERT_EQ(ranking.size(), 4u);
    const double entropy = 3.0 + 2.0 * std::log(2.0);
    const double name = entropy * 1.1 * 3.0 * 0.8;  // entity, unknown word, one unit
    // The key word keeps its 1000 (no 0.3 for a weight of 100 or more): (1000 + 1) / 3 for a
    // one-unit word of 2 bytes, then 1.2 for an unknown word and 0.8 for one unit.
    EXPECT_EQ(ranking[0].index, 3);
    EXPECT_NEAR(ranking[0].weight, 1001.0 / 3.0 * 1.2 * 0.8, 1e-9);
    EXPECT_EQ(ranking[1].index, 0);
    EXPECT_NEAR(ranking[1].weight, name, 1e-9);
    EXPECT_NEAR(ranking[2].weight, name / 1.2, 1e-9);
    EXPECT_NEAR(ranking[3].weight, name / 2.2, 1e-9);

    // A second computation restarts from the creation weights and the scanned counts.
    std::vector<WORD_AV_WEIGHT> again;
    table[0].freq = 50;
    f.ComputeKeyWord(table, again, false);
    ASSERT_EQ(again.size(), ranking.size());
    for (size_t k = 0; k < again.size(); ++k) EXPECT_DOUBLE_EQ(again[k].weight, ranking[k].weight) << k;
    EXPECT_EQ(table[0].freq, 2);
}

TEST(KeyWordRankTest, SingleKeyWordFallbackKeepsFour) {
    CKeyWordFinder f(nullptr, nullptr, 0);
    std::vector<WORD_AV> table = {Word("alpha", "n", 21, 1, 0, 0), Word("@home", "n", 21, 1, 0, 0),
                                  Word("\xB1\xB1\xBE\xA9", "ns", 29, 1, 0, 0),  // 北京
                                  Word("\xBD\xF1\xCC\xEC", "t", 52, 1, 0, 0),  // 今天
                                  Word("beta", "n", 96, 1, 0, 0), Word("kk", "key", 21, 1, 0, 0)};
    table[5].weight = 0.0;  // created at 1000 for its "key" tag
    std::vector<WORD_AV_WEIGHT> ranking;
    for (int k = 0; k < 6; ++k) ranking.emplace_back(k, 0.5);
    EXPECT_EQ(f.ComputeSingleKeyWord(table, ranking), 4);
    EXPECT_EQ(ranking[0].index, 5);  // "key" tag: 10.5 x 1.5
    EXPECT_DOUBLE_EQ(ranking[0].weight, 15.75);
    EXPECT_EQ(ranking[1].index, 0);  // a letter: 5 x 0.5 x 1.5
    EXPECT_DOUBLE_EQ(ranking[1].weight, 3.75);
    EXPECT_EQ(ranking[2].index, 2);  // a place: 4 x 0.6 x 1.5
    EXPECT_EQ(ranking[3].index, 3);  // a time word: 4 x 0.4 x 1.5
    EXPECT_EQ(table[1].weight, -1.0 * 1.5);  // the at-sign: unusable
}

TEST(KeyWordRankTest, AuthorAfterMarkerOrAtTheStart) {
    {
        // 本报记者张三报道: the name 0 bytes after 记者 is the author.
        CKeyWordFinder f(nullptr, nullptr, KWF_PERSON | KWF_AUTHOR);
        Doc d;
        d.Add("\xB1\xBE\xB1\xA8\xBC\xC7\xD5\xDF", "n").Add(kZhang, "nr", 27).Add("\xB1\xA8\xB5\xC0", "v").End();
        d.ScanInto(f);
        f.GetKeyWordList(0, -1);
        EXPECT_EQ(*f.GetExtractElement(4), std::string(kZhang) + "#");
        EXPECT_EQ(*f.GetExtractElement(0), std::string(kZhang) + "#");
    }
    {
        // Two names at the start without a marker: only the first ranked one becomes the author.
        CKeyWordFinder f(nullptr, nullptr, KWF_AUTHOR);
        Doc d;
        d.Add(kZhang, "nr", 27).Add(kLi, "nr", 27).Add("\xCB\xB5", "v").End();
        d.ScanInto(f);
        f.GetKeyWordList(0, -1);
        const std::string authors = *f.GetExtractElement(4);
        EXPECT_TRUE(authors == std::string(kZhang) + "#" || authors == std::string(kLi) + "#") << authors;
        EXPECT_TRUE(f.GetExtractElement(0)->empty());  // no 0x1
    }
}

// Three sentences in which 新 and 词 stand together between different neighbours.
Doc NewWordDoc(const std::string& a, const std::string& b) {
    const char* x[] = {"\xBC\xD7", "\xD2\xD2", "\xB1\xFB", "\xB6\xA1", "\xCE\xEC", "\xBC\xBA"};  // 甲乙丙丁戊己
    Doc d;
    for (int k = 0; k < 3; ++k) d.Add(x[2 * k], "n").Add(a, "n").Add(b, "n").Add(x[2 * k + 1], "n").End();
    return d;
}

TEST(KeyWordRankTest, NewWordsFromRepeatedPairs) {
    const std::string xin = "\xD0\xC2", ci = "\xB4\xCA";  // 新 词
    std::vector<std::string> core = {xin, ci, "\xBC\xD7", "\xD2\xD2", "\xB1\xFB", "\xB6\xA1", "\xCE\xEC", "\xBC\xBA"};
    {
        CoreDict dict(core);
        CKeyWordFinder f(nullptr, nullptr, 0);
        Doc d = NewWordDoc(xin, ci);
        d.ScanInto(f);
        EXPECT_EQ(f.GenerateNewWordList(), 1);
        ASSERT_EQ(f.GetNewWordTable().size(), 1u);
        const WORD_AV& cand = f.GetNewWordTable()[0];
        EXPECT_EQ(cand.word, xin + ci);
        EXPECT_EQ(cand.pos, "n_new");
        EXPECT_EQ(cand.freq, 3);
        EXPECT_EQ(cand.unit_count, 2);
        EXPECT_EQ(cand.vecInvertList.size(), 3u);
        for (size_t k = 0; k < f.GetWordAV().size(); ++k) {
            const std::string& w = f.GetWordAV()[k].word;
            EXPECT_EQ(f.GetTrie()->Find(w.c_str(), (unsigned long)w.size()), int(k));
        }
        // A second run proposes nothing new and the keywords and new words agree on repeat.
        EXPECT_EQ(f.GenerateNewWordList(), 1);
        const std::string words = f.GetNewWordList(0, -1);
        EXPECT_EQ(words.find(xin + ci + "/n_new/"), 0u) << words;
        const std::string keys = f.GetKeyWordList(0, -1);
        EXPECT_EQ(f.GetKeyWordList(0, -1), keys);
    }
    {
        // A pair that is a core word is no candidate; neither is a doubled character.
        std::vector<std::string> withPair = core;
        withPair.push_back(xin + ci);
        CoreDict dict(withPair);
        CKeyWordFinder f(nullptr, nullptr, 0);
        Doc d = NewWordDoc(xin, ci);
        d.ScanInto(f);
        EXPECT_EQ(f.GenerateNewWordList(), 0);
        CKeyWordFinder g(nullptr, nullptr, 0);
        Doc dd = NewWordDoc(xin, xin);
        dd.ScanInto(g);
        EXPECT_EQ(g.GenerateNewWordList(), 0);
    }
    {
        // Seen together once: a neighbour count of 1 never qualifies.
        CoreDict dict(core);
        CKeyWordFinder f(nullptr, nullptr, 0);
        Doc once;
        once.Add("\xBC\xD7", "n").Add(xin, "n").Add(ci, "n").Add("\xD2\xD2", "n").End();
        once.Add(xin, "n").Add("\xB1\xFB", "n").End().Add(xin, "n").Add("\xB6\xA1", "n").End();
        once.Add(ci, "n").Add("\xCE\xEC", "n").End().Add(ci, "n").Add("\xBC\xBA", "n").End();
        once.ScanInto(f);
        EXPECT_EQ(f.GenerateNewWordList(), 0);
    }
}

TEST(KeyWordRankTest, SummaryBudgetCountAndInvalidLimits) {
    {
        LogCapture log;
        CKeyWordFinder f(nullptr, nullptr, 0);
        Doc d;
        d.Add(kZhang, "nr", 27).End();
        d.ScanInto(f);
        EXPECT_STREQ(f.GetSummary(0, 0.0, 0, false), "");
        const std::vector<std::string> lines = log.Logs();
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines[0], "In Summary, the Length Limit(=0) is invalid");
    }
    // Sentences of names and places: each counts after the threshold filter.
    const char* names[] = {kZhang, kLi, kWang, "\xD5\xD4\xC1\xF9", "\xC7\xAE\xC6\xDF"};  // 赵六 钱七
    const char* filler = "\xB5\xC4\xCA\xC2\xC7\xE9\xBA\xDC\xB6\xE0";  // 的事情很多 (10 bytes)
    auto build = [&](CKeyWordFinder& f) {
        Doc d;
        for (int k = 0; k < 5; ++k) d.Add(names[k], "nr", 27).Add(filler, "n").Add(names[(k + 1) % 5], "nr", 27).End();
        d.ScanInto(f);
    };
    {
        CKeyWordFinder f(nullptr, nullptr, 0);
        build(f);
        const std::string one = f.GetSummary(0, 0.0, 1, false);
        EXPECT_EQ(one.size(), 19u) << one;  // one sentence with its trailing blank
        EXPECT_NE(f.GetDocLength(), 0u);
    }
    {
        CKeyWordFinder f(nullptr, nullptr, 0);
        build(f);
        // A budget of 40 bytes takes two 19-byte sentences (the loop test is strict).
        const std::string two = f.GetSummary(40, 0.0, 0, false);
        EXPECT_EQ(two.size(), 38u) << two;
        EXPECT_NE(f.GetSummary(40, 0.0, 0, false), nullptr);  // a second summary on one finder
    }
}

TEST(KeyWordRankTest, SummaryAfterModifiedIdsThenKeywordsAndDump) {
    const std::string xin = "\xD0\xC2", ci = "\xB4\xCA";
    CoreDict dict({xin, ci, "\xBC\xD7", "\xD2\xD2", "\xB1\xFB", "\xB6\xA1", "\xCE\xEC", "\xBC\xBA"});
    CKeyWordFinder f(nullptr, nullptr, KWF_SUMMARY);
    Doc d = NewWordDoc(xin, ci);
    d.ScanInto(f);
    f.DocExtractor(true);
    // The summary wrote -1 over the parts of the joined word; later requests skip those ids.
    f.GetKeyWordList(0, -1);
    f.GetNewWordList(1, -1);
    const std::string path = ::testing::TempDir() + "kwrank_dump.txt";
    EXPECT_TRUE(f.Export(f.GetWordAV(), path.c_str()));
    std::remove(path.c_str());
    EXPECT_LE(f.GetExtractElement(3)->size(), 600u);
}

TEST(KeyWordRankTest, FingerprintFollowsTheBestWords) {
    auto print = [](const std::vector<const char*>& words) {
        CKeyWordFinder f(nullptr, nullptr, 0);
        Doc d;
        for (const char* w : words) d.Add(w, "nr", 27).Add("\xCB\xB5", "v");
        d.End();
        d.ScanInto(f);
        f.GetKeyWordList(0, 50);
        return f.FingerPrint();
    };
    const uint64_t a = print({kZhang, kLi, kWang});
    EXPECT_EQ(a, print({kZhang, kLi, kWang}));
    EXPECT_NE(a, print({"\xB1\xB1\xBE\xA9", "\xC9\xCF\xBA\xA3"}));  // 北京 上海
    EXPECT_LE(a, 0xFFFFFFFFu);
    CKeyWordFinder empty(nullptr, nullptr, 0);
    EXPECT_EQ(empty.FingerPrint(), 0u);
}

// Item of a format-0 result holding word w: "w/tag/weight/freq", or "" when absent.
std::string ItemOf(const std::string& result, const std::string& w) {
    for (size_t pos = 0, hash; (hash = result.find('#', pos)) != std::string::npos; pos = hash + 1) {
        const std::string item = result.substr(pos, hash - pos);
        if (item.compare(0, w.size() + 1, w + "/") == 0) return item;
    }
    return "";
}

TEST(KeyWordRankTest, EnglishFormsMergeAcronymsOnceAndPairsJoinWithABlank) {
    {
        // "NASA" and "nasas" (base form "Nasa"; the finder's trie folds case, so the two must
        // differ in more than case): one base form in any case, merged into the higher-ranked
        // word with the counts summed, the same on every request.
        CKeyWordFinder f(nullptr, nullptr, 0);
        EnglishDoc d;
        const char* ctx[] = {"alpha", "beta", "gamma", "delta", "omega", "sigma"};
        for (int k = 0; k < 6; ++k) {
            if (k % 2)
                d.Add(ctx[k]).Add("nasas", "n", 21, "Nasa").Add(ctx[(k + 1) % 6]).End();
            else
                d.Add(ctx[k]).Add("NASA").Add(ctx[(k + 1) % 6]).End();
        }
        d.ScanInto(f);
        ASSERT_TRUE(f.IsEnglishText());
        const std::string first = f.GetKeyWordList(0, -1);
        const std::string upper = ItemOf(first, "NASA"), lower = ItemOf(first, "nasas");
        EXPECT_NE(upper.empty(), lower.empty()) << first;  // exactly one of the two remains
        const std::string merged = upper.empty() ? lower : upper;
        EXPECT_EQ(merged.substr(merged.rfind('/')), "/6") << first;
        EXPECT_EQ(f.GetKeyWordList(0, -1), first);  // summed once, not again per request

        // Two runs of the new-word proposal list the acronym once.
        f.GenerateNewWordList();
        f.GenerateNewWordList();
        int nAcronym = 0;
        for (const WORD_AV& w : f.GetNewWordTable()) nAcronym += w.word == "NASA";
        EXPECT_EQ(nAcronym, 1);
    }
    {
        // Merging walks from the last ranked word up and keeps the ranking's order.
        CKeyWordFinder f(nullptr, nullptr, 0);
        EnglishDoc d;
        d.Add("x").End();
        d.ScanInto(f);
        std::vector<WORD_AV> table = {Word("Bank", "n", 21, 2, 0, 0), Word("river", "n", 21, 1, 0, 0),
                                      Word("bank", "n", 21, 3, 0, 0), Word("BANK", "n", 21, 1, 0, 0)};
        for (WORD_AV& w : table) w.weight = 1.0;
        std::vector<WORD_AV_WEIGHT> ranking = {{0, 5.0}, {1, 4.0}, {2, 3.0}, {3, 0.5}};
        EXPECT_EQ(f.MergeEnglishSameWords(table, ranking), 1);  // BANK weighs under 1.0
        ASSERT_EQ(ranking.size(), 3u);
        EXPECT_EQ(ranking[0].index, 0);
        EXPECT_DOUBLE_EQ(ranking[0].weight, 8.0);
        EXPECT_EQ(table[0].freq, 5);
        EXPECT_EQ(ranking[2].index, 3);
        CKeyWordFinder chinese(nullptr, nullptr, 0);
        std::vector<WORD_AV_WEIGHT> again = {{0, 5.0}, {2, 3.0}};
        EXPECT_EQ(chinese.MergeEnglishSameWords(table, again), 0);  // English mode only
    }
    {
        // "new" before "york" in three places: the pair becomes "new york".
        CKeyWordFinder f(nullptr, nullptr, 0);
        EnglishDoc d;
        d.Add("in").Add("new").Add("york").Add("today").End();
        d.Add("to").Add("new").Add("york").Add("city").End();
        d.Add("from").Add("new").Add("york").Add("again").End();
        d.ScanInto(f);
        f.GenerateNewWordList();
        bool bJoined = false;
        for (const WORD_AV& w : f.GetNewWordTable()) {
            bJoined = bJoined || w.word == "new york";
            EXPECT_NE(w.word, "newyork");
        }
        EXPECT_TRUE(bJoined);
    }
}

// The document of the author tests: 32 bytes before the name, 24 after, so that only a marker
// can make it the author.
const char* const kFill[] = {"\xBC\xD7", "\xD2\xD2", "\xB1\xFB", "\xB6\xA1", "\xCE\xEC", "\xBC\xBA"};  // 甲乙丙丁戊己
Doc AuthorDoc(bool bPhoto) {
    Doc d;
    for (int k = 0; k < 8; ++k) d.Add(std::string(kFill[k % 6]) + kFill[(k + 1) % 6], "n");
    d.Add(kZhang, "nr", 27);
    if (bPhoto) d.Add("\xC9\xE3", "v");  // 摄
    for (int k = 0; k < 6; ++k) d.Add(std::string(kFill[(k + 2) % 6]) + kFill[(k + 4) % 6], "n");
    return d.End();
}

TEST(KeyWordRankTest, AuthorByPhotoMarkerAndTheSlotLimit) {
    auto author = [](bool bPhoto, size_t nPrefill) {
        CKeyWordFinder f(nullptr, nullptr, KWF_AUTHOR);
        *f.GetExtractElement(4) = std::string(nPrefill, 'x');
        Doc d = AuthorDoc(bPhoto);
        d.ScanInto(f);
        f.GetKeyWordList(0, -1);
        return f.GetExtractElement(4)->substr(nPrefill);
    };
    // 摄 right after the name makes it the author; without it the name is too far from both ends.
    EXPECT_EQ(author(true, 0), std::string(kZhang) + "#");
    EXPECT_EQ(author(false, 0), "");
    // The slot takes the name while it stays below 600 bytes: 594 + 4 + 1 fits, 595 + 4 + 1 not.
    EXPECT_EQ(author(true, 594), std::string(kZhang) + "#");
    EXPECT_EQ(author(true, 595), "");
}

// Sentence 0 holds one person; sentence 1 a place, two more persons (damped by 1.2 and 2.2) and a
// second place (damped by 1.2): about 3.1 times the first person's weight, between its 2.5 times
// and its 5 times. sep follows 讯 in sentence 0: a blank or a comma.
Doc SourceLineDoc(const std::string& sep) {
    Doc d;
    d.Add(kZhang, "nr", 27).Add("\xD1\xB6", "n").Add(sep, "w", sep == " " ? 1 : 34);  // 讯
    d.Add("\xBC\xD7\xD2\xD2", "n").Add("\xB1\xFB\xB6\xA1", "n").End();  // 甲乙 丙丁
    d.Add("\xB1\xB1\xBE\xA9", "ns", 29).Add(kLi, "nr", 27).Add(kWang, "nr", 27);  // 北京
    d.Add("\xC9\xCF\xBA\xA3", "ns", 29).Add("\xCE\xEC\xBC\xBA", "n").End();  // 上海 戊己
    return d;
}

TEST(KeyWordRankTest, SummarySourceLineCommaCutAndBudgetFromRatio) {
    {
        // "讯 " in the first sentence doubles its 2.5 times: it now outweighs the second one.
        CKeyWordFinder withSource(nullptr, nullptr, 0), withComma(nullptr, nullptr, 0);
        Doc a = SourceLineDoc(" "), b = SourceLineDoc("\xA3\xAC");  // ，
        a.ScanInto(withSource);
        b.ScanInto(withComma);
        const std::string first = withSource.GetSummary(0, 0.0, 1, false);
        EXPECT_EQ(first.find(kZhang), 0u) << first;
        const std::string second = withComma.GetSummary(0, 0.0, 1, false);
        EXPECT_EQ(second.find("\xB1\xB1\xBE\xA9"), 0u) << second;
    }
    // Sentences of common nouns only: none counts (fewer than 21 ranked words keep only names,
    // places and times), so the summary is the text's start, cut before its last comma.
    auto fallback = [](const std::string& text, int nLimit, double dRatio) {
        CKeyWordFinder f(nullptr, nullptr, 0);
        Doc d;
        for (size_t pos = 0; pos < text.size();) {
            const size_t n = (unsigned char)text[pos] >= 0x80 ? 2 : 1;
            d.Add(text.substr(pos, n), n == 2 ? "n" : "w");
            pos += n;
        }
        d.ScanInto(f);
        return std::string(f.GetSummary(nLimit, dRatio, 0, false));
    };
    const std::string jy = "\xBC\xD7\xD2\xD2", bd = "\xB1\xFB\xB6\xA1", wj = "\xCE\xEC\xBC\xBA";
    const std::string comma = "\xA3\xAC";  // ，
    EXPECT_EQ(fallback(jy + comma + bd + comma + wj, 100, 0.0), jy + comma + bd);
    EXPECT_EQ(fallback(jy + comma + bd + comma + wj, 11, 0.0), jy);  // the second comma ends at 12
    EXPECT_EQ(fallback(jy + "," + bd + wj, 100, 0.0), jy);
    EXPECT_EQ(fallback(jy + bd + wj, 100, 0.0), jy + bd + wj);
    EXPECT_EQ(fallback(jy + bd + wj, 7, 0.0), jy + bd.substr(0, 2));

    // 3,000 bytes: the ratio 0.1 gives 300 bytes, below a limit of 500 (characters ending before
    // byte 300: 298 bytes); without the ratio the limit holds; a smaller limit beats the ratio.
    std::string text;
    while (text.size() < 3000) text += jy + bd + wj;
    text.resize(3000);
    EXPECT_EQ(fallback(text, 500, 0.1).size(), 298u);
    EXPECT_EQ(fallback(text, 500, 0.0).size(), 498u);
    EXPECT_EQ(fallback(text, 200, 0.1).size(), 198u);
    EXPECT_EQ(fallback(text, 0, 0.1).size(), 298u);
    EXPECT_EQ(fallback(text, 0, 1e12).compare(0, 3000, text), 0);  // a share beyond INT_MAX is clamped
}

// A two-byte hanzi, the k-th of the GBK table from 啊 on (k below 94 x 30).
std::string Hz(int k) { return std::string{char(0xB0 + k / 94), char(0xA1 + k % 94)}; }

TEST(KeyWordRankTest, RejectedWordsAreNeverWrittenNorSelected) {
    CKeyWordFinder f(nullptr, nullptr, 0);
    std::vector<WORD_AV> table;
    for (int k = 0; k < 3; ++k) table.push_back(Word("w" + std::to_string(k), "n", 21, 3, 0, 0));
    std::vector<WORD_AV> out;
    // Weights below 0 at the first two positions: nothing written, nothing selected.
    table[0].weight = table[1].weight = -1.0;
    table[2].weight = 0.5;
    std::vector<WORD_AV_WEIGHT> ranking = {{2, 0.5}, {0, -1.0}, {1, -1.0}};
    EXPECT_STREQ(f.GenerateResultString(-1, table, ranking, out, true, 0), "w2/n/0.50/3#");
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].word, "w2");
    ranking = {{0, -1.0}, {1, -1.0}};
    EXPECT_STREQ(f.GenerateResultString(-1, table, ranking, out, true, 1), "[]");
    EXPECT_TRUE(out.empty());
    // Nor does the fallback write the first scanned word when it is rejected or a stop word.
    EXPECT_STREQ(f.GenerateResultString(-1, table, ranking, out, false, 0), "");
    table[1].weight = 2.0;
    table[1].is_stopword = true;
    EXPECT_STREQ(f.GenerateResultString(-1, table, ranking, out, false, 0), "");
    table[1].is_stopword = false;
    EXPECT_STREQ(f.GenerateResultString(-1, table, ranking, out, false, 0), "w1/n/2.00#");

    // Joined words are unusable with fewer than 2 left or right neighbours or inside a
    // higher-ranked word, once the table holds 2 words.
    std::vector<WORD_AV> joined = {Word("abcdef", "n_new", 32, 3, 3, 3), Word("bcd", "n_new", 32, 3, 2, 2),
                                   Word("lone", "n_new", 32, 3, 1, 3), Word("last", "n_new", 32, 3, 3, 1)};
    for (WORD_AV& w : joined) w.unit_count = 2;
    std::vector<WORD_AV_WEIGHT> r;
    f.ComputeKeyWord(joined, r, true);
    ASSERT_EQ(r.size(), 4u);
    EXPECT_EQ(r[0].index, 0);
    EXPECT_GT(r[0].weight, 0.0);
    for (size_t k = 1; k < 4; ++k) EXPECT_EQ(r[k].weight, -1.0) << joined[size_t(r[k].index)].word;
    const std::string written = f.GenerateResultString(-1, joined, r, out, true, 0);
    EXPECT_EQ(written.find("abcdef/n_new/"), 0u) << written;
    EXPECT_EQ(written.find('#'), written.size() - 1) << written;
    std::vector<WORD_AV> alone = {joined[2]};
    f.ComputeKeyWord(alone, r, true);
    ASSERT_EQ(r.size(), 1u);
    EXPECT_GT(r[0].weight, 0.0);  // a table of one word keeps it

    // In a document: 乙丙 always follows 甲 (one left neighbour), 戊己 stands between different
    // words. Both are proposed; only 戊己 is written and selected (to become a user word).
    std::vector<std::string> core;
    for (int k = 0; k < 40; ++k) core.push_back(Hz(k));
    CoreDict dict(core);
    CKeyWordFinder doc(nullptr, nullptr, 0);
    Doc d;
    for (int k = 0; k < 3; ++k) d.Add(Hz(0), "n").Add(Hz(1), "n").Add(Hz(2), "n").Add(Hz(10 + k), "n").End();
    for (int k = 0; k < 3; ++k) d.Add(Hz(20 + k), "n").Add(Hz(4), "n").Add(Hz(5), "n").Add(Hz(30 + k), "n").End();
    d.ScanInto(doc);
    ASSERT_EQ(doc.GenerateNewWordList(), 2);
    const std::string words = doc.GetNewWordList(0, -1);
    EXPECT_EQ(words.find(Hz(4) + Hz(5) + "/n_new/"), 0u) << words;
    EXPECT_EQ(words.find(Hz(1) + Hz(2)), std::string::npos) << words;
    const std::vector<WORD_AV>& selected = doc.GetNewWordListE(0, -1);
    ASSERT_EQ(selected.size(), 1u);
    EXPECT_EQ(selected[0].word, Hz(4) + Hz(5));
}

TEST(KeyWordRankTest, CandidatesAndAcronymsFollowTheTextWhateverWasAskedBefore) {
    const std::string xin = "\xD0\xC2", ci = "\xB4\xCA";  // 新 词
    CoreDict dict({xin, ci, "\xBC\xD7", "\xD2\xD2", "\xB1\xFB", "\xB6\xA1", "\xCE\xEC", "\xBC\xBA"});
    // The same text three times, with or without results asked for after the first.
    auto chinese = [&](bool bAsk) {
        CKeyWordFinder f(nullptr, nullptr, 0);
        Doc d = NewWordDoc(xin, ci);
        d.ScanInto(f);
        if (bAsk) {
            f.GetNewWordList(0, -1);
            f.GetKeyWordList(0, -1);
        }
        d.ScanInto(f);
        d.ScanInto(f);
        const std::string words = f.GetNewWordList(0, -1);
        const std::string keys = f.GetKeyWordList(0, -1);
        EXPECT_EQ(f.GetNewWordTable().at(0).freq, 9);
        EXPECT_EQ(f.GetNewWordTable().at(0).vecInvertList.size(), 9u);
        return std::make_pair(words, keys);
    };
    const auto asked = chinese(true), plain = chinese(false);
    EXPECT_EQ(asked, plain);
    EXPECT_NE(ItemOf(asked.first, xin + ci).find("/9"), std::string::npos) << asked.first;

    auto acronym = [](bool bAsk) {
        CKeyWordFinder f(nullptr, nullptr, 0);
        EnglishDoc d;
        const char* ctx[] = {"alpha", "beta", "gamma", "delta"};
        for (int k = 0; k < 4; ++k) d.Add(ctx[k]).Add("NASA").Add(ctx[(k + 1) % 4]).End();
        d.ScanInto(f);
        if (bAsk) f.GetNewWordList(0, -1);
        d.ScanInto(f);
        d.ScanInto(f);
        const std::string words = f.GetNewWordList(0, -1);
        int nFreq = -1, nCopies = 0;
        for (const WORD_AV& w : f.GetNewWordTable())
            if (w.word == "NASA") nFreq = w.freq, ++nCopies;
        EXPECT_EQ(nFreq, 12);
        EXPECT_EQ(nCopies, 1);
        return words;
    };
    EXPECT_EQ(acronym(true), acronym(false));
}

TEST(KeyWordRankTest, EnglishTextCountsTowardsTheSummaryRatio) {
    LogCapture log;
    CKeyWordFinder f(nullptr, nullptr, 0);
    EnglishDoc d;
    d.Add("bridge").Add("opens").Add("today").Add("across").Add("river").End();
    d.Add("people").Add("cross").Add("bridge").Add("quickly").End();
    ASSERT_EQ(d.ScanInto(f), 1u);
    EXPECT_EQ(f.GetDocLength(), d.line.size());
    const std::string summary = f.GetSummary(0, 0.5, 0, false);
    EXPECT_FALSE(summary.empty());
    EXPECT_LT(summary.size(), d.line.size() / 2);
    EXPECT_TRUE(log.Logs().empty());
}

// Sentences of names (tag ids 27, 29, 52 keep their weight through the summary's threshold)
// between stop words; each vector is one sentence ended by a line break.
struct Token {
    std::string word;
    const char* tag;
    int id;
};
std::string SummaryOf(const std::vector<std::vector<Token>>& sentences, int nSentCount) {
    CKeyWordFinder f(nullptr, nullptr, 0);
    Doc d;
    for (const auto& sent : sentences) {
        for (const Token& t : sent) d.Add(t.word, t.tag, t.id);
        d.End();
    }
    d.ScanInto(f);
    return f.GetSummary(0, 0.0, nSentCount, false);
}

TEST(KeyWordRankTest, SummaryRescoresAfterEachPick) {
    int nNext = 100;
    auto stop = [&] { return Token{Hz(nNext++), "u", 60}; };  // a new stop word each time
    auto person = [](int k) { return Token{Hz(2 * k) + Hz(2 * k + 1), "nr", 27}; };
    auto line = [](const std::vector<Token>& sent) {
        std::string s;
        for (const Token& t : sent) s += t.word;
        return s + " ";
    };
    {
        // After the first pick a sentence under 10 bytes is never taken, though its person
        // outranks the third sentence's.
        const std::vector<Token> s0 = {person(0), stop(), stop(), stop()}, s1 = {person(1), stop()},
                                 s2 = {person(2), stop(), stop(), stop()};
        EXPECT_EQ(SummaryOf({s0, s1, s2}, 2), line(s0) + line(s2));
    }
    {
        // Sentence 2 shares its strongest person (two contexts) with the first pick: scored
        // again on what is left it weighs less than sentence 1.
        const Token a = person(3), dd = person(4), e = person(5), fp = person(6);
        const std::vector<Token> s0 = {a, stop(), dd, stop()}, s1 = {fp, stop(), stop(), stop()},
                                 s2 = {dd, stop(), e, stop()};
        EXPECT_EQ(SummaryOf({s0, s1, s2}, 2), line(s0) + line(s1));
    }
    {
        // The first pick is sentence 1 (a place in eight contexts). Sentence 0 loses the person
        // it shares with it; scored again, its time word counts twice, enough to beat sentence 2
        // and its stronger time word (two left contexts).
        const Token a = person(7), h = {Hz(16) + Hz(17), "t", 52}, k = {Hz(18) + Hz(19), "t", 52};
        const Token b = {Hz(20) + Hz(21), "ns", 29};
        const std::vector<Token> s0 = {a, stop(), h, stop()};
        std::vector<Token> s1 = {a, stop()};
        for (int n = 0; n < 8; ++n) {
            s1.push_back(b);
            s1.push_back(stop());
        }
        const Token y = stop();
        const std::vector<Token> s2 = {stop(), k, y, stop(), k, y};
        EXPECT_EQ(SummaryOf({s0, s1, s2}, 2), line(s0) + line(s1));
    }
}

TEST(KeyWordRankTest, PlacesAndOrganisationsFillTheirSlotsAndAreDamped) {
    const std::string bj = "\xB1\xB1\xBE\xA9", sh = "\xC9\xCF\xBA\xA3";  // 北京 上海
    const std::string gs = "\xB9\xAB\xCB\xBE", yh = "\xD2\xF8\xD0\xD0";  // 公司 银行
    std::vector<WORD_AV> table = {Word(bj, "ns", 29, 2, 2, 2), Word(sh, "ns", 30, 2, 2, 2),
                                  Word(gs, "nt", 31, 2, 2, 2), Word(yh, "nt", 31, 2, 2, 2)};
    const double e = 3.0 + 2.0 * std::log(2.0);  // two and two neighbours of count 1 at freq 2
    for (unsigned flags : {KWF_PLACE | KWF_ORGANIZATION, KWF_PERSON}) {
        CKeyWordFinder f(nullptr, nullptr, flags);
        std::vector<WORD_AV_WEIGHT> ranking;
        for (int round = 0; round < 2; ++round) {
            f.ComputeKeyWord(table, ranking, false);
            ASSERT_EQ(ranking.size(), 4u);
            // Entities outside the dictionary weigh 1.1 x 3; organisations, no entity, 1.2.
            EXPECT_NEAR(ranking[0].weight, e * 3.3 * 0.8, 1e-9);
            EXPECT_NEAR(ranking[1].weight, e * 3.3 * 0.8 / 1.2, 1e-9);
            EXPECT_NEAR(ranking[2].weight, e * 1.2 * 0.8, 1e-9);
            EXPECT_NEAR(ranking[3].weight, e * 1.2 * 0.8 / 1.2, 1e-9);
            const bool bSlots = flags & KWF_PLACE;
            EXPECT_EQ(*f.GetExtractElement(1), bSlots ? bj + "#" + sh + "#" : "") << round;
            EXPECT_EQ(*f.GetExtractElement(2), bSlots ? gs + "#" + yh + "#" : "") << round;
        }
    }
}

}  // namespace
