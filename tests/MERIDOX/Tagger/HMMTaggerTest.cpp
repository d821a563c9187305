#include "MERIDOX/Tagger/HMMTagger.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "Utility/ContextStat.h"
#include "Utility/FSA.h"
#include "Utility/PDAT.h"
#include "Utility/POS.h"
#include "Utility/Settings.h"
#include "Utility/Unigram.h"
#include "common/TestUtil.h"

namespace {

struct Cand {
    int handle, tag, freq;
};

std::vector<POS_elem> Records(const std::vector<Cand>& cands) {
    std::vector<POS_elem> out;
    for (const Cand& c : cands) {
        POS_elem e;
        e.handle = c.handle;
        e.POS_id = tuchar(c.tag);
        e.freq = c.freq;
        out.push_back(e);
    }
    return out;
}

struct Counts {
    int prev, cur, n;
};

void FillContext(CContextStat& ctx, int nTags, const std::vector<Counts>& counts) {
    ASSERT_TRUE(ctx.SetSymbol(tuchar(nTags)));
    for (const Counts& c : counts) ASSERT_TRUE(ctx.Add(tuchar(c.prev), tuchar(c.cur), c.n));
}

word_t Word(int handle, int type, int start = 0) {
    word_t w;
    w.handle = handle;
    w.type = tuchar(type);
    w.start = start;
    w.end = start + 2;
    return w;
}

std::vector<int> Tags(const std::vector<word_t>& words, size_t n) {
    std::vector<int> out;
    for (size_t i = 0; i < n; ++i) out.push_back(words[i].POS_id);
    return out;
}

// The placeholder handle of merged person names, set for the tests and restored afterwards.
class TaggerTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_nSavedName = gUnknown_nr_ID;
        gUnknown_nr_ID = kName;
    }
    void TearDown() override { gUnknown_nr_ID = m_nSavedName; }
    static constexpr int kName = 500;

private:
    int m_nSavedName = 0;
};

// ---- the reference: every tag sequence scored by the formulas, the best one kept -------------

struct Reference {
    const CPOS& pos;
    const CContextStat& ctx;
    double N;
    int nDefault;

    std::vector<POS_info> Candidates(const word_t& w) const {
        int n = 0;
        const POS_info* p = pos.GetPOS(w.handle, &n);
        if (p && n > 0) return std::vector<POS_info>(p, p + n);
        POS_info own;
        own.POS_id = tuchar(w.type >= 1 && w.type <= 4 ? 78 : nDefault);
        own.freq = 0;
        return {own};
    }
    // Score of a tag sequence, with the additions in the order the search makes them.
    double Score(const std::vector<std::vector<POS_info>>& cands, const std::vector<int>& pick) const {
        double s = 0;
        for (size_t i = 1; i < cands.size(); ++i) {
            const POS_info& a = cands[i - 1][size_t(pick[i - 1])];
            const POS_info& b = cands[i][size_t(pick[i])];
            s = s + std::log(ctx.GetContextPossibility(a.POS_id, b.POS_id));
            s = s + (std::log(b.freq + 0.02) - std::log(ctx.GetFrequency(b.POS_id) + N * 0.02));
        }
        return s;
    }
};

