// The bigram path search: against enumeration of every path on random small lattices, the tie
// and boundary rules, and the whole cut (atoms, lattice, path) on the shipped data.
#include "MERIDOX/Segment/Segment.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "SegmentFixture.h"
#include "Utility/Bigram.h"
#include "Utility/Unigram.h"

namespace {

void PutI32(std::string& out, int32_t v) {
    for (int i = 0; i < 4; ++i) out += char((uint32_t(v) >> (8 * i)) & 0xFF);
}

// A unigram table of the given counts (ids 0..n-1) with item count and total as given.
std::unique_ptr<CUnigram> MakeUnigram(const std::vector<int>& counts, int items, int total) {
    std::string img;
    PutI32(img, items);
    PutI32(img, int(counts.size()));
    PutI32(img, total);
    for (int c : counts) PutI32(img, c);
    PutI32(img, 0);
    std::unique_ptr<CUnigram> u(new CUnigram);
    EXPECT_TRUE(u->LoadFromMemory(reinterpret_cast<const unsigned char*>(img.data()), img.size()));
    return u;
}

// A bigram table of the given pairs over first ids 0..bound-1.
std::unique_ptr<CBigram> MakeBigram(const std::map<std::pair<int, int>, int>& pairs, int bound) {
    std::string img;
    PutI32(img, int(pairs.size()));
    PutI32(img, bound);
    for (const auto& p : pairs) {
        PutI32(img, p.first.second);
        PutI32(img, p.second);
    }
    std::vector<std::pair<int, int>> index(size_t(bound), {-1, -1});
    int k = 0;
    for (const auto& p : pairs) {
        auto& x = index[size_t(p.first.first)];
        if (x.first < 0) x.first = k;
        x.second = k++;
    }
    for (const auto& x : index) {
        PutI32(img, x.first);
        PutI32(img, x.second);
    }
    std::unique_ptr<CBigram> b(new CBigram);
    EXPECT_TRUE(b->LoadFromMemory(reinterpret_cast<const unsigned char*>(img.data()), img.size()));
    return b;
}

word_t Word(int handle, int start, int end, int type = 0) {
    word_t w;
    w.handle = handle;
    w.start = start;
    w.end = end;
    w.type = tuchar(type);
    return w;
}

// A lattice held as slot vectors, with the pointer and count arrays BiSegment takes.
struct Lattice {
    int base = 0;
    int atoms = 0;
    std::vector<std::vector<word_t>> slots;
    std::vector<word_t*> graph;
    std::vector<int> counts;

