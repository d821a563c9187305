#include "Utility/Bigram.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <utility>

#include "StoreImage.h"
#include "common/TestUtil.h"

namespace {

struct Pair {
    int32_t h2, freq;
};

std::string BigramFile(const std::vector<Pair>& pairs, const std::vector<index_t>& index) {
    CByteWriter w;
    w.PutI32(int32_t(pairs.size()));
    w.PutI32(int32_t(index.size()));
    for (const Pair& p : pairs) {
        w.PutI32(p.h2);
        w.PutI32(p.freq);
    }
    PutIndex(w, index);
    return Image(w);
}

}  // namespace

TEST(BigramTest, BinarySearchHitsAndMisses) {
    // id 0: (1,5) (3,7) (4,1); id 1: empty as -1; id 2: one pair (2,9); id 3: empty as end =
    // start - 1; id 4: (4,1) (5,6), whose last second id equals the bound 5.
    CBigram b(true, 0);
    ASSERT_TRUE(LoadString(b, BigramFile({{1, 5}, {3, 7}, {4, 1}, {5, 6}, {2, 9}},
                                         {Ix(0, 2), Ix(-1, -1), Ix(4, 4), Ix(4, 3), Ix(2, 3)})));
    ASSERT_EQ(b.GetBound(), 5);
    EXPECT_EQ(b.GetFreq(0, 1), 5);
    EXPECT_EQ(b.GetFreq(0, 3), 7);
    EXPECT_EQ(b.GetFreq(0, 4), 1);
    EXPECT_EQ(b.GetFreq(0, 2), 0);  // between two stored ids
    EXPECT_EQ(b.GetFreq(0, 0), 0);
    EXPECT_EQ(b.GetFreq(2, 2), 9);  // group of one
    EXPECT_EQ(b.GetFreq(1, 2), 0);
    for (int h2 = 0; h2 <= 5; ++h2) EXPECT_EQ(b.GetFreq(3, h2), 0);
    EXPECT_EQ(b.GetFreq(5, 1), 0);   // first id = bound
    EXPECT_EQ(b.GetFreq(-1, 1), 0);
    EXPECT_EQ(b.GetFreq(0, -1), 0);
    EXPECT_EQ(b.GetFreq(4, 6), 0);   // second id above the bound
    EXPECT_EQ(b.GetFreq(4, 5), 6);   // second id = bound is searched
    EXPECT_EQ(b.GetFreq(4, 4), 1);
}

TEST(BigramTest, LoadChecks) {
    CBigram b;
    ASSERT_TRUE(LoadString(b, BigramFile({{1, 5}}, {Ix(0, 0)})));
    ASSERT_TRUE(LoadString(b, std::string(8, '\0')));  // (0, 0) is a valid empty table
    EXPECT_EQ(b.GetFreq(0, 0), 0);
    ASSERT_TRUE(LoadString(b, BigramFile({{1, 5}, {2, 3}, {2, 4}}, {Ix(0, 2), Ix(-1, -1)})));  // a repeat
    EXPECT_TRUE(b.GetFreq(0, 2) == 3 || b.GetFreq(0, 2) == 4);
    ASSERT_TRUE(LoadString(b, BigramFile({{1, 5}}, {Ix(0, 0), Ix(1, 0)})));  // empty at the end
    const std::vector<std::string> bad = {
        BigramFile({{1, 5}}, {Ix(0, 1)}),             // end past the pairs
        BigramFile({{1, 5}}, {Ix(1, 1)}),
        BigramFile({{1, 5}}, {Ix(-2, -3)}),
        BigramFile({{1, 5}}, {Ix(2, 1)}),             // an empty group starting past size
        BigramFile({{1, 5}, {2, 5}}, {Ix(1, -1)}),    // end before start - 1
        BigramFile({{1, 5}, {0, 5}}, {Ix(0, 1)}),     // a group whose second ids descend
        BigramFile({{1, 5}, {3, 4}, {2, 1}}, {Ix(0, 0), Ix(1, 2)}),  // a later group descends
        BigramFile({{1, 5}}, {Ix(0, 0)}) + std::string(1, '\0'),  // a trailing byte
        BigramFile({{1, 5}}, {Ix(0, 0)}).substr(0, 23),
        std::string("\xff\xff\xff\xff\0\0\0\0", 8),
        std::string("\0\0\0\0\xff\xff\xff\xff", 8),
    };
    for (size_t i = 0; i < bad.size(); ++i) {
        EXPECT_FALSE(LoadString(b, bad[i])) << i;
        EXPECT_EQ(b.GetFreq(0, 1), 5) << i;
    }
}