TEST_F(TaggerTest, ViterbiMatchesEveryTagSequenceOnRandomTables) {
    const unsigned seed = 20261208;
    std::mt19937 rng(seed);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    const int types[] = {0, 1, 2, 3, 4, 5, 28, 'x', 'y'};
    for (int trial = 0; trial < 400; ++trial) {
        SCOPED_TRACE("seed " + std::to_string(seed) + ", trial " + std::to_string(trial));
        const int nTags = pick(2, 8), bound = 12;
        std::vector<Cand> cands;
        for (int h = 0; h < bound; ++h) {
            int n = pick(0, 4);
            for (int k = 0; k < n; ++k) cands.push_back({h, pick(0, nTags + 2), pick(0, 30)});
        }
        std::vector<POS_elem> recs = Records(cands);
        CPOS pos;
        pos.Import(recs, bound);
        std::vector<Counts> counts;
        for (int a = 0; a < nTags; ++a)
            for (int b = 0; b < nTags; ++b)
                if (pick(0, 2)) counts.push_back({a, b, pick(1, 40)});
        CContextStat ctx;
        FillContext(ctx, nTags, counts);
        const double N = pick(1, 50);
        const int nDefault = pick(0, nTags + 2);
        CHMMTagger tagger(&pos, &ctx, N, nDefault);
        Reference ref{pos, ctx, N, nDefault};

        const int len = pick(1, 6);
        std::vector<word_t> words;
        for (int i = 0; i < len; ++i) words.push_back(Word(pick(-1, bound), types[pick(0, 8)], 2 * i));
        // A longer call first, so the reused tables hold another sentence's scores.
        std::vector<word_t> longer = words;
        for (int i = 0; i < 3; ++i) longer.push_back(Word(pick(0, bound - 1), 0));
        tagger.Tagging(longer.data(), int(longer.size()));
        tagger.Tagging(words.data(), len);

        std::vector<std::vector<POS_info>> table;
        for (const word_t& w : words) table.push_back(ref.Candidates(w));
        // Enumerate every sequence that ends in the last word's first candidate.
        std::vector<int> cur(size_t(len), 0), best;
        double bestScore = -INFINITY;
        int atBest = 0;
        std::function<void(int)> walk = [&](int i) {
            if (i == len - 1) {
                cur[size_t(i)] = 0;
                double s = ref.Score(table, cur);
                if (s > bestScore) {
                    bestScore = s;
                    best = cur;
                    atBest = 1;
                } else if (s == bestScore) {
                    ++atBest;
                }
                return;
            }
            for (size_t k = 0; k < table[size_t(i)].size(); ++k) {
                cur[size_t(i)] = int(k);
                walk(i + 1);
            }
        };
        walk(0);

        std::vector<int> got(static_cast<size_t>(len), 0);
        for (int i = 0; i < len; ++i) {
            const std::vector<POS_info>& c = table[size_t(i)];
            int k = -1;
            for (size_t j = 0; j < c.size(); ++j)
                if (c[j].POS_id == words[size_t(i)].POS_id) k = int(j);
            ASSERT_GE(k, 0) << "word " << i << " got a tag that is not its candidate";
            got[size_t(i)] = k;
        }
        ASSERT_EQ(got[size_t(len) - 1], 0) << "the path must end in the last word's first candidate";
        EXPECT_EQ(ref.Score(table, got), bestScore);
        if (atBest == 1) {
            EXPECT_EQ(got, best);
        }
    }
}

TEST_F(TaggerTest, WordsWithoutCandidatesTakePunctuationOrDefaultTag) {
    // Handle 7 has candidates; the others have none. Punctuation classes 1..4 get 78, any other
    // type the tagger's default, interleaved, so neither kind of own candidate disturbs the other.
    std::vector<POS_elem> recs = Records({{7, 30, 5}});
    CPOS pos;
    pos.Import(recs, 10);
    CContextStat ctx;
    FillContext(ctx, 40, {{30, 30, 3}});
    const int types[] = {'x', 1, 0, 2, 7, 3, 4, 5, 28, 'c', 'y'};
    for (int nDefault : {21, 22}) {
        SCOPED_TRACE("default " + std::to_string(nDefault));
        CHMMTagger tagger(&pos, &ctx, 100, nDefault);
        std::vector<word_t> words;
        for (int t : types) words.push_back(Word(t == 7 ? 7 : 3, t == 7 ? 0 : t));
        tagger.Tagging(words.data(), int(words.size()));
        const int d = nDefault;
        EXPECT_EQ(Tags(words, words.size()), (std::vector<int>{d, 78, d, 78, 30, 78, 78, d, d, d, d}));
        // Types are left alone.
        EXPECT_EQ(words[1].type, 1);
    }
}

TEST_F(TaggerTest, TiesGoToTheFirstCandidateAndTheEndStartsAtCandidateZero) {
    // Word 1 has tags 50 and 51, both beyond the statistics, with equal frequency: every path
    // through them scores the same, and the first must win. Word 2 (the last) has tags 1 and 2,
    // and 2 scores far better, but the back-tracking starts at its first candidate.
    std::vector<POS_elem> recs = Records({{0, 0, 1}, {1, 50, 4}, {1, 51, 4}, {2, 1, 1}, {2, 2, 900}});
    CPOS pos;
    pos.Import(recs, 5);
    CContextStat ctx;
    FillContext(ctx, 3, {{0, 0, 1}, {1, 2, 1}});
    CHMMTagger tagger(&pos, &ctx, 10, 21);
    std::vector<word_t> words = {Word(0, 'x'), Word(1, 0), Word(2, 'y')};
    tagger.Tagging(words.data(), 3);
    EXPECT_EQ(Tags(words, 3), (std::vector<int>{0, 50, 1}));

    // A sentence whose words have one candidate each gets exactly those; nothing happens to an
    // empty call.
    std::vector<word_t> one = {Word(0, 'x'), Word(0, 0)};
    tagger.Tagging(one.data(), 2);
    EXPECT_EQ(Tags(one, 2), (std::vector<int>{0, 0}));
    one[0].POS_id = 9;
    tagger.Tagging(one.data(), 0);
    tagger.Tagging(nullptr, 2);
    EXPECT_EQ(one[0].POS_id, 9);
}

