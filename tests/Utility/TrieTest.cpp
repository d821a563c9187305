#include "Utility/Trie.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <map>
#include <random>
#include <thread>

#include "Utility/ByteIO.h"
#include "Utility/DynamicArray.h"
#include "common/TestUtil.h"

namespace {

const char* kZhongGuo = "\xD6\xD0\xB9\xFA";                      // 中国
const char* kZhongGuoRenMin = "\xD6\xD0\xB9\xFA\xC8\xCB\xC3\xF1";  // 中国人民

// Offset of node i in a trie file image.
size_t NodeAt(int i) { return 12 + 8 + 64 * size_t(i); }

}  // namespace

TEST(DynamicArrayTest, GrowthValidationAndBlock) {
    CDynamicArry a;
    EXPECT_FALSE(a.ValidateIndex(0));
    EXPECT_TRUE(a.Empty());
    trie_elem* p = nullptr;
    EXPECT_FALSE(a.GetElem(0, p));
    for (int i = 0; i < 10000; ++i) ASSERT_EQ(a.NewElem(), i);
    EXPECT_TRUE(a.Full());
    a.GetElem(9999, p);
    p->freq = 7;
    EXPECT_EQ(a.NewElem(), 10000);
    EXPECT_EQ(a.GetTotalNum(), 20000);
    ASSERT_TRUE(a.GetElem(9999, p));
    EXPECT_EQ(p->freq, 7);
    ASSERT_TRUE(a.GetElem(10000, p));
    trie_elem zero;
    memset(&zero, 0, sizeof zero);
    EXPECT_EQ(memcmp(p, &zero, sizeof zero), 0);
    EXPECT_FALSE(a.ValidateIndex(10001));

    kxtest::TempDir dir;
    CDynamicArry three;
    for (int i = 0; i < 3; ++i) {
        three.NewElem();
        three.GetElem(i, p);
        p->node = 0x41 + i;
        p->nextNode = -1;
        strcpy(p->sPos, "tag");
    }
    FILE* fp = fopen(dir.file("block").c_str(), "w+b");
    ASSERT_NE(fp, nullptr);
    ASSERT_TRUE(three.Save(fp));
    EXPECT_EQ(ftell(fp), 200);
    rewind(fp);
    CDynamicArry back;
    ASSERT_TRUE(back.Load(fp));
    int n;
    back.GetElemNum(n);
    EXPECT_EQ(n, 3);
    EXPECT_EQ(back.GetTotalNum(), 10000);
    back.GetElem(2, p);
    EXPECT_EQ(p->node, 0x43u);
    EXPECT_STREQ(p->sPos, "tag");
    // N past the end of the file, allocated below N, allocated too far above N.
    for (auto counts : {std::make_pair(4, 10000), std::make_pair(3, 2), std::make_pair(3, 10004), std::make_pair(-1, 0)}) {
        rewind(fp);
        unsigned char head[8];
        PutLE32(head, uint32_t(counts.first));
        PutLE32(head + 4, uint32_t(counts.second));
        fwrite(head, 1, 8, fp);
        rewind(fp);
        EXPECT_FALSE(back.Load(fp));
        back.GetElemNum(n);
        EXPECT_EQ(n, 3);
    }
    fclose(fp);
    EXPECT_FALSE(back.Load(nullptr));
    EXPECT_FALSE(back.Save(nullptr));
}

