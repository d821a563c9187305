#include "Utility/IDMaps.h"

#include <gtest/gtest.h>

#include "Utility/ByteIO.h"
#include "Utility/PDAT.h"
#include "Utility/WordList.h"
#include "common/TestUtil.h"

namespace {

std::vector<unsigned char> Image(std::initializer_list<int32_t> values) {
    CByteWriter w;
    for (int32_t v : values) w.PutI32(v);
    return w.Bytes();
}

std::vector<int> Targets(const CIDMaps& m, int h) {
    int n;
    const idmaps_info* p = m.GetMaps(h, &n);
    std::vector<int> out;
    for (int i = 0; i < n; ++i) out.push_back(p[i].handle2);
    return out;
}

}  // namespace

TEST(IDMapsTest, StoredOrderAndSmallestTarget) {
    // Source 0 stores 7 before 3; source 1 has none; source 2 one target.
    std::vector<unsigned char> img = Image({3, 3, 7, 3, 9, 0, 1, -1, -1, 2, 2});
    CIDMaps m;
    ASSERT_TRUE(m.Parse(img.data(), img.size()));
    EXPECT_EQ(m.GetMapID(0), 3);
    EXPECT_EQ(Targets(m, 0), (std::vector<int>{7, 3}));
    EXPECT_EQ(m.GetMapID(1), -1);
    EXPECT_EQ(m.GetMapID(2), 9);
    for (int h : {-1, 3, 1000}) {
        int n = 5;
        EXPECT_EQ(m.GetMaps(h, &n), nullptr);
        EXPECT_EQ(n, 0);
        EXPECT_EQ(m.GetMapID(h), -1);
    }
    std::vector<unsigned char> empty = Image({0, 0});
    ASSERT_TRUE(m.Parse(empty.data(), empty.size()));
    EXPECT_EQ(m.GetMapID(0), -1);
    EXPECT_EQ(m.GetBound(), 0);
}

TEST(IDMapsTest, MalformedFilesAreRefused) {
    CIDMaps m;
    m.MapInit();
    m.MapAdd(0, 4);
    m.MapComplete();
    for (auto img : {Image({1, 1, 5, 1, 0}),       // end beyond the targets
                     Image({2, 1, 5, 6, 1, 0}),    // start after end
                     Image({1, 1, 5, -1, 0}),      // half empty
                     Image({-1, 0}), Image({0, -1}),
                     Image({2, 1, 5, 6, 0}),       // short index
                     Image({1, 0})}) {             // short targets
        EXPECT_FALSE(m.Parse(img.data(), img.size()));
        EXPECT_EQ(m.GetMapID(0), 4);
    }
    EXPECT_EQ(m.Load("/nonexistent/x.map"), 0);
}

TEST(IDMapsTest, BuildWithRepeatsAndRoundTrip) {
    CIDMaps m;
    m.MapInit();
    m.MapAdd(2, 6);
    m.MapAdd(2, 5);
    m.MapAdd(2, 5);  // repeated: stored once, still counted
    m.MapAdd(0, -1);
    m.MapAdd(-1, 3);  // ignored
    m.MapAdd(1, -2);  // ignored
    m.MapComplete();
    EXPECT_EQ(m.GetSize(), 4);
    EXPECT_EQ(m.GetBound(), 3);
    EXPECT_EQ(Targets(m, 2), (std::vector<int>{5, 6}));
    EXPECT_EQ(Targets(m, 0), (std::vector<int>{-1}));
    EXPECT_TRUE(m.Serialize() == Image({4, 3, -1, 5, 6, -1, 0, 0, -1, -1, 1, 2}));
    kxtest::TempDir dir;
    ASSERT_EQ(m.Save(dir.file("m.map").c_str()), 1);
    CIDMaps back;
    ASSERT_EQ(back.Load(dir.file("m.map").c_str()), 1);
    EXPECT_EQ(Targets(back, 2), (std::vector<int>{5, 6}));
    EXPECT_EQ(back.GetSize(), 4);
}