// Roles: 0 boundary, 1 surname, 4 one-character given name, 22 other. The automaton accepts
// surname + given name with tag 24.
class NameTest : public TaggerTest {
protected:
    void SetUp() override {
        TaggerTest::SetUp();
        kxtest::WriteAll(dir.file("nr.txt"),
                         "state count\n3\ninput size\n9\naccepting states\n2\ntags\n24\ntransitions\n"
                         "0 1 1\n1 4 2\n");
        ASSERT_TRUE(fsa.Import(dir.file("nr.txt").c_str()));
        // Handles: 0 start, 1 end, 2 a surname, 3 a given name, 4 a verb.
        std::vector<POS_elem> roleRecs =
            Records({{0, 0, 9}, {1, 0, 9}, {2, 1, 50}, {2, 22, 5}, {3, 4, 40}, {3, 22, 5}, {4, 22, 60}});
        roles.Import(roleRecs, 10);
        FillContext(roleCtx, 23, {{0, 1, 20}, {0, 22, 20}, {1, 4, 30}, {4, 22, 10}, {22, 0, 20}, {22, 22, 5}});
        std::vector<POS_elem> posRecs =
            Records({{0, 82, 9}, {1, 82, 9}, {2, 24, 3}, {2, 0, 9}, {3, 0, 9}, {4, 68, 60}, {kName, 21, 1}});
        tags.Import(posRecs, kName + 1);
        FillContext(posCtx, 102, {{82, 24, 3}, {82, 0, 5}, {24, 68, 4}, {0, 68, 2}, {68, 82, 6}, {21, 68, 1}});
    }
    std::vector<word_t> Sentence() const {
        return {Word(0, 'x', 0), Word(2, 0, 0), Word(3, 0, 2), Word(4, 0, 4), Word(1, 'y', 6)};
    }
    kxtest::TempDir dir;
    CFSA fsa;
    CPOS roles, tags;
    CContextStat roleCtx, posCtx;
};

TEST_F(NameTest, MergedNameTakesTheAutomatonTagAndTypeF) {
    CHMMTagger roleTagger(&roles, &roleCtx, 100, 22, false);
    CHMMTagger posTagger(&tags, &posCtx, 100, 21);
    std::vector<word_t> words = Sentence();
    std::vector<int> names = {7};
    int n = TagSentenceWords(words.data(), 5, &roleTagger, &fsa, &posTagger, names);
    ASSERT_EQ(n, 4);
    EXPECT_EQ(names, std::vector<int>{1});
    EXPECT_EQ(words[1].handle, kName);
    EXPECT_EQ(words[1].start, 0);
    EXPECT_EQ(words[1].end, 4);
    // The tagger's own choice for the name would be 21; the automaton's tag wins.
    EXPECT_EQ(words[1].POS_id, 24);
    EXPECT_EQ(words[1].type, 'f');
    EXPECT_EQ(words[2].POS_id, 68);
    EXPECT_EQ(words[3].POS_id, 82);

    // Without the part-of-speech pass the name keeps the role of its first word and the
    // automaton's tag in its type.
    words = Sentence();
    n = TagSentenceWords(words.data(), 5, &roleTagger, &fsa, nullptr, names);
    ASSERT_EQ(n, 4);
    EXPECT_EQ(words[1].handle, kName);
    EXPECT_EQ(words[1].POS_id, 1);
    EXPECT_EQ(words[1].type, 24);

    // Without the role pass nothing merges and the words are tagged as they are.
    words = Sentence();
    n = TagSentenceWords(words.data(), 5, nullptr, &fsa, &posTagger, names);
    EXPECT_EQ(n, 5);
    EXPECT_TRUE(names.empty());
    EXPECT_EQ(words[1].type, 0);
}