// An array that grew and was cut back has its old allocation again, built or loaded.
TEST(DynamicArrayTest, TruncateGivesTheGrowthBack) {
    CDynamicArry a;
    for (int i = 0; i < 25000; ++i) ASSERT_EQ(a.NewElem(), i);
    EXPECT_EQ(a.GetTotalNum(), 30000);
    trie_elem* p;
    a.GetElem(2, p);
    p->freq = 9;
    a.GetElem(3, p);
    p->freq = 9;
    EXPECT_FALSE(a.Truncate(25001));
    EXPECT_FALSE(a.Truncate(-1));
    ASSERT_TRUE(a.Truncate(12000));
    EXPECT_EQ(a.GetTotalNum(), 20000);
    ASSERT_TRUE(a.Truncate(3));
    EXPECT_EQ(a.GetTotalNum(), 10000);
    int n;
    a.GetElemNum(n);
    EXPECT_EQ(n, 3);
    ASSERT_TRUE(a.GetElem(2, p));
    EXPECT_EQ(p->freq, 9);
    EXPECT_EQ(a.NewElem(), 3);  // the dropped record comes back zero-filled
    ASSERT_TRUE(a.GetElem(3, p));
    EXPECT_EQ(p->freq, 0);

    // A loaded block keeps its own allocation as the one to fall back to, within the block's bound.
    CByteWriter w;
    for (int v : {2, 10002}) w.PutI32(v);
    w.PutBytes(std::string(128, '\0').data(), 128);
    CByteReader r(w.Bytes());
    CDynamicArry loaded;
    ASSERT_TRUE(loaded.Load(r));
    EXPECT_EQ(loaded.TotalFor(40000), 40002);
    EXPECT_EQ(loaded.TotalFor(2), 10002);
    for (int i = 2; i < 20000; ++i) loaded.NewElem();
    ASSERT_TRUE(loaded.Truncate(2));
    EXPECT_EQ(loaded.GetTotalNum(), 10002);
    ASSERT_TRUE(loaded.Truncate(0));
    EXPECT_EQ(loaded.GetTotalNum(), 10000);
}

TEST(TrieTest, AddFindDeleteAndTags) {
    CTrie t;
    int h = 5;
    EXPECT_EQ(t.GetMaxWord("x", &h), -1);
    EXPECT_EQ(t.GetFreq("x", h), -1);
    EXPECT_EQ(t.AddTrie((std::string(kZhongGuo) + " ns").c_str()), 1);
    EXPECT_EQ(t.AddTrie((std::string(kZhongGuo) + " n").c_str()), 2);
    char tag[40];
    EXPECT_EQ(t.GetFreq(kZhongGuo, h, tag), 2);
    EXPECT_EQ(h, 0);
    EXPECT_STREQ(tag, "n");
    EXPECT_EQ(t.AddTrie("ABC x"), 1);
    EXPECT_EQ(t.Find("abc"), 1);
    EXPECT_EQ(t.Find("abc and more"), 1);  // the first token
    EXPECT_EQ(t.Find("ab"), -1);
    EXPECT_EQ(t.AddTrie("notag"), 1);
    t.GetFreq("notag", h);
    t.GetPos(tag, 40);
    EXPECT_STREQ(tag, "n");
    EXPECT_EQ(t.AddTrie("whole word v", true), 1);
    EXPECT_EQ(t.Find("whole word v", 12), 3);
    // Tags of 39 bytes are stored, of 40 bytes ignored; long lines and empty words too.
    EXPECT_EQ(t.AddTrie(("t39 " + std::string(39, 'p')).c_str()), 1);
    EXPECT_EQ(t.GetFreq("t39", h, tag), 1);
    EXPECT_EQ(std::string(tag), std::string(39, 'p'));
    EXPECT_EQ(t.AddTrie(("t40 " + std::string(40, 'p')).c_str()), 1);
    EXPECT_EQ(t.Find("t40"), -1);
    EXPECT_EQ(t.AddTrie(("w " + std::string(1020, 'p')).c_str()), 1);
    EXPECT_EQ(t.AddTrie(""), 1);
    EXPECT_EQ(t.AddTrie("   "), 1);
    EXPECT_EQ(t.Find(std::string(1024, 'a').c_str()), -1);
    // Delete, then add again: a new handle, result 2, count kept.
    EXPECT_EQ(t.DelTrie(kZhongGuo), 0);
    EXPECT_EQ(t.DelTrie(kZhongGuo), -1);
    EXPECT_EQ(t.Find(kZhongGuo), -1);
    EXPECT_EQ(t.GetFreq(kZhongGuo, h), -1);
    EXPECT_EQ(t.GetDelNum(), 1);
    int before = t.GetLowerBound();
    EXPECT_EQ(t.AddTrie(kZhongGuo), 2);
    EXPECT_EQ(t.Find(kZhongGuo), before);
    EXPECT_EQ(t.GetFreq(kZhongGuo, h), 3);
    EXPECT_EQ(t.GetWordNum(), t.GetLowerBound() + 1);
    // A lone lead byte at the end is a one-byte code.
    EXPECT_EQ(t.AddTrie("a\xB0"), 1);
    EXPECT_NE(t.Find("a\xB0"), -1);
    int hh;
    EXPECT_EQ(t.GetMaxWord("a\xB0", &hh), 2);
}