TEST(IDMapsTest, SimilarityGroupsAndImporters) {
    kxtest::TempDir dir;
    CPDAT dict(0);
    for (const char* w : {"big", "large", "huge", "small", "tiny"}) dict.AddWord(w);
    dict.AddWordComplete();
    std::string sim = dir.file("sim.txt");
    kxtest::WriteAll(sim, "big, large huge\nsmall\ttiny,small\n");
    CIDMaps m;
    EXPECT_EQ(m.ImportSim(sim.c_str(), &dict), 6);  // small-small is refused
    std::vector<int> v;
    EXPECT_EQ(m.GetSimMaps(0, v), 2);  // big lists its group
    EXPECT_EQ(v, (std::vector<int>{1, 2}));
    EXPECT_EQ(m.GetSimMaps(1, v), 2);  // large links to its representative big
    EXPECT_EQ(v, (std::vector<int>{0, 2}));
    EXPECT_EQ(m.GetSimMaps(4, v), 1);  // tiny -> small, whose group is tiny alone
    EXPECT_EQ(v, (std::vector<int>{3}));
    EXPECT_EQ(m.GetSimMaps(99, v), 0);
    EXPECT_TRUE(v.empty());

    CPDAT right(0);
    right.AddWord("grand");
    right.AddWord("petit");
    right.AddWordComplete();
    std::string pairs = dir.file("pairs.txt");
    kxtest::WriteAll(pairs, "big grand\n[small_one] petit\nsmall petit\n");
    CIDMaps p;
    EXPECT_EQ(p.Import(pairs.c_str(), &dict, &right), 2);
    EXPECT_EQ(p.GetMapID(0), 0);
    EXPECT_EQ(p.GetMapID(3), 1);
    EXPECT_EQ(kxtest::ReadAll(pairs + "_map_export.txt"), "big\tgrand\n[small one]\tpetit\nsmall\tpetit\n");

    // One to many: one direction only, equal ids kept, a word missing on the right maps to -1.
    std::string multi = dir.file("multi.txt");
    kxtest::WriteAll(multi, "big grand,petit\nlarge petit\nsmall nothing\n");
    CIDMaps o;
    EXPECT_EQ(o.ImportOne2Mul(multi.c_str(), &dict, &right), 4);
    EXPECT_EQ(Targets(o, 0), (std::vector<int>{0, 1}));
    EXPECT_EQ(Targets(o, 1), (std::vector<int>{1}));
    EXPECT_EQ(Targets(o, 3), (std::vector<int>{-1}));

    std::string tab = dir.file("tab.txt");
    kxtest::WriteAll(tab, "large\thuge\tbig\r\nsingle\n");
    CIDMaps t;
    EXPECT_EQ(t.Import(tab.c_str(), &dict), 2);
    EXPECT_EQ(Targets(t, 0), (std::vector<int>{1, 2}));

    kxtest::WriteAll(dir.file("l.txt"), "big\nsmall\n");
    kxtest::WriteAll(dir.file("r.txt"), "petit\ngrand\n");
    CIDMaps two;
    EXPECT_EQ(two.Import(dir.file("l.txt").c_str(), dir.file("r.txt").c_str(), &dict, &right), 2);
    EXPECT_EQ(two.GetMapID(0), 1);
    EXPECT_EQ(two.GetMapID(3), 0);

    CWordList lw(false, nullptr), rw(false, nullptr);
    const char* kWords[] = {"big", "large", "huge", "small", "tiny"};
    for (int h = 0; h < 5; ++h) lw.AddWord(kWords[h], h);
    lw.AddWordComplete();
    rw.AddWord("grand", 0);
    rw.AddWord("petit", 1);
    rw.AddWordComplete();
    std::vector<map_str> rows;
    EXPECT_EQ(two.Export(rows, &lw, &rw), 2);
    EXPECT_EQ(rows[0].src, "big");
    EXPECT_EQ(rows[0].dsn, "petit");
    ASSERT_EQ(two.Export(dir.file("e.txt").c_str(), &lw, &rw, false), 1);
    EXPECT_EQ(kxtest::ReadAll(dir.file("e.txt")),
              "Data Size=2,Index Size=4\nHandle=0(big),Start=0\tEnd=0 count=1\n data=1(petit) \n"
              "Handle=3(small),Start=1\tEnd=1 count=1\n data=0(grand) \n");
}