TEST_F(NameTest, OnlyThePartOfSpeechTaggerConvertsNameWords) {
    // A word that already carries the name handle (the text held the placeholder word itself):
    // the role pass leaves its type alone, the part-of-speech pass converts it.
    CHMMTagger roleTagger(&roles, &roleCtx, 100, 22, false);
    CHMMTagger posTagger(&tags, &posCtx, 100, 21);
    std::vector<word_t> words = {Word(0, 'x'), Word(kName, 24), Word(1, 'y')};
    roleTagger.Tagging(words.data(), 3);
    EXPECT_EQ(words[1].type, 24);
    EXPECT_EQ(words[1].POS_id, 22);
    posTagger.Tagging(words.data(), 3);
    EXPECT_EQ(words[1].type, 'f');
    EXPECT_EQ(words[1].POS_id, 24);
}

// The role pass is left out when no tagging of the roles could merge a name; the result must be
// the one of every step run in turn, on random automata, tables and sentences.
TEST_F(TaggerTest, RolePassLeftOutOnlyWhenNoNameCouldMerge) {
    const unsigned seed = 20261209;
    std::mt19937 rng(seed);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    auto put = [](std::string& out, int32_t v) {
        for (int i = 0; i < 4; ++i) out += char((uint32_t(v) >> (8 * i)) & 0xFF);
    };
    const int types[] = {0, 0, 0, 1, 3, 5, 'x', 'y'};
    int leftOut = 0, merged = 0;
    for (int trial = 0; trial < 600; ++trial) {
        SCOPED_TRACE("seed " + std::to_string(seed) + ", trial " + std::to_string(trial));
        // An automaton of N states over M role ids: accepting flags, their tags, sparse moves.
        // Now and then M reaches past the punctuation role, and the default role is one the
        // automaton moves on.
        const int N = pick(1, 5), M = pick(0, 7) == 0 ? kPunctuationTag + 2 : pick(1, 5), bound = 10;
        const int nDefaultRole = pick(0, 2) == 0 ? pick(0, M - 1) : 22;
        std::string img;
        put(img, M);
        put(img, N);
        for (int k = 0; k < N; ++k) put(img, pick(0, 1));
        for (int k = 0; k < N; ++k) put(img, pick(20, 30));
        for (int k = 0; k < N * M; ++k) put(img, pick(0, 2) == 0 ? -1 : pick(0, N - 1));
        CFSA fsa;
        ASSERT_TRUE(fsa.LoadFromMemory(reinterpret_cast<const unsigned char*>(img.data()), img.size()));

        std::vector<Cand> roleCands, tagCands;
        for (int h = 0; h < bound; ++h) {
            for (int k = pick(0, 3); k > 0; --k) roleCands.push_back({h, pick(0, M + 1), pick(0, 30)});
            for (int k = pick(0, 3); k > 0; --k) tagCands.push_back({h, pick(0, 9), pick(0, 30)});
        }
        tagCands.push_back({kName, pick(0, 9), 3});
        std::vector<POS_elem> roleRecs = Records(roleCands), tagRecs = Records(tagCands);
        CPOS roles, tags;
        roles.Import(roleRecs, bound);
        tags.Import(tagRecs, kName + 1);
        std::vector<Counts> roleCounts, tagCounts;
        for (int a = 0; a < M + 2; ++a)
            for (int b = 0; b < M + 2; ++b)
                if (pick(0, 1)) roleCounts.push_back({a, b, pick(1, 40)});
        for (int a = 0; a < 10; ++a)
            for (int b = 0; b < 10; ++b)
                if (pick(0, 1)) tagCounts.push_back({a, b, pick(1, 40)});
        CContextStat roleCtx, tagCtx;
        FillContext(roleCtx, M + 2, roleCounts);
        FillContext(tagCtx, 10, tagCounts);
        CHMMTagger roleTagger(&roles, &roleCtx, 50, nDefaultRole, false);
        CHMMTagger posTagger(&tags, &tagCtx, 50, 21);

        const int len = pick(1, 8);
        std::vector<word_t> words;
        for (int i = 0; i < len; ++i) words.push_back(Word(pick(-1, bound), types[pick(0, 7)], 2 * i));
        const bool may = roleTagger.MayMergeNames(words.data(), len, fsa);

        std::vector<word_t> got = words, want = words;
        std::vector<int> gotNames, wantNames;
        int nGot = TagSentenceWords(got.data(), len, &roleTagger, &fsa, &posTagger, gotNames);
        int nWant = len;
        roleTagger.Tagging(want.data(), len);
        fsa.MaxPR(want.data(), &nWant, kName, wantNames);
        posTagger.Tagging(want.data(), nWant);

        ASSERT_EQ(nGot, nWant);
        EXPECT_EQ(gotNames, wantNames);
        for (int i = 0; i < nGot; ++i) {
            const word_t &a = got[size_t(i)], &b = want[size_t(i)];
            EXPECT_TRUE(a.handle == b.handle && a.start == b.start && a.end == b.end && a.POS_id == b.POS_id &&
                        a.type == b.type)
                << "word " << i;
        }
        if (!wantNames.empty()) {
            EXPECT_TRUE(may) << "a name merged where none could";
        }
        leftOut += !may;
        merged += !wantNames.empty();
    }
    // Both ways are taken often enough to matter.
    EXPECT_GT(leftOut, 60);
    EXPECT_GT(merged, 60);
}