TEST(TrieTest, LongestMatchReturnsTagThroughCallerBuffer) {
    CTrie t;
    t.AddTrie((std::string(kZhongGuo) + " ns").c_str());
    t.AddTrie((std::string(kZhongGuoRenMin) + " nt").c_str());
    int h;
    char tag[40] = "";
    EXPECT_EQ(t.GetMaxWord((std::string(kZhongGuoRenMin) + "x").c_str(), &h, tag), 8);
    EXPECT_EQ(h, 1);
    EXPECT_STREQ(tag, "nt");
    EXPECT_EQ(t.GetMaxWord((std::string(kZhongGuo) + "\xC8\xCB").c_str(), &h, tag), 4);
    EXPECT_STREQ(tag, "ns");
    EXPECT_EQ(t.GetMaxWord("zz", &h, tag), 0);
    EXPECT_EQ(h, -1);
    EXPECT_EQ(t.GetMaxWord("zz", nullptr, tag), -1);
    EXPECT_EQ(t.GetMaxWord(kZhongGuoRenMin, &h), 8);
    t.GetPos(tag, 40);
    EXPECT_STREQ(tag, "nt");
    char small[2];
    t.GetPos(small, 2);
    EXPECT_STREQ(small, "n");
}

TEST(TrieTest, AgreesWithMapAndGrowsPastTenThousandNodes) {
    std::mt19937 rng(11);
    CTrie t;
    std::map<std::string, int> ref;
    for (int i = 0; i < 8000; ++i) {
        std::string w;
        for (int k = 0, n = 1 + int(rng() % 7); k < n; ++k) w += char('a' + rng() % 20);
        int r = t.AddTrie((w + " x").c_str());
        bool bNew = ref.emplace(w, int(ref.size())).second;
        ASSERT_EQ(r, bNew ? 1 : 2) << w;
    }
    int n;
    t.Nodes().GetElemNum(n);
    ASSERT_GT(n, 10000);
    for (const auto& kv : ref) ASSERT_EQ(t.Find(kv.first.c_str()), kv.second) << kv.first;

    kxtest::TempDir dir;
    std::string path = dir.file("u.pdat");
    ASSERT_TRUE(t.Save(path.c_str()));
    CTrie back;
    ASSERT_TRUE(back.Load(path.c_str()));
    EXPECT_EQ(back.GetLowerBound(), t.GetLowerBound());
    for (const auto& kv : ref) ASSERT_EQ(back.Find(kv.first.c_str()), kv.second) << kv.first;
    EXPECT_TRUE(back.Serialize() == t.Serialize());

    ASSERT_TRUE(t.Export(dir.file("u.txt").c_str()));
    std::string text = kxtest::ReadAll(dir.file("u.txt"));
    EXPECT_EQ(size_t(std::count(text.begin(), text.end(), '\n')), ref.size());
    EXPECT_NE(("\n" + text).find("\n" + ref.begin()->first + "\tx\n"), std::string::npos);
}

TEST(TrieTest, TinyDictionaryHasGoldenBytes) {
    CTrie t;
    t.AddTrie("ab n");
    CByteWriter w;
    for (int v : {1, 0, 0, 3, 10000}) w.PutI32(v);  // items, deletions, head, nodes, capacity
    auto node = [&](uint32_t code, int count, int children, int handle, const char* tag, int freq) {
        w.PutU32(code);
        w.PutI32(count);
        w.PutI32(children);
        w.PutI32(handle);
        char pos[40] = {0};
        strcpy(pos, tag);
        w.PutBytes(pos, 40);
        w.PutI32(-1);
        w.PutI32(freq);
    };
    node(0, 1, 1, -1, "", 0);
    node('a', 1, 2, -1, "", 0);
    node('b', 0, -1, 0, "n", 1);
    EXPECT_TRUE(t.Serialize() == w.Bytes());
}