TEST(BigramTest, DynamicBuildAndThreshold) {
    kxtest::TempDir dir;
    CBigram b(false, 8);
    EXPECT_EQ(b.AddItem(5, 7, 2), 0);
    EXPECT_EQ(b.AddItem(5, 7, 1), 0);   // merged: frequency 3
    EXPECT_EQ(b.AddItem(5, 2, 4), 0);   // inserted before 7
    EXPECT_EQ(b.AddItem(5, 9, 2), 2);   // a lone 2 is dropped on conversion
    EXPECT_EQ(b.AddItem(1, 3, 8), 0);
    EXPECT_EQ(b.AddItem(8, 1, 1), -1);  // first id = bound
    EXPECT_EQ(b.AddItem(-1, 1, 1), -1);
    EXPECT_EQ(b.AddItem(1, -1, 1), -1);
    EXPECT_EQ(b.GetSize(), 4);
    ASSERT_TRUE(b.Save(dir.file("BiWord.big").c_str()));
    CBigram r;
    ASSERT_TRUE(r.Load(dir.file("BiWord.big").c_str()));
    EXPECT_EQ(r.GetSize(), 3);
    EXPECT_EQ(r.GetBound(), 8);
    EXPECT_EQ(r.GetFreq(5, 7), 3);
    EXPECT_EQ(r.GetFreq(5, 2), 4);
    EXPECT_EQ(r.GetFreq(5, 9), 0);
    EXPECT_EQ(r.GetFreq(1, 3), 8);
    // Empty groups are written as end = start - 1.
    std::string bytes = kxtest::ReadAll(dir.file("BiWord.big"));
    ASSERT_EQ(bytes.size(), 8u + 8 * 3 + 8 * 8);
    EXPECT_EQ(bytes.substr(8 + 24, 8), std::string("\0\0\0\0\xff\xff\xff\xff", 8));  // id 0: (0, -1)

    CBigram ro;
    EXPECT_EQ(ro.AddItem(0, 0, 1), 0);  // read-only: nothing changes

    // SelectWithThreshold rebuilds the index over the kept pairs, and its file reloads.
    r.SelectWithThreshold(4);
    EXPECT_EQ(r.GetSize(), 2);
    EXPECT_EQ(r.GetFreq(5, 7), 0);
    EXPECT_EQ(r.GetFreq(5, 2), 4);
    EXPECT_EQ(r.GetFreq(1, 3), 8);
    ASSERT_TRUE(r.Save(dir.file("sel.big").c_str()));
    CBigram s;
    ASSERT_TRUE(s.Load(dir.file("sel.big").c_str()));
    EXPECT_EQ(s.GetFreq(5, 2), 4);
    EXPECT_EQ(s.GetFreq(1, 3), 8);
    r.SelectWithThreshold(100);
    EXPECT_EQ(r.GetSize(), 0);
    ASSERT_TRUE(r.Save(dir.file("none.big").c_str()));
    ASSERT_TRUE(s.Load(dir.file("none.big").c_str()));
    EXPECT_EQ(s.GetFreq(5, 2), 0);
}

// Repeated pairs in random order: after the sort every key is in order and the repeats of a key
// keep their input order (freq holds the input position), which an unstable sort breaks.
TEST(BigramTest, SortIsStableAndHandlesSortedInput) {
    const unsigned seed = 11;
    std::mt19937 rng(seed);
    std::vector<bigram_elem> recs(200000);
    for (size_t i = 0; i < recs.size(); ++i) {
        recs[i].handle1 = int32_t(rng() % 50);
        recs[i].handle2 = int32_t(rng() % 4);
        recs[i].freq = int32_t(i);
    }
    CBigram::qksort(recs.data(), 0, int(recs.size()) - 1);
    for (size_t i = 1; i < recs.size(); ++i) {
        const bigram_elem &a = recs[i - 1], &b = recs[i];
        ASSERT_FALSE(b < a) << "seed " << seed << " at " << i;
        if (!(a < b)) {
            ASSERT_LT(a.freq, b.freq) << "seed " << seed << " repeat at " << i;
        }
    }
    // Sorted input stays as it is; a range of one record or a reversed range is left alone.
    std::vector<bigram_elem> sorted = recs;
    CBigram::qksort(sorted.data(), 0, int(sorted.size()) - 1);
    for (size_t i = 0; i < recs.size(); ++i) ASSERT_EQ(sorted[i].freq, recs[i].freq) << i;
    CBigram::qksort(sorted.data(), 5, 5);
    CBigram::qksort(sorted.data(), 9, 3);
    EXPECT_EQ(sorted[5].freq, recs[5].freq);
}