// ---- the shipped data ------------------------------------------------------------------------

class ShippedDataTest : public TaggerTest {
protected:
    void SetUp() override {
        TaggerTest::SetUp();
        const std::string d = std::string(KX_BUILD_DIR) + "/Data/";
        ASSERT_TRUE(core.Load((d + "CoreDict.pdat").c_str()));
        ASSERT_TRUE(unigram.Load((d + "CoreDict.unig").c_str()));
        ASSERT_TRUE(corePOS.Load((d + "CoreDict.pos").c_str()));
        ASSERT_TRUE(posCtx.Load((d + "KOVEX.ctx").c_str()));
        ASSERT_TRUE(roles.Load((d + "nr.role").c_str()));
        ASSERT_TRUE(roleCtx.Load((d + "nr.ctx").c_str()));
        ASSERT_TRUE(fsa.Load((d + "nr.fsa").c_str()));
        gUnknown_nr_ID = core.Find("\xCE\xB4##\xC8\xCB");  // 未##人
        ASSERT_GT(gUnknown_nr_ID, 0);
    }
    // The sentence as words, between the start and end words; GBK words separated by blanks.
    std::vector<word_t> Words(const std::vector<std::string>& text) {
        std::vector<word_t> out = {Word(core.Find("\xCA\xBC##\xCA\xBC"), 'x')};  // 始##始
        int at = 0;
        for (const std::string& w : text) {
            int h = core.Find(w.c_str());
            EXPECT_GE(h, 0) << w;
            out.push_back(Word(h, 0, at));
            out.back().end = at + int(w.size());
            at += int(w.size());
        }
        out.push_back(Word(core.Find("\xC4\xA9##\xC4\xA9"), 'y', at));  // 末##末
        out.back().end = at;
        return out;
    }
    CPDAT core;
    CUnigram unigram;
    CPOS corePOS, roles;
    CContextStat posCtx, roleCtx;
    CFSA fsa;
};

TEST_F(ShippedDataTest, RolePassAndAutomatonMergeCommonNames) {
    CHMMTagger roleTagger(&roles, &roleCtx, unigram.GetItemCount(), 22, false);
    CHMMTagger posTagger(&corePOS, &posCtx, unigram.GetItemCount(), 21);
    // 记者 王 建 国 说 (surname, two-character given name), 记者 李 明 说 (one-character given name)
    const std::vector<std::vector<std::string>> sentences = {
        {"\xBC\xC7\xD5\xDF", "\xCD\xF5", "\xBD\xA8", "\xB9\xFA", "\xCB\xB5"},
        {"\xBC\xC7\xD5\xDF", "\xC0\xEE", "\xC3\xF7", "\xCB\xB5"},
    };
    std::vector<int> names;
    for (const auto& s : sentences) {
        std::vector<word_t> words = Words(s);
        int n = TagSentenceWords(words.data(), int(words.size()), &roleTagger, &fsa, &posTagger, names);
        ASSERT_EQ(n, 5) << "the name was not merged";
        ASSERT_EQ(names, std::vector<int>{2});
        const word_t& name = words[2];
        EXPECT_EQ(name.handle, gUnknown_nr_ID);
        EXPECT_EQ(name.start, 4);
        EXPECT_EQ(name.end, int(s[1].size() + (s.size() == 5 ? 4 : 2)) + 4);
        EXPECT_EQ(name.POS_id, 24);
        EXPECT_EQ(name.type, 'f');
        EXPECT_EQ(words[4].POS_id, 82);  // 末##末 keeps its single candidate wj
    }
}

}  // namespace
