#include "Utility/FSA.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "Utility/ByteIO.h"
#include "common/TestUtil.h"

namespace {

// Roles: 0 sentence boundary, 1 surname, 2 given-name first, 3 given-name last, 4 single given
// name. Accepted: 1 2 3 and 1 4 (tag 24), and 1 2 (tag 25, so "1 2 x" merges two of three).
const char* kAutomaton =
    "state count\n5\ninput size\n5\naccepting states\n2 3 4\ntags\n25 24 24\ntransitions\n"
    "0 1 1\n1 2 2\n2 3 3\n1 4 4\n";

std::vector<word_t> Words(const std::vector<int>& roles) {
    std::vector<word_t> w(roles.size());
    for (size_t i = 0; i < roles.size(); ++i) {
        w[i].start = int(i) * 2;
        w[i].end = int(i) * 2 + 2;
        w[i].handle = 100 + int(i);
        w[i].POS_id = tuchar(roles[i]);
        w[i].value = double(i);
    }
    return w;
}

struct Merged {
    std::vector<word_t> words;
    std::vector<int> index;
};

Merged Apply(const CFSA& fsa, const std::vector<int>& roles) {
    Merged r;
    r.words = Words(roles);
    int count = int(r.words.size());
    r.index = {42};  // MaxPR clears it first
    EXPECT_EQ(fsa.MaxPR(r.words.data(), &count, -7, r.index), 0);
    r.words.resize(size_t(count));
    return r;
}

class FSATest : public ::testing::Test {
protected:
    void SetUp() override {
        kxtest::WriteAll(dir.file("nr.txt"), kAutomaton);
        ASSERT_TRUE(fsa.Import(dir.file("nr.txt").c_str()));
    }
    kxtest::TempDir dir;
    CFSA fsa;
};

}  // namespace

TEST(FSARecordTest, WordDefaults) {
    word_t w;
    EXPECT_EQ(w.handle, -1);
    EXPECT_EQ(w.start, -1);
    EXPECT_EQ(w.end, -1);
    EXPECT_EQ(w.value, 0.0);
    EXPECT_EQ(w.type, 255);
    EXPECT_EQ(w.POS_id, 255);
}

TEST_F(FSATest, SurnameAndGivenNameMerge) {
    Merged r = Apply(fsa, {0, 1, 4, 0});
    ASSERT_EQ(r.words.size(), 3u);
    EXPECT_EQ(r.index, std::vector<int>({1}));
    const word_t& name = r.words[1];
    EXPECT_EQ(name.start, 2);
    EXPECT_EQ(name.end, 6);
    EXPECT_EQ(name.handle, -7);
    EXPECT_EQ(name.type, 24);
    EXPECT_EQ(name.POS_id, 1);    // the first word's role stays
    EXPECT_EQ(name.value, 1.0);   // and its value
    EXPECT_EQ(r.words[2].handle, 103);
}

TEST_F(FSATest, AcceptAfterTwoOfThreeRetriesTheThird) {
    // 1 2 then 1 (no transition 2 -> 1): "1 2" merges with tag 25, and the third word starts a
    // new run "1 4" that merges too.
    Merged r = Apply(fsa, {0, 1, 2, 1, 4, 0});
    ASSERT_EQ(r.words.size(), 4u);
    EXPECT_EQ(r.index, std::vector<int>({1, 2}));
    EXPECT_EQ(r.words[1].type, 25);
    EXPECT_EQ(r.words[1].end, 6);
    EXPECT_EQ(r.words[2].type, 24);
    EXPECT_EQ(r.words[2].start, 6);
    EXPECT_EQ(r.words[2].end, 10);
    EXPECT_EQ(r.words[3].handle, 105);
}

TEST_F(FSATest, NoAcceptKeepsEveryWordAndHighRolesBreakRuns) {
    Merged r = Apply(fsa, {0, 3, 2, 1, 9, 4, 0});
    ASSERT_EQ(r.words.size(), 7u);
    EXPECT_TRUE(r.index.empty());
    for (size_t i = 0; i < r.words.size(); ++i) EXPECT_EQ(r.words[i].handle, 100 + int(i));
    // A single accepted word never merges: 1 then nothing.
    EXPECT_TRUE(Apply(fsa, {1, 0}).index.empty());
}

TEST_F(FSATest, RunOpenAtTheEnd) {
    // An earlier merge, then a run still open at the end of the array: it is closed there.
    Merged r = Apply(fsa, {1, 4, 0, 1, 2, 3});
    ASSERT_EQ(r.words.size(), 3u);
    EXPECT_EQ(r.index, std::vector<int>({0, 2}));
    EXPECT_EQ(r.words[1].handle, 102);
    EXPECT_EQ(r.words[2].start, 6);
    EXPECT_EQ(r.words[2].end, 12);
    // An open run without acceptance keeps its words, moved down past the merge.
    r = Apply(fsa, {1, 4, 0, 1});
    ASSERT_EQ(r.words.size(), 3u);
    EXPECT_EQ(r.words[1].handle, 102);
    EXPECT_EQ(r.words[2].handle, 103);
    EXPECT_EQ(r.words[2].start, 6);
}