// A table in build mode that loads a file answers from, and saves, exactly what it loaded.
TEST(BigramTest, LoadIntoABuildTableReplacesItsDynamicForm) {
    kxtest::TempDir dir;
    CBigram b(false, 4);
    b.AddItem(1, 2, 9);
    b.AddItem(3, 3, 8);
    ASSERT_TRUE(LoadString(b, BigramFile({{1, 5}, {2, 6}}, {Ix(0, 1), Ix(-1, -1)})));
    EXPECT_EQ(b.GetBound(), 2);
    EXPECT_EQ(b.GetSize(), 2);
    EXPECT_EQ(b.GetFreq(0, 1), 5);
    EXPECT_EQ(b.GetFreq(1, 2), 0);
    EXPECT_EQ(b.AddItem(0, 3, 4), 0);  // read-only now: nothing changes
    EXPECT_EQ(b.GetFreq(0, 3), 0);
    ASSERT_TRUE(b.Save(dir.file("b.big").c_str()));
    EXPECT_EQ(kxtest::ReadAll(dir.file("b.big")), BigramFile({{1, 5}, {2, 6}}, {Ix(0, 1), Ix(-1, -1)}));
    // A refused file leaves the build table as it was.
    CBigram c(false, 4);
    c.AddItem(1, 2, 9);
    EXPECT_FALSE(LoadString(c, std::string(7, '\0')));
    EXPECT_EQ(c.AddItem(1, 2, 1), 0);
    EXPECT_EQ(c.GetSize(), 1);
}

// Random dynamic builds against a std::map reference.
TEST(BigramTest, RandomBuildMatchesReference) {
    const unsigned seed = 77;
    std::mt19937 rng(seed);
    kxtest::TempDir dir;
    for (int round = 0; round < 20; ++round) {
        const int bound = 1 + int(rng() % 50);
        CBigram b(false, bound);
        std::map<std::pair<int, int>, int> ref;
        for (int k = 0; k < 400; ++k) {
            int a = int(rng() % unsigned(bound)), c = int(rng() % unsigned(bound + 1)), f = 1 + int(rng() % 3);
            b.AddItem(a, c, f);
            ref[{a, c}] += f;
        }
        ASSERT_TRUE(b.Save(dir.file("r.big").c_str()));
        CBigram r;
        ASSERT_TRUE(r.Load(dir.file("r.big").c_str()));
        for (int a = -1; a <= bound; ++a)
            for (int c = -1; c <= bound + 1; ++c) {
                auto it = ref.find({a, c});
                int want = (it != ref.end() && it->second >= 3) ? it->second : 0;
                ASSERT_EQ(r.GetFreq(a, c), want) << "seed " << seed << " round " << round << " " << a << "," << c;
            }
    }
}

TEST(BigramTest, GroupSearchAgreesWithAScanOnRandomGroups) {
    // Groups from empty to a few hundred pairs (beyond the prefetching span and below it),
    // searched for every second id around their range; the table copy answers like GetGroup.
    const unsigned nSeed = 20261209;
    std::mt19937 rng(nSeed);
    for (int nSize : {0, 1, 2, 3, 7, 15, 16, 17, 31, 32, 33, 100, 257}) {
        std::vector<bigram_info> group;
        int h2 = int(rng() % 3);
        for (int i = 0; i < nSize; ++i) {
            group.emplace_back(h2, int32_t(rng() % 50 + 1));
            h2 += 1 + int(rng() % 3);
        }
        for (int x = -1; x <= h2 + 1; ++x) {
            int nExpect = 0;
            for (const bigram_info& p : group)
                if (p.handle2 == x) nExpect = p.freq;
            ASSERT_EQ(CBigram::FindInGroup(group.data(), nSize, x), nExpect)
                << "seed " << nSeed << " size " << nSize << " id " << x;
        }
    }
    CBigram b(true, 0);
    ASSERT_TRUE(LoadString(b, BigramFile({{1, 5}, {3, 7}, {4, 1}, {5, 6}, {2, 9}},
                                         {Ix(0, 2), Ix(-1, -1), Ix(4, 4), Ix(4, 3), Ix(2, 3)})));
    const CBigram::group_table table = b.GetGroupTable();
    for (int h1 = -2; h1 <= 6; ++h1) {
        int n1 = -1, n2 = -1;
        const bigram_info* p1 = b.GetGroup(h1, &n1);
        const bigram_info* p2 = table.Get(h1, &n2);
        EXPECT_EQ(p1, p2) << h1;
        EXPECT_EQ(n1, n2) << h1;
    }
    CBigram empty(true, 0);
    int nEmpty = -1;
    EXPECT_EQ(empty.GetGroupTable().Get(0, &nEmpty), nullptr);
    EXPECT_EQ(nEmpty, 0);
}