    // Slots for a sentence of nBytes bytes from base: slot 0 start atom, last slot end atom.
    Lattice(int nBase, int nBytes) : base(nBase), slots(size_t(nBytes) + 2) {
        slots[0].push_back(Word(0, nBase, nBase, 'x'));
        slots.back().push_back(Word(1, nBase + nBytes, nBase + nBytes, 'y'));
        atoms = 2;
    }
    void Add(const word_t& w) { slots[size_t(w.start - base + 1)].push_back(w); }
    void Seal() {
        graph.clear();
        counts.clear();
        for (auto& s : slots) {
            graph.push_back(s.empty() ? nullptr : s.data());
            counts.push_back(int(s.size()));
        }
    }
    int Run(CSegment& seg) {
        Seal();
        return seg.BiSegment(graph.data(), int(graph.size()), counts.data(), atoms);
    }
};

const double kLambda = 0.95;

// ln P(w, v) straight from the formula.
double StepScore(const CUnigram& u, const CBigram& b, const word_t& w, const word_t& v) {
    double N = u.GetItemCount(), F = u.GetTotalFreq();
    double uw = u.GetFreq(w.handle), uv = u.GetFreq(v.handle), bwv = b.GetFreq(w.handle, v.handle);
    return std::log(kLambda * (bwv + 0.00001) / (N * 0.00001 + uw) + (1.0 - kLambda) * (uv + 0.5) / (F + N * 0.5));
}

// The best total score over every path from the start atom to the end atom (-inf when none).
double BruteForceBest(const Lattice& l, const CUnigram& u, const CBigram& b) {
    std::function<double(const word_t&)> best = [&](const word_t& w) -> double {
        if (w.type == 'y') return 0.0;
        size_t next = size_t(w.end - l.base + 1);
        double m = -INFINITY;
        if (next < l.slots.size())
            for (const word_t& v : l.slots[next]) m = std::max(m, StepScore(u, b, w, v) + best(v));
        return m;
    };
    return best(l.slots[0][0]);
}

TEST(SegmentTest, BestPathMatchesEnumerationOnRandomLattices) {
    const unsigned seed = 20261208;
    std::mt19937 rng(seed);
    const int H = 12;  // ids 0..H-1 in the tables; the lattice also uses -1 and H+2
    std::unique_ptr<CUnigram> uni;
    std::unique_ptr<CBigram> bi;
    // One instance searches every lattice over the same tables, so its caches of earlier
    // sentences answer; a fresh instance checks each of its paths.
    std::unique_ptr<CSegment> warm;
    for (int round = 0; round < 400; ++round) {
        if (round % 10 == 0) {
            std::vector<int> counts(H);
            int total = 0;
            for (int& c : counts) total += (c = int(rng() % 40));
            uni = MakeUnigram(counts, H, total + 1);
            std::map<std::pair<int, int>, int> pairs;
            for (int k = 0; k < 30; ++k) pairs[{int(rng() % H), int(rng() % H)}] = 1 + int(rng() % 20);
            bi = MakeBigram(pairs, H);
            warm.reset(new CSegment(nullptr, uni.get(), bi.get()));
        }
        CSegment seg(nullptr, uni.get(), bi.get());

        // Sentences deep inside a line, so the slots are relative to the sentence.
        int base = int(rng() % 100000);
        int nAtoms = 1 + int(rng() % 6);
        std::vector<int> pos{base};
        for (int k = 0; k < nAtoms; ++k) pos.push_back(pos.back() + 1 + int(rng() % 2));
        Lattice l(base, pos.back() - base);
        l.atoms += nAtoms;
        auto handle = [&] { return int(rng() % (H + 3)) - 1; };
        for (int k = 0; k < nAtoms; ++k) {
            l.Add(Word(handle(), pos[size_t(k)], pos[size_t(k) + 1]));
            for (int m = k + 1; m < nAtoms; ++m)
                if (rng() % 3 == 0) l.Add(Word(handle(), pos[size_t(k)], pos[size_t(m) + 1]));
        }
        int n = l.Run(seg);
        const word_t* p = seg.GetWords();
        ASSERT_GE(n, 3) << "seed " << seed << " round " << round;
        ASSERT_LE(n, l.atoms);
        EXPECT_EQ(p[0].type, 'x');
        EXPECT_EQ(p[n - 1].type, 'y');
        double score = 0;
        for (int k = 1; k < n; ++k) {
            ASSERT_EQ(p[k].start, p[k - 1].end) << "seed " << seed << " round " << round;
            score += StepScore(*uni, *bi, p[k - 1], p[k]);
        }
        for (int k = 0; k < n; ++k) EXPECT_EQ(p[k].value, double(uni->GetFreq(p[k].handle)));
        double best = BruteForceBest(l, *uni, *bi);
        EXPECT_NEAR(score, best, 1e-9 * std::max(1.0, std::fabs(best))) << "seed " << seed << " round " << round;
        ASSERT_EQ(l.Run(*warm), n) << "seed " << seed << " round " << round;
        for (int k = 0; k < n; ++k) {
            const word_t& a = warm->GetWords()[k];
            EXPECT_TRUE(a.handle == p[k].handle && a.start == p[k].start && a.end == p[k].end)
                << "seed " << seed << " round " << round << " word " << k;
        }
    }
}

class SegmentRulesTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_uni = MakeUnigram({5, 5, 3, 3, 7}, 5, 23);
        m_bi = MakeBigram({{{2, 3}, 4}}, 5);
        m_seg.reset(new CSegment(nullptr, m_uni.get(), m_bi.get()));
    }
    std::unique_ptr<CUnigram> m_uni;
    std::unique_ptr<CBigram> m_bi;
    std::unique_ptr<CSegment> m_seg;
};

TEST_F(SegmentRulesTest, EqualScoresKeepTheFirstWordOfTheSlot) {
    Lattice l(500, 2);
    word_t a = Word(2, 500, 502);
    a.POS_id = 7;
    word_t b = a;
    b.POS_id = 9;
    l.Add(a);
    l.Add(b);
    l.atoms += 1;
    ASSERT_EQ(l.Run(*m_seg), 3);
    EXPECT_EQ(m_seg->GetWords()[1].POS_id, 7);
}