TEST(TrieTest, SaveAndLoadRefusals) {
    kxtest::TempDir dir;
    CTrie empty;
    EXPECT_FALSE(empty.Save(dir.file("none").c_str()));
    EXPECT_TRUE(kxtest::ReadAll(dir.file("none")).empty());
    EXPECT_FALSE(empty.Export(dir.file("none.txt").c_str()));

    CTrie t;
    t.AddTrie("ab n");
    t.AddTrie("ac v");
    std::vector<unsigned char> good = t.Serialize();
    // Nodes: 0 head, 1 'a', 2 'b', 3 'c' (2 -> 3 siblings).
    CTrie keep;
    keep.AddTrie("zz n");
    auto refused = [&](const std::vector<unsigned char>& img) {
        return !keep.Parse(img.data(), img.size()) && keep.Find("zz") == 0 && keep.Find("ab") == -1;
    };
    std::vector<unsigned char> bad = good;
    PutLE32(&bad[NodeAt(3) + 56], 2);  // 'c' -> 'b': a sibling cycle
    EXPECT_TRUE(refused(bad));
    bad = good;
    PutLE32(&bad[NodeAt(2) + 8], 1);  // 'b' has 'a' as child: a cycle through the children
    EXPECT_TRUE(refused(bad));
    bad = good;
    PutLE32(&bad[NodeAt(1) + 8], 4);  // child index out of range
    EXPECT_TRUE(refused(bad));
    bad = good;
    PutLE32(&bad[NodeAt(1) + 4], uint32_t(-1));  // negative child count
    EXPECT_TRUE(refused(bad));
    bad = good;
    PutLE32(&bad[8], 4);  // head out of range
    EXPECT_TRUE(refused(bad));
    bad = good;
    PutLE32(&bad[4], uint32_t(-2));  // negative deletion count
    EXPECT_TRUE(refused(bad));
    bad = good;
    PutLE32(&bad[16], 3);  // capacity below N
    EXPECT_TRUE(refused(bad));
    bad = good;
    bad.resize(bad.size() - 1);  // short block
    EXPECT_TRUE(refused(bad));
    bad = good;
    PutLE32(&bad[0], 0);  // item count 0
    EXPECT_TRUE(refused(bad));
    // A tag without its NUL is cut at 39 bytes, on a character boundary.
    bad = good;
    memset(&bad[NodeAt(2) + 16], 'q', 38);
    bad[NodeAt(2) + 16 + 38] = char(0xB0);
    bad[NodeAt(2) + 16 + 39] = char(0xA1);
    ASSERT_TRUE(keep.Parse(bad.data(), bad.size()));
    int h;
    char tag[40];
    EXPECT_EQ(keep.GetFreq("ab", h, tag), 1);
    EXPECT_EQ(std::string(tag), std::string(38, 'q'));
}