TEST_F(FSATest, EmptyAutomatonIsANoOp) {
    CFSA empty;
    Merged r = Apply(empty, {1, 4, 0});
    EXPECT_EQ(r.words.size(), 3u);
    EXPECT_TRUE(r.index.empty());
    // A file with states but no inputs behaves the same.
    CByteWriter w;
    w.PutI32(0);
    w.PutI32(1);
    w.PutI32(1);
    w.PutI32(5);
    ASSERT_TRUE(empty.LoadFromMemory(w.Bytes().data(), w.Size()));
    EXPECT_EQ(Apply(empty, {0, 0}).words.size(), 2u);
}

TEST_F(FSATest, SaveLoadRoundTripAndRefusals) {
    ASSERT_TRUE(fsa.Save(dir.file("nr.fsa").c_str()));
    std::string bytes = kxtest::ReadAll(dir.file("nr.fsa"));
    ASSERT_EQ(bytes.size(), 8u + 8 * 5 + 4 * 25);
    EXPECT_EQ(bytes.substr(0, 8), std::string("\5\0\0\0\5\0\0\0", 8));  // M before N
    CFSA back;
    ASSERT_TRUE(back.Load(dir.file("nr.fsa").c_str()));
    for (int s = 0; s < 5; ++s) {
        EXPECT_EQ(back.IsAccepted(s), fsa.IsAccepted(s));
        EXPECT_EQ(back.GetAcceptedTag(s), fsa.GetAcceptedTag(s));
        for (int in = 0; in < 5; ++in) EXPECT_EQ(back.GetNext(s, in), fsa.GetNext(s, in));
    }

    std::string badNext = bytes;
    badNext[8 + 40 + 4 * 3] = 5;  // a next state equal to N
    std::string tooLow = bytes;
    tooLow[8 + 40] = '\xfe', tooLow[8 + 41] = '\xff', tooLow[8 + 42] = '\xff', tooLow[8 + 43] = '\xff';
    std::string negative = bytes;
    negative[3] = '\x80';
    for (const std::string& bad : {badNext, tooLow, negative, bytes.substr(0, bytes.size() - 1)}) {
        EXPECT_FALSE(back.LoadFromMemory((const unsigned char*)bad.data(), bad.size()));
        EXPECT_EQ(back.GetNext(1, 4), 4);  // the old automaton stays
    }
    EXPECT_FALSE(back.Load(dir.path().c_str()));
}

TEST_F(FSATest, ImportIgnoresOutOfRangeEntries) {
    kxtest::WriteAll(dir.file("odd.txt"),
                     "c\n3\nc\n2\nc\n1 7 -1 2\nc\n30 40 50 60 70\nc\n0 1 1\n1 0 2\n0 5 1\n3 0 1\n1 1 3\n");
    CFSA odd;
    ASSERT_TRUE(odd.Import(dir.file("odd.txt").c_str()));
    EXPECT_TRUE(odd.IsAccepted(1));
    EXPECT_TRUE(odd.IsAccepted(2));
    EXPECT_EQ(odd.GetAcceptedTag(1), 30);
    EXPECT_EQ(odd.GetAcceptedTag(2), 60);  // paired by position with state 2
    EXPECT_EQ(odd.GetNext(0, 1), 1);
    EXPECT_EQ(odd.GetNext(1, 0), 2);
    EXPECT_EQ(odd.GetNext(1, 1), -1);  // next state 3 >= N

    kxtest::WriteAll(dir.file("neg.txt"), "c\n-1\nc\n2\n");
    EXPECT_FALSE(odd.Import(dir.file("neg.txt").c_str()));
    EXPECT_TRUE(odd.IsAccepted(1));
    EXPECT_FALSE(odd.Import(dir.file("missing.txt").c_str()));

    ASSERT_TRUE(fsa.Export(dir.file("list.txt").c_str()));
    EXPECT_EQ(kxtest::ReadAll(dir.file("list.txt")),
              "state count\n5\ninput size\n5\nAccepted State\n5\n2\t3\t4\t\n25\t24\t24\t\n"
              "Transitive State-Input-NextState\n0\t1\t1\n1\t2\t2\n1\t4\t4\n2\t3\t3\n");
}

// Against a direct reference: random role strings over the automaton, checking that merged
// words cover exactly the runs and every other word survives in order.
TEST_F(FSATest, RandomRolesKeepEveryByte) {
    unsigned seed = 20240611;
    std::mt19937 rng(seed);
    for (int round = 0; round < 2000; ++round) {
        std::vector<int> roles(rng() % 12);
        for (int& r : roles) r = int(rng() % 7);
        Merged run = Apply(fsa, roles);
        // The words tile the original span without gaps, in order.
        int pos = 0;
        for (const word_t& w : run.words) {
            ASSERT_EQ(w.start, pos) << "seed " << seed << " round " << round;
            ASSERT_GT(w.end, w.start);
            pos = w.end;
        }
        ASSERT_EQ(pos, int(roles.size()) * 2) << "seed " << seed << " round " << round;
        for (int idx : run.index) ASSERT_EQ(run.words[size_t(idx)].handle, -7);
    }
}