TEST_F(SegmentRulesTest, OneAtomGivesThreeWordsAndUnseenPairsScoreFinite) {
    Lattice l(40, 2);
    l.Add(Word(-1, 40, 42, 0));  // no handle: frequency 0, no pair
    l.atoms += 1;
    ASSERT_EQ(l.Run(*m_seg), 3);
    const word_t* p = m_seg->GetWords();
    EXPECT_EQ(p[1].handle, -1);
    EXPECT_EQ(p[1].value, 0);
    EXPECT_EQ(p[2].value, 5);  // U(end atom)
    EXPECT_TRUE(std::isfinite(StepScore(*m_uni, *m_bi, p[0], p[1])));
    EXPECT_TRUE(std::isfinite(StepScore(*m_uni, *m_bi, p[1], p[2])));
}

TEST_F(SegmentRulesTest, WordBeforeAnEmptySlotIsNeverChosen) {
    // Atoms [10,12) [12,14); a word [10,13) whose successor slot is empty, with the best
    // frequency, and a word reaching past the end atom.
    Lattice l(10, 4);
    l.Add(Word(2, 10, 12));
    l.Add(Word(4, 10, 13));
    l.Add(Word(4, 10, 30));
    l.Add(Word(3, 12, 14));
    l.atoms += 2;
    ASSERT_EQ(l.Run(*m_seg), 4);
    EXPECT_EQ(m_seg->GetWords()[1].end, 12);
    EXPECT_EQ(m_seg->GetWords()[2].end, 14);
}

TEST_F(SegmentRulesTest, EmptyLatticeGivesNoWordsAndThePathStopsAtTheAtomCount) {
    EXPECT_EQ(m_seg->BiSegment(nullptr, 0, nullptr, 2), 0);
    Lattice l(0, 2);
    l.Add(Word(2, 0, 1));
    l.Add(Word(3, 1, 2));
    l.atoms = 3;  // fewer than the path needs: the copy stops there
    EXPECT_EQ(l.Run(*m_seg), 3);
    EXPECT_EQ(m_seg->GetWords()[2].handle, 3);
}

// The whole cut on the shipped data: paths tile each sentence, and a sentence cuts the same way
// wherever it lies in the line.
class SegmentDataTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(kxtest::LoadSegmentLexicons(segtest::DataDir())); }
    static void TearDownTestSuite() { ReleaseEngineLexicons(); }

    // Words of every sentence of the line as "text" strings with sentence marks left out.
    std::vector<std::string> Cut(CPreProcess& pre, CSegment& seg, const std::string& line) {
        std::unique_ptr<char[]> s = segtest::Exact(line);
        int n = int(line.size()), pos = 0;
        std::vector<std::string> out;
        while (pos < n) {
            while (pos < n && strchr(" \t\r\n", s[pos])) ++pos;
            if (pos >= n) break;
            int next = int(pre.FullSegment(s.get(), pos, n) - s.get());
            EXPECT_GT(next, pos);
            int count = seg.BiSegment(pre);
            const word_t* w = seg.GetWords();
            EXPECT_GE(count, 3);
            EXPECT_EQ(w[0].start, pos);
            EXPECT_EQ(w[count - 1].start, next);
            for (int k = 1; k + 1 < count; ++k) {
                EXPECT_EQ(w[k].start, w[k - 1].end);
                out.push_back(line.substr(size_t(w[k].start), size_t(w[k].end - w[k].start)));
            }
            pos = next;
        }
        return out;
    }
};

TEST_F(SegmentDataTest, SentencesCutAlikeAnywhereInTheLine) {
    bool prior = g_bUserDictPrior;
    g_bUserDictPrior = false;
    CPreProcess pre(g_pCharset, g_pCoreDict, nullptr);
    CSegment seg(g_pCoreDict, g_pUnigram, g_pBiDict);
    std::string sentence = segtest::Gbk("中国人民银行今天宣布，1998年1月起下调存款利率。");
    std::vector<std::string> alone = Cut(pre, seg, sentence);
    EXPECT_NE(std::find(alone.begin(), alone.end(), segtest::Gbk("1998年")), alone.end());
    std::string line;
    for (int k = 0; k < 200; ++k) line += segtest::Gbk("他说：“好。”");
    std::vector<std::string> deep = Cut(pre, seg, line + sentence);
    ASSERT_GE(deep.size(), alone.size());
    EXPECT_EQ(std::vector<std::string>(deep.end() - long(alone.size()), deep.end()), alone);
    g_bUserDictPrior = prior;
}

}  // namespace