// Counts near the top of int: a loaded file may not carry negative counts, and an add that would
// push the item count or a word's count past INT_MAX is refused, never wrapped or saturated.
TEST(TrieTest, CountsNeverPassIntMax) {
    CTrie t;
    t.AddTrie("ab n");
    t.AddTrie("ac v");
    const std::vector<unsigned char> good = t.Serialize();
    CTrie keep;
    keep.AddTrie("zz n");
    std::vector<unsigned char> bad = good;
    PutLE32(&bad[0], uint32_t(-5));  // negative item count
    EXPECT_FALSE(keep.Parse(bad.data(), bad.size()));
    bad = good;
    PutLE32(&bad[NodeAt(2) + 60], uint32_t(-1));  // negative count of "ab"
    EXPECT_FALSE(keep.Parse(bad.data(), bad.size()));
    bad = good;
    bad.push_back(0);  // a byte after the node block
    EXPECT_FALSE(keep.Parse(bad.data(), bad.size()));
    EXPECT_EQ(keep.Find("zz"), 0);

    // Item count INT_MAX, no node: the next new word has no handle left.
    const unsigned char full[20] = {0xff, 0xff, 0xff, 0x7f, 1, 0, 0, 0, 0xff, 0xff, 0xff, 0xff};
    CTrie top;
    ASSERT_TRUE(top.Parse(full, sizeof full));
    EXPECT_EQ(top.AddTrie("ab n"), 1);
    EXPECT_EQ(top.GetLowerBound(), INT_MAX);
    EXPECT_EQ(top.Find("ab"), -1);

    // A word counted INT_MAX times keeps its count and its tag.
    bad = good;
    PutLE32(&bad[NodeAt(2) + 60], uint32_t(INT_MAX));
    CTrie most;
    ASSERT_TRUE(most.Parse(bad.data(), bad.size()));
    EXPECT_EQ(most.AddTrie("ab q"), 1);
    int h = -1;
    char tag[40];
    EXPECT_EQ(most.GetFreq("ab", h, tag), INT_MAX);
    EXPECT_EQ(h, 0);
    EXPECT_STREQ(tag, "n");
    EXPECT_EQ(most.AddTrie("ad n"), 1);  // other words still go in
    EXPECT_EQ(most.Find("ad"), 2);
}

// Words added for a while and taken back leave the trie as it was: the same nodes, counts and
// bytes, whether the word was new (its nodes go, prefixes of other words stay) or deleted before
// (its kept count and tag come back). Handles given back are given out again.
TEST(TrieTest, TakingAdditionsBackRestoresTheTrie) {
    CTrie t;
    t.AddTrie((std::string(kZhongGuo) + " ns").c_str());
    t.AddTrie("cd nz");
    t.AddTrie("cd nz");
    ASSERT_EQ(t.DelTrie("cd"), 1);
    const std::vector<unsigned char> image = t.Serialize();
    const int nItems = t.GetLowerBound();
    int nNodes;
    t.Nodes().GetElemNum(nNodes);

    // The deleted word as it reads before the request: absent, with its kept count and tag.
    int h = 0;
    char kept[40], tag[40];
    ASSERT_EQ(t.GetEntry("cd", h, kept), 2);
    EXPECT_EQ(h, -1);
    EXPECT_STREQ(kept, "nz");
    EXPECT_EQ(t.GetEntry("c", h, tag), 0);
    EXPECT_STREQ(tag, "");
    EXPECT_EQ(t.GetEntry("zz", h, tag), 0);

    const std::string kRenMin = std::string(kZhongGuoRenMin);
    EXPECT_EQ(t.AddTrie((kRenMin + " Object").c_str()), 1);
    EXPECT_EQ(t.AddTrie("xyz Object"), 1);
    EXPECT_EQ(t.AddTrie("xyw Object"), 1);
    EXPECT_EQ(t.AddTrie("cd Object"), 2);
    // Taken back in the order of addition: the first ones leave holes until the last goes.
    EXPECT_EQ(t.TakeBack(kRenMin.c_str(), "", 0), nItems);
    EXPECT_EQ(t.Find(kZhongGuo), 0);
    EXPECT_EQ(t.Find(kRenMin.c_str()), -1);
    EXPECT_EQ(t.TakeBack("xyz", "", 0), nItems + 1);
    EXPECT_NE(t.Find("xyw"), -1);
    EXPECT_GT(t.RemovedNodes(), 0);
    EXPECT_EQ(t.TakeBack("xyw", "", 0), nItems + 2);
    EXPECT_EQ(t.TakeBack("cd", kept, 2), nItems + 3);
    EXPECT_EQ(t.TakeBack("cd", kept, 2), -1);  // nothing more to take back
    EXPECT_EQ(t.TakeBack("qq", "", 0), -1);
    EXPECT_EQ(t.RemovedNodes(), 0);
    int n;
    t.Nodes().GetElemNum(n);
    EXPECT_EQ(n, nNodes);
    EXPECT_EQ(t.GetLowerBound(), nItems);
    EXPECT_EQ(t.GetDelNum(), 1);
    EXPECT_TRUE(t.Serialize() == image);
    int hz;
    EXPECT_EQ(t.GetMaxWord("xyz", &hz, tag), 0);
    // The deleted word still counts as added before, and the handles come round again.
    EXPECT_EQ(t.AddTrie("cd n"), 2);
    EXPECT_EQ(t.Find("cd"), nItems);

    // A trie whose only word is taken back keeps one handle given out, so it still saves.
    CTrie one;
    one.AddTrie("a n");
    EXPECT_EQ(one.TakeBack("a", "", 0), 0);
    EXPECT_EQ(one.GetLowerBound(), 1);
    one.Nodes().GetElemNum(n);
    EXPECT_EQ(n, 1);
    kxtest::TempDir dir;
    EXPECT_TRUE(one.Save(dir.file("one").c_str()));
}

// Words taken back out of order leave removed nodes inside the store: they never reach the file,
// and the store is compacted once they outnumber the others, so it stays bounded however many
// words come and go.
TEST(TrieTest, RemovedNodesAreLeftOutAndReclaimed) {
    CTrie t;
    t.AddTrie("keep n");
    int nStart;
    t.Nodes().GetElemNum(nStart);
    const std::vector<unsigned char> image = t.Serialize();
    auto word = [](int i) {
        std::string w = "w";
        for (int k = 0; k < 4; ++k, i /= 26) w += char('a' + i % 26);
        return w;
    };
    int nMost = 0;
    for (int i = 0; i < 20000; ++i) {
        ASSERT_EQ(t.AddTrie((word(i) + " x").c_str()), 1);
        if (i > 0) {
            ASSERT_NE(t.TakeBack(word(i - 1).c_str(), "", 0), -1);
        }
        ASSERT_LE(t.GetLowerBound(), 3);  // the handles of the words taken back come round
        int n;
        t.Nodes().GetElemNum(n);
        nMost = std::max(nMost, n);
        if (i % 997 == 0) {
            // The saved image holds only the linked nodes and loads back with the same words.
            const std::vector<unsigned char> bytes = t.Serialize();
            CTrie back;
            ASSERT_TRUE(back.Parse(bytes.data(), bytes.size()));
            EXPECT_EQ(back.Find("keep"), 0);
            EXPECT_EQ(back.Find(word(i).c_str()), t.Find(word(i).c_str()));
            EXPECT_EQ(back.Find(word(i - 1).c_str()), -1);
            int nBack;
            back.Nodes().GetElemNum(nBack);
            EXPECT_EQ(nBack, n - t.RemovedNodes());
            EXPECT_TRUE(back.Serialize() == bytes);
        }
    }
    EXPECT_LT(nMost, 100);
    EXPECT_NE(t.TakeBack(word(19999).c_str(), "", 0), -1);
    int n;
    t.Nodes().GetElemNum(n);
    EXPECT_EQ(n, nStart);
    EXPECT_TRUE(t.Serialize() == image);
    EXPECT_EQ(t.Nodes().GetTotalNum(), 10000);
}

// Readers of one trie look words up with their own tag buffers at once.
TEST(TrieThreadTest, ConcurrentReadersWithOwnTagBuffers) {
    CTrie t;
    t.AddTrie((std::string(kZhongGuo) + " ns").c_str());
    t.AddTrie((std::string(kZhongGuoRenMin) + " nt").c_str());
    t.AddTrie("abc v");
    std::vector<std::thread> threads;
    std::vector<int> bad(6, 0);
    for (int k = 0; k < 6; ++k)
        threads.emplace_back([&, k]() {
            for (int r = 0; r < 2000; ++r) {
                int h, f;
                char tag[40];
                if (t.GetMaxWord(kZhongGuoRenMin, &h, tag) != 8 || strcmp(tag, "nt") != 0) ++bad[size_t(k)];
                if (t.GetFreq("abc", h, tag) != 1 || strcmp(tag, "v") != 0) ++bad[size_t(k)];
                f = t.Find(kZhongGuo);
                if (f != 0) ++bad[size_t(k)];
            }
        });
    for (auto& th : threads) th.join();
    for (int b : bad) EXPECT_EQ(b, 0);
}
